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
