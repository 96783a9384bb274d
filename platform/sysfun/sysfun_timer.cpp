// Periodic timers, ticks and sleep. One service thread per process raises the timers'
// events on the threads that created them.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include "platform/common/types.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysfun/sysfun_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    uint32_t owner_tid;
    uint32_t event_bits = 0;
    Clock::duration period{};
    Clock::time_point next{};
    bool running = false;
};

class TimerService {
  public:
    // Lives as long as the process. A forked child starts with no timers (the service
    // thread is not copied by fork, and its lock may have been held at the fork).
    static TimerService& get() {
        static std::once_flag once;
        std::call_once(once, [] {
            instance_ = new TimerService;
            pthread_atfork(nullptr, nullptr, [] { instance_ = new TimerService; });
        });
        return *instance_;
    }

    Timer* create(uint32_t owner) {
        std::lock_guard<std::mutex> lock(mu_);
        timers_.push_back(Timer{owner});
        return &timers_.back();
    }

    bool start(Timer* t, uint32_t period_ticks, uint32_t bits) {
        if (period_ticks == 0) return false;
        std::lock_guard<std::mutex> lock(mu_);
        if (!owns(t)) return false;
        t->event_bits = bits;
        t->period = std::chrono::milliseconds(uint64_t{period_ticks} * 10);
        t->next = Clock::now() + t->period;
        t->running = true;
        if (!thread_started_) {
            thread_started_ = true;
            std::thread([this] { run(); }).detach();
        }
        cv_.notify_all();
        return true;
    }

    bool stop(Timer* t) {
        std::lock_guard<std::mutex> lock(mu_);
        if (!owns(t)) return false;
        t->running = false;
        return true;
    }

    bool destroy(Timer* t) {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (&*it == t) {
                timers_.erase(it);
                return true;
            }
        }
        return false;
    }

  private:
    bool owns(Timer* t) const {
        return std::any_of(timers_.begin(), timers_.end(), [t](const Timer& x) { return &x == t; });
    }

    void run() {
        pthread_setname_np(pthread_self(), "SYSFUN_TIMER");
        std::unique_lock<std::mutex> lock(mu_);
        for (;;) {
            auto now = Clock::now();
            auto wake = now + std::chrono::hours(1);
            for (auto& t : timers_) {
                if (!t.running) continue;
                if (t.next <= now) {
                    SYSFUN_SendEvent(t.owner_tid, t.event_bits);
                    // Missed periods are not made up: the next one is a period from now.
                    t.next += t.period;
                    if (t.next <= now) t.next = now + t.period;
                }
                wake = std::min(wake, t.next);
            }
            cv_.wait_until(lock, wake);
        }
    }

    static inline TimerService* instance_ = nullptr;
    std::mutex mu_;
    std::condition_variable cv_;
    std::list<Timer> timers_;
    bool thread_started_ = false;
};

std::atomic<uint32_t> g_sleep_limit{0};  // ticks; 0: none

}  // namespace

void* SYSFUN_PeriodicTimer_Create() {
    return TimerService::get().create(SYSFUN_TaskIdSelf());
}

bool SYSFUN_PeriodicTimer_Start(void* timer, uint32_t period_ticks, uint32_t event_bits) {
    return timer && TimerService::get().start(static_cast<Timer*>(timer), period_ticks, event_bits);
}

bool SYSFUN_PeriodicTimer_Stop(void* timer) {
    return timer && TimerService::get().stop(static_cast<Timer*>(timer));
}

bool SYSFUN_PeriodicTimer_Destroy(void* timer) {
    return timer && TimerService::get().destroy(static_cast<Timer*>(timer));
}

uint32_t SYSFUN_GetSysTick() {
    return static_cast<uint32_t>(sysfun::internal::monotonic_ms() / 10);
}

uint32_t SYSFUN_MSecondToTick(uint32_t ms) {
    return static_cast<uint32_t>((uint64_t{ms} * sys_adpt::kTicksPerSecond + 999) / 1000);
}

uint32_t SYSFUN_Sleep(uint32_t ticks) {
    if (uint32_t limit = g_sleep_limit.load(std::memory_order_relaxed))
        ticks = std::min(ticks, limit);
    timespec ts = sysfun::internal::ticks_to_timespec(ticks);
    while (nanosleep(&ts, &ts) != 0) {
    }
    return SYSFUN_OK;
}

namespace sysfun {

void set_sleep_limit(uint32_t ticks) {
    g_sleep_limit.store(ticks, std::memory_order_relaxed);
}

}  // namespace sysfun
