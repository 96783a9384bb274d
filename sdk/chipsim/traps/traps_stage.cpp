// The control-packet stage: what the chip recognises and sends the CPU, mirrors or drops.
#include <cstring>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_netif.h"

namespace chipsim {
namespace {

constexpr uint8_t kIpProtoIgmp = 2;

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

// 224.0.0.x, or ff02::x.
bool link_local(const L3& l3) {
    const uint8_t* a = l3.dip;
    if (l3.ipv4) return a[0] == 224 && a[1] == 0 && a[2] == 0;
    if (!l3.ipv6 || a[0] != 0xFF || a[1] != 0x02) return false;
    for (int i = 2; i < 15; ++i)
        if (a[i]) return false;
    return true;
}

}  // namespace

Cmd traps_cmd(uint32_t packet_cmd) {
    return from_packet_cmd(packet_cmd);
}

bool traps_look_above_l2(const Device& d, uint16_t ethertype) {
    if (ethertype == kEtherTypeIpv4) return d.traps.igmp_cmd != SDK_PACKET_CMD_FORWARD;
    if (ethertype != kEtherTypeIpv6) return false;
    for (const Icmpv6Slot& s : d.traps.icmpv6)
        if (s.cmd != SDK_PACKET_CMD_FORWARD) return true;
    return false;
}

void traps_control(Locked d, Packet& p) {
    const Traps& t = d->traps;
    const L3& l3 = p.l3;
    const uint8_t* da = p.data;
    static const uint8_t kReserved[5] = {0x01, 0x80, 0xC2, 0x00, 0x00};
    if (t.ieee_enable && std::memcmp(da, kReserved, 5) == 0) {
        uint32_t profile = t.ieee_profile[p.in_port] % SDK_IEEE_RSV_MC_PROFILES;
        apply(p, from_packet_cmd(t.ieee_cmd[profile][da[5]]), Drop::kControl,
              cpu_code_ieee(d, da[5]));
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
    if (l3.dip && link_local(l3)) {
        const uint32_t ver = l3.ipv4 ? SDK_IP_VER_4 : SDK_IP_VER_6;
        const uint8_t proto = l3.dip[l3.ipv4 ? 3 : 15];
        if (t.ip_ll_mirror[ver] && t.ip_ll_prot[ver][proto])
            apply(p, Cmd::kMirror, Drop::kControl, cpu_code_link_local(d, ver, proto));
    }
    if (l3.ethertype == kEtherTypeArp && is_broadcast(da))
        apply(p, from_packet_cmd(t.arp_bcast_cmd), Drop::kControl, SDK_CPU_CODE_ARP_BC);
    trace(d, p, "traps_control");
}

Traps traps(uint8_t dev) {
    return on_device(dev, Traps{}, [](Locked d) { return d->traps; });
}

}  // namespace chipsim
