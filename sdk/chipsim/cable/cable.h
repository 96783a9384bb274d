// The cables on the chip's copper ports: four pairs, each good or faulty (open, shorted,
// shorted to another pair) at a distance, and the PHY's cable test, whose result takes a few
// polls to become ready. It is the `cables` member of Device (core/model.h), guarded by the
// device's lock. A faulty pair A or B leaves no link; a faulty pair C or D no 1000 Mb/s link.
//
// Power-on state: no cable set: a port with a link partner has four good pairs of
// kDefaultCableMetres, a port without one reads as all pairs open at 0 m (nothing plugged).
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/port/port.h"
#include "sdk/sdk_cable.h"
#include "sdk/sdk_types.h"

namespace chipsim {

constexpr uint32_t kDefaultCableMetres = 5;
// Reads of a started test that answer SDK_NOT_READY before the result is there.
constexpr uint32_t kCableTestPolls = 3;

struct CablePair {
    uint32_t state = SDK_CABLE_NORMAL;  // SDK_CABLE_NORMAL, _OPEN, _SHORT or _CROSSTALK
    uint32_t metres = kDefaultCableMetres;
    bool operator==(const CablePair&) const = default;
};
using Cable = std::array<CablePair, SDK_CABLE_PAIRS>;

struct PortCable {
    bool set = false;  // a cable was described (else the power-on cable)
    Cable pairs{};
    bool testing = false;     // a test was started
    uint32_t polls_left = 0;  // reads before its result is ready
    bool operator==(const PortCable&) const = default;
};

struct Cables {
    std::array<PortCable, SDK_MAX_PORTS> ports{};
    bool operator==(const Cables&) const = default;
};

struct Port;
// The cable a port has: the one described, else the power-on one.
Cable cable_of(const Cables& c, const Port& p);
// The partner as the PHY meets it through the cable: without abilities (no link) when pair A
// or B is faulty, without 1000 Mb/s ones when pair C or D is.
Partner cable_partner(const Cables& c, const Port& p);

// ---- Inspection and the simulated world ------------------------------------------------
// A pair (0..3 for A..D) of the port's cable becomes this state at this distance; the other
// pairs keep theirs (good, of this length, when no cable was described yet).
bool set_cable_pair(uint8_t dev, uint8_t port, uint32_t pair, uint32_t state, uint32_t metres);
// Back to the power-on cable.
bool clear_cable(uint8_t dev, uint8_t port);
PortCable port_cable(uint8_t dev, uint8_t port);

// Registers the simulation-control command of the cables.
void register_cable_simctl();

}  // namespace chipsim
