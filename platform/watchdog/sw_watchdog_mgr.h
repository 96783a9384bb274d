// SW_WATCHDOG_MGR: the software watchdog. Every ping period it sends the ping event to each
// monitored thread; a thread answers by calling SW_WATCHDOG_MGR_ResetTimer with its monitor
// id. A thread that has not answered for `timeout` periods is named on the console once,
// and again when it answers later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t SW_WATCHDOG_EVENT_PING = 0x08000000;

bool SW_WATCHDOG_MGR_RegisterMonitorThread(uint32_t monitor_id, uint32_t thread_id,
                                           uint32_t timeout);
bool SW_WATCHDOG_MGR_ResetTimer(uint32_t monitor_id);

namespace sw_watchdog {

// The ping period (1 second unless changed; tests shorten it).
void set_period_ms(uint32_t ms);

struct Monitor {
    uint32_t monitor_id;
    uint32_t thread_id;
    uint32_t timeout;
    uint32_t periods_since_reset;
    bool missed;
};
std::vector<Monitor> monitors();
// Forgets every monitored thread (tests).
void reset();

}  // namespace sw_watchdog
