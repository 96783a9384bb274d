// Storm control's simulation-control command: every front port's rate limiter.
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool storm_cmd(void* msg) {
    sc::List<sc::StormRecord> out;
    for (const board::Port& w : model().unit->ports) {
        on_device(w.device, false, [&](Locked d) {
            const SDK_RATE_LIMIT_PORT_CFG& c = d->storm.ports[w.dev_port].cfg;
            sc::StormRecord r;
            r.front = static_cast<uint8_t>(w.front);
            r.device = w.device;
            r.dev_port = w.dev_port;
            r.kinds = (c.enableBc ? sc::kStormBc : 0) | (c.enableMc ? sc::kStormMc : 0) |
                      (c.enableMcReg ? sc::kStormMcReg : 0) |
                      (c.enableUcUnk ? sc::kStormUcUnk : 0) |
                      (c.enableUcKnown ? sc::kStormUcKnown : 0);
            r.limit = c.rateLimit;
            bool bytes = false;
            r.granularity = storm_granularity(d, w.dev_port, &bytes);
            r.bytes = bytes;
            r.drops =
                d->counters.ports[w.dev_port].drops[static_cast<uint32_t>(Drop::kStormControl)];
            out.add(r);
            return true;
        });
    }
    return reply(msg, out);
}

}  // namespace

void register_storm_simctl() {
    simctl_register(sc::kStorm, storm_cmd);
}

}  // namespace chipsim
