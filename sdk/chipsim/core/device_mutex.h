// The lock of a device. Every frame takes it once per device it crosses, and it is rarely
// contended (the SDK's callers and the frames of one device seldom meet), so taking it is one
// compare-and-swap and giving it back one exchange. A waiter watches the lock for a few
// microseconds, since holds are short, and then sleeps on a futex.
// ThreadSanitizer does not know this lock, so its builds use std::mutex instead.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/sysfun/spin.h"

namespace chipsim {

#if defined(__SANITIZE_THREAD__)
using DeviceMutex = std::mutex;
#else
class DeviceMutex {
  public:
    void lock() {
        uint32_t c = kFree;
        if (state_.compare_exchange_strong(c, kLocked, std::memory_order_acquire)) return;
        // Held: the holder is most likely on another processor and about to let go (a hold
        // is a few hundred nanoseconds), so watch it for a while before sleeping.
        if (sysfun::several_cpus()) {
            for (uint32_t i = 0; i < kSpins; ++i) {
                sysfun::cpu_pause();
                c = state_.load(std::memory_order_relaxed);
                if (c == kFree &&
                    state_.compare_exchange_weak(c, kLocked, std::memory_order_acquire))
                    return;
            }
        }
        // Contended: mark it so the holder wakes us, and sleep until it is free.
        if (c != kWaiters) c = state_.exchange(kWaiters, std::memory_order_acquire);
        while (c != kFree) {
            syscall(SYS_futex, &state_, FUTEX_WAIT_PRIVATE, kWaiters, nullptr, nullptr, 0);
            c = state_.exchange(kWaiters, std::memory_order_acquire);
        }
    }
    void unlock() {
        if (state_.exchange(kFree, std::memory_order_release) == kWaiters)
            syscall(SYS_futex, &state_, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }

  private:
    static constexpr uint32_t kFree = 0, kLocked = 1, kWaiters = 2;
    static constexpr uint32_t kSpins = 1000;  // pause instructions, several microseconds
    std::atomic<uint32_t> state_{kFree};
};
#endif

}  // namespace chipsim
