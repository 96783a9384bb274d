// Speed and duplex, auto-negotiation and advertised capabilities, flow control, combo
// forced mode and power saving of front ports.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"

namespace {

struct SpeedDuplex {
    uint32_t value;
    uint32_t duplex;
    uint32_t speed;
    uint16_t reg0;
};
constexpr SpeedDuplex kSpeedDuplex[] = {
    {2, SDK_PORT_HALF_DUPLEX, SDK_PORT_SPEED_10, 0x0000},
    {3, SDK_PORT_FULL_DUPLEX, SDK_PORT_SPEED_10, 0x0100},
    {4, SDK_PORT_HALF_DUPLEX, SDK_PORT_SPEED_100, 0x2000},
    {5, SDK_PORT_FULL_DUPLEX, SDK_PORT_SPEED_100, 0x2100},
    {6, SDK_PORT_HALF_DUPLEX, SDK_PORT_SPEED_1000, 0x0040},
    {7, SDK_PORT_FULL_DUPLEX, SDK_PORT_SPEED_1000, 0x0140},
    {9, SDK_PORT_FULL_DUPLEX, SDK_PORT_SPEED_10000, 0},
};
constexpr uint32_t kSpeedDuplex10GFull = 9;

bool serdes_port(uint8_t dev, uint8_t port) {
    uint32_t mode;
    return sdkPortInterfaceModeGet(dev, port, &mode) == SDK_OK && sdkPortIfIsSerdes(mode);
}

bool copper_an(uint32_t dev, uint32_t port) {
    return swdrv::bmp_has(DEV_SWDRV_OM().copper_an_bmp[dev], port);
}

// The auto-negotiation of one device port, for the logical operations and the all-port walk.
bool set_port_autoneg(const char* func, uint32_t d, uint32_t p, bool enable) {
    uint8_t dev = static_cast<uint8_t>(d), port = static_cast<uint8_t>(p);
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t type = 0;
    SDK_STATUS rc = sdkPortTypeGet(dev, port, &type);
    if (rc == SDK_OK && type == SDK_PORT_TYPE_XG) return true;
    if (rc == SDK_OK) {
        om.autoneg_cfg[d][p] = enable;
        rc = sdkPortSpeedAutoNegEnableSet(dev, port, enable);
    }
    if (rc == SDK_OK) rc = sdkPortDuplexAutoNegEnableSet(dev, port, enable);
    if (rc == SDK_OK) {
        bool copper = !swdrv::port_has_sfp(d, p) && !serdes_port(dev, port);
        swdrv::bmp_set(copper ? om.copper_an_bmp[d] : om.fibre_an_bmp[d], p, enable);
        rc = sdkPortFlowCntrlAutoNegEnableSet(dev, port, copper_an(d, p), om.pause_adv[d][p]);
    }
    if (rc != SDK_OK) {
        swdrv::print_sdk_err(func, __LINE__, rc, true);
        return false;
    }
    if (!DEV_SWDRV_Phy_SetPortAutoNeg(d, p, enable)) {
        swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_Phy_SetPortAutoNeg failed", true);
        return false;
    }
    return true;
}

bool set_logical_autoneg(const char* func, uint32_t unit, uint32_t port, bool enable) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        swdrv::print_mapping_err(func, __LINE__);
        return false;
    }
    return set_port_autoneg(func, d, p, enable);
}

bool set_flow_control(const char* func, uint32_t unit, uint32_t port, bool enable) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        swdrv::print_mapping_err(func, __LINE__);
        return false;
    }
    uint8_t dev = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
    SDK_STATUS rc = sdkPortFlowControlEnableSet(dev, pp, enable);
    if (rc == SDK_OK) rc = sdkPortBackPressureEnableSet(dev, pp, enable);
    if (rc != SDK_OK) {
        swdrv::print_sdk_err(func, __LINE__, rc);
        return false;
    }
    return true;
}

}  // namespace

bool DEV_SWDRV_SetPortCfgSpeedDuplex(uint32_t unit, uint32_t port, uint32_t speed_duplex) {
    const SpeedDuplex* sd = nullptr;
    for (const SpeedDuplex& s : kSpeedDuplex)
        if (s.value == speed_duplex) sd = &s;
    if (!sd) return false;
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    uint8_t dev = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
    SDK_STATUS rc = sdkPortDuplexModeSet(dev, pp, sd->duplex);
    if (rc == SDK_OK) rc = sdkPortSpeedSet(dev, pp, sd->speed);
    SDK_DEV_INFO info;
    if (rc == SDK_OK && serdes_port(dev, pp) && sdkCfgDevInfoGet(dev, &info) == SDK_OK &&
        info.serdesPowerCtrl)
        rc = sdkPortSerdesPowerStatusSet(dev, pp, SDK_PORT_DIRECTION_BOTH, 0xF, true);
    if (rc != SDK_OK) {
        SWDRV_DETAIL_SDK_ERR(rc);
        return false;
    }
    if (!DEV_SWDRV_Phy_SetPortAutoNeg(d, p, false)) {
        SWDRV_DETAIL_STEP_ERR("DEV_SWDRV_Phy_SetPortAutoNeg failed");
        return false;
    }
    if (speed_duplex != kSpeedDuplex10GFull &&
        !DEV_SWDRV_Phy_SetPortCfgSpeedDuplex(d, p, sd->reg0)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_SetPortCfgSpeedDuplex failed");
        return false;
    }
    return true;
}

bool DEV_SWDRV_EnablePortAutoNeg(uint32_t unit, uint32_t port) {
    return set_logical_autoneg(__func__, unit, port, true);
}

bool DEV_SWDRV_DisablePortAutoNeg(uint32_t unit, uint32_t port) {
    return set_logical_autoneg(__func__, unit, port, false);
}

bool DEV_SWDRV_EnableAllPortAutoNeg() {
    bool ok = true;
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p) && !DEV_SWDRV_IsCascadingPort(d.dev, p) &&
                !swdrv::is_fabric_port(d.dev, p))
                ok = set_port_autoneg(__func__, d.dev, p, true) && ok;
    return ok;
}

bool DEV_SWDRV_SetPortAutoNegCapability(uint32_t unit, uint32_t port, uint32_t capability) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    uint8_t dev = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    bool pause = (capability >> 16) & 1;
    SDK_STATUS rc = SDK_OK;
    if (pause != static_cast<bool>(om.pause_adv[d][p])) {
        om.pause_adv[d][p] = pause;
        rc = sdkPortFlowCntrlAutoNegEnableSet(dev, pp, copper_an(d, p), pause);
    }
    if (rc == SDK_OK) rc = sdkPortBackPressureEnableSet(dev, pp, pause);
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, d, p);
        return false;
    }
    return swdrv::phy_set_capability(d, p, capability);
}

bool DEV_SWDRV_EnablePortCfgFlowCtrl(uint32_t unit, uint32_t port) {
    return set_flow_control(__func__, unit, port, true);
}

bool DEV_SWDRV_DisablePortCfgFlowCtrl(uint32_t unit, uint32_t port) {
    return set_flow_control(__func__, unit, port, false);
}

bool DEV_SWDRV_SetPortInterfaceMode(uint32_t device_id, uint32_t phy_port, uint32_t speed) {
    if (!swdrv::valid_dev_port(device_id, phy_port)) return false;
    uint8_t dev = static_cast<uint8_t>(device_id), port = static_cast<uint8_t>(phy_port);
    uint16_t cls = swdrv::phy_class(dev, port);
    uint32_t mode, speed_code;
    if (cls == 0 && speed == 1000)
        mode = SDK_PORT_IF_1000BASE_X, speed_code = SDK_PORT_SPEED_1000;
    else if (cls == 0 && speed == 100)
        mode = SDK_PORT_IF_100BASE_FX, speed_code = SDK_PORT_SPEED_100;
    else if (cls == 0x10 && speed == 1000)
        mode = SDK_PORT_IF_1000BASE_X, speed_code = SDK_PORT_SPEED_1000;
    else if (cls == 0x10 && speed == 10000)
        mode = SDK_PORT_IF_XGMII, speed_code = SDK_PORT_SPEED_10000;
    else
        return false;
    SDK_STATUS rc;
    {
        swdrv::PortSem sem(__func__);
        bool enabled = false;
        rc = sdkPortEnableGet(dev, port, &enabled);
        if (rc == SDK_OK) rc = sdkPortEnableSet(dev, port, false);
        if (rc == SDK_OK)
            rc = sdkPortSerdesPowerStatusSet(dev, port, SDK_PORT_DIRECTION_BOTH, 0xF, false);
        if (rc == SDK_OK) rc = sdkPortInterfaceModeSet(dev, port, mode);
        if (rc == SDK_OK) rc = sdkPortSpeedSet(dev, port, speed_code);
        if (rc == SDK_OK)
            rc = sdkPortSerdesPowerStatusSet(dev, port, SDK_PORT_DIRECTION_BOTH, 0xF, true);
        if (rc == SDK_OK) rc = sdkPortEnableSet(dev, port, enabled);
    }
    if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, dev, port);
    return rc == SDK_OK;
}

bool DEV_SWDRV_SetPortComboForcedMode(uint32_t unit, uint32_t port, uint32_t mode, uint32_t speed) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    uint16_t cls = swdrv::phy_class(d, p);
    if (serdes_port(static_cast<uint8_t>(d), static_cast<uint8_t>(p)) &&
        (cls == 0 || cls == 0x10) && !DEV_SWDRV_SetPortInterfaceMode(d, p, speed)) {
        SWDRV_STEP_ERR("DEV_SWDRV_SetPortInterfaceMode failed");
        return false;
    }
    if (!DEV_SWDRV_Phy_SetPortComboForcedMode(d, p, mode, speed)) {
        SWDRV_DETAIL_STEP_ERR("DEV_SWDRV_Phy_SetPortComboForcedMode failed");
        return false;
    }
    return true;
}

bool DEV_SWDRV_SetPortPowerSave(uint32_t unit, uint32_t port, bool enable) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    if (!DEV_SWDRV_Phy_SetPortPowerSaveMode(d, p, enable)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_SetPortPowerSaveMode failed");
        return false;
    }
    return true;
}
