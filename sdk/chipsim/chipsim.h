// chipsim: the behavioural model of the switching chip and the board behind the sdk*
// operations. Its state is process-global, like the hardware it stands for; this header is
// how tests, the simulation-control channel and tools build it, look into it and act on
// the world around it (link partners, silent PHYs, failing bus devices, injected faults).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/board/board.h"
#include "sdk/chipsim/capture.h"
#include "sdk/chipsim/misc.h"
#include "sdk/chipsim/stp.h"
#include "sdk/chipsim/traps.h"
#include "sdk/chipsim/vlan.h"
#include "sdk/sdk_fdb.h"
#include "sdk/sdk_port.h"
#include "sdk/sdk_types.h"

namespace chipsim {

// Abilities of a link partner.
constexpr uint32_t kAb10Half = 0x01;
constexpr uint32_t kAb10Full = 0x02;
constexpr uint32_t kAb100Half = 0x04;
constexpr uint32_t kAb100Full = 0x08;
constexpr uint32_t kAb1000Half = 0x10;
constexpr uint32_t kAb1000Full = 0x20;
constexpr uint32_t kAb10000Full = 0x40;
constexpr uint32_t kAbAll = 0x7F;

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
};

// An address-update message queued for the CPU (types as SDK_FDB_AU_*).
constexpr uint32_t kAuNewAddress = 0;
constexpr uint32_t kAuAgedTransplanted = 1;
constexpr uint32_t kAuTransplanted = 2;
struct AuMessage {
    uint32_t type;
    uint8_t hw_dev_num;  // the hardware device number the message carries
    uint8_t port;
    SDK_MAC_ENTRY_EXT entry{};  // the address and where it is
    bool found = false;         // the table held it when the message was sent
    uint32_t index = 0;         // its slot, when found
};

struct DevMapEntry {
    uint32_t link_num = 0;
    uint32_t link_type = 0;
    bool hash = false;
};

// ---- Building the model ----------------------------------------------------------------
// A fresh, powered-on but not yet initialised model of the board (sdkSystemInit brings it
// up). The board also becomes the platform's current board, so the stack-topology service
// and the hardware configuration describe the same hardware.
void reset(const board::Description& board);
// The same for the platform's current board.
void reset();
bool initialised();

// ---- Inspection (snapshots; false / zero for what does not exist) ---------------------
bool port_state(uint8_t dev, uint8_t port, PortState* out);
LinkState link(uint8_t dev, uint8_t port);
uint8_t hw_dev_num(uint8_t dev);
bool aa_ta_to_cpu(uint8_t dev);
bool netif_up(uint8_t dev);
uint32_t token_bucket_mtu(uint8_t dev);
uint32_t auto_media_select(uint8_t dev, uint8_t port);
uint32_t hw_reg(uint8_t dev, uint32_t addr);
DevMapEntry dev_map(uint8_t dev, uint8_t target);
std::vector<AuMessage> au_messages(uint8_t dev);
uint32_t board_param(const std::string& name);
bool phase2_netif_option();

// The PHY wired to a port, read without side effects. page is ignored by PHYs without
// pages. false when the port has no PHY.
bool phy_reg(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t* value);
bool phy_c45_reg(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t* value);
// The current page-register value and the PHY's internal memory written through page 0xFF.
uint16_t phy_page(uint8_t dev, uint8_t port);
std::map<uint16_t, uint16_t> phy_internal(uint8_t dev, uint8_t port);
uint16_t phy_class(uint8_t dev, uint8_t port);

// Two-wire devices and board registers.
bool twsi_byte(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t* value);
uint8_t mux_channels(uint8_t bus, uint8_t addr);
bool board_reg(uint32_t addr, uint8_t* value);

// Bridge state of a device (vlan.h, stp.h, traps.h, misc.h): copies, or the power-on state
// for a device the model does not have.
Vlans vlans(uint8_t dev);
VlanEntry vlan_entry(uint8_t dev, uint16_t vid);
VlanPort vlan_port(uint8_t dev, uint8_t port);
Stp stp(uint8_t dev);
Traps traps(uint8_t dev);
Misc misc(uint8_t dev);

// ---- The simulated world ----------------------------------------------------------------
bool set_partner(uint8_t dev, uint8_t port, const Partner& partner);
bool set_address_traffic(uint8_t dev, uint8_t port, bool on);
// A PHY that stops answering on the management bus (reads give 0xFFFF, writes are lost).
bool set_phy_answering(uint8_t dev, uint8_t port, bool answering);
// Reads of the fibre status after forcing a combo port to fibre before it reports the
// fibre link mode (0xFFFFFFFF: never).
bool set_phy_settle_reads(uint8_t dev, uint8_t port, uint32_t reads);
// Writes a PHY register with the register's own behaviour (self-clearing bits ...),
// without moving the page register.
bool phy_write(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t value);
bool phy_c45_write(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t value);
// The temperature the device's sensor reads.
bool set_temperature(uint8_t dev, int32_t celsius);
// The next n transfers with a two-wire device fail.
bool twsi_fail_next(uint8_t bus, uint8_t addr, uint32_t n);
// Changes a byte of a two-wire device or a board register (the board's other side).
bool twsi_poke(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t value);

// ---- Frames through the chip (pipeline.h) ------------------------------------------------
// A copy of a frame that left the chip.
struct FrameCopy {
    uint8_t dev = 0;
    uint8_t port = 0;
    std::vector<uint8_t> bytes;
};
// What the chip did with a frame.
struct Injected {
    bool ok = false;          // the port exists (false: nothing happened)
    Drop drop = Drop::kNone;  // why it went nowhere
    uint16_t vid = 0;         // the VLAN it was classified to
    bool flooded = false;
    bool learned = false;  // its source address is in the table for its port
    bool to_cpu = false;
    uint32_t cpu_code = 0;
    std::vector<FrameCopy> sent;  // in the order the ports sent them
};
// A frame (without its FCS) enters device port `port`.
Injected inject(uint8_t dev, uint8_t port, const std::vector<uint8_t>& frame);
PortCounters port_counters(uint8_t dev, uint8_t port);
void clear_frame_counters(uint8_t dev);
// The frames waiting for the CPU, oldest first; take_cpu_frame removes the oldest.
std::vector<CpuFrame> cpu_frames(uint8_t dev);
bool take_cpu_frame(uint8_t dev, CpuFrame* out);
// Captures the copies the ports of the bitmap (bit p: device port p, bit 63: frames to the
// CPU) send from now on; an empty bitmap stops capturing. Starting empties the buffer.
void capture_ports(uint8_t dev, uint64_t ports);
uint64_t capture_ports(uint8_t dev);
// Takes the oldest captured frame of the device; false when there is none.
bool take_captured(uint8_t dev, CapturedFrame* out);
// Frames the capture buffer had no room for since the capture started.
uint64_t capture_lost(uint8_t dev);

// ---- The address table (fdb.h) -----------------------------------------------------------
// Live entries, and the events of its learning and messages.
struct FdbStats {
    uint32_t entries = 0;
    uint32_t learn_full = 0;  // addresses not learned: their bucket was full
    uint32_t au_lost = 0;     // address-update messages lost to a full queue
    uint32_t breach_lost = 0;
};
FdbStats fdb_stats(uint8_t dev);
// While stalled, a triggered action does not finish (sdkBrgFdbTrigActionStatusGet says so);
// it runs when the stall ends.
void set_fdb_action_stall(uint8_t dev, bool stall);
// Moves the model's clock forward: ageing that falls due runs at the next look at the table.
void advance_clock(uint32_t seconds);

// ---- Fault injection ---------------------------------------------------------------------
// Operation `op` (an sdk* name) returns rc for `count` calls after letting `skip` pass.
void fail(const std::string& op, SDK_STATUS rc, uint32_t count = 1, uint32_t skip = 0);
void clear_faults();

// ---- Board wiring -------------------------------------------------------------------------
// The device port a front port of this unit is wired to.
bool front_port(uint32_t front, uint8_t* dev, uint8_t* port);

}  // namespace chipsim
