// VLANs on every local device: the VLAN entries with their members and tagging, the CPU port
// in VLANs, port VLAN ids, ingress filtering and acceptable frame types, bulk membership.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

using swdrv::DevPort;

bool mirrored(uint32_t vid) {
    return swdrv::bmp_has(DEV_SWDRV_OM().mirrored_vlans, vid);
}

bool access_port(const DevPort& dp) {
    return DEV_SWDRV_OM().tunnel_mode[dp.dev][dp.port] == DEV_SWDRV_TUNNEL_MODE_ACCESS;
}

// The port as a member the VLAN managers want tagged: tagged, but untagged on a tunnel
// access port.
SDK_STATUS add_tagged(const DevPort& dp, uint32_t vid) {
    bool tagged = !access_port(dp);
    return sdkBrgVlanMemberAdd(dp.dev, static_cast<uint16_t>(vid), dp.port, tagged,
                               tagged ? SDK_VLAN_TAG_CMD_TAGGED : SDK_VLAN_TAG_CMD_UNTAGGED);
}

// Runs a change of one port's membership; SDK errors are printed.
template <typename Change>
bool port_change(const char* func, int line, uint32_t unit, uint32_t port, uint32_t vid,
                 Change change) {
    DevPort dp;
    if (!swdrv::vlan_ok(func, line, vid) || !swdrv::to_dev_port(func, line, unit, port, &dp))
        return false;
    if (SDK_STATUS rc = change(dp)) {
        swdrv::print_sdk_err(func, line, rc, dp.port, vid);
        return false;
    }
    return true;
}

bool set_port_attr(const char* func, int line, uint32_t unit, uint32_t port,
                   SDK_STATUS (*set)(uint8_t, uint8_t, uint32_t), uint32_t value) {
    DevPort dp;
    if (!swdrv::to_dev_port(func, line, unit, port, &dp)) return false;
    if (SDK_STATUS rc = set(dp.dev, dp.port, value)) {
        swdrv::print_sdk_err(func, line, rc, dp.dev, dp.port);
        return false;
    }
    return true;
}

SDK_STATUS ingress_filter(uint8_t dev, uint8_t port, uint32_t on) {
    return sdkBrgVlanPortIngFltEnable(dev, port, on != 0);
}

// Walks the existing VLANs for a bulk change of one port: change(dp, vid, entry) for each.
// Failures are printed and the walk goes on; false when any failed.
template <typename Change>
bool for_each_vlan(const char* func, uint32_t unit, uint32_t port, Change change) {
    DevPort dp;
    if (!swdrv::to_dev_port(func, __LINE__, unit, port, &dp)) return false;
    bool ok = true;
    for (uint32_t vid = DEV_SWDRV_MIN_VLAN; vid <= DEV_SWDRV_MAX_VLAN; ++vid) {
        swdrv::ChipVlan e;
        SDK_STATUS rc = swdrv::read_vlan(dp.dev, vid, &e);
        if (rc == SDK_OK && e.valid) rc = change(dp, vid, e);
        if (rc != SDK_OK) {
            swdrv::print_sdk_err(func, __LINE__, rc, dp.port, vid);
            ok = false;
        }
    }
    return ok;
}

}  // namespace

SDK_STATUS swdrv::read_vlan(uint8_t dev, uint32_t vid, ChipVlan* e) {
    SDK_BRG_VLAN_INFO info;
    return sdkBrgVlanEntryRead(dev, static_cast<uint16_t>(vid), &e->members, &e->tagged, &info,
                               &e->valid, nullptr);
}

bool DEV_SWDRV_ResetOnDemand() {
    SDK_BRG_VLAN_INFO& r = DEV_SWDRV_OM().default_vlan_info;
    r = {};
    r.stgId = 0;
    r.mruIdx = 0;
    r.learnEnable = 1;
    r.naToCpuEnable = 1;
    r.mirrorToAnalyzer = 0;
    r.floodVidx = SDK_VLAN_FLOOD_ALL;
    return true;
}

bool DEV_SWDRV_CreateVlan(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint16_t v = static_cast<uint16_t>(vid);
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        SDK_PORTS_BMP members{}, tagged{};
        uint8_t cmds[SDK_VLAN_TAG_CMD_PORTS] = {};
        // The stacking links carry every VLAN, tagged.
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p) {
            if (!d.has(p) ||
                !(swdrv::is_fabric_port(d.dev, p) || DEV_SWDRV_IsCascadingPort(d.dev, p)))
                continue;
            swdrv::bmp_set(members.ports, p, true);
            swdrv::bmp_set(tagged.ports, p, true);
            cmds[p] = SDK_VLAN_TAG_CMD_TAGGED;
        }
        SDK_BRG_VLAN_INFO info = om.default_vlan_info;
        info.mirrorToAnalyzer = mirrored(vid);
        SDK_STATUS rc = sdkBrgVlanEntryWrite(d.dev, v, &members, &tagged, &info, cmds);
        if (rc == SDK_OK) rc = sdkBrgVlanMruProfileIdxSet(d.dev, v, 0);
        if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, d.dev, vid);
        om.tagged[d.dev][vid - 1][0] = tagged.ports[0];
        om.tagged[d.dev][vid - 1][1] = tagged.ports[1];
    }
    return true;
}

bool DEV_SWDRV_DestroyVlan(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        DEV_SWDRV_OM().tagged[dev][vid - 1][0] = DEV_SWDRV_OM().tagged[dev][vid - 1][1] = 0;
        return sdkBrgVlanEntryInvalidate(dev, static_cast<uint16_t>(vid));
    });
}

bool DEV_SWDRV_AddPortVlanSet(uint32_t unit, uint32_t port, uint32_t vid) {
    return port_change(__func__, __LINE__, unit, port, vid, [&](const DevPort& dp) {
        SDK_STATUS rc = add_tagged(dp, vid);
        if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, true);
        return rc;
    });
}

bool DEV_SWDRV_AddPortUntaggedVlanSet(uint32_t unit, uint32_t port, uint32_t vid) {
    return port_change(__func__, __LINE__, unit, port, vid, [&](const DevPort& dp) {
        SDK_STATUS rc = sdkBrgVlanMemberAdd(dp.dev, static_cast<uint16_t>(vid), dp.port, false,
                                            SDK_VLAN_TAG_CMD_UNTAGGED);
        if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, false);
        return rc;
    });
}

bool DEV_SWDRV_DeletePortUntaggedVlanSet(uint32_t unit, uint32_t port, uint32_t vid) {
    return port_change(__func__, __LINE__, unit, port, vid, [&](const DevPort& dp) {
        swdrv::ChipVlan e;
        SDK_STATUS rc = swdrv::read_vlan(dp.dev, vid, &e);
        if (rc != SDK_OK || !e.valid || !sdkPortsBmpIsMember(e.members, dp.port)) return rc;
        rc = add_tagged(dp, vid);
        if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, true);
        return rc;
    });
}

bool DEV_SWDRV_DeletePortVlanSet(uint32_t unit, uint32_t port, uint32_t vid) {
    return port_change(__func__, __LINE__, unit, port, vid, [&](const DevPort& dp) {
        SDK_STATUS rc = sdkBrgVlanPortDelete(dp.dev, static_cast<uint16_t>(vid), dp.port);
        if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, false);
        return rc;
    });
}

bool DEV_SWDRV_AddCpuToVlan(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        return sdkBrgVlanMemberAdd(dev, static_cast<uint16_t>(vid), SDK_CPU_PORT, true,
                                   SDK_VLAN_TAG_CMD_TAGGED);
    });
}

bool DEV_SWDRV_DeleteCpuFromVlan(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        return sdkBrgVlanPortDelete(dev, static_cast<uint16_t>(vid), SDK_CPU_PORT);
    });
}

bool DEV_SWDRV_SetPortPVID(uint32_t unit, uint32_t port, uint32_t pvid) {
    DevPort dp;
    if (!SWDRV_VLAN_OK(pvid) || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdkBrgVlanPortVidSet(dp.dev, dp.port, static_cast<uint16_t>(pvid))) {
        SWDRV_SDK_ERR_ARGS(rc, dp.port, pvid);
        return false;
    }
    DEV_SWDRV_OM().pvid[port - 1] = pvid;
    return true;
}

bool DEV_SWDRV_EnableIngressFilter(uint32_t unit, uint32_t port) {
    return set_port_attr(__func__, __LINE__, unit, port, ingress_filter, 1);
}

bool DEV_SWDRV_DisableIngressFilter(uint32_t unit, uint32_t port) {
    return set_port_attr(__func__, __LINE__, unit, port, ingress_filter, 0);
}

bool DEV_SWDRV_AdmitOnlyVlanTaggedFrames(uint32_t unit, uint32_t port) {
    return set_port_attr(__func__, __LINE__, unit, port, sdkBrgVlanPortAccFrameTypeSet,
                         SDK_VLAN_ACCEPT_TAGGED);
}

bool DEV_SWDRV_AdmitOnlyVlanUntaggedFrames(uint32_t unit, uint32_t port) {
    return set_port_attr(__func__, __LINE__, unit, port, sdkBrgVlanPortAccFrameTypeSet,
                         SDK_VLAN_ACCEPT_UNTAGGED);
}

bool DEV_SWDRV_AdmitAllFrames(uint32_t unit, uint32_t port) {
    return set_port_attr(__func__, __LINE__, unit, port, sdkBrgVlanPortAccFrameTypeSet,
                         SDK_VLAN_ACCEPT_ALL);
}

bool DEV_SWDRV_SetPortToVlanMemberSet(uint32_t unit, uint32_t port, const uint8_t* vlan_list) {
    if (!vlan_list) return false;
    return for_each_vlan(
        __func__, unit, port, [&](const DevPort& dp, uint32_t vid, const swdrv::ChipVlan& e) {
            bool member = sdkPortsBmpIsMember(e.members, dp.port);
            bool listed = swdrv::vlan_listed(vlan_list, vid);
            SDK_STATUS rc = SDK_OK;
            if (listed && !member)
                rc = add_tagged(dp, vid);
            else if (!listed && member)
                rc = sdkBrgVlanPortDelete(dp.dev, static_cast<uint16_t>(vid), dp.port);
            if (rc == SDK_OK && listed != member)
                swdrv::set_tagged_mark(dp.dev, dp.port, vid, listed);
            return rc;
        });
}

bool DEV_SWDRV_SetPortToVlanUntaggedSet(uint32_t unit, uint32_t port, const uint8_t* vlan_list) {
    if (!vlan_list) return false;
    return for_each_vlan(
        __func__, unit, port, [&](const DevPort& dp, uint32_t vid, const swdrv::ChipVlan& e) {
            bool member = sdkPortsBmpIsMember(e.members, dp.port);
            bool untagged = member && !sdkPortsBmpIsMember(e.tagged, dp.port);
            bool listed = swdrv::vlan_listed(vlan_list, vid);
            SDK_STATUS rc = SDK_OK;
            uint16_t v = static_cast<uint16_t>(vid);
            if (listed && !untagged) {
                rc = sdkBrgVlanMemberAdd(dp.dev, v, dp.port, false, SDK_VLAN_TAG_CMD_UNTAGGED);
                if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, false);
            } else if (!listed && untagged && !swdrv::tagged_mark(dp.dev, dp.port, vid)) {
                rc = add_tagged(dp, vid);
                if (rc == SDK_OK) swdrv::set_tagged_mark(dp.dev, dp.port, vid, true);
            }
            return rc;
        });
}
