// Port operations outside the other areas: the stacking ports' enable, port type, medium
// and abilities, MAC loopback, OAM loopback, the port's MAC address, egress blocking, tag
// priorities, the analyzer's VLAN tag, LEDs and the devices' temperature.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

using swdrv::DevPort;

// Translates and runs one SDK call on the device port; its failure is printed.
template <typename Sdk>
bool on_port(const char* func, int line, uint32_t unit, uint32_t port, Sdk sdk) {
    DevPort dp;
    if (!swdrv::to_dev_port(func, line, unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdk(dp.dev, dp.port)) {
        swdrv::print_sdk_err(func, line, rc, dp.dev, dp.port);
        return false;
    }
    return true;
}

bool fibre_if(uint32_t if_mode) {
    return if_mode == SDK_PORT_IF_1000BASE_X || if_mode == SDK_PORT_IF_100BASE_FX ||
           if_mode == SDK_PORT_IF_KR || if_mode == SDK_PORT_IF_XGMII;
}

// Link (register 1 bit 2) of a PHY page.
SDK_STATUS page_link(uint8_t dev, uint8_t port, uint8_t page, bool* up) {
    uint16_t v = 0;
    SDK_STATUS rc = swdrv::phy_read_paged(dev, port, page, 1, &v);
    *up = v & 0x0004;
    return rc;
}

constexpr uint32_t kCap10Half = 1u << 31;
constexpr uint32_t kCap10Full = 1u << 30;
constexpr uint32_t kCap100Half = 1u << 29;
constexpr uint32_t kCap100Full = 1u << 28;
constexpr uint32_t kCap1000Half = 1u << 27;
constexpr uint32_t kCap1000Full = 1u << 26;
constexpr uint32_t kCapPause = 1u << 16;

constexpr uint16_t kLedNormal = 0x1011;  // LED 0 link and activity, LED 1 speed
constexpr uint8_t kLedPage = 3;
constexpr uint8_t kLedReg = 16;

}  // namespace

bool DEV_SWDRV_EnableStackPortAdmin(bool enable) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (om.fabric_device == DEV_SWDRV_INVALID) return SWDRV_BAD_ARG("no stacking ports");
    for (uint8_t port : om.fabric_port) {
        SDK_STATUS rc;
        {
            swdrv::PortSem sem(__func__);
            rc = sdkPortEnableSet(om.fabric_device, port, enable);
        }
        if (rc != SDK_OK) {
            SWDRV_SDK_ERR_ARGS(rc, om.fabric_device, port);
            return false;
        }
    }
    return true;
}

bool DEV_SWDRV_GetPortType(uint32_t unit, uint32_t port, uint32_t* type) {
    if (!type) return false;
    return on_port(__func__, __LINE__, unit, port,
                   [&](uint8_t dev, uint8_t p) { return sdkPortTypeGet(dev, p, type); });
}

bool DEV_SWDRV_EnableInternalLoopback(uint32_t unit, uint32_t port) {
    return on_port(__func__, __LINE__, unit, port, [](uint8_t dev, uint8_t p) {
        return sdkPortInternalLoopbackEnableSet(dev, p, true);
    });
}

bool DEV_SWDRV_DisableInternalLoopback(uint32_t unit, uint32_t port) {
    return on_port(__func__, __LINE__, unit, port, [](uint8_t dev, uint8_t p) {
        return sdkPortInternalLoopbackEnableSet(dev, p, false);
    });
}

bool DEV_SWDRV_SetOamLoopback(uint32_t unit, uint32_t port, bool enable) {
    return on_port(__func__, __LINE__, unit, port, [&](uint8_t dev, uint8_t p) {
        return sdkOamPortLoopbackEnableSet(dev, p, enable);
    });
}

bool DEV_SWDRV_SetPortMacAddr(uint32_t unit, uint32_t port, const uint8_t* mac) {
    if (!mac) return false;
    return on_port(__func__, __LINE__, unit, port,
                   [&](uint8_t dev, uint8_t p) { return sdkPortMacSaSet(dev, p, mac); });
}

bool DEV_SWDRV_SetPortEgressBlock(uint32_t unit, uint32_t port, bool block) {
    return on_port(__func__, __LINE__, unit, port,
                   [&](uint8_t dev, uint8_t p) { return sdkBrgPortEgressBlockSet(dev, p, block); });
}

bool DEV_SWDRV_SetCopyInnerPri2OuterPri(uint32_t unit, uint32_t port, bool enable) {
    return on_port(__func__, __LINE__, unit, port, [&](uint8_t dev, uint8_t p) {
        return sdkBrgVlanPortCopyInnerUpSet(dev, p, enable);
    });
}

bool DEV_SWDRV_SetRspanVlanTag(uint32_t unit, uint32_t port, uint32_t vid) {
    if (vid != 0 && !SWDRV_VLAN_OK(vid)) return false;
    return on_port(__func__, __LINE__, unit, port, [&](uint8_t dev, uint8_t p) {
        return sdkMirrorAnalyzerVlanTagSet(dev, p, static_cast<uint16_t>(vid));
    });
}

bool DEV_SWDRV_SetPortUserDefaultPriority(uint32_t unit, uint32_t port, uint32_t priority) {
    if (priority > 7) return SWDRV_BAD_ARG("user priority out of range");
    return on_port(__func__, __LINE__, unit, port, [&](uint8_t dev, uint8_t p) {
        return sdkBrgVlanPortDefaultUpSet(dev, p, priority);
    });
}

bool DEV_SWDRV_Phy_GetPortMediaActive(uint32_t device_id, uint32_t phy_port, uint32_t* medium) {
    if (!medium || !swdrv::valid_dev_port(device_id, phy_port)) return false;
    uint8_t dev = static_cast<uint8_t>(device_id), port = static_cast<uint8_t>(phy_port);
    uint16_t cls = swdrv::phy_class(dev, port);
    *medium = DEV_SWDRV_MEDIA_COPPER;
    if (cls == 0) {
        uint32_t if_mode = 0;
        if (SDK_STATUS rc = sdkPortInterfaceModeGet(dev, port, &if_mode)) {
            SWDRV_SDK_ERR_ARGS(rc, dev, port);
            return false;
        }
        if (fibre_if(if_mode)) *medium = DEV_SWDRV_MEDIA_FIBRE;
        return true;
    }
    if (cls == 0x10) {
        *medium = DEV_SWDRV_MEDIA_FIBRE;
        return true;
    }
    if (!swdrv::phy_class_full(cls) || !swdrv::port_has_sfp(dev, port)) return true;
    // A combo port: the medium whose link is up; without a link, fibre when the PHY is held
    // on the fibre side, else copper.
    return swdrv::with_phy_lock(__func__, dev, port, [&](uint16_t c) -> SDK_STATUS {
        bool fibre_up = false, copper_up = false;
        uint16_t media = 0;
        SDK_STATUS rc = page_link(dev, port, 1, &fibre_up);
        if (rc == SDK_OK) rc = page_link(dev, port, 0, &copper_up);
        if (rc == SDK_OK) rc = swdrv::phy_read_paged(dev, port, c == 0x1C0 ? 6 : 18, 20, &media);
        bool held = (media & 7) == 2 || (media & 7) == 3;
        if (fibre_up || (!copper_up && held)) *medium = DEV_SWDRV_MEDIA_FIBRE;
        return rc;
    });
}

bool DEV_SWDRV_GetPortMediaActive(uint32_t unit, uint32_t port, uint32_t* medium) {
    DevPort dp;
    if (!medium || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (!DEV_SWDRV_Phy_GetPortMediaActive(dp.dev, dp.port, medium)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_GetPortMediaActive failed");
        return false;
    }
    return true;
}

bool DEV_SWDRV_GetPortAbility(uint32_t unit, uint32_t port, uint32_t* ability) {
    DevPort dp;
    uint32_t type = 0, if_mode = 0;
    if (!ability || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    SDK_STATUS rc = sdkPortTypeGet(dp.dev, dp.port, &type);
    if (rc == SDK_OK) rc = sdkPortInterfaceModeGet(dp.dev, dp.port, &if_mode);
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    uint32_t a = kCapPause;  // pause both ways (bit 17 clear: asymmetric pause too)
    if (if_mode == SDK_PORT_IF_100BASE_FX)
        a |= kCap100Full;
    else if (if_mode == SDK_PORT_IF_1000BASE_X)
        a |= kCap1000Full;
    else if (type == SDK_PORT_TYPE_FE)
        a |= kCap10Half | kCap10Full | kCap100Half | kCap100Full;
    else if (type == SDK_PORT_TYPE_GE)
        a |= kCap10Half | kCap10Full | kCap100Half | kCap100Full | kCap1000Half | kCap1000Full;
    else if (type == SDK_PORT_TYPE_XG)
        a |= kCap1000Full | DEV_SWDRV_CAP_10G_FULL;
    *ability = a;
    return true;
}

bool DEV_SWDRV_GetAllPortAverageTemperature(int32_t* celsius) {
    if (!celsius) return false;
    int64_t sum = 0;
    int32_t n = 0;
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        int32_t t = 0;
        if (SDK_STATUS rc = sdkCfgDevTemperatureGet(d.dev, &t)) {
            SWDRV_SDK_ERR_ARGS(rc, d.dev, 0);
            return false;
        }
        sum += t;
        ++n;
    }
    if (n == 0) return false;
    *celsius = static_cast<int32_t>(sum / n);
    return true;
}

bool DEV_SWDRV_PhyLightPortLedNormal(uint32_t unit, uint32_t port) {
    DevPort dp;
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    // PHYs without LED control (and ports without a PHY) always show link and activity.
    if (!swdrv::phy_class_paged(swdrv::phy_class(dp.dev, dp.port))) return true;
    return swdrv::with_phy_lock(__func__, dp.dev, dp.port, [&](uint16_t) {
        return swdrv::phy_modify_paged(dp.dev, dp.port, kLedPage, kLedReg, 0, kLedNormal);
    });
}
