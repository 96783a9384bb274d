#include "platform/sysfun/msgq_ring.h"

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/common/types.h"
#include "platform/sysfun/sysfun_internal.h"

namespace msgq {
namespace {

constexpr size_t kHeaderBytes = (sizeof(RingHeader) + 63) / 64 * 64;

uint32_t stride_of(uint32_t max_msg) {
    return static_cast<uint32_t>((sizeof(SlotHeader) + max_msg + 63) / 64 * 64);
}

uint32_t rotl(uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

uint32_t digest(const RingHeader* h) {
    return h->magic ^ rotl(h->capacity, 7) ^ rotl(h->max_msg, 13) ^ rotl(h->slot_stride, 19) ^
           rotl(h->key, 23) ^ (h->epoch * 0x9E3779B1u) ^ rotl(h->policy, 29);
}

uint64_t make_word(uint64_t seq, int32_t pid) {
    return (uint64_t{static_cast<uint32_t>(seq)} << 32) | static_cast<uint32_t>(pid);
}

SlotHeader* slot_at(RingHeader* h, const Geometry& g, uint64_t pos) {
    auto* base = reinterpret_cast<uint8_t*>(h) + kHeaderBytes;
    return reinterpret_cast<SlotHeader*>(base + (pos & (g.capacity - 1)) * stride_of(g.max_msg));
}

uint8_t* slot_data(SlotHeader* s) {
    return reinterpret_cast<uint8_t*>(s) + sizeof(SlotHeader);
}

void write_geometry(RingHeader* h, const Geometry& g) {
    h->magic = kRingMagic;
    h->capacity = g.capacity;
    h->max_msg = g.max_msg;
    h->slot_stride = stride_of(g.max_msg);
    h->key = g.key;
    h->epoch = g.epoch;
    h->policy = static_cast<uint32_t>(g.policy);
    h->check = digest(h);
}

bool header_consistent(const Consumer* c) {
    const RingHeader* h = c->h;
    const Geometry& g = c->g;
    return h->magic == kRingMagic && h->capacity == g.capacity && h->max_msg == g.max_msg &&
           h->slot_stride == stride_of(g.max_msg) && h->key == g.key && h->epoch == g.epoch &&
           h->policy == static_cast<uint32_t>(g.policy) && h->check == digest(h) &&
           h->head.load(std::memory_order_relaxed) == c->head;
}

// Hands the slot at the head back to the senders, one lap on.
void release_head(Consumer* c, SlotHeader* s) {
    s->word.store(make_word(c->head + c->g.capacity, 0), std::memory_order_seq_cst);
    ++c->head;
    c->h->head.store(c->head, std::memory_order_seq_cst);
    if (c->h->room_waiters.load(std::memory_order_seq_cst) != 0) ring_wake_senders(c->h);
}

}  // namespace

size_t ring_bytes(uint32_t capacity, uint32_t max_msg) {
    return kHeaderBytes + size_t{capacity} * stride_of(max_msg);
}

bool ring_geometry(const RingHeader* h, size_t mapped, Geometry* g) {
    if (mapped < kHeaderBytes || h->magic != kRingMagic || h->check != digest(h)) return false;
    const uint32_t cap = h->capacity;
    if (cap == 0 || (cap & (cap - 1)) != 0 || h->slot_stride != stride_of(h->max_msg) ||
        ring_bytes(cap, h->max_msg) > mapped)
        return false;
    if (h->policy != static_cast<uint32_t>(FullPolicy::kBlock) &&
        h->policy != static_cast<uint32_t>(FullPolicy::kRefuse))
        return false;
    *g = Geometry{cap, h->max_msg, h->key, h->epoch, static_cast<FullPolicy>(h->policy)};
    return true;
}

void ring_init(void* mem, const Geometry& g) {
    auto* h = new (mem) RingHeader{};
    write_geometry(h, g);
    Consumer c{h, g, 0};
    ring_reset(&c);
    h->resets.store(0);
}

void ring_reset(Consumer* c) {
    RingHeader* h = c->h;
    write_geometry(h, c->g);
    h->closed.store(0);
    h->tail.store(c->head);
    h->head.store(c->head);
    // Slot i is free for the position of the coming lap that falls on it.
    for (uint64_t p = c->head; p < c->head + c->g.capacity; ++p)
        slot_at(h, c->g, p)->word.store(make_word(p, 0), std::memory_order_seq_cst);
    h->resets.fetch_add(1);
    ring_wake_senders(h);
}

Push ring_push(RingHeader* h, const Geometry& g, const void* msg, uint32_t len, ReplyTag tag,
               int32_t pid) {
    if (h->closed.load(std::memory_order_acquire)) return Push::kClosed;
    if (len > g.max_msg) return Push::kTooLong;
    uint64_t last = ~uint64_t{0};
    int stuck = 0;
    for (;;) {
        uint64_t pos = h->tail.load(std::memory_order_seq_cst);
        SlotHeader* s = slot_at(h, g, pos);
        uint64_t w = s->word.load(std::memory_order_seq_cst);
        auto dif =
            static_cast<int32_t>(static_cast<uint32_t>(w >> 32) - static_cast<uint32_t>(pos));
        if (dif == 0) {
            if (static_cast<uint32_t>(w) == 0) {
                if (!s->word.compare_exchange_strong(w, make_word(pos, pid),
                                                     std::memory_order_seq_cst))
                    continue;
                uint64_t expect = pos;  // a helper may have moved it on already
                h->tail.compare_exchange_strong(expect, pos + 1, std::memory_order_seq_cst);
                s->len = len;
                s->reply_box = tag.box;
                s->reply_seq = tag.seq;
                s->sender_pid = pid;
                std::memcpy(slot_data(s), msg, len);
                sysfun::internal::msgq_test_point();
                s->word.store(make_word(pos + 1, 0), std::memory_order_seq_cst);
                return Push::kOk;
            }
            // Claimed by a sender that has not moved the tail on yet: do it for it.
            uint64_t expect = pos;
            h->tail.compare_exchange_strong(expect, pos + 1, std::memory_order_seq_cst);
            continue;
        }
        if (dif < 0) return Push::kFull;  // the previous lap's message is still there
        // The tail moved on since it was read. A tail that stays behind its slot cannot be
        // followed: the ring is inconsistent.
        if (pos != last) {
            last = pos;
            stuck = 0;
        } else if (++stuck > 1000) {
            return Push::kInconsistent;
        }
    }
}

void ring_wake_receiver(RingHeader* h) {
    if (h->data_waiters.load(std::memory_order_seq_cst) == 0) return;
    h->data_seq.fetch_add(1, std::memory_order_seq_cst);
    sysfun::internal::futex_wake_all(&h->data_seq);
}

void ring_wake_senders(RingHeader* h) {
    h->room_seq.fetch_add(1, std::memory_order_seq_cst);
    sysfun::internal::futex_wake_all(&h->room_seq);
}

PopResult ring_pop(Consumer* c, void* buf, uint32_t cap) {
    RingHeader* h = c->h;
    for (;;) {
        if (!header_consistent(c)) {
            ring_reset(c);
            return PopResult{Pop::kCorrupt, 0, {}, 0};
        }
        const uint64_t pos = c->head;
        SlotHeader* s = slot_at(h, c->g, pos);
        // The slot before the tail: a sender moves the tail on before it publishes, so a
        // published slot has the tail beyond it.
        const uint64_t w = s->word.load(std::memory_order_seq_cst);
        const uint64_t tail = h->tail.load(std::memory_order_seq_cst);
        const auto seq = static_cast<uint32_t>(w >> 32);
        const auto writer = static_cast<int32_t>(static_cast<uint32_t>(w));
        const bool published = seq == static_cast<uint32_t>(pos) + 1 && writer == 0;
        if (tail - pos > c->g.capacity || (published && tail == pos)) {
            ring_reset(c);
            return PopResult{Pop::kCorrupt, 0, {}, 0};
        }
        if (published) {
            PopResult r{Pop::kMessage, s->len, {s->reply_box, s->reply_seq}, s->sender_pid};
            if (r.len > c->g.max_msg || r.len > cap) {
                r.what = Pop::kTooLong;
            } else if (r.len < sys_adpt::kMsgHeaderSize) {
                r.what = Pop::kTooShort;
            } else {
                std::memcpy(buf, slot_data(s), r.len);
            }
            release_head(c, s);
            return r;
        }
        if (seq != static_cast<uint32_t>(pos)) {
            ring_reset(c);
            return PopResult{Pop::kCorrupt, 0, {}, 0};
        }
        if (writer == 0) {
            // Free. The tail cannot have passed a slot nobody claimed; the slot is read again
            // after the tail, as a sender may have claimed it in between.
            if (s->word.load(std::memory_order_seq_cst) != w) continue;
            if (tail != pos) {
                ring_reset(c);
                return PopResult{Pop::kCorrupt, 0, {}, 0};
            }
            return PopResult{Pop::kEmpty, 0, {}, 0};
        }
        if (process_alive(writer)) return PopResult{Pop::kBusy, 0, {}, 0};
        // Its sender died while writing it: the message is lost, the ones behind it are not.
        uint64_t expect = pos;
        h->tail.compare_exchange_strong(expect, pos + 1, std::memory_order_seq_cst);
        h->lost.fetch_add(1);
        release_head(c, s);
    }
}

bool process_alive(int32_t pid) {
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM)) return false;
    // A process killed but not yet reaped is gone for our purposes.
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    const char* close_paren = std::strrchr(buf, ')');
    if (n == 0 || !close_paren || close_paren[1] == '\0') return true;
    char state = close_paren[2];
    return state != 'Z' && state != 'X';
}

}  // namespace msgq
