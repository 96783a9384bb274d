// Keyed queues created with an explicit size and behaviour when full (SYSFUN_CreateMsgQ
// creates them with the defaults below).
#pragma once

#include <cstdint>

#include "platform/common/types.h"
#include "platform/sysfun/msgq_ring.h"
#include "platform/sysfun/sysfun.h"

namespace msgq {

struct QueueOptions {
    uint32_t capacity = 128;                   // messages; a power of two
    uint32_t max_msg = sys_adpt::kMaxMsgSize;  // bytes of the largest message (header included)
    FullPolicy policy = FullPolicy::kBlock;    // what a client sending to a full queue does
};

uint32_t create_queue(uint32_t key, const QueueOptions& options, SYSFUN_MsgQ_T* handle);
// How often the queue's ring was found inconsistent and reset.
uint32_t reset_count(SYSFUN_MsgQ_T handle);
// How many messages were lost because their senders died while writing them.
uint32_t lost_count(SYSFUN_MsgQ_T handle);
// The queue's ring (tests reach into it as a client with a bug would).
RingHeader* ring_of(SYSFUN_MsgQ_T handle);

}  // namespace msgq
