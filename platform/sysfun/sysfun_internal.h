// Shared by the SYSFUN implementation files.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

#include "platform/instance/ctl.h"

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

// Futex operations on a 32-bit word in shared memory (works across processes).
// timeout nullptr waits for ever. Returns false on time-out.
bool futex_wait(std::atomic<uint32_t>* word, uint32_t expected, const timespec* rel_timeout);
void futex_wake_all(std::atomic<uint32_t>* word);

// Relative time-out for a wait of `ticks` ticks.
timespec ticks_to_timespec(uint32_t ticks);
// Milliseconds of CLOCK_MONOTONIC.
uint64_t monotonic_ms();

// Raises the event of the keyed queue `key` on its owner (after a message was sent to it).
uint32_t raise_queue_event(uint32_t key);

}  // namespace sysfun::internal
