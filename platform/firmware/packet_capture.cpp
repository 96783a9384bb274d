// The shared-memory ring of delivered packets.
#include "platform/firmware/packet_capture.h"

#include <chrono>
#include <cstring>

#include "platform/instance/instance.h"
#include "platform/instance/shm.h"

namespace packet_capture {
namespace {

struct Slot {
    uint64_t seq;  // written last (0: never written)
    uint64_t time_ns;
    char sink[4];
    uint32_t cpu_code, unit, port, length, stored;
    uint8_t bytes[kSnapLen];
};
struct Ring {
    uint32_t on;
    uint32_t pad;
    uint64_t written;  // sequence number of the newest record
    Slot slots[kSlots];
};

Ring* ring() {
    // Mapped once per process and instance.
    static thread_local int mapped_for = -1;
    static thread_local Ring* r = nullptr;
    if (mapped_for != instance::id() || !r) {
        r = static_cast<Ring*>(shm::open_or_create(instance::shm_name("pktcap"), sizeof(Ring)));
        mapped_for = instance::id();
    }
    return r;
}

}  // namespace

void record(const char* sink, uint32_t unit, uint32_t port, uint32_t cpu_code, const uint8_t* data,
            uint32_t len) {
    Ring* r = ring();
    if (!r || !__atomic_load_n(&r->on, __ATOMIC_ACQUIRE)) return;
    const uint64_t seq = __atomic_add_fetch(&r->written, 1, __ATOMIC_ACQ_REL);
    Slot& s = r->slots[seq % kSlots];
    __atomic_store_n(&s.seq, 0, __ATOMIC_RELEASE);
    s.time_ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
    std::strncpy(s.sink, sink, sizeof s.sink - 1);
    s.cpu_code = cpu_code;
    s.unit = unit;
    s.port = port;
    s.length = len;
    s.stored = len < kSnapLen ? len : kSnapLen;
    std::memcpy(s.bytes, data, s.stored);
    __atomic_store_n(&s.seq, seq, __ATOMIC_RELEASE);
}

bool start(uint64_t* next) {
    Ring* r = ring();
    if (!r) return false;
    *next = __atomic_load_n(&r->written, __ATOMIC_ACQUIRE) + 1;
    __atomic_store_n(&r->on, 1, __ATOMIC_RELEASE);
    return true;
}

bool read(uint64_t* next, std::vector<Packet>* out, uint64_t* lost) {
    Ring* r = ring();
    if (!r) return false;
    const uint64_t last = __atomic_load_n(&r->written, __ATOMIC_ACQUIRE);
    if (last >= *next + kSlots) {
        *lost += last - kSlots + 1 - *next;
        *next = last - kSlots + 1;
    }
    for (; *next <= last; ++*next) {
        const Slot& s = r->slots[*next % kSlots];
        if (__atomic_load_n(&s.seq, __ATOMIC_ACQUIRE) != *next) break;  // being written
        Packet p;
        p.seq = *next;
        p.time_ns = s.time_ns;
        std::memcpy(p.sink, s.sink, sizeof p.sink);
        p.sink[3] = 0;
        p.cpu_code = s.cpu_code;
        p.unit = s.unit;
        p.port = s.port;
        p.length = s.length;
        p.bytes.assign(s.bytes, s.bytes + (s.stored <= kSnapLen ? s.stored : kSnapLen));
        if (__atomic_load_n(&s.seq, __ATOMIC_ACQUIRE) != *next) {
            ++*lost;  // overwritten while it was copied
            continue;
        }
        out->push_back(std::move(p));
    }
    return true;
}

void stop() {
    if (Ring* r = ring()) __atomic_store_n(&r->on, 0, __ATOMIC_RELEASE);
}

}  // namespace packet_capture
