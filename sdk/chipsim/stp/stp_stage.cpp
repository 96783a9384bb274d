// The spanning-tree stages: the receiving port's state decides whether the frame is
// forwarded and learned, the destination port's whether a copy leaves.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

void stp_ingress(Locked d, Packet& p) {
    p.stp = d->stp.state[p.vlan->info.stgId % SDK_STP_GROUPS][p.in_port];
    if (p.stp == SDK_STP_DISABLED)
        apply(p, Cmd::kHardDrop, Drop::kStpState);
    else if (p.stp != SDK_STP_FORWARDING)
        apply(p, Cmd::kSoftDrop, Drop::kStpState);
    trace(d, p, "stp_ingress");
}

bool stp_egress(Locked d, const Packet& p, uint8_t q) {
    const VlanEntry& v = d->vlans.table[p.vid & SDK_VLAN_ID_MAX];
    if (d->stp.state[v.info.stgId % SDK_STP_GROUPS][q] == SDK_STP_FORWARDING) return true;
    count_drop(d, q, Drop::kEgressStp, p.out);
    if (p.out->tracing) trace_stage(d, p, "stp_egress", q, "egress-stp");
    return false;
}

Stp stp(uint8_t dev) {
    return on_device(dev, Stp{}, [](Locked d) { return d->stp; });
}

}  // namespace chipsim
