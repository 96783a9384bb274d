// The ingress decision cache: what the ingress stages (look_above_l2 to storm_limit, see
// pipeline.h) decided about a frame, kept per device and taken again by the next frame that
// meets the same inputs, the way a flow cache in front of a software switch's classifier
// spares the full lookup.
//
// Those stages are a function of the frame's first kKeyBytes bytes, its length, the port it
// came in on, the model's configuration and the device's address table, except where a
// stage looks at more (the headers above layer 2, the clock, a trunk's hash over the whole
// frame) or makes a copy on the side (mirroring): such a stage sets Packet::uncached. Their
// one side effect on a frame from a known source is setting the source's age bit, which is
// still set when the entry is taken again (only a walk of the table clears it, and a walk
// makes every entry stale). So an entry is kept only for a frame that was
//   - forwarded (no trap, mirror or drop) to an address-table entry, not flooded,
//   - from a source the table holds (or learned just now) on that port,
//   - not marked uncached by any stage,
// and it is stamped with the model's change count and the address table's generation: any
// sdk* write, simulation-control change, learned or removed address or table walk makes
// every entry stale. Frames over the internal link, with a bad FCS, or traced always take the
// stages. Egress (and everything per copy: counters, tagging, capture) is never cached.
//
// A new ingress stage that looks at more than the key, or acts on anything but the packet,
// sets Packet::uncached for the frames it does so for. CHIPSIM_FLOW_CACHE=off turns the cache
// off; CHIPSIM_FLOW_CACHE=verify runs the stages for every hit as well and aborts, naming the
// field, when they decide otherwise (run the tests that way after adding a stage).
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

enum class FlowCacheMode : uint8_t { kOn, kOff, kVerify };
// The mode of the process (from CHIPSIM_FLOW_CACHE at first use); tests set it.
FlowCacheMode flow_cache_mode();
void set_flow_cache_mode(FlowCacheMode m);

// Frames of a device that took a cached decision, and decisions kept.
struct FlowCacheStats {
    uint64_t hits = 0;
    uint64_t stores = 0;
};
FlowCacheStats flow_cache_stats(uint8_t dev);

struct FlowCache {
    static constexpr uint32_t kKeyBytes = 32;
    static constexpr uint32_t kSlotBits = 6;
    struct Entry {
        uint64_t key[kKeyBytes / 8]{};
        uint32_t len = 0;
        uint8_t port = 0;
        bool valid = false;
        uint64_t changes = 0;  // the model's change count it was decided at
        uint64_t fdb_gen = 0;  // the address table's generation it was decided at
        Packet packet;         // as the ingress stages left it
    };
    std::array<Entry, 1u << kSlotBits> entries{};
    FlowCacheStats stats;
};

// The entry the packet's inputs map to, or nullptr when the frame may not use the cache. The
// packet has been through port_ingress.
FlowCache::Entry* flow_entry(Locked d, const Packet& p, bool cascade);
// Takes the entry's decision into the packet when the entry holds the packet's inputs and is
// not stale (a hit); false otherwise.
bool flow_hit(Locked d, const FlowCache::Entry& e, Packet& p);
// Keeps the decision the stages made in the entry, when the frame qualifies.
void flow_store(Locked d, FlowCache::Entry& e, const Packet& p);
// verify mode: aborts unless the stages' decision `fresh` is the cached one.
void flow_check(const Packet& cached, const Packet& fresh);

}  // namespace chipsim
