// Trunks (link aggregation): a trunk is a set of member ports, each named by (port, module
// id); a frame bound for a trunk leaves on one of its enabled members.
#pragma once

#include "sdk/sdk_types.h"

constexpr uint16_t SDK_TRUNK_MAX_ID = 127;     // chip trunk ids 1..127
constexpr uint32_t SDK_TRUNK_MAX_MEMBERS = 8;  // enabled and disabled members together
// On chips that keep the low half of the trunk table for themselves, trunk ids below this
// are refused with SDK_BAD_PARAM (the driver remaps its trunk ids above it).
constexpr uint16_t SDK_TRUNK_REMAP_FIRST_ID = 64;

struct SDK_TRUNK_MEMBER {
    uint8_t port;    // physical port
    uint8_t device;  // module id (hardware device number) of the port
};

// The trunk's hardware entry: its enabled members, in the order they were written.
SDK_STATUS sdkTrunkTableEntryGet(uint8_t devNum, uint16_t trunkId, uint32_t* numMembers,
                                 SDK_TRUNK_MEMBER membersArray[SDK_TRUNK_MAX_MEMBERS]);
// Replaces the trunk's members. Disabled members stay in the SDK's database but take no
// traffic. More than SDK_TRUNK_MAX_MEMBERS together is SDK_BAD_PARAM, nothing written.
SDK_STATUS sdkTrunkMembersSet(uint8_t devNum, uint16_t trunkId, uint32_t numOfEnabledMembers,
                              const SDK_TRUNK_MEMBER* enabledMembersArray,
                              uint32_t numOfDisabledMembers,
                              const SDK_TRUNK_MEMBER* disabledMembersArray);
// The SDK's database of the trunk: how many members (enabled and disabled) it holds.
SDK_STATUS sdkTrunkDbMembersNumGet(uint8_t devNum, uint16_t trunkId, uint32_t* numMembers);

// ---- Load balancing ------------------------------------------------------------------------
// How the member a frame leaves on is chosen: from the frame's fields under the hash masks, or
// from the port it came in on.
constexpr uint32_t SDK_TRUNK_HASH_PACKET_DATA = 0;
constexpr uint32_t SDK_TRUNK_HASH_INGRESS_PORT = 1;
SDK_STATUS sdkTrunkHashGlobalModeSet(uint8_t devNum, uint32_t hashMode);
SDK_STATUS sdkTrunkHashGlobalModeGet(uint8_t devNum, uint32_t* hashMode);
// With IP hashing on, the IPv4 and IPv6 address fields of IP frames take part in the hash.
SDK_STATUS sdkTrunkHashIpModeSet(uint8_t devNum, bool enable);
SDK_STATUS sdkTrunkHashIpModeGet(uint8_t devNum, bool* enable);
// Which bytes of an IPv6 address are hashed: 0 bytes 12-15, 1 bytes 8-11, 2 bytes 0-3, 3 all
// sixteen folded together.
constexpr uint32_t SDK_TRUNK_IPV6_HASH_MODES = 4;
SDK_STATUS sdkTrunkHashIpv6ModeSet(uint8_t devNum, uint32_t hashMode);
SDK_STATUS sdkTrunkHashIpv6ModeGet(uint8_t devNum, uint32_t* hashMode);
// Hash fields; each is folded to 6 bits and ANDed with its mask (0 leaves it out, 0x3F takes
// all of it) before the fields are XORed together.
constexpr uint32_t SDK_TRUNK_HASH_FIELD_MAC_DA = 0;
constexpr uint32_t SDK_TRUNK_HASH_FIELD_MAC_SA = 1;
constexpr uint32_t SDK_TRUNK_HASH_FIELD_IPV4_DIP = 5;
constexpr uint32_t SDK_TRUNK_HASH_FIELD_IPV4_SIP = 6;
constexpr uint32_t SDK_TRUNK_HASH_FIELD_IPV6_DIP = 7;
constexpr uint32_t SDK_TRUNK_HASH_FIELD_IPV6_SIP = 8;
constexpr uint32_t SDK_TRUNK_HASH_FIELDS = 9;  // 2 to 4 are not fields of this chip
constexpr uint8_t SDK_TRUNK_HASH_MASK_MAX = 0x3F;
SDK_STATUS sdkTrunkHashMaskSet(uint8_t devNum, uint32_t field, uint8_t maskValue);
SDK_STATUS sdkTrunkHashMaskGet(uint8_t devNum, uint32_t field, uint8_t* maskValue);
