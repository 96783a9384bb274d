// Trunk members.
#include "sdk/sdk_trunk.h"

#include <algorithm>

#include "sdk/chipsim/core/model.h"

using chipsim::Locked;
using chipsim::Trunk;

SDK_STATUS sdkTrunkTableEntryGet(uint8_t devNum, uint16_t trunkId, uint32_t* numMembers,
                                 SDK_TRUNK_MEMBER membersArray[SDK_TRUNK_MAX_MEMBERS]) {
    if (!numMembers || !membersArray) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        if (!d->trunks.valid(trunkId)) return SDK_BAD_PARAM;
        const Trunk& t = d->trunks.table[trunkId];
        *numMembers = t.n_enabled;
        std::copy_n(t.enabled.begin(), t.n_enabled, membersArray);
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkMembersSet(uint8_t devNum, uint16_t trunkId, uint32_t numOfEnabledMembers,
                              const SDK_TRUNK_MEMBER* enabledMembersArray,
                              uint32_t numOfDisabledMembers,
                              const SDK_TRUNK_MEMBER* disabledMembersArray) {
    if ((numOfEnabledMembers && !enabledMembersArray) ||
        (numOfDisabledMembers && !disabledMembersArray))
        return SDK_BAD_PTR;
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (!d->trunks.valid(trunkId)) return SDK_BAD_PARAM;
        if (numOfEnabledMembers > SDK_TRUNK_MAX_MEMBERS ||
            numOfDisabledMembers > SDK_TRUNK_MAX_MEMBERS - numOfEnabledMembers)
            return SDK_BAD_PARAM;
        Trunk t;
        std::copy_n(enabledMembersArray, numOfEnabledMembers, t.enabled.begin());
        std::copy_n(disabledMembersArray, numOfDisabledMembers, t.disabled.begin());
        t.n_enabled = static_cast<uint8_t>(numOfEnabledMembers);
        t.n_disabled = static_cast<uint8_t>(numOfDisabledMembers);
        d->trunks.set_members(trunkId, t);
        return SDK_OK;
    });
}

SDK_STATUS sdkTrunkDbMembersNumGet(uint8_t devNum, uint16_t trunkId, uint32_t* numMembers) {
    if (!numMembers) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        if (!d->trunks.valid(trunkId)) return SDK_BAD_PARAM;
        const Trunk& t = d->trunks.table[trunkId];
        *numMembers = t.n_enabled + t.n_disabled;
        return SDK_OK;
    });
}

namespace chipsim {

void Trunks::set_members(uint16_t id, const Trunk& t) {
    Trunk& old = table[id];
    auto each = [](const Trunk& x, auto fn) {
        for (uint32_t i = 0; i < x.n_enabled; ++i)
            fn(x.enabled[i]);
        for (uint32_t i = 0; i < x.n_disabled; ++i)
            fn(x.disabled[i]);
    };
    each(old, [&](const SDK_TRUNK_MEMBER& m) {
        uint8_t& slot = member_of[trunk_member_slot(m.device, m.port)];
        if (slot == id) slot = 0;
    });
    bool had = old.n_enabled + old.n_disabled > 0;
    old = t;
    each(t, [&](const SDK_TRUNK_MEMBER& m) {
        member_of[trunk_member_slot(m.device, m.port)] = static_cast<uint8_t>(id);
    });
    bool has = t.n_enabled + t.n_disabled > 0;
    if (has && !had) ++active;
    if (had && !has) --active;
}

Trunks trunks(uint8_t dev) {
    return on_device(dev, Trunks{}, [](Locked d) { return d->trunks; });
}

}  // namespace chipsim
