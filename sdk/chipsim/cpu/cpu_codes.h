// The CPU code table: what every CPU code means for a frame on its way to the CPU (the CPU
// queue it waits in, the rate limiter that may hold it back), the codes some trapped
// protocols get, and the application-specific codes that re-label frames by IP protocol,
// destination port or TCP SYN. It is the `cpu_codes` member of Device (core/model.h), guarded
// by the device's lock; cpu_deliver (cpu.cpp) asks it for each frame.
//
// Power-on state: every code in queue 0 without a limiter, every limiter with a window of 0
// and no packets, a resolution of 1 us, no protocol or application-specific codes.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_netif.h"

namespace chipsim {

struct CpuCodeEntry {
    uint8_t tc = 0;
    uint32_t limiter = 0;  // 0: none
    bool operator==(const CpuCodeEntry&) const = default;
};

struct CpuLimiter {
    uint32_t window = 0;   // resolution units; 0: no window (pass all, or none at 0 packets)
    uint32_t packets = 0;  // frames per window
    bool operator==(const CpuLimiter&) const = default;
};

// A limiter's current window over model time.
struct LimiterWindow {
    uint64_t start_us = 0;
    uint32_t count = 0;
    bool open = false;
    bool operator==(const LimiterWindow&) const = default;
};

struct AppCode {
    bool valid = false;
    uint16_t lo = 0, hi = 0;  // IP protocol (lo only) or destination port range
    uint32_t code = 0;
    bool operator==(const AppCode&) const = default;
};

struct CpuCodes {
    std::array<CpuCodeEntry, SDK_CPU_CODES> table{};
    uint32_t resolution_ns = 1000;
    std::array<CpuLimiter, SDK_CPU_CODE_RATE_LIMITERS> limiters{};
    std::array<uint32_t, 256> ieee_code{};                  // by protocol; 0: the model's code
    std::array<std::array<uint32_t, 256>, 2> ip_ll_code{};  // by IP version and protocol
    bool tcp_syn = false;
    std::array<AppCode, SDK_APP_CPU_CODE_ENTRIES> app_proto{};
    std::array<AppCode, SDK_APP_CPU_CODE_ENTRIES> app_ports{};
    std::array<LimiterWindow, SDK_CPU_CODE_RATE_LIMITERS> windows{};
    bool operator==(const CpuCodes&) const = default;
};

// The codes the model gives the IP link-local multicast it mirrors to the CPU when no
// protocol code is set.
constexpr uint32_t kCpuCodeIpv4LinkLocal = 436;
constexpr uint32_t kCpuCodeIpv6LinkLocal = 437;

struct Packet;
// The codes of IEEE reserved multicast and IP link-local multicast protocols.
uint32_t cpu_code_ieee(Locked d, uint8_t protocol);
uint32_t cpu_code_link_local(Locked d, uint32_t ip_ver, uint8_t protocol);
// The code a frame the stages sent to the CPU with `code` arrives with: the
// application-specific codes re-label it.
uint32_t cpu_code_for(Locked d, const Packet& p, uint32_t code);
// Whether the code's rate limiter lets one more frame reach the CPU now (model time); the
// code's CPU queue in *tc.
bool cpu_code_admit(Locked d, uint32_t code, uint8_t* tc);

// ---- Inspection ----------------------------------------------------------------------
CpuCodes cpu_codes(uint8_t dev);

}  // namespace chipsim
