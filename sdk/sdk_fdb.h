// The bridge's MAC address table (FDB): entries by slot and by key, the hash that places a
// key, learning control per port, ageing and the other table actions, and the messages the
// table sends the CPU (address updates and new-address security events).
//
// The table is an array of numbered slots: SDK_FDB_SIZE, or the size the board gives the device
// (sdkCfgTableNumEntriesGet, SDK_CFG_TABLE_FDB, reports it). An entry lives in one of `lookup
// length` consecutive slots from its hash bucket's start, modulo the table size
// (sdkBrgFdbHashCalc gives the start). Each slot has a valid flag, a skip flag (a deleted or
// aged entry: searches pass over it, new entries may reuse it) and an age flag (cleared by
// each ageing pass, set again when the address is seen; a dynamic entry found with it clear
// is aged out).
#pragma once

#include "sdk/sdk_types.h"

constexpr uint32_t SDK_FDB_SIZE = 16384;  // the size of a device's table unless its board says

// Key types of an entry.
constexpr uint32_t SDK_MAC_ENTRY_KEY_MAC_VID = 0;
constexpr uint32_t SDK_MAC_ENTRY_KEY_IPV4_MCAST = 1;
constexpr uint32_t SDK_MAC_ENTRY_KEY_IPV6_MCAST = 2;

struct SDK_MAC_VLAN_KEY {
    uint8_t macAddr[6];
    uint16_t vlanId;
};
// IP multicast stream: 4 bytes of source and group address (for IPv6 the bytes the caller
// chose to key on).
struct SDK_IP_MCAST_KEY {
    uint8_t sip[4];
    uint8_t dip[4];
    uint16_t vlanId;
};
struct SDK_MAC_ENTRY_KEY {
    uint32_t entryType;
    SDK_MAC_VLAN_KEY macVlan;  // SDK_MAC_ENTRY_KEY_MAC_VID
    SDK_IP_MCAST_KEY ipMcast;  // the IP multicast types
};

// Where an entry sends frames.
constexpr uint32_t SDK_INTERFACE_PORT = 0;
constexpr uint32_t SDK_INTERFACE_TRUNK = 1;
constexpr uint32_t SDK_INTERFACE_VIDX = 2;  // an L2 multicast group
constexpr uint32_t SDK_INTERFACE_VID = 3;   // every member of the VLAN
struct SDK_INTERFACE_INFO {
    uint32_t type;
    struct {
        uint8_t devNum;  // hardware device number (module id)
        uint8_t portNum;
    } devPort;
    uint16_t trunkId;  // 1..127
    uint16_t vidx;     // 0..4095
    uint16_t vlanId;
};

// Commands of an entry for frames whose destination (daCommand) or source (saCommand) it is.
constexpr uint32_t SDK_MAC_TABLE_CMD_FORWARD = 0;
constexpr uint32_t SDK_MAC_TABLE_CMD_DROP = 1;
constexpr uint32_t SDK_MAC_TABLE_CMD_MIRROR_TO_CPU = 2;
constexpr uint32_t SDK_MAC_TABLE_CMD_TRAP_TO_CPU = 3;
constexpr uint32_t SDK_MAC_TABLE_CMD_SOFT_DROP = 5;  // dropped unless a trap wants it

struct SDK_MAC_ENTRY_EXT {
    SDK_MAC_ENTRY_KEY key;
    SDK_INTERFACE_INFO dstInterface;
    bool isStatic;  // never aged
    uint32_t daCommand;
    uint32_t saCommand;
    bool daRoute;
    bool mirrorToRxAnalyzerPortEn;
    uint32_t sourceID;         // 0..31
    uint32_t userDefined;      // 0..15
    uint32_t daQosIndex;       // 0..127
    uint32_t saQosIndex;       // 0..127
    uint32_t daSecurityLevel;  // 0..7
    uint32_t saSecurityLevel;  // 0..7
    bool appSpecificCpuCode;
    bool age;  // the age flag: set = seen since the last ageing pass
};

// ---- Entries from the CPU --------------------------------------------------------------
// Places the entry as the chip does for an address-update message from the CPU: over the
// entry of the same key in its bucket, else in the bucket's first free slot. Whether it found
// room is the status of the message (sdkBrgFdbFromCpuAuMsgStatusGet): completed and not
// succeeded when every slot of the bucket is taken.
SDK_STATUS sdkBrgFdbMacEntrySet(uint8_t devNum, const SDK_MAC_ENTRY_EXT* macEntry);
// Deletes the entry of the key (a key without an entry completes without success).
SDK_STATUS sdkBrgFdbMacEntryDelete(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key);
// Status of the last address-update message from the CPU.
SDK_STATUS sdkBrgFdbFromCpuAuMsgStatusGet(uint8_t devNum, bool* completed, bool* succeeded);

// ---- Slots -----------------------------------------------------------------------------
// The bucket start of a key: 0..SDK_FDB_SIZE-1.
SDK_STATUS sdkBrgFdbHashCalc(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key, uint32_t* hash);
// Reads slot `index`; SDK_OUT_OF_RANGE past the last slot. aged: the entry's age flag is
// clear. associatedDevNum: the device number of a port destination, else this device's.
SDK_STATUS sdkBrgFdbMacEntryRead(uint8_t devNum, uint32_t index, bool* valid, bool* skip,
                                 bool* aged, uint8_t* associatedDevNum, SDK_MAC_ENTRY_EXT* entry);
// Writes slot `index` as given (valid, with the skip flag), wherever the key's bucket is.
SDK_STATUS sdkBrgFdbMacEntryWrite(uint8_t devNum, uint32_t index, bool skip,
                                  const SDK_MAC_ENTRY_EXT* entry);
// Clears the valid flag of slot `index`.
SDK_STATUS sdkBrgFdbMacEntryInvalidate(uint8_t devNum, uint32_t index);
// Looks a key up in its bucket as the forwarding engine does; SDK_NOT_FOUND when absent.
SDK_STATUS sdkBrgFdbMacEntryFind(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key, uint32_t* index,
                                 SDK_MAC_ENTRY_EXT* entry);

// Slots searched from a bucket's start: 4, 8, ..., 32 (SDK_BAD_PARAM otherwise).
SDK_STATUS sdkBrgFdbMaxLookupLenSet(uint8_t devNum, uint32_t lookupLen);
SDK_STATUS sdkBrgFdbMaxLookupLenGet(uint8_t devNum, uint32_t* lookupLen);

// ---- Learning ----------------------------------------------------------------------------
// status TRUE: the chip learns new source addresses of the port by itself. FALSE (controlled
// learning): it does not; a frame from an unknown or moved source gets the lock command, and
// the CPU hears of the address through a new-address message and a security event.
constexpr uint32_t SDK_LOCK_CMD_DROP = 0;
constexpr uint32_t SDK_LOCK_CMD_FORWARD = 1;
constexpr uint32_t SDK_LOCK_CMD_TRAP_TO_CPU = 2;
constexpr uint32_t SDK_LOCK_CMD_SOFT_DROP = 3;
constexpr uint32_t SDK_LOCK_CMD_MIRROR_TO_CPU = 4;
SDK_STATUS sdkBrgFdbPortLearnStatusSet(uint8_t devNum, uint8_t portNum, bool status, uint32_t cmd);
SDK_STATUS sdkBrgFdbPortLearnStatusGet(uint8_t devNum, uint8_t portNum, bool* status,
                                       uint32_t* cmd);

// ---- Ageing and the other table actions ------------------------------------------------
// The action engine walks the table. Automatic trigger mode: an ageing pass every ageing
// timeout while actions are enabled. Triggered mode: one walk per sdkBrgFdbTrigActionStart.
// A walk touches the dynamic entries (and with static delete on, in deleting mode, the static
// ones) that match the active device, VLAN and interface under their masks.
constexpr uint32_t SDK_FDB_TRIGGER_AUTO = 0;
constexpr uint32_t SDK_FDB_TRIGGER_TRIG = 1;
constexpr uint32_t SDK_FDB_ACTION_AGE_WITH_REMOVAL = 0;
constexpr uint32_t SDK_FDB_ACTION_AGE_WITHOUT_REMOVAL = 1;  // aged entries only reported
constexpr uint32_t SDK_FDB_ACTION_DELETING = 2;
constexpr uint32_t SDK_FDB_ACTION_TRANSPLANTING = 3;

// Seconds, 1..65535.
SDK_STATUS sdkBrgFdbAgingTimeoutSet(uint8_t devNum, uint32_t timeout);
SDK_STATUS sdkBrgFdbAgingTimeoutGet(uint8_t devNum, uint32_t* timeout);
SDK_STATUS sdkBrgFdbMacTriggerModeSet(uint8_t devNum, uint32_t mode);
SDK_STATUS sdkBrgFdbMacTriggerModeGet(uint8_t devNum, uint32_t* mode);
SDK_STATUS sdkBrgFdbActionModeSet(uint8_t devNum, uint32_t mode);
SDK_STATUS sdkBrgFdbActionModeGet(uint8_t devNum, uint32_t* mode);
SDK_STATUS sdkBrgFdbActionsEnableSet(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgFdbActionsEnableGet(uint8_t devNum, bool* enable);
// Device number of port entries (devNum of the destination) under a mask.
SDK_STATUS sdkBrgFdbActionActiveDevSet(uint8_t devNum, uint32_t actDev, uint32_t actDevMask);
SDK_STATUS sdkBrgFdbActionActiveDevGet(uint8_t devNum, uint32_t* actDev, uint32_t* actDevMask);
SDK_STATUS sdkBrgFdbActionActiveVlanSet(uint8_t devNum, uint16_t vlanId, uint16_t vlanMask);
SDK_STATUS sdkBrgFdbActionActiveVlanGet(uint8_t devNum, uint16_t* vlanId, uint16_t* vlanMask);
// Trunk flag and port number (or trunk id) of the destination under their masks.
SDK_STATUS sdkBrgFdbActionActiveInterfaceSet(uint8_t devNum, uint32_t actIsTrunk,
                                             uint32_t actIsTrunkMask, uint32_t actTrunkPort,
                                             uint32_t actTrunkPortMask);
SDK_STATUS sdkBrgFdbActionActiveInterfaceGet(uint8_t devNum, uint32_t* actIsTrunk,
                                             uint32_t* actIsTrunkMask, uint32_t* actTrunkPort,
                                             uint32_t* actTrunkPortMask);
// Whether deleting walks also delete static entries.
SDK_STATUS sdkBrgFdbStaticDelEnable(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgFdbStaticDelEnableGet(uint8_t devNum, bool* enable);
// Transplanting moves the matching entries on oldInterface to newInterface (port or trunk).
SDK_STATUS sdkBrgFdbActionTransplantDataSet(uint8_t devNum, const SDK_INTERFACE_INFO* oldInterface,
                                            const SDK_INTERFACE_INFO* newInterface);
SDK_STATUS sdkBrgFdbActionTransplantDataGet(uint8_t devNum, SDK_INTERFACE_INFO* oldInterface,
                                            SDK_INTERFACE_INFO* newInterface);
// Starts one walk in `mode`; SDK_BAD_STATE while a walk is still running. The walk takes time
// in proportion to the table's size (about 1 ms for 16K slots) and makes its changes when it
// ends; disabling actions meanwhile abandons it.
SDK_STATUS sdkBrgFdbTrigActionStart(uint8_t devNum, uint32_t mode);
SDK_STATUS sdkBrgFdbTrigActionStatusGet(uint8_t devNum, bool* actFinished);

// ---- Messages to the CPU ---------------------------------------------------------------
// Address updates: new addresses (learned, or seen on a port with controlled learning),
// aged and transplanted ones. Sent only where enabled: new addresses per port
// (sdkBrgFdbNaToCpuPerPortSet), aged and transplanted per device (sdkBrgFdbAAandTAToCpuSet).
// The queue holds "au_desc_count" messages (the board parameter; 256 when unset); messages
// that find it full are lost.
constexpr uint32_t SDK_FDB_AU_NA = 0;  // new address
constexpr uint32_t SDK_FDB_AU_AA = 1;  // aged address
constexpr uint32_t SDK_FDB_AU_TA = 2;  // transplanted address
struct SDK_MAC_UPDATE_MSG_EXT {
    uint32_t updType;
    SDK_MAC_ENTRY_EXT macEntry;  // key and destination (the port it was seen on)
    bool entryWasFound;          // the table held the key when the message was sent
    uint32_t macEntryIndex;      // its slot, when found
    uint8_t associatedDevNum;
};
// Takes up to *numOfAuMsg messages, oldest first; *numOfAuMsg becomes the number taken
// (0 when the queue is empty).
SDK_STATUS sdkBrgFdbAuMsgBlockGet(uint8_t devNum, uint32_t* numOfAuMsg,
                                  SDK_MAC_UPDATE_MSG_EXT* auMsgs);

// Security events. SDK_SECUR_BREACH_NEW_ADDRESS: a frame from a source address the table
// does not hold for its port arrived on a port with controlled learning.
constexpr uint32_t SDK_SECUR_BREACH_NEW_ADDRESS = 7;
struct SDK_SECUR_BREACH_MSG {
    uint8_t macSa[6];
    uint16_t vlan;
    uint8_t port;
    uint32_t code;
};
// Takes the oldest event; SDK_NOT_FOUND when there is none. The queue holds 256 events.
SDK_STATUS sdkSecurBreachMsgGet(uint8_t devNum, SDK_SECUR_BREACH_MSG* msg);
