// The pipeline's core: the list of stages a frame meets in a device (switch_hop), the hop
// loop that takes copies back into devices (receive), and the rule that combines the stages'
// commands. The stages live with their features.
#include "sdk/chipsim/core/pipeline.h"

#include <algorithm>
#include <cstring>

#include "sdk/chipsim/core/egress.h"
#include "sdk/chipsim/core/flow_cache.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/tap/tap.h"

namespace chipsim {
namespace {

// The headers above layer 2, read only where a stage will look at them: slow protocols and
// MAC control, multicast (IGMP, IP multicast bridging, unregistered multicast), IPv4 and
// IPv6 unicast while IGMP or ICMPv6 messages have a command of their own, and IPv4 while a
// sanity check is enabled.
void look_above_l2(const Device& d, Packet& p) {
    uint32_t at = p.l2.payload;
    uint16_t type = rd16(p.data, p.len, at);
    if (type == kEtherTypeCtag) type = rd16(p.data, p.len, at + kTagLen);
    // Written in place: a whole L3 copied out right after its fields were stored stalls.
    if (type == kEtherTypeSlow || is_multicast(p.data) || traps_look_above_l2(d, type) ||
        secur_looks_above_l2(d, type)) {
        p.l3 = parse_l3(p.data, p.len, at);
        p.uncached = true;
    } else {
        p.l3.ethertype = type;
    }
}

// The ingress stages: classification, the control traps, learning and the destination.
void ingress(Locked d, Packet& p, const Result::Hop& h) {
    look_above_l2(d, p);
    if (h.cascade) {
        cscd_ingress(d, p, h);
    } else {
        p.src_dev = d->hw_dev_num;
        p.src_port = h.port;
        vlan_ingress(d, p);
        if (p.vlan && !p.hard_dropped()) stp_ingress(d, p);
        if (!p.hard_dropped()) traps_control(d, p);
        if (!p.hard_dropped()) secur_ingress(d, p);
        misc_oam_loopback(d, p);
        // Features that are off cost a flag check here, not a call.
        if (d->mirror.any_rx) mirror_ingress(d, p);
    }
    if (d->trunks.active) trunk_ingress(d, p);
    if (p.vlan && p.ingress_ok && !p.hard_dropped() && !p.as_received) fdb_learn(d, p);
    if (!p.as_received && p.vlan && p.relayed()) {
        fdb_lookup(d, p);
        if (d->trunks.active) trunk_flood(d, p);
        if (d->storm.active) storm_limit(d, p);
    }
}

// The ingress stages, or their decision for an earlier frame with the same inputs
// (flow_cache.h).
void ingress_or_cached(Locked d, Packet& p, const Result::Hop& h) {
    FlowCache::Entry* e = flow_entry(d, p, h.cascade);
    if (!e) return ingress(d, p, h);
    if (flow_cache_mode() == FlowCacheMode::kVerify) {
        Packet fresh = p;
        if (flow_hit(d, *e, p)) {
            ingress(d, fresh, h);
            flow_check(p, fresh);
            return;
        }
    } else if (flow_hit(d, *e, p)) {
        return;
    }
    ingress(d, p, h);
    flow_store(d, *e, p);
}

// Switches one hop of a frame in a device: the stages in bridge order.
void switch_hop(Locked d, const Result::Hop& h, bool first, const uint8_t* data, uint32_t len,
                Result* out) {
    Packet p;
    p.out = out;
    p.in_port = h.port;
    p.port = d->port(h.port);
    p.cascade = h.cascade;
    p.bad_fcs = h.bad_fcs;
    if (!port_ingress(d, p, data, len)) return;
    fdb_age(d, out->changes);
    ingress_or_cached(d, p, h);
    if (first) {
        out->vid = p.vid;
        out->flooded = p.flooded;
        out->learned = p.learned;
    }
    if (p.cmd == Cmd::kHardDrop || p.cmd == Cmd::kSoftDrop) {
        count_drop(d, h.port, p.drop, out);
        counters_dropped(d, p);
    }
    cpu_deliver(d, p);
    netif_rx_dma(d);
    egress(d, p);
}

}  // namespace

const char* cmd_name(Cmd c) {
    switch (c) {
        case Cmd::kForward:
            return "forward";
        case Cmd::kMirror:
            return "mirror";
        case Cmd::kTrap:
            return "trap";
        case Cmd::kSoftDrop:
            return "soft-drop";
        case Cmd::kHardDrop:
            return "hard-drop";
    }
    return "?";
}

void combine(Packet& p, Cmd c, Drop why, uint32_t cpu_code) {
    Cmd was = p.cmd;
    auto either = [&](Cmd x) { return was == x || c == x; };
    if (either(Cmd::kHardDrop))
        p.cmd = Cmd::kHardDrop;
    else if (either(Cmd::kTrap) || (either(Cmd::kSoftDrop) && either(Cmd::kMirror)))
        p.cmd = Cmd::kTrap;
    else if (either(Cmd::kSoftDrop))
        p.cmd = Cmd::kSoftDrop;
    else
        p.cmd = Cmd::kMirror;
    if (c == Cmd::kHardDrop && was != Cmd::kHardDrop) p.drop = why;
    if (c == Cmd::kSoftDrop && p.drop == Drop::kNone) p.drop = why;
    bool to_cpu = c == Cmd::kTrap || c == Cmd::kMirror;
    if (to_cpu && (!p.has_code || (c == Cmd::kTrap && was != Cmd::kTrap))) {
        p.has_code = true;
        p.cpu_code = cpu_code;
    }
}

void trace_stage(Locked d, const Packet& p, const char* stage, uint8_t port, std::string note) {
    TraceEvent e;
    e.dev = d->num;
    e.port = port == 0xFF ? p.in_port : port;
    e.stage = stage;
    e.verdict = p.cmd;
    e.reason = p.drop;
    e.cpu_code = p.has_code ? p.cpu_code : 0;
    e.ports = p.dest;
    e.note = std::move(note);
    p.out->trace.push_back(std::move(e));
}

void Buffer::grow(size_t need) {
    size_t cap = std::max<size_t>(need, 2 * cap_ + 4096);
    std::unique_ptr<uint8_t[]> p(new uint8_t[cap]);
    if (size_) std::memcpy(p.get(), p_.get(), size_);
    p_ = std::move(p);
    cap_ = cap;
}

void Result::clear() {
    drop = Drop::kNone;
    vid = 0;
    flooded = learned = to_cpu = false;
    cpu_code = 0;
    sent.clear();
    data.clear();
    hops.clear();
    trace.clear();
}

void count_drop(Locked d, uint8_t port, Drop why, Result* out) {
    ++d->counters.ports[port].drops[static_cast<uint32_t>(why)];
    if (out->drop == Drop::kNone) out->drop = why;
}

void switch_hops(Result* out) {
    Model& m = model();
    // Copies that came back into a device: loopbacks and the internal link.
    for (size_t i = 0; i < out->hops.size(); ++i) {
        const Result::Hop h = out->hops[i];  // a copy: switching it may add hops
        DeviceLock lock(*m.devices[h.dev]);
        if (i + 1 >= kMaxHops) {
            count_drop(lock.locked(), h.port, Drop::kLoop, out);
            continue;
        }
        // out->data grows while the hop is switched: switch a copy of its bytes.
        out->scratch.assign(out->data.data() + h.offset, out->data.data() + h.offset + h.len);
        switch_hop(lock.locked(), h, false, out->scratch.data(), h.len, out);
    }
}

bool receive(uint8_t dev, uint8_t port, const uint8_t* frame, uint32_t len, Result* out,
             bool bad_fcs) {
    out->clear();
    Model& m = model();
    if (!m.initialised || dev >= m.devices.size() || !m.devices[dev]->port(port) ||
        port == SDK_CPU_PORT || (len && !frame))
        return false;
    out->changes = m.changes.load(std::memory_order_relaxed);
    Result::Hop first;
    first.dev = dev;
    first.port = port;
    first.len = len;
    first.bad_fcs = bad_fcs;
    {
        DeviceLock lock(*m.devices[dev]);
        switch_hop(lock.locked(), first, true, frame, len, out);
    }
    switch_hops(out);
    // Copies that went somewhere make the frame delivered, whatever happened to the others.
    if (!out->sent.empty() || out->to_cpu) out->drop = Drop::kNone;
    send_attached(*out);  // copies out of ports bound to host interfaces go there
    return true;
}

}  // namespace chipsim
