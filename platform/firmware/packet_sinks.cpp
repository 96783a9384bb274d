// The LAN and inter-unit packet layers as sinks: they record each packet, hold the newest
// ones as the real layers hold packets they are working on, and release the oldest.
#include "platform/firmware/packet_sinks.h"

#include <atomic>
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
};

Sink g_lan{"LAN", {}, {}, {}};
Sink g_iuc{"IUC", {}, {}, {}};

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

void take(Sink& s, L_MM_Mref_T* mref) {
    ++s.delivered;
    std::vector<L_MM_Mref_T*> out;
    {
        std::lock_guard<std::mutex> lock(s.mu);
        s.held.push_back({mref, mref->free_handle});
        out = trim(s, g_hold);
    }
    release(std::move(out));
}

}  // namespace

void LAN_RecvPacket(uint32_t unit, uint32_t port, const LAN_RecvInfo_T* info, uint32_t cpu_code,
                    L_MM_Mref_T* mref) {
    uint32_t len = 0;
    auto* pdu = mref ? static_cast<const uint8_t*>(L_MM_Mref_GetPdu(mref, &len)) : nullptr;
    if (!pdu) return;
    packet_capture::record("LAN", unit, port, cpu_code, pdu, len);
    calllog::recordf("LAN",
                     "LAN_RecvPacket(unit=%u, port=%u, cpu_code=%u, vid=%u, len=%u, mref=0x%x, "
                     "free_info=0x%x)",
                     unit, port, cpu_code, info ? info->w[4] : 0, len, L_IPCMEM_GetOffset(mref),
                     info ? info->w[6] : 0);
    take(g_lan, mref);
}

void IUC_PacketArrival(uint32_t device, uint32_t port, uint32_t free_info, uint32_t cpu_code,
                       L_MM_Mref_T* mref) {
    uint32_t len = 0;
    auto* pdu = mref ? static_cast<const uint8_t*>(L_MM_Mref_GetPdu(mref, &len)) : nullptr;
    if (!pdu) return;
    packet_capture::record("IUC", 0, port, cpu_code, pdu, len);
    calllog::recordf("IUC",
                     "IUC_PacketArrival(device=%u, port=%u, cpu_code=%u, len=%u, mref=0x%x, "
                     "free_info=0x%x)",
                     device, port, cpu_code, len, L_IPCMEM_GetOffset(mref), free_info);
    take(g_iuc, mref);
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

}  // namespace packet_sinks
