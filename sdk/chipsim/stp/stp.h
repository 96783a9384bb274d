// The chip model's spanning-tree state: the state of every port in each spanning-tree group.
// It is the `stp` member of Device (model.h), guarded by the device's lock. A frame in VLAN v
// meets, on each port, the port's state in the group the VLAN is bound to
// (Vlans::table[v].info.stgId): SDK_STP_DISABLED and SDK_STP_BLOCKING pass nothing but BPDUs
// (disabled not even those), SDK_STP_LEARNING learns source addresses and forwards nothing,
// SDK_STP_FORWARDING learns and forwards.
//
// Power-on state: every port forwarding in every group (the chip switches like an unmanaged
// bridge until spanning tree is configured).
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_stp.h"

namespace chipsim {

struct Stp {
    // state[group][device port] (63 is the CPU port): SDK_STP_*.
    std::array<std::array<uint8_t, kPortSlots>, SDK_STP_GROUPS> state;

    Stp() {
        for (auto& group : state)
            group.fill(SDK_STP_FORWARDING);
    }
    bool operator==(const Stp&) const = default;
};

// Inspection: a copy, or the power-on state for a device the model does not have.
Stp stp(uint8_t dev);

// Registers the simulation-control commands of the spanning-tree state.
void register_stp_simctl();

// ---- Stages ------------------------------------------------------------------------------
class Locked;
struct Packet;
// stp_ingress: the receiving port's state in the VLAN's group (p.stp); disabled drops
// everything, blocking and learning drop softly (a BPDU trap still reaches the CPU).
void stp_ingress(Locked d, Packet& p);
// stp_egress: the destination port forwards in the VLAN's group.
bool stp_egress(Locked d, const Packet& p, uint8_t q);

}  // namespace chipsim
