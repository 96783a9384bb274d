// Simulation-control commands of the PoE controllers (platform/simctl: queue
// simctl::kQueueKey). Words are big-endian; PORT is the front port (PoE port PORT - 1).
//
// | cmd | name       | request payload (words)                              | response data |
// |-----|------------|------------------------------------------------------|---------------|
// | 96  | POE_ATTACH | 0 port, 4 class (0..4), 8 draw in 0.1 W (0: typical) | -             |
// | 97  | POE_DETACH | 0 port                                               | -             |
// | 98  | POE_FAULT  | 0 device index, 4 fault (0 none, 1 silent, 2 every   | -             |
// |     |            | second write fails)                                  |               |
// | 99  | POE_PORT   | 0 port                                               | 4 attached,   |
// |     |            |                                                      | 8 class,      |
// |     |            |                                                      | 12 draw,      |
// |     |            |                                                      | 16 state      |
#pragma once

#include <cstdint>

namespace simproto {

constexpr uint16_t kPoeAttach = 96;
constexpr uint16_t kPoeDetach = 97;
constexpr uint16_t kPoeFault = 98;
constexpr uint16_t kPoePort = 99;

}  // namespace simproto
