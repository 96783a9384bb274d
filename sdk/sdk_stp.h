// Spanning tree: each VLAN belongs to one spanning-tree group (sdkBrgVlanToStpIdBind in
// sdk_vlan.h) and each port has a state per group.
#pragma once

#include "sdk/sdk_types.h"

constexpr uint32_t SDK_STP_GROUPS = 32;  // groups 0..31

// Port states of a spanning-tree group.
constexpr uint32_t SDK_STP_DISABLED = 0;  // the port takes no frames in and sends none out
constexpr uint32_t SDK_STP_BLOCKING = 1;  // blocking or listening: BPDUs only
constexpr uint32_t SDK_STP_LEARNING = 2;  // learns source addresses, forwards nothing
constexpr uint32_t SDK_STP_FORWARDING = 3;

SDK_STATUS sdkBrgStpStateSet(uint8_t devNum, uint8_t portNum, uint32_t stgId, uint32_t state);
SDK_STATUS sdkBrgStpStateGet(uint8_t devNum, uint8_t portNum, uint32_t stgId, uint32_t* state);
