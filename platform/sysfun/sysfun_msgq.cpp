// Message queues: Unix datagram sockets in the abstract namespace of the instance. A keyed
// queue is registered in the instance control block with the thread that owns it, so that a
// sender raises that thread's message event; the receiver answers the sender's own socket.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/common/types.h"
#include "platform/components/faults.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "platform/sysfun/sysfun_internal.h"

struct SysfunMsgQ {
    int fd = -1;
    uint32_t key = 0;
    uint32_t owner_tid = 0;
    uint32_t event_bits = SYSFUN_SYSTEM_EVENT_IPCMSG;
    sockaddr_un self{};
    socklen_t self_len = 0;
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

ctl::QueueSlot* find_queue(ctl::Block* b, uint32_t key) {
    for (auto& q : b->queues)
        if (q.in_use.load(std::memory_order_acquire) && q.key == key) return &q;
    return nullptr;
}

void register_queue(SysfunMsgQ* q) {
    ctl::Block* b = ctl::get();
    if (!b) return;
    ctl::Guard g(b);
    ctl::QueueSlot* slot = find_queue(b, q->key);
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
    slot->in_use.store(1, std::memory_order_release);
}

uint32_t check_length(size_t len) {
    if (len < sys_adpt::kMsgHeaderSize) return SYSFUN_RESULT_MSG_TOO_SHORT;
    if (len > sys_adpt::kMaxMsgSize) return SYSFUN_RESULT_MSG_TOO_LONG;
    return SYSFUN_OK;
}

}  // namespace

uint32_t sysfun::received_queue_key() {
    return t_received_key;
}

namespace sysfun::internal {

uint32_t raise_queue_event(uint32_t key) {
    ctl::Block* b = ctl::get();
    if (!b) return SYSFUN_RESULT_NO_INSTANCE;
    ctl::QueueSlot* q = find_queue(b, key);
    if (!q) return SYSFUN_RESULT_OBJ_NOT_EXIST;
    return SYSFUN_SendEvent(q->owner_tid.load(), q->event_bits.load());
}

}  // namespace sysfun::internal

uint32_t SYSFUN_CreateMsgQ(uint32_t key, uint32_t /*queue_type*/, SYSFUN_MsgQ_T* handle) {
    if (!handle) return SYSFUN_RESULT_INVALID_ARG;
    if (key != 0 && !ctl::get()) return SYSFUN_RESULT_NO_INSTANCE;
    auto* q = new SysfunMsgQ;
    q->key = key;
    q->owner_tid = SYSFUN_TaskIdSelf();
    q->fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (q->fd < 0) {
        delete q;
        return SYSFUN_RESULT_SYSTEM_ERROR;
    }
    int rc;
    if (key != 0) {
        q->self_len = abstract_addr(ipc::queue_socket_name(key), &q->self);
        rc = ::bind(q->fd, reinterpret_cast<sockaddr*>(&q->self), q->self_len);
    } else {
        sa_family_t fam = AF_UNIX;  // autobind: a unique abstract address
        rc = ::bind(q->fd, reinterpret_cast<sockaddr*>(&fam), sizeof fam);
        q->self_len = sizeof q->self;
        if (rc == 0) rc = ::getsockname(q->fd, reinterpret_cast<sockaddr*>(&q->self), &q->self_len);
    }
    if (rc != 0) {
        uint32_t result =
            errno == EADDRINUSE ? SYSFUN_RESULT_OBJ_EXIST : SYSFUN_RESULT_SYSTEM_ERROR;
        ::close(q->fd);
        delete q;
        return result;
    }
    if (key != 0) register_queue(q);
    *handle = q;
    return SYSFUN_OK;
}

uint32_t SYSFUN_DestroyMsgQ(SYSFUN_MsgQ_T q) {
    if (!q) return SYSFUN_RESULT_INVALID_ARG;
    if (ctl::Block* b = ctl::get(); b && q->key != 0) {
        ctl::Guard g(b);
        ctl::QueueSlot* slot = find_queue(b, q->key);
        if (slot && slot->pid == ::getpid()) slot->in_use.store(0);
    }
    ::close(q->fd);
    delete q;
    return SYSFUN_OK;
}

uint32_t SYSFUN_GetMsgQKey(SYSFUN_MsgQ_T q) {
    return q ? q->key : 0;
}

uint32_t SYSFUN_SetMsgQEvent(SYSFUN_MsgQ_T q, uint32_t event_bits) {
    if (!q) return SYSFUN_RESULT_INVALID_ARG;
    q->event_bits = event_bits;
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
    const size_t cap = sys_adpt::kMsgHeaderSize + payload_capacity;
    int flags = MSG_TRUNC;
    if (timeout == SYSFUN_TIMEOUT_NOWAIT) {
        flags |= MSG_DONTWAIT;
    } else if (timeout != SYSFUN_TIMEOUT_WAIT_FOREVER) {
        pollfd pfd{q->fd, POLLIN, 0};
        int ms = static_cast<int>(std::min<uint64_t>(uint64_t{timeout} * 10, INT32_MAX));
        int prc;
        do {
            prc = ::poll(&pfd, 1, ms);
        } while (prc < 0 && errno == EINTR);
        if (prc == 0) return SYSFUN_RESULT_NO_MESSAGE;
        flags |= MSG_DONTWAIT;
    }
    ssize_t n;
    do {
        q->last_sender_len = sizeof q->last_sender;
        n = ::recvfrom(q->fd, buffer, cap, flags, reinterpret_cast<sockaddr*>(&q->last_sender),
                       &q->last_sender_len);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? SYSFUN_RESULT_NO_MESSAGE
                                                         : SYSFUN_RESULT_SYSTEM_ERROR;
    }
    q->last_capacity = payload_capacity;
    auto* b = static_cast<uint8_t*>(buffer);
    if (static_cast<size_t>(n) > cap || static_cast<size_t>(n) < sys_adpt::kMsgHeaderSize) {
        std::memset(b, 0, cap);
        q->last_sender_len = 0;  // a refused message gets no answer
        // The receiver takes the refusal as "queue empty"; the messages behind the refused
        // one raise the message event again so that none is left waiting.
        pollfd more{q->fd, POLLIN, 0};
        if (q->key != 0 && ::poll(&more, 1, 0) > 0) SYSFUN_SendEvent(q->owner_tid, q->event_bits);
        return static_cast<size_t>(n) > cap ? SYSFUN_RESULT_MSG_TOO_LONG
                                            : SYSFUN_RESULT_MSG_TOO_SHORT;
    }
    std::memset(b + n, 0, cap - static_cast<size_t>(n));
    t_received_key = q->key;
    return SYSFUN_OK;
}

uint32_t __SYSFUN_SendResponseMsg(SYSFUN_MsgQ_T q, void* buffer, const char* /*func*/,
                                  int /*line*/) {
    if (!q || !buffer) return SYSFUN_RESULT_INVALID_ARG;
    if (q->last_sender_len <= sizeof(sa_family_t)) return SYSFUN_RESULT_PEER_GONE;
    size_t payload = std::min<uint32_t>(ipcmsg::msg_size(buffer), q->last_capacity);
    ssize_t n =
        ::sendto(q->fd, buffer, sys_adpt::kMsgHeaderSize + payload, MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<sockaddr*>(&q->last_sender), q->last_sender_len);
    if (n < 0) {
        // ECONNREFUSED/ENOENT: the requester is gone; EAGAIN: it does not read its answers.
        return (errno == EAGAIN || errno == ECONNREFUSED || errno == ENOENT)
                   ? SYSFUN_RESULT_PEER_GONE
                   : SYSFUN_RESULT_SYSTEM_ERROR;
    }
    return SYSFUN_OK;
}

uint32_t SYSFUN_SendMsg(SYSFUN_MsgQ_T q, const void* msg, uint32_t msg_len) {
    if (!q || !msg) return SYSFUN_RESULT_INVALID_ARG;
    if (uint32_t rc = check_length(msg_len); rc != SYSFUN_OK) return rc;
    ssize_t n = ::sendto(q->fd, msg, msg_len, MSG_DONTWAIT | MSG_NOSIGNAL,
                         reinterpret_cast<sockaddr*>(&q->self), q->self_len);
    if (n < 0) return errno == EAGAIN ? SYSFUN_RESULT_NO_SPACE : SYSFUN_RESULT_SYSTEM_ERROR;
    return SYSFUN_SendEvent(q->owner_tid, q->event_bits);
}

namespace ipc {

uint32_t notify(uint32_t key) {
    return sysfun::internal::raise_queue_event(key);
}

bool queue_exists(uint32_t key) {
    ctl::Block* b = ctl::get();
    return b && find_queue(b, key) != nullptr;
}

std::string queue_socket_name(uint32_t key) {
    return instance::socket_name("q" + std::to_string(key));
}

Client::Client() {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sa_family_t fam = AF_UNIX;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&fam), sizeof fam) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    // A queue that is full blocks the sender; a server that stopped draining it must not
    // hang the client for ever.
    timeval tv{5, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

Client::~Client() {
    if (fd_ >= 0) ::close(fd_);
}

uint32_t Client::send(uint32_t key, const void* msg, size_t len) {
    if (fd_ < 0 || !msg) return SYSFUN_RESULT_INVALID_ARG;
    if (uint32_t rc = check_length(len); rc != SYSFUN_OK) return rc;
    sockaddr_un addr;
    socklen_t alen = abstract_addr(queue_socket_name(key), &addr);
    ssize_t n;
    do {
        n = ::sendto(fd_, msg, len, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), alen);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno == EAGAIN) return SYSFUN_RESULT_TIMEOUT;
        return (errno == ECONNREFUSED || errno == ENOENT) ? SYSFUN_RESULT_PEER_GONE
                                                          : SYSFUN_RESULT_SYSTEM_ERROR;
    }
    sysfun::internal::raise_queue_event(key);
    return SYSFUN_OK;
}

uint32_t Client::request(uint32_t key, const void* msg, size_t len, void* resp, size_t resp_cap,
                         size_t* resp_len, int timeout_ms) {
    if (!resp || resp_cap < sys_adpt::kMsgHeaderSize || len < sys_adpt::kMsgHeaderSize)
        return SYSFUN_RESULT_INVALID_ARG;
    // The message type word carries our sequence number; the server leaves it alone.
    const uint32_t seq = ++seq_;
    std::string copy(static_cast<const char*>(msg), len);
    be::put32(copy.data(), seq);
    const uint64_t deadline = sysfun::internal::monotonic_ms() + static_cast<uint64_t>(timeout_ms);
    // A queue that does not exist yet (a driver process still starting its threads) is
    // tried again until the time-out.
    for (;;) {
        uint32_t rc = send(key, copy.data(), copy.size());
        if (rc == SYSFUN_OK) break;
        if (rc != SYSFUN_RESULT_PEER_GONE || sysfun::internal::monotonic_ms() >= deadline)
            return rc;
        ::usleep(10000);
    }
    for (;;) {
        uint64_t now = sysfun::internal::monotonic_ms();
        if (now >= deadline) return SYSFUN_RESULT_TIMEOUT;
        pollfd pfd{fd_, POLLIN, 0};
        int prc = ::poll(&pfd, 1, static_cast<int>(deadline - now));
        if (prc < 0 && errno == EINTR) continue;
        if (prc <= 0) return SYSFUN_RESULT_TIMEOUT;
        ssize_t n = ::recv(fd_, resp, resp_cap, MSG_DONTWAIT);
        if (n < static_cast<ssize_t>(sys_adpt::kMsgHeaderSize)) continue;
        if (be::get32(resp) != seq) continue;  // an answer to a request we gave up on
        if (resp_len) *resp_len = static_cast<size_t>(n);
        return SYSFUN_OK;
    }
}

}  // namespace ipc
