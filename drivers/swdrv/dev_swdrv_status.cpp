// Port status: link, operational speed and duplex (with the speed-change step that re-makes
// the speed-dependent settings when a port's speed changes), flow control (with the pause
// resolution of fibre ports), and the all-port blocks of the polling requests.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

using swdrv::DevPort;

constexpr uint32_t kSpeedCodeNone = 11;

// The speed code of a port whose link is down: from its type.
uint32_t speed_code_of_type(uint8_t dev, uint8_t port) {
    uint32_t type = 0;
    if (sdkPortTypeGet(dev, port, &type) != SDK_OK) return kSpeedCodeNone;
    switch (type) {
        case SDK_PORT_TYPE_FE:
            return 1;
        case SDK_PORT_TYPE_GE:
            return 2;
        case SDK_PORT_TYPE_XG:
            return 3;
        case SDK_PORT_TYPE_XLG:
            return 9;
    }
    return kSpeedCodeNone;
}

// The port's speed code now, and the SDK's results.
SDK_STATUS speed_code(uint8_t dev, uint8_t port, uint32_t* code) {
    bool up = false;
    uint32_t speed = SDK_PORT_SPEED_NA;
    SDK_STATUS rc = sdkPortLinkStatusGet(dev, port, &up);
    if (rc == SDK_OK && up) rc = sdkPortSpeedGet(dev, port, &speed);
    *code = up && rc == SDK_OK ? speed : speed_code_of_type(dev, port);
    return rc;
}

// 802.3 Annex 28B: 0 disabled, 1 both directions, 2 receive only, 3 transmit only.
uint32_t resolve_pause(bool lp, bool la, bool pp, bool pa) {
    if (lp && pp) return 1;
    if (lp && la && !pp && pa) return 2;
    if (!lp && la && pp && pa) return 3;
    return 0;
}

// Pause resolution of a fibre port after auto-negotiation (PHY classes other than 0, 0x10).
void resolve_fibre_pause(uint8_t dev, uint8_t port) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    const uint16_t cls = swdrv::phy_class(dev, port);
    if (cls == 0 || cls == 0x10) return;
    uint32_t medium = DEV_SWDRV_MEDIA_COPPER;
    if (!DEV_SWDRV_Phy_GetPortMediaActive(dev, port, &medium)) return;
    const bool fibre = medium == DEV_SWDRV_MEDIA_FIBRE;
    uint16_t status = 0, adv = 0;
    bool ok = swdrv::with_phy_lock(__func__, dev, port, [&](uint16_t) {
        SDK_STATUS rc = swdrv::phy_read_paged(dev, port, fibre ? 1 : 0, 1, &status);
        if (rc == SDK_OK) rc = swdrv::phy_read_paged(dev, port, fibre ? 1 : 0, 4, &adv);
        return rc;
    });
    if (!ok) return;
    const bool link = status & 0x0004, complete = status & 0x0020;
    if (!link || !complete) {
        swdrv::bmp_set(om.fc_resolved[dev], port, false);
        return;
    }
    if (!swdrv::bmp_has(om.fibre_an_bmp[dev], port) || swdrv::bmp_has(om.fc_resolved[dev], port))
        return;
    const bool lp = fibre ? adv & 0x0080 : adv & 0x0400;
    const bool la = fibre ? adv & 0x0100 : adv & 0x0800;
    uint32_t capa = 0;
    if (!DEV_SWDRV_Phy_GetPortLinkPartnerAutoNegoCapa(dev, port, &capa)) return;
    const bool pp = capa & 0x00300000, pa = capa & 0x00500000;
    uint32_t result = resolve_pause(lp, la, pp, pa);
    uint32_t type = 0;
    if (result >= 2 && sdkPortTypeGet(dev, port, &type) == SDK_OK &&
        (type == SDK_PORT_TYPE_FE || type == SDK_PORT_TYPE_GE))
        result = 0;
    if (SDK_STATUS rc = sdkPortFlowControlEnableSet(dev, port, result != 0)) {
        SWDRV_SDK_ERR_ARGS(rc, dev, port);
        return;
    }
    swdrv::bmp_set(om.fc_resolved[dev], port, true);
}

template <typename Op>
bool each_port(uint32_t unit, uint32_t first, uint32_t last, uint32_t* out, Op op) {
    if (!out || first < 1 || last < first || last - first >= 16 || last > DEV_SWDRV_PORTS_PER_UNIT)
        return SWDRV_BAD_ARG("port range out of 1..16");
    for (uint32_t p = first; p <= last; ++p)
        if (!op(unit, p, &out[p - first])) return false;
    return true;
}

}  // namespace

void DEV_SWDRV_SetSpeedChangeHook(DEV_SWDRV_SpeedChangeHook_T hook) {
    DEV_SWDRV_OM().speed_hook = hook;
}

void DEV_SWDRV_SetSpeedTable(uint32_t device_id, const DEV_SWDRV_SpeedTable_T* table) {
    if (device_id < DEV_SWDRV_MAX_DEVICES) DEV_SWDRV_OM().speed_table[device_id] = table;
}

bool DEV_SWDRV_PortSpeedChange(uint32_t device_id, uint32_t phy_port) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!swdrv::valid_dev_port(device_id, phy_port)) return SWDRV_BAD_ARG("no such device port");
    const uint8_t dev = static_cast<uint8_t>(device_id), port = static_cast<uint8_t>(phy_port);
    uint32_t code = kSpeedCodeNone;
    SDK_STATUS rc = speed_code(dev, port, &code);
    if (om.speed_hook) {
        if (rc != SDK_OK) {
            SWDRV_SDK_ERR_ARGS(rc, dev, port);
            return false;
        }
        uint32_t ok = om.speed_hook(om.board_id, dev, port, code);
        om.last_speed[dev][port] = code;
        if (ok == 1) return true;
        SWDRV_STEP_ERR("speed-change hook failed");
        return false;
    }
    const DEV_SWDRV_SpeedTable_T* t = om.speed_table[dev];
    const uint32_t i = code < DEV_SWDRV_SPEED_CODES ? code : DEV_SWDRV_SPEED_CODES - 1;
    const uint32_t dp = t ? t->dp_profile[i] : (code < 2 ? 2 : 1);
    const uint32_t fc = t ? t->fc_profile[i] : (code < 2 ? 2 : 1);
    rc |= sdkPortTxBindPortToDpSet(dev, port, dp);
    rc |= sdkPortRxFcProfileSet(dev, port, fc);
    om.last_speed[dev][port] = code;
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dev, port);
        return false;
    }
    return true;
}

bool DEV_SWDRV_GetPortLinkStatusByDeviceId(uint32_t device_id, uint32_t phy_port,
                                           uint32_t* status) {
    if (!status || !swdrv::valid_dev_port(device_id, phy_port))
        return SWDRV_BAD_ARG("no such device port");
    bool up = false;
    if (SDK_STATUS rc = sdkPortLinkStatusGet(static_cast<uint8_t>(device_id),
                                             static_cast<uint8_t>(phy_port), &up)) {
        SWDRV_SDK_ERR_ARGS(rc, device_id, phy_port);
        return false;
    }
    *status = up ? 1 : 0;
    return true;
}

bool DEV_SWDRV_GetPortLinkStatus(uint32_t unit, uint32_t port, uint32_t* status) {
    DevPort dp;
    if (!status || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    return DEV_SWDRV_GetPortLinkStatusByDeviceId(dp.dev, dp.port, status);
}

bool DEV_SWDRV_GetPortOperSpeedDuplex(uint32_t unit, uint32_t port, uint32_t* speed_duplex) {
    DevPort dp;
    if (!speed_duplex || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    uint32_t speed = 0, duplex = 0;
    SDK_STATUS rc = sdkPortSpeedGet(dp.dev, dp.port, &speed);
    if (rc == SDK_OK) rc = sdkPortDuplexModeGet(dp.dev, dp.port, &duplex);
    if (rc == SDK_NOT_PRESENT) return false;
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    const bool half = duplex == SDK_PORT_HALF_DUPLEX;
    switch (speed) {
        case SDK_PORT_SPEED_10:
            *speed_duplex = half ? 2 : 3;
            break;
        case SDK_PORT_SPEED_100:
            *speed_duplex = half ? 4 : 5;
            break;
        case SDK_PORT_SPEED_1000:
            *speed_duplex = half ? 6 : 7;
            break;
        case SDK_PORT_SPEED_NA:
            return SWDRV_BAD_ARG("the port has no speed");
        default:  // 10G and the other high speeds (2.5G, 5G, 12G ... 40G)
            *speed_duplex = half ? 8 : 9;
    }
    if (speed != DEV_SWDRV_OM().last_speed[dp.dev][dp.port] &&
        !DEV_SWDRV_PortSpeedChange(dp.dev, dp.port))
        SWDRV_STEP_ERR("DEV_SWDRV_PortSpeedChange failed");
    return true;
}

bool DEV_SWDRV_GetPortFlowCtrl(uint32_t unit, uint32_t port, uint32_t* flow_ctrl) {
    DevPort dp;
    if (!flow_ctrl || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    resolve_fibre_pause(dp.dev, dp.port);
    bool up = false, on = false;
    uint32_t duplex = SDK_PORT_FULL_DUPLEX;
    SDK_STATUS rc = sdkPortLinkStatusGet(dp.dev, dp.port, &up);
    if (rc == SDK_OK && up) rc = sdkPortDuplexModeGet(dp.dev, dp.port, &duplex);
    if (rc == SDK_OK && up)
        rc = duplex == SDK_PORT_HALF_DUPLEX ? sdkPortBackPressureEnableGet(dp.dev, dp.port, &on)
                                            : sdkPortFlowControlEnableGet(dp.dev, dp.port, &on);
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    if (!up || !on)
        *flow_ctrl = DEV_SWDRV_FC_NONE;
    else
        *flow_ctrl =
            duplex == SDK_PORT_HALF_DUPLEX ? DEV_SWDRV_FC_BACK_PRESSURE : DEV_SWDRV_FC_8023X;
    return true;
}

bool DEV_SWDRV_GetAllPortLinkStatus(uint32_t unit, uint32_t first, uint32_t last,
                                    DEV_SWDRV_AllPortStatus_T* block) {
    if (!block) return false;
    return each_port(unit, first, last, block->link, [](uint32_t u, uint32_t p, uint32_t* v) {
        if (DEV_SWDRV_GetPortLinkStatus(u, p, v)) return true;
        SWDRV_STEP_ERR("DEV_SWDRV_GetPortLinkStatus failed");
        return false;
    });
}

bool DEV_SWDRV_GetAllPortOperSpeedDuplex(uint32_t unit, uint32_t first, uint32_t last,
                                         DEV_SWDRV_AllPortStatus_T* block) {
    if (!block) return false;
    return each_port(unit, first, last, block->speed_duplex,
                     [](uint32_t u, uint32_t p, uint32_t* v) {
                         if (!DEV_SWDRV_GetPortOperSpeedDuplex(u, p, v))
                             SWDRV_STEP_ERR("DEV_SWDRV_GetPortOperSpeedDuplex failed");
                         return true;
                     });
}

bool DEV_SWDRV_GetAllPortFlowCtrl(uint32_t unit, uint32_t first, uint32_t last,
                                  DEV_SWDRV_AllPortStatus_T* block) {
    if (!block) return false;
    return each_port(unit, first, last, block->flow_ctrl, [](uint32_t u, uint32_t p, uint32_t* v) {
        if (DEV_SWDRV_GetPortFlowCtrl(u, p, v)) return true;
        SWDRV_STEP_ERR("DEV_SWDRV_GetPortFlowCtrl failed");
        return false;
    });
}

bool DEV_SWDRV_GetAllPortStatus(uint32_t unit, uint32_t first, uint32_t last,
                                DEV_SWDRV_AllPortStatus_T* block) {
    return DEV_SWDRV_GetAllPortOperSpeedDuplex(unit, first, last, block) &&
           DEV_SWDRV_GetAllPortLinkStatus(unit, first, last, block) &&
           DEV_SWDRV_GetAllPortFlowCtrl(unit, first, last, block);
}
