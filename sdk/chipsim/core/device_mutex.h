// The lock of a device. Every frame takes it once per device it crosses, and it is almost
// never contended (the SDK's callers and the frames of one device rarely meet), so taking it
// is one compare-and-swap and giving it back one exchange; a waiter sleeps on a futex.
// ThreadSanitizer does not know this lock, so its builds use std::mutex instead.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace chipsim {

#if defined(__SANITIZE_THREAD__)
using DeviceMutex = std::mutex;
#else
class DeviceMutex {
  public:
    void lock() {
        uint32_t c = kFree;
        if (state_.compare_exchange_strong(c, kLocked, std::memory_order_acquire)) return;
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
    std::atomic<uint32_t> state_{kFree};
};
#endif

}  // namespace chipsim
