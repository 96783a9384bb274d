// Spanning tree: the mode (one tree or multiple instances), port states per instance and
// the binding of VLANs to instances, on every local device. An instance is the chip's
// spanning-tree group of the same number.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

// Bridge MIB port states to chip states; false for a value that is no state.
bool chip_state(uint32_t state, uint32_t* chip) {
    switch (state) {
        case 1:
            *chip = SDK_STP_DISABLED;
            return true;
        case 2:
        case 3:
            *chip = SDK_STP_BLOCKING;  // listening is blocking to the chip
            return true;
        case 4:
            *chip = SDK_STP_LEARNING;
            return true;
        case 5:
            *chip = SDK_STP_FORWARDING;
            return true;
    }
    return false;
}

bool instance_ok(const char* func, int line, uint32_t instance) {
    return instance < DEV_SWDRV_STP_GROUPS ||
           swdrv::bad_arg(func, line, "spanning-tree instance out of range");
}

void clear_shadow(uint8_t dev) {
    auto& s = DEV_SWDRV_OM().stp_shadow[dev];
    std::memset(s.vlan_group, 0, sizeof s.vlan_group);
    std::memset(s.state_unknown, 0xFF, sizeof s.state_unknown);
}

// Writes a port's state in a group and notes it in the shadow.
SDK_STATUS set_state(uint8_t dev, uint8_t port, uint32_t group, uint32_t chip) {
    SDK_STATUS rc = sdkBrgStpStateSet(dev, port, group, chip);
    if (rc == SDK_OK) {
        uint32_t* unknown = DEV_SWDRV_OM().stp_shadow[dev].state_unknown;
        swdrv::bmp_set(&unknown[group], port, false);
        swdrv::bmp_set(&unknown[DEV_SWDRV_STP_GROUPS], port, false);
    }
    return rc;
}

SDK_STATUS bind(uint8_t dev, uint32_t vid, uint32_t group) {
    SDK_STATUS rc = sdkBrgVlanToStpIdBind(dev, static_cast<uint16_t>(vid), group);
    if (rc == SDK_OK) DEV_SWDRV_OM().stp_shadow[dev].vlan_group[vid] = static_cast<uint8_t>(group);
    return rc;
}

// Every front port blocking in the given groups.
void block_front_ports(const char* func, uint32_t groups) {
    swdrv::for_each_front_port([&](uint8_t dev, uint8_t port) {
        for (uint32_t g = 0; g < groups; ++g)
            if (SDK_STATUS rc = set_state(dev, port, g, SDK_STP_BLOCKING))
                swdrv::print_sdk_err3(func, __LINE__, rc, dev, port, g);
    });
}

}  // namespace

bool DEV_SWDRV_SetSTAMode(uint32_t mode) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t next = mode == 2 ? 2 : 1;
    if (mode == om.sta_mode) return true;
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        clear_shadow(d.dev);
    if (next == 2) {
        block_front_ports(__func__, DEV_SWDRV_STP_GROUPS);
    } else {
        for (const swdrv::LocalDevice& d : swdrv::local_devices())
            for (uint32_t vid = DEV_SWDRV_MIN_VLAN; vid <= DEV_SWDRV_MAX_VLAN; ++vid)
                if (SDK_STATUS rc = bind(d.dev, vid, 0)) SWDRV_SDK_ERR_ARGS(rc, d.dev, vid);
        block_front_ports(__func__, 1);
    }
    om.sta_mode = next;
    return true;
}

bool DEV_SWDRV_SetPortSTAStateWithMstidx(uint32_t instance, uint32_t unit, uint32_t port,
                                         uint32_t state) {
    uint32_t chip;
    swdrv::DevPort dp;
    if (!instance_ok(__func__, __LINE__, instance)) return false;
    if (!chip_state(state, &chip)) return SWDRV_BAD_ARG("invalid spanning-tree state");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = set_state(dp.dev, dp.port, instance, chip)) {
        swdrv::print_sdk_err3(__func__, __LINE__, rc, dp.port, instance, state);
        return false;
    }
    return true;
}

bool DEV_SWDRV_AddVlanToSTAWithMstidx(uint32_t vid, uint32_t instance) {
    if (!SWDRV_VLAN_OK(vid) || !instance_ok(__func__, __LINE__, instance)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) { return bind(dev, vid, instance); });
}

bool DEV_SWDRV_DeleteVlanFromSTAWithMstidx(uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) { return bind(dev, vid, 0); });
}
