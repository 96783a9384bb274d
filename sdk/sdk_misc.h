// Port features that belong to no other area: MAC loopback, OAM loopback, the port's own MAC
// address, egress blocking, the VLAN tag of mirrored frames on an analyzer port, transmit
// shaping, and the device's temperature sensor.
#pragma once

#include "sdk/sdk_types.h"

// MAC loopback: frames the port sends come back in on the port; nothing reaches the wire.
SDK_STATUS sdkPortInternalLoopbackEnableSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkPortInternalLoopbackEnableGet(uint8_t devNum, uint8_t portNum, bool* enable);
// OAM remote loopback: frames received on the port (OAM PDUs excepted) are sent back out of
// it instead of being switched.
SDK_STATUS sdkOamPortLoopbackEnableSet(uint8_t devNum, uint8_t portNum, bool enable);
// The source MAC address of the frames the port sends itself (pause frames, OAM PDUs).
SDK_STATUS sdkPortMacSaSet(uint8_t devNum, uint8_t portNum, const uint8_t mac[6]);
SDK_STATUS sdkPortMacSaGet(uint8_t devNum, uint8_t portNum, uint8_t mac[6]);
// Egress block: no switched frame leaves the port (frames from the CPU still do).
SDK_STATUS sdkBrgPortEgressBlockSet(uint8_t devNum, uint8_t portNum, bool block);
SDK_STATUS sdkBrgPortEgressBlockGet(uint8_t devNum, uint8_t portNum, bool* block);
// Mirrored frames leaving an analyzer port carry an extra VLAN tag (TPID 0x8100) with this
// VLAN id; 0 sends them as they are.
SDK_STATUS sdkMirrorAnalyzerVlanTagSet(uint8_t devNum, uint8_t portNum, uint16_t vlanId);
// Transmit shaper of a port (the CPU port included): burst in 4 KB units, rate in kbit/s.
SDK_STATUS sdkPortTxShaperProfileSet(uint8_t devNum, uint8_t portNum, uint32_t burstSize,
                                     uint32_t rateKbps);
SDK_STATUS sdkPortTxShaperEnableSet(uint8_t devNum, uint8_t portNum, bool enable);
// The device's temperature sensor, in degrees Celsius.
SDK_STATUS sdkCfgDevTemperatureGet(uint8_t devNum, int32_t* celsius);
SDK_STATUS sdkPortTxShaperProfileGet(uint8_t devNum, uint8_t portNum, uint32_t* burstSize,
                                     uint32_t* rateKbps, bool* enable);
// Shaping of the CPU port: SDK_PORT_TX_TO_CPU_SHAPER_PACKETS counts frames (rates in frames
// per second, bursts in frames), SDK_PORT_TX_TO_CPU_SHAPER_BYTES counts bytes like every
// other port (the power-on mode).
constexpr uint32_t SDK_PORT_TX_TO_CPU_SHAPER_PACKETS = 0;
constexpr uint32_t SDK_PORT_TX_TO_CPU_SHAPER_BYTES = 1;
SDK_STATUS sdkPortTxToCpuShaperModeSet(uint8_t devNum, uint32_t mode);
SDK_STATUS sdkPortTxToCpuShaperModeGet(uint8_t devNum, uint32_t* mode);
// The shaper of one queue (traffic class 0..7) of the CPU port (the only port whose queues
// have shapers), as the port shaper; a frame passes both.
SDK_STATUS sdkPortTxQShaperProfileSet(uint8_t devNum, uint8_t portNum, uint8_t tc,
                                      uint32_t burstSize, uint32_t rateKbps);
SDK_STATUS sdkPortTxQShaperEnableSet(uint8_t devNum, uint8_t portNum, uint8_t tc, bool enable);
SDK_STATUS sdkPortTxQShaperProfileGet(uint8_t devNum, uint8_t portNum, uint8_t tc,
                                      uint32_t* burstSize, uint32_t* rateKbps, bool* enable);
