// PHY identification and initialisation of every port at driver start.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/uc_mgr/uc_mgr.h"

namespace {

struct RegWrite {
    uint8_t reg;
    uint16_t value;
};

// Register scripts of the 0x2B0 (revision 0: A; revisions 1, 2: B) and 0x2A0 (C) PHYs.
// Register 22 selects the page; page 0xFF registers 17 (data) and 16 (address, bit 13 to
// write) reach the PHY's internal memory. Written in this order.
constexpr RegWrite kScriptA[] = {
    {22, 0xFA},   {8, 0x0010},  {22, 0xFB},   {1, 0x4099},  {3, 0x1120},  {11, 0x113C},
    {14, 0x8100}, {15, 0x112A}, {22, 0xFC},   {1, 0x20B0},  {22, 0xFF},   {17, 0x0000},
    {16, 0x2000}, {17, 0x4444}, {16, 0x2140}, {17, 0x8064}, {16, 0x2141}, {17, 0x0108},
    {16, 0x2144}, {17, 0x0F16}, {16, 0x2146}, {17, 0x8C44}, {16, 0x214B}, {17, 0x0F90},
    {16, 0x214C}, {17, 0xBA33}, {16, 0x214D}, {17, 0x39AA}, {16, 0x214F}, {17, 0x8433},
    {16, 0x2151}, {17, 0x2010}, {16, 0x2152}, {17, 0x99EB}, {16, 0x2153}, {17, 0x2F3B},
    {16, 0x2154}, {17, 0x584E}, {16, 0x2156}, {17, 0x1223}, {16, 0x2158}, {22, 0}};
constexpr RegWrite kScriptB[] = {{22, 0xFF},   {17, 0x2148}, {16, 0x2144},
                                 {17, 0xDC0C}, {16, 0x2159}, {22, 0}};
constexpr RegWrite kScriptC[] = {{22, 0xFF},   {17, 0x2148}, {16, 0x2144}, {17, 0x0C28},
                                 {16, 0x2146}, {17, 0xB233}, {16, 0x214D}, {17, 0xDC0C},
                                 {16, 0x2159}, {22, 0xFB},   {7, 0xC00D},  {22, 0}};

template <size_t N>
SDK_STATUS run_script(uint32_t dev, uint32_t port, const RegWrite (&script)[N]) {
    SDK_STATUS rc = SDK_OK;
    for (const RegWrite& w : script)
        rc |= swdrv::phy_write(dev, port, w.reg, w.value);
    return rc;
}

// The PHY identifier of a port: register 3, 0x10 for the clause-45 PHY, 0 for none.
uint16_t identify(uint8_t dev, uint8_t port) {
    uint8_t smi = 0;
    if (sdkPhyPortSmiInterfaceGet(dev, port, &smi) == SDK_OK && smi == SDK_PHY_SMI_INTERFACE_C45) {
        uint16_t id2 = 0, id3 = 0;
        if (sdkPhyPortC45RegisterRead(dev, port, 1, 2, &id2) == SDK_OK &&
            sdkPhyPortC45RegisterRead(dev, port, 1, 3, &id3) == SDK_OK && id2 == 0x0043 &&
            id3 == 0xA400)
            return 0x10;
        return 0;
    }
    uint16_t id = 0;
    SDK_STATUS rc = swdrv::phy_read(dev, port, 3, &id);
    if (rc == SDK_NOT_PRESENT) return 0;
    if (rc != SDK_OK) {
        swdrv::print_sdk_err("DEV_SWDRV_Phy_InitPort", __LINE__, rc, dev, port);
        return 0;
    }
    return (id == 0 || id == 0xFFFE || id == 0xFFFF) ? 0 : id;
}

// Scripts and fibre set-up of the combo-capable classes.
SDK_STATUS init_gigabit(uint32_t dev, uint32_t port, uint16_t id) {
    uint16_t cls = id & 0x3F0, rev = id & 0xF, a = 0, b = 0;
    SDK_STATUS rc = swdrv::phy_read_paged(dev, port, 18, 30, &a);
    rc |= swdrv::phy_read_paged(dev, port, 0xFB, 31, &b);
    if (rc != SDK_OK) return rc;
    bool strapped = (a & 7) == 7 && b == 0x200;
    if ((id & 0x3FF) == 0x2B0 && strapped)
        rc = run_script(dev, port, kScriptA);
    else if (cls == 0x2B0 && (rev == 1 || rev == 2) && strapped)
        rc = run_script(dev, port, kScriptB);
    else if (cls == 0x2A0)
        rc = run_script(dev, port, kScriptC);
    if (rc == SDK_OK && swdrv::port_has_sfp(dev, port))
        rc = swdrv::phy_modify_paged(dev, port, 1, 26, 0xFFFF, 0x6000);
    return rc;
}

}  // namespace

namespace swdrv {

// Steps 1-3 of one port: identify the PHY, run its initialisation, set its register 26.
bool DEV_SWDRV_Phy_InitPort(uint32_t device_id, uint32_t phy_port) {
    if (!swdrv::valid_dev_port(device_id, phy_port)) return false;
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint8_t dev = static_cast<uint8_t>(device_id), port = static_cast<uint8_t>(phy_port);
    uint16_t id = identify(dev, port);
    om.phy_id[dev][port] = id;
    uint16_t cls = id & 0x3F0;
    SDK_STATUS rc = SDK_OK;
    if (swdrv::phy_class_full(cls)) {
        if (!DEV_SWDRV_Phy_Lock(dev, port)) return false;
        rc = init_gigabit(dev, port, id);
        DEV_SWDRV_Phy_Unlock(dev, port);
    } else if (cls == 0x10) {
        rc = sdkPhyXgSpeedModeSet(dev, port, SDK_PHY_SPEED_MODE_DEFAULT);
    }
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dev, port);
        return false;
    }
    if (swdrv::is_fabric_port(dev, port) || DEV_SWDRV_IsCascadingPort(dev, port)) return true;
    return swdrv::with_phy_lock(__func__, dev, port, [&](uint16_t c) -> SDK_STATUS {
        if (swdrv::phy_class_paged(c))
            return swdrv::phy_modify_paged(dev, port, 0, 26, 0xF1FF, 0x0600);
        if (c == 0 || c == 0x10 || c == 0x80) return SDK_OK;
        return SDK_NOT_SUPPORTED;
    });
}

// Every port of every local device; then ports 24 and 25 of family-15 devices run at
// 1000 Mb/s. False when the system information cannot be read (start-up halts).
bool DEV_SWDRV_Phy_InitAllPorts() {
    std::vector<swdrv::LocalDevice> devs = swdrv::local_devices();
    for (const swdrv::LocalDevice& d : devs)
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p)) DEV_SWDRV_Phy_InitPort(d.dev, p);
    UC_MGR_Sys_Info_T sys;
    if (!UC_MGR_GetSysInfo(&sys)) {
        CONSOLE_Printf("\r\nGet UC System Information Fail.\n");
        return false;
    }
    for (const swdrv::LocalDevice& d : devs) {
        if (d.info.familyCode != 15) continue;
        for (uint8_t p : {24, 25}) {
            if (!d.has(p)) continue;
            SDK_STATUS rc = sdkPortSpeedSet(d.dev, p, SDK_PORT_SPEED_1000);
            if (rc == SDK_OK)
                rc = sdkPortSerdesPowerStatusSet(d.dev, p, SDK_PORT_DIRECTION_BOTH, 0xF, true);
            if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, d.dev, p);
        }
    }
    return true;
}

}  // namespace swdrv
