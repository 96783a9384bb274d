// The restart task, run in a child process per case: its thread never ends, and a reload
// must be observed, not performed (the reboot hook records the boot record instead).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame/sysdrv_task.h"
#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "platform/watchdog/sw_watchdog_mgr.h"
#include "tests/support/test_instance.h"

namespace {

std::mutex g_mu;
std::vector<std::string> g_records;

std::vector<std::string> records() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_records;
}

struct Task {
    uint8_t* rec = nullptr;
    uint32_t tid = 0;
};

// Starts the task as the process would and waits until it has published its thread id.
Task start_task() {
    uint32_t id;
    SYSFUN_CreateSem(68, 1, 0, &id);
    sysfun::set_reboot_hook([](const std::string& r) {
        std::lock_guard<std::mutex> lock(g_mu);
        g_records.push_back(r);
    });
    SYSDRV_TASK_CreateTask();
    Task t;
    t.rec = static_cast<uint8_t*>(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_RESTART));
    for (int i = 0; i < 200 && be::atomic_get32(t.rec + SYSDRV_REC_OFF_THREAD_ID) == 0; ++i)
        SYSFUN_Sleep(1);
    t.tid = be::atomic_get32(t.rec + SYSDRV_REC_OFF_THREAD_ID);
    return t;
}

// Runs body in a child with its own instance; the child reports failures on stderr and in
// its exit status.
template <typename Body>
void in_child(Body body) {
    pid_t pid = fork();
    if (pid == 0) {
        testing_support::TestInstance inst;
        std::string failure = body();
        if (!failure.empty()) fprintf(stderr, "child check failed: %s\n", failure.c_str());
        // The task's thread still runs: remove the instance's names, keep the mappings.
        instance::remove_shm_objects();
        _exit(failure.empty() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Waits until the task has taken the event bits `bits` and sleeps again (after a grace
// request: in its grace wait). False when it does not within two seconds.
bool wait_taken(uint32_t tid, uint32_t bits) {
    ctl::Block* b = ctl::get();
    for (int i = 0; b && i < 2000; ++i) {
        for (const ctl::ThreadSlot& s : b->threads)
            if (s.tid.load() == tid && !(s.pending.load() & bits) && s.sleepers.load() > 0)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

bool wait_records(size_t n, int ticks = 800) {
    for (int i = 0; i < ticks && records().size() < n; ++i)
        SYSFUN_Sleep(1);
    return records().size() >= n;
}

const char* kWarm = "type=3,startaddr=0x100000,bootreasonaddr=0xff00000";
const char* kCold = "type=1,startaddr=0x100000,bootreasonaddr=0xff00000";

TEST(SysdrvTask, ColdAndWarmTogetherRunColdFirstAndPublishTheThreadId) {
    in_child([]() -> std::string {
        sysfun::set_sleep_limit(2);  // the reload's two-second pause, cut short
        Task t = start_task();
        if (t.tid == 0) return "thread id not published";
        if (sysfun::thread_name(t.tid) != "SYSDRV") return "published id is not SYSDRV's";
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_COLD_RESTART | SYSDRV_EVENT_WARM_RESTART);
        if (!wait_records(2)) return "two reloads expected";
        auto r = records();
        if (r[0] != kCold || r[1] != kWarm) return "records: " + r[0] + " / " + r[1];
        if (!calllog::received("FS", "FS_Shutdown") ||
            !calllog::received("SYS_TIME", "SYS_TIME_DisableWatchDogTimer") ||
            !calllog::received("LEDDRV", "LEDDRV_PortShutDown") ||
            !calllog::received("SWDRV", "SWDRV_ShutdownSwitch"))
            return "a shutdown step is missing";
        // The task answers its watchdog ping.
        sw_watchdog::set_period_ms(10);
        for (int i = 0; i < 50; ++i)
            SYSFUN_Sleep(1);
        for (const auto& m : sw_watchdog::monitors())
            if (m.monitor_id == SYSDRV_WATCHDOG_ID && m.missed) return "watchdog missed";
        return "";
    });
}

TEST(SysdrvTask, RefusedReloadsPrintAndRebootNothing) {
    in_child([]() -> std::string {
        sysfun::set_sleep_limit(2);
        console::Capture cap;
        sysfun::set_reboot_hook([](const std::string& r) { g_records.push_back(r); });
        SYSDRV_TASK_ReStartSystem(2);
        if (!cap.contains("Wrong system re-start type\r")) return "wrong type not refused";
        if (!calllog::received("FS", "FS_Shutdown")) return "file system not shut down first";
        faults::set("UC_MGR_Allocate", 0);
        SYSDRV_TASK_ReStartSystem(SYSDRV_RESTART_WARM);
        if (!cap.contains("\r\nSYSDRV_TASK_ReStartSystem:UC_MGR_Allocate fail. Reload failed."))
            return "allocation failure not reported";
        faults::set("UC_MGR_GetSysInfo", 0);
        SYSDRV_TASK_ReStartSystem(SYSDRV_RESTART_COLD);
        if (!cap.contains("\r\nFailed to get system infomation from UC\r")) return "no UC message";
        return g_records.empty() ? "" : "a refused reload rebooted";
    });
}

TEST(SysdrvTask, GraceWaitEndsByTimeoutOrByTheRestartEvent) {
    in_child([]() -> std::string {
        Task t = start_task();
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_WARM_AFTER_GRACE);
        if (!wait_records(1)) return "no reload after the grace wait";
        if (records()[0] != kWarm) return "grace timeout reloaded " + records()[0];
        if (!calllog::received("SYSDRV", "SYSDRV_WarmStartSystemForTimeout"))
            return "time-out not notified";
        // Answered within the grace: no time-out notification, and the type stays cold.
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_COLD_AFTER_GRACE);
        SYSFUN_Sleep(5);
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_WARM_RESTART);
        if (!wait_records(2)) return "no reload after an answered grace wait";
        SYSFUN_Sleep(300);
        auto r = records();
        if (r.size() != 2 || r[1] != kCold) return "answered grace gave " + r.back();
        if (calllog::received("SYSDRV", "SYSDRV_ColdStartSystemForTimeout"))
            return "time-out notified although answered";
        return "";
    });
}

TEST(SysdrvTask, ControlWordDecidesWhetherAFailedRequestIsRetriedOrForgotten) {
    in_child([]() -> std::string {
        Task t = start_task();
        console::Capture cap;
        faults::set("UC_MGR_GetSysInfo", 0);
        be::atomic_put32(t.rec + SYSDRV_REC_OFF_CONTROL, 1);
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_COLD_RESTART);
        SYSFUN_Sleep(30);
        auto count = [&] {
            std::string s = cap.text();
            size_t n = 0;
            for (size_t p = s.find("infomation"); p != std::string::npos;
                 p = s.find("infomation", p + 1))
                ++n;
            return n;
        };
        if (count() != 1) return "forgotten request ran " + std::to_string(count()) + " times";
        be::atomic_put8(t.rec + SYSDRV_REC_OFF_KEEP_PENDING, 1);
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_COLD_RESTART);
        SYSFUN_Sleep(30);
        if (count() < 4) return "kept request not retried";
        be::atomic_put32(t.rec + SYSDRV_REC_OFF_CONTROL, 0);
        SYSFUN_Sleep(5);
        size_t settled = count();
        SYSFUN_Sleep(20);
        if (count() != settled) return "request still retried after the control word cleared";
        // The mark request sets byte 18 only while the control word is clear.
        SYSFUN_SendEvent(t.tid, SYSDRV_EVENT_MARK);
        SYSFUN_Sleep(5);
        if (be::atomic_get8(t.rec + SYSDRV_REC_OFF_MARK) != 1) return "mark not set";
        return "";
    });
}

}  // namespace

// Every combination of cold, warm and grace-wait requests pending together, and every grace
// wait cut short by either restart event: the boot records written, in order, and whether the
// grace's time-out was notified. Each case runs in a child of its own, all at once (a reload
// sleeps two seconds before it writes its record).
TEST(SysdrvTask, EveryCombinationOfPendingRequestsGivesItsBootRecordsInOrder) {
    constexpr uint32_t C = SYSDRV_EVENT_COLD_RESTART, W = SYSDRV_EVENT_WARM_RESTART,
                       CG = SYSDRV_EVENT_COLD_AFTER_GRACE, WG = SYSDRV_EVENT_WARM_AFTER_GRACE;
    struct Case {
        uint32_t together;  // sent as one event
        uint32_t during;    // sent while the grace wait runs (0: none)
        std::vector<const char*> boot;
        const char* timeout;  // the time-out notification expected, or nullptr
    };
    const char* cold = kCold;
    const char* warm = kWarm;
    const char* cold_to = "SYSDRV_ColdStartSystemForTimeout";
    const char* warm_to = "SYSDRV_WarmStartSystemForTimeout";
    // Restart events that came with the grace request were taken before the wait began: the
    // wait runs out. Cold reloads first, then warm, then the grace's (warm when 0x80 is set).
    const Case cases[] = {
        {C, 0, {cold}, nullptr},
        {W, 0, {warm}, nullptr},
        {C | W, 0, {cold, warm}, nullptr},
        {CG, 0, {cold}, cold_to},
        {WG, 0, {warm}, warm_to},
        {CG | WG, 0, {warm}, warm_to},
        {C | CG, 0, {cold, cold}, cold_to},
        {C | WG, 0, {cold, warm}, warm_to},
        {C | CG | WG, 0, {cold, warm}, warm_to},
        {W | CG, 0, {warm, cold}, cold_to},
        {W | WG, 0, {warm, warm}, warm_to},
        {W | CG | WG, 0, {warm, warm}, warm_to},
        {C | W | CG, 0, {cold, warm, cold}, cold_to},
        {C | W | WG, 0, {cold, warm, warm}, warm_to},
        {C | W | CG | WG, 0, {cold, warm, warm}, warm_to},
        // A restart event within the grace only ends the wait: no notification, no reload of
        // its own, the grace's type.
        {CG, C, {cold}, nullptr},
        {CG, W, {cold}, nullptr},
        {WG, C, {warm}, nullptr},
        {WG, W, {warm}, nullptr},
    };
    std::vector<pid_t> children;
    for (const Case& c : cases) {
        pid_t pid = fork();
        if (pid == 0) {
            std::string failure;
            {
                // Never destroyed: the task's thread still runs when the child ends.
                new testing_support::TestInstance;
                sysfun::set_sleep_limit(2);
                Task t = start_task();
                SYSFUN_SendEvent(t.tid, c.together);
                if (c.during) {
                    // Sent once the task waits out the grace: sent earlier, it would come with
                    // the grace request (a loaded machine may take long to run the task).
                    if (!wait_taken(t.tid, c.together)) failure = "the grace wait never began";
                    SYSFUN_SendEvent(t.tid, c.during);
                }
                if (failure.empty() && !wait_records(c.boot.size(), 1000))
                    failure = "only " + std::to_string(records().size()) + " reload(s)";
                // Long enough for a reload too many to write its record.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                auto got = records();
                std::string want_text, got_text;
                for (const char* r : c.boot)
                    want_text += std::string(r) + " | ";
                for (const std::string& r : got)
                    got_text += r + " | ";
                if (failure.empty() && got_text != want_text)
                    failure = "boot records " + got_text + "expected " + want_text;
                for (const char* to : {cold_to, warm_to})
                    if (failure.empty() && calllog::received("SYSDRV", to) != (to == c.timeout))
                        failure = std::string(to) + (to == c.timeout ? " not called" : " called");
                instance::remove_shm_objects();
            }
            if (!failure.empty())
                fprintf(stderr, "events 0x%02x then 0x%02x: %s\n", c.together, c.during,
                        failure.c_str());
            _exit(failure.empty() ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        int status = 0;
        waitpid(children[i], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "events 0x" << std::hex << cases[i].together << " then 0x" << cases[i].during;
    }
}
