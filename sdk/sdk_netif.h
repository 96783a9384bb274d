// The CPU's side of the chip: the CPU code table (each code's traffic class, that is the CPU
// queue its frames wait in, and its rate limiter), the CPU code rate limiters, the CPU codes
// given to some trapped protocols, and the application-specific CPU codes that re-label
// frames of chosen IP protocols, destination ports and TCP SYNs on their way to the CPU.
#pragma once

#include "sdk/sdk_types.h"

// CPU codes 0..SDK_CPU_CODES-1; traffic classes (CPU queues) 0..7, 7 served first.
constexpr uint32_t SDK_CPU_CODES = 512;
constexpr uint32_t SDK_CPU_QUEUES = 8;
// Rate limiters 1..SDK_CPU_CODE_RATE_LIMITERS-1; limiter 0 in a code's entry means none.
constexpr uint32_t SDK_CPU_CODE_RATE_LIMITERS = 32;
// A limiter passes at most pktLimit frames per window of windowSize resolution units.
constexpr uint32_t SDK_CPU_CODE_WINDOW_MAX = 4095;
constexpr uint32_t SDK_CPU_CODE_PKT_LIMIT_MAX = 65535;

struct SDK_CPU_CODE_ENTRY {
    uint8_t tc;                 // CPU queue
    uint32_t rateLimiterIndex;  // 0: none
};
SDK_STATUS sdkNetIfCpuCodeSet(uint8_t devNum, uint32_t cpuCode, const SDK_CPU_CODE_ENTRY* entry);
SDK_STATUS sdkNetIfCpuCodeGet(uint8_t devNum, uint32_t cpuCode, SDK_CPU_CODE_ENTRY* entry);

// The length of one window unit, in nanoseconds (1..10^9).
SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionSet(uint8_t devNum, uint32_t resolutionNs);
SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionGet(uint8_t devNum, uint32_t* resolutionNs);
// windowSize 0..SDK_CPU_CODE_WINDOW_MAX units, pktLimit 0..SDK_CPU_CODE_PKT_LIMIT_MAX.
SDK_STATUS sdkNetIfCpuCodeRateLimiterSet(uint8_t devNum, uint32_t index, uint32_t windowSize,
                                         uint32_t pktLimit);
SDK_STATUS sdkNetIfCpuCodeRateLimiterGet(uint8_t devNum, uint32_t index, uint32_t* windowSize,
                                         uint32_t* pktLimit);

// The CPU code of IEEE reserved multicast protocol `protocol` (01-80-C2-00-00-protocol)
// sent to the CPU.
SDK_STATUS sdkNetIfCpuCodeIeeeReservedMcastProtSet(uint8_t devNum, uint8_t protocol,
                                                   uint32_t cpuCode);
// The CPU code of IP link-local multicast (224.0.0.protocol, ff02::protocol) sent to the CPU.
constexpr uint32_t SDK_IP_VER_4 = 0;
constexpr uint32_t SDK_IP_VER_6 = 1;
SDK_STATUS sdkNetIfCpuCodeIpLinkLocalProtSet(uint8_t devNum, uint32_t ipVer, uint8_t protocol,
                                             uint32_t cpuCode);

// Application-specific CPU codes, applied to frames on their way to the CPU whatever sent
// them there. TCP SYNs (SYN without ACK) get SDK_CPU_CODE_TCP_SYN.
constexpr uint32_t SDK_CPU_CODE_TCP_SYN = 192;
SDK_STATUS sdkNetIfAppSpecificCpuCodeTcpSynSet(uint8_t devNum, bool enable);
// IPv4 and IPv6 packets of an IP protocol, entries 0..SDK_APP_CPU_CODE_ENTRIES-1.
constexpr uint32_t SDK_APP_CPU_CODE_ENTRIES = 8;
SDK_STATUS sdkNetIfAppSpcfcCpuCodeIpPrtclSet(uint8_t devNum, uint32_t index, uint8_t protocol,
                                             uint32_t cpuCode);
// TCP and UDP packets whose destination port is in minPort..maxPort.
SDK_STATUS sdkNetIfAppSpcfcCpuCodeDstPrtRngSet(uint8_t devNum, uint32_t index, uint16_t minPort,
                                               uint16_t maxPort, uint32_t cpuCode);
