// The security stage: sanity checks and the security events of the ingress.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/secur/secur.h"

#include <cstring>

namespace chipsim {
namespace {

constexpr uint8_t kIpProtoIcmp = 1;
constexpr uint8_t kIpProtoTcp = 6;

void event_drop(Locked d, Packet& p, uint32_t event, Drop why) {
    bool hard = d->secur.drop_mode[event] == SDK_SECUR_DROP_HARD;
    apply(p, hard ? Cmd::kHardDrop : Cmd::kSoftDrop, why);
}

// The failed sanity check of an IPv4 frame (SDK_SANITY_CHECKS: none).
uint32_t insane(const Secur& s, const Packet& p) {
    const L3& l3 = p.l3;
    if (!l3.ipv4 || !l3.dip) return SDK_SANITY_CHECKS;
    const uint8_t* ip = l3.dip - 16;
    const uint32_t at = static_cast<uint32_t>(ip - p.data);
    const uint16_t frag = rd16(p.data, p.len, at + 6);
    const uint16_t offset = frag & 0x1FFF;
    const bool fragment = offset || (frag & 0x2000);
    if (s.sanity[SDK_SANITY_SIP_EQ_DIP] && l3.sip && std::memcmp(l3.sip, l3.dip, 4) == 0)
        return SDK_SANITY_SIP_EQ_DIP;
    if (s.sanity[SDK_SANITY_ICMP_FRAG] && l3.ip_proto == kIpProtoIcmp && fragment)
        return SDK_SANITY_ICMP_FRAG;
    if (l3.ip_proto != kIpProtoTcp) return SDK_SANITY_CHECKS;
    if (s.sanity[SDK_SANITY_TCP_FRAG_OFFSET1] && offset == 1) return SDK_SANITY_TCP_FRAG_OFFSET1;
    if (offset) return SDK_SANITY_CHECKS;
    const uint32_t l4 = at + 4 * (rd8(p.data, p.len, at) & 0xF);
    if (l4 + 14 > p.len) return SDK_SANITY_CHECKS;
    const uint8_t flags = rd8(p.data, p.len, l4 + 13);
    if (s.sanity[SDK_SANITY_TCP_SYN_FIN] && (flags & 0x03) == 0x03) return SDK_SANITY_TCP_SYN_FIN;
    if (s.sanity[SDK_SANITY_TCP_NULL] && flags == 0) return SDK_SANITY_TCP_NULL;
    if (s.sanity[SDK_SANITY_TCP_PORT_ZERO] &&
        (rd16(p.data, p.len, l4) == 0 || rd16(p.data, p.len, l4 + 2) == 0))
        return SDK_SANITY_TCP_PORT_ZERO;
    return SDK_SANITY_CHECKS;
}

}  // namespace

bool secur_looks_above_l2(const Device& d, uint16_t ethertype) {
    if (ethertype != kEtherTypeIpv4) return false;
    for (bool on : d.secur.sanity)
        if (on) return true;
    return false;
}

void secur_ingress(Locked d, Packet& p) {
    const Secur& s = d->secur;
    const Cmd was = p.cmd;
    uint32_t check = insane(s, p);
    if (check != SDK_SANITY_CHECKS) apply(p, Cmd::kHardDrop, Drop::kSanity);
    if (is_multicast(p.data + 6)) event_drop(d, p, SDK_SECUR_BREACH_INVALID_SA, Drop::kSecurity);
    if (s.vlan_valid_check && !p.vlan)
        event_drop(d, p, SDK_SECUR_BREACH_INVALID_VLAN, Drop::kInvalidVlan);
    if (p.out->tracing && p.cmd != was)
        trace_stage(d, p, "secur_ingress", 0xFF,
                    check != SDK_SANITY_CHECKS ? "sanity check " + std::to_string(check) : "");
}

bool secur_moved_static(Locked d, Packet& p) {
    if (!d->secur.moved_static) return false;
    event_drop(d, p, SDK_SECUR_BREACH_MOVED_STATIC, Drop::kSecurity);
    return true;
}

void secur_new_address_drop(Locked d, Packet& p) {
    event_drop(d, p, SDK_SECUR_BREACH_NEW_ADDRESS, Drop::kLearnLock);
}

Secur secur(uint8_t dev) {
    return on_device(dev, Secur{}, [](Locked d) { return d->secur; });
}

}  // namespace chipsim
