// The transceiver monitor's control block and its console helper.
#pragma once

#include <cstdint>

#include "monitor/swdrv_monitor.h"
#include "platform/console/console.h"
#include "platform/firmware/swdrv_om.h"

namespace swdrv_monitor {

constexpr uint32_t kMaxCage = SWDRV_OM_MAX_SFP;
// Consecutive failed diagnostics reads after which the measured values are zeroed.
constexpr uint32_t kDdmFailLimit = 10;
// The diagnostics step runs on every poll whose counter is a multiple of this.
constexpr uint32_t kDdmPollDivisor = 6;

struct Cage {
    uint32_t seen_tick = 0;  // 0: the present input was not seen
    bool confirmed = false;
    uint32_t ddm_failures = 0;
    bool reg_valid = false;  // the board describes the present input
    uint32_t reg_addr = 0;
    uint8_t reg_mask = 0;
    uint8_t reg_shift = 0;
};

struct ControlBlock {
    bool initialised = false;
    uint32_t poll_counter = 0;
    Cage cage[kMaxCage + 1];  // by cage index 1..kMaxCage
};

ControlBlock& cb();

}  // namespace swdrv_monitor

// Prints when any bit of the monitor's debug flag `flag` is set.
#define SWDRV_MONITOR_DBG(flag, ...)                                       \
    do {                                                                   \
        if (SWDRV_OM_GetDebugFlag() & (flag)) CONSOLE_Printf(__VA_ARGS__); \
    } while (0)
