// The ingress decision cache (flow_cache.h).
#include "sdk/chipsim/core/flow_cache.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

FlowCacheMode mode_from_env() {
    const char* v = std::getenv("CHIPSIM_FLOW_CACHE");
    if (!v) return FlowCacheMode::kOn;
    if (std::strcmp(v, "off") == 0) return FlowCacheMode::kOff;
    if (std::strcmp(v, "verify") == 0) return FlowCacheMode::kVerify;
    return FlowCacheMode::kOn;
}

std::atomic<FlowCacheMode> g_mode{mode_from_env()};

void key_of(const Packet& p, uint64_t key[FlowCache::kKeyBytes / 8]) {
    std::memcpy(key, p.data, FlowCache::kKeyBytes);  // frames are at least kMinFrame long
}

uint32_t slot_of(const uint64_t key[FlowCache::kKeyBytes / 8], uint32_t len, uint8_t port) {
    uint64_t h = key[0] ^ key[1] * 0x9E3779B97F4A7C15ull ^ key[2] ^ key[3] ^
                 (uint64_t{len} << 8 | port) * 0xC2B2AE3D27D4EB4Full;
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(h >> (64 - FlowCache::kSlotBits));
}

[[noreturn]] void mismatch(const char* field) {
    std::fprintf(stderr, "chipsim: the ingress decision cache kept a stale %s\n", field);
    std::abort();
}

}  // namespace

static_assert(FlowCache::kKeyBytes <= kMinFrame);

FlowCacheMode flow_cache_mode() {
    return g_mode.load(std::memory_order_relaxed);
}

void set_flow_cache_mode(FlowCacheMode m) {
    g_mode.store(m, std::memory_order_relaxed);
    changed();  // what was kept under another mode is not taken
}

FlowCache::Entry* flow_entry(Locked d, const Packet& p, bool cascade) {
    if (cascade || p.bad_fcs || p.out->tracing || is_multicast(p.data) ||
        flow_cache_mode() == FlowCacheMode::kOff)
        return nullptr;
    uint64_t key[FlowCache::kKeyBytes / 8];
    key_of(p, key);
    return &d->flows.entries[slot_of(key, p.len, p.in_port)];
}

bool flow_hit(Locked d, const FlowCache::Entry& e, Packet& p) {
    if (!e.valid || e.len != p.len || e.port != p.in_port || e.changes != p.out->changes ||
        e.fdb_gen != d->fdb.gen || std::memcmp(e.key, p.data, FlowCache::kKeyBytes) != 0)
        return false;
    const uint8_t* data = p.data;
    Result* out = p.out;
    p = e.packet;
    p.data = data;
    p.out = out;
    ++d->flows.stats.hits;
    return true;
}

void flow_store(Locked d, FlowCache::Entry& e, const Packet& p) {
    // Only what the stages decided from the frame's key bytes, the configuration and the
    // table alone (flow_cache.h).
    if (p.cmd != Cmd::kForward || p.flooded || !p.learned || p.uncached || !p.vlan || empty(p.dest))
        return;
    key_of(p, e.key);
    e.len = p.len;
    e.port = p.in_port;
    e.changes = p.out->changes;
    e.fdb_gen = d->fdb.gen;
    e.packet = p;
    e.packet.data = nullptr;
    e.packet.out = nullptr;
    e.valid = true;
    ++d->flows.stats.stores;
}

void flow_check(const Packet& c, const Packet& f) {
    if (c.vid != f.vid || c.vlan != f.vlan) mismatch("VLAN");
    if (c.stp != f.stp || c.ingress_ok != f.ingress_ok) mismatch("ingress state");
    if (c.up != f.up || c.cfi != f.cfi || c.tc != f.tc) mismatch("priority");
    if (c.cmd != f.cmd || c.drop != f.drop || c.has_code != f.has_code || c.cpu_code != f.cpu_code)
        mismatch("command");
    if (std::memcmp(&c.dest, &f.dest, sizeof c.dest) != 0 || c.flooded != f.flooded)
        mismatch("destination");
    if (c.learned != f.learned) mismatch("source");
    if (c.src_dev != f.src_dev || c.src_port != f.src_port || c.src_trunk != f.src_trunk ||
        c.as_received != f.as_received || c.uncached != f.uncached ||
        c.l3.ethertype != f.l3.ethertype)
        mismatch("frame view");
}

FlowCacheStats flow_cache_stats(uint8_t dev) {
    return on_device(dev, FlowCacheStats{}, [](Locked d) { return d->flows.stats; });
}

}  // namespace chipsim
