// The chip model's VLAN state: the VLAN table, the VLAN MRU profiles, the protocol classes of
// protocol-based VLANs and every port's VLAN settings. It is the `vlans` member of Device
// (model.h), guarded by the device's lock like the rest of the device; the sdk* operations of
// sdk_vlan.h write it, the frame pipeline reads it to classify, filter and tag frames.
//
// Power-on state: every VLAN entry invalid (no VLAN exists until the driver creates it);
// every port with port VLAN id 1, no ingress filter, all frame types accepted, TPID 0x8100,
// not a tunnel access port, default user priority 0; every MRU profile 16382 bytes (the
// largest frame a port takes, so a VLAN limits nothing until its profile is set).
#pragma once

#include <array>
#include <cstring>
#include <vector>

#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_vlan.h"

// Whole-value comparison of the SDK's plain records (for before/after checks of the model).
inline bool operator==(const SDK_PORTS_BMP& a, const SDK_PORTS_BMP& b) {
    return a.ports[0] == b.ports[0] && a.ports[1] == b.ports[1];
}
inline bool operator==(const SDK_BRG_VLAN_INFO& a, const SDK_BRG_VLAN_INFO& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace chipsim {

// Device port numbers that index the per-port arrays: 0..25 and the CPU port (63).
constexpr uint32_t kPortSlots = 64;

// A row of the VLAN table; the row's index is the VLAN id.
struct VlanEntry {
    bool valid = false;
    SDK_PORTS_BMP members{};  // member ports, the CPU port (63) included
    SDK_PORTS_BMP tagged{};   // the members whose tagging command is not untagged
    // How each member sends the VLAN's frames (SDK_VLAN_TAG_CMD_*); untagged for non-members.
    std::array<uint8_t, kPortSlots> tag_cmd{};
    SDK_BRG_VLAN_INFO info{};  // spanning-tree group, MRU profile, learning, mirroring

    bool operator==(const VlanEntry&) const = default;
};

// Per port and protocol class: the VLAN that untagged frames of the class's protocol join.
struct ProtoVlan {
    bool valid = false;
    uint16_t vid = 0;

    bool operator==(const ProtoVlan&) const = default;
};

// A protocol class: frames with this encapsulation and protocol value (an Ether type, or
// DSAP and SSAP for plain LLC) match it.
struct ProtoClass {
    bool valid = false;
    uint32_t encap = 0;  // SDK_VLAN_ENCAP_*
    uint16_t protocol = 0;

    bool operator==(const ProtoClass&) const = default;
};

// A port's VLAN settings: how the frames it receives are classified and admitted.
struct VlanPort {
    uint16_t pvid = 1;                      // VLAN of untagged and priority-tagged frames
    bool ingress_filter = false;            // drop frames of VLANs the port is not a member of
    uint32_t accept = SDK_VLAN_ACCEPT_ALL;  // SDK_VLAN_ACCEPT_*
    uint16_t tpid = 0x8100;                 // Ether type that marks a tag, on receive and send
    bool nested_access = false;             // tunnel access: every frame goes to the pvid, its own
                                            // tag (if any) kept inside
    uint32_t default_up = 0;                // user priority of untagged frames
    bool copy_inner_up = false;             // added outer tags copy the inner tag's priority
    std::array<ProtoVlan, SDK_VLAN_PROTO_CLASSES> proto{};  // by protocol class
    // Bit i set when proto[i] is valid, so that untagged frames of a port without protocol
    // VLANs skip the class search. Derived from proto: sdkBrgVlanPortProtoVlanSet, the only
    // writer of proto, updates both.
    uint8_t proto_valid = 0;
    static_assert(SDK_VLAN_PROTO_CLASSES <= 8, "proto_valid has a bit per class");

    bool operator==(const VlanPort&) const = default;
};

struct Vlans {
    std::vector<VlanEntry> table = std::vector<VlanEntry>(SDK_VLAN_ID_MAX + 1);
    std::array<uint32_t, SDK_VLAN_MRU_PROFILES> mru_profile = {16382, 16382, 16382, 16382,
                                                               16382, 16382, 16382, 16382};
    std::array<ProtoClass, SDK_VLAN_PROTO_CLASSES> proto_class{};
    std::array<VlanPort, kPortSlots> ports{};  // by device port, 63 the CPU port

    bool operator==(const Vlans&) const = default;
};

// ---- Inspection: copies, or the power-on state for a device the model does not have ----
Vlans vlans(uint8_t dev);
VlanEntry vlan_entry(uint8_t dev, uint16_t vid);
VlanPort vlan_port(uint8_t dev, uint8_t port);

// Registers the simulation-control commands of the VLAN state.
void register_vlan_simctl();

// ---- Stages ------------------------------------------------------------------------------
struct Device;
class Locked;
struct Packet;
// vlan_ingress: the oversize-untagged filter, acceptable frame types, classification (tag,
// protocol class, port VLAN id; tunnel access), the VLAN's MRU, ingress filtering. Sets
// p.vid, p.up, p.cfi and p.vlan (null for a VLAN the chip does not hold).
void vlan_ingress(Locked d, Packet& p);
// vlan_egress: the destination port is a member of the frame's VLAN.
bool vlan_egress(Locked d, const Packet& p, uint8_t q);
// vlan_egress_tag: the tags the VLAN's member q sends the frame with (written to tags, at most
// two); their length.
uint32_t vlan_egress_tag(Locked d, const Packet& p, uint8_t q, bool cascade, uint8_t* tags);

}  // namespace chipsim
