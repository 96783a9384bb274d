// SYS_HWCFG: the hardware configuration of the board, as the platform tells it to drivers.
#pragma once

#include <cstdint>

// Access methods of an SFP transmitter-disable bit.
constexpr uint8_t SYS_HWCFG_SFP_TX_ACCESS_TWSI = 0;       // the chip driver's two-wire bus
constexpr uint8_t SYS_HWCFG_SFP_TX_ACCESS_TWSI_MUX = 1;   // the same, behind a multiplexer
constexpr uint8_t SYS_HWCFG_SFP_TX_ACCESS_PHYS_ADDR = 2;  // a memory-mapped register
constexpr uint8_t SYS_HWCFG_SFP_TX_ACCESS_NONE = 3;       // nothing to do
constexpr uint8_t SYS_HWCFG_SFP_TX_ACCESS_I2C_BUS = 4;    // I2CDRV on a bus index

// Where the transmitter-disable bit of a port's SFP is. The byte holding it becomes
// (old AND NOT bit_mask) OR (bit_mask AND value), value being disable_value to disable the
// transmitter and its complement to enable it.
struct SYS_HWCFG_SfpTxDisableRegInfo_T {
    uint8_t access_method;
    uint8_t data_len;
    uint8_t bus_idx;      // I2C_BUS
    uint8_t mux_addr;     // TWSI_MUX
    uint8_t mux_channel;  // TWSI_MUX
    uint8_t dev_addr;     // two-wire slave address
    uint8_t bit_mask;
    uint8_t disable_value;
    uint32_t offset;  // register offset on the slave, or the memory address (PHYS_ADDR)
};

// TRUE when the front port of the board has a controllable SFP transmitter.
bool SYS_HWCFG_GetSFPTxDisableRegInfo(uint32_t board_id, uint32_t port,
                                      SYS_HWCFG_SfpTxDisableRegInfo_T* info);

// Where a transceiver cage's module-present input is: a board register (PHYSICAL_ADDR_ACCESS)
// whose (value AND mask) >> shift is 0 while a module is in the cage (active low).
struct SYS_HWCFG_SfpPresentRegInfo_T {
    uint32_t addr;
    uint8_t mask;
    uint8_t shift;
};

// TRUE when the board has cage sfp_index and its present input is described.
bool SYS_HWCFG_GetSfpPresentRegInfo(uint32_t board_id, uint32_t sfp_index,
                                    SYS_HWCFG_SfpPresentRegInfo_T* info);
