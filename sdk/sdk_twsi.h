// The chip's two-wire (TWSI) bus master.
#pragma once

#include "sdk/sdk_types.h"

SDK_STATUS sdkTwsiInit();
// Data transfers with a slave. With validOffset the transfer first sends the offset, one
// byte or, with wideOffset, two; a read then returns len bytes from there.
SDK_STATUS sdkTwsiDataRead(uint8_t slaveAddr, uint8_t type, uint8_t validOffset, uint32_t offset,
                           uint8_t wideOffset, uint32_t len, uint8_t* data);
SDK_STATUS sdkTwsiDataWrite(uint8_t slaveAddr, uint8_t type, uint8_t validOffset, uint32_t offset,
                            uint8_t wideOffset, const uint8_t* data, uint32_t len);
// A 32-bit big-endian register of a slave at a two-byte offset.
SDK_STATUS sdkTwsiRegisterRead(uint8_t slaveAddr, uint32_t regAddr, uint32_t* value);
SDK_STATUS sdkTwsiRegisterWrite(uint8_t slaveAddr, uint32_t regAddr, uint32_t value);
