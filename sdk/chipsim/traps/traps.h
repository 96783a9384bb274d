// The chip model's control-packet settings: which packets of the control protocols go to
// the CPU, and how. It is the `traps` member of Device (model.h), guarded by the device's
// lock; the sdk* operations of sdk_trap.h write it, the frame pipeline reads it. Every
// command is an SDK_PACKET_CMD_*.
//
// Power-on state: everything forwarded like other traffic (ICMPv6 slots of type 0, the
// reserved-multicast trap enabled with every protocol forwarded in every profile, every port
// on profile 0, so a protocol's command takes effect as soon as it is written), IP multicast
// bridged by MAC address, no OAM PDUs to the CPU, no limit on the packets to the CPU, no IP
// link-local multicast mirrored, ARP broadcasts forwarded.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_trap.h"

namespace chipsim {

// A slot of the ICMPv6 message-type table: ICMPv6 messages of this type get this command.
struct Icmpv6Slot {
    uint8_t type = 0;
    uint32_t cmd = SDK_PACKET_CMD_FORWARD;

    bool operator==(const Icmpv6Slot&) const = default;
};

struct Traps {
    std::array<Icmpv6Slot, SDK_ICMPV6_SLOTS> icmpv6{};
    // IEEE reserved multicast 01-80-C2-00-00-xx: while enabled, a frame received on port p
    // gets ieee_cmd[ieee_profile[p]][xx].
    bool ieee_enable = true;
    std::array<std::array<uint8_t, 256>, SDK_IEEE_RSV_MC_PROFILES> ieee_cmd{};
    std::array<uint8_t, kPortSlots> ieee_profile{};
    uint32_t igmp_cmd = SDK_PACKET_CMD_FORWARD;  // IPv4 protocol 2
    // Multicast without an address-table entry, by SDK_UNREG_MC_* kind.
    std::array<uint32_t, SDK_UNREG_MC_KINDS> unreg_mc_cmd{};
    bool ip_mc_bridging = false;                  // IP multicast looked up by group address
    std::array<bool, kPortSlots> oam_pdu_trap{};  // OAM PDUs received on the port to the CPU
    uint32_t cpu_rate_limit = 0;                  // packets per second to the CPU, 0: none
    // IP link-local multicast mirrored to the CPU, by IP version (SDK_IP_VER_*): the version's
    // switch, and each protocol's (the address's last byte).
    std::array<bool, 2> ip_ll_mirror{};
    std::array<std::array<bool, 256>, 2> ip_ll_prot{};
    uint32_t arp_bcast_cmd = SDK_PACKET_CMD_FORWARD;  // ARP broadcasts

    bool operator==(const Traps&) const = default;
};

// Inspection: a copy, or the power-on state for a device the model does not have.
Traps traps(uint8_t dev);

// ---- Stages ------------------------------------------------------------------------------
struct Device;
class Locked;
struct Packet;
// traps_control: control packets the chip recognises and sends the CPU, mirrors or drops
// (IEEE reserved multicast by profile, MAC control, OAM PDUs, IGMP, ICMPv6, IP link-local
// multicast, ARP broadcasts).
void traps_control(Locked d, Packet& p);
// Whether a frame of this Ether type needs its headers above layer 2 read for the traps
// (IGMP or ICMPv6 messages with a command of their own).
bool traps_look_above_l2(const Device& d, uint16_t ethertype);
// The command of a trap setting (SDK_PACKET_CMD_*) as the pipeline combines it.
enum class Cmd : uint8_t;
Cmd traps_cmd(uint32_t packet_cmd);

}  // namespace chipsim
