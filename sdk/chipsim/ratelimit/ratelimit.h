// The global configuration of a device's per-port rate limiters: drop mode, rate mode and the
// window of each speed class, the per-speed configuration switch and each port's speed class.
// It is the `ratelimit` member of Device (core/model.h), guarded by the device's lock; the
// per-port limiters that count against it read it for their granularity.
//
// Power-on state: drop mode 0, rate mode 0, windows 0, per-speed configuration off, every
// port in the 1 Gb/s class.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_ratelimit.h"

namespace chipsim {

struct RateLimit {
    uint32_t drop_mode = 0, rate_mode = 0;
    std::array<uint32_t, SDK_RATE_LIMIT_CLASSES> window{};
    bool speed_cfg = false;
    std::array<uint32_t, kPortSlots> port_class{};
    RateLimit() { port_class.fill(SDK_RATE_LIMIT_1G); }
    bool operator==(const RateLimit&) const = default;
};

// ---- Inspection ----------------------------------------------------------------------
RateLimit ratelimit(uint8_t dev);

}  // namespace chipsim
