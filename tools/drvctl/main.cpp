// drvctl: talks to a running driver process of the instance DRIVER_PROC_INSTANCE (or
// --instance N). Options may stand anywhere on the line.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "tools/drvctl/commands.h"

namespace drvctl {

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
        } else if (args.words.size() == 1 && args.words[0] == "raw" && a == "--help") {
            args.words.push_back(a);  // raw's own: the sub-command layouts of a module
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
            set_current_command(&c);
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
