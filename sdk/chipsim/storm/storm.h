// The chip model's per-port rate limiters (storm control): the record of each port (the kinds
// of frames it counts and their shared limit) and its count in the current window. It is the
// `storm` member of Device (core/model.h), guarded by the device's lock.
//
// A port's limiter passes limit x granularity units in each one-second window of the model's
// clock (a window opens with the first frame it counts after the previous one ended), counting the
// frames of its enabled kinds that the pipeline would relay; what is over is dropped
// (storm-control, counted on the port). The granularity comes from the device's global rate-limit
// configuration (ratelimit/): packets with rate mode 2 (and 0), bytes with rate mode 1; a
// granularity of 0 (no window configured) leaves the limiter off.
//
// Power-on state: every kind off, limit 0.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_storm.h"

namespace chipsim {

struct StormPort {
    SDK_RATE_LIMIT_PORT_CFG cfg{};
    bool on = false;  // some kind is counted
    // The window `used` counts in: it opens with the first counted frame after the last one
    // closed, and lasts a second of the model's clock.
    bool window_open = false;
    uint64_t window_start = 0;
    uint64_t used = 0;
};

struct Storm {
    std::array<StormPort, kPortSlots> ports{};
    uint32_t active = 0;  // ports that count some kind
    // The model's clock as last read (every few frames, and after any change of the model).
    uint64_t now_ms = 0;
    uint32_t since_clock = 0;
    uint64_t clock_changes = ~uint64_t{0};

    // Writes a port's record, keeping `on` and `active`.
    void set(uint8_t port, const SDK_RATE_LIMIT_PORT_CFG& cfg);
};

// A port's granularity under the device's global configuration and the class of its speed
// (the link's while it is up) (0: none), and whether the limiter counts bytes (rate mode 1)
// rather than packets.
uint32_t storm_granularity(Locked d, uint8_t port, bool* bytes);

struct Packet;
// storm_limit: drops a relayed frame of a kind the port's limiter counts once the window's
// allowance is used up.
void storm_limit(Locked d, Packet& p);

// Registers storm control's simulation-control command.
void register_storm_simctl();

// ---- Inspection ----------------------------------------------------------------------
// A port's record (power-on for what does not exist).
SDK_RATE_LIMIT_PORT_CFG storm_port(uint8_t dev, uint8_t port);

}  // namespace chipsim
