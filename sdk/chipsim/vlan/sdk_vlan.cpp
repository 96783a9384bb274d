// The VLAN table, VLAN MRU profiles, protocol classes and the ports' VLAN settings.
#include <algorithm>

#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_stp.h"
#include "sdk/sdk_vlan.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::VlanEntry;
using chipsim::VlanPort;
using chipsim::with_device;
using chipsim::with_port;

namespace {

// Every port of the bitmap is a port of the device (the CPU port included).
bool ports_exist(Device& d, const SDK_PORTS_BMP& bmp) {
    for (uint32_t p = 0; p < chipsim::kPortSlots; ++p)
        if (sdkPortsBmpIsMember(bmp, p) && !d.port(static_cast<uint8_t>(p))) return false;
    return true;
}

bool info_ok(const SDK_BRG_VLAN_INFO& info) {
    return info.stgId < SDK_STP_GROUPS && info.mruIdx < SDK_VLAN_MRU_PROFILES;
}

void set_member(VlanEntry& e, uint8_t port, bool member, uint8_t cmd) {
    sdkPortsBmpSet(e.members, port, member);
    sdkPortsBmpSet(e.tagged, port, member && cmd != SDK_VLAN_TAG_CMD_UNTAGGED);
    e.tag_cmd[port] = member ? cmd : SDK_VLAN_TAG_CMD_UNTAGGED;
}

// Runs fn(entry) for a VLAN id the table holds.
template <typename Fn>
SDK_STATUS with_entry(const char* op, uint8_t dev, uint16_t vid, Fn fn) {
    return with_device(op, dev, [&](Device& d) -> SDK_STATUS {
        if (vid > SDK_VLAN_ID_MAX) return SDK_OUT_OF_RANGE;
        return fn(d, d.vlans.table[vid]);
    });
}

template <typename Fn>
SDK_STATUS with_vlan_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return with_port(op, dev, port, [&](Device& d, Port&) { return fn(d.vlans.ports[port]); });
}

}  // namespace

SDK_STATUS sdkBrgVlanEntryWrite(uint8_t devNum, uint16_t vlanId, const SDK_PORTS_BMP* memberPorts,
                                const SDK_PORTS_BMP* taggedPorts, const SDK_BRG_VLAN_INFO* vlanInfo,
                                const uint8_t* tagCmds) {
    if (!memberPorts || !taggedPorts || !vlanInfo) return SDK_BAD_PTR;
    return with_entry(__func__, devNum, vlanId, [&](Device& d, VlanEntry& e) -> SDK_STATUS {
        if (!ports_exist(d, *memberPorts) || !info_ok(*vlanInfo)) return SDK_BAD_PARAM;
        VlanEntry n;
        n.valid = true;
        n.info = *vlanInfo;
        for (uint8_t p = 0; p < chipsim::kPortSlots; ++p) {
            bool member = sdkPortsBmpIsMember(*memberPorts, p);
            bool tagged = sdkPortsBmpIsMember(*taggedPorts, p);
            uint8_t cmd = tagCmds ? tagCmds[p]
                                  : (tagged ? SDK_VLAN_TAG_CMD_TAGGED : SDK_VLAN_TAG_CMD_UNTAGGED);
            if (tagged && !member) return SDK_BAD_PARAM;
            if (member && (cmd > SDK_VLAN_TAG_CMD_POP || tagged != (cmd != 0)))
                return SDK_BAD_PARAM;
            set_member(n, p, member, cmd);
        }
        e = n;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanEntryRead(uint8_t devNum, uint16_t vlanId, SDK_PORTS_BMP* memberPorts,
                               SDK_PORTS_BMP* taggedPorts, SDK_BRG_VLAN_INFO* vlanInfo,
                               bool* isValid, uint8_t* tagCmds) {
    if (!memberPorts || !taggedPorts || !vlanInfo || !isValid) return SDK_BAD_PTR;
    return with_entry(__func__, devNum, vlanId, [&](Device&, VlanEntry& e) {
        *memberPorts = e.members;
        *taggedPorts = e.tagged;
        *vlanInfo = e.info;
        *isValid = e.valid;
        if (tagCmds) {
            std::fill(tagCmds, tagCmds + SDK_VLAN_TAG_CMD_PORTS, SDK_VLAN_TAG_CMD_UNTAGGED);
            std::copy(e.tag_cmd.begin(), e.tag_cmd.end(), tagCmds);
        }
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanEntryInvalidate(uint8_t devNum, uint16_t vlanId) {
    return with_entry(__func__, devNum, vlanId, [&](Device&, VlanEntry& e) {
        e.valid = false;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanMemberAdd(uint8_t devNum, uint16_t vlanId, uint8_t portNum, bool isTagged,
                               uint8_t tagCmd) {
    return with_entry(__func__, devNum, vlanId, [&](Device& d, VlanEntry& e) -> SDK_STATUS {
        if (!d.port(portNum) || tagCmd > SDK_VLAN_TAG_CMD_POP) return SDK_BAD_PARAM;
        if (!e.valid) return SDK_NOT_FOUND;
        set_member(e, portNum, true, isTagged ? tagCmd : SDK_VLAN_TAG_CMD_UNTAGGED);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortDelete(uint8_t devNum, uint16_t vlanId, uint8_t portNum) {
    return with_entry(__func__, devNum, vlanId, [&](Device& d, VlanEntry& e) -> SDK_STATUS {
        if (!d.port(portNum)) return SDK_BAD_PARAM;
        if (!e.valid) return SDK_NOT_FOUND;
        set_member(e, portNum, false, SDK_VLAN_TAG_CMD_UNTAGGED);
        return SDK_OK;
    });
}

// The binding is a field of the row, kept whether or not the VLAN is valid.
SDK_STATUS sdkBrgVlanToStpIdBind(uint8_t devNum, uint16_t vlanId, uint32_t stgId) {
    return with_entry(__func__, devNum, vlanId, [&](Device&, VlanEntry& e) {
        if (stgId >= SDK_STP_GROUPS) return SDK_OUT_OF_RANGE;
        e.info.stgId = stgId;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanLearningStateSet(uint8_t devNum, uint16_t vlanId, bool learnEnable) {
    return with_entry(__func__, devNum, vlanId, [&](Device&, VlanEntry& e) {
        e.info.learnEnable = learnEnable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanMruProfileIdxSet(uint8_t devNum, uint16_t vlanId, uint32_t mruIndex) {
    return with_entry(__func__, devNum, vlanId, [&](Device&, VlanEntry& e) {
        if (mruIndex >= SDK_VLAN_MRU_PROFILES) return SDK_OUT_OF_RANGE;
        e.info.mruIdx = mruIndex;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanMruProfileValueSet(uint8_t devNum, uint32_t mruIndex, uint32_t mruValue) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (mruIndex >= SDK_VLAN_MRU_PROFILES || mruValue > 16382) return SDK_OUT_OF_RANGE;
        d.vlans.mru_profile[mruIndex] = mruValue;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanMruProfileValueGet(uint8_t devNum, uint32_t mruIndex, uint32_t* mruValue) {
    if (!mruValue) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        if (mruIndex >= SDK_VLAN_MRU_PROFILES) return SDK_OUT_OF_RANGE;
        *mruValue = d.vlans.mru_profile[mruIndex];
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortVidSet(uint8_t devNum, uint8_t portNum, uint16_t vlanId) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        if (vlanId > SDK_VLAN_ID_MAX) return SDK_OUT_OF_RANGE;
        p.pvid = vlanId;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortVidGet(uint8_t devNum, uint8_t portNum, uint16_t* vlanId) {
    if (!vlanId) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *vlanId = p.pvid;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortIngFltEnable(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        p.ingress_filter = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortIngFltEnableGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *enable = p.ingress_filter;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortAccFrameTypeSet(uint8_t devNum, uint8_t portNum, uint32_t frameType) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        if (frameType > SDK_VLAN_ACCEPT_UNTAGGED) return SDK_BAD_PARAM;
        p.accept = frameType;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortAccFrameTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* frameType) {
    if (!frameType) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *frameType = p.accept;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortTpidSet(uint8_t devNum, uint8_t portNum, uint16_t tpid) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        // A TPID must not be taken for a frame's own length field.
        if (tpid < 0x0600) return SDK_BAD_PARAM;
        p.tpid = tpid;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortTpidGet(uint8_t devNum, uint8_t portNum, uint16_t* tpid) {
    if (!tpid) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *tpid = p.tpid;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgNestVlanAccessPortSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        p.nested_access = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgNestVlanAccessPortGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *enable = p.nested_access;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortDefaultUpSet(uint8_t devNum, uint8_t portNum, uint32_t up) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        if (up > 7) return SDK_OUT_OF_RANGE;
        p.default_up = up;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortDefaultUpGet(uint8_t devNum, uint8_t portNum, uint32_t* up) {
    if (!up) return SDK_BAD_PTR;
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        *up = p.default_up;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortCopyInnerUpSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        p.copy_inner_up = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanProtoClassSet(uint8_t devNum, uint32_t entryNum, uint32_t encap,
                                   uint16_t protocol) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (entryNum >= SDK_VLAN_PROTO_CLASSES) return SDK_OUT_OF_RANGE;
        if (encap < SDK_VLAN_ENCAP_ETHERNET_II || encap > SDK_VLAN_ENCAP_LLC_OTHER)
            return SDK_BAD_PARAM;
        d.vlans.proto_class[entryNum] = {true, encap, protocol};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanProtoClassInvalidate(uint8_t devNum, uint32_t entryNum) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (entryNum >= SDK_VLAN_PROTO_CLASSES) return SDK_OUT_OF_RANGE;
        d.vlans.proto_class[entryNum] = {};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanPortProtoVlanSet(uint8_t devNum, uint8_t portNum, uint32_t entryNum,
                                      bool valid, uint16_t vlanId) {
    return with_vlan_port(__func__, devNum, portNum, [&](VlanPort& p) {
        if (entryNum >= SDK_VLAN_PROTO_CLASSES || vlanId > SDK_VLAN_ID_MAX) return SDK_OUT_OF_RANGE;
        p.proto[entryNum] = valid ? chipsim::ProtoVlan{true, vlanId} : chipsim::ProtoVlan{};
        uint8_t bit = static_cast<uint8_t>(1u << entryNum);
        p.proto_valid = valid ? (p.proto_valid | bit) : (p.proto_valid & ~bit);
        return SDK_OK;
    });
}
