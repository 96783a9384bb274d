// The records of the simulation-control replies, each with its fields in wire order (see
// codec.h). The daemon's handlers fill them and encode; drvctl and the tests decode them.
// Every reply starts, after the result word, with the record named for its command.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/simproto/codec.h"

namespace simproto {

// A device port without a front-panel number, where records carry a front port (0 is the
// CPU port).
constexpr uint8_t kNoFrontPort = 0xFF;

// Abilities a link partner advertises (Partner::abilities, PortRecord::partner_abilities).
constexpr uint32_t kAb10Half = 0x01;
constexpr uint32_t kAb10Full = 0x02;
constexpr uint32_t kAb100Half = 0x04;
constexpr uint32_t kAb100Full = 0x08;
constexpr uint32_t kAb1000Half = 0x10;
constexpr uint32_t kAb1000Full = 0x20;
constexpr uint32_t kAb10000Full = 0x40;
constexpr uint32_t kAbAll = 0x7F;

// PortRecord::flags.
constexpr uint32_t kPortFlagAdmin = 0x0001;
constexpr uint32_t kPortFlagLink = 0x0002;
constexpr uint32_t kPortFlagSpeedAn = 0x0004;
constexpr uint32_t kPortFlagDuplexAn = 0x0008;
constexpr uint32_t kPortFlagFcAn = 0x0010;
constexpr uint32_t kPortFlagFlowControl = 0x0020;
constexpr uint32_t kPortFlagBackPressure = 0x0040;
constexpr uint32_t kPortFlagOversizeFilter = 0x0080;
constexpr uint32_t kPortFlagPhyDown = 0x0100;
constexpr uint32_t kPortFlagPartner = 0x0200;
constexpr uint32_t kPortFlagLinkPause = 0x0400;
constexpr uint32_t kPortFlagLinkFibre = 0x0800;
constexpr uint32_t kPortFlagSfpTxOff = 0x1000;
constexpr uint32_t kPortFlagSerdesUp = 0x2000;
constexpr uint32_t kPortFlagPolling = 0x4000;
constexpr uint32_t kPortFlagPhySilent = 0x8000;
constexpr uint32_t kPortFlagPartnerAutoneg = 0x10000;

// One front port of this unit (PORTS). Speeds and duplexes are SDK codes.
struct PortRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint8_t type = 0;                         // SDK port type
    uint32_t flags = 0;                       // kPortFlag*
    uint8_t speed = 0, duplex = 0;            // configured
    uint8_t link_speed = 0, link_duplex = 0;  // operational
    uint16_t mru = 0;
    uint16_t phy_class = 0;          // 0: no PHY
    uint8_t if_mode = 0;             // interface mode
    uint8_t partner_speed = 0;       // the partner's forced speed
    uint8_t partner_full = 0;        // its forced duplex (1 full)
    uint32_t partner_abilities = 0;  // kAb*
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, s.type, s.flags, s.speed, s.duplex, s.link_speed,
                    s.link_duplex, s.mru, s.phy_class, s.if_mode, s.partner_speed, s.partner_full,
                    Zero<1>{}, s.partner_abilities)
};

// A list of records: its count, then the records.
template <typename T>
struct List {
    uint32_t count = 0;
    std::vector<T> items;
    void add(const T& r) {
        items.push_back(r);
        count = static_cast<uint32_t>(items.size());
    }
    SIMPROTO_FIELDS(s.count, counted(s.items, s.count))
};

// A port's link partner (PARTNER_GET; PARTNER sets it after the port word).
struct Partner {
    uint32_t present = 0, autoneg = 0;
    uint32_t abilities = 0;  // kAb*
    uint32_t pause = 0, asym_pause = 0;
    uint32_t forced_speed = 0;  // SDK code
    uint32_t forced_full = 0;
    uint32_t fibre = 0;
    SIMPROTO_FIELDS(s.present, s.autoneg, s.abilities, s.pause, s.asym_pause, s.forced_speed,
                    s.forced_full, s.fibre)
};
struct PartnerRequest {
    uint32_t port = 0;
    Partner partner;
    SIMPROTO_FIELDS(s.port, s.partner)
};

// PHY_READ.
struct PhyValue {
    uint32_t value = 0;
    SIMPROTO_FIELDS(s.value)
};
// PHY_DUMP: the PHY's class and the 32 registers of the page asked.
struct PhyDump {
    uint32_t phy_class = 0;
    std::array<uint16_t, 32> regs{};
    SIMPROTO_FIELDS(s.phy_class, s.regs)
};

// A valid entry of a device's VLAN table (VLANS). Port sets are two words: bit p%32 of word
// p/32 (the CPU port 63 is bit 31 of the second).
struct VlanRecord {
    uint16_t vid = 0;
    uint8_t stp_group = 0;
    uint8_t mru_profile = 0;
    std::array<uint32_t, 2> members{};
    std::array<uint32_t, 2> tagged{};
    uint64_t member_bits() const { return members[0] | uint64_t{members[1]} << 32; }
    uint64_t tagged_bits() const { return tagged[0] | uint64_t{tagged[1]} << 32; }
    SIMPROTO_FIELDS(s.vid, s.stp_group, s.mru_profile, s.members, s.tagged)
};
// VLANS: the entries from the first VLAN id asked; next is the VLAN id to ask next (0: no
// more).
struct VlansReply {
    uint32_t count = 0;
    uint32_t next = 0;
    std::vector<VlanRecord> items;
    SIMPROTO_FIELDS(s.count, s.next, counted(s.items, s.count))
};

constexpr uint8_t kVlanPortFlagIngressFilter = 0x01;
constexpr uint8_t kVlanPortFlagTunnelAccess = 0x02;
constexpr uint8_t kVlanPortFlagCopyInnerUp = 0x04;
// A front port's VLAN settings (VLAN_PORTS).
struct VlanPortRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint8_t accept = 0;  // acceptable frame types (SDK_VLAN_ACCEPT_*)
    uint16_t pvid = 0;
    uint16_t tpid = 0;
    uint8_t flags = 0;  // kVlanPortFlag*
    uint8_t default_up = 0;
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, s.accept, s.pvid, s.tpid, s.flags, s.default_up,
                    Zero<2>{})
};

// A front port's state in a spanning-tree group (STP_STATES): 0 disabled, 1 blocking,
// 2 learning, 3 forwarding.
struct StpRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint8_t state = 0;
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, s.state)
};

// INJECT and INJECT_IPC: the port word may carry kInjectTrace; INJECT's frame bytes follow
// the length, INJECT_IPC gives their offset in the shared IPC memory pool.
constexpr uint32_t kInjectTrace = 0x80000000;
struct InjectRequest {
    uint32_t port = 0;
    uint32_t length = 0;
    SIMPROTO_FIELDS(s.port, s.length)
};

constexpr uint32_t kInjectFlagFlooded = 1;
constexpr uint32_t kInjectFlagLearned = 2;
constexpr uint32_t kInjectFlagToCpu = 4;
// What the chip did with an injected frame: the drop reason (Drop, kNone when it went
// somewhere), the VLAN, kInjectFlag*, the CPU code, and the front ports it left by (in the
// order they sent it).
struct InjectResult {
    uint32_t drop = 0;
    uint32_t vid = 0;
    uint32_t flags = 0;
    uint32_t cpu_code = 0;
    uint32_t count = 0;
    std::vector<uint8_t> ports;
    SIMPROTO_FIELDS(s.drop, s.vid, s.flags, s.cpu_code, s.count, counted(s.ports, s.count))
};

// The command of the pipeline after a stage, as the stages combine them.
enum class Verdict : uint8_t { kForward, kMirror, kTrap, kSoftDrop, kHardDrop };
inline const char* verdict_name(uint8_t v) {
    static const char* const kNames[] = {"forward", "mirror", "trap", "soft-drop", "hard-drop"};
    return v < 5 ? kNames[v] : "?";
}

// A port a traced frame is bound for: the device port and its front port.
struct TracePort {
    uint8_t dev_port = 0;
    uint8_t front = 0;
    SIMPROTO_FIELDS(s.dev_port, s.front)
};
// One stage's decision about a traced frame: where (device, the port it looked at), the
// combined command after it, the drop reason and CPU code it carries, the ports it is bound
// for, and what else the stage noted.
struct TraceEvent {
    uint8_t dev = 0;
    uint8_t port = 0;
    uint8_t front = 0;
    uint8_t verdict = 0;  // Verdict
    uint8_t reason = 0;   // Drop
    uint8_t nports = 0;
    uint32_t cpu_code = 0;
    std::vector<TracePort> ports;
    std::string stage;
    std::string note;
    SIMPROTO_FIELDS(s.dev, s.port, s.front, s.verdict, s.reason, s.nports, Zero<2>{}, s.cpu_code,
                    counted(s.ports, s.nports), s.stage, s.note)
};
// After a traced injection's result: how many stages decided (total) and those that fit the
// reply.
struct Trace {
    uint32_t total = 0;
    uint32_t count = 0;
    std::vector<TraceEvent> events;
    SIMPROTO_FIELDS(s.total, s.count, counted(s.events, s.count))
};

// CAPTURE_READ: frames waiting (0: none, nothing follows); then the header of the oldest and
// its bytes from the offset asked, to the end of the reply. The frame is removed once a read
// reaches its end.
struct CaptureStatus {
    uint32_t waiting = 0;
    SIMPROTO_FIELDS(s.waiting)
};
struct CapturedHeader {
    uint32_t front = 0;  // 0: a frame to the CPU, kNoFrontPort: a port without a number
    uint32_t seconds = 0, nanoseconds = 0;  // real time
    uint32_t length = 0;                    // of the whole frame
    SIMPROTO_FIELDS(s.front, s.seconds, s.nanoseconds, s.length, Zero<4>{})
};
// Where the captured bytes start in a CAPTURE_READ reply's data.
constexpr uint32_t kCaptureHeader = encoded_size(CaptureStatus{}) + encoded_size(CapturedHeader{});

// A port's frame counters (FRAME_COUNTERS), one per port of every device and each device's
// CPU port; drops by reason (Drop), as many as the reply's header says.
struct CounterRecord {
    uint8_t front = 0, device = 0, dev_port = 0;
    uint64_t rx_frames = 0, rx_bytes = 0, tx_frames = 0, tx_bytes = 0;
    uint64_t to_cpu = 0, captured = 0;
    std::vector<uint64_t> drops;
    SIMPROTO_FIELDS(s.front, s.device, s.dev_port, Zero<1>{}, s.rx_frames, s.rx_bytes, s.tx_frames,
                    s.tx_bytes, s.to_cpu, s.captured, s.drops)
};
constexpr uint32_t kCounterRecordHeader = encoded_size(CounterRecord{});  // before the drops
struct CountersReply {
    uint32_t count = 0;
    uint32_t reasons = 0;
    std::vector<CounterRecord> items;
};
inline void encode(const CountersReply& r, Bytes* out) {
    Encoder e(out);
    e(r.count, r.reasons);
    for (const CounterRecord& c : r.items)
        encode(c, out);
}
inline bool decode(Decoder& d, CountersReply* r) {
    d(r->count, r->reasons);
    if (!d.ok() || r->count > d.left() || r->reasons > d.left()) return false;
    r->items.resize(r->count);
    for (CounterRecord& c : r->items) {
        c.drops.resize(r->reasons);
        if (!decode(d, &c)) return false;
    }
    return true;
}

constexpr uint8_t kFdbFlagStatic = 1;
constexpr uint8_t kFdbFlagSeen = 2;  // seen since the last ageing pass
// A live address-table entry (FDB_READ). The key is the MAC (then two zero bytes) or, for IP
// multicast entries, the source and the group.
struct FdbRecord {
    uint32_t slot = 0;
    std::array<uint8_t, 8> key{};
    uint16_t vid = 0;
    uint8_t key_type = 0;  // SDK_MAC_ENTRY_KEY_*
    uint8_t flags = 0;     // kFdbFlag*
    uint8_t if_type = 0;   // SDK_INTERFACE_*
    uint8_t dev = 0, port = 0;
    uint8_t front = 0;    // kNoFrontPort: none
    uint16_t target = 0;  // trunk, VIDX or VLAN
    uint8_t da_cmd = 0, sa_cmd = 0;
    SIMPROTO_FIELDS(s.slot, s.key, s.vid, s.key_type, s.flags, s.if_type, s.dev, s.port, s.front,
                    s.target, s.da_cmd, s.sa_cmd)
};
// FDB_READ: the slot to ask next (kFdbEnd: none), then the entries.
constexpr uint32_t kFdbEnd = 0xFFFFFFFF;
struct FdbReply {
    uint32_t next = kFdbEnd;
    uint32_t count = 0;
    std::vector<FdbRecord> items;
    SIMPROTO_FIELDS(s.next, s.count, counted(s.items, s.count))
};

constexpr uint8_t kCpuFrameMirrored = 1;
constexpr uint8_t kCpuFrameTagged = 2;  // came in tagged
// A frame waiting for the CPU (CPU_QUEUE), the oldest first.
struct CpuFrameRecord {
    uint8_t front = 0;  // the port it came in on (kNoFrontPort: none)
    uint8_t device = 0;
    uint8_t flags = 0;  // kCpuFrame*
    uint8_t tc = 0;     // the CPU queue it waits in
    uint16_t vid = 0;
    uint32_t cpu_code = 0;
    uint32_t length = 0;
    SIMPROTO_FIELDS(s.front, s.device, s.flags, s.tc, s.vid, Zero<2>{}, s.cpu_code, s.length)
};
// CPU_QUEUE: the frames waiting, then the records of those that fit.
struct CpuQueueReply {
    uint32_t waiting = 0;
    uint32_t count = 0;
    std::vector<CpuFrameRecord> items;
    SIMPROTO_FIELDS(s.waiting, s.count, counted(s.items, s.count))
};

// NETIF: a device's CPU network interface, its receive DMA buffers and the packets through it.
struct NetifReply {
    uint32_t up = 0;
    uint32_t buffers = 0;
    uint32_t free_buffers = 0;
    uint32_t ready = 0;        // filled, not yet handed to the CPU
    uint32_t held_by_cpu = 0;  // buffers the CPU holds
    uint32_t waiting = 0;      // frames in the CPU queue waiting for buffers
    uint64_t rx_packets = 0;
    uint64_t rx_bufs_freed = 0;
    uint64_t tx_packets = 0;
    SIMPROTO_FIELDS(s.up, s.buffers, s.free_buffers, s.ready, s.held_by_cpu, s.waiting,
                    s.rx_packets, s.rx_bufs_freed, s.tx_packets)
};

// Fixed record sizes, for the replies that fill a message with as many as fit.
constexpr uint32_t kPortRecordSize = encoded_size(PortRecord{});
constexpr uint32_t kVlanRecordSize = encoded_size(VlanRecord{});
constexpr uint32_t kVlanPortRecordSize = encoded_size(VlanPortRecord{});
constexpr uint32_t kFdbRecordSize = encoded_size(FdbRecord{});
constexpr uint32_t kCpuRecordSize = encoded_size(CpuFrameRecord{});
static_assert(kPortRecordSize == 24 && kVlanRecordSize == 20 && kVlanPortRecordSize == 12 &&
              kFdbRecordSize == 24 && kCpuRecordSize == 16 && kCaptureHeader == 24);

}  // namespace simproto

#include "sdk/simproto/records_l2feat.h"  // trunks, storm control, mirroring
