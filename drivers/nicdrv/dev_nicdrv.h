// DEV_NICDRV, the CPU packet driver: packets between the chip and the firmware's packet
// layers, and its request handler (module 37).
#pragma once

#include <cstdint>

bool DEV_NICDRV_Init();
// Starts the receive task "NIC".
bool DEV_NICDRV_CreateTask();
bool DEV_NICDRV_HandleIPCReqMsg(void* msgbuf);
// The driver's debug menu, "dev_nicdrv".
void DEV_NICDRV_BACKDOOR_Main();

// The longest handling time of each module's requests, in ticks, kept by the driver group
// (module ids 0..173).
constexpr uint32_t DEV_NICDRV_MAX_MODULE_ID = 173;
void DEV_NICDRV_OM_UpdateModuleHandlingTime(uint32_t module_id, uint32_t ticks);
uint32_t DEV_NICDRV_OM_GetModuleHandlingTime(uint32_t module_id);
