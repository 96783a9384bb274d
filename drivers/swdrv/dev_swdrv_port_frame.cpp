// Frame sizes: the receive unit (MRU) of every port and the oversize-untagged filter, from
// the system MTU, jumbo frames and the extra room for a tunnel tag and an extra tag.
#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

constexpr uint32_t kJumboMru = 10240;
constexpr uint32_t kBaseMru = 1522;
constexpr uint32_t kTagRoom = 4;
constexpr uint32_t kUntaggedMax = 1518;
// The oversize-untagged filter is on while the MRU leaves no room beyond one tag.
constexpr uint32_t kFilterBelow = 1523;

// Calls fn(dev, port) for every existing port of every local device except the fabric
// ports, and except cascade ports unless with_cascade.
template <typename Fn>
void for_each_port(bool with_cascade, Fn fn) {
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p) && !swdrv::is_fabric_port(d.dev, p) &&
                (with_cascade || !DEV_SWDRV_IsCascadingPort(d.dev, p)))
                fn(d.dev, p);
}

void set_mru(const char* func, uint8_t dev, uint8_t port, uint32_t mru) {
    SDK_STATUS rc = sdkBrgGenPortOversizUntagPktFilterEnableSet(dev, port, mru < kFilterBelow);
    if (rc == SDK_OK) rc = sdkPortMruSet(dev, port, mru);
    if (rc != SDK_OK) swdrv::print_sdk_err(func, __LINE__, rc, dev, port);
}

// Every port's MRU grows or shrinks by one tag.
void shift_mru(const char* func, bool with_cascade, bool grow) {
    for_each_port(with_cascade, [&](uint8_t dev, uint8_t port) {
        uint32_t mru = 0;
        if (SDK_STATUS rc = sdkPortMruGet(dev, port, &mru)) {
            swdrv::print_sdk_err(func, __LINE__, rc, dev, port);
            return;
        }
        set_mru(func, dev, port, grow ? mru + kTagRoom : mru - kTagRoom);
    });
}

void set_token_bucket_mtu(const char* func, uint32_t mtu) {
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        if (SDK_STATUS rc = sdkPortTxShaperTokenBucketMtuSet(d.dev, mtu))
            swdrv::print_sdk_err(func, __LINE__, rc, d.dev, mtu);
}

}  // namespace

bool DEV_SWDRV_SetSystemMTU(uint32_t mtu) {
    for_each_port(false, [&](uint8_t dev, uint8_t port) {
        if (SDK_STATUS rc = sdkPortMruSet(dev, port, mtu)) SWDRV_SDK_ERR_ARGS(rc, dev, port);
    });
    return true;
}

bool DEV_SWDRV_SetPortMTU(uint32_t unit, uint32_t port, uint32_t mtu) {
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    if (SDK_STATUS rc = sdkPortMruSet(static_cast<uint8_t>(d), static_cast<uint8_t>(p), mtu)) {
        SWDRV_SDK_ERR_ARGS(rc, d, p);
        return false;
    }
    return true;
}

bool DEV_SWDRV_EnableJumboFrame() {
    for_each_port(false, [&](uint8_t dev, uint8_t port) {
        SDK_STATUS rc = sdkBrgGenPortOversizUntagPktFilterEnableSet(dev, port, false);
        if (rc == SDK_OK) rc = sdkPortMruSet(dev, port, kJumboMru);
        if (rc != SDK_OK) SWDRV_SDK_ERR_ARGS(rc, dev, port);
    });
    set_token_bucket_mtu(__func__, 2);
    DEV_SWDRV_OM().jumbo = 1;
    return true;
}

bool DEV_SWDRV_DisableJumboFrame() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t mru = kBaseMru + (om.tunnel_room ? kTagRoom : 0) + (om.extra_tag_room ? kTagRoom : 0);
    for_each_port(false, [&](uint8_t dev, uint8_t port) { set_mru(__func__, dev, port, mru); });
    set_token_bucket_mtu(__func__, 0);
    om.jumbo = 0;
    return true;
}

bool DEV_SWDRV_ModifyMaxFrameSize(bool add) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (add == static_cast<bool>(om.extra_tag_room)) return true;
    shift_mru(__func__, true, add);
    om.extra_tag_room = add;
    return true;
}

bool DEV_SWDRV_SetPortDot1qTunnelMTU(uint32_t mode) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    bool on = mode == 1;
    if (on == static_cast<bool>(om.tunnel_room)) return true;
    if (!om.jumbo) shift_mru(__func__, false, on);
    om.tunnel_room = on;
    return true;
}

bool DEV_SWDRV_GetPortMaxFrameSize(uint32_t unit, uint32_t port, uint32_t* untagged_max,
                                   uint32_t* tagged_max) {
    if (!untagged_max || !tagged_max) return false;
    uint32_t d, p;
    if (!swdrv::translate(unit, port, &d, &p)) {
        SWDRV_MAPPING_ERR();
        return false;
    }
    uint8_t dev = static_cast<uint8_t>(d), pp = static_cast<uint8_t>(p);
    uint32_t mru = 0;
    bool filter = false;
    SDK_STATUS rc = sdkPortMruGet(dev, pp, &mru);
    if (rc == SDK_OK) rc = sdkBrgGenPortOversizUntagPktFilterEnableGet(dev, pp, &filter);
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, d, p);
        return false;
    }
    *untagged_max = *tagged_max = mru;
    if (filter && mru > kUntaggedMax) *untagged_max = kUntaggedMax;
    return true;
}
