// The chip model's mirroring: the analyzer-interface table (entries 0 to 6), the single
// ingress and egress analyzer ports, the to-analyzer forwarding mode, each port's ingress and
// egress mirroring with the entry it names, and the global ingress analyzer that VLAN
// mirroring uses. It is the `mirror` member of Device (core/model.h), guarded by the device's
// lock.
//
// Stages: mirror_ingress copies what a mirrored port receives, or what arrives in a VLAN whose
// entry says mirrorToAnalyzer while the global ingress analyzer is on, as received to the
// analyzer port; mirror_egress copies what leaves a mirrored port as sent. An analyzer of
// another device gets no copy (the model does not carry mirrored copies over the internal
// link). With nothing mirrored, each stage is one flag check.
//
// Power-on state: no mirroring, forwarding mode 0, every analyzer (device 0, port 0).
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_mirror.h"

namespace chipsim {

struct MirrorPort {
    bool rx = false, tx = false;
    uint8_t rx_index = 0, tx_index = 0;
    bool operator==(const MirrorPort&) const = default;
};

struct Mirror {
    bool has_table = true;  // the analyzer-interface table
    std::array<SDK_MIRROR_ANALYZER, SDK_MIRROR_ANALYZERS> table{};
    SDK_MIRROR_ANALYZER rx_port{}, tx_port{};  // the single analyzers (forwarding mode 0)
    uint32_t fwd_mode = 0;
    bool global_rx = false;
    uint32_t global_rx_index = 0;
    std::array<MirrorPort, kPortSlots> ports{};
    // Derived (kept by refresh): something is mirrored on receive, on send.
    bool any_rx = false, any_tx = false;

    void refresh();
};

struct Packet;
// mirror_ingress: a copy of the frame as received to the analyzer of its port or VLAN.
void mirror_ingress(Locked d, Packet& p);
// mirror_egress: a copy of what left port q (the `len` bytes at `offset` of the result's
// data) to the port's egress analyzer.
void mirror_egress(Locked d, const Packet& p, uint8_t q, size_t offset, uint32_t len);

// Registers mirroring's simulation-control command.
void register_mirror_simctl();

// ---- Inspection ----------------------------------------------------------------------
Mirror mirror(uint8_t dev);

}  // namespace chipsim
