// The trunks' stages: the trunk a frame came in on, the member a frame for a trunk leaves on,
// and one member per trunk for a frame bound for several ports.
#include <cstring>
#include <string>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint8_t kNoPort = 0xFF;

// Folds bytes to the 6 bits a hash field gives: their XOR, its top two bits folded in.
uint32_t fold8(uint32_t x) {
    x ^= x >> 16;
    x ^= x >> 8;
    x &= 0xFF;
    return (x ^ x >> 6) & 0x3F;
}
uint32_t fold(const uint8_t* b, uint32_t n) {
    uint32_t x = 0;
    for (uint32_t i = 0; i < n; ++i)
        x ^= b[i];
    return fold8(x);
}
uint32_t fold_mac(const uint8_t* b) {
    uint32_t w;
    uint16_t h;
    std::memcpy(&w, b, 4);
    std::memcpy(&h, b + 4, 2);
    return fold8(w ^ h);
}

uint32_t ipv6_field(const Trunks& t, const uint8_t* a) {
    switch (t.ipv6_mode) {
        case 0:
            return fold(a + 12, 4);
        case 1:
            return fold(a + 8, 4);
        case 2:
            return fold(a, 4);
    }
    return fold(a, 16);
}

// The frame's hash under the device's settings (6 bits).
uint32_t hash(const Device& d, const Packet& p) {
    const Trunks& t = d.trunks;
    if (t.hash_mode == SDK_TRUNK_HASH_INGRESS_PORT) return p.src_port & 0x3Fu;
    uint32_t h = (fold_mac(p.data) & t.mask[SDK_TRUNK_HASH_FIELD_MAC_DA]) ^
                 (fold_mac(p.data + 6) & t.mask[SDK_TRUNK_HASH_FIELD_MAC_SA]);
    if (!t.ip_hash) return h;
    uint32_t at = p.l2.payload;
    uint16_t type = rd16(p.data, p.len, at);
    if (type == kEtherTypeCtag) {
        at += kTagLen;
        type = rd16(p.data, p.len, at);
    }
    at += 2;
    if (type == kEtherTypeIpv4 && at + 20 <= p.len) {
        h ^= fold(p.data + at + 12, 4) & t.mask[SDK_TRUNK_HASH_FIELD_IPV4_SIP];
        h ^= fold(p.data + at + 16, 4) & t.mask[SDK_TRUNK_HASH_FIELD_IPV4_DIP];
    } else if (type == kEtherTypeIpv6 && at + 40 <= p.len) {
        h ^= ipv6_field(t, p.data + at + 8) & t.mask[SDK_TRUNK_HASH_FIELD_IPV6_SIP];
        h ^= ipv6_field(t, p.data + at + 24) & t.mask[SDK_TRUNK_HASH_FIELD_IPV6_DIP];
    }
    return h;
}

// Whether a member takes traffic: a port of this device whose link is up, or a port of
// another device (whose link that device knows).
bool member_up(Locked d, const Packet& p, const SDK_TRUNK_MEMBER& m) {
    if (m.device != d->hw_dev_num) return true;
    Port* port = d->port(m.port);
    return port && port_up(d, *port, p.out->changes);
}

// The member each hash value picks: the value modulo the number of enabled members that take
// traffic, in their order, so the same flow keeps its member while they stay the same.
[[gnu::noinline]] void pick_members(Locked d, const Packet& p, Trunk& t) {
    SDK_TRUNK_MEMBER up[SDK_TRUNK_MAX_MEMBERS];
    uint32_t n = 0;
    for (uint32_t i = 0; i < t.n_enabled; ++i)
        if (member_up(d, p, t.enabled[i])) up[n++] = t.enabled[i];
    t.n_up = static_cast<uint8_t>(n);
    for (uint32_t h = 0; n && h < kTrunkHashValues; ++h)
        t.pick[h] = up[h % n];
    t.picked_at = p.out->changes;
}

// The member the frame leaves the trunk on; false when none takes traffic.
bool choose(Locked d, const Packet& p, Trunk& t, SDK_TRUNK_MEMBER* out) {
    if (t.picked_at != p.out->changes) pick_members(d, p, t);
    if (!t.n_up) return false;
    *out = t.pick[hash(*d, p)];
    return true;
}

// The port of this device a member is reached by.
uint8_t local_port(Locked d, const SDK_TRUNK_MEMBER& m) {
    return m.device == d->hw_dev_num ? m.port : cascade_port_to(d, m.device);
}

}  // namespace

void trunk_ingress(Locked d, Packet& p) {
    if (!d->trunks.active) return;
    p.src_trunk = d->trunks.member_of[trunk_member_slot(p.src_dev, p.src_port)];
}

void trunk_to(Locked d, Packet& p, uint16_t trunk) {
    p.uncached = true;  // the member depends on fields past the cache's key and on links
    SDK_TRUNK_MEMBER m;
    if (!d->trunks.valid(trunk) || !choose(d, p, d->trunks.table[trunk], &m)) return;
    uint8_t q = local_port(d, m);
    if (q != kNoPort) sdkPortsBmpSet(p.dest, q, true);
    if (p.out->tracing) [[unlikely]]
        trace_stage(d, p, "trunk", 0xFF,
                    "trunk " + std::to_string(trunk) + " member " + std::to_string(m.device) + "/" +
                        std::to_string(m.port));
}

void trunk_flood(Locked d, Packet& p) {
    if (!d->trunks.active || !p.flooded || !p.relayed()) return;
    Trunks& ts = d->trunks;
    bool changed = false;
    for (uint32_t w = 0; w < 2; ++w) {
        for (uint32_t bits = p.dest.ports[w]; bits; bits &= bits - 1) {
            uint8_t q = static_cast<uint8_t>(w * 32 + static_cast<uint32_t>(__builtin_ctz(bits)));
            uint8_t id = ts.member_of[trunk_member_slot(d->hw_dev_num, q)];
            if (!id) continue;
            SDK_TRUNK_MEMBER m;
            bool keep = id != p.src_trunk && choose(d, p, ts.table[id], &m) &&
                        m.device == d->hw_dev_num && m.port == q;
            if (!keep) {
                sdkPortsBmpSet(p.dest, q, false);
                changed = true;
            }
        }
    }
    if (changed && p.out->tracing) trace_stage(d, p, "trunk_flood", 0xFF, "one member per trunk");
}

}  // namespace chipsim
