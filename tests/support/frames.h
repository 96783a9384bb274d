// Building test frames byte by byte (no FCS), and reading back what the chip sent.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace frames {

using Mac = std::array<uint8_t, 6>;
using Bytes = std::vector<uint8_t>;

inline Mac mac(uint8_t last, uint8_t first = 0x02) {
    return {first, 0x00, 0x00, 0x00, 0x00, last};
}
inline const Mac kBroadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

inline void put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

// A frame of `len` bytes (at least the headers): addresses, optional 802.1Q tag, Ether
// type, then a counting payload.
struct Frame {
    Mac dst{}, src{};
    bool tagged = false;
    uint16_t tpid = 0x8100;
    uint16_t vid = 0;
    uint8_t pcp = 0;
    uint16_t type = 0x88B5;  // local experimental
    Bytes payload;           // after the Ether type; padded with a count up to len
    uint32_t len = 64;

    Bytes bytes() const {
        Bytes b(dst.begin(), dst.end());
        b.insert(b.end(), src.begin(), src.end());
        if (tagged) {
            put16(b, tpid);
            put16(b, static_cast<uint16_t>(pcp << 13 | vid));
        }
        put16(b, type);
        b.insert(b.end(), payload.begin(), payload.end());
        for (uint8_t i = 0; b.size() < len; ++i)
            b.push_back(i);
        return b;
    }
};

inline Frame untagged(const Mac& dst, const Mac& src, uint32_t len = 64) {
    Frame f;
    f.dst = dst;
    f.src = src;
    f.len = len;
    return f;
}
inline Frame tagged(const Mac& dst, const Mac& src, uint16_t vid, uint32_t len = 64) {
    Frame f = untagged(dst, src, len);
    f.tagged = true;
    f.vid = vid;
    return f;
}

// The 802.1Q tag of a sent frame (none: vid -1).
inline int tag_vid(const Bytes& b, uint16_t tpid = 0x8100) {
    if (b.size() < 18 || (b[12] << 8 | b[13]) != tpid) return -1;
    return (b[14] << 8 | b[15]) & 0xFFF;
}

// An IPv6 multicast listener report (MLDv2, ICMPv6 type 143) to ff02::16 with the
// hop-by-hop router-alert option that real hosts send.
inline Frame mld_report(const Mac& src) {
    Frame f = untagged({0x33, 0x33, 0x00, 0x00, 0x00, 0x16}, src, 90);
    f.type = 0x86DD;
    Bytes ip = {0x60, 0, 0, 0, 0, 36, 0 /* hop-by-hop */, 1};
    Bytes sip = {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    Bytes dip = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x16};
    ip.insert(ip.end(), sip.begin(), sip.end());
    ip.insert(ip.end(), dip.begin(), dip.end());
    Bytes hbh = {58 /* ICMPv6 */, 0, 5, 2, 0, 0, 1, 0};  // router alert, padding
    ip.insert(ip.end(), hbh.begin(), hbh.end());
    Bytes icmp = {143, 0, 0, 0, 0, 0, 0, 1, 4, 0, 0, 0};
    icmp.insert(icmp.end(), dip.begin(), dip.end());
    ip.insert(ip.end(), icmp.begin(), icmp.end());
    f.payload = ip;
    return f;
}

// An EAPOL start frame to the port-access-entity group address 01-80-C2-00-00-03.
inline Frame eapol(const Mac& src) {
    Frame f = untagged({0x01, 0x80, 0xC2, 0x00, 0x00, 0x03}, src);
    f.type = 0x888E;
    f.payload = {0x01, 0x01, 0x00, 0x00};
    return f;
}

// A BPDU (LLC, to 01-80-C2-00-00-00).
inline Frame bpdu(const Mac& src) {
    Frame f = untagged({0x01, 0x80, 0xC2, 0x00, 0x00, 0x00}, src);
    f.type = 39;  // 802.3 length
    f.payload = {0x42, 0x42, 0x03, 0x00, 0x00, 0x00};
    return f;
}

// An IGMPv2 membership report to 239.1.1.1.
inline Frame igmp_report(const Mac& src) {
    Frame f = untagged({0x01, 0x00, 0x5E, 0x01, 0x01, 0x01}, src);
    f.type = 0x0800;
    f.payload = {0x45, 0,   0, 28, 0, 0,    0, 0, 1, 2 /* IGMP */, 0, 0, 10, 0, 0,
                 1,    239, 1, 1,  1, 0x16, 0, 0, 0, 239,          1, 1, 1};
    return f;
}

}  // namespace frames
