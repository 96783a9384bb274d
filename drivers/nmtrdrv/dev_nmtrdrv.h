// DEV_NMTRDRV, the counters driver: one port's statistics in the shapes of the standard
// management tables (interfaces, high-capacity interfaces, RMON Ethernet statistics,
// Ethernet-like statistics, pause counters), read on demand from the chip's per-port MAC
// counters, and the clearing of one port's or every port's counters. Its request handler
// serves module 125 (numbers and layouts in dev_nmtrdrv_subcmd.h).
//
// Every value is read with sdkMacCounterGet and passes the value rule: a failed read gives 0,
// all ones is reported as all ones minus one. Record fields are 64-bit, high word first, at
// the byte offsets of the record (see the layouts); a read that fails to convert (unit, port)
// answers FALSE and leaves the record untouched.
#pragma once

#include <cstdint>

// Record sizes: the bytes each read writes from the start of its record.
constexpr uint32_t DEV_NMTRDRV_IF_STATS_SIZE = 96;
constexpr uint32_t DEV_NMTRDRV_IFX_STATS_SIZE = 96;  // fields from offset 32 on
constexpr uint32_t DEV_NMTRDRV_RMON_STATS_SIZE = 136;
constexpr uint32_t DEV_NMTRDRV_ETHERLIKE_STATS_SIZE = 120;
constexpr uint32_t DEV_NMTRDRV_PAUSE_STATS_SIZE = 24;  // fields from offset 8 on
constexpr uint32_t DEV_NMTRDRV_SUPPORTED_SIZE = 10;
constexpr uint32_t DEV_NMTRDRV_PORTS_PER_UNIT = 16;

// The driver's control block: how clearing waits for the chip's counter capture.
struct DEV_NMTRDRV_CB_T {
    uint32_t capture_poll_ticks = 5;    // sleep between polls of the capture
    uint32_t capture_poll_limit = 200;  // polls before clearing gives up (about 10 s)
};
DEV_NMTRDRV_CB_T& DEV_NMTRDRV_CB();

bool DEV_NMTRDRV_ClearPortCounter(uint32_t unit, uint32_t port);
// Clears every logical port 1 to 16 of this unit that converts; FALSE when any failed.
bool DEV_NMTRDRV_ClearAllCounters();

bool DEV_NMTRDRV_GetIfStats(uint32_t unit, uint32_t port, uint8_t* record);
bool DEV_NMTRDRV_GetIfXStats(uint32_t unit, uint32_t port, uint8_t* record);
bool DEV_NMTRDRV_GetRmonStats(uint32_t unit, uint32_t port, uint8_t* record);
bool DEV_NMTRDRV_GetEtherLikeStats(uint32_t unit, uint32_t port, uint8_t* record);
bool DEV_NMTRDRV_GetPauseStats(uint32_t unit, uint32_t port, uint8_t* record);
// The supported-counter bitmap (DEV_NMTRDRV_SUPPORTED_SIZE bytes).
void DEV_NMTRDRV_GetSupportedCounters(uint8_t* bitmap);

// Request handler of module 125: TRUE when a response is to be sent.
bool DEV_NMTRDRV_HandleIPCReqMsg(void* msgbuf);
// The driver's debug menu, "dev_nmtrdrv".
void DEV_NMTRDRV_BACKDOOR_Main();
