#include "platform/sysfun/reply_box.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/instance/ctl.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"

namespace reply {
namespace {

ctl::ReplyBox* box_at(int box) {
    ctl::Block* b = ctl::get();
    if (!b || box < 0 || box >= ctl::kReplyBoxes) return nullptr;
    return &b->replies[box];
}

// Takes the box's life lock: true when it is now ours (free, or its owner died).
bool take_life(ctl::ReplyBox* r) {
    int rc = pthread_mutex_trylock(&r->life);
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&r->life);
        rc = 0;
    }
    return rc == 0;
}

}  // namespace

int acquire() {
    ctl::Block* b = ctl::get();
    if (!b) return -1;
    // Start at a place of our own, so that requesters do not all race for box 0.
    const int start = static_cast<int>(sysfun::internal::gettid32() % ctl::kReplyBoxes);
    for (int i = 0; i < ctl::kReplyBoxes; ++i) {
        int idx = (start + i) % ctl::kReplyBoxes;
        ctl::ReplyBox* r = &b->replies[idx];
        if (!take_life(r)) continue;
        r->owner_pid = ::getpid();
        r->await.store(0, std::memory_order_seq_cst);
        return idx;
    }
    return -1;
}

void release(int box) {
    ctl::ReplyBox* r = box_at(box);
    if (!r) return;
    r->await.store(0, std::memory_order_seq_cst);
    r->owner_pid = 0;
    pthread_mutex_unlock(&r->life);
}

msgq::ReplyTag arm(int box) {
    ctl::ReplyBox* r = box_at(box);
    if (!r) return {};
    uint32_t seq;
    do {
        seq = r->next_seq.fetch_add(1, std::memory_order_relaxed) & ctl::kReplySeqMask;
    } while (seq == 0);
    r->await.store(seq, std::memory_order_seq_cst);
    return {static_cast<uint32_t>(box) + 1, seq};
}

void disarm(int box) {
    if (ctl::ReplyBox* r = box_at(box)) r->await.store(0, std::memory_order_seq_cst);
}

uint32_t wait(int box, msgq::ReplyTag tag, void* resp, size_t cap, size_t* len,
              uint64_t deadline_ms, bool give_up) {
    ctl::ReplyBox* r = box_at(box);
    if (!r) return SYSFUN_RESULT_INVALID_ARG;
    const uint32_t done = tag.seq | ctl::kReplyDone;
    // A server caught writing at the deadline is given this long to finish.
    constexpr uint64_t kWriteGrace = 1000;
    for (;;) {
        uint32_t v = r->await.load(std::memory_order_seq_cst);
        if (v == done) {
            size_t n = std::min<size_t>(r->len, cap);
            std::memcpy(resp, r->data, n);
            if (len) *len = n;
            r->await.store(0, std::memory_order_seq_cst);
            return SYSFUN_OK;
        }
        const uint64_t now = sysfun::internal::monotonic_ms();
        if (now >= deadline_ms && !give_up) return SYSFUN_RESULT_TIMEOUT;
        if (now >= deadline_ms) {
            uint32_t expect = tag.seq;
            if (r->await.compare_exchange_strong(expect, 0, std::memory_order_seq_cst))
                return SYSFUN_RESULT_TIMEOUT;
            if (expect != (tag.seq | ctl::kReplyWriting) || now >= deadline_ms + kWriteGrace) {
                r->await.store(0, std::memory_order_seq_cst);
                return SYSFUN_RESULT_TIMEOUT;
            }
        }
        const uint64_t until = now >= deadline_ms ? deadline_ms + kWriteGrace : deadline_ms;
        const uint64_t left = until - now;
        timespec rel{static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
        if (sysfun::internal::spin_while_equal(&r->await, v)) continue;
        r->sleepers.fetch_add(1, std::memory_order_seq_cst);
        if (r->await.load(std::memory_order_seq_cst) == v)
            sysfun::internal::futex_wait(&r->await, v, &rel);
        r->sleepers.fetch_sub(1, std::memory_order_seq_cst);
    }
}

uint32_t answer(msgq::ReplyTag tag, const void* msg, size_t len) {
    ctl::ReplyBox* r = tag.box ? box_at(static_cast<int>(tag.box) - 1) : nullptr;
    if (!r || tag.seq == 0 || len > sizeof r->data) return SYSFUN_RESULT_PEER_GONE;
    // A box we can lock has no requester behind it any more; unlocking it again leaves it free
    // (and repaired, when its owner died holding it).
    if (take_life(r)) {
        r->await.store(0, std::memory_order_seq_cst);
        pthread_mutex_unlock(&r->life);
        return SYSFUN_RESULT_PEER_GONE;
    }
    uint32_t expect = tag.seq;
    if (!r->await.compare_exchange_strong(expect, tag.seq | ctl::kReplyWriting,
                                          std::memory_order_seq_cst))
        return SYSFUN_RESULT_PEER_GONE;  // it stopped waiting for this answer
    std::memcpy(r->data, msg, len);
    r->len = static_cast<uint32_t>(len);
    r->await.store(tag.seq | ctl::kReplyDone, std::memory_order_seq_cst);
    if (r->sleepers.load(std::memory_order_seq_cst) != 0)
        sysfun::internal::futex_wake_all(&r->await);
    return SYSFUN_OK;
}

}  // namespace reply
