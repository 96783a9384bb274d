// The CPU code table, its rate limiters, the protocols' codes and the application-specific
// codes (sdk_netif.h).
#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_netif.h"

using chipsim::CpuCodes;
using chipsim::Device;

namespace {

template <typename Fn>
SDK_STATUS with_codes(const char* op, uint8_t dev, Fn fn) {
    return chipsim::with_device(op, dev, [&](Device& d) { return fn(d.cpu_codes); });
}
template <typename Fn>
SDK_STATUS read_codes(const char* op, uint8_t dev, Fn fn) {
    return chipsim::read_device(op, dev, [&](Device& d) { return fn(d.cpu_codes); });
}

}  // namespace

SDK_STATUS sdkNetIfCpuCodeSet(uint8_t devNum, uint32_t cpuCode, const SDK_CPU_CODE_ENTRY* entry) {
    if (!entry) return SDK_BAD_PTR;
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (cpuCode >= SDK_CPU_CODES || entry->tc >= SDK_CPU_QUEUES ||
            entry->rateLimiterIndex >= SDK_CPU_CODE_RATE_LIMITERS)
            return SDK_OUT_OF_RANGE;
        c.table[cpuCode] = {entry->tc, entry->rateLimiterIndex};
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeGet(uint8_t devNum, uint32_t cpuCode, SDK_CPU_CODE_ENTRY* entry) {
    if (!entry) return SDK_BAD_PTR;
    return read_codes(__func__, devNum, [&](CpuCodes& c) {
        if (cpuCode >= SDK_CPU_CODES) return SDK_OUT_OF_RANGE;
        entry->tc = c.table[cpuCode].tc;
        entry->rateLimiterIndex = c.table[cpuCode].limiter;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionSet(uint8_t devNum, uint32_t resolutionNs) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (resolutionNs == 0 || resolutionNs > 1000000000) return SDK_OUT_OF_RANGE;
        c.resolution_ns = resolutionNs;
        c.windows = {};
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionGet(uint8_t devNum, uint32_t* resolutionNs) {
    if (!resolutionNs) return SDK_BAD_PTR;
    return read_codes(__func__, devNum, [&](CpuCodes& c) {
        *resolutionNs = c.resolution_ns;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeRateLimiterSet(uint8_t devNum, uint32_t index, uint32_t windowSize,
                                         uint32_t pktLimit) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (index == 0 || index >= SDK_CPU_CODE_RATE_LIMITERS ||
            windowSize > SDK_CPU_CODE_WINDOW_MAX || pktLimit > SDK_CPU_CODE_PKT_LIMIT_MAX)
            return SDK_OUT_OF_RANGE;
        c.limiters[index] = {windowSize, pktLimit};
        c.windows[index] = {};
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeRateLimiterGet(uint8_t devNum, uint32_t index, uint32_t* windowSize,
                                         uint32_t* pktLimit) {
    if (!windowSize || !pktLimit) return SDK_BAD_PTR;
    return read_codes(__func__, devNum, [&](CpuCodes& c) {
        if (index == 0 || index >= SDK_CPU_CODE_RATE_LIMITERS) return SDK_OUT_OF_RANGE;
        *windowSize = c.limiters[index].window;
        *pktLimit = c.limiters[index].packets;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeIeeeReservedMcastProtSet(uint8_t devNum, uint8_t protocol,
                                                   uint32_t cpuCode) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (cpuCode >= SDK_CPU_CODES) return SDK_OUT_OF_RANGE;
        c.ieee_code[protocol] = cpuCode;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuCodeIpLinkLocalProtSet(uint8_t devNum, uint32_t ipVer, uint8_t protocol,
                                             uint32_t cpuCode) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (ipVer > SDK_IP_VER_6) return SDK_BAD_PARAM;
        if (cpuCode >= SDK_CPU_CODES) return SDK_OUT_OF_RANGE;
        c.ip_ll_code[ipVer][protocol] = cpuCode;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfAppSpecificCpuCodeTcpSynSet(uint8_t devNum, bool enable) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        c.tcp_syn = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfAppSpcfcCpuCodeIpPrtclSet(uint8_t devNum, uint32_t index, uint8_t protocol,
                                             uint32_t cpuCode) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (index >= SDK_APP_CPU_CODE_ENTRIES || cpuCode >= SDK_CPU_CODES) return SDK_OUT_OF_RANGE;
        c.app_proto[index] = {true, protocol, protocol, cpuCode};
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfAppSpcfcCpuCodeDstPrtRngSet(uint8_t devNum, uint32_t index, uint16_t minPort,
                                               uint16_t maxPort, uint32_t cpuCode) {
    return with_codes(__func__, devNum, [&](CpuCodes& c) {
        if (index >= SDK_APP_CPU_CODE_ENTRIES || cpuCode >= SDK_CPU_CODES) return SDK_OUT_OF_RANGE;
        if (minPort > maxPort) return SDK_BAD_PARAM;
        c.app_ports[index] = {true, minPort, maxPort, cpuCode};
        return SDK_OK;
    });
}
