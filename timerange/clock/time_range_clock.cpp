#include "timerange/clock/time_range_clock.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "platform/common/types.h"
#include "platform/components/calllog.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace {

constexpr const char* kThreadName = "TIME_RANGE";
constexpr uint32_t kThreadPriority = 90;
constexpr uint32_t kThreadPolicy = 2;
constexpr uint32_t kThreadStack = 16 * 1024;
constexpr uint32_t kEventTick = 0x0001;
constexpr uint32_t kEventStop = 0x0002;

std::atomic<uint32_t> g_tid{0};

void clock_thread(void*) {
    void* timer = SYSFUN_PeriodicTimer_Create();
    SYSFUN_PeriodicTimer_Start(timer, sys_adpt::kTicksPerSecond, kEventTick);
    TIME_RANGE_CLOCK_Update(time(nullptr));
    for (;;) {
        uint32_t events = 0;
        SYSFUN_ReceiveEvent(kEventTick | kEventStop, SYSFUN_EVENT_WAIT_ANY,
                            SYSFUN_TIMEOUT_WAIT_FOREVER, &events);
        if (events & kEventStop) break;
        if (events & kEventTick) TIME_RANGE_CLOCK_Update(time(nullptr));
    }
    SYSFUN_PeriodicTimer_Stop(timer);
    SYSFUN_PeriodicTimer_Destroy(timer);
}

}  // namespace

void TIME_RANGE_CLOCK_MakeCurrentTime(time_t t, TIME_RANGE_OM_CurrentTime_T* now) {
    struct tm local {};
    localtime_r(&t, &local);
    now->year = static_cast<uint32_t>(local.tm_year + 1900);
    now->month = static_cast<uint32_t>(local.tm_mon + 1);
    now->day = static_cast<uint32_t>(local.tm_mday);
    now->weekday = static_cast<uint32_t>(local.tm_wday);
    now->hour = static_cast<uint32_t>(local.tm_hour);
    now->minute = static_cast<uint32_t>(local.tm_min);
    now->second = static_cast<uint32_t>(local.tm_sec);
    now->absolute = static_cast<uint32_t>(t);
}

bool TIME_RANGE_CLOCK_Update(time_t t) {
    TIME_RANGE_OM_CurrentTime_T now{};
    TIME_RANGE_CLOCK_MakeCurrentTime(t, &now);
    uint8_t previous[TIME_RANGE_OM_BITMAP_SIZE];
    uint8_t active[TIME_RANGE_OM_BITMAP_SIZE];
    if (!TIME_RANGE_OM_UpdateEntryStatus(&now, previous, active)) return false;
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_ENTRIES; ++i) {
        const bool was = TIME_RANGE_OM_BitmapHas(previous, i);
        const bool is = TIME_RANGE_OM_BitmapHas(active, i);
        if (was == is) continue;
        TIME_RANGE_OM_Entry_T e{};
        const char* name = TIME_RANGE_OM_GetTimeRangeEntry(i, &e) == TIME_RANGE_OM_OK ? e.name : "";
        calllog::recordf("TIME_RANGE", "entry %u '%s' %s", i, name, is ? "active" : "inactive");
    }
    return true;
}

bool TIME_RANGE_CLOCK_Start() {
    if (g_tid.load() != 0) {
        CONSOLE_Printf("%s(): the clock is already running\r\n", __FUNCTION__);
        return false;
    }
    // The semaphore (key 89) must exist before anyone gets it, and the segment is attached
    // before its records are reset: the creating initialiser runs first.
    if (!TIME_RANGE_OM_Initiate_System_Resources()) {
        CONSOLE_Printf("%s(): TIME_RANGE_OM_Initiate_System_Resources failed\r\n", __FUNCTION__);
        return false;
    }
    if (!TIME_RANGE_OM_InitiateSystemResources()) {
        CONSOLE_Printf("%s(): TIME_RANGE_OM_InitiateSystemResources failed\r\n", __FUNCTION__);
        return false;
    }
    uint32_t tid = 0;
    uint32_t rc = SYSFUN_SpawnThread(kThreadPriority, kThreadPolicy, kThreadName, kThreadStack, 0,
                                     clock_thread, nullptr, &tid);
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf("%s(): SYSFUN_SpawnThread failed (rc=%u)\r\n", __FUNCTION__, rc);
        return false;
    }
    g_tid.store(tid);
    return true;
}

void TIME_RANGE_CLOCK_Stop() {
    uint32_t tid = g_tid.exchange(0);
    if (tid == 0) return;
    SYSFUN_SendEvent(tid, kEventStop);
    // The thread's registration is released as the very last thing it does.
    for (int i = 0; i < 500 && !sysfun::thread_name(tid).empty(); ++i)
        SYSFUN_Sleep(1);
}

namespace {

struct ProcessStart {
    int ready_fd;
    pid_t parent;
};

// Body of the clock owner's process: ends with the process that started it.
void clock_process(void* arg) {
    const auto* start = static_cast<const ProcessStart*>(arg);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != start->parent) return;  // the starter is already gone
    ::setsid();  // not in the terminal's process group that started the switch
    const char ok = TIME_RANGE_CLOCK_Start() ? 1 : 0;
    if (::write(start->ready_fd, &ok, 1) != 1 || !ok) return;
    ::close(start->ready_fd);
    for (;;)
        ::pause();
}

}  // namespace

bool TIME_RANGE_CLOCK_StartProcess() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        CONSOLE_Printf("%s(): no pipe\r\n", __FUNCTION__);
        return false;
    }
    ProcessStart start{fds[1], ::getpid()};
    uint32_t pid = 0;
    uint32_t rc =
        SYSFUN_SpawnProcess(kThreadPriority, 0, "TIME_RANGE_PROC", clock_process, &start, &pid);
    ::close(fds[1]);
    char ok = 0;
    pollfd pfd{fds[0], POLLIN, 0};
    bool ready = rc == SYSFUN_OK && ::poll(&pfd, 1, 5000) > 0 && ::read(fds[0], &ok, 1) == 1 && ok;
    ::close(fds[0]);
    if (!ready)
        CONSOLE_Printf("%s(): the clock owner's process did not start (rc=%u)\r\n", __FUNCTION__,
                       rc);
    return ready;
}
