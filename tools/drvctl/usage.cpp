// Usage texts of drvctl's commands.
#include <cstdio>
#include <string>

#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

const Command* g_current = nullptr;

}  // namespace

void set_current_command(const Command* c) {
    g_current = c;
}

void print_usage(FILE* out) {
    std::fprintf(out,
                 "usage: drvctl [--instance N] [--queue KEY] [--timeout MS] COMMAND ...\n"
                 "commands:\n");
    for (const Command& c : commands()) {
        std::string u = c.usage;
        size_t pos = 0;
        while (pos < u.size()) {
            size_t nl = u.find('\n', pos);
            std::fprintf(out, "  drvctl %s\n", u.substr(pos, nl - pos).c_str());
            if (nl == std::string::npos) break;
            pos = nl + 1;
        }
    }
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "drvctl: %s\n", message.c_str());
    if (g_current)
        std::fprintf(stderr, "usage: drvctl %s\n", g_current->usage);
    else
        print_usage(stderr);
    return kExitUsage;
}

}  // namespace drvctl
