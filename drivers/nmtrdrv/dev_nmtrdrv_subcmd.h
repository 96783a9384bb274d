// The request codes of module 125 (the counters driver) and their layouts. Header-only:
// drvctl and the tests include it without linking the driver.
//
// Rules that hold for every row: the code is the 32-bit word at payload offset 0; unit and
// port are 32-bit words at offsets 8 and 12 (a word at 16 is not used); the answer carries the
// result in payload byte 0 and the record from offset 8, over the unit and port, with
// msg_size 4 + the row's reply size; the rest of the reply is returned as received (bytes the
// request did not carry read as zero). Codes without a row are answered TRUE with msg_size 8.
#pragma once

#include <cstdint>
#include <iterator>

#include "drivers/request_layout/request_layout.h"

namespace nmtrdrv::subcmd {

inline constexpr uint16_t kModule = 125;

inline constexpr uint32_t kClearPortCounter = 0;
inline constexpr uint32_t kClearAllCounters = 2;
inline constexpr uint32_t kGetIfStats = 3;
inline constexpr uint32_t kGetIfXStats = 4;
inline constexpr uint32_t kGetRmonStats = 5;
inline constexpr uint32_t kGetEtherLikeStats = 6;
inline constexpr uint32_t kGetPauseStats = 7;
inline constexpr uint32_t kGetSupportedCounters = 8;
inline constexpr uint32_t kGetIfXStatsAlso = 13;

// The payload offset of the records, and the msg_size of an answer without one.
inline constexpr uint32_t kRecordOffset = 8;
inline constexpr uint16_t kShortReply = 8;

using reqlayout::bytes;
using reqlayout::Row;
using reqlayout::word;

inline constexpr reqlayout::Fields kUnitPort{word(8, "unit"), word(12, "port")};

inline constexpr Row kRows[] = {
    Row(kClearPortCounter, "DEV_NMTRDRV_ClearPortCounter", kUnitPort, 4, {}),
    Row(kClearAllCounters, "DEV_NMTRDRV_ClearAllCounters", {}, 4, {}, "every port of this unit"),
    Row(kGetIfStats, "DEV_NMTRDRV_GetIfStats", kUnitPort, 1540,
        {bytes(8, 96, "interface counters: 12 x u64")}),
    Row(kGetIfXStats, "DEV_NMTRDRV_GetIfXStats", kUnitPort, 1668,
        {bytes(40, 64, "high-capacity counters from record offset 32: 8 x u64")},
        "record bytes 0-31 as received"),
    Row(kGetRmonStats, "DEV_NMTRDRV_GetRmonStats", kUnitPort, 2180,
        {bytes(8, 136, "RMON Ethernet statistics: 17 x u64")}),
    Row(kGetEtherLikeStats, "DEV_NMTRDRV_GetEtherLikeStats", kUnitPort, 1924,
        {bytes(8, 120, "Ethernet-like statistics: 15 x u64")}),
    Row(kGetPauseStats, "DEV_NMTRDRV_GetPauseStats", kUnitPort, 388,
        {bytes(16, 16, "in pause frames, out pause frames: u64 each")},
        "record bytes 0-7 as received"),
    Row(kGetSupportedCounters, "DEV_NMTRDRV_GetSupportedCounters", {}, 14,
        {bytes(8, 10, "supported-counter bitmap")}),
    Row(kGetIfXStatsAlso, "DEV_NMTRDRV_GetIfXStats", kUnitPort, 1668,
        {bytes(40, 64, "high-capacity counters from record offset 32: 8 x u64")},
        "the same as code 4"),
};
static_assert(reqlayout::well_formed(kRows));

}  // namespace nmtrdrv::subcmd
