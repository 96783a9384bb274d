// PHY access over the chip's management interfaces, PHY polling, auto-media select.
#include "sdk/sdk_phy.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Locked;
using chipsim::Phy;
using chipsim::Port;
using chipsim::with_port;

namespace {

constexpr uint8_t kPolledPorts = 24;  // the polling unit and media select serve ports 0..23

// Runs fn(phy, device, port) on the PHY at the port's management address.
template <typename Fn>
SDK_STATUS with_phy(const char* op, uint8_t dev, uint8_t port, bool c45, Fn fn) {
    return with_port(op, dev, port, [&](Locked d, Port& p) -> SDK_STATUS {
        if ((p.smi_interface == SDK_PHY_SMI_INTERFACE_C45) != c45) return SDK_NOT_SUPPORTED;
        Phy* phy = d->addressed_phy(p);
        if (!phy) return SDK_NOT_PRESENT;
        return fn(*phy, d, p);
    });
}

}  // namespace

SDK_STATUS sdkPhyPortSmiInterfaceSet(uint8_t devNum, uint8_t portNum, uint8_t smiInterface) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (smiInterface > SDK_PHY_SMI_INTERFACE_1) return SDK_BAD_PARAM;
        p.smi_interface = smiInterface;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortSmiInterfaceGet(uint8_t devNum, uint8_t portNum, uint8_t* smiInterface) {
    if (!smiInterface) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *smiInterface = p.smi_interface;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortAddrSet(uint8_t devNum, uint8_t portNum, uint8_t phyAddr) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (phyAddr > 31) return SDK_OUT_OF_RANGE;
        p.phy_addr = phyAddr;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortAddrGet(uint8_t devNum, uint8_t portNum, uint8_t* phyAddr) {
    if (!phyAddr) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *phyAddr = p.phy_addr;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortSmiRegisterRead(uint8_t devNum, uint8_t portNum, uint8_t phyReg,
                                     uint16_t* data) {
    if (!data) return SDK_BAD_PTR;
    if (phyReg > 31) return SDK_BAD_PARAM;
    return with_phy(__func__, devNum, portNum, false, [&](Phy& phy, Locked d, Port& p) {
        *data = phy.read(phyReg, chipsim::phy_link(d, p), p.partner);
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortSmiRegisterWrite(uint8_t devNum, uint8_t portNum, uint8_t phyReg,
                                      uint16_t data) {
    if (phyReg > 31) return SDK_BAD_PARAM;
    return with_phy(__func__, devNum, portNum, false, [&](Phy& phy, Device&, Port&) {
        phy.write(phyReg, data);
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortC45RegisterRead(uint8_t devNum, uint8_t portNum, uint8_t phyDev,
                                     uint16_t phyReg, uint16_t* data) {
    if (!data) return SDK_BAD_PTR;
    if (phyDev > 31) return SDK_BAD_PARAM;
    return with_phy(__func__, devNum, portNum, true, [&](Phy& phy, Locked d, Port& p) {
        *data = phy.c45_read(phyDev, phyReg, chipsim::phy_link(d, p));
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyPortC45RegisterWrite(uint8_t devNum, uint8_t portNum, uint8_t phyDev,
                                      uint16_t phyReg, uint16_t data) {
    if (phyDev > 31) return SDK_BAD_PARAM;
    return with_phy(__func__, devNum, portNum, true, [&](Phy& phy, Device&, Port&) {
        phy.c45_write(phyDev, phyReg, data);
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyAutonegSmiSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        if (!d->desc->phy_polling || portNum >= kPolledPorts) return SDK_NOT_SUPPORTED;
        if (p.smi_polling && !enable) p.polled = chipsim::resolve_link(d, p);
        p.smi_polling = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyAutonegSmiGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        if (!d->desc->phy_polling || portNum >= kPolledPorts) return SDK_NOT_SUPPORTED;
        *enable = p.smi_polling;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhySmiAutoMediaSelectSet(uint8_t devNum, uint8_t portNum, uint32_t bits) {
    return with_port(__func__, devNum, portNum, [&](Locked d, Port&) {
        if (portNum >= kPolledPorts) return SDK_NOT_SUPPORTED;
        if (bits > 0x3F) return SDK_OUT_OF_RANGE;
        d->auto_media[portNum / 6] = bits;
        return SDK_OK;
    });
}

SDK_STATUS sdkPhySmiAutoMediaSelectGet(uint8_t devNum, uint8_t portNum, uint32_t* bits) {
    if (!bits) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Locked d, Port&) {
        if (portNum >= kPolledPorts) return SDK_NOT_SUPPORTED;
        *bits = d->auto_media[portNum / 6];
        return SDK_OK;
    });
}

SDK_STATUS sdkPhyXgSpeedModeSet(uint8_t devNum, uint8_t portNum, uint32_t mode) {
    return with_phy(__func__, devNum, portNum, true, [&](Phy& phy, Device&, Port&) {
        if (!phy.clause45()) return SDK_NOT_SUPPORTED;
        if (mode < SDK_PHY_SPEED_MODE_1000 || mode > SDK_PHY_SPEED_MODE_DEFAULT)
            return SDK_BAD_PARAM;
        phy.set_xg_1000(mode == SDK_PHY_SPEED_MODE_1000);
        return SDK_OK;
    });
}
