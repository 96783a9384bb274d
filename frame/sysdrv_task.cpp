#include "frame/sysdrv_task.h"

#include <cstdio>

#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/firmware/firmware.h"
#include "platform/firmware/fs.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "platform/uc_mgr/uc_mgr.h"
#include "platform/watchdog/sw_watchdog_mgr.h"

namespace {

constexpr uint32_t kSemKey = 68;
constexpr uint32_t kTimerPeriodTicks = 250;
constexpr uint32_t kGraceWaitMs = 200;
constexpr uint32_t kReloadMarkerId = 10;

uint32_t g_sem_id = 0;

}  // namespace

void SYSDRV_TASK_CreateTask() {
    uint32_t rc = SYSFUN_GetSem(kSemKey, &g_sem_id);
    if (rc != SYSFUN_OK)
        CONSOLE_Printf("%s: SYSFUN_GetSem return != SYSFUN_OK value=%lu\n",
                       "SYSDRV_TASK_CreateTask", static_cast<unsigned long>(rc));
    uint32_t tid = 0;
    if (SYSFUN_SpawnThread(135, 0, "SYSDRV", 20480, 8, SYSDRV_TASK_TaskMain, nullptr, &tid) !=
        SYSFUN_OK) {
        CONSOLE_Printf("\r\n%s:Spawn SYSDRV thread fail.", "SYSDRV_TASK_CreateTask");
        return;
    }
    SW_WATCHDOG_MGR_RegisterMonitorThread(SYSDRV_WATCHDOG_ID, tid, 10);
}

void SYSDRV_TASK_ReStartSystem(uint32_t type) {
    UC_MGR_Sys_Info_T info;
    if (UC_MGR_GetSysInfo(&info) != 1) {
        CONSOLE_Printf("\r\nFailed to get system infomation from UC\r");
        return;
    }
    FS_Shutdown();
    SYSFUN_Sleep(200);
    if (!UC_MGR_Allocate(kReloadMarkerId, 4, 4)) {
        CONSOLE_Printf("\r\n%s:UC_MGR_Allocate fail. Reload failed.", "SYSDRV_TASK_ReStartSystem");
        return;
    }
    char record[96];
    const unsigned long start = info.start_addr();
    const unsigned long reason = info.boot_reason_addr();
    if (type == SYSDRV_RESTART_WARM) {
        std::snprintf(record, sizeof record, "type=3,startaddr=0x%lx,bootreasonaddr=0x%lx", start,
                      reason);
    } else if (type == SYSDRV_RESTART_COLD_ALT || type == SYSDRV_RESTART_COLD) {
        std::snprintf(record, sizeof record, "type=1,startaddr=0x%lx,bootreasonaddr=0x%lx", start,
                      reason);
    } else {
        CONSOLE_Printf("Wrong system re-start type\r");
        return;
    }
    SYS_TIME_DisableWatchDogTimer();
    LEDDRV_PortShutDown();
    SWDRV_ShutdownSwitch();
    SYSFUN_Reboot(record);
}

void SYSDRV_TASK_TaskMain(void*) {
    SYSDRV_DetectPeripheralInstall();
    auto* rec = static_cast<uint8_t*>(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_RESTART));
    if (!rec) {
        CONSOLE_Printf("\r\n%s:Failed to get shared memory ptr", "SYSDRV_TASK_TaskMain");
        return;
    }
    be::atomic_put32(rec + SYSDRV_REC_OFF_THREAD_ID, SYSFUN_TaskIdSelf());
    SYSLOG_PMGR_InitiateProcessResource();
    void* timer = SYSFUN_PeriodicTimer_Create();
    SYSFUN_PeriodicTimer_Start(timer, kTimerPeriodTicks, SYSDRV_EVENT_TIMER);

    uint32_t pending = 0;
    bool held_back = false;
    for (;;) {
        uint32_t received = 0;
        // Requests held back by the control word are looked at again a tick later rather than
        // in a busy loop.
        uint32_t timeout = !pending    ? SYSFUN_TIMEOUT_WAIT_FOREVER
                           : held_back ? 1
                                       : SYSFUN_TIMEOUT_NOWAIT;
        SYSFUN_ReceiveEvent(SYSDRV_EVENT_MASK, SYSFUN_EVENT_WAIT_ANY, timeout, &received);
        held_back = false;
        pending |= received;

        if (pending & SYSDRV_EVENT_WATCHDOG) {
            pending &= ~SYSDRV_EVENT_WATCHDOG;
            SW_WATCHDOG_MGR_ResetTimer(SYSDRV_WATCHDOG_ID);
        }
        if (pending & SYSDRV_EVENT_COLD_RESTART) SYSDRV_TASK_ReStartSystem(SYSDRV_RESTART_COLD_ALT);
        if (pending & SYSDRV_EVENT_WARM_RESTART) SYSDRV_TASK_ReStartSystem(SYSDRV_RESTART_WARM);
        if (pending & (SYSDRV_EVENT_COLD_AFTER_GRACE | SYSDRV_EVENT_WARM_AFTER_GRACE)) {
            const uint32_t type = (pending & SYSDRV_EVENT_WARM_AFTER_GRACE)
                                      ? SYSDRV_RESTART_WARM
                                      : SYSDRV_RESTART_COLD_ALT;
            uint32_t got = 0;
            // The event that ends the wait is taken here: it only cuts the grace short.
            if (SYSFUN_ReceiveEvent(SYSDRV_EVENT_COLD_RESTART | SYSDRV_EVENT_WARM_RESTART,
                                    SYSFUN_EVENT_WAIT_ANY, SYSFUN_MSecondToTick(kGraceWaitMs),
                                    &got) == SYSFUN_RESULT_TIMEOUT) {
                if (type == SYSDRV_RESTART_WARM)
                    SYSDRV_WarmStartSystemForTimeout();
                else
                    SYSDRV_ColdStartSystemForTimeout();
            }
            SYSDRV_TASK_ReStartSystem(type);
        }

        if (be::atomic_get32(rec + SYSDRV_REC_OFF_CONTROL) != 0) {
            if (be::atomic_get8(rec + SYSDRV_REC_OFF_KEEP_PENDING) != 0) {
                pending &= ~SYSDRV_EVENT_TIMER;  // the rest is handled again next pass
                held_back = true;
                continue;
            }
        } else if (pending & SYSDRV_EVENT_MARK) {
            be::atomic_put8(rec + SYSDRV_REC_OFF_MARK, 1);
        }
        pending = 0;
    }
}
