#include "platform/watchdog/sw_watchdog_mgr.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace sw_watchdog {
namespace {

std::mutex g_mu;
std::map<uint32_t, Monitor>* g_monitors = nullptr;
std::atomic<uint32_t> g_period_ms{1000};
bool g_thread_started = false;

void tick() {
    std::lock_guard<std::mutex> lock(g_mu);
    for (auto& [id, m] : *g_monitors) {
        SYSFUN_SendEvent(m.thread_id, SW_WATCHDOG_EVENT_PING);
        if (++m.periods_since_reset > m.timeout && !m.missed) {
            m.missed = true;
            CONSOLE_Printf(
                "SW_WATCHDOG_MGR: thread \"%s\" (monitor id %lu, thread id %lu) missed its "
                "timeout of %lu\r\n",
                sysfun::thread_name(m.thread_id).c_str(), static_cast<unsigned long>(id),
                static_cast<unsigned long>(m.thread_id), static_cast<unsigned long>(m.timeout));
        }
    }
}

void run() {
    SYSFUN_RegisterThisThread("SW_WATCHDOG");
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(g_period_ms.load()));
        tick();
    }
}

}  // namespace

void set_period_ms(uint32_t ms) {
    g_period_ms.store(ms ? ms : 1);
}

std::vector<Monitor> monitors() {
    std::lock_guard<std::mutex> lock(g_mu);
    std::vector<Monitor> out;
    if (g_monitors)
        for (auto& [id, m] : *g_monitors)
            out.push_back(m);
    return out;
}

void reset() {
    std::lock_guard<std::mutex> lock(g_mu);
    if (g_monitors) g_monitors->clear();
}

}  // namespace sw_watchdog

using namespace sw_watchdog;

bool SW_WATCHDOG_MGR_RegisterMonitorThread(uint32_t monitor_id, uint32_t thread_id,
                                           uint32_t timeout) {
    if (thread_id == 0 || timeout == 0) return false;
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_monitors) g_monitors = new std::map<uint32_t, Monitor>;
    (*g_monitors)[monitor_id] = Monitor{monitor_id, thread_id, timeout, 0, false};
    if (!g_thread_started) {
        g_thread_started = true;
        // Tests shorten the ping period of a whole daemon through the environment.
        if (const char* env = std::getenv("DRIVER_PROC_WATCHDOG_PERIOD_MS"))
            set_period_ms(static_cast<uint32_t>(std::strtoul(env, nullptr, 10)));
        std::thread(run).detach();
    }
    return true;
}

bool SW_WATCHDOG_MGR_ResetTimer(uint32_t monitor_id) {
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_monitors) return false;
    auto it = g_monitors->find(monitor_id);
    if (it == g_monitors->end()) return false;
    Monitor& m = it->second;
    if (m.missed)
        CONSOLE_Printf("SW_WATCHDOG_MGR: thread \"%s\" (monitor id %lu) answers again\r\n",
                       sysfun::thread_name(m.thread_id).c_str(),
                       static_cast<unsigned long>(monitor_id));
    m.periods_since_reset = 0;
    m.missed = false;
    return true;
}
