#include "drivers/nicdrv/dev_nicdrv.h"

#include <atomic>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/firmware/component_task.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/watchdog/sw_watchdog_mgr.h"

namespace {

constexpr uint32_t kNicWatchdogId = 45;
constexpr uint32_t kNicWatchdogTimeout = 10;

// The table is written without a lock by the five group threads: a lost update of a
// maximum is tolerated, a torn word is not (hence relaxed atomics).
std::atomic<uint32_t> g_handling_time[DEV_NICDRV_MAX_MODULE_ID + 1];

void nic_task(void*) {
    // The receive path is built on the chip model's packet DMA; until then the task only
    // answers its watchdog.
    firmware::idle_task_loop(kNicWatchdogId);
}

void show_handling_times() {
    for (uint32_t id = 0; id <= DEV_NICDRV_MAX_MODULE_ID; ++id) {
        uint32_t t = g_handling_time[id].load(std::memory_order_relaxed);
        if (t)
            BACKDOOR_MGR_Printf("\r\n module_id %d, %ld", static_cast<int>(id),
                                static_cast<long>(t));
    }
    BACKDOOR_MGR_Print("\r\n");
}

void clear_handling_times() {
    for (auto& t : g_handling_time)
        t.store(0, std::memory_order_relaxed);
}

}  // namespace

bool DEV_NICDRV_Init() {
    return true;
}

bool DEV_NICDRV_CreateTask() {
    uint32_t tid = 0;
    if (SYSFUN_SpawnThread(135, 0, "NIC", 20480, 0, nic_task, nullptr, &tid) != SYSFUN_OK) {
        CONSOLE_Printf("%s:SYSFUN_SpawnThread fail.\n", "DEV_NICDRV_CreateTask");
        return false;
    }
    SW_WATCHDOG_MGR_RegisterMonitorThread(kNicWatchdogId, tid, kNicWatchdogTimeout);
    return true;
}

bool DEV_NICDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}

void DEV_NICDRV_BACKDOOR_Main() {
    backdoor::run_menu("dev_nicdrv",
                       {{"1", "Show the longest handling time of each module", show_handling_times},
                        {"2", "Clear the handling times", clear_handling_times}});
}

void DEV_NICDRV_OM_UpdateModuleHandlingTime(uint32_t module_id, uint32_t ticks) {
    if (module_id > DEV_NICDRV_MAX_MODULE_ID) return;
    auto& slot = g_handling_time[module_id];
    if (ticks > slot.load(std::memory_order_relaxed)) slot.store(ticks, std::memory_order_relaxed);
}

uint32_t DEV_NICDRV_OM_GetModuleHandlingTime(uint32_t module_id) {
    return module_id > DEV_NICDRV_MAX_MODULE_ID
               ? 0
               : g_handling_time[module_id].load(std::memory_order_relaxed);
}
