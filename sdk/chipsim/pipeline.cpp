// The pipeline's ingress half: admission, classification, filtering, control packets,
// learning and the destination lookup. The egress half is pipeline_egress.cpp.
#include "sdk/chipsim/pipeline.h"

#include <algorithm>
#include <cstring>

#include "sdk/chipsim/fdb.h"
#include "sdk/chipsim/pipeline_stages.h"
#include "sdk/sdk_stp.h"
#include "sdk/sdk_trap.h"

namespace chipsim {
namespace {

constexpr uint32_t kUntaggedMax = 1518;  // with the FCS
constexpr uint8_t kIpProtoIgmp = 2;
constexpr uint8_t kNoPort = 0xFF;

Cmd from_packet_cmd(uint32_t c) {
    switch (c) {
        case SDK_PACKET_CMD_MIRROR_TO_CPU:
            return Cmd::kMirror;
        case SDK_PACKET_CMD_TRAP_TO_CPU:
            return Cmd::kTrap;
        case SDK_PACKET_CMD_DROP:
            return Cmd::kHardDrop;
    }
    return Cmd::kForward;
}

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

bool relayed(const Packet& p) {
    return p.cmd == Cmd::kForward || p.cmd == Cmd::kMirror;
}

// What the ingress rules decided, for the stages after them.
struct Admission {
    const VlanEntry* vlan = nullptr;  // the frame's VLAN, when the chip holds it
    uint32_t stp = SDK_STP_FORWARDING;
    bool ingress_ok = true;  // no ingress rule discarded it (learning depends on it)
};

// Classification and the ingress rules of a frame received on a network port.
Admission admit(Device& d, Port& port, Packet& p) {
    Admission a;
    const VlanPort& vp = d.vlans.ports[p.in_port];
    uint32_t flen = p.len + kFcsLen;
    bool has_tag = p.l2.tagged || rd16(p.data, p.len, 12) == kEtherTypeCtag;
    if (!has_tag && port.oversize_filter && flen > kUntaggedMax) {
        apply(p, Cmd::kHardDrop, Drop::kOversizeUntagged);
        return a;
    }
    uint16_t tag_vid = p.l2.tci & 0xFFF;
    bool vid_tagged = p.l2.tagged && tag_vid != 0;
    if ((vp.accept == SDK_VLAN_ACCEPT_TAGGED && !vid_tagged) ||
        (vp.accept == SDK_VLAN_ACCEPT_UNTAGGED && vid_tagged)) {
        apply(p, Cmd::kSoftDrop, Drop::kFrameType);
        a.ingress_ok = false;
    }
    if (vid_tagged) {
        p.vid = tag_vid;
        p.up = static_cast<uint8_t>(p.l2.tci >> 13);
        p.cfi = p.l2.tci >> 12 & 1;
    } else {
        p.vid = vp.pvid;
        p.up = static_cast<uint8_t>(p.l2.tagged ? p.l2.tci >> 13 : vp.default_up);
        if (vp.nested_access && vp.copy_inner_up && rd16(p.data, p.len, 12) == kEtherTypeCtag)
            p.up = static_cast<uint8_t>(rd16(p.data, p.len, 14) >> 13);
        if (!vp.nested_access) {
            // The port's valid protocol VLAN entries, lowest class first.
            for (uint32_t bits = vp.proto_valid; bits; bits &= bits - 1) {
                uint32_t i = static_cast<uint32_t>(__builtin_ctz(bits));
                const ProtoClass& c = d.vlans.proto_class[i];
                if (c.valid && encap_matches(p.data, p.len, p.l2.payload, c.encap, c.protocol)) {
                    p.vid = vp.proto[i].vid;
                    break;
                }
            }
        }
    }
    if (p.vid == 0 || p.vid > 4094 || !d.vlans.table[p.vid].valid) {
        apply(p, Cmd::kSoftDrop, Drop::kInvalidVlan);
        a.ingress_ok = false;
        return a;
    }
    const VlanEntry& v = d.vlans.table[p.vid];
    a.vlan = &v;
    if (flen > d.vlans.mru_profile[v.info.mruIdx % SDK_VLAN_MRU_PROFILES]) {
        apply(p, Cmd::kHardDrop, Drop::kVlanMru);
        return a;
    }
    if (vp.ingress_filter && !member(v.members, p.in_port)) {
        apply(p, Cmd::kSoftDrop, Drop::kIngressFilter);
        a.ingress_ok = false;
    }
    a.stp = d.stp.state[v.info.stgId % SDK_STP_GROUPS][p.in_port];
    if (a.stp == SDK_STP_DISABLED)
        apply(p, Cmd::kHardDrop, Drop::kStpState);
    else if (a.stp != SDK_STP_FORWARDING)
        apply(p, Cmd::kSoftDrop, Drop::kStpState);
    return a;
}

// Control packets: what the chip recognises and sends the CPU, mirrors or drops.
void control(Device& d, Packet& p, const L3& l3) {
    const Traps& t = d.traps;
    const uint8_t* da = p.data;
    static const uint8_t kReserved[5] = {0x01, 0x80, 0xC2, 0x00, 0x00};
    if (t.ieee_enable && std::memcmp(da, kReserved, 5) == 0) {
        uint32_t profile = t.ieee_profile[p.in_port] % SDK_IEEE_RSV_MC_PROFILES;
        apply(p, from_packet_cmd(t.ieee_cmd[profile][da[5]]), Drop::kControl, kCpuCodeIeeeReserved);
    }
    if (l3.ethertype == kEtherTypeMacControl) apply(p, Cmd::kHardDrop, Drop::kControl);
    if (l3.oam_pdu) {
        bool trap = t.oam_pdu_trap[p.in_port];
        apply(p, trap ? Cmd::kTrap : Cmd::kHardDrop, Drop::kControl, kCpuCodeOam);
    }
    if (l3.ipv4 && l3.ip_proto == kIpProtoIgmp)
        apply(p, from_packet_cmd(t.igmp_cmd), Drop::kControl, kCpuCodeIgmp);
    if (l3.icmpv6) {
        for (const Icmpv6Slot& s : t.icmpv6) {
            if (s.type != l3.icmpv6_type || s.cmd == SDK_PACKET_CMD_FORWARD) continue;
            apply(p, from_packet_cmd(s.cmd), Drop::kControl, kCpuCodeIcmpv6);
            break;
        }
    }
}

// Source learning. src_dev/src_port: where the frame entered the unit.
void learn(Device& d, Port& port, const VlanEntry& v, Packet& p, bool automatic_only) {
    const uint8_t src_dev = p.src_dev, src_port = p.src_port;
    const bool na_to_cpu = port.na_to_cpu && v.info.naToCpuEnable;
    const uint8_t* sa = p.data + 6;
    if (is_multicast(sa) || is_zero(sa)) return;
    FdbTable& t = d.fdb;
    FdbKey k = fdb_key_mac(sa, p.vid);
    uint16_t trunk = hooks().port_trunk ? hooks().port_trunk(d, p.in_port) : 0;
    int32_t i = fdb_find(t, k);
    if (i >= 0) {
        FdbSlot& s = t.slots[static_cast<uint32_t>(i)];
        bool same = trunk
                        ? s.if_type == SDK_INTERFACE_TRUNK && s.target == trunk
                        : s.if_type == SDK_INTERFACE_PORT && s.dev == src_dev && s.port == src_port;
        // A static entry is never moved by learning; the frame itself goes on.
        if (same || (s.flags & kFdbStatic)) {
            s.flags |= kFdbAge;
            p.learned = same;
            apply(p, from_mac_cmd(s.sa_cmd), Drop::kSaCommand, kCpuCodeMacSaTrap);
            return;
        }
    }
    FdbSlot s;
    s.key = k;
    s.flags = kFdbValid | kFdbAge;
    if (trunk) {
        s.if_type = SDK_INTERFACE_TRUNK;
        s.target = trunk;
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
    apply(p, from_lock_cmd(pl.lock_cmd), Drop::kLearnLock, kCpuCodeNewAddress);
}

void flood(Device& d, Packet& p, const VlanEntry& v) {
    p.dest = v.members;
    p.flooded = true;
    SDK_PORTS_BMP group;
    if (v.info.floodVidx != SDK_VLAN_FLOOD_ALL && hooks().vidx_members &&
        hooks().vidx_members(d, static_cast<uint16_t>(v.info.floodVidx), &group)) {
        p.dest.ports[0] &= group.ports[0];
        p.dest.ports[1] &= group.ports[1];
    }
}

// The first cascade port of the device: the way to the unit's other devices.
uint8_t cascade_port(const Device& d) {
    return d.desc->cascade.empty() ? kNoPort : d.desc->cascade.front().port;
}

// Where an address-table entry sends the packet.
void to_entry(Device& d, Packet& p, const VlanEntry& v, const FdbSlot& s) {
    apply(p, from_mac_cmd(s.da_cmd), Drop::kDaCommand, kCpuCodeMacDaTrap);
    if (!relayed(p)) return;
    switch (s.if_type) {
        case SDK_INTERFACE_PORT: {
            uint8_t port = s.dev == d.hw_dev_num ? s.port : cascade_port(d);
            if (port == kNoPort) break;
            set_member(p.dest, port);
            return;
        }
        case SDK_INTERFACE_TRUNK: {
            uint8_t port = hooks().trunk_member ? hooks().trunk_member(d, s.target, p) : kNoPort;
            if (port == kNoPort) break;
            set_member(p.dest, port);
            return;
        }
        case SDK_INTERFACE_VIDX:
            if (s.target == SDK_VLAN_FLOOD_ALL) {
                flood(d, p, v);
                p.flooded = false;
                return;
            }
            if (hooks().vidx_members && hooks().vidx_members(d, s.target, &p.dest)) return;
            break;
        case SDK_INTERFACE_VID:
            flood(d, p, v);
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

// Destination lookup: to an entry's destination, or flooded in the VLAN.
void lookup(Device& d, Packet& p, const VlanEntry& v, const L3& l3) {
    const uint8_t* da = p.data;
    if (is_broadcast(da)) {
        flood(d, p, v);
        return;
    }
    const FdbTable& t = d.fdb;
    int32_t i;
    bool ip_mc = is_multicast(da) && d.traps.ip_mc_bridging && l3.sip && (l3.ipv4 || l3.ipv6);
    i = ip_mc ? find_ip_group(t, p, l3) : fdb_find(t, fdb_key_mac(da, p.vid));
    if (i >= 0) {
        to_entry(d, p, v, t.slots[static_cast<uint32_t>(i)]);
        return;
    }
    if (is_multicast(da)) {
        uint32_t kind = l3.ipv4   ? SDK_UNREG_MC_IPV4
                        : l3.ipv6 ? SDK_UNREG_MC_IPV6
                                  : SDK_UNREG_MC_NON_IP;
        apply(p, from_packet_cmd(d.traps.unreg_mc_cmd[kind]), Drop::kControl, kCpuCodeUnregMc);
        if (!relayed(p)) return;
    }
    flood(d, p, v);
}

// The headers above layer 2, read only where a stage will look at them: slow protocols and
// MAC control, multicast (IGMP, IP multicast bridging, unregistered multicast), and IPv4 and
// IPv6 unicast while IGMP or ICMPv6 messages have a command of their own.
L3 look_above_l2(const Device& d, const Packet& p) {
    uint32_t at = p.l2.payload;
    uint16_t type = rd16(p.data, p.len, at);
    if (type == kEtherTypeCtag) type = rd16(p.data, p.len, at + kTagLen);
    bool look = type == kEtherTypeSlow || is_multicast(p.data);
    if (!look && type == kEtherTypeIpv4) look = d.traps.igmp_cmd != SDK_PACKET_CMD_FORWARD;
    if (!look && type == kEtherTypeIpv6)
        for (const Icmpv6Slot& s : d.traps.icmpv6)
            look |= s.cmd != SDK_PACKET_CMD_FORWARD;
    if (look) return parse_l3(p.data, p.len, at);
    L3 l3;
    l3.ethertype = type;
    return l3;
}

// Switches one hop of a frame in a device (its lock held).
void switch_hop(Device& d, const Result::Hop& h, bool first, const uint8_t* data, uint32_t len,
                Result* out) {
    Port* port = d.port(h.port);
    PortCounters& pc = d.frames.ports[h.port];
    ++pc.rx_frames;
    pc.rx_bytes += len;
    if (hooks().mac_counters) hooks().mac_counters(d, h.port, false, data, len);
    if (!port_up(d, *port, out->changes)) return count_drop(d, h.port, Drop::kPortDown, out);
    if (len < kEthHeader) return count_drop(d, h.port, Drop::kRunt, out);
    if (len > kMaxFrame) return count_drop(d, h.port, Drop::kTooLong, out);
    Packet p;
    p.in_port = h.port;
    const VlanPort& vp = d.vlans.ports[h.port];
    if (!vp.nested_access || h.cascade) {
        uint16_t tpid = h.cascade ? kEtherTypeCtag : vp.tpid;
        if (parse_l2(data, len, tpid, &p.l2) != L2Status::kOk)
            return count_drop(d, h.port, Drop::kTruncatedTag, out);
    }
    if (len < kMinFrame) {  // padded as the sending MAC would
        out->pad.assign(data, data + len);
        out->pad.resize(kMinFrame, 0);
        data = out->pad.data();
        len = kMinFrame;
    }
    p.data = data;
    p.len = len;
    if (len + kFcsLen > port->mru) return count_drop(d, h.port, Drop::kMru, out);
    // Ageing that fell due (time is looked at every few frames: a pass is never early).
    if (++d.frames.since_clock >= kClockEvery || d.frames.clock_changes != out->changes) {
        d.frames.since_clock = 0;
        d.frames.clock_changes = out->changes;
        fdb_catch_up(d, clock_ms());
    }

    L3 l3 = look_above_l2(d, p);
    Admission a;
    if (h.cascade) {
        p.src_dev = h.src_dev;
        p.src_port = h.src_port;
        p.vid = h.vid;
        p.up = h.up;
        p.cfi = p.l2.tci >> 12 & 1;
        a.vlan = p.vid <= 4094 && d.vlans.table[p.vid].valid ? &d.vlans.table[p.vid] : nullptr;
        if (!a.vlan) apply(p, Cmd::kHardDrop, Drop::kInvalidVlan);
    } else {
        p.src_dev = d.hw_dev_num;
        p.src_port = h.port;
        a = admit(d, *port, p);
        if (p.cmd != Cmd::kHardDrop) {
            if (hooks().storm_control) hooks().storm_control(d, p);
            if (hooks().policy) hooks().policy(d, p);
            if (hooks().qos_marking) hooks().qos_marking(d, p);
            control(d, p, l3);
        }
    }
    p.as_received = !h.cascade && d.misc.ports[h.port].oam_loopback && !l3.oam_pdu;
    if (a.vlan && a.ingress_ok && p.cmd != Cmd::kHardDrop && !p.as_received &&
        (a.stp == SDK_STP_LEARNING || a.stp == SDK_STP_FORWARDING) && a.vlan->info.learnEnable)
        learn(d, *port, *a.vlan, p, h.cascade);
    if (p.as_received) {
        set_member(p.dest, h.port);  // back out as it came, not switched
    } else if (a.vlan && relayed(p)) {
        lookup(d, p, *a.vlan, l3);
        if (hooks().isolation) hooks().isolation(d, p);
        clear_member(p.dest, h.port);  // never back out of the port it came in on
        if (!p.dest.ports[0] && !p.dest.ports[1] && relayed(p))
            apply(p, Cmd::kHardDrop, Drop::kNoDestination);
    }
    if (first) {
        out->vid = p.vid;
        out->flooded = p.flooded;
        out->learned = p.learned;
    }
    if (p.cmd == Cmd::kHardDrop || p.cmd == Cmd::kSoftDrop) count_drop(d, h.port, p.drop, out);
    egress(d, p, out);
}

}  // namespace

Hooks g_hooks;

void combine(Packet& p, Cmd c, Drop why, uint32_t cpu_code) {
    Cmd was = p.cmd;
    auto either = [&](Cmd x) { return was == x || c == x; };
    if (either(Cmd::kHardDrop))
        p.cmd = Cmd::kHardDrop;
    else if (either(Cmd::kTrap) || (either(Cmd::kSoftDrop) && either(Cmd::kMirror)))
        p.cmd = Cmd::kTrap;
    else if (either(Cmd::kSoftDrop))
        p.cmd = Cmd::kSoftDrop;
    else
        p.cmd = Cmd::kMirror;
    if (c == Cmd::kHardDrop && was != Cmd::kHardDrop) p.drop = why;
    if (c == Cmd::kSoftDrop && p.drop == Drop::kNone) p.drop = why;
    bool to_cpu = c == Cmd::kTrap || c == Cmd::kMirror;
    if (to_cpu && (!p.has_code || (c == Cmd::kTrap && was != Cmd::kTrap))) {
        p.has_code = true;
        p.cpu_code = cpu_code;
    }
}

void Buffer::grow(size_t need) {
    size_t cap = std::max<size_t>(need, 2 * cap_ + 4096);
    std::unique_ptr<uint8_t[]> p(new uint8_t[cap]);
    if (size_) std::memcpy(p.get(), p_.get(), size_);
    p_ = std::move(p);
    cap_ = cap;
}

void Result::clear() {
    drop = Drop::kNone;
    vid = 0;
    flooded = learned = to_cpu = false;
    cpu_code = 0;
    sent.clear();
    data.clear();
    hops.clear();
}

void count_drop(Device& d, uint8_t port, Drop why, Result* out) {
    ++d.frames.ports[port].drops[static_cast<uint32_t>(why)];
    if (out->drop == Drop::kNone) out->drop = why;
}

bool receive(uint8_t dev, uint8_t port, const uint8_t* frame, uint32_t len, Result* out) {
    out->clear();
    Model& m = model();
    if (!m.initialised || dev >= m.devices.size() || !m.devices[dev]->port(port) ||
        port == SDK_CPU_PORT || (len && !frame))
        return false;
    out->changes = m.changes.load(std::memory_order_relaxed);
    Result::Hop first;
    first.dev = dev;
    first.port = port;
    first.len = len;
    {
        Device& d = *m.devices[dev];
        std::lock_guard<std::mutex> lock(d.mu);
        switch_hop(d, first, true, frame, len, out);
    }
    // Copies that came back into a device: loopbacks and the internal link.
    for (size_t i = 0; i < out->hops.size(); ++i) {
        const Result::Hop h = out->hops[i];  // a copy: switching it may add hops
        Device& d = *m.devices[h.dev];
        std::lock_guard<std::mutex> lock(d.mu);
        if (i + 1 >= kMaxHops) {
            count_drop(d, h.port, Drop::kLoop, out);
            continue;
        }
        // out->data grows while the hop is switched: switch a copy of its bytes.
        out->scratch.assign(out->data.data() + h.offset, out->data.data() + h.offset + h.len);
        switch_hop(d, h, false, out->scratch.data(), h.len, out);
    }
    // Copies that went somewhere make the frame delivered, whatever happened to the others.
    if (!out->sent.empty() || out->to_cpu) out->drop = Drop::kNone;
    return true;
}

}  // namespace chipsim
