// External PHYs on the chip's management (SMI) interfaces: where each port's PHY is,
// register access (clause 22 and clause 45), the chip's automatic PHY polling and its
// auto-media-select bits, and the 10 Gb/s PHY's speed switch.
#pragma once

#include "sdk/sdk_types.h"

// Management interfaces. Interface 1 is the chip's clause-45 interface.
constexpr uint8_t SDK_PHY_SMI_INTERFACE_0 = 0;
constexpr uint8_t SDK_PHY_SMI_INTERFACE_1 = 1;
constexpr uint8_t SDK_PHY_SMI_INTERFACE_C45 = SDK_PHY_SMI_INTERFACE_1;

SDK_STATUS sdkPhyPortSmiInterfaceSet(uint8_t devNum, uint8_t portNum, uint8_t smiInterface);
SDK_STATUS sdkPhyPortSmiInterfaceGet(uint8_t devNum, uint8_t portNum, uint8_t* smiInterface);
SDK_STATUS sdkPhyPortAddrSet(uint8_t devNum, uint8_t portNum, uint8_t phyAddr);
SDK_STATUS sdkPhyPortAddrGet(uint8_t devNum, uint8_t portNum, uint8_t* phyAddr);

// Clause-22 register access to the port's PHY. SDK_NOT_PRESENT when nothing is at the
// port's address (a PHY that is there but does not answer reads 0xFFFF).
SDK_STATUS sdkPhyPortSmiRegisterRead(uint8_t devNum, uint8_t portNum, uint8_t phyReg,
                                     uint16_t* data);
SDK_STATUS sdkPhyPortSmiRegisterWrite(uint8_t devNum, uint8_t portNum, uint8_t phyReg,
                                      uint16_t data);
// Clause-45 register access (device phyDev, 16-bit register).
SDK_STATUS sdkPhyPortC45RegisterRead(uint8_t devNum, uint8_t portNum, uint8_t phyDev,
                                     uint16_t phyReg, uint16_t* data);
SDK_STATUS sdkPhyPortC45RegisterWrite(uint8_t devNum, uint8_t portNum, uint8_t phyDev,
                                      uint16_t phyReg, uint16_t data);

// The chip's automatic polling of the port's PHY (speed, duplex and link follow the PHY).
SDK_STATUS sdkPhyAutonegSmiSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkPhyAutonegSmiGet(uint8_t devNum, uint8_t portNum, bool* enable);
// Auto-media-select bits of the group of six ports the port belongs to (bit port%6).
SDK_STATUS sdkPhySmiAutoMediaSelectSet(uint8_t devNum, uint8_t portNum, uint32_t bits);
SDK_STATUS sdkPhySmiAutoMediaSelectGet(uint8_t devNum, uint8_t portNum, uint32_t* bits);

// Speed switch of the 10 Gb/s PHY: 1000 Mb/s, 10 Gb/s, or its power-on mode (10 Gb/s).
constexpr uint32_t SDK_PHY_SPEED_MODE_1000 = 1;
constexpr uint32_t SDK_PHY_SPEED_MODE_10000 = 2;
constexpr uint32_t SDK_PHY_SPEED_MODE_DEFAULT = 3;
SDK_STATUS sdkPhyXgSpeedModeSet(uint8_t devNum, uint8_t portNum, uint32_t mode);
