// DEV_AMTRDRV, the address table driver: the chip's MAC address table written, read, scanned
// and flushed for the address-management layer, ageing and hardware learning, the switch's
// own addresses, and the chip's new-address (security-breach) events forwarded to the
// handlers registered here. Its request handler serves module 120.
//
// Operations returning bool give TRUE or FALSE; those returning uint32_t a status (0 success).
#pragma once

#include <atomic>
#include <cstdint>

// The 16-byte address entry record of requests and replies (big-endian, packed).
constexpr uint32_t DEV_AMTRDRV_RECORD_SIZE = 16;
struct DEV_AMTRDRV_AddrEntry {
    uint16_t vid = 0;
    uint8_t mac[6] = {};
    uint8_t unit = 0;
    uint8_t port = 0;
    uint8_t trunk_id = 0;   // 0-based: the driver's trunk number minus 1
    uint8_t qos_index = 0;  // 255: none
    uint8_t is_trunk = 0;
    uint8_t entry_type = 0;  // 1 static, any other value dynamic
    uint8_t sa_drop = 0;
    uint8_t da_drop = 0;
};
void DEV_AMTRDRV_DecodeRecord(const uint8_t* in, DEV_AMTRDRV_AddrEntry* out);
void DEV_AMTRDRV_EncodeRecord(const DEV_AMTRDRV_AddrEntry& in, uint8_t* out);

// Group delete types.
constexpr uint32_t DEV_AMTRDRV_DEL_ALL_DYNAMIC = 0;
constexpr uint32_t DEV_AMTRDRV_DEL_ALL = 1;
constexpr uint32_t DEV_AMTRDRV_DEL_PORT_DYNAMIC = 2;
constexpr uint32_t DEV_AMTRDRV_DEL_PORT_VLAN_DYNAMIC = 3;
constexpr uint32_t DEV_AMTRDRV_DEL_VLAN_DYNAMIC = 4;
constexpr uint32_t DEV_AMTRDRV_DEL_TRUNK_DYNAMIC = 5;
constexpr uint32_t DEV_AMTRDRV_DEL_PORT = 6;
constexpr uint32_t DEV_AMTRDRV_DEL_TRUNK = 7;

// Device selectors: the first local device, every one but the first, every one.
constexpr uint8_t DEV_AMTRDRV_DEV_FIRST = 1;
constexpr uint8_t DEV_AMTRDRV_DEV_OTHERS = 2;
constexpr uint8_t DEV_AMTRDRV_DEV_ALL = 3;

// Scan statuses.
constexpr uint32_t DEV_AMTRDRV_SCAN_ENTRY = 0;
constexpr uint32_t DEV_AMTRDRV_SCAN_END = 1;
constexpr uint32_t DEV_AMTRDRV_SCAN_ERROR = 2;
constexpr uint32_t DEV_AMTRDRV_SCAN_BUDGET = 3;

// Results of a chip write: written, failed, the hash bucket was full.
constexpr uint32_t DEV_AMTRDRV_WRITE_OK = 0;
constexpr uint32_t DEV_AMTRDRV_WRITE_FAILED = 1;
constexpr uint32_t DEV_AMTRDRV_WRITE_COLLISION = 2;

// ---- Start-up ------------------------------------------------------------------------------
bool DEV_AMTRDRV_Init();
// Registers the security-breach handler with the SDK's event layer, the address-management
// layer's announcement as the first new-address handler, and the "dev_amtrdrv" menu.
void DEV_AMTRDRV_Create_InterCSC_Relation();
bool DEV_AMTRDRV_HandleIPCReqMsg(void* msgbuf);
void DEV_AMTRDRV_BACKDOOR_Main();

// ---- Entries -------------------------------------------------------------------------------
uint32_t DEV_AMTRDRV_sdkBrgFdbMacEntrySet(uint32_t device, const void* sdk_entry);
bool DEV_AMTRDRV_SetAddrTblEntryByDevId(uint32_t device, const DEV_AMTRDRV_AddrEntry& rec);
// Code 6: on every local device, stopping at the first failure.
bool DEV_AMTRDRV_SetAddrTblEntry(const DEV_AMTRDRV_AddrEntry& rec);
uint32_t DEV_AMTRDRV_SetAddrTblEntryByDevice(uint8_t selector, const DEV_AMTRDRV_AddrEntry& rec);
bool DEV_AMTRDRV_SetMacEntryWithAttribute(const DEV_AMTRDRV_AddrEntry& rec, uint32_t attribute,
                                          uint8_t sa_drop);
bool DEV_AMTRDRV_DeleteAddrByDevId(uint32_t device, uint32_t vid, const uint8_t mac[6]);
bool DEV_AMTRDRV_DeleteAddr(uint32_t vid, const uint8_t mac[6]);
bool DEV_AMTRDRV_DeleteAddrByDevice(uint8_t selector, uint32_t vid, const uint8_t mac[6]);
bool DEV_AMTRDRV_DeleteGroupAddr(uint32_t group_type, uint32_t unit, uint32_t port_or_trunk,
                                 uint32_t vid);

// ---- Lookups and the scan -------------------------------------------------------------------
// The slot holding (VLAN, MAC) within its bucket; false when it is not there. `sdk_entry`
// (an SDK_MAC_ENTRY_EXT) receives the entry.
bool DEV_AMTRDRV_sdkBrgFdbMacEntryRead(uint32_t device, uint32_t vid, const uint8_t mac[6],
                                       void* sdk_entry, uint32_t* index);
bool DEV_AMTRDRV_ARLLookUpByDevId(uint32_t device, uint32_t vid, const uint8_t mac[6],
                                  uint32_t* port, uint32_t* trunk_id, uint8_t* is_trunk);
// Code 19: the local devices in turn.
bool DEV_AMTRDRV_ARLLookUp(uint32_t vid, const uint8_t mac[6], uint32_t* port, uint32_t* trunk_id,
                           uint8_t* is_trunk);
// Code 1: TRUE when the unit has a local device.
bool DEV_AMTRDRV_ResetScan();
// Fills the 16-byte record at `record` (fields it does not set keep what it held).
uint32_t DEV_AMTRDRV_GetNextAddrTblEntry(uint8_t* record);
uint32_t DEV_AMTRDRV_GetHashLookupDepth(bool* ok);

// ---- Ageing, learning, CPU entries ---------------------------------------------------------
bool DEV_AMTRDRV_SetAgeingTime(uint32_t seconds);
bool DEV_AMTRDRV_DisableHardwareLearning();
bool DEV_AMTRDRV_AddVlanMac(uint32_t vid, const uint8_t mac[6]);
uint32_t DEV_AMTRDRV_SetInterventionEntry(uint32_t vid, const uint8_t mac[6], uint8_t selector,
                                          uint32_t mode);
bool DEV_AMTRDRV_ReadAndClearLocalHitBit();

// ---- New-address events ---------------------------------------------------------------------
// A handler gets a result area of three 16-bit words (set to 0), the source MAC, the VLAN, 0,
// the port and the unit.
using DEV_AMTRDRV_SecurityCheckHandler = void (*)(uint16_t* result, const uint8_t* mac,
                                                  uint32_t vid, uint32_t reason, uint32_t port,
                                                  uint32_t unit);
constexpr uint32_t DEV_AMTRDRV_MAX_SECURITY_HANDLERS = 5;
void DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler(DEV_AMTRDRV_SecurityCheckHandler handler);
void DEV_AMTRDRV_HandleBrgSecurEvent(uint8_t device, const uint8_t mac[6], uint16_t vid,
                                     uint8_t port, uint32_t code);

// ---- The control block -------------------------------------------------------------------------
// Requests come one at a time (the dispatcher serialises the module); the SDK's event task
// reads the handler table and the debug switches, hence the atomics.
struct DEV_AMTRDRV_OM_T {
    // Scan cursor: device (-1: none), slot, slots passed over since the budget was last reset.
    int32_t scan_device = -1;
    uint32_t scan_index = 0;
    uint32_t scan_skipped = 0;
    uint32_t hash_depth = 0;  // 0 until read from the chip
    DEV_AMTRDRV_SecurityCheckHandler handlers[DEV_AMTRDRV_MAX_SECURITY_HANDLERS] = {};
    std::atomic<uint32_t> handler_count{0};
    uint32_t max_retry_count = 2000;
    uint32_t del_act_max_wait_timeout_tick = 2;
    uint32_t show_hash_depth_threshold = 0;
    std::atomic<bool> debug_flag{false};
    std::atomic<bool> show_chip_err_msg{false};
};
DEV_AMTRDRV_OM_T& DEV_AMTRDRV_OM();
// Back to the state before start-up (tests).
void DEV_AMTRDRV_OM_Reset();
