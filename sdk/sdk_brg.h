// Bridge engine: generic port filters and the address-update messages to the CPU.
#pragma once

#include "sdk/sdk_types.h"

// Drop untagged frames longer than 1518 bytes on the port.
SDK_STATUS sdkBrgGenPortOversizUntagPktFilterEnableSet(uint8_t devNum, uint8_t portNum,
                                                       bool enable);
SDK_STATUS sdkBrgGenPortOversizUntagPktFilterEnableGet(uint8_t devNum, uint8_t portNum,
                                                       bool* enable);
// New-address messages to the CPU for addresses learned on the port.
SDK_STATUS sdkBrgFdbNaToCpuPerPortSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkBrgFdbNaToCpuPerPortGet(uint8_t devNum, uint8_t portNum, bool* enable);
// Aged and transplanted address messages to the CPU.
SDK_STATUS sdkBrgFdbAAandTAToCpuSet(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgFdbAAandTAToCpuGet(uint8_t devNum, bool* enable);
