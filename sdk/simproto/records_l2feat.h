// Simulation-control records of trunks, storm control and mirroring (TRUNKS, STORM, MIRROR).
// Included by records.h.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sdk/simproto/codec.h"

namespace simproto {

// One member of a trunk of a device: its chip trunk id, the member (module id, port), whether
// it takes traffic (enabled) and the front port it is, or 0.
struct TrunkMemberRecord {
    uint16_t trunk = 0;
    uint8_t device = 0, port = 0;
    uint8_t enabled = 0;
    uint8_t front = 0;
    SIMPROTO_FIELDS(s.trunk, s.device, s.port, s.enabled, s.front, Zero<2>{})
};
// TRUNKS: a device's load-balancing hash and its trunks' members.
struct TrunksReply {
    uint8_t hash_mode = 0, ip_hash = 0, ipv6_mode = 0;
    std::array<uint8_t, 9> masks{};  // by hash field
    uint32_t count = 0;
    std::vector<TrunkMemberRecord> items;
    SIMPROTO_FIELDS(s.hash_mode, s.ip_hash, s.ipv6_mode, s.masks, s.count,
                    counted(s.items, s.count))
};

// The kinds a port's rate limiter counts.
constexpr uint8_t kStormBc = 0x01, kStormMc = 0x02, kStormMcReg = 0x04, kStormUcUnk = 0x08,
                  kStormUcKnown = 0x10;
// STORM: a front port's rate limiter: kinds, limit, the granularity it counts in (bytes or
// packets per second per unit of the limit) and its drops.
struct StormRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint8_t kinds = 0;  // kStorm*
    uint32_t limit = 0;
    uint32_t granularity = 0;
    uint8_t bytes = 0;  // 1: the limiter counts bytes, 0 packets
    uint64_t drops = 0;
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, s.kinds, s.limit, s.granularity, s.bytes,
                    Zero<3>{}, s.drops)
};

// A front port's mirroring (MIRROR).
constexpr uint8_t kMirrorRx = 0x01, kMirrorTx = 0x02;
struct MirrorPortRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint8_t flags = 0;  // kMirror*
    uint8_t rx_index = 0, tx_index = 0;
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, s.flags, s.rx_index, s.tx_index, Zero<2>{})
};
// MIRROR: a device's analyzers (module id and port of each table entry, then the single
// ingress and egress analyzers), forwarding mode, global ingress analyzer, mirrored ports.
struct MirrorReply {
    uint8_t has_table = 0, fwd_mode = 0, global_rx = 0, global_index = 0;
    std::array<uint8_t, 14> table{};  // entries 0..6: module id, port
    std::array<uint8_t, 4> single{};  // ingress module id and port, egress module id and port
    uint32_t count = 0;
    std::vector<MirrorPortRecord> items;
    SIMPROTO_FIELDS(s.has_table, s.fwd_mode, s.global_rx, s.global_index, s.table, s.single,
                    s.count, counted(s.items, s.count))
};

}  // namespace simproto
