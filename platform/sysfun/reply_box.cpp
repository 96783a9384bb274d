#include "platform/sysfun/reply_box.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/instance/ctl.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"
#include "platform/sysfun/tsan_sync.h"

namespace reply {
namespace {

// A requester that has given up on an answer a server is copying in waits for the copy to
// end, looking every kWriterCheckMs whether the server still lives, and at most
// kWriteLimitMs.
constexpr uint64_t kWriterCheckMs = 20;
constexpr uint64_t kWriteLimitMs = 5000;

std::atomic<void (*)()> g_test_point{nullptr};

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
    // A box left by a requester that died while a server was copying its answer in is taken
    // only when no other is free: that server may still be writing into it.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < ctl::kReplyBoxes; ++i) {
            int idx = (start + i) % ctl::kReplyBoxes;
            ctl::ReplyBox* r = &b->replies[idx];
            if (!take_life(r)) continue;
            if (pass == 0 && (r->await.load(std::memory_order_seq_cst) & ctl::kReplyWriting)) {
                pthread_mutex_unlock(&r->life);
                continue;
            }
            r->owner_pid = ::getpid();
            r->await.store(0, std::memory_order_seq_cst);
            return idx;
        }
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
              uint64_t deadline_ms, bool give_up, int32_t server_pid) {
    ctl::ReplyBox* r = box_at(box);
    if (!r) return SYSFUN_RESULT_INVALID_ARG;
    const uint32_t writing = tag.seq | ctl::kReplyWriting;
    const uint32_t done = tag.seq | ctl::kReplyDone;
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
        uint64_t until = deadline_ms;
        if (now >= deadline_ms) {
            if (!give_up) return SYSFUN_RESULT_TIMEOUT;
            if (v == tag.seq) {
                // Given up before any server took the answer on; one that comes later finds
                // the box no longer waiting and drops it. A server that got in first is
                // seen on the next look.
                if (r->await.compare_exchange_strong(v, 0, std::memory_order_seq_cst))
                    return SYSFUN_RESULT_TIMEOUT;
                continue;
            }
            if (v != writing) {
                // Not this request's: a box that a client with a bug wrote over.
                r->await.compare_exchange_strong(v, 0, std::memory_order_seq_cst);
                return SYSFUN_RESULT_TIMEOUT;
            }
            // A server is copying the answer in: it is as good as there, and the box cannot
            // be used again before that server is done with it. It is left only when the
            // server has died, or after kWriteLimitMs (a box that a client wrote over).
            if (now >= deadline_ms + kWriteLimitMs || !msgq::process_alive(server_pid)) {
                r->await.compare_exchange_strong(v, 0, std::memory_order_seq_cst);
                return SYSFUN_RESULT_TIMEOUT;
            }
            until = now + kWriterCheckMs;
        }
        if (sysfun::internal::spin_while_equal(&r->await, v)) continue;
        const uint64_t left = until - now;
        timespec rel{static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
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
        // An answer still being copied in by another server is left marked as such.
        uint32_t v = r->await.load(std::memory_order_seq_cst);
        if (v != 0 && !(v & ctl::kReplyWriting))
            r->await.compare_exchange_strong(v, 0, std::memory_order_seq_cst);
        pthread_mutex_unlock(&r->life);
        return SYSFUN_RESULT_PEER_GONE;
    }
    uint32_t expect = tag.seq;
    if (!r->await.compare_exchange_strong(expect, tag.seq | ctl::kReplyWriting,
                                          std::memory_order_seq_cst))
        return SYSFUN_RESULT_PEER_GONE;  // it stopped waiting for this answer
    // The box's contents are ours until the answer is marked done: the requester hands them
    // from one answer to the next, and may do so between two threads of this process.
    tsan_sync::acquire(r->data);
    std::memcpy(r->data, msg, len);
    r->len = static_cast<uint32_t>(len);
    if (auto fn = g_test_point.load(std::memory_order_relaxed)) fn();
    tsan_sync::release(r->data);
    expect = tag.seq | ctl::kReplyWriting;
    if (!r->await.compare_exchange_strong(expect, tag.seq | ctl::kReplyDone,
                                          std::memory_order_seq_cst))
        return SYSFUN_RESULT_PEER_GONE;  // the box was given up (its server was taken for dead)
    if (r->sleepers.load(std::memory_order_seq_cst) != 0)
        sysfun::internal::futex_wake_all(&r->await);
    return SYSFUN_OK;
}

void set_test_point(void (*fn)()) {
    g_test_point.store(fn);
}

}  // namespace reply
