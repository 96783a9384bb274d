// The two global rate-limit records of the per-port rate limiters, selected by a rate mode
// (1 or 2), and the speed class each port's limiter counts in. Chip defaults write the
// rate-mode-2 record and the ports' classes at start; storm control and the QoS driver's
// ingress rate limit switch records and read granularities from them.
#pragma once

#include <cstdint>

#include "sdk/sdk_ratelimit.h"

namespace swdrv {

constexpr uint32_t kRateModeBytes = 1;
constexpr uint32_t kRateModePackets = 2;
// The record of rate mode 1 or 2; nullptr for another mode.
const SDK_RATE_LIMIT_GLOBAL_CFG* rate_mode_record(uint32_t rate_mode);
// Whether the device counts its limiters per speed class (devices of the excluded family do
// not), and whether its port does (ports 24 and 25 of families 12 and 13 are fixed 10 Gb/s).
bool rate_speed_cfg_device(uint32_t device_id);
bool rate_speed_cfg_port(uint32_t device_id, uint32_t phy_port);
// The speed class of an SDK speed (SDK_RATE_LIMIT_CLASSES: none).
uint32_t rate_speed_class(uint32_t sdk_speed);
// Writes the rate-mode-2 record to the device and, where it counts per speed class, each
// existing port's class from its current speed. SDK results are ORed.
SDK_STATUS rate_mode_defaults(uint32_t device_id);

}  // namespace swdrv
