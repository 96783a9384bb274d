// The per-port rate limiter's stage (storm control).
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint64_t kWindowMs = 1000;

// The class of the port's speed: its link's when the link is up, else its configured one.
uint32_t speed_class(Locked d, uint8_t port) {
    const RateLimit& r = d->ratelimit;
    if (r.speed_cfg) return r.port_class[port];
    Port& p = d->ports[port];
    LinkState l = resolve_link(d, p);
    switch (l.up ? l.speed : p.speed) {
        case SDK_PORT_SPEED_10:
            return SDK_RATE_LIMIT_10M;
        case SDK_PORT_SPEED_100:
            return SDK_RATE_LIMIT_100M;
        case SDK_PORT_SPEED_10000:
            return SDK_RATE_LIMIT_10G;
    }
    return SDK_RATE_LIMIT_1G;
}

// Whether the port's limiter counts the frame's kind.
bool counted(const SDK_RATE_LIMIT_PORT_CFG& c, const Packet& p) {
    if (is_broadcast(p.data)) return c.enableBc;
    if (is_multicast(p.data)) return p.flooded ? c.enableMc : c.enableMcReg;
    return p.flooded ? c.enableUcUnk : c.enableUcKnown;
}

uint64_t now_ms(Locked d, uint64_t changes) {
    Storm& s = d->storm;
    if (++s.since_clock >= kClockEvery || s.clock_changes != changes) {
        s.since_clock = 0;
        s.clock_changes = changes;
        s.now_ms = clock_ms();
    }
    return s.now_ms;
}

}  // namespace

uint32_t storm_granularity(Locked d, uint8_t port, bool* bytes) {
    const RateLimit& r = d->ratelimit;
    uint32_t cls = port < SDK_MAX_PORTS ? speed_class(d, port) : SDK_RATE_LIMIT_1G;
    uint32_t window = cls < SDK_RATE_LIMIT_CLASSES ? r.window[cls] : 0;
    uint32_t dividend = r.rate_mode == 1 ? 64000000u : 512000u;
    *bytes = r.rate_mode == 1;
    return window && window <= dividend ? dividend / window : 0;
}

void storm_limit(Locked d, Packet& p) {
    if (!d->storm.active || p.cascade) return;
    StormPort& s = d->storm.ports[p.in_port];
    if (!s.on || !p.relayed() || !counted(s.cfg, p)) return;
    p.uncached = true;  // the limiter's bucket fills with time
    bool bytes = false;
    uint32_t g = storm_granularity(d, p.in_port, &bytes);
    if (!g) return;
    uint64_t now = now_ms(d, p.out->changes);
    if (!s.window_open || now - s.window_start >= kWindowMs) {
        s.window_open = true;
        s.window_start = now;
        s.used = 0;
    }
    uint64_t cost = bytes ? p.len + 4 : 1;  // bytes as on the wire, with the FCS
    uint64_t allowed = uint64_t{s.cfg.rateLimit} * g;
    if (s.used + cost > allowed) {
        apply(p, Cmd::kHardDrop, Drop::kStormControl);
        if (p.out->tracing) trace_stage(d, p, "storm_limit", 0xFF, "over the port's rate limit");
        return;
    }
    s.used += cost;
}

}  // namespace chipsim
