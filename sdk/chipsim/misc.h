// The chip model's remaining port features (sdk_misc.h) and the device's temperature. It is
// the `misc` member of Device (model.h), guarded by the device's lock.
//
// Power-on state: no loopbacks, MAC addresses 0, nothing blocked, no analyzer tag, shapers
// off, 45 degrees Celsius.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan.h"

namespace chipsim {

struct PortMisc {
    bool internal_loopback = false;   // what the port sends comes back in on it
    bool oam_loopback = false;        // what the port receives (OAM PDUs excepted) goes back out
    std::array<uint8_t, 6> mac_sa{};  // source address of the port's own frames
    bool egress_block = false;        // no switched frame leaves the port
    uint16_t analyzer_vid = 0;        // VLAN tag added to mirrored frames sent here (0: none)
    bool shaper_enable = false;
    uint32_t shaper_burst = 0;  // 4 KB units
    uint32_t shaper_rate = 0;   // kbit/s

    bool operator==(const PortMisc&) const = default;
};

struct Misc {
    std::array<PortMisc, kPortSlots> ports{};  // by device port, 63 the CPU port
    int32_t temperature = 45;                  // degrees Celsius

    bool operator==(const Misc&) const = default;
};

}  // namespace chipsim
