#include "tools/drvctl/commands.h"

namespace drvctl {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"raw", "raw MODULE [WORD ...]   send a request of 32-bit words (--queue KEY, default 24)",
         cmd_raw},
        {"menu", "menu NAME               open a debug menu (\"l_mm\": the memory library's)",
         cmd_menu},
        {"reload", "reload warm|cold        reload the switch through its restart task",
         cmd_reload},
        {"stop", "stop                    stop the driver process and remove its resources",
         cmd_stop},
        {"log", "log [COMPONENT]         calls a platform component received (none: list them)",
         cmd_log},
        {"threads", "threads                 the threads of the instance", cmd_threads},
        {"console", "console                 the driver process's console output so far",
         cmd_console},
    };
    return table;
}

}  // namespace drvctl
