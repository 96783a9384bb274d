#include "frame/driver_proc.h"

#include <unistd.h>

#include "drivers/amtrdrv/dev_amtrdrv.h"
#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/nmtrdrv/dev_nmtrdrv.h"
#include "drivers/rm/devrm.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrvl4/dev_swdrvl4.h"
#include "frame/driver_group.h"
#include "msl/msl_task.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/components/calllog.h"
#include "platform/console/console.h"
#include "platform/firmware/firmware.h"
#include "platform/instance/lifecycle.h"
#include "platform/lmm/l_mm.h"
#include "platform/simctl/simctl.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "platform/uc_mgr/uc_mgr.h"
#include "timerange/clock/time_range_clock.h"

uint32_t DRIVER_PROC_InitSyncSemId = 0;

namespace {

constexpr uint32_t kDriverGroupQueueKey = 24;
// Keyed semaphores of the system: CPU packet path (17), two-wire bus (67), restart task (68).
constexpr uint32_t kSystemSemKeys[] = {17, 67, 68};

// The order of initialisation, as it happened, for tests and for `drvctl log DRIVER_PROC`.
void step(const char* what) {
    calllog::record("DRIVER_PROC", what);
}

[[noreturn]] void halt() {
    for (;;)
        ::pause();
}

// The initialisation steps before the semaphore is given. False: start-up failed.
bool driver_proc_init() {
    step("UC_MGR_InitiateProcessResources");
    if (!UC_MGR_InitiateProcessResources()) {
        CONSOLE_Printf("%s: UC_MGR_InitiateProcessResources fail\n", "DRIVER_PROC_Init");
        return false;
    }
    step("STKTPLG_BOARD_InitiateProcessResources");
    STKTPLG_BOARD_InitiateProcessResources();
    step("DEV_SWDRV_ChipInit");
    DEV_SWDRV_ChipInit();
    step("DEV_SWDRV_DisableAllPortAdmin");
    DEV_SWDRV_DisableAllPortAdmin();
    step("L_CMNLIB_INIT_InitiateProcessResources");
    L_CMNLIB_INIT_InitiateProcessResources();
    step("SYSRSC_MGR_AttachSystemResources");
    if (!SYSRSC_MGR_AttachSystemResources()) {
        CONSOLE_Printf("\n%s: SYSRSC_MGR_AttachSystemResource fail\n", "DRIVER_PROC_Init");
        return false;
    }
    step("DRIVER_PROC_COMM_InitiateProcessResource");
    if (!DRIVER_PROC_COMM_InitiateProcessResource()) return false;

    step("DEV_SWDRV_Init");
    DEV_SWDRV_Init();
    step("DEV_NICDRV_Init");
    DEV_NICDRV_Init();
    step("ISC_AGENT_INIT_Initiate_System_Resources");
    ISC_AGENT_INIT_Initiate_System_Resources();
    step("ISC_Init");
    ISC_Init();
    step("DEV_SWDRVL4_Init");
    DEV_SWDRVL4_Init();
    step("DEVRM_EngineInitial");
    DEVRM_EngineInitial();
    step("DEVRM_PceHWTableInitial");
    DEVRM_PceHWTableInitial();
    step("DEV_AMTRDRV_Init");
    DEV_AMTRDRV_Init();
    step("SYS_TIME_Init_InitiateProcessResources");
    SYS_TIME_Init_InitiateProcessResources(DEV_SWDRV_TwsiDataRead, DEV_SWDRV_TwsiDataWrite);

    step("STKTPLG_PMGR_InitiateProcessResources");
    STKTPLG_PMGR_InitiateProcessResources();
    step("msl_task_global_init");
    msl_task_global_init();
    step("SYS_PMGR_InitiateProcessResource");
    if (!SYS_PMGR_InitiateProcessResource()) {
        CONSOLE_Puts(" SYS_PMGR_InitiateProcessResource fail");
        return false;
    }
    step("MIB2_PMGR_Init");
    MIB2_PMGR_Init();
    step("DHCPSNP_PMGR_InitiateProcessResource");
    if (!DHCPSNP_PMGR_InitiateProcessResource()) return false;
    step("L_CMNLIB_INIT_Create_InterCSC_Relation");
    L_CMNLIB_INIT_Create_InterCSC_Relation();

    step("relation: dev_swdrv");
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_swdrv", kDriverGroupQueueKey,
                                                      DEV_SWDRV_BACKDOOR_Main);
    step("LAN_Create_InterCSC_Relation");
    LAN_Create_InterCSC_Relation();
    step("relation: dev_nicdrv");
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_nicdrv", kDriverGroupQueueKey,
                                                      DEV_NICDRV_BACKDOOR_Main);
    step("ISC_AGENT_INIT_Create_InterCSC_Relation");
    ISC_AGENT_INIT_Create_InterCSC_Relation();
    step("ISC_INIT_Create_InterCSC_Relation");
    ISC_INIT_Create_InterCSC_Relation();
    step("SYSDRV_INIT_Create_I2CInterCSC_Relation");
    SYSDRV_INIT_Create_I2CInterCSC_Relation();
    step("relation: dev_amtrdrv");
    DEV_AMTRDRV_Create_InterCSC_Relation();
    step("AMTRDRV_MGR_Create_InterCSC_Relation");
    AMTRDRV_MGR_Create_InterCSC_Relation();
    step("SWDRV_INIT_Create_InterCSC_Relation");
    SWDRV_INIT_Create_InterCSC_Relation();
    step("SYSDRV_INIT_Create_InterCSC_Relation");
    SYSDRV_INIT_Create_InterCSC_Relation();
    step("relation: dev_swdrvl4");
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_swdrvl4", kDriverGroupQueueKey,
                                                      DEV_SWDRVL4_BACKDOOR_Main);
    step("relation: dev_nmtrdrv");
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_nmtrdrv", kDriverGroupQueueKey,
                                                      DEV_NMTRDRV_BACKDOOR_Main);
    step("NMTRDRV_Create_InterCSC_Relation");
    NMTRDRV_Create_InterCSC_Relation();
    step("LEDDRV_Create_InterCSC_Relation");
    LEDDRV_Create_InterCSC_Relation();
    step("FLASHDRV_INIT_Create_InterCSC_Relation");
    FLASHDRV_INIT_Create_InterCSC_Relation();
    step("SYS_TIME_INIT_Create_InterCSC_Relation");
    SYS_TIME_INIT_Create_InterCSC_Relation();
    step("relation: msl");
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("msl", MSL_QUEUE_KEY, msl_backdoor_main);
    step("MIB2_PMGR_Init");
    MIB2_PMGR_Init();
    return true;
}

}  // namespace

bool DRIVER_PROC_CreateSystemResources() {
    for (uint32_t key : kSystemSemKeys) {
        uint32_t id;
        if (SYSFUN_CreateSem(key, 1, 0, &id) != SYSFUN_OK) {
            CONSOLE_Printf("driver_proc: cannot create the system semaphore %u\r\n", key);
            return false;
        }
    }
    return true;
}

bool DRIVER_PROC_COMM_InitiateProcessResource() {
    if (!UC_MGR_InitiateProcessResources()) {
        CONSOLE_Printf("\r\n%s: UC_MGR_InitiateProcessResources fails",
                       "DRIVER_PROC_COMM_InitiateProcessResource");
        return false;
    }
    DEV_SWDRV_PMGR_InitiateProcessResource();
    DEV_AMTRDRV_PMGR_InitiateProcessResource();
    DEV_NMTRDRV_PMGR_InitiateProcessResource();
    DEV_NICDRV_PMGR_InitiateProcessResource();
    DEV_SWDRVL3_PMGR_InitiateProcessResource();
    DEVRM_PMGR_InitiateProcessResource();
    STKTPLG_POM_InitiateProcessResources();
    XSTP_POM_InitiateProcessResource();
    SWCTRL_POM_Init();
    if (!AMTR_PMGR_InitiateProcessResource()) return false;
    return AMTR_POM_InitiateProcessResource() != 0;
}

void DRIVER_PROC_Daemonize_Entry(void*) {
    // The clock owner of the time ranges is a platform component with a process of its own;
    // it is started first, while this process has no other thread, so that semaphore 89 and
    // segment 45 exist before any client can look for them.
    TIME_RANGE_CLOCK_StartProcess();
    lifecycle::become_daemon();
    if (!driver_proc_init()) {
        CONSOLE_Puts("\nDriver_PROC_Process_Init fail.");
        return;
    }
    step("SYSFUN_GiveSem");
    uint32_t rc = SYSFUN_GiveSem(DRIVER_PROC_InitSyncSemId);
    if (rc != SYSFUN_OK)
        CONSOLE_Printf(
            "\r\n%s:Failed to give init sync semaphore. driver_proc halts!(rc=%lu, semid=%lu)",
            "DRIVER_PROC_Daemonize_Entry", static_cast<unsigned long>(rc),
            static_cast<unsigned long>(DRIVER_PROC_InitSyncSemId));
    step("DRIVER_GROUP_Create_All_Threads");
    DRIVER_GROUP_Create_All_Threads();
    step("msl_task_create");
    msl_task_create();
    // The virtual switch's own threads come after the driver process's: the one that ends
    // the process on a stop signal, and the simulated hardware's control channel.
    lifecycle::start_signal_thread();
    simctl::start_server();
    DRIVER_PROC_Main_Thread_Function_Entry();
}

void DRIVER_PROC_Main_Thread_Function_Entry() {
    static const char* const kFn = "DRIVER_PROC_Main_Thread_Function_Entry";
    if (SYSFUN_SetTaskPriority(0, SYSFUN_TaskIdSelf(), 135) != SYSFUN_OK) {
        CONSOLE_Printf("\n%s: SYSFUN_SetTaskPriority fail.\n", kFn);
        return;
    }
    SYSFUN_MsgQ_T q;
    if (SYSFUN_CreateMsgQ(DRIVER_PROC_MAIN_QUEUE_KEY, SYSFUN_MSGQ_BIDIRECTIONAL, &q) != SYSFUN_OK) {
        CONSOLE_Printf("\n%s: SYSFUN_CreateMsgQ fail.\n", kFn);
        return;
    }
    step("serving");
    static uint8_t buf[sys_adpt::kMsgHeaderSize + DRIVER_PROC_MAIN_PAYLOAD_SIZE];
    for (;;) {
        uint32_t rc = __SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_WAIT_FOREVER,
                                          DRIVER_PROC_MAIN_PAYLOAD_SIZE, buf, kFn, __LINE__);
        if (rc != SYSFUN_OK && rc != SYSFUN_RESULT_NO_MESSAGE)
            CONSOLE_Printf("%s() line %d:Failed to receive IPC message.(msgq_key=%lu, rc=%lu)\r\n",
                           kFn, __LINE__, static_cast<unsigned long>(DRIVER_PROC_MAIN_QUEUE_KEY),
                           static_cast<unsigned long>(rc));
        if (rc != SYSFUN_OK) continue;
        if (ipcmsg::cmd(buf) != DRIVER_PROC_CMD_MEMORY_MENU) {
            CONSOLE_Printf("\n%s: Invalid IPC req cmd.\n", kFn);
            continue;
        }
        if (!L_MM_BACKDOOR_BackDoorMenu4Process(buf)) continue;
        rc = __SYSFUN_SendResponseMsg(q, buf, kFn, __LINE__);
        if (rc != SYSFUN_OK) {
            CONSOLE_Printf(
                "%s() line %d: Failed to send response IPC message.(msgq_key=%lu, rc=%lu)\r\n", kFn,
                __LINE__, static_cast<unsigned long>(DRIVER_PROC_MAIN_QUEUE_KEY),
                static_cast<unsigned long>(rc));
            CONSOLE_Printf("\n%s: SYSFUN_SendResponseMsg fail.\n", kFn);
        }
    }
}

int DRIVER_PROC_Main() {
    if (!lifecycle::prepare_start() || !DRIVER_PROC_CreateSystemResources()) return -1;
    uint32_t rc = SYSFUN_CreateSem(0, 0, 0, &DRIVER_PROC_InitSyncSemId);
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf(
            "\r\n%s:Failed to create init sync semaphore. driver_proc halts!(rc=%lu, semid=%lu)",
            "main", static_cast<unsigned long>(rc),
            static_cast<unsigned long>(DRIVER_PROC_InitSyncSemId));
        halt();
    }
    uint32_t pid = 0;
    if (SYSFUN_SpawnProcess(135, 0, "DRIVER_PROC", DRIVER_PROC_Daemonize_Entry, nullptr, &pid) !=
        SYSFUN_OK) {
        CONSOLE_Puts("\nSYSFUN_SpawnProcess(Driver process) error.");
        return -1;
    }
    rc = SYSFUN_TakeSem(DRIVER_PROC_InitSyncSemId, SYSFUN_TIMEOUT_WAIT_FOREVER);
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf(
            "\r\n%s:Failed to take init sync semaphore. driver_proc halts!(rc=%lu, semid=%lu)",
            "main", static_cast<unsigned long>(rc),
            static_cast<unsigned long>(DRIVER_PROC_InitSyncSemId));
        halt();
    }
    SYSFUN_DestroySem(DRIVER_PROC_InitSyncSemId);
    return 0;
}
