// What the files of the switch chip driver share: the error-reporting convention, the walk
// over local devices and ports, and PHY register helpers.
#pragma once

#include <cstdint>
#include <vector>

#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrv/dev_swdrv_om.h"
#include "sdk/sdk.h"

namespace swdrv {

// ---- Error reporting --------------------------------------------------------------------
// A failed chip SDK call: "%s(): Line = %d , error_id=%d" plus ", arg = ..." for each
// argument given; printed when the SDK-error flag (or, with detail, the detail flag) is set.
void print_sdk_err(const char* func, int line, SDK_STATUS rc, bool detail = false);
void print_sdk_err(const char* func, int line, SDK_STATUS rc, uint32_t a, uint32_t b,
                   bool detail = false);
void print_sdk_err3(const char* func, int line, SDK_STATUS rc, uint32_t a, uint32_t b, uint32_t c);
// "%s(): Line = %d , %s": a failed translation or inner step, printed when the mapping-failure
// flag (or, with detail, the detail flag) is set.
void print_step_err(const char* func, int line, const char* text, bool detail = false);
// The failed-translation line of an operation.
void print_mapping_err(const char* func, int line);

#define SWDRV_SDK_ERR(rc) swdrv::print_sdk_err(__func__, __LINE__, (rc))
#define SWDRV_SDK_ERR_ARGS(rc, a, b) swdrv::print_sdk_err(__func__, __LINE__, (rc), (a), (b))
#define SWDRV_DETAIL_SDK_ERR(rc) swdrv::print_sdk_err(__func__, __LINE__, (rc), true)
#define SWDRV_STEP_ERR(text) swdrv::print_step_err(__func__, __LINE__, (text))
#define SWDRV_DETAIL_STEP_ERR(text) swdrv::print_step_err(__func__, __LINE__, (text), true)
#define SWDRV_MAPPING_ERR() swdrv::print_mapping_err(__func__, __LINE__)

// ---- Devices and ports ------------------------------------------------------------------
struct LocalDevice {
    uint8_t dev;
    SDK_DEV_INFO info;
    bool has(uint32_t port) const {
        return port < 26 && sdkPortsBmpIsMember(info.existingPorts, port);
    }
};
// Every local device the SDK holds: from its first device number for its device count,
// skipping numbers of 128 and above and numbers it holds no device for.
std::vector<LocalDevice> local_devices();
bool is_fabric_port(uint32_t dev, uint32_t port);
// Translates (unit, port); false when neither row has a valid entry.
bool translate(uint32_t unit, uint32_t port, uint32_t* dev, uint32_t* phy_port);
bool valid_dev_port(uint32_t dev, uint32_t port);

// The device port behind a logical port.
struct DevPort {
    uint8_t dev;
    uint8_t port;
};
// Translates (unit, port) for the operation func and checks that the device port can exist;
// prints the failed translation.
bool to_dev_port(const char* func, int line, uint32_t unit, uint32_t port, DevPort* out);
#define SWDRV_TRANSLATE(unit, port, out) \
    swdrv::to_dev_port(__func__, __LINE__, (unit), (port), (out))

// A request argument out of range: "%s(): Line = %d , %s" under the mapping-failure flag.
// Returns false.
bool bad_arg(const char* func, int line, const char* what);
#define SWDRV_BAD_ARG(what) swdrv::bad_arg(__func__, __LINE__, (what))
// A VLAN id 1..4094; prints the refusal of any other.
bool vlan_ok(const char* func, int line, uint32_t vid);
#define SWDRV_VLAN_OK(vid) swdrv::vlan_ok(__func__, __LINE__, (vid))

// Runs sdk(dev) on every local device; failures are printed with the device and the walk
// goes on. False when any device failed.
template <typename Sdk>
bool on_every_device(const char* func, int line, Sdk sdk) {
    bool ok = true;
    for (const LocalDevice& d : local_devices()) {
        if (SDK_STATUS rc = sdk(d.dev)) {
            print_sdk_err(func, line, rc, d.dev, 0);
            ok = false;
        }
    }
    return ok;
}
#define SWDRV_ON_EVERY_DEVICE(sdk) swdrv::on_every_device(__func__, __LINE__, (sdk))

// Calls fn(dev, port) for every front port of every local device: the existing ports 0..25
// that are neither cascade ports nor fabric ports.
template <typename Fn>
void for_each_front_port(Fn fn) {
    for (const LocalDevice& d : local_devices())
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p) && !DEV_SWDRV_IsCascadingPort(d.dev, p) && !is_fabric_port(d.dev, p))
                fn(d.dev, p);
}

// Bits of 32-bit port words and of VLAN lists.
inline bool bmp_has(const uint32_t* words, uint32_t bit) {
    return (words[bit / 32] >> (bit % 32)) & 1;
}
inline void bmp_set(uint32_t* words, uint32_t bit, bool on) {
    uint32_t m = 1u << (bit % 32);
    words[bit / 32] = on ? (words[bit / 32] | m) : (words[bit / 32] & ~m);
}
inline bool vlan_listed(const uint8_t* list, uint32_t vid) {
    return (list[vid / 8] >> (7 - vid % 8)) & 1;
}

// A device's VLAN entry as the chip holds it (dev_swdrv_vlan.cpp).
struct ChipVlan {
    bool valid = false;
    SDK_PORTS_BMP members{}, tagged{};
};
SDK_STATUS read_vlan(uint8_t dev, uint32_t vid, ChipVlan* e);

// The driver's tagged mark of (device, port) in a VLAN 1..4094.
bool tagged_mark(uint8_t dev, uint8_t port, uint32_t vid);
void set_tagged_mark(uint8_t dev, uint8_t port, uint32_t vid, bool tagged);

// Holds the port semaphore while it lives. Failures to take or give it are printed and do
// not stop the caller.
class PortSem {
  public:
    explicit PortSem(const char* func);
    ~PortSem();
    PortSem(const PortSem&) = delete;
    PortSem& operator=(const PortSem&) = delete;

  private:
    const char* func_;
};

// ---- PHYs ---------------------------------------------------------------------------------
constexpr uint8_t kPhyRegPage = 22;
uint16_t phy_class(uint32_t dev, uint32_t port);
bool phy_class_paged(uint16_t cls);
// The combo-capable gigabit classes that support every PHY operation.
bool phy_class_full(uint16_t cls);
// Whether the front port served by (dev, port) has an SFP (reverse mapping through row 0).
bool port_has_sfp(uint32_t dev, uint32_t port);

SDK_STATUS phy_read(uint32_t dev, uint32_t port, uint8_t reg, uint16_t* value);
SDK_STATUS phy_write(uint32_t dev, uint32_t port, uint8_t reg, uint16_t value);
// register := (old AND keep) OR set.
SDK_STATUS phy_modify(uint32_t dev, uint32_t port, uint8_t reg, uint16_t keep, uint16_t set);
SDK_STATUS phy_read_paged(uint32_t dev, uint32_t port, uint8_t page, uint8_t reg, uint16_t* value);
SDK_STATUS phy_modify_paged(uint32_t dev, uint32_t port, uint8_t page, uint8_t reg, uint16_t keep,
                            uint16_t set);
SDK_STATUS c45_modify(uint32_t dev, uint32_t port, uint8_t mmd, uint16_t reg, uint16_t keep,
                      uint16_t set);
// The same change on the copper page 0 and, for a port with an SFP, the fibre page 1; the
// port is left on page 0.
SDK_STATUS phy_modify_media(uint32_t dev, uint32_t port, uint8_t reg, uint16_t keep, uint16_t set);

// PHY initialisation at driver start (dev_swdrv_phy_init.cpp). InitAllPorts is false when
// the start-up has to halt.
bool DEV_SWDRV_Phy_InitPort(uint32_t device_id, uint32_t phy_port);
bool DEV_SWDRV_Phy_InitAllPorts();
// The PHY part of DEV_SWDRV_SetPortAutoNegCapability.
bool phy_set_capability(uint32_t dev, uint32_t port, uint32_t capability);

// Runs body() under the PHY lock of (dev, port). False when the lock is refused or the
// unlock fails ("DEV_SWDRV_Phy_Unlock failed"); body's SDK result is printed and false.
template <typename Body>
bool with_phy_lock(const char* func, uint32_t dev, uint32_t port, Body body) {
    if (!valid_dev_port(dev, port)) {
        print_sdk_err(func, __LINE__, SDK_BAD_PARAM, dev, port);
        return false;
    }
    if (!DEV_SWDRV_Phy_Lock(dev, port)) return false;
    SDK_STATUS rc = body(phy_class(dev, port));
    if (!DEV_SWDRV_Phy_Unlock(dev, port)) {
        print_step_err(func, __LINE__, "DEV_SWDRV_Phy_Unlock failed");
        return false;
    }
    if (rc != SDK_OK) {
        print_sdk_err(func, __LINE__, rc, dev, port);
        return false;
    }
    return true;
}

}  // namespace swdrv
