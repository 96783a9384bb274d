// Shared by the SYSFUN implementation files.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

#include "platform/instance/ctl.h"
#include "platform/sysfun/spin.h"

namespace sysfun::internal {

// The calling thread's slot, registered on first use; nullptr without an instance.
ctl::ThreadSlot* self_slot();
ctl::ThreadSlot* find_thread(uint32_t tid);
// Registers the calling thread under a name (replacing an earlier registration).
ctl::ThreadSlot* register_self(const char* name, uint32_t priority, uint32_t policy,
                               uint32_t stack_size);
// Forgets the calling thread's slot without freeing it (after fork, in the child).
void forget_self();
uint32_t gettid32();
int32_t self_pid();

// Futex operations on a 32-bit word in shared memory (works across processes).
// timeout nullptr waits for ever. Returns false on time-out.
bool futex_wait(std::atomic<uint32_t>* word, uint32_t expected, const timespec* rel_timeout);
void futex_wake_all(std::atomic<uint32_t>* word);
// Watches the word for a few microseconds before a futex wait: a partner running on another
// processor usually answers within that time, and then neither side sleeps. True when the
// word no longer holds `expected`. Does not spin on a machine with one processor.
bool spin_while_equal(const std::atomic<uint32_t>* word, uint32_t expected);
// A spinning waiter's step and whether spinning helps (platform/sysfun/spin.h).
using sysfun::cpu_pause;
using sysfun::several_cpus;

// Relative time-out for a wait of `ticks` ticks.
timespec ticks_to_timespec(uint32_t ticks);
// Nanoseconds and milliseconds of CLOCK_MONOTONIC.
uint64_t monotonic_ns();
inline uint64_t monotonic_ms() {
    return monotonic_ns() / 1000000;
}

// Sets event bits on a thread's slot, waking the thread only when it sleeps on them.
void raise_event(ctl::ThreadSlot* s, uint32_t bits);
// The registration of a keyed queue in the control block, or nullptr.
ctl::QueueSlot* find_queue(ctl::Block* b, uint32_t key);

// Raises the event of the keyed queue `key` on its owner (after a message was sent to it).
uint32_t raise_queue_event(uint32_t key);

// Called by a sender between copying a message into a ring slot and publishing it (tests
// stop or kill senders there); does nothing unless a test set it.
void msgq_test_point();
void set_msgq_test_point(void (*fn)());

}  // namespace sysfun::internal
