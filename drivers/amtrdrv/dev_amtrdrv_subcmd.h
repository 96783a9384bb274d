// The request codes of module 120 (the address table driver) and their layouts. Header-only:
// drvctl, the benchmarks and the tests include it without linking the driver.
//
// The code is the 32-bit word at payload offset 0; the answer carries the result over
// offset 0 (a byte TRUE/FALSE, or a 32-bit status word where the row says so) and msg_size
// 4 + the row's reply size. Codes without a row are answered FALSE with msg_size 4; a request
// shorter than its row's arguments is answered FALSE with msg_size 4.
#pragma once

#include <cstdint>

#include "drivers/request_layout/request_layout.h"

namespace amtrdrv::subcmd {

inline constexpr uint16_t kModule = 120;

inline constexpr uint32_t kSetAgeingTime = 0;
inline constexpr uint32_t kResetScan = 1;
inline constexpr uint32_t kGetNextEntry = 2;
inline constexpr uint32_t kGetEntries = 3;
inline constexpr uint32_t kSetEntry = 6;
inline constexpr uint32_t kDeleteAddr = 7;
inline constexpr uint32_t kDeleteAllDynamic = 8;
inline constexpr uint32_t kDeleteAll = 9;
inline constexpr uint32_t kSetInterventionEntry = 10;
inline constexpr uint32_t kDeleteAddr2 = 11;
inline constexpr uint32_t kAddVlanMac = 12;
inline constexpr uint32_t kDeleteAddr3 = 13;
inline constexpr uint32_t kLookUp = 19;
inline constexpr uint32_t kNullMacCount = 20;
inline constexpr uint32_t kSetEntryWithAttribute = 21;
inline constexpr uint32_t kDeleteByPortOrTrunk = 22;
inline constexpr uint32_t kDeleteDynamicByPortOrTrunk = 23;
inline constexpr uint32_t kDeleteByVlan = 24;
inline constexpr uint32_t kDeleteByPortVlan = 25;
inline constexpr uint32_t kLookUpFirstDevice = 26;
inline constexpr uint32_t kReadAndClearHitBit = 27;
inline constexpr uint32_t kSetEntryByDevice = 28;
inline constexpr uint32_t kDeleteAddrByDevice = 29;
inline constexpr uint32_t kDisableHardwareLearning = 30;
inline constexpr uint32_t kAccepted1 = 31;
inline constexpr uint32_t kAccepted3 = 32;
inline constexpr uint32_t kGetHashLookupDepth = 34;

// Code 3: at most this many records per reply; the count sits at kCountOffset.
inline constexpr uint32_t kMaxRecords = 150;
inline constexpr uint32_t kRecordsOffset = 4;
inline constexpr uint32_t kCountOffset = 2404;
inline constexpr uint32_t kRecordSize = 16;

using reqlayout::byte;
using reqlayout::bytes;
using reqlayout::Row;
using reqlayout::word;

inline constexpr reqlayout::Fields kVlanMac{word(4, "VLAN"), bytes(8, 6, "MAC")};
inline constexpr reqlayout::Fields kPortOrTrunk{word(4, "unit"), word(8, "port"),
                                                word(12, "trunk (from 1; 0: by port)")};

inline constexpr Row kRows[] = {
    Row(kSetAgeingTime, "DEV_AMTRDRV_SetAgeingTime", {word(4, "seconds (0 off, 10..844)")}, 0),
    Row(kResetScan, "reset the table scan", {word(4, "ignored")}, 0),
    Row(kGetNextEntry, "DEV_AMTRDRV_GetNextAddrTblEntry", {}, 16,
        {bytes(4, 16, "address entry record")},
        "status word: 0 entry, 1 end, 2 error, 3 read budget used up"),
    Row(kGetEntries, "read up to N entries", {word(4, "N (at most 150 returned)")}, 2404,
        {bytes(4, 2400, "records, 16 bytes each"), word(2404, "number returned")},
        "status word: 0 at least one record, 1 none"),
    Row(kSetEntry, "DEV_AMTRDRV_SetAddrTblEntry", {bytes(4, 16, "address entry record")}, 0, {},
        "every local device"),
    Row(kDeleteAddr, "DEV_AMTRDRV_DeleteAddr", kVlanMac, 0),
    Row(kDeleteAllDynamic, "DEV_AMTRDRV_DeleteGroupAddr type 0", {}, 0),
    Row(kDeleteAll, "DEV_AMTRDRV_DeleteGroupAddr type 1", {}, 0),
    Row(kSetInterventionEntry, "DEV_AMTRDRV_SetInterventionEntry",
        {word(4, "VLAN"), bytes(8, 6, "MAC"), byte(14, "device selector"), word(16, "mode 1..3")},
        0, {}, "status word: 0 success, 1 failure, 2 collision"),
    Row(kDeleteAddr2, "DEV_AMTRDRV_DeleteAddr", kVlanMac, 0),
    Row(kAddVlanMac, "DEV_AMTRDRV_AddVlanMac", kVlanMac, 0),
    Row(kDeleteAddr3, "DEV_AMTRDRV_DeleteAddr", kVlanMac, 0),
    Row(kLookUp, "DEV_AMTRDRV_ARLLookUp", kVlanMac, 12,
        {word(4, "port"), word(8, "trunk id"), byte(12, "is trunk")}),
    Row(kNullMacCount, "print the valid null MAC count", {}, 0, {}, "payload left as received"),
    Row(kSetEntryWithAttribute, "DEV_AMTRDRV_SetMacEntryWithAttribute",
        {bytes(4, 16, "address entry record"), word(20, "attribute 0..7"),
         byte(24, "source-drop flag")},
        0),
    Row(kDeleteByPortOrTrunk, "DEV_AMTRDRV_DeleteGroupAddr type 6 or 7", kPortOrTrunk, 0),
    Row(kDeleteDynamicByPortOrTrunk, "DEV_AMTRDRV_DeleteGroupAddr type 2 or 5", kPortOrTrunk, 0),
    Row(kDeleteByVlan, "DEV_AMTRDRV_DeleteGroupAddr type 4", {word(16, "VLAN")}, 0),
    Row(kDeleteByPortVlan, "DEV_AMTRDRV_DeleteGroupAddr type 3",
        {word(4, "unit"), word(8, "port"), word(16, "VLAN")}, 0),
    Row(kLookUpFirstDevice, "DEV_AMTRDRV_ARLLookUpByDevId", kVlanMac, 16,
        {word(8, "port"), word(12, "trunk id"), byte(16, "is trunk")}, "first local device"),
    Row(kReadAndClearHitBit, "DEV_AMTRDRV_ReadAndClearLocalHitBit", {}, 1, {byte(4, "0")}),
    Row(kSetEntryByDevice, "DEV_AMTRDRV_SetAddrTblEntryByDevice",
        {byte(4, "device selector"), bytes(6, 16, "address entry record")}, 0, {},
        "status word: 0 success, 1 failure"),
    Row(kDeleteAddrByDevice, "DEV_AMTRDRV_DeleteAddrByDevice",
        {byte(4, "device selector"), word(8, "VLAN"), bytes(12, 6, "MAC")}, 0),
    Row(kDisableHardwareLearning, "DEV_AMTRDRV_DisableHardwareLearning", {}, 0),
    Row(kAccepted1, "accepted without effect", {word(4, "ignored")}, 0),
    Row(kAccepted3, "accepted without effect",
        {word(4, "ignored"), word(8, "ignored"), word(12, "ignored")}, 0),
    Row(kGetHashLookupDepth, "DEV_AMTRDRV_GetHashLookupDepth", {}, 4, {word(4, "depth")}),
};
static_assert(reqlayout::well_formed(kRows));

}  // namespace amtrdrv::subcmd
