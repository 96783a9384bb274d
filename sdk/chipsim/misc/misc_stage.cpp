// The port features' stages: OAM loopback on receive, the egress block on the way out.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

void misc_oam_loopback(Locked d, Packet& p) {
    if (!d->misc.ports[p.in_port].oam_loopback || p.l3.oam_pdu) return;
    p.as_received = true;  // back out as it came, not switched
    sdkPortsBmpSet(p.dest, p.in_port, true);
    trace(d, p, "misc_oam_loopback");
}

bool misc_egress_block(Locked d, const Packet& p, uint8_t q) {
    if (!d->misc.ports[q].egress_block) return true;
    count_drop(d, q, Drop::kEgressBlock, p.out);
    if (p.out->tracing) trace_stage(d, p, "misc_egress_block", q, "egress-block");
    return false;
}

Misc misc(uint8_t dev) {
    return on_device(dev, Misc{}, [](Locked d) { return d->misc; });
}

bool set_temperature(uint8_t dev, int32_t celsius) {
    return change_device(dev, false, [&](Locked d) {
        d->misc.temperature = celsius;
        return true;
    });
}

}  // namespace chipsim
