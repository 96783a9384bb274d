// The LAN and inter-unit packet layers as sinks: they record each packet, hold the newest
// ones as the real layers hold packets they are working on, and release the oldest.
#include "platform/firmware/packet_sinks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/components/calllog.h"
#include "platform/firmware/packet_capture.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"

namespace {

constexpr uint32_t kDefaultHold = 8;

struct Held {
    L_MM_Mref_T* mref;
    uint32_t free_handle;  // tells a reused record from the packet held
};

struct Sink {
    const char* name;
    std::mutex mu;
    std::deque<Held> held;
    std::atomic<uint64_t> delivered{0};
    std::atomic<uint64_t> by_code[packet_sinks::kCodes] = {};
    // The smallest count a waiter waits for, 0 when nobody waits.
    std::atomic<uint64_t> want{0};
    std::mutex wait_mu;
    std::condition_variable wait_cv;
};

Sink g_lan{"LAN", {}, {}, {}, {}, {}, {}, {}};
Sink g_iuc{"IUC", {}, {}, {}, {}, {}, {}, {}};

uint32_t initial_hold() {
    const char* v = std::getenv("DRIVER_PROC_LAN_HOLD");
    return v && *v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : kDefaultHold;
}
std::atomic<uint32_t> g_hold{initial_hold()};

Sink* sink(const char* name) {
    if (!name) return nullptr;
    if (std::strcmp(name, "LAN") == 0) return &g_lan;
    if (std::strcmp(name, "IUC") == 0) return &g_iuc;
    return nullptr;
}

// Still the packet the sink took (not released elsewhere, record not reused).
bool alive(const Held& h) {
    return L_MM_Mref_IsValid(h.mref) && h.mref->free_handle == h.free_handle;
}

// Drops what others released, then releases the oldest beyond the hold; the mrefs to release
// are returned so that they are released without the sink's lock.
std::vector<L_MM_Mref_T*> trim(Sink& s, uint32_t keep) {
    std::vector<L_MM_Mref_T*> out;
    for (auto it = s.held.begin(); it != s.held.end();)
        it = alive(*it) ? it + 1 : s.held.erase(it);
    while (s.held.size() > keep) {
        out.push_back(s.held.front().mref);
        s.held.pop_front();
    }
    return out;
}

void release(std::vector<L_MM_Mref_T*> list) {
    for (L_MM_Mref_T* m : list)
        L_MM_Mref_Release(&m);
}

void take(Sink& s, uint32_t cpu_code, L_MM_Mref_T* mref) {
    if (cpu_code < packet_sinks::kCodes)
        s.by_code[cpu_code].fetch_add(1, std::memory_order_relaxed);
    const uint64_t n = ++s.delivered;
    if (const uint64_t w = s.want.load(); w != 0 && n >= w) {
        {
            std::lock_guard<std::mutex> lock(s.wait_mu);
            s.want.store(0);
        }
        s.wait_cv.notify_all();
    }
    L_MM_Mref_T* oldest = nullptr;
    std::vector<L_MM_Mref_T*> out;
    {
        std::lock_guard<std::mutex> lock(s.mu);
        const uint32_t keep = g_hold;
        // A sink that holds nothing releases the packet it took at once.
        if (keep == 0 && s.held.empty()) {
            oldest = mref;
        } else {
            s.held.push_back({mref, mref->free_handle});
            // The common case, one packet beyond the hold and none released elsewhere,
            // without walking the list or allocating.
            if (s.held.size() == size_t{keep} + 1 && alive(s.held.front())) {
                oldest = s.held.front().mref;
                s.held.pop_front();
            } else {
                out = trim(s, keep);
            }
        }
    }
    if (oldest) L_MM_Mref_Release(&oldest);
    release(std::move(out));
}

}  // namespace

void LAN_RecvPacket(uint32_t unit, uint32_t port, const LAN_RecvInfo_T* info, uint32_t cpu_code,
                    L_MM_Mref_T* mref) {
    uint32_t len = 0;
    auto* pdu = mref ? static_cast<const uint8_t*>(L_MM_Mref_GetPdu(mref, &len)) : nullptr;
    if (!pdu) return;
    packet_capture::record("LAN", unit, port, cpu_code, pdu, len);
    calllog::record_numbers("LAN", packet_sinks::kLanCallForm,
                            {unit, port, cpu_code, info ? info->w[4] : 0, len,
                             L_IPCMEM_GetOffset(mref), info ? info->w[6] : 0});
    take(g_lan, cpu_code, mref);
}

void IUC_PacketArrival(uint32_t device, uint32_t port, uint32_t free_info, uint32_t cpu_code,
                       L_MM_Mref_T* mref) {
    uint32_t len = 0;
    auto* pdu = mref ? static_cast<const uint8_t*>(L_MM_Mref_GetPdu(mref, &len)) : nullptr;
    if (!pdu) return;
    packet_capture::record("IUC", 0, port, cpu_code, pdu, len);
    calllog::record_numbers("IUC", packet_sinks::kIucCallForm,
                            {device, port, cpu_code, len, L_IPCMEM_GetOffset(mref), free_info});
    take(g_iuc, cpu_code, mref);
}

namespace packet_sinks {

std::vector<uint32_t> held(const char* name) {
    std::vector<uint32_t> out;
    Sink* s = sink(name);
    if (!s) return out;
    std::lock_guard<std::mutex> lock(s->mu);
    for (const Held& h : s->held)
        if (alive(h)) out.push_back(L_IPCMEM_GetOffset(h.mref));
    return out;
}

uint32_t release_all(const char* name) {
    Sink* s = sink(name);
    if (!s) return 0;
    std::vector<L_MM_Mref_T*> out;
    {
        std::lock_guard<std::mutex> lock(s->mu);
        out = trim(*s, 0);
    }
    const uint32_t n = static_cast<uint32_t>(out.size());
    release(std::move(out));
    return n;
}

void set_hold(uint32_t packets) {
    g_hold = packets;
    for (Sink* s : {&g_lan, &g_iuc}) {
        std::vector<L_MM_Mref_T*> out;
        {
            std::lock_guard<std::mutex> lock(s->mu);
            out = trim(*s, packets);
        }
        release(std::move(out));
    }
}

uint32_t hold() {
    return g_hold;
}

uint64_t delivered(const char* name) {
    Sink* s = sink(name);
    return s ? s->delivered.load() : 0;
}

uint64_t delivered(const char* name, uint32_t cpu_code) {
    Sink* s = sink(name);
    return s && cpu_code < kCodes ? s->by_code[cpu_code].load(std::memory_order_relaxed) : 0;
}

bool wait_delivered(const char* name, uint64_t count, uint32_t timeout_ms) {
    Sink* s = sink(name);
    if (!s) return false;
    if (s->delivered.load() >= count) return true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock<std::mutex> lock(s->wait_mu);
    for (;;) {
        // Asks for a signal (the smallest count any waiter wants), then looks again: a
        // delivery counted before the request was seen is seen here.
        uint64_t cur = s->want.load();
        while ((cur == 0 || count < cur) && !s->want.compare_exchange_weak(cur, count)) {
        }
        if (s->delivered.load() >= count) return true;
        if (s->wait_cv.wait_until(lock, until) == std::cv_status::timeout)
            return s->delivered.load() >= count;
    }
}

}  // namespace packet_sinks
