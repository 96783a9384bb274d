// Administrative enable of ports: the chip port, its PHY and its SFP transmitter.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

bool set_port_admin(const char* func, uint32_t unit, uint32_t port, bool enable) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        swdrv::print_mapping_err(func, __LINE__);
        return false;
    }
    SDK_STATUS rc;
    {
        swdrv::PortSem sem(func);
        rc = sdkPortEnableSet(static_cast<uint8_t>(d), static_cast<uint8_t>(p), enable);
    }
    if (rc != SDK_OK) {
        swdrv::print_sdk_err(func, __LINE__, rc);
        return false;
    }
    if (!DEV_SWDRV_Phy_SetPortEnable(d, p, enable)) {
        swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_Phy_SetPortEnable failed");
        return false;
    }
    if (!DEV_SWDRV_SetPortSfpTxEnable(unit, port, enable)) {
        swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_SetPortSfpTxDisable failed");
        return false;
    }
    return true;
}

// Every front port of every local device (no cascade ports, no fabric ports).
bool set_all_port_admin(const char* func, bool enable) {
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p) {
            if (!d.has(p) || DEV_SWDRV_IsCascadingPort(d.dev, p) || swdrv::is_fabric_port(d.dev, p))
                continue;
            if (SDK_STATUS rc = sdkPortEnableSet(d.dev, p, enable)) {
                swdrv::print_sdk_err(func, __LINE__, rc, d.dev, p);
                return false;
            }
            if (!DEV_SWDRV_Phy_SetPortEnable(d.dev, p, enable)) {
                swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_Phy_SetPortEnable failed");
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool DEV_SWDRV_EnablePortAdmin(uint32_t unit, uint32_t port) {
    return set_port_admin(__func__, unit, port, true);
}

bool DEV_SWDRV_DisablePortAdmin(uint32_t unit, uint32_t port) {
    return set_port_admin(__func__, unit, port, false);
}

bool DEV_SWDRV_EnableAllPortAdmin() {
    return set_all_port_admin(__func__, true);
}

bool DEV_SWDRV_DisableAllPortAdmin() {
    return set_all_port_admin(__func__, false);
}
