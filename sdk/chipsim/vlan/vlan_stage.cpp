// The VLAN stages: classification and the ingress rules of a frame received on a network
// port, and the membership and tagging of each copy on its way out.
#include <cstring>

#include "sdk/chipsim/core/egress.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint32_t kUntaggedMax = 1518;  // with the FCS

// The VLAN of an untagged or priority-tagged frame: the first of the port's protocol VLANs
// whose class the frame matches, else the port VLAN id.
uint16_t untagged_vid(const Device& d, const VlanPort& vp, const Packet& p) {
    if (vp.nested_access) return vp.pvid;
    for (uint32_t bits = vp.proto_valid; bits; bits &= bits - 1) {
        uint32_t i = static_cast<uint32_t>(__builtin_ctz(bits));
        const ProtoClass& c = d.vlans.proto_class[i];
        if (c.valid && encap_matches(p.data, p.len, p.l2.payload, c.encap, c.protocol))
            return vp.proto[i].vid;
    }
    return vp.pvid;
}

}  // namespace

void vlan_ingress(Locked d, Packet& p) {
    const VlanPort& vp = d->vlans.ports[p.in_port];
    const uint32_t flen = p.len + kFcsLen;
    const bool has_tag = p.l2.tagged || rd16(p.data, p.len, 12) == kEtherTypeCtag;
    if (!has_tag && p.port->oversize_filter && flen > kUntaggedMax) {
        apply(p, Cmd::kHardDrop, Drop::kOversizeUntagged);
        return trace(d, p, "vlan_ingress");
    }
    const uint16_t tag_vid = p.l2.tci & 0xFFF;
    const bool vid_tagged = p.l2.tagged && tag_vid != 0;
    if ((vp.accept == SDK_VLAN_ACCEPT_TAGGED && !vid_tagged) ||
        (vp.accept == SDK_VLAN_ACCEPT_UNTAGGED && vid_tagged)) {
        apply(p, Cmd::kSoftDrop, Drop::kFrameType);
        p.ingress_ok = false;
    }
    if (vid_tagged) {
        p.vid = tag_vid;
        p.up = static_cast<uint8_t>(p.l2.tci >> 13);
        p.cfi = p.l2.tci >> 12 & 1;
    } else {
        p.vid = untagged_vid(d, vp, p);
        p.up = static_cast<uint8_t>(p.l2.tagged ? p.l2.tci >> 13 : vp.default_up);
        if (vp.nested_access && vp.copy_inner_up && rd16(p.data, p.len, 12) == kEtherTypeCtag)
            p.up = static_cast<uint8_t>(rd16(p.data, p.len, 14) >> 13);
    }
    if (p.vid == 0 || p.vid > 4094 || !d->vlans.table[p.vid].valid) {
        apply(p, Cmd::kSoftDrop, Drop::kInvalidVlan);
        p.ingress_ok = false;
        return trace(d, p, "vlan_ingress");
    }
    const VlanEntry& v = d->vlans.table[p.vid];
    p.vlan = &v;
    if (flen > d->vlans.mru_profile[v.info.mruIdx % SDK_VLAN_MRU_PROFILES]) {
        apply(p, Cmd::kHardDrop, Drop::kVlanMru);
    } else if (vp.ingress_filter && !sdkPortsBmpIsMember(v.members, p.in_port)) {
        apply(p, Cmd::kSoftDrop, Drop::kIngressFilter);
        p.ingress_ok = false;
    }
    if (p.out->tracing) trace_stage(d, p, "vlan_ingress", 0xFF, "vid " + std::to_string(p.vid));
}

bool vlan_egress(Locked d, const Packet& p, uint8_t q) {
    if (sdkPortsBmpIsMember(d->vlans.table[p.vid & SDK_VLAN_ID_MAX].members, q)) return true;
    count_drop(d, q, Drop::kEgressNotMember, p.out);
    if (p.out->tracing) trace_stage(d, p, "vlan_egress", q, "egress-not-member");
    return false;
}

uint32_t vlan_egress_tag(Locked d, const Packet& p, uint8_t q, bool cascade, uint8_t* tags) {
    const uint8_t cmd = d->vlans.table[p.vid & SDK_VLAN_ID_MAX].tag_cmd[q];
    uint32_t len = 0;
    if (cmd == SDK_VLAN_TAG_CMD_TAGGED || cmd == SDK_VLAN_TAG_CMD_PUSH) {
        uint16_t tpid = cascade ? kEtherTypeCtag : d->vlans.ports[q].tpid;
        put_tag(tags, tpid, static_cast<uint16_t>((p.up & 7) << 13 | (p.cfi & 1) << 12 | p.vid));
        len = kTagLen;
    }
    if (cmd == SDK_VLAN_TAG_CMD_PUSH && p.l2.tagged) {  // the frame's own tag stays inside
        std::memcpy(tags + len, p.data + 12, kTagLen);
        len += kTagLen;
    }
    return len;
}

}  // namespace chipsim
