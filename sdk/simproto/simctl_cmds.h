// Simulation-control commands of the chip model (platform/simctl: queue simctl::kQueueKey).
// Every field is big-endian; ports are the front ports (1..16) of this unit. A response
// carries the result (1 done, 0 refused) in payload byte 0 and its data from offset 4.
//
// | cmd | name         | request payload (words)                          | response data         |
// |-----|--------------|--------------------------------------------------|-----------------------|
// |  1  | PORTS        | -                                                | 4: count N; 8: N port |
// |     |              |                                                  | records (below)       |
// |  2  | PHY_READ     | 0 port, 4 kind (0 clause 22, 1 clause 45),       | 4: value              |
// |     |              | 8 page (clause 45: device), 12 register          |                       |
// |  3  | PHY_WRITE    | as PHY_READ, 16 value                            | -                     |
// |  4  | PHY_DUMP     | 0 port, 4 page                                   | 4: class; 8: 32 x u16 |
// |  5  | PARTNER      | 0 port, 4 present, 8 autoneg, 12 abilities,      | -                     |
// |     |              | 16 pause, 20 asym pause, 24 forced speed (SDK    |                       |
// |     |              | code), 28 forced full duplex, 32 on fibre        |                       |
// |  6  | PHY_ANSWER   | 0 port, 4 answering (0/1)                        | -                     |
// |  7  | TWSI_FAIL    | 0 bus, 4 address, 8 transfers to fail            | -                     |
// |  8  | PARTNER_GET  | 0 port                                           | 4: the PARTNER words  |
// |     |              |                                                  | from offset 4 on      |
// | 16  | VLANS        | 0 device, 4 first VLAN id                        | 4: count N; 8: next   |
// |     |              |                                                  | VLAN id to ask (0: no |
// |     |              |                                                  | more); 12: N VLAN     |
// |     |              |                                                  | records (below)       |
// | 17  | VLAN_PORTS   | -                                                | 4: count N; 8: N port |
// |     |              |                                                  | VLAN records (below)  |
// | 18  | STP_STATES   | 0 spanning-tree group                            | 4: count N; 8: N x    |
// |     |              |                                                  | {front port, device,  |
// |     |              |                                                  | device port, state}   |
// | 19  | TEMPERATURE  | 0 device, 4 degrees Celsius (signed)             | -                     |
//
// VLAN record (20 bytes), the valid entries of the device's VLAN table from the first VLAN id
// asked: 0 VLAN id (u16); 2 spanning-tree group, 3 MRU profile (u8 each); 4, 8 member ports
// (u32 words: bit p%32 of word p/32, the CPU port 63 is bit 31 of the second); 12, 16 tagged
// ports (the same).
// Port VLAN record (12 bytes), one per front port: 0 port, 1 device, 2 device port,
// 3 acceptable frame types (SDK_VLAN_ACCEPT_*) (u8 each); 4 PVID (u16); 6 TPID (u16); 8 flags
// (u8, kVlanPortFlag*); 9 default user priority (u8); 10 zero (u16).
//
// Port record (24 bytes): 0 port, 1 device, 2 device port, 3 port type (u8 each); 4 flags
// (u32, kPortFlag*); 8 configured speed, 9 configured duplex, 10 link speed, 11 link duplex
// (SDK codes, u8 each); 12 MRU (u16); 14 PHY class (u16); 16 interface mode (u8); 17 the
// partner's forced speed (SDK code), 18 its forced duplex (1 full), 19 zero; 20 partner
// abilities (u32, chipsim::kAb*).
#pragma once

#include <cstdint>

namespace chipsim::simcmd {

// A command of the channel: its number, the name tools call it by, its usage, and the words
// a request must carry at least (shorter ones are refused before any handler runs).
struct Command {
    uint16_t id;
    const char* name;
    const char* usage;
    uint8_t words;
};

constexpr uint16_t kPorts = 1;
constexpr uint16_t kPhyRead = 2;
constexpr uint16_t kPhyWrite = 3;
constexpr uint16_t kPhyDump = 4;
constexpr uint16_t kPartner = 5;
constexpr uint16_t kPhyAnswer = 6;
constexpr uint16_t kTwsiFail = 7;
constexpr uint16_t kPartnerGet = 8;

constexpr uint16_t kVlans = 16;
constexpr uint16_t kVlanPorts = 17;
constexpr uint16_t kStpStates = 18;
constexpr uint16_t kTemperature = 19;

constexpr uint32_t kPortRecordSize = 24;
constexpr uint32_t kVlanRecordSize = 20;
constexpr uint32_t kVlanPortRecordSize = 12;
constexpr uint8_t kVlanPortFlagIngressFilter = 0x01;
constexpr uint8_t kVlanPortFlagTunnelAccess = 0x02;
constexpr uint8_t kVlanPortFlagCopyInnerUp = 0x04;

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

// Frames through the chip: injection, capture, counters, the address table, the clock.
//
// | cmd | name           | request payload (words)                        | response data        |
// |-----|----------------|------------------------------------------------|----------------------|
// | 32  | INJECT         | 0 port, 4 length, 8 the frame's bytes (no FCS) | injection result     |
// | 33  | INJECT_IPC     | 0 port, 4 length, 8 offset of the frame in the | injection result     |
// |     |                | shared IPC memory pool (for frames too long    |                      |
// |     |                | for a message)                                 |                      |
// | 34  | CAPTURE_START  | 0 front-port bitmap (bit p-1: port p), 4 1 to  | -                    |
// |     |                | capture the frames to the CPU too              |                      |
// | 35  | CAPTURE_STOP   | -                                              | -                    |
// | 36  | CAPTURE_READ   | 0 offset into the oldest captured frame        | captured frame       |
// | 37  | FRAME_COUNTERS | -                                              | 4 N; 8 reasons R;    |
// |     |                |                                                | 12 N counter records |
// | 38  | COUNTERS_CLEAR | -                                              | -                    |
// | 39  | FDB_READ       | 0 device, 4 first slot                         | 4 next slot to ask   |
// |     |                |                                                | (0xFFFFFFFF: end);   |
// |     |                |                                                | 8 N; 12 N entries    |
// | 40  | CLOCK_ADVANCE  | 0 seconds                                      | -                    |
// | 41  | CPU_QUEUE      | 0 device                                       | 4 N waiting; 8 M; 12 |
// |     |                |                                                | M CPU frame records  |
//
// Injection result: 4 drop reason (chipsim::Drop, 0 when the frame went somewhere), 8 VLAN,
// 12 flags (kInjectFlag*), 16 CPU code, 20 count N of ports it left by, 24 N front ports (u8;
// 0xFF for a port without a front-panel number).
// Captured frame: 4 frames waiting (0: none, nothing follows), 8 front port (0: a frame to
// the CPU, 0xFF: a port without a number), 12 seconds, 16 nanoseconds (real time), 20 frame
// length, 24 the bytes from the offset asked (as many as fit). The frame is removed once a
// read reaches its end.
// Counter record (kCounterRecordSize bytes), one per port of every device and each device's
// CPU port: 0 front port (0: the CPU port, 0xFF: no number), 1 device, 2 device port, 3 zero;
// then 64-bit counters (high word first): 4 received frames, 12 received bytes, 20 sent
// frames, 28 sent bytes, 36 frames to the CPU, 44 captured; 52 R drop counters by reason.
// Address-table entry (kFdbRecordSize bytes, live entries only): 0 slot (u32); 4 key: the
// MAC (6 bytes, then 2 zero) or, for IP multicast entries, the source and the group (4 bytes
// each); 12 VLAN (u16); 14 key type, 15 flags (kFdbFlag*), 16 destination type
// (SDK_INTERFACE_*), 17 device, 18 port, 19 front port (0xFF: none) (u8 each); 20 trunk, VIDX
// or VLAN (u16); 22 DA command, 23 SA command (u8 each).
// CPU frame record (16 bytes), the oldest waiting: 0 front port it came in on (0xFF: none),
// 1 device, 2 flags (1 mirrored copy, 2 came in tagged), 3 zero, 4 VLAN (u16), 6 zero, 8 CPU
// code, 12 length.
constexpr uint16_t kInject = 32;
constexpr uint16_t kInjectIpc = 33;
constexpr uint16_t kCaptureStart = 34;
constexpr uint16_t kCaptureStop = 35;
constexpr uint16_t kCaptureRead = 36;
constexpr uint16_t kFrameCounters = 37;
constexpr uint16_t kCountersClear = 38;
constexpr uint16_t kFdbRead = 39;
constexpr uint16_t kClockAdvance = 40;
constexpr uint16_t kCpuQueue = 41;

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

// Every command, in number order.
inline constexpr Command kCommands[] = {
    {1, "ports", "", 0},
    {2, "phy-read", "PORT KIND(0 c22, 1 c45) PAGE|MMD REG", 4},
    {3, "phy-write", "PORT KIND PAGE|MMD REG VALUE", 5},
    {4, "phy-dump", "PORT PAGE", 2},
    {5, "partner", "PORT PRESENT AUTONEG ABILITIES PAUSE ASYM SPEED FULL FIBRE", 9},
    {6, "phy-answer", "PORT ON", 2},
    {7, "twsi-fail", "BUS ADDR N", 3},
    {8, "partner-get", "PORT", 1},
    {16, "vlans", "DEVICE FIRST-VID", 2},
    {17, "vlan-ports", "", 0},
    {18, "stp-states", "GROUP", 1},
    {19, "temperature", "DEVICE CELSIUS", 2},
    {32, "inject", "PORT LENGTH BYTES... (flag 0x80000000 in PORT: trace)", 2},
    {33, "inject-ipc", "PORT LENGTH OFFSET (flag 0x80000000 in PORT: trace)", 3},
    {34, "capture-start", "FRONT-PORT-BITMAP [CPU]", 1},
    {35, "capture-stop", "", 0},
    {36, "capture-read", "[OFFSET]", 0},
    {37, "frame-counters", "", 0},
    {38, "counters-clear", "", 0},
    {39, "fdb-read", "DEVICE FIRST-SLOT", 2},
    {40, "clock-advance", "SECONDS", 1},
    {41, "cpu-queue", "DEVICE", 1},
    {48, "mac-counters", "PORT", 1},
    {49, "mac-counter-set", "PORT COUNTER HIGH LOW", 4},
    {50, "capture-delay", "DEVICE POLLS", 2},
};

// The command of a number or a name; nullptr for none.
inline const Command* find_command(uint16_t id) {
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

constexpr uint32_t kInjectFlagFlooded = 1;
constexpr uint32_t kInjectFlagLearned = 2;
constexpr uint32_t kInjectFlagToCpu = 4;
constexpr uint32_t kCaptureHeader = 24;  // captured-frame bytes follow this offset
constexpr uint32_t kCounterRecordHeader = 52;
constexpr uint32_t kFdbRecordSize = 24;
constexpr uint8_t kFdbFlagStatic = 1;
constexpr uint8_t kFdbFlagSeen = 2;  // seen since the last ageing pass
constexpr uint32_t kCpuRecordSize = 16;
constexpr uint8_t kNoFrontPort = 0xFF;

}  // namespace chipsim::simcmd
