// The per-port rate limiters' records (sdk_storm.h).
#include "sdk/sdk_storm.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Locked;
using chipsim::Port;

SDK_STATUS sdkBrgGenPortRateLimitSet(uint8_t devNum, uint8_t portNum,
                                     const SDK_RATE_LIMIT_PORT_CFG* portCfg) {
    if (!portCfg) return SDK_BAD_PTR;
    return chipsim::with_port(__func__, devNum, portNum, [&](Locked d, Port&) {
        if (portNum == SDK_CPU_PORT) return SDK_BAD_PARAM;
        d->storm.set(portNum, *portCfg);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenPortRateLimitGet(uint8_t devNum, uint8_t portNum,
                                     SDK_RATE_LIMIT_PORT_CFG* portCfg) {
    if (!portCfg) return SDK_BAD_PTR;
    return chipsim::read_port(__func__, devNum, portNum, [&](Locked d, Port&) {
        if (portNum == SDK_CPU_PORT) return SDK_BAD_PARAM;
        *portCfg = d->storm.ports[portNum].cfg;
        return SDK_OK;
    });
}

namespace chipsim {

void Storm::set(uint8_t port, const SDK_RATE_LIMIT_PORT_CFG& cfg) {
    StormPort& s = ports[port];
    bool was = s.on;
    s.cfg = cfg;
    s.on = cfg.enableBc || cfg.enableMc || cfg.enableMcReg || cfg.enableUcUnk || cfg.enableUcKnown;
    if (s.on && !was) ++active;
    if (was && !s.on) --active;
}

SDK_RATE_LIMIT_PORT_CFG storm_port(uint8_t dev, uint8_t port) {
    return on_device(dev, SDK_RATE_LIMIT_PORT_CFG{}, [&](Locked d) {
        return port < kPortSlots ? d->storm.ports[port].cfg : SDK_RATE_LIMIT_PORT_CFG{};
    });
}

}  // namespace chipsim
