// The chip's global rate-limit configuration of the per-port rate limiters: drop mode, rate
// mode and a window per speed class, and the per-speed configuration with each port's speed
// class (its granularity).
#pragma once

#include "sdk/sdk_types.h"

// Speed classes.
constexpr uint32_t SDK_RATE_LIMIT_10M = 0;
constexpr uint32_t SDK_RATE_LIMIT_100M = 1;
constexpr uint32_t SDK_RATE_LIMIT_1G = 2;
constexpr uint32_t SDK_RATE_LIMIT_10G = 3;
constexpr uint32_t SDK_RATE_LIMIT_CLASSES = 4;

struct SDK_RATE_LIMIT_GLOBAL_CFG {
    uint32_t dropMode;  // 0 soft, 1 hard
    uint32_t rMode;     // 1 bytes, 2 packets (the driver's rate modes)
    uint32_t win10Mbps;
    uint32_t win100Mbps;
    uint32_t win1000Mbps;
    uint32_t win10Gbps;
};
SDK_STATUS sdkBrgGenRateLimitGlobalCfgSet(uint8_t devNum, const SDK_RATE_LIMIT_GLOBAL_CFG* cfg);
SDK_STATUS sdkBrgGenRateLimitGlobalCfgGet(uint8_t devNum, SDK_RATE_LIMIT_GLOBAL_CFG* cfg);
// While on, each port's limiter uses the window of its own speed class.
SDK_STATUS sdkBrgGenRateLimitSpeedCfgEnableSet(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgGenRateLimitSpeedCfgEnableGet(uint8_t devNum, bool* enable);
SDK_STATUS sdkBrgGenPortRateLimitSpeedGranularitySet(uint8_t devNum, uint8_t portNum,
                                                     uint32_t speedClass);
SDK_STATUS sdkBrgGenPortRateLimitSpeedGranularityGet(uint8_t devNum, uint8_t portNum,
                                                     uint32_t* speedClass);
