// Header parsing of the frames the model switches.
#include "sdk/chipsim/core/frame.h"

#include "sdk/sdk_vlan.h"

namespace chipsim {
namespace {

constexpr uint8_t kIpProtoHopByHop = 0;
constexpr uint8_t kIpProtoRouting = 43;
constexpr uint8_t kIpProtoFragment = 44;
constexpr uint8_t kIpProtoIcmpv6 = 58;
constexpr uint8_t kIpProtoDestOpts = 60;
constexpr uint8_t kSlowSubtypeOam = 3;
constexpr int kMaxExtHeaders = 8;

void parse_ipv4(const uint8_t* f, uint32_t len, uint32_t ip, L3* out) {
    uint8_t vihl = rd8(f, len, ip);
    uint32_t ihl = (vihl & 0xF) * 4u;
    if (vihl >> 4 != 4 || ihl < 20 || ip + ihl > len) return;
    out->ipv4 = true;
    out->ip_proto = f[ip + 9];
    out->sip = f + ip + 12;
    out->dip = f + ip + 16;
}

void parse_ipv6(const uint8_t* f, uint32_t len, uint32_t ip, L3* out) {
    if (ip + 40 > len || f[ip] >> 4 != 6) return;
    out->ipv6 = true;
    out->sip = f + ip + 8;
    out->dip = f + ip + 24;
    uint8_t next = f[ip + 6];
    uint32_t at = ip + 40;
    for (int i = 0; i < kMaxExtHeaders; ++i) {
        if (next == kIpProtoHopByHop || next == kIpProtoRouting || next == kIpProtoDestOpts) {
            if (at + 2 > len) return;
            uint8_t following = f[at];
            at += (f[at + 1] + 1u) * 8;
            next = following;
        } else if (next == kIpProtoFragment) {
            if (at + 8 > len) return;
            bool first = (rd16(f, len, at + 2) & 0xFFF8) == 0;
            next = f[at];
            at += 8;
            if (!first) {  // only the first fragment carries the upper-layer header
                out->ip_proto = next;
                return;
            }
        } else {
            break;
        }
    }
    out->ip_proto = next;
    if (next == kIpProtoIcmpv6 && at < len) {
        out->icmpv6 = true;
        out->icmpv6_type = f[at];
    }
}

}  // namespace

L3 parse_l3(const uint8_t* frame, uint32_t len, uint32_t at) {
    L3 out;
    uint16_t type = rd16(frame, len, at);
    if (type == kEtherTypeCtag) {  // one tag of the frame's own inside the outer one
        at += kTagLen;
        type = rd16(frame, len, at);
    }
    out.ethertype = type;
    uint32_t l3 = at + 2;
    switch (type) {
        case kEtherTypeIpv4:
            parse_ipv4(frame, len, l3, &out);
            break;
        case kEtherTypeIpv6:
            parse_ipv6(frame, len, l3, &out);
            break;
        case kEtherTypeSlow:
            out.oam_pdu = rd8(frame, len, l3) == kSlowSubtypeOam && l3 < len;
            break;
    }
    return out;
}

bool encap_matches(const uint8_t* f, uint32_t len, uint32_t at, uint32_t encap, uint16_t protocol) {
    uint16_t type = rd16(f, len, at);
    if (at + 2 > len) return false;
    if (encap == SDK_VLAN_ENCAP_ETHERNET_II) return type >= 0x0600 && type == protocol;
    if (type >= 0x0600) return false;  // the other classes are 802.3 length frames
    uint32_t llc = at + 2;
    if (llc + 3 > len) return false;
    bool snap = f[llc] == 0xAA && f[llc + 1] == 0xAA && f[llc + 2] == 0x03;
    if (encap == SDK_VLAN_ENCAP_LLC_OTHER) return !snap && rd16(f, len, llc) == protocol;
    if (!snap || llc + 8 > len) return false;
    uint32_t oui = uint32_t{f[llc + 3]} << 16 | uint32_t{f[llc + 4]} << 8 | f[llc + 5];
    if (rd16(f, len, llc + 6) != protocol) return false;
    switch (encap) {
        case SDK_VLAN_ENCAP_RFC1042:
            return oui == 0x000000;
        case SDK_VLAN_ENCAP_SNAP_8021H:
            return oui == 0x0000F8;
        case SDK_VLAN_ENCAP_SNAP_OTHER:
            return oui != 0x000000 && oui != 0x0000F8;
    }
    return false;
}

}  // namespace chipsim
