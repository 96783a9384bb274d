// The SDK's system state: bring-up (sdkSystemInit and the OS layer), board parameters and
// options, the device-wide settings that belong to no feature of their own, and the hardware
// registers written by address.
#pragma once

#include <cstdint>
#include <string>

namespace chipsim {

// ---- Inspection (zero for a device the model does not have) ----------------------------
uint8_t hw_dev_num(uint8_t dev);
bool aa_ta_to_cpu(uint8_t dev);
bool netif_up(uint8_t dev);
uint32_t token_bucket_mtu(uint8_t dev);
uint32_t hw_reg(uint8_t dev, uint32_t addr);
// A board parameter's value (0xFFFFFFFF when it is not set).
uint32_t board_param(const std::string& name);
bool phase2_netif_option();

}  // namespace chipsim
