// Simulation-control commands of the transceiver cages (platform/simctl: queue
// simctl::kQueueKey). Words are big-endian; ports are front ports of this unit. The answer
// carries the result (1 done, 0 refused) in payload byte 0 and its data from offset 4.
//
// | cmd | name        | request payload                                  | response data       |
// |-----|-------------|--------------------------------------------------|---------------------|
// | 80  | SFP_INSERT  | 0 port, 4 length N, 8 the module's N bytes (as   | -                   |
// |     |             | xcvr::split() takes them)                        |                     |
// | 81  | SFP_REMOVE  | 0 port                                           | -                   |
// | 82  | SFP_SET     | 0 port, 4 mask (xcvr::kRead*), 8 lane (0 all),   | -                   |
// |     |             | 12 temperature (m degrees C), 16 supply (mV),    |                     |
// |     |             | 20 bias (uA), 24 transmit, 28 receive power      |                     |
// |     |             | (m dBm); signed                                  |                     |
// | 83  | SFP_FAIL    | 0 port, 4 transfers to fail, 8 1: at the         | -                   |
// |     |             | identification address, 0: where diagnostics are |                     |
// | 84  | SFP_CAGES   | -                                                | 4 N; 8 N x {front   |
// |     |             |                                                  | port, cage index,   |
// |     |             |                                                  | bus, module in (0/1)|
// |     |             |                                                  | identifier, 3 zero} |
// | 85  | SFP_IMAGE   | 0 port                                           | 4 length N; 8 the   |
// |     |             |                                                  | module's N bytes    |
#pragma once

#include <cstdint>

namespace chipsim::xcvr::cmd {

constexpr uint16_t kInsert = 80;
constexpr uint16_t kRemove = 81;
constexpr uint16_t kSet = 82;
constexpr uint16_t kFail = 83;
constexpr uint16_t kCages = 84;
constexpr uint16_t kImage = 85;
constexpr uint32_t kCageRecordSize = 8;

}  // namespace chipsim::xcvr::cmd
