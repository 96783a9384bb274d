// The ports' stages: what a port does with a frame it receives before any bridging, and the
// destination port's own check on the way out.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

bool port_up(Locked d, Port& p, uint64_t changes) {
    const HopCache::Link& cached = d->cache.link[p.num % kPortSlots];
    if (cached.changes == changes) return cached.up;
    bool up = p.num == SDK_CPU_PORT ||
              (p.enabled && (d->misc.ports[p.num].internal_loopback || resolve_link(d, p).up));
    // A port whose SFP transmitter is switched over a bus is asked every time: bus writes are
    // not counted as changes of the model.
    if (!(p.wiring && p.wiring->sfp_tx)) d->cache.link[p.num % kPortSlots] = {changes, up};
    return up;
}

bool port_ingress(Locked d, Packet& p, const uint8_t* data, uint32_t len) {
    Result* out = p.out;
    const uint8_t port = p.in_port;
    PortCounters& pc = d->counters.ports[port];
    ++pc.rx_frames;
    pc.rx_bytes += len;
    auto drop = [&](Drop why) {
        count_drop(d, port, why, out);
        p.drop = why;
        p.cmd = Cmd::kHardDrop;
        counters_dropped(d, p);
        trace(d, p, "port_ingress");
        return false;
    };
    if (!port_up(d, *p.port, out->changes)) return drop(Drop::kPortDown);
    if (!counters_rx(d, p, data, len)) return drop(Drop::kBadFcs);
    if (len < kEthHeader) return drop(Drop::kRunt);
    if (len > kMaxFrame) return drop(Drop::kTooLong);
    const VlanPort& vp = d->vlans.ports[port];
    if (!vp.nested_access || p.cascade) {
        uint16_t tpid = p.cascade ? kEtherTypeCtag : vp.tpid;
        if (parse_l2(data, len, tpid, &p.l2) != L2Status::kOk) return drop(Drop::kTruncatedTag);
    }
    if (len < kMinFrame) {  // padded as the sending MAC would
        out->pad.assign(data, data + len);
        out->pad.resize(kMinFrame, 0);
        data = out->pad.data();
        len = kMinFrame;
    }
    p.data = data;
    p.len = len;
    if (len + kFcsLen > p.port->mru) return drop(Drop::kMru);
    trace(d, p, "port_ingress");
    return true;
}

bool port_egress_up(Locked d, const Packet& p, Port& port) {
    if (port_up(d, port, p.out->changes)) return true;
    count_drop(d, port.num, Drop::kEgressDown, p.out);
    if (p.out->tracing) trace_stage(d, p, "port_egress", port.num, "egress-down");
    return false;
}

}  // namespace chipsim
