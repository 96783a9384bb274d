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
//
// Port record (24 bytes): 0 port, 1 device, 2 device port, 3 port type (u8 each); 4 flags
// (u32, kPortFlag*); 8 configured speed, 9 configured duplex, 10 link speed, 11 link duplex
// (SDK codes, u8 each); 12 MRU (u16); 14 PHY class (u16); 16 interface mode (u8); 17 the
// partner's forced speed (SDK code), 18 its forced duplex (1 full), 19 zero; 20 partner
// abilities (u32, chipsim::kAb*).
#pragma once

#include <cstdint>

namespace chipsim::simcmd {

constexpr uint16_t kPorts = 1;
constexpr uint16_t kPhyRead = 2;
constexpr uint16_t kPhyWrite = 3;
constexpr uint16_t kPhyDump = 4;
constexpr uint16_t kPartner = 5;
constexpr uint16_t kPhyAnswer = 6;
constexpr uint16_t kTwsiFail = 7;
constexpr uint16_t kPartnerGet = 8;

constexpr uint32_t kPortRecordSize = 24;

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

}  // namespace chipsim::simcmd
