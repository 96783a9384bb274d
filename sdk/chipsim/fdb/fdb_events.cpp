// The SDK's event task for the address table's security-breach messages: it sleeps until the
// pipeline queues a message (or a short while has passed), then takes every device's messages
// in turn and hands the new-address ones to the bound handlers, one message per pace period.
// It starts with the first message queued after a handler was bound.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "sdk/chipsim/fdb/fdb.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_event.h"

namespace chipsim {
namespace {

struct EventLayer {
    std::mutex mu;  // a leaf lock: taken under a device's lock by fdb_events_notify
    std::condition_variable cv;
    bool pending = false;
    bool started = false;
    SDK_SECUR_BREACH_HANDLER handlers[SDK_EVENT_MAX_SECUR_BREACH_HANDLERS] = {};
    std::atomic<uint32_t> count{0};
};

EventLayer& layer() {
    static EventLayer* l = new EventLayer;  // lives as long as its task, never destroyed
    return *l;
}

// Delivers one message of one device; false when the device has none.
bool deliver_one(uint8_t dev) {
    SDK_SECUR_BREACH_MSG m{};
    if (sdkSecurBreachMsgGet(dev, &m) != SDK_OK) return false;
    if (m.code != SDK_SECUR_BREACH_NEW_ADDRESS) return true;
    EventLayer& l = layer();
    const uint32_t n = l.count.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < n; ++i)
        l.handlers[i](dev, m.macSa, m.vlan, m.port, m.code);
    std::this_thread::sleep_for(std::chrono::milliseconds(SDK_EVENT_SECUR_BREACH_PACE_MS));
    return true;
}

void event_task() {
    EventLayer& l = layer();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(l.mu);
            l.cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return l.pending; });
            l.pending = false;
        }
        uint8_t first = 0, count = 0;
        if (sdkCfgDevCountGet(&first, &count) != SDK_OK) continue;
        bool more = true;
        while (more) {
            more = false;
            for (uint32_t dev = first; dev < uint32_t{first} + count && dev < 128; ++dev)
                more |= deliver_one(static_cast<uint8_t>(dev));
        }
    }
}

}  // namespace

void fdb_events_notify() {
    EventLayer& l = layer();
    {
        std::lock_guard<std::mutex> lock(l.mu);
        l.pending = true;
        // The task starts with the first message there is a handler for, so the process's
        // start-up runs no thread of the SDK's before the driver threads.
        if (!l.started && l.count.load(std::memory_order_relaxed) > 0) {
            l.started = true;
            std::thread(event_task).detach();
        }
    }
    l.cv.notify_one();
}

}  // namespace chipsim

SDK_STATUS sdkEventSecurBreachBind(SDK_SECUR_BREACH_HANDLER handler) {
    if (!handler) return SDK_BAD_PTR;
    chipsim::EventLayer& l = chipsim::layer();
    std::lock_guard<std::mutex> lock(l.mu);
    uint32_t n = l.count.load(std::memory_order_relaxed);
    if (n >= SDK_EVENT_MAX_SECUR_BREACH_HANDLERS) return SDK_OUT_OF_RANGE;
    l.handlers[n] = handler;
    l.count.store(n + 1, std::memory_order_release);
    return SDK_OK;
}
