// The board side of the model for the platform's hardware services: transfers on the
// two-wire buses (bus 0 is the one the chip's TWSI master drives) and the memory-mapped
// board registers.
#pragma once

#include <cstdint>

#include "sdk/sdk_types.h"

namespace chipsim {

// One transfer with the device at addr: with valid_offset it first sends the offset (two
// bytes with wide_offset), then reads or writes len bytes. SDK_FAIL when no device answers
// or the device refuses the transfer.
SDK_STATUS bus_read(uint8_t bus, uint8_t addr, bool valid_offset, uint32_t offset, bool wide_offset,
                    uint32_t len, uint8_t* data);
SDK_STATUS bus_write(uint8_t bus, uint8_t addr, bool valid_offset, uint32_t offset,
                     bool wide_offset, const uint8_t* data, uint32_t len);

// A byte of the memory-mapped board registers; false for an address with no register.
bool board_reg_read(uint32_t addr, uint8_t* value);
bool board_reg_write(uint32_t addr, uint8_t value);

}  // namespace chipsim
