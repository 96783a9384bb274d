// Simulation-control commands of the chip model (platform/simctl: queue simctl::kQueueKey).
// A request is big-endian 32-bit words, in the order of its command's usage; ports are the
// front ports (1..16) of this unit. A reply carries the result (1 done, 0 refused) in payload
// byte 0 and, from offset 4, the record of records.h named for its command.
#pragma once

#include <cstdint>

#include "sdk/simproto/records.h"

namespace simproto {

// A command of the channel: its number, the name tools call it by, its usage, and the words
// a request must carry at least (shorter ones are refused before any handler runs).
struct Command {
    uint16_t id;
    const char* name;
    const char* usage;
    uint8_t words;
};

// The chip's ports and the world around them.
constexpr uint16_t kPorts = 1;       // -> List<PortRecord>
constexpr uint16_t kPhyRead = 2;     // -> PhyValue
constexpr uint16_t kPhyWrite = 3;    // -> nothing
constexpr uint16_t kPhyDump = 4;     // -> PhyDump
constexpr uint16_t kPartner = 5;     // PartnerRequest -> nothing
constexpr uint16_t kPhyAnswer = 6;   // -> nothing
constexpr uint16_t kTwsiFail = 7;    // -> nothing
constexpr uint16_t kPartnerGet = 8;  // -> Partner
// A pair of a port's cable: PAIR 0..3 (A..D) or kCableAllPairs; STATE 1 good, 2 open, 3 short,
// 4 shorted to another pair (the SDK's SDK_CABLE_*), 0 back to the power-on cable.
constexpr uint16_t kCable = 9;  // -> nothing
constexpr uint32_t kCableAllPairs = 4;
// VLANs, spanning tree, the sensors.
constexpr uint16_t kVlans = 16;        // -> VlansReply
constexpr uint16_t kVlanPorts = 17;    // -> List<VlanPortRecord>
constexpr uint16_t kStpStates = 18;    // -> List<StpRecord>
constexpr uint16_t kTemperature = 19;  // -> nothing
// Frames through the chip: injection, capture, counters, the address table, the clock.
constexpr uint16_t kInject = 32;         // InjectRequest, frame -> InjectResult [, Trace]
constexpr uint16_t kInjectIpc = 33;      // InjectRequest, offset -> InjectResult [, Trace]
constexpr uint16_t kCaptureStart = 34;   // -> nothing
constexpr uint16_t kCaptureStop = 35;    // -> nothing
constexpr uint16_t kCaptureRead = 36;    // -> CaptureStatus [, CapturedHeader, bytes]
constexpr uint16_t kFrameCounters = 37;  // -> CountersReply
constexpr uint16_t kCountersClear = 38;  // -> nothing
constexpr uint16_t kFdbRead = 39;        // -> FdbReply
constexpr uint16_t kClockAdvance = 40;   // -> nothing
constexpr uint16_t kCpuQueue = 41;       // -> CpuQueueReply
constexpr uint16_t kNetif = 42;          // -> NetifReply
// Front ports bound to host interfaces or to another instance (attach_records.h).
constexpr uint16_t kAttach = 43;       // AttachRequest -> AttachResult
constexpr uint16_t kDetach = 44;       // -> AttachResult
constexpr uint16_t kAttachments = 45;  // -> List<AttachmentRecord>

// Port statistics: the MAC counters.
//
// | cmd | name            | request payload (words)                       | response data       |
// |-----|-----------------|-----------------------------------------------|---------------------|
// | 48  | MAC_COUNTERS    | 0 port                                        | 4 N; 8 N x u64 (by  |
// |     |                 |                                               | counter number)     |
// | 49  | MAC_COUNTER_SET | 0 port, 4 counter number, 8 value high word,  | -                   |
// |     |                 | 12 value low word                             |                     |
// | 50  | CAPTURE_DELAY   | 0 device, 4 polls a counter capture takes     | -                   |
// |     |                 | (0xFFFFFFFF: never completes)                 |                     |
//
// Reading the counters here never clears them. INJECT and INJECT_IPC take the flag
// kInjectBadFcs in their port word: the frame arrives with a bad FCS.
constexpr uint16_t kMacCounters = 48;
constexpr uint16_t kMacCounterSet = 49;
constexpr uint16_t kCaptureDelay = 50;
constexpr uint32_t kInjectBadFcs = 0x40000000;

// Trunks, storm control and mirroring.
constexpr uint16_t kTrunks = 112;  // -> TrunksReply
constexpr uint16_t kStorm = 113;   // -> List<StormRecord>
constexpr uint16_t kMirror = 114;  // -> MirrorReply

// Every command, in number order.
inline constexpr Command kCommands[] = {
    {kPorts, "ports", "", 0},
    {kPhyRead, "phy-read", "PORT KIND(0 c22, 1 c45) PAGE|MMD REG", 4},
    {kPhyWrite, "phy-write", "PORT KIND PAGE|MMD REG VALUE", 5},
    {kPhyDump, "phy-dump", "PORT PAGE", 2},
    {kPartner, "partner", "PORT PRESENT AUTONEG ABILITIES PAUSE ASYM SPEED FULL FIBRE", 9},
    {kPhyAnswer, "phy-answer", "PORT ON", 2},
    {kTwsiFail, "twsi-fail", "BUS ADDR N", 3},
    {kPartnerGet, "partner-get", "PORT", 1},
    {kCable, "cable", "PORT PAIR(0-3, 4 all) STATE(0 none, 1 ok, 2 open, 3 short, 4 cross) METRES",
     4},
    {kVlans, "vlans", "DEVICE FIRST-VID", 2},
    {kVlanPorts, "vlan-ports", "", 0},
    {kStpStates, "stp-states", "GROUP", 1},
    {kTemperature, "temperature", "DEVICE CELSIUS", 2},
    {kInject, "inject", "PORT LENGTH BYTES... (flag 0x80000000 in PORT: trace)", 2},
    {kInjectIpc, "inject-ipc", "PORT LENGTH OFFSET (flag 0x80000000 in PORT: trace)", 3},
    {kCaptureStart, "capture-start", "FRONT-PORT-BITMAP [CPU]", 1},
    {kCaptureStop, "capture-stop", "", 0},
    {kCaptureRead, "capture-read", "[OFFSET]", 0},
    {kFrameCounters, "frame-counters", "", 0},
    {kCountersClear, "counters-clear", "", 0},
    {kFdbRead, "fdb-read", "DEVICE FIRST-SLOT", 2},
    {kClockAdvance, "clock-advance", "SECONDS [MILLISECONDS]", 1},
    {kCpuQueue, "cpu-queue", "DEVICE", 1},
    {kNetif, "netif", "DEVICE", 1},
    {kAttach, "attach", "PORT KIND(1 tap, 2 wire) PEER-INSTANCE PEER-PORT IFNAME NETNS", 4},
    {kDetach, "detach", "PORT", 1},
    {kAttachments, "attachments", "", 0},
    {kMacCounters, "mac-counters", "PORT", 1},
    {kMacCounterSet, "mac-counter-set", "PORT COUNTER HIGH LOW", 4},
    {kCaptureDelay, "capture-delay", "DEVICE POLLS", 2},
    {80, "sfp-insert", "PORT IMAGE-LENGTH BYTES...", 2},
    {81, "sfp-remove", "PORT", 1},
    {82, "sfp-set", "PORT MASK LANE TEMP(mC) SUPPLY(mV) BIAS(uA) TX(mdBm) RX(mdBm)", 3},
    {83, "sfp-fail", "PORT N [ID]", 2},
    {84, "sfp-cages", "", 0},
    {85, "sfp-image", "PORT", 1},
    {96, "poe-attach", "PORT CLASS DRAW(0.1 W, 0: typical)", 2},
    {97, "poe-detach", "PORT", 1},
    {98, "poe-fault", "DEVICE FAULT(0 none, 1 silent, 2 flaky writes)", 2},
    {99, "poe-port", "PORT", 1},
    {kTrunks, "trunks", "DEVICE", 1},
    {kStorm, "storm", "", 0},
    {kMirror, "mirror", "DEVICE", 1},
};

// The command of a number; nullptr for none.
inline const Command* find_command(uint16_t id) {
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace simproto

// The chip model and older callers name the protocol chipsim::simcmd.
namespace chipsim {
namespace simcmd = ::simproto;
}  // namespace chipsim
