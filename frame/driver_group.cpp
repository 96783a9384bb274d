#include "frame/driver_group.h"

#include <array>
#include <mutex>

#include "drivers/amtrdrv/dev_amtrdrv.h"
#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/nmtrdrv/dev_nmtrdrv.h"
#include "drivers/rm/devrm.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrvl3/dev_swdrvl3.h"
#include "drivers/swdrvl4/dev_swdrvl4.h"
#include "frame/sysdrv_task.h"
#include "monitor/swdrv_monitor.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/firmware/firmware.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/watchdog/sw_watchdog_mgr.h"
#include "poe/poe_ipc.h"

namespace {

uint8_t g_buf_group[DRIVER_GROUP_BUFFER_SIZE];
uint8_t g_buf_tx[DRIVER_GROUP_BUFFER_SIZE];
uint8_t g_buf_free[DRIVER_GROUP_BUFFER_SIZE];
uint8_t g_buf_dispatch[DRIVER_GROUP_BUFFER_SIZE];
uint8_t g_buf_twsi[DRIVER_GROUP_BUFFER_SIZE];

const DRIVER_GROUP_ThreadRow_T kThreadTable[DRIVER_GROUP_NUM_THREADS] = {
    {"DRIVER_GROUP", 90, 2, 0x6000, 8, 24, g_buf_group},
    {"DRIVER_GROUP_TX", 90, 2, 0x8000, 8, 25, g_buf_tx},
    {"DRIVER_GROUP_FREE", 90, 2, 0x5000, 8, 52, g_buf_free},
    {"DRIVER_GROUP_DISPATCH", 90, 2, 0x5000, 8, 56, g_buf_dispatch},
    {"DRIVER_GROUP_TWSI", 90, 2, 0x5000, 8, 59, g_buf_twsi},
};

constexpr uint32_t kWatchdogQueueKey = 24;
constexpr uint32_t kSysCallbackLanDispatch = 120;

// Module ids of the dispatcher.
enum : uint16_t {
    kModNicTx = 37,
    kModSysCallback = 117,
    kModBackdoor = 118,
    kModSwdrv = 119,
    kModAmtrdrv = 120,
    kModSwdrvl4 = 121,
    kModNmtrdrv = 125,
    kModRm = 126,
    kModSwdrvl3 = 127,
    kModSysMode1000 = 1000,
    kModSysMode1001 = 1001,
    kModSysMode1002 = 1002,
    kModSysMode1008 = 1008,
};

// One mutex per module id serialises each module's handler across the five threads, so the
// drivers whose state has no lock of its own are safe.
std::array<std::mutex, 128> g_module_mutex;

void lan_dispatch_callback(uint32_t a1, uint32_t a2, uint32_t a3, uint32_t a4, uint32_t a5,
                           uint32_t a6) {
    LAN_DispatchPacket(a1, a2, a3, a4, static_cast<uint16_t>(a5), a6);
}

bool sys_callback(uint8_t* msgbuf) {
    if (ipcmsg::word(msgbuf, 0) == kSysCallbackLanDispatch)
        SYS_CALLBACK_MGR_HandleIPCMsgAndCallback(msgbuf, lan_dispatch_callback);
    return false;  // never answered
}

using Handler = bool (*)(void*);

// The handler of a timed module, or nullptr.
Handler timed_handler(uint16_t cmd) {
    switch (cmd) {
        case kModNicTx:
            return DEV_NICDRV_HandleIPCReqMsg;
        case kModSwdrv:
            return DEV_SWDRV_HandleIPCReqMsg;
        case kModAmtrdrv:
            return DEV_AMTRDRV_HandleIPCReqMsg;
        case kModSwdrvl4:
            return DEV_SWDRVL4_HandleIPCReqMsg;
        case kModNmtrdrv:
            return DEV_NMTRDRV_HandleIPCReqMsg;
        case kModRm:
            return DEVRM_HandleIPCReqMsg;
        case kModSwdrvl3:
            return DEV_SWDRVL3_HandleIPCReqMsg;
        default:
            return nullptr;
    }
}

// The time recorded is the handler's own, from when it has its module's lock: waiting for
// another thread's request of the same module is not counted.
bool run_timed(uint16_t cmd, Handler handler, uint8_t* msgbuf) {
    uint32_t elapsed;
    bool respond;
    {
        std::lock_guard<std::mutex> lock(g_module_mutex[cmd]);
        uint32_t start = SYSFUN_GetSysTick();
        respond = handler(msgbuf);
        elapsed = SYSFUN_GetSysTick() - start;
    }
    // Ids above 173 are not recorded (the table's own bound).
    DEV_NICDRV_OM_UpdateModuleHandlingTime(cmd, elapsed);
    return respond;
}

}  // namespace

const DRIVER_GROUP_ThreadRow_T* DRIVER_GROUP_GetThreadTable() {
    return kThreadTable;
}

bool DRIVER_GROUP_Dispatch(uint8_t* msgbuf) {
    const uint16_t cmd = ipcmsg::cmd(msgbuf);
    if (Handler h = timed_handler(cmd)) return run_timed(cmd, h, msgbuf);
    switch (cmd) {
        case kModSysCallback:
            return run_timed(
                cmd, [](void* m) { return sys_callback(static_cast<uint8_t*>(m)); }, msgbuf);
        case kModBackdoor: {
            std::lock_guard<std::mutex> lock(g_module_mutex[kModBackdoor]);
            return BACKDOOR_MGR_HandleIPCMsg(msgbuf);
        }
        case POE_DRV_MODULE_ID: {
            std::lock_guard<std::mutex> lock(g_module_mutex[POE_DRV_MODULE_ID]);
            return POE_DRV_HandleIPCReqMsg(msgbuf);
        }
        case kModSysMode1000:
        case kModSysMode1001:
        case kModSysMode1002:
        case kModSysMode1008:
            ipcmsg::set_msg_size(msgbuf, 0);
            return true;
        default:
            CONSOLE_Printf("%s: Invalid IPC req cmd. msgbuf_p->cmd=%d\n",
                           "DRIVER_GROUP_Mgr_Thread_Function_Entry", cmd);
            return false;
    }
}

void DRIVER_GROUP_Mgr_Thread_Function_Entry(void* arg) {
    const auto* row = static_cast<const DRIVER_GROUP_ThreadRow_T*>(arg);
    SYSFUN_MsgQ_T q;
    if (SYSFUN_CreateMsgQ(row->msgq_key, SYSFUN_MSGQ_BIDIRECTIONAL, &q) != SYSFUN_OK) {
        CONSOLE_Printf("%s: SYSFUN_CreateMsgQ fail.\n", "DRIVER_GROUP_Mgr_Thread_Function_Entry");
        return;
    }
    uint32_t pending = DRIVER_GROUP_EVENT_MSG;  // drain the queue once before the first wait
    for (;;) {
        uint32_t received = 0;
        SYSFUN_ReceiveEvent(DRIVER_GROUP_EVENT_ALL, SYSFUN_EVENT_WAIT_ANY,
                            pending ? SYSFUN_TIMEOUT_NOWAIT : SYSFUN_TIMEOUT_WAIT_FOREVER,
                            &received);
        pending |= received;

        if (pending & DRIVER_GROUP_EVENT_WATCHDOG) {
            pending &= ~DRIVER_GROUP_EVENT_WATCHDOG;
            SW_WATCHDOG_MGR_ResetTimer(DRIVER_GROUP_WATCHDOG_ID);
        }
        if (pending & DRIVER_GROUP_EVENT_SET_TRANSITION_MODE) {
            pending &= ~(DRIVER_GROUP_EVENT_SET_TRANSITION_MODE | DRIVER_GROUP_EVENT_MODE_CHANGE);
            CONSOLE_Printf("%s: receive set transition mode event\n",
                           "DRIVER_GROUP_Mgr_Thread_Function_Entry");
        }
        if (pending & DRIVER_GROUP_EVENT_MSG) {
            uint32_t rc = SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_NOWAIT, DRIVER_GROUP_PAYLOAD_SIZE,
                                            row->msgbuf);
            if (rc != SYSFUN_OK && rc != SYSFUN_RESULT_NO_MESSAGE)
                CONSOLE_Printf(
                    "%s() line %d:Failed to receive IPC message.(msgq_key=%lu, rc=%lu)\r\n",
                    "DRIVER_GROUP_Mgr_Thread_Function_Entry", __LINE__,
                    static_cast<unsigned long>(row->msgq_key), static_cast<unsigned long>(rc));
            if (rc != SYSFUN_OK) {
                // Any failed receive counts as "queue empty", so a persistent error cannot
                // spin the thread; the queue raises the event again for messages behind a
                // refused one.
                pending &= ~DRIVER_GROUP_EVENT_MSG;
            } else {
                const uint16_t cmd = ipcmsg::cmd(row->msgbuf);
                if (DRIVER_GROUP_Dispatch(row->msgbuf)) {
                    if (cmd == kModSysMode1000 || cmd == kModSysMode1001)
                        pending &= ~DRIVER_GROUP_EVENT_MODE_CHANGE;
                    uint32_t src = SYSFUN_SendResponseMsg(q, row->msgbuf);
                    if (src != SYSFUN_OK) {
                        CONSOLE_Printf(
                            "%s() line %d: Failed to send response IPC message.(msgq_key=%lu, "
                            "rc=%lu)\r\n",
                            "DRIVER_GROUP_Mgr_Thread_Function_Entry", __LINE__,
                            static_cast<unsigned long>(row->msgq_key),
                            static_cast<unsigned long>(src));
                        CONSOLE_Printf("%s: SYSFUN_SendResponseMsg fail.\n",
                                       "DRIVER_GROUP_Mgr_Thread_Function_Entry");
                    }
                }
            }
        }
        if ((pending & DRIVER_GROUP_EVENT_MODE_CHANGE) && !(pending & DRIVER_GROUP_EVENT_MSG))
            pending &= ~DRIVER_GROUP_EVENT_MODE_CHANGE;
    }
}

void DRIVER_GROUP_Create_All_Threads() {
    LAN_CreateTask();
    DEV_NICDRV_CreateTask();
    ISC_AGENT_INIT_CreateTasks();
    uint32_t tid = 0;
    if (SYSFUN_SpawnThread(90, 2, "SWDRV_MONITOR", 20480, 0, SWDRV_MONITOR_TaskMain, nullptr,
                           &tid) == SYSFUN_OK) {
        SW_WATCHDOG_MGR_RegisterMonitorThread(SWDRV_MONITOR_WATCHDOG_ID, tid, 10);
        SWDRV_OM_SetThreadId(tid);
    }
    AMTRDRV_TASK_CreateTask();
    SYSDRV_TASK_CreateTask();
    NMTRDRV_TASK_CreateTask();
    FLASHDRV_INIT_Create_Tasks();
    for (const DRIVER_GROUP_ThreadRow_T& row : kThreadTable) {
        uint32_t thread_id = 0;
        uint32_t rc = SYSFUN_SpawnThread(row.priority, row.sched_policy, row.name, row.stack_size,
                                         row.task_option, DRIVER_GROUP_Mgr_Thread_Function_Entry,
                                         const_cast<DRIVER_GROUP_ThreadRow_T*>(&row), &thread_id);
        if (rc != SYSFUN_OK) {
            CONSOLE_Printf("%s:Spawn thread %s fail.\r\n", "DRIVER_GROUP_Create_All_Threads",
                           row.name);
            continue;
        }
        if (row.msgq_key == kWatchdogQueueKey)
            SW_WATCHDOG_MGR_RegisterMonitorThread(DRIVER_GROUP_WATCHDOG_ID, thread_id,
                                                  DRIVER_GROUP_WATCHDOG_TIMEOUT);
    }
}
