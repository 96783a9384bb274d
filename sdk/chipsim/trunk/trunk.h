// The chip model's trunk table: per chip trunk id, its enabled members (which take traffic)
// and its disabled ones (kept in the SDK's database only). It is the `trunks` member of
// Device (core/model.h), guarded by the device's lock.
//
// Power-on state: every trunk empty, hashing on packet data with every MAC and IP mask 0x3F,
// IP hashing off, IPv6 hash mode 0. A device whose board line says trunk_remap=1 refuses
// trunk ids below SDK_TRUNK_REMAP_FIRST_ID, as chips that keep them for themselves do.
//
// Stages: a frame from a member port is learned on its trunk (trunk_ingress, then fdb/); a
// frame for a trunk leaves on one enabled member whose link is up, chosen by the hash of its
// fields (trunk_to), and a flooded frame on one member of each trunk, never on the trunk it
// came from (trunk_flood). With no trunk holding members, each stage is one flag check.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_trunk.h"

namespace chipsim {

// Hash values (6 bits).
constexpr uint32_t kTrunkHashValues = 64;

struct Trunk {
    std::array<SDK_TRUNK_MEMBER, SDK_TRUNK_MAX_MEMBERS> enabled{};
    std::array<SDK_TRUNK_MEMBER, SDK_TRUNK_MAX_MEMBERS> disabled{};
    uint8_t n_enabled = 0;
    uint8_t n_disabled = 0;
    // Derived by the trunk stage, again whenever the model's change count has moved: how many
    // enabled members take traffic, and the member each hash value picks among them.
    uint64_t picked_at = ~uint64_t{0};
    uint8_t n_up = 0;
    std::array<SDK_TRUNK_MEMBER, kTrunkHashValues> pick{};
};

// A member's slot in Trunks::member_of: (module id, port), module ids 0 to 31.
constexpr uint32_t kTrunkMemberSlots = 32 * 64;
inline uint32_t trunk_member_slot(uint8_t hw_dev, uint8_t port) {
    return (hw_dev & 31u) << 6 | (port & 63u);
}

struct Trunks {
    bool remap = false;  // low trunk ids refused (from the board)
    std::array<Trunk, SDK_TRUNK_MAX_ID + 1> table{};
    // Load balancing.
    uint32_t hash_mode = SDK_TRUNK_HASH_PACKET_DATA;
    bool ip_hash = false;
    uint32_t ipv6_mode = 0;
    std::array<uint8_t, SDK_TRUNK_HASH_FIELDS> mask{0x3F, 0x3F, 0, 0, 0, 0x3F, 0x3F, 0x3F, 0x3F};
    // Derived from the table (kept by set_members): the trunk each (module id, port) is a
    // member of, enabled or disabled (0 none), and how many trunks hold members.
    std::array<uint8_t, kTrunkMemberSlots> member_of{};
    uint32_t active = 0;

    // A chip trunk id this device takes.
    bool valid(uint16_t id) const {
        return id >= (remap ? SDK_TRUNK_REMAP_FIRST_ID : 1) && id <= SDK_TRUNK_MAX_ID;
    }
    // Replaces a valid trunk's members, keeping member_of and active.
    void set_members(uint16_t id, const Trunk& t);
};

struct Packet;
// trunk_ingress: the trunk the frame came in on (where it entered the unit), for learning.
void trunk_ingress(Locked d, Packet& p);
// trunk_to: the member a frame for the trunk leaves on (its port, or the internal link toward
// its device) is added to p.dest; none when no enabled member's link is up.
void trunk_to(Locked d, Packet& p, uint16_t trunk);
// trunk_flood: a frame bound for several ports keeps one member of each trunk among them, and
// none of the trunk it came in on.
void trunk_flood(Locked d, Packet& p);

// Registers the trunks' simulation-control command.
void register_trunk_simctl();

// Inspection: a copy of a device's trunk table (empty for a device the model does not have).
Trunks trunks(uint8_t dev);

}  // namespace chipsim
