// Commands about the driver process itself: reload, stop, the platform components' call
// record, the threads and the console.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/instance/instance.h"
#include "platform/instance/lifecycle.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "tools/drvctl/commands.h"

namespace drvctl {

// Events of the restart task.
constexpr uint32_t kEventColdRestart = 0x02;
constexpr uint32_t kEventWarmRestart = 0x04;
// The restart task publishes its thread id at byte 4 of the restart-control record.
constexpr uint32_t kRestartRecordTidOffset = 4;

int cmd_reload(Args& args) {
    if (args.words.size() != 1 || (args.words[0] != "warm" && args.words[0] != "cold"))
        return usage_error("reload needs warm or cold");
    int pid = lifecycle::running_pid();
    if (!pid || !attach_instance()) {
        std::fprintf(stderr, "drvctl: no driver process is running in instance %d\n",
                     instance::id());
        return kExitNoResponse;
    }
    auto* record = static_cast<uint8_t*>(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_RESTART));
    uint32_t tid = record ? be::atomic_get32(record + kRestartRecordTidOffset) : 0;
    if (tid == 0) {
        std::fprintf(stderr, "drvctl: the restart task has not started\n");
        return kExitFailed;
    }
    std::remove(instance::run_file("boot_record").c_str());
    bool warm = args.words[0] == "warm";
    if (SYSFUN_SendEvent(tid, warm ? kEventWarmRestart : kEventColdRestart) != SYSFUN_OK) {
        std::fprintf(stderr, "drvctl: cannot reach the restart task (thread %u)\n", tid);
        return kExitFailed;
    }
    for (int waited = 0; lifecycle::running_pid() == pid && waited < args.timeout_ms * 5;
         waited += 20)
        ::usleep(20000);
    std::ifstream in(instance::run_file("boot_record"));
    std::string boot;
    if (lifecycle::running_pid() == pid || !std::getline(in, boot)) {
        std::fprintf(stderr, "drvctl: the switch did not reload\n");
        return kExitFailed;
    }
    std::printf("reloaded: %s\n", boot.c_str());
    return kExitOk;
}

int cmd_stop(Args& args) {
    if (!args.words.empty()) return usage_error("stop takes no arguments");
    if (!lifecycle::stop(5000)) {
        std::fprintf(stderr, "drvctl: no driver process is running in instance %d\n",
                     instance::id());
        return kExitFailed;
    }
    std::printf("driver_proc instance %d stopped\n", instance::id());
    return kExitOk;
}

int cmd_log(Args& args) {
    if (args.words.size() > 1) return usage_error("log takes at most one COMPONENT");
    if (args.words.empty()) {
        for (const calllog::Component& c : calllog::components())
            std::printf("%-24s %llu calls\n", c.name.c_str(),
                        static_cast<unsigned long long>(c.calls));
        return kExitOk;
    }
    auto entries = calllog::read(args.words[0]);
    if (entries.empty()) {
        std::fprintf(stderr, "drvctl: no calls recorded for %s\n", args.words[0].c_str());
        return kExitFailed;
    }
    for (const calllog::Entry& e : entries)
        std::printf("%6llu %s\n", static_cast<unsigned long long>(e.seq), e.text.c_str());
    return kExitOk;
}

int cmd_threads(Args& args) {
    if (!args.words.empty()) return usage_error("threads takes no arguments");
    if (!attach_instance()) return kExitNoResponse;
    std::printf("%-8s %-8s %-24s %8s %6s %10s\n", "pid", "tid", "name", "priority", "policy",
                "stack");
    for (const sysfun::ThreadInfo& t : sysfun::list_threads())
        std::printf("%-8d %-8u %-24s %8u %6u %10u\n", t.pid, t.tid, t.name.c_str(), t.priority,
                    t.policy, t.stack_size);
    return kExitOk;
}

int cmd_console(Args& args) {
    if (!args.words.empty()) return usage_error("console takes no arguments");
    std::ifstream in(lifecycle::console_log());
    if (!in) {
        std::fprintf(stderr, "drvctl: no console log for instance %d\n", instance::id());
        return kExitFailed;
    }
    std::cout << in.rdbuf();
    return kExitOk;
}

}  // namespace drvctl
