// The driver's error-reporting convention, the local device walk and PHY register helpers.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/sysfun.h"

namespace swdrv {
namespace {

bool sdk_flag(bool detail) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    return detail ? om.print_detail.load() : om.print_sdk_err.load();
}

}  // namespace

void print_sdk_err(const char* func, int line, SDK_STATUS rc, bool detail) {
    if (sdk_flag(detail))
        CONSOLE_Printf("%s(): Line = %d , error_id=%d\r\n", func, line, static_cast<int>(rc));
}

void print_sdk_err(const char* func, int line, SDK_STATUS rc, uint32_t a, uint32_t b, bool detail) {
    if (sdk_flag(detail))
        CONSOLE_Printf("%s(): Line = %d , error_id=%d, arg = %lu,%lu\r\n", func, line,
                       static_cast<int>(rc), static_cast<unsigned long>(a),
                       static_cast<unsigned long>(b));
}

void print_sdk_err3(const char* func, int line, SDK_STATUS rc, uint32_t a, uint32_t b, uint32_t c) {
    if (sdk_flag(false))
        CONSOLE_Printf("%s(): Line = %d , error_id=%d, arg = %lu,%lu,%lu\r\n", func, line,
                       static_cast<int>(rc), static_cast<unsigned long>(a),
                       static_cast<unsigned long>(b), static_cast<unsigned long>(c));
}

void print_step_err(const char* func, int line, const char* text, bool detail) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (detail ? om.print_detail.load() : om.print_mapping_err.load())
        CONSOLE_Printf("%s(): Line = %d , %s\r\n", func, line, text);
}

void print_mapping_err(const char* func, int line) {
    print_step_err(func, line, "DEV_SWDRV_Logical2PhyDevicePortID failed");
}

std::vector<LocalDevice> local_devices() {
    std::vector<LocalDevice> out;
    uint8_t first = 0, count = 0;
    if (sdkCfgDevCountGet(&first, &count) != SDK_OK) return out;
    for (uint32_t d = first; d < uint32_t{first} + count; ++d) {
        if (d >= 128 || d >= DEV_SWDRV_MAX_DEVICES) continue;
        LocalDevice ld{static_cast<uint8_t>(d), {}};
        if (sdkCfgDevInfoGet(ld.dev, &ld.info) == SDK_OK) out.push_back(ld);
    }
    return out;
}

PortSem::PortSem(const char* func) : func_(func) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!om.port_sem_ok || SYSFUN_TakeSem(om.port_sem_id, SYSFUN_TIMEOUT_WAIT_FOREVER) != SYSFUN_OK)
        BACKDOOR_MGR_Printf("%s(%d)Failed to take semaphore.\n", func_, __LINE__);
}

PortSem::~PortSem() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!om.port_sem_ok || SYSFUN_GiveSem(om.port_sem_id) != SYSFUN_OK)
        BACKDOOR_MGR_Printf("%s(%d)Failed to give semaphore.\n", func_, __LINE__);
}

bool is_fabric_port(uint32_t dev, uint32_t port) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    return om.fabric_device != DEV_SWDRV_INVALID && dev == om.fabric_device &&
           (port == om.fabric_port[0] || port == om.fabric_port[1]);
}

bool translate(uint32_t unit, uint32_t port, uint32_t* dev, uint32_t* phy_port) {
    uint32_t module;
    return DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &module, dev, phy_port);
}

bool valid_dev_port(uint32_t dev, uint32_t port) {
    return dev < DEV_SWDRV_MAX_DEVICES && port < DEV_SWDRV_DEVICE_PORTS;
}

uint16_t phy_class(uint32_t dev, uint32_t port) {
    if (!valid_dev_port(dev, port)) return 0;
    return DEV_SWDRV_OM().phy_id[dev][port] & 0x3F0;
}

bool phy_class_paged(uint16_t cls) {
    return cls == 0x90 || phy_class_full(cls);
}

bool phy_class_full(uint16_t cls) {
    return cls == 0x1C0 || cls == 0x2A0 || cls == 0x2B0;
}

bool port_has_sfp(uint32_t dev, uint32_t port) {
    uint32_t unit, front;
    return DEV_SWDRV_PhyDevicePort2Logical(dev, port, &unit, &front) &&
           STKTPLG_OM_HasSfpPort(unit, front);
}

SDK_STATUS phy_read(uint32_t dev, uint32_t port, uint8_t reg, uint16_t* value) {
    return sdkPhyPortSmiRegisterRead(static_cast<uint8_t>(dev), static_cast<uint8_t>(port), reg,
                                     value);
}

SDK_STATUS phy_write(uint32_t dev, uint32_t port, uint8_t reg, uint16_t value) {
    return sdkPhyPortSmiRegisterWrite(static_cast<uint8_t>(dev), static_cast<uint8_t>(port), reg,
                                      value);
}

SDK_STATUS phy_modify(uint32_t dev, uint32_t port, uint8_t reg, uint16_t keep, uint16_t set) {
    uint16_t v = 0;
    if (SDK_STATUS rc = phy_read(dev, port, reg, &v)) return rc;
    return phy_write(dev, port, reg, static_cast<uint16_t>((v & keep) | set));
}

SDK_STATUS phy_read_paged(uint32_t dev, uint32_t port, uint8_t page, uint8_t reg, uint16_t* value) {
    SDK_STATUS rc = phy_write(dev, port, kPhyRegPage, page);
    if (rc == SDK_OK) rc = phy_read(dev, port, reg, value);
    return rc | phy_write(dev, port, kPhyRegPage, 0);
}

SDK_STATUS phy_modify_paged(uint32_t dev, uint32_t port, uint8_t page, uint8_t reg, uint16_t keep,
                            uint16_t set) {
    SDK_STATUS rc = phy_write(dev, port, kPhyRegPage, page);
    if (rc == SDK_OK) rc = phy_modify(dev, port, reg, keep, set);
    return rc | phy_write(dev, port, kPhyRegPage, 0);
}

SDK_STATUS c45_modify(uint32_t dev, uint32_t port, uint8_t mmd, uint16_t reg, uint16_t keep,
                      uint16_t set) {
    uint8_t d = static_cast<uint8_t>(dev), p = static_cast<uint8_t>(port);
    uint16_t v = 0;
    if (SDK_STATUS rc = sdkPhyPortC45RegisterRead(d, p, mmd, reg, &v)) return rc;
    return sdkPhyPortC45RegisterWrite(d, p, mmd, reg, static_cast<uint16_t>((v & keep) | set));
}

SDK_STATUS phy_modify_media(uint32_t dev, uint32_t port, uint8_t reg, uint16_t keep, uint16_t set) {
    SDK_STATUS rc = phy_modify_paged(dev, port, 0, reg, keep, set);
    if (rc == SDK_OK && port_has_sfp(dev, port))
        rc = phy_modify_paged(dev, port, 1, reg, keep, set);
    return rc;
}

bool to_dev_port(const char* func, int line, uint32_t unit, uint32_t port, DevPort* out) {
    uint32_t d, p;
    if (!translate(unit, port, &d, &p) || !valid_dev_port(d, p)) {
        print_mapping_err(func, line);
        return false;
    }
    *out = {static_cast<uint8_t>(d), static_cast<uint8_t>(p)};
    return true;
}

bool bad_arg(const char* func, int line, const char* what) {
    print_step_err(func, line, what);
    return false;
}

bool vlan_ok(const char* func, int line, uint32_t vid) {
    if (vid >= DEV_SWDRV_MIN_VLAN && vid <= DEV_SWDRV_MAX_VLAN) return true;
    return bad_arg(func, line, "VLAN id out of range");
}

bool tagged_mark(uint8_t dev, uint8_t port, uint32_t vid) {
    return bmp_has(DEV_SWDRV_OM().tagged[dev][vid - 1], port);
}

void set_tagged_mark(uint8_t dev, uint8_t port, uint32_t vid, bool tagged) {
    bmp_set(DEV_SWDRV_OM().tagged[dev][vid - 1], port, tagged);
}

}  // namespace swdrv
