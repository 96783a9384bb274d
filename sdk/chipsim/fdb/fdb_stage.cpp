// The address table's stages: ageing that fell due, source learning, and the destination
// lookup with flooding.
#include <cstring>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint8_t kNoPort = 0xFF;

Cmd from_mac_cmd(uint8_t c) {
    switch (c) {
        case SDK_MAC_TABLE_CMD_DROP:
            return Cmd::kHardDrop;
        case SDK_MAC_TABLE_CMD_MIRROR_TO_CPU:
            return Cmd::kMirror;
        case SDK_MAC_TABLE_CMD_TRAP_TO_CPU:
            return Cmd::kTrap;
        case SDK_MAC_TABLE_CMD_SOFT_DROP:
            return Cmd::kSoftDrop;
    }
    return Cmd::kForward;
}

Cmd from_lock_cmd(uint32_t c) {
    switch (c) {
        case SDK_LOCK_CMD_DROP:
            return Cmd::kHardDrop;
        case SDK_LOCK_CMD_TRAP_TO_CPU:
            return Cmd::kTrap;
        case SDK_LOCK_CMD_SOFT_DROP:
            return Cmd::kSoftDrop;
        case SDK_LOCK_CMD_MIRROR_TO_CPU:
            return Cmd::kMirror;
    }
    return Cmd::kForward;
}

// Learns (or refreshes) the source of a frame from where it entered the unit: its trunk when
// it came in on a trunk member, else its port.
// automatic_only: learned whatever the port's learning mode (a frame over the internal link).
void learn(Locked d, Packet& p, bool automatic_only) {
    const uint8_t src_dev = p.src_dev, src_port = p.src_port;
    const uint8_t if_type = p.src_trunk ? SDK_INTERFACE_TRUNK : SDK_INTERFACE_PORT;
    const bool na_to_cpu = p.port->na_to_cpu && p.vlan->info.naToCpuEnable;
    const uint8_t* sa = p.data + 6;
    if (is_multicast(sa) || is_zero(sa)) return;
    FdbTable& t = d->fdb;
    FdbKey k = fdb_key_mac(sa, p.vid);
    int32_t i = fdb_find(t, k);
    if (i >= 0) {
        FdbSlot& s = t.slots[static_cast<uint32_t>(i)];
        bool same = p.src_trunk
                        ? s.if_type == SDK_INTERFACE_TRUNK && s.target == p.src_trunk
                        : s.if_type == SDK_INTERFACE_PORT && s.dev == src_dev && s.port == src_port;
        // A static entry is never moved by learning; the frame itself goes on.
        if (same || (s.flags & kFdbStatic)) {
            s.flags |= kFdbAge;
            p.learned = same;
            apply(p, from_mac_cmd(s.sa_cmd), Drop::kSaCommand, kCpuCodeMacSaTrap);
            // From another port: a moved static address, a security event when enabled.
            if (!same) secur_moved_static(d, p);
            return;
        }
    }
    FdbSlot s;
    s.key = k;
    s.flags = kFdbValid | kFdbAge;
    s.if_type = if_type;
    if (p.src_trunk) {
        s.target = p.src_trunk;
    } else {
        s.dev = src_dev;
        s.port = src_port;
    }
    const FdbPortLearn& pl = t.learn[p.in_port];
    if (pl.automatic || automatic_only) {
        int32_t slot = fdb_insert(t, s);
        if (slot < 0)
            ++t.learn_full;
        else
            p.learned = true;
        if (na_to_cpu) fdb_au_push(d, SDK_FDB_AU_NA, s, slot);
        return;
    }
    if (na_to_cpu) fdb_au_push(d, SDK_FDB_AU_NA, s, -1);
    fdb_breach_push(d, sa, p.vid, src_port);
    if (pl.lock_cmd == SDK_LOCK_CMD_DROP)
        secur_new_address_drop(d, p);
    else
        apply(p, from_lock_cmd(pl.lock_cmd), Drop::kLearnLock, kCpuCodeNewAddress);
}

// Floods the packet to its VLAN's members.
void flood(Packet& p) {
    p.dest = p.vlan->members;
    p.flooded = true;
}

// Where an address-table entry sends the packet.
void to_entry(Locked d, Packet& p, const FdbSlot& s) {
    apply(p, from_mac_cmd(s.da_cmd), Drop::kDaCommand, kCpuCodeMacDaTrap);
    if (!p.relayed()) return;
    switch (s.if_type) {
        case SDK_INTERFACE_PORT: {
            uint8_t port = s.dev == d->hw_dev_num ? s.port : cascade_port_to(d, s.dev);
            if (port == kNoPort) break;
            sdkPortsBmpSet(p.dest, port, true);
            return;
        }
        case SDK_INTERFACE_TRUNK:
            trunk_to(d, p, s.target);
            return;
        case SDK_INTERFACE_VIDX:
            if (s.target != SDK_VLAN_FLOOD_ALL) break;  // no multicast groups in the chip
            flood(p);
            p.flooded = false;
            return;
        case SDK_INTERFACE_VID:
            flood(p);
            p.flooded = false;
            return;
    }
    apply(p, Cmd::kHardDrop, Drop::kNoDestination);
}

int32_t find_ip_group(const FdbTable& t, const Packet& p, const L3& l3) {
    uint8_t sip[4], dip[4];
    uint32_t type;
    if (l3.ipv4) {
        std::memcpy(sip, l3.sip, 4);
        std::memcpy(dip, l3.dip, 4);
        type = SDK_MAC_ENTRY_KEY_IPV4_MCAST;
    } else {
        // The bytes of the addresses an IPv6 stream is keyed on.
        const uint8_t s[4] = {l3.sip[10], l3.sip[13], l3.sip[14], l3.sip[15]};
        std::memcpy(sip, s, 4);
        std::memcpy(dip, l3.dip + 12, 4);
        type = SDK_MAC_ENTRY_KEY_IPV6_MCAST;
    }
    SDK_MAC_ENTRY_KEY key{};
    key.entryType = type;
    std::memcpy(key.ipMcast.sip, sip, 4);
    std::memcpy(key.ipMcast.dip, dip, 4);
    key.ipMcast.vlanId = p.vid;
    FdbKey k;
    fdb_key(key, &k);
    int32_t i = fdb_find(t, k);
    if (i >= 0) return i;
    std::memset(key.ipMcast.sip, 0, 4);  // any source
    fdb_key(key, &k);
    return fdb_find(t, k);
}

void lookup(Locked d, Packet& p) {
    const uint8_t* da = p.data;
    const L3& l3 = p.l3;
    if (is_broadcast(da)) return flood(p);
    const FdbTable& t = d->fdb;
    bool ip_mc = is_multicast(da) && d->traps.ip_mc_bridging && l3.sip && (l3.ipv4 || l3.ipv6);
    int32_t i = ip_mc ? find_ip_group(t, p, l3) : fdb_find(t, fdb_key_mac(da, p.vid));
    if (i >= 0) return to_entry(d, p, t.slots[static_cast<uint32_t>(i)]);
    if (is_multicast(da)) {
        uint32_t kind = l3.ipv4   ? SDK_UNREG_MC_IPV4
                        : l3.ipv6 ? SDK_UNREG_MC_IPV6
                                  : SDK_UNREG_MC_NON_IP;
        apply(p, traps_cmd(d->traps.unreg_mc_cmd[kind]), Drop::kControl, kCpuCodeUnregMc);
        if (!p.relayed()) return;
    }
    flood(p);
}

}  // namespace

void fdb_age(Locked d, uint64_t changes) {
    HopCache& c = d->cache;
    if (++c.since_clock < kClockEvery && c.clock_changes == changes) return;
    c.since_clock = 0;
    c.clock_changes = changes;
    fdb_catch_up(d, clock_ms());
}

void fdb_learn(Locked d, Packet& p) {
    if ((p.stp != SDK_STP_LEARNING && p.stp != SDK_STP_FORWARDING) || !p.vlan->info.learnEnable)
        return;
    learn(d, p, p.cascade);
    if (p.out->tracing) trace_stage(d, p, "fdb_learn", 0xFF, p.learned ? "learned" : "");
}

void fdb_lookup(Locked d, Packet& p) {
    lookup(d, p);
    sdkPortsBmpSet(p.dest, p.in_port, false);  // never back out of the port it came in on
    if (empty(p.dest) && p.relayed()) apply(p, Cmd::kHardDrop, Drop::kNoDestination);
    if (p.out->tracing) trace_stage(d, p, "fdb_lookup", 0xFF, p.flooded ? "flooded" : "");
}

}  // namespace chipsim
