// The rate limiters' global configuration (sdk_ratelimit.h).
#include "sdk/sdk_ratelimit.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Port;

SDK_STATUS sdkBrgGenRateLimitGlobalCfgSet(uint8_t devNum, const SDK_RATE_LIMIT_GLOBAL_CFG* cfg) {
    if (!cfg) return SDK_BAD_PTR;
    return chipsim::with_device(__func__, devNum, [&](Device& d) {
        if (cfg->dropMode > 1 || cfg->rMode > 2) return SDK_BAD_PARAM;
        chipsim::RateLimit& r = d.ratelimit;
        r.drop_mode = cfg->dropMode;
        r.rate_mode = cfg->rMode;
        r.window = {cfg->win10Mbps, cfg->win100Mbps, cfg->win1000Mbps, cfg->win10Gbps};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenRateLimitGlobalCfgGet(uint8_t devNum, SDK_RATE_LIMIT_GLOBAL_CFG* cfg) {
    if (!cfg) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Device& d) {
        const chipsim::RateLimit& r = d.ratelimit;
        *cfg = {r.drop_mode, r.rate_mode, r.window[0], r.window[1], r.window[2], r.window[3]};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenRateLimitSpeedCfgEnableSet(uint8_t devNum, bool enable) {
    return chipsim::with_device(__func__, devNum, [&](Device& d) {
        d.ratelimit.speed_cfg = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenRateLimitSpeedCfgEnableGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Device& d) {
        *enable = d.ratelimit.speed_cfg;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenPortRateLimitSpeedGranularitySet(uint8_t devNum, uint8_t portNum,
                                                     uint32_t speedClass) {
    return chipsim::with_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        if (speedClass >= SDK_RATE_LIMIT_CLASSES) return SDK_OUT_OF_RANGE;
        d.ratelimit.port_class[portNum] = speedClass;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenPortRateLimitSpeedGranularityGet(uint8_t devNum, uint8_t portNum,
                                                     uint32_t* speedClass) {
    if (!speedClass) return SDK_BAD_PTR;
    return chipsim::read_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        if (!d.ratelimit.speed_cfg) return SDK_BAD_STATE;
        *speedClass = d.ratelimit.port_class[portNum];
        return SDK_OK;
    });
}

namespace chipsim {
RateLimit ratelimit(uint8_t dev) {
    return on_device(dev, RateLimit{}, [](Locked d) { return d->ratelimit; });
}
}  // namespace chipsim
