// The board description: what the virtual switch is built of. The platform's stack-topology
// service (STKTPLG), system information (UC_MGR) and hardware configuration answer from it,
// and the chip model builds its devices, ports and PHYs from it. One default board is
// compiled in; others are read from board files (DRIVER_PROC_BOARD names one).
//
// Board file format. Plain text, one statement a line; '#' starts a comment. A statement is
// a keyword followed by NAME=VALUE fields, separated by blanks. Numbers are decimal or 0x
// hex. Statements describe the unit named by the last `unit` line (a board describes this
// unit only; `unit` must come before the statements of its hardware).
//
//   board   name=TEXT
//   system  mac=00:12:cf:00:00:01 serial=TEXT start=N boot_reason=N     (all optional)
//   unit    id=N board_id=N [module=N] [master=N]
//   device  id=N hwdevnum=N family=N [revision=N] ports=LIST [serdes=0|1]
//           [polling=0|1] [core_clock=MHZ] [trunk_remap=0|1]
//             LIST: device ports 0..25 as "0-13,24,25"
//   cascade device=N port=N [type=0|1]        a port tagged for the internal link
//   stacking which=1|2 device=N port=N        the unit's two stacking (fabric) ports
//   cpu     device=N                          the device whose CPU port is enabled
//   port    n=FRONT device=N devport=N [phy_id=N] [kind=N] type=fe|ge|xg
//           if=mii|gmii|rgmii|sgmii|qsgmii|1000basex|100basefx|xgmii|kr
//           [phy=CLASS rev=N smi=N addr=N]    the external PHY (CLASS 0x10 is clause 45)
//           [combo=0|1]
//   sfp     port=FRONT index=N [tx=METHOD ...]
//             METHOD twsi:   dev=ADDR offset=N mask=N disable=N [len=N]
//             METHOD mux:    mux=ADDR channel=N dev=ADDR offset=N mask=N disable=N
//             METHOD bus:    bus=N dev=ADDR offset=N mask=N disable=N [len=N]
//             METHOD mem:    addr=N mask=N disable=N
//             METHOD none, or METHOD=N for a raw access-method number
//   cage    port=FRONT present=ADDR mask=N shift=N bus=N
//                                             the SFP cage's module-present bit (a board
//                                             register, active low) and the two-wire bus of
//                                             the module's EEPROM (addresses 0x50 and 0x51)
//   twsi    bus=N addr=ADDR [size=N] [mux=ADDR channel=N] [init=OFFSET:BYTE,...]
//   mux     bus=N addr=ADDR                   a two-wire multiplexer (one channel byte)
//   reg     addr=N value=N                    a memory-mapped board register (one byte)
//   partner port=FRONT present=0|1 [medium=copper|fibre]
//   poe     bus=N count=N ports=N addr=ADDR[,ADDR...] [budget=WATTS]
//             the PoE controllers on a two-wire bus: count devices (1..8) of ports channels
//             each (1..24, at most 96 in all); one address for each device, or one address
//             for the first of consecutive ones; budget is each device's power budget
//             (default 60 W)
//
// Front ports are numbered 1..16 and must map to distinct device ports of declared devices.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace board {

constexpr int kMaxPortsPerUnit = 16;
constexpr int kDevicePorts = 26;  // device ports 0..25
constexpr int kMaxDevices = 16;
constexpr uint8_t kInvalid = 0xFF;

// One entry of the port mapping table: which chip serves a front port.
struct PortMapEntry {
    uint8_t module_id = kInvalid;
    uint8_t device_id = kInvalid;
    uint8_t phy_port = kInvalid;
    uint8_t phy_id = 0;
    uint8_t port_kind = 0;
};

// Chip port types (as the chip SDK reports them).
constexpr uint8_t kPortTypeFe = 1;  // 10/100
constexpr uint8_t kPortTypeGe = 2;  // 10/100/1000
constexpr uint8_t kPortTypeXg = 3;  // 1000/10000

// Interface modes between the chip port and its PHY or transceiver (chip SDK values).
constexpr uint8_t kIfMii = 0;
constexpr uint8_t kIfGmii = 1;
constexpr uint8_t kIfRgmii = 2;
constexpr uint8_t kIfSgmii = 3;
constexpr uint8_t kIfXgmii = 4;
constexpr uint8_t kIfQsgmii = 5;
constexpr uint8_t kIf1000BaseX = 6;
constexpr uint8_t kIfKr = 8;
constexpr uint8_t kIf100BaseFx = 12;

// SFP transmitter-disable access methods.
constexpr uint8_t kSfpTxTwsi = 0;    // the chip's two-wire bus
constexpr uint8_t kSfpTxMux = 1;     // the chip's two-wire bus, behind a multiplexer
constexpr uint8_t kSfpTxMemory = 2;  // a memory-mapped board register
constexpr uint8_t kSfpTxNone = 3;    // not controllable
constexpr uint8_t kSfpTxBus = 4;     // a two-wire bus of the CPU, by bus index

// The external PHY of a port. cls is the identifier class (register 3 AND 0x3F0), 0 for none;
// class 0x10 is the clause-45 10 Gb/s PHY.
struct Phy {
    uint16_t cls = 0;
    uint8_t revision = 0;
    uint8_t smi_interface = 0;  // the chip's management interface the PHY sits on
    uint8_t address = 0;
};

// Where a port's SFP transmitter-disable bit is.
struct SfpTx {
    uint8_t method = kSfpTxNone;
    uint8_t data_len = 1;
    uint8_t bus = 0;
    uint8_t mux_addr = 0;
    uint8_t mux_channel = 0;
    uint8_t dev_addr = 0;
    uint32_t offset = 0;  // register of the two-wire device, or the memory address
    uint8_t mask = 0;
    uint8_t disable_value = 0;
};

struct Port {
    uint32_t front = 0;  // 1..16
    uint8_t device = 0;
    uint8_t dev_port = 0;
    uint8_t phy_id = 0;
    uint8_t kind = 6;
    uint8_t type = kPortTypeGe;
    uint8_t if_mode = kIfGmii;
    Phy phy;
    bool combo = false;  // copper and fibre media behind one PHY
    bool sfp = false;    // has an SFP cage
    uint32_t sfp_index = 0;
    bool sfp_tx = false;  // the SFP transmitter-disable bit is described
    SfpTx tx;
    // The transceiver cage (a `cage` line): its module-present input and EEPROM bus.
    bool cage = false;
    uint32_t present_addr = 0;
    uint8_t present_mask = 0;
    uint8_t present_shift = 0;
    uint8_t eeprom_bus = 0;
    bool partner = true;  // a link partner is attached at power-on
    bool partner_fibre = false;
};

struct CascadePort {
    uint8_t port = 0;
    uint8_t type = 0;  // 0 or 1: cascade-tagged
};

struct Device {
    uint8_t id = 0;
    uint8_t hw_dev_num = 0;
    uint8_t family = 12;
    uint8_t revision = 0;
    uint32_t existing_ports = 0;  // bit p: device port p exists
    bool serdes = true;           // the chip controls SERDES power
    bool phy_polling = true;      // the chip polls its PHYs
    uint32_t core_clock = 200;    // MHz
    bool trunk_remap = false;     // the chip refuses low trunk ids (the driver remaps them)
    uint32_t fdb_size = 16384;    // slots of the MAC address table: a power of two, 4K..64K
    std::vector<CascadePort> cascade;
};

struct DevPort {
    uint8_t device = kInvalid;
    uint8_t port = kInvalid;
};

struct TwsiDevice {
    uint8_t bus = 0;
    uint8_t addr = 0;
    uint32_t size = 256;
    bool mux = false;    // a multiplexer: one byte selects its channels
    uint8_t behind = 0;  // address of the multiplexer it sits behind, 0 for none
    uint8_t channel = 0;
    std::vector<std::pair<uint32_t, uint8_t>> init;  // power-on bytes
};

// The PoE controllers: logical PoE port n is channel n - (ports of the devices before) of the
// device it falls in.
struct PoeControllers {
    uint8_t bus = 0;
    uint8_t ports_per_device = 0;
    uint16_t budget_watts = 60;
    std::vector<uint8_t> addrs;  // one per device, device index order; empty: no PoE
};

// A front port the switch comes up bound to: a TAP interface (`tap`) or a port of another
// instance (`wire`).
struct PortAttach {
    uint32_t front = 0;
    bool wire = false;
    std::string ifname, netns;  // a TAP's (empty: the default name; the daemon's namespace)
    uint32_t peer_instance = 0, peer_port = 0;
};

struct BoardReg {
    uint32_t addr = 0;
    uint8_t value = 0;
};

struct Unit {
    uint32_t unit_id = 1;
    uint32_t board_id = 0;
    uint32_t num_ports = kMaxPortsPerUnit;  // front ports 1..num_ports
    std::array<PortMapEntry, kMaxPortsPerUnit> port_map{};
    // The hardware.
    std::vector<Device> devices;
    std::vector<Port> ports;            // ordered by front port
    std::array<DevPort, 2> stacking{};  // stacking (fabric) ports 1 and 2
    uint8_t cpu_device = 0;
    std::vector<TwsiDevice> twsi;
    std::vector<BoardReg> regs;
    PoeControllers poe;
    std::vector<PortAttach> attach;

    const Port* port(uint32_t front) const;
    const Port* port_at(uint8_t device, uint8_t dev_port) const;
    const Device* device(uint8_t id) const;
};

struct Description {
    std::string name;
    uint32_t my_unit = 1;
    uint32_t master_unit = 1;
    uint32_t my_module_id = 0;
    std::vector<Unit> units;  // units[i] is unit i+1
    // System information record (UC_MGR).
    uint32_t start_address = 0;
    uint32_t boot_reason_address = 0;
    std::array<uint8_t, 6> mac_address{};
    std::string serial_number;

    const Unit* unit(uint32_t id) const {
        return (id >= 1 && id <= units.size()) ? &units[id - 1] : nullptr;
    }
    const Unit& my() const { return units.at(my_unit - 1); }
};

// The board this process runs on. The first call loads it (the file named by
// DRIVER_PROC_BOARD, else the default board; a file that cannot be read or parsed is
// reported on the console and the default board is used).
const Description& current();
// Replaces the current board (tests; the loader).
void set_current(const Description& d);
// The compiled-in default board.
Description default_board();
// The text the default board is parsed from (a board file's contents).
const char* default_board_text();

// Parses a board file's text. False with *error ("line N: reason") when it is not valid.
bool parse(const std::string& text, Description* out, std::string* error);
// Reads and parses a board file.
bool load_file(const std::string& path, Description* out, std::string* error);

}  // namespace board
