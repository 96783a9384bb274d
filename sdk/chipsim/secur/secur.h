// Security defaults of a device: each security event's drop mode, the VLAN valid check, moved
// static addresses, and the IPv4 sanity checks. It is the `secur` member of Device
// (core/model.h), guarded by the device's lock.
//
// Power-on state: every event dropped soft, VLAN valid check and moved-static events off,
// every sanity check off.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_secur.h"

namespace chipsim {

struct Secur {
    std::array<uint32_t, SDK_SECUR_BREACH_EVENTS> drop_mode{};
    bool vlan_valid_check = false;
    bool moved_static = false;
    std::array<bool, SDK_SANITY_CHECKS> sanity{};
    bool operator==(const Secur&) const = default;
};

struct Packet;
// Stage secur_ingress: the enabled sanity checks (hard drop, sanity), a multicast source
// address (event 5) and, with the VLAN valid check on, a VLAN the chip does not hold (event
// 4), each dropped by its event's drop mode.
void secur_ingress(Locked d, Packet& p);
// Whether a frame of this Ether type needs its headers above layer 2 read for the sanity
// checks (IPv4 with any check enabled).
bool secur_looks_above_l2(const Device& d, uint16_t ethertype);
// Whether a frame whose source is held static on another port is a security event (3), and
// its drop mode applied to the packet.
bool secur_moved_static(Locked d, Packet& p);
// A frame from a new source address on a port whose learning is locked and whose lock command
// is a drop (event 7): dropped hard or soft as the event's drop mode says.
void secur_new_address_drop(Locked d, Packet& p);

// ---- Inspection ----------------------------------------------------------------------
Secur secur(uint8_t dev);

}  // namespace chipsim
