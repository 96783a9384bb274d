// The chip model's ports: their configuration, the link partner at the other end of the
// cable, and the link resolved against it. A port's state is Device::ports (core/model.h),
// guarded by the device's lock; sdk_port.cpp holds the port operations, link.cpp the link.
#pragma once

#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_port.h"
#include "sdk/simproto/records.h"

namespace chipsim {

// Abilities of a link partner (the protocol's bits: tools set them over simulation control).
using simproto::kAb10000Full;
using simproto::kAb1000Full;
using simproto::kAb1000Half;
using simproto::kAb100Full;
using simproto::kAb100Half;
using simproto::kAb10Full;
using simproto::kAb10Half;
using simproto::kAbAll;

// What is at the other end of a port's cable.
struct Partner {
    bool present = true;
    bool autoneg = true;
    uint32_t abilities = kAbAll;
    bool pause = true;
    bool asym_pause = false;
    uint32_t forced_speed = SDK_PORT_SPEED_1000;  // without auto-negotiation
    bool forced_full = true;
    bool fibre = false;  // on a combo port: plugged into the SFP cage, not the copper jack
};

// A port's link as resolved against its partner.
struct LinkState {
    bool up = false;
    uint32_t speed = SDK_PORT_SPEED_NA;
    uint32_t duplex = SDK_PORT_FULL_DUPLEX;
    bool pause = false;
    bool fibre = false;
};

// The configuration and surroundings of a chip port.
struct PortState {
    bool enabled = true;
    uint32_t speed = 0;
    uint32_t duplex = 0;
    bool speed_an = true;
    bool duplex_an = true;
    bool fc_an = true;
    bool pause_adv = true;
    bool flow_control = false;
    bool back_pressure = false;
    uint32_t mru = 1522;
    uint32_t if_mode = 0;
    bool serdes_up = true;
    uint32_t serdes_lanes = 0xF;
    bool force_link_down = false;
    bool oversize_filter = false;
    bool na_to_cpu = false;
    uint32_t cscd_type = 2;
    uint8_t smi_interface = 0;
    uint8_t phy_addr = 0;
    bool smi_polling = true;
    Partner partner;
    bool address_traffic = false;  // new source addresses keep arriving on the port
    LinkState polled;              // the link the MAC last polled (kept while polling is off)
};

struct Port;

// The link a port's PHY (or, without one, its SERDES or MAC) has with its partner.
LinkState phy_link(Locked d, Port& p);
// The port's link as the MAC sees it: the PHY's link while the MAC polls the PHY (on the
// media its auto-media-select lets it look at), the link last polled while polling is off.
LinkState resolve_link(Locked d, Port& p);

struct Packet;

// The port passes frames: enabled, and its link up or looped back inside the chip. The answer
// is cached until the model changes (changes: the model's change count now).
bool port_up(Locked d, Port& p, uint64_t changes);

// Stage port_ingress: counts the frame received; drops it when the port does not take frames
// in, for a runt, an over-long frame or a cut tag, and when it is over the port's MRU; pads
// a short frame; reads its outer tag. Sets p.data, p.len and p.l2; false when dropped.
bool port_ingress(Locked d, Packet& p, const uint8_t* data, uint32_t len);
// Egress: the destination port passes frames; counted as an egress drop when it does not.
bool port_egress_up(Locked d, const Packet& p, Port& port);

// ---- Inspection and the simulated world (false / zero for what does not exist) ----------
bool port_state(uint8_t dev, uint8_t port, PortState* out);
LinkState link(uint8_t dev, uint8_t port);
uint32_t auto_media_select(uint8_t dev, uint8_t port);
bool set_partner(uint8_t dev, uint8_t port, const Partner& partner);
bool set_address_traffic(uint8_t dev, uint8_t port, bool on);
// The device port a front port of this unit is wired to.
bool front_port(uint32_t front, uint8_t* dev, uint8_t* port);

// Registers the simulation-control commands of the ports and their partners.
void register_port_simctl();

}  // namespace chipsim
