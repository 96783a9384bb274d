// L_MQ: a multi-priority queue of pointer-sized entries with weighted dequeuing, the
// receive queue of the CPU packet path.
//
// Entries are enqueued by class; a class-to-queue map chosen at creation picks the queue.
// Each queue is a FIFO of fixed capacity (an entry offered to a full queue is refused).
//
// Dequeue order:
//  - Queues of weight 0 are strict-priority queues. They are served before every weighted
//    queue, the highest-numbered non-empty enabled one first, and can starve the others.
//  - Queues of weight w > 0 share what is left by weighted round robin: a round visits them
//    from the highest-numbered down to queue 0 and takes up to w entries from each before
//    moving on. A queue that is empty or disabled is passed over and loses the rest of its
//    turn; the round position is kept between calls, so the shares hold across dequeues.
//    With queues 0..6 of weights 1, 2, 4, 6, 6, 12, 14 all backlogged, a round of 45
//    dequeues gives 14 entries of queue 6, then 12 of queue 5, 6 of 4, 6 of 3, 4 of 2, 2 of
//    1 and 1 of queue 0.
//
// Disabling dequeue of a queue (L_MQ_DisableDeq) hides it from L_MQ_Deq only: it still
// accepts entries up to its capacity, keeps them in order, and L_MQ_GetTailPointer and
// L_MQ_DoOperationAndMoveHead still work on it. Enabling makes it eligible again. Queues
// start enabled.
//
// Positions: L_MQ_GetTailPointer names the slot of a queue's newest entry by a non-zero
// number; L_MQ_DoOperationAndMoveHead later removes every entry from the head up to and
// including that slot (used to age out entries older than a marker). A position stays
// meaningful while its entry is in the queue.
//
// Not thread-safe: callers that share a queue between threads lock around every call.
#pragma once

#include <cstdint>

struct L_MQ_T;

// Largest number of queues (one bit each in the enable and disable masks).
constexpr uint32_t L_MQ_MAX_QUEUES = 32;

// Makes a queue set. `class_to_queue` (num_classes entries, host byte order), `weights` and
// `capacities` (num_queues entries each) are copied. The capacities together must fit in
// `total_entries`. nullptr, with a console line, for bad arguments.
L_MQ_T* L_MQ_Create(uint32_t num_queues, uint32_t num_classes, uint32_t total_entries,
                    const uint16_t* class_to_queue, const uint32_t* weights,
                    const uint32_t* capacities);
// Frees the queue set (not what its entries point to). A null queue set is ignored.
void L_MQ_Destroy(L_MQ_T* mq);

// Appends `entry` to the queue of class `cls`; false for an unknown class or a full queue.
bool L_MQ_Enq(L_MQ_T* mq, void* entry, uint32_t cls);
// Takes the next entry in weighted order into *entry and, when `queue` is not null, the
// number of the queue it came from into *queue. False when no enabled queue holds an entry.
bool L_MQ_Deq(L_MQ_T* mq, void** entry, uint32_t* queue);

// Set (Enable) or clear (Disable) dequeuing of every queue whose bit (1 << queue) is set in
// `queue_bits`; other queues keep their state. Bits of queues that do not exist are ignored.
bool L_MQ_EnableDeq(L_MQ_T* mq, uint32_t queue_bits);
bool L_MQ_DisableDeq(L_MQ_T* mq, uint32_t queue_bits);

// The position of the newest entry of `queue`, or 0 when the queue is empty or unknown.
uint32_t L_MQ_GetTailPointer(L_MQ_T* mq, uint32_t queue);
// Removes the entries of `queue` from its head up to and including the entry at
// `position`, oldest first, calling operation(entry, cookie) for each after it left the
// queue (operation may be null). False, changing nothing, when `position` does not name an
// entry now in the queue.
bool L_MQ_DoOperationAndMoveHead(L_MQ_T* mq, uint32_t queue, uint32_t position,
                                 void (*operation)(void* entry, void* cookie), void* cookie);

// Number of entries in `queue` now (0 for an unknown queue).
uint32_t L_MQ_GetQueueDepth(const L_MQ_T* mq, uint32_t queue);
