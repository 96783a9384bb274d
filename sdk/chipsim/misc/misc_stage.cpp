// The port features' stages: OAM loopback on receive, the egress block on the way out.
#include <algorithm>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_misc.h"

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

namespace {

// Takes what a copy needs from a token bucket of this rate and burst; false when it lacks
// it. The CPU port counting frames keeps its bucket in thousandths of a frame: its rate is
// frames per second, its burst frames.
bool take_tokens(Locked d, uint8_t q, ShaperBucket& b, uint32_t rate, uint32_t burst,
                 uint32_t len) {
    const bool frames =
        q == SDK_CPU_PORT && d->misc.cpu_shaper_mode == SDK_PORT_TX_TO_CPU_SHAPER_PACKETS;
    const uint64_t cap = frames ? uint64_t{burst} * 1000 : uint64_t{burst} * 4096 * 8;
    const uint64_t now = clock_ms();
    if (!b.primed) {
        b = ShaperBucket{now, cap, true};
    } else if (now > b.last_ms) {  // kbit/s are bits per millisecond
        b.bits = std::min(cap, b.bits + (now - b.last_ms) * rate);
        b.last_ms = now;
    }
    const uint64_t need = frames ? 1000 : uint64_t{len} * 8;
    if (b.bits < need) return false;
    b.bits -= need;
    return true;
}

}  // namespace

bool misc_shaper(Locked d, const Packet& p, uint8_t q, uint32_t len) {
    const PortMisc& m = d->misc.ports[q % kPortSlots];
    if (!m.shaper_enable || m.shaper_rate == 0) return true;
    if (take_tokens(d, q, d->shapers[q % kPortSlots], m.shaper_rate, m.shaper_burst, len))
        return true;
    count_drop(d, q, Drop::kEgressShaper, p.out);
    if (p.out->tracing) trace_stage(d, p, "misc_shaper", q, "egress-shaper");
    return false;
}

bool misc_queue_shaper(Locked d, const Packet& p, uint8_t tc, uint32_t len) {
    const QueueShaper& s = d->misc.cpu_queue_shapers[tc % 8];
    if (!s.enable || s.rate == 0) return true;
    if (take_tokens(d, SDK_CPU_PORT, d->cpu.buckets[tc % 8], s.rate, s.burst, len)) return true;
    count_drop(d, SDK_CPU_PORT, Drop::kEgressShaper, p.out);
    if (p.out->tracing)
        trace_stage(d, p, "misc_queue_shaper", SDK_CPU_PORT,
                    "egress-shaper queue " + std::to_string(tc));
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
