// The switch driver's object manager (SWDRV_OM) as far as the transceiver monitor uses it,
// and the upward notifications of transceiver events (SWDRV_SfpInserted, ...). Both belong to
// the switch-control driver layer outside the driver program: the model keeps what it is
// told, answers it back, and records every call in the "SWDRV" call record.
#pragma once

#include <cstdint>

// Cages per unit the monitor serves (cage indexes 1 and 2).
constexpr uint32_t SWDRV_OM_MAX_SFP = 2;
constexpr uint32_t SWDRV_OM_MAX_UNITS = 2;
// The information record (85 bytes; the layout is the monitor's, see swdrv_monitor.h).
constexpr uint32_t SWDRV_SFP_INFO_SIZE = 85;
// The raw diagnostics image of a cage.
constexpr uint32_t SWDRV_SFP_DDM_RAW_SIZE = 256;
// The present bitmap: port bytes begin at offset 2 (port p: bit 0x80 >> ((p-1) % 8) of byte
// 2 + (p-1) / 8).
constexpr uint32_t SWDRV_SFP_PRESENT_BITMAP_SIZE = 4;

// Debug flags of the transceiver monitor.
constexpr uint32_t SWDRV_DEBUG_FLAG_MONITOR = 1;
constexpr uint32_t SWDRV_DEBUG_FLAG_PRESENT = 2;
constexpr uint32_t SWDRV_DEBUG_FLAG_DDM = 4;

// The measured block of the diagnostics record (fields 20 to 31).
struct SWDRV_SfpDdmMeasured_T {
    float temperature;  // degrees C
    float voltage;      // V
    float bias[4];      // mA: SFP and XFP lane 0 only
    float tx_power;     // dBm (SFP, XFP)
    float rx_power[4];  // dBm: SFP and XFP lane 0 only
    uint8_t rx_los;     // first byte of field 31
    uint8_t reserved[3];
};

// The diagnostics record: 32 single-precision fields.
struct SWDRV_SfpDdmInfo_T {
    // Alarm and warning thresholds, each quantity as high alarm, low alarm, high warning,
    // low warning: temperature (0-3), voltage (4-7), bias (8-11), transmit power (12-15),
    // receive power (16-19).
    float threshold[20];
    SWDRV_SfpDdmMeasured_T measured;
};
static_assert(sizeof(SWDRV_SfpDdmInfo_T) == 128);
static_assert(sizeof(SWDRV_SfpDdmMeasured_T) == 48);

// ---- Object manager -------------------------------------------------------------------------
// Every Get/Set of a cage is FALSE for a unit or cage index the OM does not keep.
bool SWDRV_OM_GetSystemInfoStackId(uint32_t* stack_id);
bool SWDRV_OM_GetPortSfpPresent(uint32_t unit, uint32_t sfp_index, bool* present);
bool SWDRV_OM_SetPortSfpPresent(uint32_t unit, uint32_t sfp_index, bool present);
bool SWDRV_OM_GetPortSfpPresentStatusBitmaps(uint32_t unit, uint8_t* bitmap);
bool SWDRV_OM_SetPortSfpPresentStatusBitmaps(uint32_t unit, const uint8_t* bitmap);
bool SWDRV_OM_GetPortSfpInfoValid(uint32_t unit, uint32_t sfp_index, bool* valid);
bool SWDRV_OM_SetPortSfpInfoValid(uint32_t unit, uint32_t sfp_index, bool valid);
bool SWDRV_OM_GetPortSfpInfo(uint32_t unit, uint32_t sfp_index, uint8_t* info);
bool SWDRV_OM_SetPortSfpInfo(uint32_t unit, uint32_t sfp_index, const uint8_t* info);
bool SWDRV_OM_GetPortSfpDdmInfo(uint32_t unit, uint32_t sfp_index, SWDRV_SfpDdmInfo_T* ddm);
bool SWDRV_OM_SetPortSfpDdmInfo(uint32_t unit, uint32_t sfp_index, const SWDRV_SfpDdmInfo_T* ddm);
bool SWDRV_OM_GetPortSfpDdmInfoRaw(uint32_t unit, uint32_t sfp_index, uint8_t* raw);
bool SWDRV_OM_SetPortSfpDdmInfoRaw(uint32_t unit, uint32_t sfp_index, const uint8_t* raw);
// 1 master, 2 slave (the switch's operating mode).
uint32_t SWDRV_OM_GetOperatingMode();
// Ticks a module must be seen before it counts as present (DRIVER_PROC_SFP_PRESENT_DELAY,
// default 200).
uint32_t SWDRV_OM_GetSfpPresentDelay();
uint32_t SWDRV_OM_GetDebugFlag();
void SWDRV_OM_SetDebugFlag(uint32_t flags);
// Forgets every cage's state (tests).
void SWDRV_OM_ResetSfp();

// ---- Upward notifications ---------------------------------------------------------------
void SWDRV_SfpInserted(uint32_t unit, uint32_t sfp_index);
void SWDRV_SfpRemoved(uint32_t unit, uint32_t sfp_index);
void SWDRV_Notify_PortSfpInfo(uint32_t unit, uint32_t sfp_index, const uint8_t* info);
void SWDRV_Notify_PortSfpDdmInfo(uint32_t unit, uint32_t sfp_index, const SWDRV_SfpDdmInfo_T* ddm);
void SWDRV_Notify_PortSfpDdmInfoMeasured(uint32_t stack_id, uint32_t sfp_index,
                                         const SWDRV_SfpDdmMeasured_T* measured);

// ---- Reading the OM from another process (`drvctl transceiver`) ----------------------------
// Simulation-control command: request word 0 unit, word 1 cage index. Answer from payload
// offset 4: present (u8), info valid (u8), 2 zero bytes; the 85-byte information record and 3
// zero bytes; the 32 diagnostics fields as big-endian IEEE-754 words (field 31: the
// loss-of-signal byte first); the 256-byte raw image.
constexpr uint16_t SWDRV_OM_SIMCTL_SFP_READ = 87;
constexpr uint32_t SWDRV_OM_SFP_READ_SIZE = 4 + 88 + 128 + 256;
void SWDRV_OM_RegisterSimctl();
