// Auto-negotiation beyond its configuration: restarting it, the remote fault advertised,
// and what the PHY learned of the link partner. Values follow the MAU MIB. Ports without a
// clause-22 PHY (no PHY, or the 10 Gb/s PHY) do not negotiate: the settings change nothing
// and the reads report negotiation disabled and no partner.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

using swdrv::DevPort;

constexpr uint16_t kCtlAutoNeg = 0x1000;
constexpr uint16_t kCtlRestartAn = 0x0200;
constexpr uint16_t kStatusJabber = 0x0002;
constexpr uint16_t kStatusAnComplete = 0x0020;
constexpr uint16_t kAdvRemoteFault = 0x2000;    // copper: one remote-fault bit
constexpr uint16_t kFibreRemoteFault = 0x3000;  // 1000BASE-X: a two-bit code
constexpr uint8_t kRegFalseCarrier = 19;

// MAU MIB values.
constexpr uint32_t kRfNoError = 1;
constexpr uint32_t kRfLinkFailure = 3;
constexpr uint32_t kRfMax = 4;
constexpr uint32_t kSignalDetected = 1;
constexpr uint32_t kSignalNotDetected = 2;
constexpr uint32_t kAnConfiguring = 2;
constexpr uint32_t kAnComplete = 3;
constexpr uint32_t kAnDisabled = 4;
constexpr uint32_t kJabberOther = 1;
constexpr uint32_t kJabberNone = 3;
constexpr uint32_t kJabbering = 4;

// A register of a page; PHYs without pages have page 0 only.
SDK_STATUS page_read(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t* v) {
    if (!swdrv::phy_class_paged(swdrv::phy_class(dev, port)))
        return swdrv::phy_read(dev, port, reg, v);
    return swdrv::phy_read_paged(dev, port, page, reg, v);
}

// The remote fault of register 4 (ours) or 5 (the partner's): the fibre page's two-bit code,
// or copper's single bit, reported as a link failure.
SDK_STATUS remote_fault(uint16_t v, uint8_t page, uint32_t* out) {
    if (page == 1)
        *out = ((v & kFibreRemoteFault) >> 12) + 1;
    else
        *out = (v & kAdvRemoteFault) ? kRfLinkFailure : kRfNoError;
    return SDK_OK;
}

// An an_read() reader of the remote fault in register r.
auto remote_fault_in(uint8_t r) {
    return [r](auto reg, uint8_t page, uint32_t* out) {
        uint16_t v = 0;
        SDK_STATUS rc = reg(r, &v);
        return rc ? rc : remote_fault(v, page, out);
    };
}

bool negotiates(uint16_t cls) {
    return cls == 0x80 || cls == 0x90 || swdrv::phy_class_full(cls);
}

// Runs a read of the PHY of a negotiating port on the page of its active medium (0 copper,
// 1 fibre) under the PHY lock; other ports give `none` without touching anything.
template <typename Read>
bool an_read(const char* func, int line, uint32_t unit, uint32_t port, uint32_t* out, uint32_t none,
             Read read) {
    DevPort dp;
    if (!out || !swdrv::to_dev_port(func, line, unit, port, &dp)) return false;
    if (!negotiates(swdrv::phy_class(dp.dev, dp.port))) {
        *out = none;
        return true;
    }
    uint32_t medium = DEV_SWDRV_MEDIA_COPPER;
    if (!DEV_SWDRV_Phy_GetPortMediaActive(dp.dev, dp.port, &medium)) {
        swdrv::print_step_err(func, line, "DEV_SWDRV_Phy_GetPortMediaActive failed");
        return false;
    }
    uint8_t page = medium == DEV_SWDRV_MEDIA_FIBRE ? 1 : 0;
    return swdrv::with_phy_lock(func, dp.dev, dp.port, [&](uint16_t) {
        auto reg = [&](uint8_t r, uint16_t* v) { return page_read(dp.dev, dp.port, page, r, v); };
        return read(reg, page, out);
    });
}

// Runs a change of a negotiating port's PHY under the PHY lock; the gigabit PHY without
// negotiation support refuses, ports without a clause-22 PHY accept and change nothing.
template <typename Change>
bool an_change(const char* func, int line, uint32_t unit, uint32_t port, Change change) {
    DevPort dp;
    if (!swdrv::to_dev_port(func, line, unit, port, &dp)) return false;
    uint16_t cls = swdrv::phy_class(dp.dev, dp.port);
    if (cls == 0 || cls == 0x10) return true;
    return swdrv::with_phy_lock(func, dp.dev, dp.port, [&](uint16_t c) -> SDK_STATUS {
        if (c != 0x80 && !swdrv::phy_class_full(c)) return SDK_NOT_SUPPORTED;
        return change(dp, c);
    });
}

}  // namespace

bool DEV_SWDRV_SetPortRestartAutoNego(uint32_t unit, uint32_t port) {
    return an_change(__func__, __LINE__, unit, port, [](const DevPort& dp, uint16_t cls) {
        if (cls == 0x80) return swdrv::phy_modify(dp.dev, dp.port, 0, 0xFFFF, kCtlRestartAn);
        return swdrv::phy_modify_media(dp.dev, dp.port, 0, 0xFFFF, kCtlRestartAn);
    });
}

bool DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(uint32_t unit, uint32_t port,
                                                       uint32_t value) {
    if (value < kRfNoError || value > kRfMax) return SWDRV_BAD_ARG("invalid remote fault value");
    uint16_t copper = value == kRfNoError ? 0 : kAdvRemoteFault;
    uint16_t fibre = static_cast<uint16_t>((value - 1) << 12);
    return an_change(__func__, __LINE__, unit, port, [&](const DevPort& dp, uint16_t cls) {
        if (cls == 0x80) return swdrv::phy_modify(dp.dev, dp.port, 4, ~kAdvRemoteFault, copper);
        SDK_STATUS rc = swdrv::phy_modify_paged(dp.dev, dp.port, 0, 4, ~kAdvRemoteFault, copper);
        if (rc == SDK_OK && swdrv::port_has_sfp(dp.dev, dp.port))
            rc = swdrv::phy_modify_paged(dp.dev, dp.port, 1, 4, ~kFibreRemoteFault, fibre);
        return rc;
    });
}

bool DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement(uint32_t unit, uint32_t port,
                                                       uint32_t* value) {
    return an_read(__func__, __LINE__, unit, port, value, kRfNoError, remote_fault_in(4));
}

bool DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault(uint32_t unit, uint32_t port,
                                                     uint32_t* value) {
    return an_read(__func__, __LINE__, unit, port, value, kRfNoError, remote_fault_in(5));
}

bool DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState(uint32_t unit, uint32_t port,
                                                        uint32_t* state) {
    return an_read(__func__, __LINE__, unit, port, state, kSignalNotDetected,
                   [](auto reg, uint8_t, uint32_t* out) {
                       uint16_t v = 0;
                       SDK_STATUS rc = reg(5, &v);
                       *out = v ? kSignalDetected : kSignalNotDetected;
                       return rc;
                   });
}

bool DEV_SWDRV_GetPortAutoNegoProcessState(uint32_t unit, uint32_t port, uint32_t* state) {
    return an_read(__func__, __LINE__, unit, port, state, kAnDisabled,
                   [](auto reg, uint8_t, uint32_t* out) {
                       uint16_t ctl = 0, status = 0;
                       SDK_STATUS rc = reg(0, &ctl);
                       if (rc == SDK_OK) rc = reg(1, &status);
                       *out = !(ctl & kCtlAutoNeg)           ? kAnDisabled
                              : (status & kStatusAnComplete) ? kAnComplete
                                                             : kAnConfiguring;
                       return rc;
                   });
}

bool DEV_SWDRV_Phy_GetPortLinkPartnerAutoNegoCapa(uint32_t device_id, uint32_t phy_port,
                                                  uint32_t* capa) {
    if (!capa || !swdrv::valid_dev_port(device_id, phy_port)) return false;
    uint8_t dev = static_cast<uint8_t>(device_id), port = static_cast<uint8_t>(phy_port);
    *capa = 0;
    if (!negotiates(swdrv::phy_class(dev, port))) return true;
    uint32_t medium = DEV_SWDRV_MEDIA_COPPER;
    if (!DEV_SWDRV_Phy_GetPortMediaActive(dev, port, &medium)) return false;
    bool fibre = medium == DEV_SWDRV_MEDIA_FIBRE;
    return swdrv::with_phy_lock(__func__, dev, port, [&](uint16_t cls) {
        uint16_t lp = 0, lp1000 = 0;
        SDK_STATUS rc = page_read(dev, port, fibre ? 1 : 0, 5, &lp);
        if (rc == SDK_OK && !fibre && cls != 0x80) rc = page_read(dev, port, 0, 10, &lp1000);
        uint32_t c = 0;
        bool pause, asym;
        if (fibre) {
            if (lp & 0x0020) c |= 0x00040000;  // 1000BASE-X full
            if (lp & 0x0040) c |= 0x00080000;  // 1000BASE-X half
            pause = lp & 0x0080;
            asym = lp & 0x0100;
        } else {
            if (lp & 0x0020) c |= 0x40000000;      // 10 half
            if (lp & 0x0040) c |= 0x20000000;      // 10 full
            if (lp & 0x0080) c |= 0x08000000;      // 100 half
            if (lp & 0x0100) c |= 0x04000000;      // 100 full
            if (lp & 0x0200) c |= 0x10000000;      // 100BASE-T4
            if (lp1000 & 0x0400) c |= 0x00020000;  // 1000BASE-T half
            if (lp1000 & 0x0800) c |= 0x00010000;  // 1000BASE-T full
            pause = lp & 0x0400;
            asym = lp & 0x0800;
        }
        if (pause || asym)
            c |= 0x00800000 | (pause && asym ? 0x00100000 : pause ? 0x00200000 : 0x00400000);
        *capa = c;
        return rc;
    });
}

bool DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa(uint32_t unit, uint32_t port, uint32_t* capa) {
    DevPort dp;
    if (!capa || !SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (!DEV_SWDRV_Phy_GetPortLinkPartnerAutoNegoCapa(dp.dev, dp.port, capa)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_GetPortLinkPartnerAutoNegoCapa failed");
        return false;
    }
    return true;
}

bool DEV_SWDRV_GetPortJabberState(uint32_t unit, uint32_t port, uint32_t* state) {
    return an_read(
        __func__, __LINE__, unit, port, state, kJabberOther,
        [](auto reg, uint8_t page, uint32_t* out) {
            uint16_t status = 0;
            // 1000BASE-X does not detect jabber.
            SDK_STATUS rc = page == 1 ? SDK_OK : reg(1, &status);
            *out = page == 1 ? kJabberOther : (status & kStatusJabber) ? kJabbering : kJabberNone;
            return rc;
        });
}

bool DEV_SWDRV_GetPortFalseCarrierSenseCounter(uint32_t unit, uint32_t port, uint32_t* count) {
    return an_read(__func__, __LINE__, unit, port, count, 0, [](auto reg, uint8_t, uint32_t* out) {
        uint16_t v = 0;
        SDK_STATUS rc = reg(kRegFalseCarrier, &v);
        *out = v;
        return rc;
    });
}
