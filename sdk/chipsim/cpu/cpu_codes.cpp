// The CPU code table's part of the way to the CPU: the code a frame arrives with, its queue
// and its rate limiter.
#include "sdk/chipsim/cpu/cpu_codes.h"

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint8_t kIpProtoTcp = 6;
constexpr uint8_t kIpProtoUdp = 17;

// The layer-4 header of an IPv4 or IPv6 packet inside the frame (offset), or 0.
uint32_t l4_offset(const Packet& p) {
    const L3& l3 = p.l3;
    if (!l3.dip) return 0;
    uint32_t dip = static_cast<uint32_t>(l3.dip - p.data);
    if (l3.ipv4) {
        uint32_t ip = dip - 16;
        return ip + 4 * (rd8(p.data, p.len, ip) & 0xF);
    }
    return l3.ipv6 ? dip - 24 + 40 : 0;
}

uint32_t app_code(const CpuCodes& c, const Packet& p, uint32_t code) {
    const L3& l3 = p.l3;
    if (!l3.ipv4 && !l3.ipv6) return code;
    for (const AppCode& a : c.app_proto)
        if (a.valid && a.lo == l3.ip_proto) code = a.code;
    uint32_t l4 = l4_offset(p);
    if (l4 == 0 || (l3.ip_proto != kIpProtoTcp && l3.ip_proto != kIpProtoUdp)) return code;
    uint16_t dport = rd16(p.data, p.len, l4 + 2);
    if (l4 + 4 <= p.len)
        for (const AppCode& a : c.app_ports)
            if (a.valid && dport >= a.lo && dport <= a.hi) code = a.code;
    uint8_t flags = rd8(p.data, p.len, l4 + 13);
    if (c.tcp_syn && l3.ip_proto == kIpProtoTcp && l4 + 14 <= p.len && (flags & 0x12) == 0x02)
        code = SDK_CPU_CODE_TCP_SYN;
    return code;
}

}  // namespace

uint32_t cpu_code_ieee(Locked d, uint8_t protocol) {
    const uint32_t code = d->cpu_codes.ieee_code[protocol];
    return code ? code : kCpuCodeIeeeReserved;
}

uint32_t cpu_code_link_local(Locked d, uint32_t ip_ver, uint8_t protocol) {
    const uint32_t code = d->cpu_codes.ip_ll_code[ip_ver & 1][protocol];
    if (code) return code;
    return ip_ver == SDK_IP_VER_4 ? kCpuCodeIpv4LinkLocal : kCpuCodeIpv6LinkLocal;
}

uint32_t cpu_code_for(Locked d, const Packet& p, uint32_t code) {
    return app_code(d->cpu_codes, p, code);
}

bool cpu_code_admit(Locked d, uint32_t code, uint8_t* tc) {
    CpuCodes& c = d->cpu_codes;
    const CpuCodeEntry e = code < SDK_CPU_CODES ? c.table[code] : CpuCodeEntry{};
    *tc = e.tc;
    if (e.limiter == 0 || e.limiter >= SDK_CPU_CODE_RATE_LIMITERS) return true;
    const CpuLimiter& l = c.limiters[e.limiter];
    if (l.packets == 0) return false;
    if (l.window == 0) return true;
    LimiterWindow& w = c.windows[e.limiter];
    const uint64_t now = clock_ms() * 1000;
    const uint64_t len = uint64_t{l.window} * c.resolution_ns / 1000;
    if (!w.open || now < w.start_us || now - w.start_us >= len) {
        // A new window: the next one after the last, or from now after a pause.
        w.start_us =
            w.open && now >= w.start_us && now - w.start_us < 2 * len ? w.start_us + len : now;
        w.count = 0;
        w.open = true;
    }
    if (w.count >= l.packets) return false;
    ++w.count;
    return true;
}

CpuCodes cpu_codes(uint8_t dev) {
    return on_device(dev, CpuCodes{}, [](Locked d) { return d->cpu_codes; });
}

}  // namespace chipsim
