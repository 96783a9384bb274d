// The PHY lock: recursive for its owner thread; while held, the chip's automatic PHY polling
// is off so that the chip and the driver do not talk to a PHY at the same time.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

constexpr uint32_t kPolledPorts = 24;

uint32_t self_id() {
    uint32_t id = 0;
    sdkOsTaskGetSelf(&id);
    return id;
}

// Gives one level back; at depth 0 the lock is released (and the polling switched back on
// when this level had switched it off).
void drop_level(bool polling_off) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (--om.phy_lock_depth > 0) return;
    om.phy_lock_depth = 0;
    if (polling_off) DEV_SWDRV_Phy_SmiAutoNegEnable(true);
    om.phy_lock_owner = 0;
    sdkOsSemSignal(om.phy_lock_sem);
}

}  // namespace

bool DEV_SWDRV_Phy_Lock(uint32_t device_id, uint32_t phy_port) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!om.phy_lock_sem) return DEV_SWDRV_Phy_SmiAutoNegEnable(false);
    uint32_t self = self_id();
    if (om.phy_lock_owner != self) {
        if (SDK_STATUS rc = sdkOsSemWait(om.phy_lock_sem, SDK_OS_WAIT_FOREVER)) {
            SWDRV_SDK_ERR(rc);
            return false;
        }
        om.phy_lock_owner = self;
    }
    bool first = om.phy_lock_depth++ == 0;
    if (first && !DEV_SWDRV_Phy_SmiAutoNegEnable(false)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_SmiAutoNegEnable failed");
        drop_level(false);
        return false;
    }
    uint16_t cls = swdrv::phy_class(device_id, phy_port);
    SDK_STATUS rc = SDK_OK;
    if (swdrv::phy_class_paged(cls)) {
        uint16_t page;
        rc = swdrv::phy_read(device_id, phy_port, swdrv::kPhyRegPage, &page);
        if (rc == SDK_OK) rc = swdrv::phy_write(device_id, phy_port, swdrv::kPhyRegPage, 0);
    } else if (cls != 0 && cls != 0x10 && cls != 0x80) {
        rc = SDK_NOT_SUPPORTED;
    }
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR(rc);
        drop_level(first);
        return false;
    }
    return true;
}

bool DEV_SWDRV_Phy_Unlock(uint32_t device_id, uint32_t phy_port) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!om.phy_lock_sem) return DEV_SWDRV_Phy_SmiAutoNegEnable(true);
    if (om.phy_lock_owner != self_id()) return false;
    if (swdrv::phy_class_paged(swdrv::phy_class(device_id, phy_port)))
        if (SDK_STATUS rc = swdrv::phy_write(device_id, phy_port, swdrv::kPhyRegPage, 0))
            SWDRV_SDK_ERR(rc);
    drop_level(true);
    return true;
}

bool DEV_SWDRV_Phy_SmiAutoNegEnable(bool enable) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        if (!d.info.phyPolling) continue;
        for (uint8_t p = 0; p < kPolledPorts; ++p) {
            if (!d.has(p)) continue;
            uint32_t bit = 1u << (p % 6), media = 0;
            uint32_t& saved = om.saved_auto_media[d.dev][p];
            SDK_STATUS rc;
            if (!enable) {
                rc = sdkPhySmiAutoMediaSelectGet(d.dev, p, &media);
                if (rc == SDK_OK) {
                    saved = media;
                    rc = sdkPhySmiAutoMediaSelectSet(d.dev, p, media & ~bit);
                }
                if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, d.dev, p);
                rc = sdkPhyAutonegSmiSet(d.dev, p, false);
                if (rc != SDK_OK) swdrv::print_sdk_err3(__func__, __LINE__, rc, d.dev, p, 0);
            } else {
                rc = sdkPhyAutonegSmiSet(d.dev, p, true);
                if (rc != SDK_OK) swdrv::print_sdk_err3(__func__, __LINE__, rc, d.dev, p, 1);
                rc = sdkPhySmiAutoMediaSelectGet(d.dev, p, &media);
                if (rc == SDK_OK)
                    rc = sdkPhySmiAutoMediaSelectSet(d.dev, p, (media & ~bit) | (saved & bit));
                if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, d.dev, p);
            }
        }
    }
    return true;
}
