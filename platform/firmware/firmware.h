// The firmware components that live outside the driver program and that the driver process
// initialises, notifies or hands packets to. Each is modelled as a small component that
// records every call it receives (platform/components/calllog.h, readable with
// `drvctl log COMPONENT`) and answers from the board description where the caller needs an
// answer. faults::answer() lets tests change the answers.
#pragma once

#include <cstdint>

// ---- Common library and client stubs of the other processes --------------------------
bool L_CMNLIB_INIT_InitiateProcessResources();
bool L_CMNLIB_INIT_Create_InterCSC_Relation();
bool DEV_SWDRV_PMGR_InitiateProcessResource();
bool DEV_AMTRDRV_PMGR_InitiateProcessResource();
bool DEV_NMTRDRV_PMGR_InitiateProcessResource();
bool DEV_NICDRV_PMGR_InitiateProcessResource();
bool DEV_SWDRVL3_PMGR_InitiateProcessResource();
bool DEVRM_PMGR_InitiateProcessResource();
bool XSTP_POM_InitiateProcessResource();
bool SWCTRL_POM_Init();
bool AMTR_PMGR_InitiateProcessResource();
// Non-zero on success (callers test only for 0).
int32_t AMTR_POM_InitiateProcessResource();
bool SYS_PMGR_InitiateProcessResource();
void MIB2_PMGR_Init();
bool DHCPSNP_PMGR_InitiateProcessResource();
bool SYSLOG_PMGR_InitiateProcessResource();

// ---- Inter-stack channel ------------------------------------------------------------
bool ISC_AGENT_INIT_Initiate_System_Resources();
bool ISC_Init();
bool ISC_AGENT_INIT_Create_InterCSC_Relation();
bool ISC_INIT_Create_InterCSC_Relation();
bool ISC_AGENT_INIT_CreateTasks();
struct L_MM_Mref_T;
// Sends one mref to every unit in the bitmap (bit u-1 for unit u) and takes ownership of it.
// This unit has no stacking peers on the boards we model: the call is recorded, the mref
// released, and the answer is TRUE when every unit named is this one or none is named.
bool ISC_SendMcastReliable(uint32_t unit_bitmap, uint32_t service_id, L_MM_Mref_T* mref,
                           uint32_t priority, uint32_t retries, uint32_t timeout, uint32_t flags);

// ---- LAN and system callbacks ---------------------------------------------------------
bool LAN_Create_InterCSC_Relation();
bool LAN_CreateTask();
// Sends a packet of another process out (from a system callback message).
void LAN_DispatchPacket(uint32_t mref_offset, uint32_t dst_unit, uint32_t dst_port, uint32_t vid,
                        uint16_t packet_type, uint32_t priority);
// The callback of a system-callback message: the six argument words of the message.
using SYS_CALLBACK_Func_T = void (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
// Decodes a system-callback message (payload word 0 the callback id, words 1..6 its
// arguments) and calls the callback with the arguments. False for a message too short.
bool SYS_CALLBACK_MGR_HandleIPCMsgAndCallback(void* msgbuf, SYS_CALLBACK_Func_T callback);

// ---- System driver, LED and flash drivers, switch-control driver layer ---------------
bool SYSDRV_INIT_Create_I2CInterCSC_Relation();
bool SYSDRV_INIT_Create_InterCSC_Relation();
void SYSDRV_DetectPeripheralInstall();
void SYSDRV_WarmStartSystemForTimeout();
void SYSDRV_ColdStartSystemForTimeout();
bool LEDDRV_Create_InterCSC_Relation();
void LEDDRV_PortShutDown();
bool FLASHDRV_INIT_Create_InterCSC_Relation();
bool FLASHDRV_INIT_Create_Tasks();
bool SWDRV_INIT_Create_InterCSC_Relation();
void SWDRV_OM_SetThreadId(uint32_t thread_id);
uint32_t SWDRV_OM_GetThreadId();
void SWDRV_ShutdownSwitch();

// ---- Address-table and counters managers -------------------------------------------
bool AMTRDRV_MGR_Create_InterCSC_Relation();
bool AMTRDRV_TASK_CreateTask();
// The address-management layer's announcement of a new source address (the first handler the
// address table driver registers): records the address, VLAN, port and unit it is told.
void AMTRDRV_MGR_AnnounceNA_N_SecurityCheck(uint16_t* result, const uint8_t* mac, uint32_t vid,
                                            uint32_t reason, uint32_t port, uint32_t unit);
bool NMTRDRV_Create_InterCSC_Relation();
bool NMTRDRV_TASK_CreateTask();

// ---- System time ------------------------------------------------------------------------
using SYS_TIME_TwsiRead_T = bool (*)(uint8_t, uint8_t, uint8_t, uint32_t, uint8_t, uint32_t,
                                     uint8_t*);
using SYS_TIME_TwsiWrite_T = bool (*)(uint8_t, uint8_t, uint8_t, uint32_t, uint8_t, const uint8_t*,
                                      uint32_t);
bool SYS_TIME_Init_InitiateProcessResources(SYS_TIME_TwsiRead_T read, SYS_TIME_TwsiWrite_T write);
bool SYS_TIME_INIT_Create_InterCSC_Relation();
void SYS_TIME_DisableWatchDogTimer();
// Seconds since the epoch.
uint32_t SYS_TIME_GetRealTimeBySec();
uint32_t SYS_TIME_GetSystemUpTimeByTick();
