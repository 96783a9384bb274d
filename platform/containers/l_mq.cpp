#include "platform/containers/l_mq.h"

#include <new>
#include <vector>

#include "platform/console/console.h"

namespace {
struct Queue {
    uint32_t weight;
    uint32_t capacity;
    uint32_t base;   // first slot of the queue's ring in the shared entry store
    uint32_t head;   // ring index of the oldest entry
    uint32_t count;  // entries held
};
}  // namespace

struct L_MQ_T {
    std::vector<Queue> queues;
    std::vector<uint16_t> class_to_queue;
    std::vector<void*> store;  // the rings of all queues, one after another
    uint32_t deq_enabled;      // bit q set: queue q may be dequeued
    uint32_t rr_queue;         // weighted round robin: queue whose turn it is
    uint32_t rr_credit;        // entries it may still give in this turn
};

namespace {

bool eligible(const L_MQ_T* mq, uint32_t q) {
    return mq->queues[q].count > 0 && (mq->deq_enabled & (1u << q)) != 0;
}

void* pop_head(L_MQ_T* mq, uint32_t q) {
    Queue& queue = mq->queues[q];
    // The slot is left as it is: only the occupied part of a ring is ever read, and the
    // next enqueue's write is the only one its line then needs.
    void* entry = mq->store[queue.base + queue.head];
    queue.head = queue.head + 1 == queue.capacity ? 0 : queue.head + 1;
    --queue.count;
    return entry;
}

// The round robin visits queues from the highest number down, then wraps.
uint32_t rr_next(const L_MQ_T* mq, uint32_t q) {
    return q == 0 ? static_cast<uint32_t>(mq->queues.size()) - 1 : q - 1;
}

}  // namespace

L_MQ_T* L_MQ_Create(uint32_t num_queues, uint32_t num_classes, uint32_t total_entries,
                    const uint16_t* class_to_queue, const uint32_t* weights,
                    const uint32_t* capacities) {
    if (num_queues == 0 || num_queues > L_MQ_MAX_QUEUES || num_classes == 0 ||
        class_to_queue == nullptr || weights == nullptr || capacities == nullptr) {
        CONSOLE_Printf("L_MQ_Create: bad arguments (%u queues, %u classes)\r\n", num_queues,
                       num_classes);
        return nullptr;
    }
    for (uint32_t c = 0; c < num_classes; ++c) {
        if (class_to_queue[c] >= num_queues) {
            CONSOLE_Printf("L_MQ_Create: class %u maps to queue %u of %u\r\n", c, class_to_queue[c],
                           num_queues);
            return nullptr;
        }
    }
    uint64_t needed = 0;
    for (uint32_t q = 0; q < num_queues; ++q)
        needed += capacities[q];
    if (needed > total_entries) {
        CONSOLE_Printf("L_MQ_Create: capacities need %llu entries, %u given\r\n",
                       static_cast<unsigned long long>(needed), total_entries);
        return nullptr;
    }

    auto* mq = new (std::nothrow) L_MQ_T;
    if (mq == nullptr) return nullptr;
    try {
        mq->queues.resize(num_queues);
        mq->class_to_queue.assign(class_to_queue, class_to_queue + num_classes);
        mq->store.assign(total_entries, nullptr);
    } catch (const std::bad_alloc&) {
        CONSOLE_Printf("L_MQ_Create: out of memory for %u entries\r\n", total_entries);
        delete mq;
        return nullptr;
    }
    uint32_t base = 0;
    for (uint32_t q = 0; q < num_queues; ++q) {
        mq->queues[q] = Queue{weights[q], capacities[q], base, 0, 0};
        base += capacities[q];
    }
    mq->deq_enabled = num_queues == 32 ? 0xFFFFFFFFu : (1u << num_queues) - 1;
    mq->rr_queue = num_queues - 1;
    mq->rr_credit = mq->queues[mq->rr_queue].weight;
    return mq;
}

void L_MQ_Destroy(L_MQ_T* mq) {
    delete mq;
}

bool L_MQ_Enq(L_MQ_T* mq, void* entry, uint32_t cls) {
    if (mq == nullptr || cls >= mq->class_to_queue.size()) return false;
    Queue& queue = mq->queues[mq->class_to_queue[cls]];
    if (queue.count >= queue.capacity) return false;
    mq->store[queue.base + (queue.head + queue.count) % queue.capacity] = entry;
    ++queue.count;
    return true;
}

bool L_MQ_Deq(L_MQ_T* mq, void** entry, uint32_t* queue) {
    if (mq == nullptr || entry == nullptr) return false;
    auto n = static_cast<uint32_t>(mq->queues.size());

    for (uint32_t q = n; q-- > 0;) {
        if (mq->queues[q].weight == 0 && eligible(mq, q)) {
            *entry = pop_head(mq, q);
            if (queue != nullptr) *queue = q;
            return true;
        }
    }

    // The queue whose turn it is first (with what is left of its turn), then every queue
    // once more with a fresh turn, which brings the walk back round to the first one.
    for (uint32_t step = 0; step <= n; ++step) {
        uint32_t q = mq->rr_queue;
        if (mq->queues[q].weight > 0 && mq->rr_credit > 0 && eligible(mq, q)) {
            --mq->rr_credit;
            *entry = pop_head(mq, q);
            if (queue != nullptr) *queue = q;
            return true;
        }
        mq->rr_queue = rr_next(mq, q);
        mq->rr_credit = mq->queues[mq->rr_queue].weight;
    }
    return false;
}

bool L_MQ_EnableDeq(L_MQ_T* mq, uint32_t queue_bits) {
    if (mq == nullptr) return false;
    mq->deq_enabled |= queue_bits;
    return true;
}

bool L_MQ_DisableDeq(L_MQ_T* mq, uint32_t queue_bits) {
    if (mq == nullptr) return false;
    mq->deq_enabled &= ~queue_bits;
    return true;
}

uint32_t L_MQ_GetTailPointer(L_MQ_T* mq, uint32_t queue) {
    if (mq == nullptr || queue >= mq->queues.size()) return 0;
    const Queue& q = mq->queues[queue];
    if (q.count == 0) return 0;
    return q.base + (q.head + q.count - 1) % q.capacity + 1;
}

bool L_MQ_DoOperationAndMoveHead(L_MQ_T* mq, uint32_t queue, uint32_t position,
                                 void (*operation)(void* entry, void* cookie), void* cookie) {
    if (mq == nullptr || queue >= mq->queues.size()) return false;
    const Queue& q = mq->queues[queue];
    if (position <= q.base || position > q.base + q.capacity) return false;
    uint32_t index = position - 1 - q.base;
    // Distance from the head along the ring; only the occupied part names entries.
    uint32_t distance = (index + q.capacity - q.head) % q.capacity;
    if (distance >= q.count) return false;
    for (uint32_t i = 0; i <= distance; ++i) {
        void* entry = pop_head(mq, queue);
        if (operation != nullptr) operation(entry, cookie);
    }
    return true;
}

uint32_t L_MQ_GetQueueDepth(const L_MQ_T* mq, uint32_t queue) {
    if (mq == nullptr || queue >= mq->queues.size()) return 0;
    return mq->queues[queue].count;
}
