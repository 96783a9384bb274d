// VLAN features beyond membership: 802.1Q tunnelling, protocol-based VLANs, VLAN trunking
// and learning per port and per VLAN.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

using swdrv::DevPort;

// Re-adds the port to every VLAN it is a member of with the tagging its tunnel mode asks:
// untagged on an access port, otherwise as the VLAN managers set it (the tagged mark).
bool retag_memberships(const char* func, const DevPort& dp, bool access) {
    bool ok = true;
    for (uint32_t vid = DEV_SWDRV_MIN_VLAN; vid <= DEV_SWDRV_MAX_VLAN; ++vid) {
        swdrv::ChipVlan e;
        SDK_STATUS rc = swdrv::read_vlan(dp.dev, vid, &e);
        if (rc == SDK_OK && e.valid && sdkPortsBmpIsMember(e.members, dp.port)) {
            bool want = !access && swdrv::tagged_mark(dp.dev, dp.port, vid);
            uint8_t cmd = want ? SDK_VLAN_TAG_CMD_TAGGED : SDK_VLAN_TAG_CMD_UNTAGGED;
            if (want != sdkPortsBmpIsMember(e.tagged, dp.port))
                rc = sdkBrgVlanMemberAdd(dp.dev, static_cast<uint16_t>(vid), dp.port, want, cmd);
        }
        if (rc != SDK_OK) {
            swdrv::print_sdk_err(func, __LINE__, rc, dp.port, vid);
            ok = false;
        }
    }
    return ok;
}

// Enable: the port joins the VLAN tagged, the VLAN created first when missing. Disable: the
// port leaves the VLAN, if the VLAN exists.
bool trunk_port_in_vlan(uint32_t unit, uint32_t port, const DevPort& dp, uint32_t vid,
                        bool enable) {
    if (enable)
        return DEV_SWDRV_CreateVlanForVlanTrunking(vid) &&
               DEV_SWDRV_AddPortVlanSet(unit, port, vid);
    swdrv::ChipVlan e;
    if (SDK_STATUS rc = swdrv::read_vlan(dp.dev, vid, &e)) {
        swdrv::print_sdk_err(__func__, __LINE__, rc, dp.dev, vid);
        return false;
    }
    return !e.valid || DEV_SWDRV_DeletePortVlanSet(unit, port, vid);
}

}  // namespace

bool DEV_SWDRV_SetPortDot1qTunnelMode(uint32_t unit, uint32_t port, uint32_t mode) {
    DevPort dp;
    if (mode > DEV_SWDRV_TUNNEL_MODE_ACCESS) return SWDRV_BAD_ARG("invalid tunnel mode");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    uint32_t& current = DEV_SWDRV_OM().tunnel_mode[dp.dev][dp.port];
    bool access = mode == DEV_SWDRV_TUNNEL_MODE_ACCESS;
    if (SDK_STATUS rc = sdkBrgNestVlanAccessPortSet(dp.dev, dp.port, access)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    bool was_access = current == DEV_SWDRV_TUNNEL_MODE_ACCESS;
    current = mode;
    return access == was_access || retag_memberships(__func__, dp, access);
}

bool DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(uint32_t unit, uint32_t port, uint32_t* mode) {
    DevPort dp;
    if (!mode || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    *mode = DEV_SWDRV_OM().tunnel_mode[dp.dev][dp.port];
    return true;
}

bool DEV_SWDRV_SetPortDot1qTunnelTPID(uint32_t unit, uint32_t port, uint32_t tpid) {
    DevPort dp;
    if (tpid > 0xFFFF) return SWDRV_BAD_ARG("TPID out of range");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdkBrgVlanPortTpidSet(dp.dev, dp.port, static_cast<uint16_t>(tpid))) {
        SWDRV_SDK_ERR_ARGS(rc, dp.port, tpid);
        return false;
    }
    return true;
}

bool DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort(uint32_t unit, uint32_t port, uint32_t* tpid) {
    DevPort dp;
    uint16_t v = 0;
    if (!tpid || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdkBrgVlanPortTpidGet(dp.dev, dp.port, &v)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    *tpid = v;
    return true;
}

bool DEV_SWDRV_SetDot1vProtocolGroupEntry(uint32_t group, uint32_t frame_type, uint32_t protocol) {
    if (group >= SDK_VLAN_PROTO_CLASSES) return SWDRV_BAD_ARG("protocol group out of range");
    if (frame_type > SDK_VLAN_ENCAP_LLC_OTHER || protocol > 0xFFFF)
        return SWDRV_BAD_ARG("invalid protocol template");
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        return frame_type == 0 ? sdkBrgVlanProtoClassInvalidate(dev, group)
                               : sdkBrgVlanProtoClassSet(dev, group, frame_type,
                                                         static_cast<uint16_t>(protocol));
    });
}

bool DEV_SWDRV_AddDot1vProtocolPortEntry(uint32_t unit, uint32_t port, uint32_t group,
                                         uint32_t vid) {
    DevPort dp;
    if (group >= SDK_VLAN_PROTO_CLASSES) return SWDRV_BAD_ARG("protocol group out of range");
    if (!SWDRV_VLAN_OK(vid) || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc =
            sdkBrgVlanPortProtoVlanSet(dp.dev, dp.port, group, true, static_cast<uint16_t>(vid))) {
        swdrv::print_sdk_err3(__func__, __LINE__, rc, dp.port, group, vid);
        return false;
    }
    return true;
}

bool DEV_SWDRV_DelDot1vProtocolPortEntry(uint32_t unit, uint32_t port, uint32_t group) {
    DevPort dp;
    if (group >= SDK_VLAN_PROTO_CLASSES) return SWDRV_BAD_ARG("protocol group out of range");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdkBrgVlanPortProtoVlanSet(dp.dev, dp.port, group, false, 0)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.port, group);
        return false;
    }
    return true;
}

bool DEV_SWDRV_CreateVlanForVlanTrunking(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    bool missing = false;
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        swdrv::ChipVlan e;
        if (SDK_STATUS rc = swdrv::read_vlan(d.dev, vid, &e)) {
            SWDRV_SDK_ERR_ARGS(rc, d.dev, vid);
            return false;
        }
        missing = missing || !e.valid;
    }
    return !missing || DEV_SWDRV_CreateVlan(vid);
}

bool DEV_SWDRV_SetPortVlanTunkingByVLAN(uint32_t unit, uint32_t port, uint32_t vid, bool enable) {
    DevPort dp;
    if (!SWDRV_VLAN_OK(vid) || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    return trunk_port_in_vlan(unit, port, dp, vid, enable);
}

bool DEV_SWDRV_SetPortVlanTunkingByVlanList(uint32_t unit, uint32_t port, bool enable,
                                            const uint8_t* vlan_list) {
    DevPort dp;
    if (!vlan_list || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    bool ok = true;
    for (uint32_t vid = DEV_SWDRV_MIN_VLAN; vid <= DEV_SWDRV_MAX_VLAN; ++vid)
        if (swdrv::vlan_listed(vlan_list, vid))
            ok = trunk_port_in_vlan(unit, port, dp, vid, enable) && ok;
    return ok;
}

bool DEV_SWDRV_SetPortLearningStatus(uint32_t unit, uint32_t port, bool enable) {
    DevPort dp;
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    // Without learning, frames from unknown sources are still forwarded.
    if (SDK_STATUS rc =
            sdkBrgFdbPortLearnStatusSet(dp.dev, dp.port, enable, SDK_LOCK_CMD_FORWARD)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    return true;
}

bool DEV_SWDRV_SetVlanLearningStatus(uint32_t vid, bool enable) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        return sdkBrgVlanLearningStateSet(dev, static_cast<uint16_t>(vid), enable);
    });
}
