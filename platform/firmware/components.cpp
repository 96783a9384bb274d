// The firmware components the driver process initialises and notifies: inter-stack
// channel, LAN, system driver, LED and flash drivers, the switch-control driver layer, the
// address-table and counters managers and system time.
#include <atomic>
#include <ctime>

#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/firmware/component_task.h"
#include "platform/firmware/firmware.h"
#include "platform/lmm/l_mm.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

bool record(const char* component, const char* name) {
    calllog::recordf(component, "%s()", name);
    return faults::answer(name, 1) != 0;
}

std::atomic<uint32_t> g_swdrv_thread_id{0};
std::atomic<SYS_TIME_TwsiRead_T> g_twsi_read{nullptr};
std::atomic<SYS_TIME_TwsiWrite_T> g_twsi_write{nullptr};

// Priority of the components' own tasks.
constexpr uint32_t kComponentTaskPriority = 100;

}  // namespace

bool ISC_AGENT_INIT_Initiate_System_Resources() {
    return record("ISC", "ISC_AGENT_INIT_Initiate_System_Resources");
}
bool ISC_Init() {
    return record("ISC", "ISC_Init");
}
bool ISC_AGENT_INIT_Create_InterCSC_Relation() {
    return record("ISC", "ISC_AGENT_INIT_Create_InterCSC_Relation");
}
bool ISC_INIT_Create_InterCSC_Relation() {
    return record("ISC", "ISC_INIT_Create_InterCSC_Relation");
}
bool ISC_AGENT_INIT_CreateTasks() {
    record("ISC", "ISC_AGENT_INIT_CreateTasks");
    return firmware::start_component_task("ISC", "ISC_AGENT", kComponentTaskPriority, 0, nullptr);
}

bool ISC_SendMcastReliable(uint32_t unit_bitmap, uint32_t service_id, L_MM_Mref_T* mref,
                           uint32_t priority, uint32_t retries, uint32_t timeout, uint32_t flags) {
    uint32_t pdu_len = 0;
    if (mref) _L_MM_Mref_GetPdu(mref, &pdu_len);
    calllog::recordf("ISC",
                     "ISC_SendMcastReliable(units=0x%x, service=%u, len=%u, prio=%u, retries=%u, "
                     "timeout=%u, flags=%u)",
                     unit_bitmap, service_id, pdu_len, priority, retries, timeout, flags);
    if (mref) L_MM_Mref_Release(&mref);
    uint32_t me = 0;
    STKTPLG_OM_GetMyUnitID(&me);
    const uint32_t others = unit_bitmap & ~(me ? 1u << (me - 1) : 0u);
    return others == 0 && faults::answer("ISC_SendMcastReliable", 1) != 0;
}

bool LAN_Create_InterCSC_Relation() {
    return record("LAN", "LAN_Create_InterCSC_Relation");
}
bool LAN_CreateTask() {
    record("LAN", "LAN_CreateTask");
    return firmware::start_component_task("LAN", "LAN", kComponentTaskPriority, 0, nullptr);
}
void LAN_DispatchPacket(uint32_t mref_offset, uint32_t dst_unit, uint32_t dst_port, uint32_t vid,
                        uint16_t packet_type, uint32_t priority) {
    calllog::recordf(
        "LAN", "LAN_DispatchPacket(mref=0x%x, unit=%u, port=%u, vid=%u, type=0x%04x, prio=%u)",
        mref_offset, dst_unit, dst_port, vid, packet_type, priority);
}

bool SYS_CALLBACK_MGR_HandleIPCMsgAndCallback(void* msgbuf, SYS_CALLBACK_Func_T callback) {
    if (!msgbuf || !callback) return false;
    uint32_t size = ipcmsg::msg_size(msgbuf);
    calllog::recordf("SYS_CALLBACK", "SYS_CALLBACK_MGR_HandleIPCMsgAndCallback(id=%u, size=%u)",
                     ipcmsg::word(msgbuf, 0), size);
    if (size < 28) return false;  // the callback id and six argument words
    callback(ipcmsg::word(msgbuf, 1), ipcmsg::word(msgbuf, 2), ipcmsg::word(msgbuf, 3),
             ipcmsg::word(msgbuf, 4), ipcmsg::word(msgbuf, 5), ipcmsg::word(msgbuf, 6));
    return true;
}

bool SYSDRV_INIT_Create_I2CInterCSC_Relation() {
    return record("SYSDRV", "SYSDRV_INIT_Create_I2CInterCSC_Relation");
}
bool SYSDRV_INIT_Create_InterCSC_Relation() {
    return record("SYSDRV", "SYSDRV_INIT_Create_InterCSC_Relation");
}
void SYSDRV_DetectPeripheralInstall() {
    record("SYSDRV", "SYSDRV_DetectPeripheralInstall");
}
void SYSDRV_WarmStartSystemForTimeout() {
    record("SYSDRV", "SYSDRV_WarmStartSystemForTimeout");
}
void SYSDRV_ColdStartSystemForTimeout() {
    record("SYSDRV", "SYSDRV_ColdStartSystemForTimeout");
}

bool LEDDRV_Create_InterCSC_Relation() {
    return record("LEDDRV", "LEDDRV_Create_InterCSC_Relation");
}
void LEDDRV_PortShutDown() {
    record("LEDDRV", "LEDDRV_PortShutDown");
}

bool FLASHDRV_INIT_Create_InterCSC_Relation() {
    return record("FLASHDRV", "FLASHDRV_INIT_Create_InterCSC_Relation");
}
bool FLASHDRV_INIT_Create_Tasks() {
    record("FLASHDRV", "FLASHDRV_INIT_Create_Tasks");
    return firmware::start_component_task("FLASHDRV", "FLASHDRV", kComponentTaskPriority, 0,
                                          nullptr);
}

bool SWDRV_INIT_Create_InterCSC_Relation() {
    return record("SWDRV", "SWDRV_INIT_Create_InterCSC_Relation");
}
void SWDRV_OM_SetThreadId(uint32_t thread_id) {
    calllog::recordf("SWDRV", "SWDRV_OM_SetThreadId(%u)", thread_id);
    g_swdrv_thread_id.store(thread_id);
}
uint32_t SWDRV_OM_GetThreadId() {
    return g_swdrv_thread_id.load();
}
void SWDRV_ShutdownSwitch() {
    record("SWDRV", "SWDRV_ShutdownSwitch");
}

bool AMTRDRV_MGR_Create_InterCSC_Relation() {
    return record("AMTRDRV", "AMTRDRV_MGR_Create_InterCSC_Relation");
}
void AMTRDRV_MGR_AnnounceNA_N_SecurityCheck(uint16_t* result, const uint8_t* mac, uint32_t vid,
                                            uint32_t reason, uint32_t port, uint32_t unit) {
    calllog::recordf("AMTRDRV",
                     "AMTRDRV_MGR_AnnounceNA_N_SecurityCheck(mac=%02x-%02x-%02x-%02x-%02x-%02x, "
                     "vid=%u, reason=%u, port=%u, unit=%u, result=%u,%u,%u)",
                     mac[0], mac[1], mac[2], mac[3], mac[4], mac[5], vid, reason, port, unit,
                     result[0], result[1], result[2]);
}
bool AMTRDRV_TASK_CreateTask() {
    record("AMTRDRV", "AMTRDRV_TASK_CreateTask");
    return firmware::start_component_task("AMTRDRV", "AMTRDRV", kComponentTaskPriority, 0, nullptr);
}
bool NMTRDRV_Create_InterCSC_Relation() {
    return record("NMTRDRV", "NMTRDRV_Create_InterCSC_Relation");
}
bool NMTRDRV_TASK_CreateTask() {
    record("NMTRDRV", "NMTRDRV_TASK_CreateTask");
    return firmware::start_component_task("NMTRDRV", "NMTRDRV", kComponentTaskPriority, 0, nullptr);
}

bool SYS_TIME_Init_InitiateProcessResources(SYS_TIME_TwsiRead_T read, SYS_TIME_TwsiWrite_T write) {
    calllog::recordf("SYS_TIME", "SYS_TIME_Init_InitiateProcessResources(read=%s, write=%s)",
                     read ? "set" : "null", write ? "set" : "null");
    g_twsi_read.store(read);
    g_twsi_write.store(write);
    return true;
}
bool SYS_TIME_INIT_Create_InterCSC_Relation() {
    return record("SYS_TIME", "SYS_TIME_INIT_Create_InterCSC_Relation");
}
void SYS_TIME_DisableWatchDogTimer() {
    record("SYS_TIME", "SYS_TIME_DisableWatchDogTimer");
}
uint32_t SYS_TIME_GetRealTimeBySec() {
    return static_cast<uint32_t>(std::time(nullptr));
}
uint32_t SYS_TIME_GetSystemUpTimeByTick() {
    return SYSFUN_GetSysTick();
}
