// The MAC counters' stages: what a port's MAC counts of the frames it receives and sends, the
// bridge's discards as drop events, and the egress counter sets.
#include <algorithm>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/counters/mac_counters.h"

namespace chipsim {
namespace {

constexpr uint8_t kPauseDa[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x01};

// A PAUSE frame: MAC control (Ether type 0x8808) to the reserved address, opcode 1.
bool is_pause(const uint8_t* f, uint32_t len) {
    return len >= 16 && std::equal(kPauseDa, kPauseDa + 6, f) && f[12] == 0x88 && f[13] == 0x08 &&
           f[14] == 0x00 && f[15] == 0x01;
}

// The size bucket of a frame of `wire` bytes (64 up), by counter number.
SDK_MAC_COUNTER bucket(uint32_t wire) {
    if (wire <= 64) return SDK_PKTS_64_OCTETS;
    if (wire <= 127) return SDK_PKTS_65TO127_OCTETS;
    if (wire <= 255) return SDK_PKTS_128TO255_OCTETS;
    if (wire <= 511) return SDK_PKTS_256TO511_OCTETS;
    if (wire <= 1023) return SDK_PKTS_512TO1023_OCTETS;
    return SDK_PKTS_1024TOMAX_OCTETS;
}

enum class Kind { kUnicast, kMulticast, kBroadcast, kPause };
// The packet counters of each kind, received and sent.
constexpr SDK_MAC_COUNTER kReceived[] = {SDK_UC_PKTS_RCV, SDK_MC_PKTS_RCV, SDK_BRDC_PKTS_RCV,
                                         SDK_GOOD_FC_RCV};
constexpr SDK_MAC_COUNTER kSent[] = {SDK_UC_PKTS_SENT, SDK_MC_PKTS_SENT, SDK_BRDC_PKTS_SENT,
                                     SDK_FC_SENT};
Kind kind(const uint8_t* f, uint32_t len) {
    if (!is_multicast(f)) return Kind::kUnicast;  // most frames: one bit decides
    if (is_pause(f, len)) return Kind::kPause;
    return is_broadcast(f) ? Kind::kBroadcast : Kind::kMulticast;
}

// Where a port's MAC counts: its counters, or scratch nobody reads while counting is off (a
// pointer, not a zeroed local array: this runs for every frame in and every copy out).
uint64_t* counts_of(MacPort& mp) {
    thread_local std::array<uint64_t, SDK_MAC_COUNTERS> ignored;
    return mp.enabled ? mp.count.data() : ignored.data();
}

bool matches(const EgressSet& s, const Packet& p, uint8_t q) {
    return (!(s.mode & SDK_EGRESS_CNT_PORT) || s.port == q) &&
           (!(s.mode & SDK_EGRESS_CNT_VLAN) || s.vid == p.vid) &&
           (!(s.mode & SDK_EGRESS_CNT_TC) || s.tc == p.tc) &&
           (!(s.mode & SDK_EGRESS_CNT_DP) || s.dp == 0);  // every copy is of precedence 0
}

}  // namespace

bool counters_rx(Locked d, const Packet& p, const uint8_t* data, uint32_t len) {
    uint64_t* c = counts_of(d->mac.ports[p.in_port % kPortSlots]);
    const bool bad_fcs = p.bad_fcs;
    // The sender pads what it sends to the minimum; a runt (no whole header) came cut short.
    const uint32_t wire = (len >= kEthHeader ? std::max(len, kMinFrame) : len) + kFcsLen;
    const uint32_t max = std::min(p.port->mru, kMaxFrame + kFcsLen);
    if (wire < kMinFrame + kFcsLen) {
        ++c[bad_fcs ? SDK_FRAGMENTS_PKTS : SDK_UNDERSIZE_PKTS];
        c[SDK_BAD_OCTETS_RCV] += wire;
        return !bad_fcs;
    }
    if (wire > max) {
        ++c[bad_fcs ? SDK_JABBER_PKTS : SDK_OVERSIZE_PKTS];
        c[SDK_BAD_OCTETS_RCV] += wire;
        return !bad_fcs;
    }
    ++c[bucket(wire)];
    if (bad_fcs) {
        ++c[SDK_BAD_CRC];
        c[SDK_BAD_OCTETS_RCV] += wire;
        return false;
    }
    c[SDK_GOOD_OCTETS_RCV] += wire;
    ++c[kReceived[static_cast<int>(kind(data, len))]];
    return true;
}

void counters_tx(Locked d, const Packet& p, uint8_t q, const uint8_t* bytes, uint32_t len) {
    uint64_t* c = counts_of(d->mac.ports[q % kPortSlots]);
    c[SDK_GOOD_OCTETS_SENT] += std::max(len, kMinFrame) + kFcsLen;
    const Kind k = kind(bytes, len);
    ++c[kSent[static_cast<int>(k)]];
    for (EgressSet& s : d->mac.egress) {
        if (!matches(s, p, q)) continue;
        if (k == Kind::kPause)
            ++s.count.outCtrlFrames;
        else if (k == Kind::kBroadcast)
            ++s.count.outBcFrames;
        else if (k == Kind::kMulticast)
            ++s.count.outMcFrames;
        else
            ++s.count.outUcFrames;
    }
}

void counters_dropped(Locked d, const Packet& p) {
    switch (p.drop) {
        case Drop::kNone:
        case Drop::kRunt:  // the MAC's own discards: undersize, oversize, FCS
        case Drop::kTooLong:
        case Drop::kMru:
        case Drop::kBadFcs:
        case Drop::kPortDown:  // never received
        case Drop::kLoop:
        case Drop::kEgressNotMember:  // a copy, not the frame
        case Drop::kEgressStp:
        case Drop::kEgressBlock:
        case Drop::kEgressDown:
        case Drop::kCount:
            return;
        case Drop::kControl:  // MAC control frames end in the MAC
            if (p.l3.ethertype == kEtherTypeMacControl) return;
            [[fallthrough]];
        default:
            ++d->mac.ports[p.in_port % kPortSlots].count[SDK_DROP_EVENTS];
    }
}

void counters_egress_filtered(Locked d, const Packet& p, uint8_t q, bool forward_restricted) {
    for (EgressSet& s : d->mac.egress) {
        if (!matches(s, p, q)) continue;
        if (forward_restricted)
            ++s.count.egrFrwDropFrames;
        else
            ++s.count.brgEgrFilterDisc;
    }
}

}  // namespace chipsim
