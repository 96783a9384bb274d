#include "platform/sysrsc/sysrsc_mgr.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/instance/instance.h"
#include "platform/instance/shm.h"

namespace {

struct Known {
    uint32_t id;
    size_t size;
};
constexpr Known kSegments[] = {
    {SYSRSC_MGR_SEGID_RESTART, 64},
    {SYSRSC_MGR_SEGID_NICDRV, 496},
    {SYSRSC_MGR_SEGID_TIME_RANGE, 6604},
};

std::mutex g_mu;
struct Mapped {
    int instance;
    void* base;
};
std::map<uint32_t, Mapped>* g_mapped = nullptr;

}  // namespace

size_t SYSRSC_MGR_GetShMemSize(uint32_t segment_id) {
    for (const Known& k : kSegments)
        if (k.id == segment_id) return k.size;
    return 0;
}

void* SYSRSC_MGR_GetShMem(uint32_t segment_id) {
    size_t size = SYSRSC_MGR_GetShMemSize(segment_id);
    if (size == 0) return nullptr;
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_mapped) g_mapped = new std::map<uint32_t, Mapped>;
    auto it = g_mapped->find(segment_id);
    if (it != g_mapped->end()) {
        if (it->second.instance == instance::id()) return it->second.base;
        shm::unmap(it->second.base, size);
        g_mapped->erase(it);
    }
    void* base = shm::open_or_create(instance::shm_name("seg" + std::to_string(segment_id)), size);
    if (base) (*g_mapped)[segment_id] = Mapped{instance::id(), base};
    return base;
}

bool SYSRSC_MGR_AttachSystemResources() {
    calllog::record("SYSRSC_MGR", "SYSRSC_MGR_AttachSystemResources()");
    if (!faults::answer("SYSRSC_MGR_AttachSystemResources", 1)) return false;
    for (const Known& k : kSegments)
        if (!SYSRSC_MGR_GetShMem(k.id)) return false;
    return true;
}
