// test_reaper: ends what a test process leaves behind when it dies. The test support starts
// one per test process, in a session of its own (so that whatever kills the test's process
// group spares it), reading a pipe whose only writer is the test process. The test names on
// it each instance it uses ("i N"), each instance it starts a daemon in ("d N") and each it
// cleaned up itself ("r N"). When the pipe closes, the test process has ended, however it
// ended: the daemons still running are stopped and every instance's shared-memory objects
// (/dev/shm/driver_proc.N.*) are removed.
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "platform/instance/instance.h"
#include "platform/instance/lifecycle.h"

int main() {
    std::map<int, bool> left;  // instance -> a daemon was started in it
    std::string op;
    int id = 0;
    while (std::cin >> op >> id) {
        if (op == "i")
            left.emplace(id, false);
        else if (op == "d")
            left[id] = true;
        else if (op == "r")
            left.erase(id);
    }
    for (auto [inst, daemon] : left) {
        instance::set_id(inst);
        int pid = daemon ? lifecycle::running_pid() : 0;
        if (pid) {
            lifecycle::stop(2000);
            std::fprintf(stderr,
                         "test_reaper: the test process ended; daemon %d of instance %d stopped\n",
                         pid, inst);
        }
        instance::remove_shm_objects();
    }
    return 0;
}
