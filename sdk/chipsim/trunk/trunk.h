// The chip model's trunk table: per chip trunk id, its enabled members (which take traffic)
// and its disabled ones (kept in the SDK's database only). It is the `trunks` member of
// Device (core/model.h), guarded by the device's lock.
//
// Power-on state: every trunk empty. A device whose board line says trunk_remap=1 refuses
// trunk ids below SDK_TRUNK_REMAP_FIRST_ID, as chips that keep them for themselves do.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/sdk_trunk.h"

namespace chipsim {

struct Trunk {
    std::array<SDK_TRUNK_MEMBER, SDK_TRUNK_MAX_MEMBERS> enabled{};
    std::array<SDK_TRUNK_MEMBER, SDK_TRUNK_MAX_MEMBERS> disabled{};
    uint8_t n_enabled = 0;
    uint8_t n_disabled = 0;
};

struct Trunks {
    bool remap = false;  // low trunk ids refused (from the board)
    std::array<Trunk, SDK_TRUNK_MAX_ID + 1> table{};

    // A chip trunk id this device takes.
    bool valid(uint16_t id) const {
        return id >= (remap ? SDK_TRUNK_REMAP_FIRST_ID : 1) && id <= SDK_TRUNK_MAX_ID;
    }
};

// Inspection: a copy of a device's trunk table (empty for a device the model does not have).
Trunks trunks(uint8_t dev);

}  // namespace chipsim
