// Threads, processes and event bits.
#include <linux/futex.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/common/types.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysfun/sysfun_internal.h"

namespace sysfun::internal {
namespace {

// The calling thread's slot, valid only while the control block it lies in is still the
// attached one (tests attach and detach instances one after another).
thread_local ctl::ThreadSlot* t_slot = nullptr;
thread_local uint32_t t_slot_generation = 0;

ctl::ThreadSlot* current_slot() {
    return (t_slot && t_slot_generation == ctl::generation()) ? t_slot : nullptr;
}

// Frees the slot when a registered thread ends.
struct SlotReleaser {
    ~SlotReleaser() {
        ctl::ThreadSlot* s = current_slot();
        if (s && s->tid.load() == gettid32() && s->pid == ::getpid()) {
            s->pending.store(0);
            s->tid.store(0, std::memory_order_release);
        }
        t_slot = nullptr;
    }
};
thread_local SlotReleaser t_releaser;

bool process_alive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

void thread_comm_name(char* out, size_t n) {
    char buf[32] = {};
    if (prctl(PR_GET_NAME, buf) != 0) std::strcpy(buf, "?");
    std::snprintf(out, n, "%s", buf);
}

}  // namespace

namespace {

// The thread and process ids, asked of the kernel once: the message paths need them on
// every call. A forked child forgets them.
thread_local uint32_t t_tid = 0;
std::atomic<int32_t> g_pid{0};

void forget_ids_in_child() {
    t_tid = 0;
    g_pid.store(0);
}

[[maybe_unused]] const int g_atfork = pthread_atfork(nullptr, nullptr, forget_ids_in_child);

}  // namespace

uint32_t gettid32() {
    if (t_tid == 0) t_tid = static_cast<uint32_t>(::syscall(SYS_gettid));
    return t_tid;
}

int32_t self_pid() {
    int32_t pid = g_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
        pid = static_cast<int32_t>(::getpid());
        g_pid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

bool futex_wait(std::atomic<uint32_t>* word, uint32_t expected, const timespec* rel_timeout) {
    long rc = ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT, expected,
                        rel_timeout, nullptr, 0);
    return !(rc != 0 && errno == ETIMEDOUT);
}

namespace {

// How long this thread watches before it sleeps, learnt from how its last waits went. The
// window is about what a sleep and a wake-up cost on a virtual machine: a partner that answers
// within it is caught without either, and one that answers later has cost at most twice what
// sleeping at once would have. A partner that misses the window kMissesToClose times in a row
// (the machine is busy and it waits for a processor) closes it, so that a loaded machine is
// not burdened further; one answer within it opens it again, so a single slow request does not
// close it. A closed window is tried again every 32nd wait for long enough that a partner
// which itself sleeps can wake and answer: with shorter tries, two partners that both closed
// their windows would each sleep through the other's tries for good.
constexpr int kWindowUs = 25;
constexpr int kProbeUs = 60;
constexpr uint32_t kMissesToClose = 4;
thread_local uint32_t t_misses = 0;
thread_local uint32_t t_waits_unspun = 0;

// Pause instructions per microsecond on this processor (their length differs tenfold between
// processor generations), measured once.
int pauses_per_us() {
    static const int n = [] {
        constexpr int kProbe = 4096;
        const uint64_t t0 = monotonic_ns();
        for (int i = 0; i < kProbe; ++i)
            cpu_pause();
        const uint64_t ns = std::max<uint64_t>(monotonic_ns() - t0, 1);
        return static_cast<int>(std::clamp<uint64_t>(kProbe * 1000ull / ns, 1, 1000));
    }();
    return n;
}

}  // namespace

bool spin_while_equal(const std::atomic<uint32_t>* word, uint32_t expected) {
    if (!several_cpus()) return false;
    int us = kWindowUs;
    if (t_misses >= kMissesToClose) {
        if (++t_waits_unspun % 32 != 0) return false;
        us = kProbeUs;
    }
    const int spins = us * pauses_per_us();
    for (int i = 0; i < spins; ++i) {
        if (word->load(std::memory_order_seq_cst) != expected) {
            t_misses = 0;
            return true;
        }
        cpu_pause();
    }
    ++t_misses;
    return false;
}

void futex_wake_all(std::atomic<uint32_t>* word) {
    ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE, INT_MAX, nullptr, nullptr,
              0);
}

void raise_event(ctl::ThreadSlot* s, uint32_t bits) {
    // Bits already pending need no store: the thread takes them before it looks at what they
    // announce.
    if ((s->pending.load(std::memory_order_seq_cst) & bits) != bits)
        s->pending.fetch_or(bits, std::memory_order_seq_cst);
    if (s->sleepers.load(std::memory_order_seq_cst) != 0) futex_wake_all(&s->pending);
}

namespace {
std::atomic<void (*)()> g_msgq_test_point{nullptr};
}

void msgq_test_point() {
    if (auto fn = g_msgq_test_point.load(std::memory_order_relaxed)) fn();
}

void set_msgq_test_point(void (*fn)()) {
    g_msgq_test_point.store(fn);
}

ctl::ThreadSlot* register_self(const char* name, uint32_t priority, uint32_t policy,
                               uint32_t stack_size) {
    ctl::Block* b = ctl::get();
    if (!b) return nullptr;
    uint32_t tid = gettid32();
    int pid = ::getpid();
    ctl::ThreadSlot* slot = nullptr;
    {
        ctl::Guard g(b);
        // A slot left by an earlier thread with our id, or by a process that has died, is
        // taken over; otherwise the first free one.
        for (auto& s : b->threads) {
            uint32_t t = s.tid.load();
            if (t == tid) {
                slot = &s;
                break;
            }
        }
        for (int pass = 0; !slot && pass < 2; ++pass) {
            for (auto& s : b->threads) {
                uint32_t t = s.tid.load();
                if (t == 0 || (pass == 1 && !process_alive(s.pid))) {
                    slot = &s;
                    break;
                }
            }
        }
        if (!slot) return nullptr;
        slot->pending.store(0);
        slot->sleepers.store(0);
        slot->resume.store(0);
        slot->pid = pid;
        slot->priority = priority;
        slot->policy = policy;
        slot->stack_size = stack_size;
        std::snprintf(slot->name, sizeof slot->name, "%s", name);
        slot->tid.store(tid, std::memory_order_release);
    }
    t_slot = slot;
    t_slot_generation = ctl::generation();
    (void)&t_releaser;  // instantiate the thread's releaser
    return slot;
}

ctl::ThreadSlot* self_slot() {
    ctl::ThreadSlot* s = current_slot();
    if (s && s->tid.load(std::memory_order_relaxed) == gettid32()) return s;
    char name[ctl::kNameLen];
    thread_comm_name(name, sizeof name);
    return register_self(name, 0, 0, 0);
}

void forget_self() {
    t_slot = nullptr;
}

ctl::ThreadSlot* find_thread(uint32_t tid) {
    ctl::Block* b = ctl::get();
    if (!b || tid == 0) return nullptr;
    for (auto& s : b->threads)
        if (s.tid.load(std::memory_order_acquire) == tid) return &s;
    return nullptr;
}

timespec ticks_to_timespec(uint32_t ticks) {
    uint64_t ms = uint64_t{ticks} * (1000 / sys_adpt::kTicksPerSecond);
    return timespec{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
}

uint64_t monotonic_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000 + uint64_t(ts.tv_nsec);
}

}  // namespace sysfun::internal

using namespace sysfun::internal;

namespace {

struct ThreadStart {
    SYSFUN_TaskEntry_T entry;
    void* arg;
    char name[ctl::kNameLen];
    uint32_t priority, policy, stack_size;
    uint32_t tid = 0;
    sem_t ready;
};

void* thread_trampoline(void* p) {
    auto* st = static_cast<ThreadStart*>(p);
    pthread_setname_np(pthread_self(), std::string(st->name).substr(0, 15).c_str());
    ctl::ThreadSlot* slot = register_self(st->name, st->priority, st->policy, st->stack_size);
    SYSFUN_TaskEntry_T entry = st->entry;
    void* arg = st->arg;
    st->tid = slot ? slot->tid.load() : 0;
    sem_post(&st->ready);  // st belongs to the spawner from here on
    if (slot) entry(arg);
    return nullptr;
}

// Host threads need more stack than the switch's: the sanitizers alone take several
// times the firmware's sizes. The requested size is recorded, the real one is larger.
constexpr size_t kMinHostStack = 1 << 20;

}  // namespace

uint32_t SYSFUN_SpawnThread(uint32_t priority, uint32_t sched_policy, const char* name,
                            uint32_t stack_size, uint32_t /*task_option*/, SYSFUN_TaskEntry_T entry,
                            void* arg, uint32_t* thread_id) {
    if (!entry || !name) return SYSFUN_RESULT_INVALID_ARG;
    if (!ctl::get()) return SYSFUN_RESULT_NO_INSTANCE;
    ThreadStart st{};
    st.entry = entry;
    st.arg = arg;
    std::snprintf(st.name, sizeof st.name, "%s", name);
    st.priority = priority;
    st.policy = sched_policy;
    st.stack_size = stack_size;
    sem_init(&st.ready, 0, 0);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attr, std::max<size_t>(stack_size, kMinHostStack));
    pthread_t th;
    int rc = pthread_create(&th, &attr, thread_trampoline, &st);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        sem_destroy(&st.ready);
        return SYSFUN_RESULT_SYSTEM_ERROR;
    }
    while (sem_wait(&st.ready) != 0 && errno == EINTR) {
    }
    sem_destroy(&st.ready);
    if (st.tid == 0) return SYSFUN_RESULT_NO_SPACE;
    if (thread_id) *thread_id = st.tid;
    return SYSFUN_OK;
}

uint32_t SYSFUN_SpawnProcess(uint32_t priority, uint32_t sched_policy, const char* name,
                             SYSFUN_TaskEntry_T entry, void* arg, uint32_t* task_id) {
    if (!entry || !name) return SYSFUN_RESULT_INVALID_ARG;
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) return SYSFUN_RESULT_SYSTEM_ERROR;
    if (pid == 0) {
        forget_self();
        prctl(PR_SET_NAME, std::string(name).substr(0, 15).c_str());
        register_self(name, priority, sched_policy, 0);
        entry(arg);
        sysfun::exit_process(0);
    }
    if (task_id) *task_id = static_cast<uint32_t>(pid);
    return SYSFUN_OK;
}

uint32_t SYSFUN_TaskIdSelf() {
    self_slot();
    return gettid32();
}

void SYSFUN_RegisterThisThread(const char* name) {
    pthread_setname_np(pthread_self(), std::string(name).substr(0, 15).c_str());
    register_self(name, 0, 0, 0);
}

uint32_t SYSFUN_SetTaskPriority(uint32_t sched_policy, uint32_t task_id, uint32_t priority) {
    ctl::ThreadSlot* s = find_thread(task_id);
    if (!s) return SYSFUN_RESULT_OBJ_NOT_EXIST;
    s->policy = sched_policy;
    s->priority = priority;
    return SYSFUN_OK;
}

uint32_t SYSFUN_SuspendThreadSelf() {
    ctl::ThreadSlot* s = self_slot();
    if (!s) return SYSFUN_RESULT_NO_INSTANCE;
    while (s->resume.exchange(0) == 0)
        futex_wait(&s->resume, 0, nullptr);
    return SYSFUN_OK;
}

uint32_t SYSFUN_ResumeThread(uint32_t thread_id) {
    ctl::ThreadSlot* s = find_thread(thread_id);
    if (!s) return SYSFUN_RESULT_OBJ_NOT_EXIST;
    s->resume.store(1);
    futex_wake_all(&s->resume);
    return SYSFUN_OK;
}

uint32_t SYSFUN_ReceiveEvent(uint32_t event_mask, uint32_t /*flags*/, uint32_t timeout,
                             uint32_t* received) {
    if (!received || event_mask == 0) return SYSFUN_RESULT_INVALID_ARG;
    *received = 0;
    ctl::ThreadSlot* s = self_slot();
    if (!s) return SYSFUN_RESULT_NO_INSTANCE;
    const bool forever = timeout == SYSFUN_TIMEOUT_WAIT_FOREVER;
    // The clock is read only for a wait with a limit (a read costs tens of nanoseconds, and
    // a queue owner asks for its events several times per request).
    const uint64_t deadline =
        forever || timeout == SYSFUN_TIMEOUT_NOWAIT ? 0 : monotonic_ms() + uint64_t{timeout} * 10;
    for (;;) {
        uint32_t cur = s->pending.load(std::memory_order_acquire);
        uint32_t got = cur & event_mask;
        if (got) {
            if (s->pending.compare_exchange_weak(cur, cur & ~got, std::memory_order_seq_cst)) {
                *received = got;
                return SYSFUN_OK;
            }
            continue;
        }
        if (timeout == SYSFUN_TIMEOUT_NOWAIT) return SYSFUN_RESULT_TIMEOUT;
        timespec rel{};
        if (!forever) {
            uint64_t now = monotonic_ms();
            if (now >= deadline) return SYSFUN_RESULT_TIMEOUT;
            uint64_t left = deadline - now;
            rel = {static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
        }
        // Senders wake the thread only when it counts as sleeping; the bits are looked at
        // again after it does, so none set in between is missed.
        if (spin_while_equal(&s->pending, cur)) continue;
        s->sleepers.fetch_add(1, std::memory_order_seq_cst);
        if (s->pending.load(std::memory_order_seq_cst) == cur)
            futex_wait(&s->pending, cur, forever ? nullptr : &rel);
        s->sleepers.fetch_sub(1, std::memory_order_seq_cst);
    }
}

uint32_t SYSFUN_SendEvent(uint32_t thread_id, uint32_t event_bits) {
    if (!ctl::get()) return SYSFUN_RESULT_NO_INSTANCE;
    ctl::ThreadSlot* s = find_thread(thread_id);
    if (!s) return SYSFUN_RESULT_OBJ_NOT_EXIST;
    raise_event(s, event_bits);
    return SYSFUN_OK;
}

namespace sysfun {

std::vector<ThreadInfo> list_threads() {
    std::vector<ThreadInfo> out;
    ctl::Block* b = ctl::get();
    if (!b) return out;
    for (auto& s : b->threads) {
        uint32_t tid = s.tid.load(std::memory_order_acquire);
        if (tid == 0) continue;
        out.push_back(ThreadInfo{tid, std::string(s.name, strnlen(s.name, sizeof s.name)),
                                 s.priority, s.policy, s.stack_size, s.pid});
    }
    return out;
}

std::string thread_name(uint32_t tid) {
    ctl::ThreadSlot* s = find_thread(tid);
    return s ? std::string(s->name, strnlen(s->name, sizeof s->name)) : std::string();
}

}  // namespace sysfun
