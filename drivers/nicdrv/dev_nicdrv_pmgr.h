// The freeing side of the CPU packet driver, for every process that holds received packets
// (the driver process included): an mref of a received packet, released for the last time,
// keeps the shared books in segment 6 (under semaphore 17), wakes the receive task when a
// suspended queue may resume, and gives the packet's buffers back to the chip: directly in
// the driver process, through a module-37 request (code 7) elsewhere.
#pragma once

#include <cstdint>

// The process-wide function that gives a packet's buffers back, set in the driver process.
using DEV_NICDRV_FreeFunc_T = bool (*)(uint32_t free_info);
void DEV_NICDRV_OM_SetFreeFunc(DEV_NICDRV_FreeFunc_T func);
DEV_NICDRV_FreeFunc_T DEV_NICDRV_OM_GetFreeFunc();

// Returns a packet that will not be handed up (its buffers, not the books). TRUE on success.
bool DEV_NICDRV_PMGR_FreeRxPacket(uint32_t free_info);
// Registers the release of received packets' mrefs (L_MM type 1) in this process.
bool DEV_NICDRV_PMGR_RegisterMrefFree();
// The books of a handed-up packet of class `cos` freed: lowers its class's current count and
// its queue's depth and announced count, and sends the receive task event 8 when the queue is
// suspended and below its threshold again. FALSE when the shared state is not reachable.
bool DEV_NICDRV_PMGR_FreeBooks(uint32_t cos);

// The books of packets freed by one thread, kept aside to be settled in one hold of semaphore
// 17. The receive task keeps the books of the packets it frees itself while it hands a batch
// up (a packet layer may free each at once), so it takes the semaphore once per batch rather
// than once more per packet; it settles them before it takes the next batch, so every
// admission and suspension decision still sees them.
struct DEV_NICDRV_PMGR_DeferredBooks {
    uint32_t freed[11];  // packets freed, by class of service

    bool empty() const {
        for (uint32_t n : freed)
            if (n) return false;
        return true;
    }
};
// From now on, the books of the packets this thread frees go to `books` (nullptr: straight to
// the shared state again).
void DEV_NICDRV_PMGR_DeferBooks(DEV_NICDRV_PMGR_DeferredBooks* books);
// Settles `books` into the shared state at `base` and empties them; caller holds semaphore
// 17. TRUE when a suspended queue is below its threshold again.
bool DEV_NICDRV_PMGR_SettleBooksLocked(void* base, DEV_NICDRV_PMGR_DeferredBooks& books);
