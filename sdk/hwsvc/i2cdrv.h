// I2CDRV: the platform's two-wire bus driver. Transfers on a bus by index (bus 0 is the
// one the switching chip's TWSI master also drives), and exclusive use of a multiplexer
// channel, selected through a write operation the caller supplies.
#pragma once

#include <cstdint>

// A two-wire write operation (the switch chip driver's DEV_SWDRV_TwsiDataWrite).
using I2CDRV_TwsiWriteFunc_T = bool (*)(uint8_t slave_addr, uint8_t type, uint8_t valid_offset,
                                        uint32_t offset, uint8_t more_than_256, const uint8_t* data,
                                        uint32_t len);

// Waits until no other caller holds a multiplexer, selects channel `channel` of the
// multiplexer at mux_addr through write_fn and keeps it until I2CDRV_UnLockMuxWithFunPtr.
// FALSE (and nothing held) when the selection fails.
bool I2CDRV_SetAndLockMuxWithFunPtr(uint32_t mux_addr, uint32_t channel,
                                    I2CDRV_TwsiWriteFunc_T write_fn);
// Deselects every channel of the multiplexer and releases it. FALSE when it was not held or
// the deselection failed (it is released all the same).
bool I2CDRV_UnLockMuxWithFunPtr(uint32_t mux_addr, I2CDRV_TwsiWriteFunc_T write_fn);

bool I2CDRV_TwsiDataReadWithBusIdx(uint32_t bus_idx, uint8_t slave_addr, uint8_t type,
                                   uint8_t valid_offset, uint32_t offset, uint8_t more_than_256,
                                   uint32_t len, uint8_t* data);
bool I2CDRV_TwsiDataWriteWithBusIdx(uint32_t bus_idx, uint8_t slave_addr, uint8_t type,
                                    uint8_t valid_offset, uint32_t offset, uint8_t more_than_256,
                                    const uint8_t* data, uint32_t len);
