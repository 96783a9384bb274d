// The trunks' load-balancing hash settings.
#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_trunk.h"

using chipsim::Locked;

namespace {

bool hash_field(uint32_t field) {
    return field < SDK_TRUNK_HASH_FIELDS &&
           (field <= SDK_TRUNK_HASH_FIELD_MAC_SA || field >= SDK_TRUNK_HASH_FIELD_IPV4_DIP);
}

}  // namespace

SDK_STATUS sdkTrunkHashGlobalModeSet(uint8_t devNum, uint32_t hashMode) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (hashMode > SDK_TRUNK_HASH_INGRESS_PORT) return SDK_BAD_PARAM;
        d->trunks.hash_mode = hashMode;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashGlobalModeGet(uint8_t devNum, uint32_t* hashMode) {
    if (!hashMode) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *hashMode = d->trunks.hash_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashIpModeSet(uint8_t devNum, bool enable) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        d->trunks.ip_hash = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashIpModeGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *enable = d->trunks.ip_hash;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashIpv6ModeSet(uint8_t devNum, uint32_t hashMode) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (hashMode >= SDK_TRUNK_IPV6_HASH_MODES) return SDK_BAD_PARAM;
        d->trunks.ipv6_mode = hashMode;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashIpv6ModeGet(uint8_t devNum, uint32_t* hashMode) {
    if (!hashMode) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *hashMode = d->trunks.ipv6_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashMaskSet(uint8_t devNum, uint32_t field, uint8_t maskValue) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (!hash_field(field) || maskValue > SDK_TRUNK_HASH_MASK_MAX) return SDK_BAD_PARAM;
        d->trunks.mask[field] = maskValue;
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkHashMaskGet(uint8_t devNum, uint32_t field, uint8_t* maskValue) {
    if (!maskValue) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        if (!hash_field(field)) return SDK_BAD_PARAM;
        *maskValue = d->trunks.mask[field];
        return SDK_OK;
    });
}
