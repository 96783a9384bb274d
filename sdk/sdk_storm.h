// The per-port rate limiter: which kinds of frames a port's limiter counts and the one limit
// they share, in units of the port's granularity (sdk_ratelimit.h) per second. Frames of a
// counted kind over the limit are dropped.
#pragma once

#include "sdk/sdk_types.h"

struct SDK_RATE_LIMIT_PORT_CFG {
    bool enableBc;       // broadcast
    bool enableMc;       // unregistered multicast
    bool enableMcReg;    // registered multicast
    bool enableUcUnk;    // unknown unicast
    bool enableUcKnown;  // known unicast
    uint32_t rateLimit;
};
SDK_STATUS sdkBrgGenPortRateLimitSet(uint8_t devNum, uint8_t portNum,
                                     const SDK_RATE_LIMIT_PORT_CFG* portCfg);
SDK_STATUS sdkBrgGenPortRateLimitGet(uint8_t devNum, uint8_t portNum,
                                     SDK_RATE_LIMIT_PORT_CFG* portCfg);
