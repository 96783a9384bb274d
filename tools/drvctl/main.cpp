// drvctl: talks to a running driver process of the instance DRIVER_PROC_INSTANCE (or
// --instance N). Options may stand anywhere on the line.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

const Command* g_current = nullptr;

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

}  // namespace

int usage_error(const std::string& message) {
    std::fprintf(stderr, "drvctl: %s\n", message.c_str());
    if (g_current)
        std::fprintf(stderr, "usage: drvctl %s\n", g_current->usage);
    else
        print_usage(stderr);
    return kExitUsage;
}

int run(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* opt) -> const char* {
            if (i + 1 >= argc) {
                usage_error(std::string(opt) + " needs a value");
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--queue") {
            const char* v = value("--queue");
            if (!v) return kExitUsage;
            if (!parse_u32(v, &args.queue_key))
                return usage_error("bad queue key: " + std::string(v));
            args.queue_given = true;
        } else if (a == "--timeout") {
            const char* v = value("--timeout");
            uint32_t ms;
            if (!v) return kExitUsage;
            if (!parse_u32(v, &ms) || ms > 3600000)
                return usage_error("bad time-out: " + std::string(v));
            args.timeout_ms = static_cast<int>(ms);
        } else if (a == "--instance") {
            const char* v = value("--instance");
            int id;
            if (!v) return kExitUsage;
            if (!instance::parse_id(v, &id)) return usage_error("bad instance: " + std::string(v));
            instance::set_id(id);
        } else if (a == "-h" || a == "--help" || (args.words.empty() && a == "help")) {
            print_usage(stdout);
            return kExitOk;
        } else if (a.size() > 2 && a[0] == '-' && a[1] == '-' && args.words.size() < 1) {
            return usage_error("unknown option " + a);
        } else {
            args.words.push_back(a);
        }
    }
    if (args.words.empty()) return usage_error("no command given");
    for (const Command& c : commands()) {
        if (args.words[0] == c.name) {
            g_current = &c;
            args.words.erase(args.words.begin());
            return c.run(args);
        }
    }
    return usage_error("unknown command \"" + args.words[0] + "\"");
}

}  // namespace drvctl

int main(int argc, char** argv) {
    // drvctl's own platform calls must not print on the switch's console.
    console::set_quiet(true);
    return drvctl::run(argc, argv);
}
