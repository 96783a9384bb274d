// Reading an Ethernet frame's headers safely: every field is read through a check against the
// frame's length, so a short, truncated or malformed frame yields "absent", never a read past
// its end. Frames are handled without their frame check sequence.
#pragma once

#include <cstdint>
#include <cstring>

namespace chipsim {

constexpr uint32_t kEthHeader = 14;  // destination, source, Ether type
constexpr uint32_t kTagLen = 4;
constexpr uint32_t kMinFrame = 60;  // the shortest frame on the wire, without its FCS
constexpr uint32_t kFcsLen = 4;

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeArp = 0x0806;
constexpr uint16_t kEtherTypeCtag = 0x8100;
constexpr uint16_t kEtherTypeIpv6 = 0x86DD;
constexpr uint16_t kEtherTypeMacControl = 0x8808;
constexpr uint16_t kEtherTypeSlow = 0x8809;

// Big-endian reads that answer 0 past the end.
inline uint16_t rd16(const uint8_t* p, uint32_t len, uint32_t off) {
    return off + 2 <= len ? static_cast<uint16_t>(p[off] << 8 | p[off + 1]) : 0;
}
inline uint8_t rd8(const uint8_t* p, uint32_t len, uint32_t off) {
    return off < len ? p[off] : 0;
}

// A MAC address as a 48-bit number, its first byte highest.
inline uint64_t mac48(const uint8_t* mac) {
    uint32_t hi;
    uint16_t lo;
    std::memcpy(&hi, mac, 4);
    std::memcpy(&lo, mac + 4, 2);
    return uint64_t{__builtin_bswap32(hi)} << 16 | __builtin_bswap16(lo);
}
inline bool is_multicast(const uint8_t* mac) {
    return mac[0] & 1;
}
inline bool is_broadcast(const uint8_t* mac) {
    return mac48(mac) == 0xFFFFFFFFFFFFull;
}
inline bool is_zero(const uint8_t* mac) {
    return mac48(mac) == 0;
}

// The layer-2 view of a frame of at least kEthHeader bytes as a port with this tag protocol
// id sees it.
struct L2 {
    bool tagged = false;    // an outer tag of the port's TPID
    uint16_t tci = 0;       // its tag control information
    uint32_t payload = 12;  // offset of what follows the addresses and the outer tag
};
enum class L2Status { kOk, kRunt, kTruncatedTag };
inline L2Status parse_l2(const uint8_t* frame, uint32_t len, uint16_t tpid, L2* out) {
    if (len < kEthHeader) return L2Status::kRunt;
    *out = L2{};
    if (rd16(frame, len, 12) != tpid) return L2Status::kOk;
    if (len < kEthHeader + kTagLen) return L2Status::kTruncatedTag;
    out->tagged = true;
    out->tci = rd16(frame, len, 14);
    out->payload = 16;
    return L2Status::kOk;
}

// What the control-packet stages look at above layer 2.
struct L3 {
    uint16_t ethertype = 0;  // after the outer tag and at most one 0x8100 tag inside it
    bool ipv4 = false;
    bool ipv6 = false;
    uint8_t ip_proto = 0;          // IPv4 protocol, or the IPv6 upper-layer header
    const uint8_t* sip = nullptr;  // 4 or 16 bytes inside the frame, when complete
    const uint8_t* dip = nullptr;
    bool icmpv6 = false;
    uint8_t icmpv6_type = 0;
    bool oam_pdu = false;  // slow protocols, OAM subtype
};
// Reads from offset `at` (an Ether type or length field) on.
L3 parse_l3(const uint8_t* frame, uint32_t len, uint32_t at);

// Whether the frame from offset `at` (Ether type or length) on is of this protocol class
// (SDK_VLAN_ENCAP_*, protocol value).
bool encap_matches(const uint8_t* frame, uint32_t len, uint32_t at, uint32_t encap,
                   uint16_t protocol);

}  // namespace chipsim
