// Storm control: per port, broadcast, multicast and unknown-unicast storm control switched on
// and off independently over the port's one rate limiter, with a stored threshold per kind
// converted by the port's granularity.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "drivers/swdrv/dev_swdrv_ratemode.h"

namespace {

constexpr uint32_t kModeKeep = 0;

DEV_SWDRV_Storm_T& storm() {
    return DEV_SWDRV_OM().storm;
}

// The enable fields of a kind in the limiter's record.
void set_kind(SDK_RATE_LIMIT_PORT_CFG& c, uint32_t kind, bool on) {
    switch (kind) {
        case DEV_SWDRV_STORM_BC:
            c.enableBc = on;
            break;
        case DEV_SWDRV_STORM_MC:
            c.enableMc = c.enableMcReg = on;
            break;
        default:
            c.enableUcUnk = on;
    }
}

uint32_t convert(uint32_t rate, uint32_t granularity) {
    if (!granularity) return 0;
    return static_cast<uint32_t>((uint64_t{rate} + granularity - 1) / granularity);
}

// Translates (unit, port) and reads the port's record; prints what failed.
bool read_record(const char* func, int line, uint32_t unit, uint32_t port, swdrv::DevPort* dp,
                 SDK_RATE_LIMIT_PORT_CFG* c) {
    if (!swdrv::to_dev_port(func, line, unit, port, dp)) return false;
    if (dp->dev >= DEV_SWDRV_STORM_DEVICES || dp->port >= DEV_SWDRV_STORM_PORTS) {
        swdrv::print_mapping_err(func, line);
        return false;
    }
    if (SDK_STATUS rc = sdkBrgGenPortRateLimitGet(dp->dev, dp->port, c)) {
        swdrv::print_sdk_err(func, line, rc);
        return false;
    }
    return true;
}

bool write_record(const char* func, int line, const swdrv::DevPort& dp,
                  const SDK_RATE_LIMIT_PORT_CFG& c) {
    if (SDK_STATUS rc = sdkBrgGenPortRateLimitSet(dp.dev, dp.port, &c)) {
        swdrv::print_sdk_err(func, line, rc);
        return false;
    }
    return true;
}

bool enable(const char* func, uint32_t unit, uint32_t port, uint32_t kind) {
    swdrv::DevPort dp;
    SDK_RATE_LIMIT_PORT_CFG c{};
    if (!read_record(func, __LINE__, unit, port, &dp, &c)) return false;
    set_kind(c, kind, true);
    c.rateLimit = convert(storm().threshold[dp.dev][dp.port][kind],
                          DEV_SWDRV_GetPortStormGranularityFromChip(dp.dev, dp.port, kModeKeep));
    if (!write_record(func, __LINE__, dp, c)) return false;
    storm().on[dp.dev][dp.port][kind] = true;
    return true;
}

bool disable(const char* func, uint32_t unit, uint32_t port, uint32_t kind) {
    swdrv::DevPort dp;
    SDK_RATE_LIMIT_PORT_CFG c{};
    if (!read_record(func, __LINE__, unit, port, &dp, &c)) return false;
    // The QoS driver's ingress rate limit keeps the limiter counting the kind.
    set_kind(c, kind, storm().ingress_rate_limit[dp.dev][dp.port]);
    if (!write_record(func, __LINE__, dp, c)) return false;
    storm().on[dp.dev][dp.port][kind] = false;
    return true;
}

bool threshold(const char* func, uint32_t unit, uint32_t port, uint32_t rate, uint32_t mode,
               uint32_t kind) {
    swdrv::DevPort dp;
    SDK_RATE_LIMIT_PORT_CFG c{};
    if (!read_record(func, __LINE__, unit, port, &dp, &c)) return false;
    if (storm().on[dp.dev][dp.port][kind]) {
        c.rateLimit =
            convert(rate, DEV_SWDRV_GetPortStormGranularityFromChip(dp.dev, dp.port, mode));
        if (!write_record(func, __LINE__, dp, c)) return false;
    }
    storm().threshold[dp.dev][dp.port][kind] = rate;
    return true;
}

// The speed class of the port's limiter (SDK_RATE_LIMIT_CLASSES: none).
uint32_t speed_class(uint8_t dev, uint8_t port) {
    bool per_speed = false;
    uint32_t cls = 0;
    if (sdkBrgGenRateLimitSpeedCfgEnableGet(dev, &per_speed) == SDK_OK && per_speed &&
        sdkBrgGenPortRateLimitSpeedGranularityGet(dev, port, &cls) == SDK_OK)
        return cls;
    if (!swdrv::rate_speed_cfg_port(dev, port)) return SDK_RATE_LIMIT_10G;
    uint32_t speed = 0;
    if (sdkPortSpeedGet(dev, port, &speed) != SDK_OK) return SDK_RATE_LIMIT_CLASSES;
    return speed < SDK_RATE_LIMIT_CLASSES ? speed : SDK_RATE_LIMIT_CLASSES;
}

}  // namespace

uint32_t DEV_SWDRV_GetPortStormGranularityFromChip(uint32_t device, uint32_t phy_port,
                                                   uint32_t rate_mode) {
    if (device > 0xFF || phy_port > 0xFF) return 0;
    const uint8_t dev = static_cast<uint8_t>(device), port = static_cast<uint8_t>(phy_port);
    SDK_RATE_LIMIT_GLOBAL_CFG cfg{};
    if (sdkBrgGenRateLimitGlobalCfgGet(dev, &cfg) != SDK_OK) return 0;
    if (rate_mode != kModeKeep) {
        const SDK_RATE_LIMIT_GLOBAL_CFG* record = swdrv::rate_mode_record(rate_mode);
        if (!record) {
            swdrv::print_step_err("DEV_SWDRV_GetPortStormGranularityFromChip", __LINE__,
                                  "invalid mode");
            return 0;
        }
        if (cfg.rMode != rate_mode && (sdkBrgGenRateLimitGlobalCfgSet(dev, record) != SDK_OK ||
                                       sdkBrgGenRateLimitGlobalCfgGet(dev, &cfg) != SDK_OK))
            return 0;
    }
    uint32_t cls = speed_class(dev, port);
    if (cls >= SDK_RATE_LIMIT_CLASSES) return 0;
    const uint32_t windows[SDK_RATE_LIMIT_CLASSES] = {cfg.win10Mbps, cfg.win100Mbps,
                                                      cfg.win1000Mbps, cfg.win10Gbps};
    uint32_t dividend = cfg.rMode == swdrv::kRateModeBytes ? 64000000u : 512000u;
    uint32_t window = windows[cls];
    return window && window <= dividend ? dividend / window : 0;
}

bool DEV_SWDRV_GetPortStormGranularity(uint32_t unit, uint32_t port, uint32_t rate_mode,
                                       uint32_t* granularity) {
    swdrv::DevPort dp;
    if (!granularity || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    *granularity = DEV_SWDRV_GetPortStormGranularityFromChip(dp.dev, dp.port, rate_mode);
    return *granularity != 0;
}

void DEV_SWDRV_SetStormIngressRateLimitFlag(uint32_t device, uint32_t phy_port, bool on) {
    if (device < DEV_SWDRV_STORM_DEVICES && phy_port < DEV_SWDRV_STORM_PORTS)
        storm().ingress_rate_limit[device][phy_port] = on;
}

bool DEV_SWDRV_GetStormIngressRateLimitFlag(uint32_t device, uint32_t phy_port) {
    return device < DEV_SWDRV_STORM_DEVICES && phy_port < DEV_SWDRV_STORM_PORTS &&
           storm().ingress_rate_limit[device][phy_port];
}

bool DEV_SWDRV_EnableBroadcastStormControl(uint32_t unit, uint32_t port) {
    return enable(__func__, unit, port, DEV_SWDRV_STORM_BC);
}
bool DEV_SWDRV_EnableMulticastStormControl(uint32_t unit, uint32_t port) {
    return enable(__func__, unit, port, DEV_SWDRV_STORM_MC);
}
bool DEV_SWDRV_EnableUnknownUnicastStormControl(uint32_t unit, uint32_t port) {
    return enable(__func__, unit, port, DEV_SWDRV_STORM_UNKUC);
}
bool DEV_SWDRV_DisableBroadcastStormControl(uint32_t unit, uint32_t port) {
    return disable(__func__, unit, port, DEV_SWDRV_STORM_BC);
}
bool DEV_SWDRV_DisableMulticastStormControl(uint32_t unit, uint32_t port) {
    return disable(__func__, unit, port, DEV_SWDRV_STORM_MC);
}
bool DEV_SWDRV_DisableUnknownUnicastStormControl(uint32_t unit, uint32_t port) {
    return disable(__func__, unit, port, DEV_SWDRV_STORM_UNKUC);
}
bool DEV_SWDRV_SetBroadcastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                 uint32_t rate_mode) {
    return threshold(__func__, unit, port, rate, rate_mode, DEV_SWDRV_STORM_BC);
}
bool DEV_SWDRV_SetMulticastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                 uint32_t rate_mode) {
    return threshold(__func__, unit, port, rate, rate_mode, DEV_SWDRV_STORM_MC);
}
bool DEV_SWDRV_SetUnknownUnicastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                      uint32_t rate_mode) {
    return threshold(__func__, unit, port, rate, rate_mode, DEV_SWDRV_STORM_UNKUC);
}
