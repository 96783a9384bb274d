// Message queues. Each queue is a ring of message slots (msgq_ring.h); a keyed queue's ring
// lies in a shared-memory object of the instance that every sender maps, and is registered in
// the instance control block with the thread that owns it, so that a sender raises that
// thread's message event. The answer to a request goes into the requester's reply box
// (reply_box.h).
//
// A keyed queue also keeps a datagram socket at its address (ipc::queue_socket_name), for
// senders outside the client library; the owner reads it when the ring is empty, after the
// sender marked it with ipc::notify.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "platform/common/types.h"
#include "platform/components/faults.h"
#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/instance/shm.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/msgq_options.h"
#include "platform/sysfun/msgq_route.h"
#include "platform/sysfun/reply_box.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysfun/sysfun_internal.h"

struct SysfunMsgQ {
    uint32_t key = 0;
    uint32_t owner_tid = 0;
    uint32_t owner_slot = 0;
    uint32_t event_bits = SYSFUN_SYSTEM_EVENT_IPCMSG;
    msgq::Consumer cons;
    void* mem = nullptr;
    size_t bytes = 0;
    std::string shm_name;  // empty: a private queue in this process's memory
    int fd = -1;
    enum class From { kNone, kRing, kDatagram } last_from = From::kNone;
    msgq::ReplyTag last_tag;
    sockaddr_un last_sender{};
    socklen_t last_sender_len = 0;
    uint32_t last_capacity = 0;
};

namespace {

// The key of the queue the calling thread received its last message from.
thread_local uint32_t t_received_key = 0;

socklen_t abstract_addr(const std::string& name, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    size_t n = std::min(name.size(), sizeof addr->sun_path - 1);
    std::memcpy(addr->sun_path + 1, name.data(), n);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

void register_queue(SysfunMsgQ* q) {
    ctl::Block* b = ctl::get();
    if (!b) return;
    ctl::Guard g(b);
    ctl::QueueSlot* slot = sysfun::internal::find_queue(b, q->key);
    if (!slot) {
        for (auto& s : b->queues) {
            if (!s.in_use.load()) {
                slot = &s;
                break;
            }
        }
    }
    if (!slot) return;
    slot->key = q->key;
    slot->owner_tid.store(q->owner_tid);
    slot->event_bits.store(q->event_bits);
    slot->pid = ::getpid();
    slot->epoch.store(q->cons.g.epoch);
    slot->in_use.store(1, std::memory_order_release);
}

void set_owner(SysfunMsgQ* q) {
    msgq::RingHeader* h = q->cons.h;
    h->owner_tid.store(q->owner_tid);
    h->owner_slot.store(q->owner_slot);
    h->event_bits.store(q->event_bits);
}

bool owner_intact(const SysfunMsgQ* q) {
    const msgq::RingHeader* h = q->cons.h;
    return h->owner_tid.load() == q->owner_tid && h->owner_slot.load() == q->owner_slot &&
           h->event_bits.load() == q->event_bits && h->closed.load() == 0;
}

// A client wrote over the ring: it is made empty again and the owner goes on.
void report_reset(SysfunMsgQ* q) {
    set_owner(q);
    CONSOLE_Printf("SYSFUN: message queue %lu was inconsistent and has been reset\r\n",
                   static_cast<unsigned long>(q->key));
}

uint32_t check_length(size_t len) {
    if (len < sys_adpt::kMsgHeaderSize) return SYSFUN_RESULT_MSG_TOO_SHORT;
    if (len > sys_adpt::kMaxMsgSize) return SYSFUN_RESULT_MSG_TOO_LONG;
    return SYSFUN_OK;
}

uint32_t open_socket(SysfunMsgQ* q) {
    q->fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (q->fd < 0) return SYSFUN_RESULT_SYSTEM_ERROR;
    sockaddr_un self;
    socklen_t len = abstract_addr(ipc::queue_socket_name(q->key), &self);
    if (::bind(q->fd, reinterpret_cast<sockaddr*>(&self), len) == 0) return SYSFUN_OK;
    uint32_t rc = errno == EADDRINUSE ? SYSFUN_RESULT_OBJ_EXIST : SYSFUN_RESULT_SYSTEM_ERROR;
    ::close(q->fd);
    q->fd = -1;
    return rc;
}

void free_queue(SysfunMsgQ* q) {
    if (q->fd >= 0) ::close(q->fd);
    if (!q->shm_name.empty()) {
        shm::unmap(q->mem, q->bytes);
        shm::remove(q->shm_name);
    } else if (q->mem) {
        ::operator delete (q->mem, std::align_val_t{64});
    }
    delete q;
}

// A datagram from a sender outside the client library, taken as the old socket queues did.
uint32_t receive_datagram(SysfunMsgQ* q, uint8_t* b, size_t cap) {
    std::atomic<uint32_t>& marked = q->cons.h->datagrams;
    if (q->fd < 0 || marked.load() == 0 || marked.exchange(0) == 0) return SYSFUN_RESULT_NO_MESSAGE;
    ssize_t n;
    do {
        q->last_sender_len = sizeof q->last_sender;
        n = ::recvfrom(q->fd, b, cap, MSG_TRUNC | MSG_DONTWAIT,
                       reinterpret_cast<sockaddr*>(&q->last_sender), &q->last_sender_len);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return SYSFUN_RESULT_NO_MESSAGE;
    marked.store(1);  // more may be waiting behind it
    q->last_from = SysfunMsgQ::From::kDatagram;
    if (static_cast<size_t>(n) > cap || static_cast<size_t>(n) < sys_adpt::kMsgHeaderSize) {
        std::memset(b, 0, cap);
        q->last_from = SysfunMsgQ::From::kNone;  // a refused message gets no answer
        return static_cast<size_t>(n) > cap ? SYSFUN_RESULT_MSG_TOO_LONG
                                            : SYSFUN_RESULT_MSG_TOO_SHORT;
    }
    std::memset(b + n, 0, cap - static_cast<size_t>(n));
    return SYSFUN_OK;
}

// One look at the ring: a result to return, or NO_MESSAGE (busy: a sender is still writing).
uint32_t take_from_ring(SysfunMsgQ* q, uint8_t* b, size_t cap, bool* busy) {
    for (;;) {
        if (!owner_intact(q)) {
            msgq::ring_reset(&q->cons);
            report_reset(q);
        }
        msgq::PopResult r = msgq::ring_pop(&q->cons, b, static_cast<uint32_t>(cap));
        switch (r.what) {
            case msgq::Pop::kMessage:
                std::memset(b + r.len, 0, cap - r.len);
                q->last_from = SysfunMsgQ::From::kRing;
                q->last_tag = r.reply;
                return SYSFUN_OK;
            case msgq::Pop::kTooLong:
            case msgq::Pop::kTooShort:
                std::memset(b, 0, cap);
                q->last_from = SysfunMsgQ::From::kNone;  // a refused message gets no answer
                return r.what == msgq::Pop::kTooLong ? SYSFUN_RESULT_MSG_TOO_LONG
                                                     : SYSFUN_RESULT_MSG_TOO_SHORT;
            case msgq::Pop::kCorrupt:
                report_reset(q);
                continue;
            case msgq::Pop::kBusy:
                *busy = true;
                return SYSFUN_RESULT_NO_MESSAGE;
            case msgq::Pop::kEmpty:
                return SYSFUN_RESULT_NO_MESSAGE;
        }
    }
}

}  // namespace

uint32_t sysfun::received_queue_key() {
    return t_received_key;
}

namespace sysfun::internal {

ctl::QueueSlot* find_queue(ctl::Block* b, uint32_t key) {
    for (auto& q : b->queues)
        if (q.in_use.load(std::memory_order_acquire) && q.key == key) return &q;
    return nullptr;
}

uint32_t raise_queue_event(uint32_t key) {
    ctl::Block* b = ctl::get();
    if (!b) return SYSFUN_RESULT_NO_INSTANCE;
    ctl::QueueSlot* q = find_queue(b, key);
    if (!q) return SYSFUN_RESULT_OBJ_NOT_EXIST;
    return SYSFUN_SendEvent(q->owner_tid.load(), q->event_bits.load());
}

}  // namespace sysfun::internal

namespace msgq {

uint32_t create_queue(uint32_t key, const QueueOptions& o, SYSFUN_MsgQ_T* handle) {
    if (!handle || o.capacity == 0 || (o.capacity & (o.capacity - 1)) != 0 ||
        o.capacity > (1u << 20) || o.max_msg < sys_adpt::kMsgHeaderSize ||
        o.max_msg > sys_adpt::kMaxMsgSize)
        return SYSFUN_RESULT_INVALID_ARG;
    ctl::Block* b = ctl::get();
    if (key != 0 && !b) return SYSFUN_RESULT_NO_INSTANCE;
    auto* q = new SysfunMsgQ;
    q->key = key;
    q->owner_tid = SYSFUN_TaskIdSelf();
    if (ctl::ThreadSlot* self = sysfun::internal::self_slot(); self && b)
        q->owner_slot = static_cast<uint32_t>(self - b->threads);
    Geometry g{o.capacity, o.max_msg, key, 0, o.policy};
    q->bytes = ring_bytes(o.capacity, o.max_msg);
    if (key != 0) {
        // The socket address is the key's: it is taken while its owner lives.
        if (uint32_t rc = open_socket(q); rc != SYSFUN_OK) {
            free_queue(q);
            return rc;
        }
        g.epoch = b->next_epoch.fetch_add(1) + 1;
        q->shm_name = ring_name(key, g.epoch);
        q->mem = shm::create(q->shm_name, q->bytes);
        if (!q->mem) {
            q->shm_name.clear();
            free_queue(q);
            return SYSFUN_RESULT_SYSTEM_ERROR;
        }
    } else {
        q->mem = ::operator new (q->bytes, std::align_val_t{64});
    }
    ring_init(q->mem, g);
    q->cons = Consumer{static_cast<RingHeader*>(q->mem), g, 0};
    set_owner(q);
    if (key != 0) register_queue(q);
    *handle = q;
    return SYSFUN_OK;
}

uint32_t reset_count(SYSFUN_MsgQ_T q) {
    return q ? q->cons.h->resets.load() : 0;
}

uint32_t lost_count(SYSFUN_MsgQ_T q) {
    return q ? q->cons.h->lost.load() : 0;
}

RingHeader* ring_of(SYSFUN_MsgQ_T q) {
    return q ? q->cons.h : nullptr;
}

}  // namespace msgq

uint32_t SYSFUN_CreateMsgQ(uint32_t key, uint32_t /*queue_type*/, SYSFUN_MsgQ_T* handle) {
    return msgq::create_queue(key, msgq::QueueOptions{}, handle);
}

uint32_t SYSFUN_DestroyMsgQ(SYSFUN_MsgQ_T q) {
    if (!q) return SYSFUN_RESULT_INVALID_ARG;
    if (ctl::Block* b = ctl::get(); b && q->key != 0) {
        ctl::Guard g(b);
        ctl::QueueSlot* slot = sysfun::internal::find_queue(b, q->key);
        if (slot && slot->pid == ::getpid() && slot->epoch.load() == q->cons.g.epoch)
            slot->in_use.store(0);
    }
    q->cons.h->closed.store(1);
    msgq::ring_wake_senders(q->cons.h);
    free_queue(q);
    return SYSFUN_OK;
}

uint32_t SYSFUN_GetMsgQKey(SYSFUN_MsgQ_T q) {
    return q ? q->key : 0;
}

uint32_t SYSFUN_SetMsgQEvent(SYSFUN_MsgQ_T q, uint32_t event_bits) {
    if (!q) return SYSFUN_RESULT_INVALID_ARG;
    q->event_bits = event_bits;
    set_owner(q);
    if (q->key != 0) register_queue(q);
    return SYSFUN_OK;
}

uint32_t __SYSFUN_ReceiveMsg(SYSFUN_MsgQ_T q, uint32_t /*msg_type*/, uint32_t timeout,
                             uint32_t payload_capacity, void* buffer, const char* /*func*/,
                             int /*line*/) {
    if (!q || !buffer) return SYSFUN_RESULT_INVALID_ARG;
    if (faults::any()) {  // a test makes this queue's receives fail ("SYSFUN_ReceiveMsg.KEY")
        std::string name = "SYSFUN_ReceiveMsg." + std::to_string(q->key);
        if (int64_t rc = faults::answer(name.c_str(), 0)) return static_cast<uint32_t>(rc);
    }
    auto* b = static_cast<uint8_t*>(buffer);
    const size_t cap = sys_adpt::kMsgHeaderSize + payload_capacity;
    msgq::RingHeader* h = q->cons.h;
    const bool forever = timeout == SYSFUN_TIMEOUT_WAIT_FOREVER;
    const uint64_t deadline = forever || timeout == SYSFUN_TIMEOUT_NOWAIT
                                  ? 0
                                  : sysfun::internal::monotonic_ms() + uint64_t{timeout} * 10;
    bool armed = false;
    uint32_t seen = 0;
    uint32_t rc;
    int busy_polls = 0;
    for (;;) {
        bool busy = false;
        rc = take_from_ring(q, b, cap, &busy);
        if (rc != SYSFUN_RESULT_NO_MESSAGE) break;
        rc = receive_datagram(q, b, cap);
        if (rc != SYSFUN_RESULT_NO_MESSAGE) break;
        if (timeout == SYSFUN_TIMEOUT_NOWAIT) {
            // A sender in the middle of its copy finishes within microseconds, or dies: the
            // messages behind its slot must not wait for the next event. Up to 2 ms.
            if (!busy || ++busy_polls > 100) break;
            ::usleep(20);
            continue;
        }
        const uint64_t now = forever ? 0 : sysfun::internal::monotonic_ms();
        if (!forever && now >= deadline) break;
        if (!armed) {
            // Senders wake a waiting owner only when it counts as waiting: look once more.
            h->data_waiters.fetch_add(1, std::memory_order_seq_cst);
            armed = true;
            seen = h->data_seq.load(std::memory_order_seq_cst);
            continue;
        }
        // While a sender is writing, its life is checked every millisecond.
        uint64_t left = busy ? 1 : forever ? 0 : deadline - now;
        timespec rel{static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
        if (!sysfun::internal::spin_while_equal(&h->data_seq, seen))
            sysfun::internal::futex_wait(&h->data_seq, seen, left ? &rel : nullptr);
        seen = h->data_seq.load(std::memory_order_seq_cst);
    }
    if (armed) h->data_waiters.fetch_sub(1, std::memory_order_seq_cst);
    if (rc != SYSFUN_RESULT_NO_MESSAGE) q->last_capacity = payload_capacity;
    if (rc == SYSFUN_OK) t_received_key = q->key;
    // The receiver takes a refusal as "queue empty"; the messages behind the refused one raise
    // the message event again so that none is left waiting.
    if ((rc == SYSFUN_RESULT_MSG_TOO_LONG || rc == SYSFUN_RESULT_MSG_TOO_SHORT) && q->key != 0)
        SYSFUN_SendEvent(q->owner_tid, q->event_bits);
    return rc;
}

uint32_t __SYSFUN_SendResponseMsg(SYSFUN_MsgQ_T q, void* buffer, const char* /*func*/,
                                  int /*line*/) {
    if (!q || !buffer) return SYSFUN_RESULT_INVALID_ARG;
    size_t payload = std::min<uint32_t>(ipcmsg::msg_size(buffer), q->last_capacity);
    const size_t len = sys_adpt::kMsgHeaderSize + payload;
    switch (q->last_from) {
        case SysfunMsgQ::From::kRing:
            return reply::answer(q->last_tag, buffer, len);
        case SysfunMsgQ::From::kDatagram: {
            if (q->last_sender_len <= sizeof(sa_family_t)) return SYSFUN_RESULT_PEER_GONE;
            ssize_t n = ::sendto(q->fd, buffer, len, MSG_DONTWAIT | MSG_NOSIGNAL,
                                 reinterpret_cast<sockaddr*>(&q->last_sender), q->last_sender_len);
            if (n >= 0) return SYSFUN_OK;
            // ECONNREFUSED/ENOENT: the requester is gone; EAGAIN: it does not read its answers.
            return (errno == EAGAIN || errno == ECONNREFUSED || errno == ENOENT)
                       ? SYSFUN_RESULT_PEER_GONE
                       : SYSFUN_RESULT_SYSTEM_ERROR;
        }
        case SysfunMsgQ::From::kNone:
            break;
    }
    return SYSFUN_RESULT_PEER_GONE;
}

uint32_t SYSFUN_SendMsg(SYSFUN_MsgQ_T q, const void* msg, uint32_t msg_len) {
    if (!q || !msg) return SYSFUN_RESULT_INVALID_ARG;
    if (uint32_t rc = check_length(msg_len); rc != SYSFUN_OK) return rc;
    return msgq::send_to_ring(q->cons.h, q->cons.g, msg, msg_len, {}, 0, 0);
}
