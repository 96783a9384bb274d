// The register map of the board's PoE controllers, as the controllers document it. A
// controller is a two-wire device with 16-bit registers at even byte addresses, addressed
// with a two-byte offset and transferred high byte first. Channel c (0..23) of a register
// block is at BLOCK + 2 * c. Measurements ("latched") hold the values of the last latch: a
// write of 1 to POE_REG_LATCH copies the live values into them.
#pragma once

#include <cstdint>

constexpr uint8_t POE_MAX_CHANNELS = 24;

// Per channel.
constexpr uint16_t POE_REG_CH_CONFIG = 0x0100;   // bit 0 enable, bits 4-5 priority (0-2)
constexpr uint16_t POE_REG_CH_LIMIT = 0x0140;    // power limit, 0.1 W (a port above it is cut)
constexpr uint16_t POE_REG_CH_STATUS = 0x0180;   // bits 0-3 state, 8-10 class, 15 detected
constexpr uint16_t POE_REG_CH_ALLOC = 0x01C0;    // power allocated to the port, 0.1 W
constexpr uint16_t POE_REG_CH_POWER = 0x1200;    // latched: consumed power, 0.1 W
constexpr uint16_t POE_REG_CH_VOLTAGE = 0x1240;  // latched: port voltage, 0.01 V
constexpr uint16_t POE_REG_CH_CURRENT = 0x1280;  // latched: port current, mA

constexpr uint16_t POE_CH_ENABLE = 0x0001;
constexpr uint16_t POE_CH_PRIORITY_SHIFT = 4;
constexpr uint16_t POE_CH_PRIORITY_MASK = 0x0030;
constexpr uint16_t POE_CH_DETECTED = 0x8000;
constexpr uint16_t POE_CH_CLASS_SHIFT = 8;

// Channel states (POE_REG_CH_STATUS bits 0-3).
constexpr uint8_t POE_STATE_NO_DEVICE = 0;
constexpr uint8_t POE_STATE_DELIVERING = 1;
constexpr uint8_t POE_STATE_DENIED = 2;    // the device's power budget is exhausted
constexpr uint8_t POE_STATE_DISABLED = 3;  // a powered device is there, the port is off
constexpr uint8_t POE_STATE_OVERLOAD = 4;  // the device draws more than the port's limit

// Per device.
constexpr uint16_t POE_REG_DEVICE_ID = 0x031A;      // 0x5000 | number of channels
constexpr uint16_t POE_REG_VERSION_MAJOR = 0x105C;  // 8-bit
constexpr uint16_t POE_REG_VERSION_MINOR = 0x105E;  // 8-bit
constexpr uint16_t POE_REG_NAME = 0x1060;           // 10 ASCII bytes, the product name
constexpr uint8_t POE_NAME_LEN = 10;
constexpr uint16_t POE_REG_SYSTEM = 0x1160;  // bit 6 power on, bit 4 auto-restore
constexpr uint16_t POE_SYSTEM_POWER = 0x0040;
constexpr uint16_t POE_SYSTEM_AUTO_RESTORE = 0x0010;  // denied ports powered when power frees

// Latched system measurements.
constexpr uint16_t POE_REG_VMAIN = 0x12D6;        // supply voltage, 0.01 V
constexpr uint16_t POE_REG_IMAIN = 0x12D8;        // total current, mA
constexpr uint16_t POE_REG_TEMP = 0x12DA;         // temperature (register encoding)
constexpr uint16_t POE_REG_DELIVERING = 0x12DC;   // ports delivering power
constexpr uint16_t POE_REG_DETECTED = 0x12DE;     // ports with a powered device
constexpr uint16_t POE_REG_DENIED = 0x12E0;       // ports denied power
constexpr uint16_t POE_REG_PG_LATCHED = 0x12E2;   // power good of channels 0-15, 16-23 (2 regs)
constexpr uint16_t POE_REG_TEMP_PEAK = 0x12E6;    // hottest temperature seen (register encoding)
constexpr uint16_t POE_REG_TOTAL_POWER = 0x12E8;  // consumed power, units of 1/16.4 W

constexpr uint16_t POE_REG_BUDGET = 0x12FE;       // budget in effect (W): the active bank's
constexpr uint16_t POE_REG_BANK = 0x1302;         // active power bank 0-7
constexpr uint16_t POE_REG_ALLOCATED = 0x1304;    // power allocated to ports, 0.1 W
constexpr uint16_t POE_REG_POWER_GOOD = 0x1310;   // live: bit c of channels 0-15, then 16-23
constexpr uint16_t POE_REG_TEMP_LIVE = 0x1320;    // live temperature (register encoding)
constexpr uint16_t POE_REG_BANK_BUDGET = 0x138C;  // bank i's budget (W) at + 2 * i, i 0..7
constexpr uint16_t POE_REG_LATCH = 0x139C;        // write 1: latch the measurements
constexpr uint16_t POE_REG_RESET = 0x13A2;        // write 1: power-on configuration again

constexpr uint16_t poe_ch_reg(uint16_t block, uint8_t channel) {
    return static_cast<uint16_t>(block + 2 * channel);
}
