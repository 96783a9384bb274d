// Cascading: cascade port types and the device-map table that tells each device how to
// reach the other devices (modules) of the stack.
#pragma once

#include "sdk/sdk_types.h"

// Cascade types of a port: 0 and 1 are cascade-tagged ports, 2 a network port.
constexpr uint32_t SDK_CSCD_PORT_DSA_REGULAR = 0;
constexpr uint32_t SDK_CSCD_PORT_DSA_EXTENDED = 1;
constexpr uint32_t SDK_CSCD_PORT_NETWORK = 2;

SDK_STATUS sdkCscdPortTypeSet(uint8_t devNum, uint8_t portNum, uint32_t portType);
SDK_STATUS sdkCscdPortTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* portType);

// Link of a device-map entry: a port or a trunk.
constexpr uint32_t SDK_CSCD_LINK_TYPE_PORT = 0;
constexpr uint32_t SDK_CSCD_LINK_TYPE_TRUNK = 1;
struct SDK_CSCD_LINK {
    uint32_t linkNum;
    uint32_t linkType;
};

// The entry for target device targetDev (0..size-1 of SDK_CFG_TABLE_DEVICE_MAP).
SDK_STATUS sdkCscdDevMapTableSet(uint8_t devNum, uint8_t targetDev,
                                 const SDK_CSCD_LINK* cascadeLink, bool srcPortTrunkHashEn);
SDK_STATUS sdkCscdDevMapTableGet(uint8_t devNum, uint8_t targetDev, SDK_CSCD_LINK* cascadeLink,
                                 bool* srcPortTrunkHashEn);

// The source-device filter of cascade-tagged frames: a frame that comes back over a cascade
// port tagged with this device's own hardware number is dropped (on at power-on).
SDK_STATUS sdkCscdTagSrcDevFilterSet(uint8_t devNum, bool enable);
SDK_STATUS sdkCscdTagSrcDevFilterGet(uint8_t devNum, bool* enable);
