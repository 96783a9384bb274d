#include "platform/sysfun/msgq_route.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>

#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"

namespace msgq {
namespace {

// A keyed queue's ring as this process has mapped it. Senders of several threads share it;
// it is unmapped when the last of them lets go of it.
struct Mapping {
    RingHeader* h = nullptr;
    size_t bytes = 0;
    Geometry g{};
    const ctl::QueueSlot* slot = nullptr;
    uint32_t generation = 0;
    ~Mapping() {
        if (h) ::munmap(h, bytes);
    }
    bool current(uint32_t key) const {
        return generation == ctl::generation() && slot->in_use.load(std::memory_order_acquire) &&
               slot->key == key && slot->epoch.load(std::memory_order_acquire) == g.epoch &&
               !h->closed.load(std::memory_order_acquire);
    }
};

std::mutex g_mutex;
std::map<uint32_t, std::shared_ptr<Mapping>> g_rings;

std::shared_ptr<Mapping> map_ring(const ctl::QueueSlot* slot, uint32_t key) {
    const uint32_t epoch = slot->epoch.load(std::memory_order_acquire);
    int fd = ::shm_open(ring_name(key, epoch).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    struct stat st;
    void* p = MAP_FAILED;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                   0);
    ::close(fd);
    if (p == MAP_FAILED) return nullptr;
    auto m = std::make_shared<Mapping>();
    m->h = static_cast<RingHeader*>(p);
    m->bytes = static_cast<size_t>(st.st_size);
    m->slot = slot;
    m->generation = ctl::generation();
    if (!ring_geometry(m->h, m->bytes, &m->g) || m->g.key != key || m->g.epoch != epoch)
        return nullptr;
    return m;
}

std::shared_ptr<Mapping> lookup(uint32_t key) {
    ctl::Block* b = ctl::get();
    if (!b) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_rings.find(key);
    if (it != g_rings.end() && it->second->current(key)) return it->second;
    if (it != g_rings.end()) g_rings.erase(it);
    const ctl::QueueSlot* slot = sysfun::internal::find_queue(b, key);
    if (!slot) return nullptr;
    auto m = map_ring(slot, key);
    if (m) g_rings[key] = m;
    return m;
}

}  // namespace

std::string ring_name(uint32_t key, uint32_t epoch) {
    return instance::shm_name("q" + std::to_string(key) + "." + std::to_string(epoch));
}

void raise_owner_event(RingHeader* h) {
    const uint32_t tid = h->owner_tid.load(std::memory_order_relaxed);
    const uint32_t idx = h->owner_slot.load(std::memory_order_relaxed);
    const uint32_t bits = h->event_bits.load(std::memory_order_relaxed);
    ctl::Block* b = ctl::get();
    if (b && idx < ctl::kThreadSlots && b->threads[idx].tid.load() == tid) {
        sysfun::internal::raise_event(&b->threads[idx], bits);
        return;
    }
    SYSFUN_SendEvent(tid, bits);
}

uint32_t send_to_ring(RingHeader* h, const Geometry& g, const void* msg, size_t len, ReplyTag tag,
                      int wait_ms, int32_t owner_pid) {
    if (len > g.max_msg) return SYSFUN_RESULT_MSG_TOO_LONG;
    const int32_t pid = sysfun::internal::self_pid();
    const bool may_wait = wait_ms > 0 && g.policy == FullPolicy::kBlock;
    const uint64_t deadline = sysfun::internal::monotonic_ms() + (may_wait ? wait_ms : 0);
    bool waiting = false;
    uint32_t rc = SYSFUN_RESULT_NO_SPACE;
    for (;;) {
        uint32_t seen = h->room_seq.load(std::memory_order_seq_cst);
        Push r = ring_push(h, g, msg, static_cast<uint32_t>(len), tag, pid);
        if (r == Push::kOk) {
            ring_wake_receiver(h);
            raise_owner_event(h);
            rc = SYSFUN_OK;
            break;
        }
        if (r == Push::kTooLong || r == Push::kClosed) {
            rc = r == Push::kTooLong ? SYSFUN_RESULT_MSG_TOO_LONG : SYSFUN_RESULT_PEER_GONE;
            break;
        }
        // Full (or not followable): the owner is told, so that it drains or repairs it.
        raise_owner_event(h);
        const uint64_t now = sysfun::internal::monotonic_ms();
        if (!may_wait || now >= deadline) {
            rc = may_wait ? SYSFUN_RESULT_TIMEOUT : SYSFUN_RESULT_NO_SPACE;
            break;
        }
        if (owner_pid > 0 && !process_alive(owner_pid)) {
            rc = SYSFUN_RESULT_PEER_GONE;
            break;
        }
        if (!waiting) {
            h->room_waiters.fetch_add(1, std::memory_order_seq_cst);
            waiting = true;
            continue;  // look again now that the owner knows we wait
        }
        // Short slices: a ring that the owner cannot drain (it died) is noticed in time.
        uint64_t left = std::min<uint64_t>(deadline - now, 10);
        timespec rel{0, static_cast<long>(left * 1000000)};
        sysfun::internal::futex_wait(&h->room_seq, seen, &rel);
    }
    if (waiting) h->room_waiters.fetch_sub(1, std::memory_order_seq_cst);
    return rc;
}

uint32_t send_keyed(uint32_t key, const void* msg, size_t len, ReplyTag tag, int wait_ms,
                    int32_t* server_pid) {
    if (!ctl::get()) return SYSFUN_RESULT_NO_INSTANCE;
    std::shared_ptr<Mapping> m = lookup(key);
    if (!m) return SYSFUN_RESULT_PEER_GONE;
    if (server_pid) *server_pid = m->slot->pid;
    return send_to_ring(m->h, m->g, msg, len, tag, wait_ms, m->slot->pid);
}

bool keyed_queue_alive(uint32_t key) {
    ctl::Block* b = ctl::get();
    const ctl::QueueSlot* slot = b ? sysfun::internal::find_queue(b, key) : nullptr;
    return slot && process_alive(slot->pid);
}

uint32_t note_datagram(uint32_t key) {
    std::shared_ptr<Mapping> m = lookup(key);
    if (!m) return sysfun::internal::raise_queue_event(key);
    m->h->datagrams.store(1, std::memory_order_seq_cst);
    // A receiver asleep in a receive is woken whether or not it counted as waiting.
    m->h->data_seq.fetch_add(1, std::memory_order_seq_cst);
    sysfun::internal::futex_wake_all(&m->h->data_seq);
    raise_owner_event(m->h);
    return SYSFUN_OK;
}

}  // namespace msgq
