// PHY operations of port configuration, each under the PHY lock: enable, forced speed and
// duplex, auto-negotiation and advertisement, combo media mode, power saving, raw access.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"

using swdrv::phy_class_full;
using swdrv::phy_class_paged;

namespace {

constexpr uint16_t kReset = 0x8000;
constexpr uint16_t kAutoNeg = 0x1000;
constexpr uint16_t kPowerDown = 0x0800;
// Reads of the fibre status while waiting for a forced fibre port to settle.
constexpr int kFibreSettleReads = 20;

uint16_t bit_if(bool on, uint16_t bit) {
    return on ? bit : 0;
}

}  // namespace

bool DEV_SWDRV_Phy_SetPortEnable(uint32_t device_id, uint32_t phy_port, bool enable) {
    return swdrv::with_phy_lock(__func__, device_id, phy_port, [&](uint16_t cls) -> SDK_STATUS {
        uint32_t d = device_id, p = phy_port;
        if (cls == 0x80)
            return swdrv::phy_modify(d, p, 0, ~kPowerDown, bit_if(!enable, kPowerDown));
        if (phy_class_paged(cls))
            return swdrv::phy_modify_media(d, p, 0, ~kPowerDown, bit_if(!enable, kPowerDown));
        if (cls == 0x10) {
            SDK_STATUS rc = swdrv::c45_modify(d, p, 1, 9, 0xFFFE, bit_if(!enable, 0x0001));
            if (rc == SDK_OK)
                rc = swdrv::c45_modify(d, p, 1, 0xC309, 0xDFFF, bit_if(!enable, 0x2000));
            return rc;
        }
        return cls == 0 ? SDK_OK : SDK_NOT_SUPPORTED;
    });
}

bool DEV_SWDRV_Phy_SetPortCfgSpeedDuplex(uint32_t device_id, uint32_t phy_port,
                                         uint16_t reg0_bits) {
    return swdrv::with_phy_lock(__func__, device_id, phy_port, [&](uint16_t cls) -> SDK_STATUS {
        uint32_t d = device_id, p = phy_port;
        if (cls == 0x80)
            return swdrv::phy_modify(d, p, 0, 0xDEBF,
                                     static_cast<uint16_t>((reg0_bits & ~0x0040) | kReset));
        if (phy_class_full(cls))
            return swdrv::phy_modify_media(d, p, 0, 0xDEBF, reg0_bits | kReset);
        if (cls == 0x10) return SDK_OK;
        if (cls == 0) {
            SDK_DEV_INFO info;
            uint8_t dd = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
            if (!swdrv::port_has_sfp(d, p) || sdkCfgDevInfoGet(dd, &info) != SDK_OK ||
                !info.serdesPowerCtrl)
                return SDK_OK;
            return sdkPortSerdesPowerStatusSet(dd, pp, SDK_PORT_DIRECTION_BOTH, 0xF, true);
        }
        return SDK_NOT_SUPPORTED;
    });
}

bool DEV_SWDRV_Phy_SetPortAutoNeg(uint32_t device_id, uint32_t phy_port, bool enable) {
    return swdrv::with_phy_lock(__func__, device_id, phy_port, [&](uint16_t cls) -> SDK_STATUS {
        uint16_t set = static_cast<uint16_t>(bit_if(enable, kAutoNeg) | kReset);
        if (cls == 0x80) return swdrv::phy_modify(device_id, phy_port, 0, ~kAutoNeg, set);
        if (phy_class_full(cls))
            return swdrv::phy_modify_media(device_id, phy_port, 0, ~kAutoNeg, set);
        return cls == 0 || cls == 0x10 ? SDK_OK : SDK_NOT_SUPPORTED;
    });
}

namespace swdrv {

bool phy_set_capability(uint32_t dev, uint32_t port, uint32_t cap) {
    auto has = [&](int bit) { return (cap >> bit) & 1; };
    uint16_t copper = static_cast<uint16_t>(bit_if(has(31), 0x0020) | bit_if(has(30), 0x0040) |
                                            bit_if(has(29), 0x0080) | bit_if(has(28), 0x0100) |
                                            bit_if(has(16), 0x0400));
    uint16_t asym = bit_if(!has(17), 0x0800);
    uint16_t gig = static_cast<uint16_t>(bit_if(has(27), 0x0100) | bit_if(has(26), 0x0200));
    uint16_t fibre = static_cast<uint16_t>(bit_if(has(27), 0x0040) | bit_if(has(26), 0x0020) |
                                           bit_if(has(16), 0x0080) | bit_if(!has(17), 0x0100));
    return with_phy_lock("DEV_SWDRV_SetPortAutoNegCapability", dev, port,
                         [&](uint16_t cls) -> SDK_STATUS {
                             if (cls == 0x80) {
                                 SDK_STATUS rc = phy_modify(dev, port, 4, 0xFA1F, copper);
                                 return rc ? rc : phy_modify(dev, port, 0, 0xFFFF, kReset);
                             }
                             if (!phy_class_full(cls))
                                 return cls == 0 || cls == 0x10 ? SDK_OK : SDK_NOT_SUPPORTED;
                             SDK_STATUS rc = phy_modify(dev, port, 4, 0xF21F, copper | asym);
                             if (rc == SDK_OK) rc = phy_modify(dev, port, 9, 0xFCFF, gig);
                             if (rc == SDK_OK) rc = phy_modify(dev, port, 0, 0xFFFF, kReset);
                             if (rc == SDK_OK && port_has_sfp(dev, port)) {
                                 rc = phy_modify_paged(dev, port, 1, 4, 0xFE1F, fibre);
                                 if (rc == SDK_OK)
                                     rc = phy_modify_paged(dev, port, 1, 0, 0xFFFF, kReset);
                             }
                             return rc;
                         });
}

}  // namespace swdrv

bool DEV_SWDRV_Phy_SetPortComboForcedMode(uint32_t device_id, uint32_t phy_port, uint32_t mode,
                                          uint32_t speed) {
    uint32_t d = device_id, p = phy_port;
    return swdrv::with_phy_lock(__func__, d, p, [&](uint16_t cls) -> SDK_STATUS {
        if (cls == 0) return SDK_OK;
        if (cls == 0x80) return mode == 2 ? SDK_OK : SDK_NOT_SUPPORTED;
        if (cls == 0x10) {
            if (mode != 4 || (speed != 1000 && speed != 10000)) return SDK_NOT_SUPPORTED;
            uint16_t a = 0, b = 0;
            uint8_t dd = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
            SDK_STATUS rc = sdkPhyPortC45RegisterRead(dd, pp, 3, 0xC040, &a);
            if (rc == SDK_OK) rc = sdkPhyPortC45RegisterRead(dd, pp, 3, 0xC048, &b);
            if (rc != SDK_OK) return rc;
            bool at1000 = (a & 4) && (b & 4), at10000 = !(a & 4) && !(b & 4);
            if ((speed == 1000 && at1000) || (speed == 10000 && at10000)) return SDK_OK;
            return sdkPhyXgSpeedModeSet(
                dd, pp, speed == 1000 ? SDK_PHY_SPEED_MODE_1000 : SDK_PHY_SPEED_MODE_10000);
        }
        if (!phy_class_full(cls)) return SDK_NOT_SUPPORTED;
        if (mode == 4 && speed > 1000) return SDK_NOT_SUPPORTED;
        bool page6 = cls == 0x1C0;
        uint8_t page = page6 ? 6 : 18;
        uint16_t set;
        switch (mode) {
            case 2:
                set = 0;
                break;
            case 3:
                set = 0x17;
                break;
            case 4:
                set = speed == 100 ? 3 : 2;
                break;
            case 5:
                set = 0x27;
                break;
            default:
                return SDK_BAD_PARAM;
        }
        if (!page6 && (mode == 3 || mode == 5) && speed == 100) set |= 0x40;
        SDK_STATUS rc = swdrv::phy_modify_paged(d, p, page, 20, page6 ? 0xFFC8 : 0xFF88,
                                                static_cast<uint16_t>(set | kReset));
        if (rc != SDK_OK || mode != 4 || speed != 1000) return rc;
        // Wait for the fibre side to report 1000BASE-X, then advertise it and restart.
        rc = swdrv::phy_write(d, p, swdrv::kPhyRegPage, 1);
        uint16_t status = 0;
        int reads = 0;
        while (rc == SDK_OK) {
            rc = swdrv::phy_read(d, p, 16, &status);
            if (rc != SDK_OK || (status & 3) == 1) break;
            if (++reads == kFibreSettleReads) {
                rc = SDK_TIMEOUT;
                break;
            }
            SYSFUN_Sleep(1);
        }
        if (rc == SDK_OK) rc = swdrv::phy_write(d, p, 4, 0x0060);
        if (rc == SDK_OK) rc = swdrv::phy_modify(d, p, 0, 0xFFFF, 0x9000);
        return rc | swdrv::phy_write(d, p, swdrv::kPhyRegPage, 0);
    });
}

bool DEV_SWDRV_Phy_SetPortPowerSaveMode(uint32_t device_id, uint32_t phy_port, bool enable) {
    uint32_t d = device_id, p = phy_port;
    return swdrv::with_phy_lock(__func__, d, p, [&](uint16_t cls) -> SDK_STATUS {
        if (cls == 0) return SDK_OK;
        if (cls == 0x80) {
            SDK_STATUS rc = swdrv::phy_write(d, p, 29, 10);
            return rc | swdrv::phy_modify(d, p, 30, 0xFFFC, bit_if(enable, 3));
        }
        if (!phy_class_full(cls)) return enable ? SDK_NOT_SUPPORTED : SDK_OK;
        uint16_t saved = 0;
        SDK_STATUS rc = swdrv::phy_read(d, p, swdrv::kPhyRegPage, &saved);
        if (cls == 0x1C0) {
            rc |= swdrv::phy_write(d, p, swdrv::kPhyRegPage, 0xFF);
            rc |= swdrv::phy_modify(d, p, 24, 0xFEFF, bit_if(enable, 0x0100));
            rc |= swdrv::phy_write(d, p, 23, 0x2002);
        } else {
            rc |= swdrv::phy_write(d, p, swdrv::kPhyRegPage, 0xFC);
            rc |= swdrv::phy_modify(d, p, 2, 0xFEFF, bit_if(enable, 0x0100));
        }
        return rc | swdrv::phy_write(d, p, swdrv::kPhyRegPage, saved);
    });
}

bool DEV_SWDRV_DoPHYRegsTransactions(uint32_t unit, uint32_t port,
                                     const DEV_SWDRV_PhyRegOp_T* operations, uint32_t count) {
    if (!operations) {
        SWDRV_STEP_ERR("Invalid phy_reg_ops");
        return false;
    }
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    return swdrv::with_phy_lock(__func__, d, p, [&](uint16_t) -> SDK_STATUS {
        SDK_STATUS result = SDK_OK;
        for (uint32_t i = 0; i < count; ++i) {
            const DEV_SWDRV_PhyRegOp_T& op = operations[i];
            uint16_t old = 0;
            SDK_STATUS rc = op.reg > 31 ? SDK_BAD_PARAM
                                        : swdrv::phy_read(d, p, static_cast<uint8_t>(op.reg), &old);
            if (rc != SDK_OK) {
                // Printed, and the operation is skipped (there is no old value to modify);
                // it does not fail the list.
                CONSOLE_Printf("Failed to read phy reg 0x%x, devid=%lu, phy_port=%lu\r\n", op.reg,
                               static_cast<unsigned long>(d), static_cast<unsigned long>(p));
                continue;
            }
            result |=
                swdrv::phy_write(d, p, static_cast<uint8_t>(op.reg),
                                 static_cast<uint16_t>((old & ~op.mask) | (op.mask & op.value)));
        }
        return result;
    });
}

bool DEV_SWDRV_GetMIIPhyRegByPage(uint32_t device_id, uint32_t phy_port, uint16_t page_reg_addr,
                                  uint16_t page_mask, uint16_t page_value, uint16_t reg_addr,
                                  uint16_t* value) {
    if (!value) return false;
    uint32_t d = device_id, p = phy_port;
    return swdrv::with_phy_lock(__func__, d, p, [&](uint16_t) -> SDK_STATUS {
        if (page_reg_addr > 31 || reg_addr > 31) return SDK_BAD_PARAM;
        uint8_t page_reg = static_cast<uint8_t>(page_reg_addr);
        uint16_t old = 0;
        SDK_STATUS rc = swdrv::phy_read(d, p, page_reg, &old);
        rc |= swdrv::phy_write(
            d, p, page_reg, static_cast<uint16_t>((old & ~page_mask) | (page_mask & page_value)));
        rc |= swdrv::phy_read(d, p, static_cast<uint8_t>(reg_addr), value);
        return rc | swdrv::phy_write(d, p, page_reg, old);
    });
}
