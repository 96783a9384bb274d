// Port configuration and status of the switching chip: enable, speed and duplex and their
// auto-negotiation, flow control, receive unit, interface mode and SERDES power, link.
#pragma once

#include "sdk/sdk_types.h"

// Port speeds.
constexpr uint32_t SDK_PORT_SPEED_10 = 0;
constexpr uint32_t SDK_PORT_SPEED_100 = 1;
constexpr uint32_t SDK_PORT_SPEED_1000 = 2;
constexpr uint32_t SDK_PORT_SPEED_10000 = 3;
constexpr uint32_t SDK_PORT_SPEED_12000 = 4;
constexpr uint32_t SDK_PORT_SPEED_16000 = 5;
constexpr uint32_t SDK_PORT_SPEED_20000 = 6;
constexpr uint32_t SDK_PORT_SPEED_2500 = 7;
constexpr uint32_t SDK_PORT_SPEED_5000 = 8;
constexpr uint32_t SDK_PORT_SPEED_40000 = 9;
constexpr uint32_t SDK_PORT_SPEED_NA = 11;

// Duplex modes.
constexpr uint32_t SDK_PORT_FULL_DUPLEX = 0;
constexpr uint32_t SDK_PORT_HALF_DUPLEX = 1;

// Port types.
constexpr uint32_t SDK_PORT_TYPE_NONE = 0;
constexpr uint32_t SDK_PORT_TYPE_FE = 1;   // 10/100
constexpr uint32_t SDK_PORT_TYPE_GE = 2;   // 10/100/1000
constexpr uint32_t SDK_PORT_TYPE_XG = 3;   // 1000/10000
constexpr uint32_t SDK_PORT_TYPE_XLG = 4;  // 40000

// Interface modes.
constexpr uint32_t SDK_PORT_IF_MII = 0;
constexpr uint32_t SDK_PORT_IF_GMII = 1;
constexpr uint32_t SDK_PORT_IF_RGMII = 2;
constexpr uint32_t SDK_PORT_IF_SGMII = 3;
constexpr uint32_t SDK_PORT_IF_XGMII = 4;
constexpr uint32_t SDK_PORT_IF_QSGMII = 5;
constexpr uint32_t SDK_PORT_IF_1000BASE_X = 6;
constexpr uint32_t SDK_PORT_IF_KR = 8;
constexpr uint32_t SDK_PORT_IF_100BASE_FX = 12;
constexpr uint32_t SDK_PORT_IF_NA = 255;
// True for the interface modes that run over the port's SERDES.
bool sdkPortIfIsSerdes(uint32_t ifMode);

// SERDES directions.
constexpr uint32_t SDK_PORT_DIRECTION_RX = 0;
constexpr uint32_t SDK_PORT_DIRECTION_TX = 1;
constexpr uint32_t SDK_PORT_DIRECTION_BOTH = 2;

SDK_STATUS sdkPortEnableSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkPortEnableGet(uint8_t devNum, uint8_t portNum, bool* enable);
SDK_STATUS sdkPortTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* portType);
// The link state the port sees now.
SDK_STATUS sdkPortLinkStatusGet(uint8_t devNum, uint8_t portNum, bool* linkUp);
// Set: the configured speed and duplex. Get: the link's while the link is up, else the
// configured ones.
SDK_STATUS sdkPortSpeedSet(uint8_t devNum, uint8_t portNum, uint32_t speed);
SDK_STATUS sdkPortSpeedGet(uint8_t devNum, uint8_t portNum, uint32_t* speed);
SDK_STATUS sdkPortDuplexModeSet(uint8_t devNum, uint8_t portNum, uint32_t dMode);
SDK_STATUS sdkPortDuplexModeGet(uint8_t devNum, uint8_t portNum, uint32_t* dMode);
SDK_STATUS sdkPortSpeedAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state);
SDK_STATUS sdkPortSpeedAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state);
SDK_STATUS sdkPortDuplexAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state);
SDK_STATUS sdkPortDuplexAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state);
SDK_STATUS sdkPortFlowCntrlAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state,
                                            bool pauseAdvertise);
SDK_STATUS sdkPortFlowCntrlAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state,
                                            bool* pauseAdvertise);
SDK_STATUS sdkPortFlowControlEnableSet(uint8_t devNum, uint8_t portNum, bool state);
SDK_STATUS sdkPortFlowControlEnableGet(uint8_t devNum, uint8_t portNum, bool* state);
SDK_STATUS sdkPortBackPressureEnableSet(uint8_t devNum, uint8_t portNum, bool state);
SDK_STATUS sdkPortBackPressureEnableGet(uint8_t devNum, uint8_t portNum, bool* state);
// Maximum receive unit in bytes, 0..16382 and even.
SDK_STATUS sdkPortMruSet(uint8_t devNum, uint8_t portNum, uint32_t mruSize);
SDK_STATUS sdkPortMruGet(uint8_t devNum, uint8_t portNum, uint32_t* mruSize);
SDK_STATUS sdkPortInterfaceModeSet(uint8_t devNum, uint8_t portNum, uint32_t ifMode);
SDK_STATUS sdkPortInterfaceModeGet(uint8_t devNum, uint8_t portNum, uint32_t* ifMode);
// SERDES power of the lanes in lanesBmp; SDK_NOT_SUPPORTED on a device without SERDES
// power control.
SDK_STATUS sdkPortSerdesPowerStatusSet(uint8_t devNum, uint8_t portNum, uint32_t direction,
                                       uint32_t lanesBmp, bool powerUp);
SDK_STATUS sdkPortSerdesPowerStatusGet(uint8_t devNum, uint8_t portNum, bool* powerUp);
SDK_STATUS sdkPortForceLinkDownEnableSet(uint8_t devNum, uint8_t portNum, bool state);
SDK_STATUS sdkPortForceLinkDownEnableGet(uint8_t devNum, uint8_t portNum, bool* state);
// Token-bucket MTU setting of the transmit shapers: 0, 1 or 2.
SDK_STATUS sdkPortTxShaperTokenBucketMtuSet(uint8_t devNum, uint32_t mtu);
SDK_STATUS sdkPortTxShaperTokenBucketMtuGet(uint8_t devNum, uint32_t* mtu);
