// The chip model's remaining port features (sdk_misc.h) and the device's temperature. It is
// the `misc` member of Device (model.h), guarded by the device's lock.
//
// Power-on state: no loopbacks, MAC addresses 0, nothing blocked, no analyzer tag, shapers
// off, 45 degrees Celsius.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"

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

// A shaper of one of the CPU port's queues.
struct QueueShaper {
    bool enable = false;
    uint32_t burst = 0;  // 4 KB units (frames when the CPU port counts frames)
    uint32_t rate = 0;   // kbit/s (frames per second when it counts frames)

    bool operator==(const QueueShaper&) const = default;
};

struct Misc {
    std::array<PortMisc, kPortSlots> ports{};  // by device port, 63 the CPU port
    // The CPU port's shapers count bytes (SDK_PORT_TX_TO_CPU_SHAPER_BYTES) or frames.
    uint32_t cpu_shaper_mode = 1;
    std::array<QueueShaper, 8> cpu_queue_shapers{};  // by traffic class
    int32_t temperature = 45;                        // degrees Celsius

    bool operator==(const Misc&) const = default;
};

// A port shaper's bucket: bits it may send now, refilled at the shaper's rate over model
// time up to its burst.
struct ShaperBucket {
    uint64_t last_ms = 0;
    uint64_t bits = 0;
    bool primed = false;
};

// Inspection: a copy, or the power-on state for a device the model does not have.
Misc misc(uint8_t dev);
// The temperature the device's sensor reads.
bool set_temperature(uint8_t dev, int32_t celsius);

// Registers the simulation-control commands of the device's temperature.
void register_misc_simctl();

// ---- Stages ------------------------------------------------------------------------------
struct Packet;
// misc_oam_loopback: what an OAM-loopback port receives (OAM PDUs excepted) goes back out of
// it as it came, not switched.
void misc_oam_loopback(Locked d, Packet& p);
// misc_egress_block: no switched frame leaves a port with the egress block.
bool misc_egress_block(Locked d, const Packet& p, uint8_t q);
// misc_shaper: a port whose shaper is on sends at most its rate (kbit/s over model time) with
// its burst; a copy over it is dropped (counted as egress-shaper on the port). Applies to the
// CPU port too.
bool misc_shaper(Locked d, const Packet& p, uint8_t q, uint32_t len);
// misc_queue_shaper: the same for the CPU port's queue of traffic class tc.
bool misc_queue_shaper(Locked d, const Packet& p, uint8_t tc, uint32_t len);

}  // namespace chipsim
