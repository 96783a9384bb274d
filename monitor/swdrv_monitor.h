// The transceiver monitor: the thread "SWDRV_MONITOR" watches the unit's transceiver cages,
// debounces each module-present input, reads and parses a new module's EEPROM (SFP, XFP, QSFP
// and QSFP+) and refreshes its digital diagnostics. What it learns goes into the switch
// driver's object manager and up through the switch driver's notifications
// (platform/firmware/swdrv_om.h).
//
// Information record (85 bytes; EEPROM n is byte n of the identification area, which for XFP
// and QSFP is the upper page read from module byte 128):
//   1 identifier; 2 connector (EEPROM 2); 3-10 transceiver codes (EEPROM 3-10); 11 nominal
//   bit rate (EEPROM 12); 12 length km (EEPROM 14); 13 length 100 m (EEPROM 15); 14-29 vendor
//   name (EEPROM 20-35), 30 zero; 31-33 vendor OUI (EEPROM 37-39); 34-49 part number (EEPROM
//   40-55), 50 zero; revision: SFP 51-54 (EEPROM 56-59), 55 zero; XFP, QSFP 51-52 (EEPROM
//   56-57), 53 zero; 56-57 wavelength (SFP EEPROM 60-61 unless a copper cable; XFP, QSFP
//   EEPROM 58-59); 58-73 serial number (EEPROM 68-83), 74 zero; 75-82 date code (EEPROM
//   84-91); 83 flags (kSfpFlag*); 84 XFP auxiliary monitoring types (EEPROM 94).
#pragma once

#include <cstdint>

#include "platform/firmware/swdrv_om.h"

constexpr unsigned SWDRV_MONITOR_WATCHDOG_ID = 46;
// The event the monitor sends the switch driver's thread when a cage changes (operating
// mode 1).
constexpr uint32_t SWDRV_MONITOR_EVENT_SFP_CHANGE = 4;

constexpr uint8_t SWDRV_MONITOR_ID_SFP = 3;
constexpr uint8_t SWDRV_MONITOR_ID_XFP = 6;
constexpr uint8_t SWDRV_MONITOR_ID_QSFP = 12;
constexpr uint8_t SWDRV_MONITOR_ID_QSFP_PLUS = 13;

// Offsets of the information record.
constexpr uint32_t SWDRV_SFP_INFO_OFF_ID = 1;
constexpr uint32_t SWDRV_SFP_INFO_OFF_VENDOR = 14;
constexpr uint32_t SWDRV_SFP_INFO_OFF_PN = 34;
constexpr uint32_t SWDRV_SFP_INFO_OFF_REV = 51;
constexpr uint32_t SWDRV_SFP_INFO_OFF_WAVELENGTH = 56;
constexpr uint32_t SWDRV_SFP_INFO_OFF_SERIAL = 58;
constexpr uint32_t SWDRV_SFP_INFO_OFF_DATE = 75;
constexpr uint32_t SWDRV_SFP_INFO_OFF_FLAGS = 83;
constexpr uint32_t SWDRV_SFP_INFO_OFF_AUX = 84;
constexpr uint8_t SWDRV_SFP_FLAG_DDM = 0x40;
constexpr uint8_t SWDRV_SFP_FLAG_EXT_CAL = 0x80;

// The thread body: polls every cage about once a second (DRIVER_PROC_SFP_POLL_MS changes the
// period) and answers the watchdog.
void SWDRV_MONITOR_TaskMain(void* arg);

// Resets the monitor's state and takes the cages' present inputs from the board.
void SWDRV_MONITOR_Init();
// One round of the thread: the poll counter moves on and every port of the unit is polled.
void SWDRV_MONITOR_PollRound();

// The per-port poll of this unit's port.
void SWDRV_MONITOR_PortSfpPresent(uint32_t port, bool force);
// Reads and parses identification and diagnostics; TRUE when the identification was read.
bool SWDRV_MONITOR_PortSfpInfo(uint32_t unit, uint32_t sfp_index);
// The measured diagnostics of a valid module (the step of every sixth poll).
void SWDRV_MONITOR_PortSfpDdmInfo(uint32_t unit, uint32_t sfp_index);
// Receive loss of signal: 0 (not asserted); only the local unit (0) is answered.
uint32_t SWDRV_MONITOR_IsSfpRxLosAsserted(uint32_t unit, uint32_t sfp_index);

// Parsing, for the steps above and for tests. info is the 85-byte record, raw the 256-byte
// diagnostics image (SFP A2h; XFP module bytes 0-255; QSFP lower page then page 03).
bool SWDRV_MONITOR_SfpInfoParsing(uint32_t unit, uint32_t sfp_index, uint8_t* info);
bool SWDRV_MONITOR_SfpDdmInfoParsing(uint32_t unit, uint32_t sfp_index, const uint8_t* info);
void SWDRV_MONITOR_ConvertSfpDdmInfoRaw(uint32_t sfp_index, const uint8_t* info, const uint8_t* raw,
                                        SWDRV_SfpDdmInfo_T* ddm);
// The 16-bit reading of an XFP's auxiliary input whose type is 7 (0 when neither is).
uint16_t SWDRV_MONITOR_DdmGetXFPVoltage(const uint8_t* info, const uint8_t* raw);
// W to dBm: 10 log10(W) + 30 for 1e-7 < W < 0.0065535, else -40.0.
float SWDRV_MONITOR_PowerToDbm(double watts);
