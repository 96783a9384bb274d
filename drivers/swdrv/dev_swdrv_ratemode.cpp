// The rate-limit records of the rate modes and the ports' speed classes.
#include "drivers/swdrv/dev_swdrv_ratemode.h"

#include "drivers/swdrv/dev_swdrv_internal.h"

namespace swdrv {
namespace {

// {drop mode, rate mode, windows of 10 Mb/s, 100 Mb/s, 1 Gb/s, 10 Gb/s}.
constexpr SDK_RATE_LIMIT_GLOBAL_CFG kRecords[2] = {{1, 1, 128000, 128000, 16000, 64000},
                                                   {1, 2, 32000, 32000, 12800, 32000}};
// The family without per-speed limiter configuration, and the families whose ports 24 and
// 25 are fixed 10 Gb/s ports.
constexpr uint32_t kFamilyNoSpeedCfg = 15;
bool fixed_xg_family(uint32_t family) {
    return family == 12 || family == 13;
}

}  // namespace

const SDK_RATE_LIMIT_GLOBAL_CFG* rate_mode_record(uint32_t rate_mode) {
    return rate_mode == kRateModeBytes || rate_mode == kRateModePackets ? &kRecords[rate_mode - 1]
                                                                        : nullptr;
}

bool rate_speed_cfg_device(uint32_t device_id) {
    SDK_DEV_INFO info{};
    return device_id <= 0xFF &&
           sdkCfgDevInfoGet(static_cast<uint8_t>(device_id), &info) == SDK_OK &&
           info.familyCode != kFamilyNoSpeedCfg;
}

bool rate_speed_cfg_port(uint32_t device_id, uint32_t phy_port) {
    SDK_DEV_INFO info{};
    if (device_id > 0xFF || sdkCfgDevInfoGet(static_cast<uint8_t>(device_id), &info) != SDK_OK)
        return false;
    return !(fixed_xg_family(info.familyCode) && phy_port >= 24);
}

uint32_t rate_speed_class(uint32_t sdk_speed) {
    switch (sdk_speed) {
        case SDK_PORT_SPEED_10:
            return SDK_RATE_LIMIT_10M;
        case SDK_PORT_SPEED_100:
            return SDK_RATE_LIMIT_100M;
        case SDK_PORT_SPEED_1000:
            return SDK_RATE_LIMIT_1G;
        case SDK_PORT_SPEED_10000:
            return SDK_RATE_LIMIT_10G;
    }
    return SDK_RATE_LIMIT_CLASSES;
}

SDK_STATUS rate_mode_defaults(uint32_t device_id) {
    const uint8_t dev = static_cast<uint8_t>(device_id);
    SDK_STATUS rc = sdkBrgGenRateLimitGlobalCfgSet(dev, rate_mode_record(kRateModePackets));
    if (!rate_speed_cfg_device(device_id)) return rc;
    rc |= sdkBrgGenRateLimitSpeedCfgEnableSet(dev, true);
    SDK_DEV_INFO info{};
    if (SDK_STATUS irc = sdkCfgDevInfoGet(dev, &info)) return rc | irc;
    for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p) {
        if (!sdkPortsBmpIsMember(info.existingPorts, p) || !rate_speed_cfg_port(device_id, p))
            continue;
        uint32_t speed = SDK_PORT_SPEED_1000;
        rc |= sdkPortSpeedGet(dev, p, &speed);
        uint32_t cls = rate_speed_class(speed);
        if (cls == SDK_RATE_LIMIT_CLASSES) cls = SDK_RATE_LIMIT_1G;
        rc |= sdkBrgGenPortRateLimitSpeedGranularitySet(dev, p, cls);
    }
    return rc;
}

}  // namespace swdrv
