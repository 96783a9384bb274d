// Semaphores: POSIX semaphores in the instance control block, so that keyed ones are shared
// by every process of the instance and anonymous ones by the processes spawned afterwards.
#include <semaphore.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/instance/ctl.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"

namespace {

ctl::SemSlot* slot_of(uint32_t sem_id) {
    ctl::Block* b = ctl::get();
    if (!b || sem_id == 0 || sem_id > ctl::kSemSlots) return nullptr;
    ctl::SemSlot* s = &b->sems[sem_id - 1];
    return s->in_use.load(std::memory_order_acquire) ? s : nullptr;
}

uint32_t id_of(ctl::Block* b, ctl::SemSlot* s) {
    return static_cast<uint32_t>(s - b->sems) + 1;
}

// Semaphores used as locks are held for a few hundred nanoseconds, so a taker that finds one
// taken watches it for a few microseconds before it sleeps: a holder running on another
// processor gives it back within that time, and neither side then pays for a sleep and a
// wake-up. No watching on a machine with one processor, where the holder cannot run meanwhile.
constexpr int kTakeSpins = 256;  // pause instructions

bool take_spinning(sem_t* sem) {
    if (!sysfun::internal::several_cpus()) return false;
    for (int i = 0; i < kTakeSpins; ++i) {
        int v = 0;
        if (sem_getvalue(sem, &v) == 0 && v > 0 && sem_trywait(sem) == 0) return true;
        sysfun::internal::cpu_pause();
    }
    return false;
}

}  // namespace

uint32_t SYSFUN_CreateSem(uint32_t key, uint32_t initial_count, uint32_t /*sem_flags*/,
                          uint32_t* sem_id) {
    if (!sem_id) return SYSFUN_RESULT_INVALID_ARG;
    ctl::Block* b = ctl::get();
    if (!b) return SYSFUN_RESULT_NO_INSTANCE;
    ctl::Guard g(b);
    ctl::SemSlot* free_slot = nullptr;
    for (auto& s : b->sems) {
        if (s.in_use.load()) {
            if (key != 0 && s.key == key) return SYSFUN_RESULT_OBJ_EXIST;
        } else if (!free_slot) {
            free_slot = &s;
        }
    }
    if (!free_slot) return SYSFUN_RESULT_NO_SPACE;
    if (sem_init(&free_slot->sem, 1, initial_count) != 0) return SYSFUN_RESULT_SYSTEM_ERROR;
    free_slot->key = key;
    free_slot->creator_pid = ::getpid();
    free_slot->in_use.store(1, std::memory_order_release);
    *sem_id = id_of(b, free_slot);
    return SYSFUN_OK;
}

uint32_t SYSFUN_GetSem(uint32_t key, uint32_t* sem_id) {
    if (!sem_id || key == 0) return SYSFUN_RESULT_INVALID_ARG;
    ctl::Block* b = ctl::get();
    if (!b) return SYSFUN_RESULT_NO_INSTANCE;
    for (auto& s : b->sems) {
        if (s.in_use.load(std::memory_order_acquire) && s.key == key) {
            *sem_id = id_of(b, &s);
            return SYSFUN_OK;
        }
    }
    return SYSFUN_RESULT_OBJ_NOT_EXIST;
}

uint32_t SYSFUN_TakeSem(uint32_t sem_id, uint32_t timeout) {
    ctl::SemSlot* s = slot_of(sem_id);
    if (!s) return SYSFUN_RESULT_INVALID_ARG;
    if (timeout != SYSFUN_TIMEOUT_NOWAIT && (sem_trywait(&s->sem) == 0 || take_spinning(&s->sem)))
        return SYSFUN_OK;
    if (timeout == SYSFUN_TIMEOUT_WAIT_FOREVER) {
        while (sem_wait(&s->sem) != 0) {
            if (errno != EINTR) return SYSFUN_RESULT_SYSTEM_ERROR;
        }
        return SYSFUN_OK;
    }
    if (timeout == SYSFUN_TIMEOUT_NOWAIT)
        return sem_trywait(&s->sem) == 0 ? SYSFUN_OK : SYSFUN_RESULT_TIMEOUT;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t ns = uint64_t(ts.tv_nsec) + uint64_t{timeout} * 10'000'000ull;
    ts.tv_sec += static_cast<time_t>(ns / 1'000'000'000ull);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000ull);
    while (sem_timedwait(&s->sem, &ts) != 0) {
        if (errno == ETIMEDOUT) return SYSFUN_RESULT_TIMEOUT;
        if (errno != EINTR) return SYSFUN_RESULT_SYSTEM_ERROR;
    }
    return SYSFUN_OK;
}

uint32_t SYSFUN_GiveSem(uint32_t sem_id) {
    ctl::SemSlot* s = slot_of(sem_id);
    if (!s) return SYSFUN_RESULT_INVALID_ARG;
    return sem_post(&s->sem) == 0 ? SYSFUN_OK : SYSFUN_RESULT_SYSTEM_ERROR;
}

uint32_t SYSFUN_DestroySem(uint32_t sem_id) {
    ctl::Block* b = ctl::get();
    ctl::SemSlot* s = slot_of(sem_id);
    if (!s) return SYSFUN_RESULT_INVALID_ARG;
    ctl::Guard g(b);
    s->in_use.store(0, std::memory_order_release);
    sem_destroy(&s->sem);
    s->key = 0;
    return SYSFUN_OK;
}
