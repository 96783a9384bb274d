// The port features' stages: OAM loopback on receive, the egress block on the way out.
#include <algorithm>

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

bool misc_shaper(Locked d, const Packet& p, uint8_t q, uint32_t len) {
    const PortMisc& m = d->misc.ports[q % kPortSlots];
    if (!m.shaper_enable || m.shaper_rate == 0) return true;
    ShaperBucket& b = d->shapers[q % kPortSlots];
    const uint64_t burst_bits = uint64_t{m.shaper_burst} * 4096 * 8;
    const uint64_t now = clock_ms();
    if (!b.primed) {
        b = ShaperBucket{now, burst_bits, true};
    } else if (now > b.last_ms) {  // kbit/s are bits per millisecond
        b.bits = std::min(burst_bits, b.bits + (now - b.last_ms) * m.shaper_rate);
        b.last_ms = now;
    }
    const uint64_t need = uint64_t{len} * 8;
    if (b.bits >= need) {
        b.bits -= need;
        return true;
    }
    count_drop(d, q, Drop::kEgressShaper, p.out);
    if (p.out->tracing) trace_stage(d, p, "misc_shaper", q, "egress-shaper");
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
