// Security-event drop modes, the VLAN valid check, moved static addresses, sanity checks.
#include "sdk/sdk_secur.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Secur;

namespace {

template <typename Fn>
SDK_STATUS with_secur(const char* op, uint8_t dev, Fn fn) {
    return chipsim::with_device(op, dev, [&](Device& d) { return fn(d.secur); });
}
template <typename Fn>
SDK_STATUS read_secur(const char* op, uint8_t dev, Fn fn) {
    return chipsim::read_device(op, dev, [&](Device& d) { return fn(d.secur); });
}

}  // namespace

SDK_STATUS sdkBrgSecurBreachEventDropModeSet(uint8_t devNum, uint32_t event, uint32_t mode) {
    return with_secur(__func__, devNum, [&](Secur& s) {
        if (event >= SDK_SECUR_BREACH_EVENTS || mode > SDK_SECUR_DROP_HARD) return SDK_BAD_PARAM;
        s.drop_mode[event] = mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgSecurBreachEventDropModeGet(uint8_t devNum, uint32_t event, uint32_t* mode) {
    if (!mode) return SDK_BAD_PTR;
    return read_secur(__func__, devNum, [&](Secur& s) {
        if (event >= SDK_SECUR_BREACH_EVENTS) return SDK_BAD_PARAM;
        *mode = s.drop_mode[event];
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanValidCheckEnableSet(uint8_t devNum, bool enable) {
    return with_secur(__func__, devNum, [&](Secur& s) {
        s.vlan_valid_check = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgVlanValidCheckEnableGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return read_secur(__func__, devNum, [&](Secur& s) {
        *enable = s.vlan_valid_check;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgSecurBreachMovedStaticAddrSet(uint8_t devNum, bool enable) {
    return with_secur(__func__, devNum, [&](Secur& s) {
        s.moved_static = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgSecurBreachMovedStaticAddrGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return read_secur(__func__, devNum, [&](Secur& s) {
        *enable = s.moved_static;
        return SDK_OK;
    });
}

SDK_STATUS sdkSecProtSanityCheckSet(uint8_t devNum, uint32_t check, bool enable) {
    return with_secur(__func__, devNum, [&](Secur& s) {
        if (check >= SDK_SANITY_CHECKS) return SDK_BAD_PARAM;
        s.sanity[check] = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkSecProtSanityCheckGet(uint8_t devNum, uint32_t check, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return read_secur(__func__, devNum, [&](Secur& s) {
        if (check >= SDK_SANITY_CHECKS) return SDK_BAD_PARAM;
        *enable = s.sanity[check];
        return SDK_OK;
    });
}
