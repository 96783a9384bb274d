// The table in shared memory: attaching it, its semaphore and the record helpers.
#include "timerange/time_range_om_table.h"

#include <atomic>
#include <cstring>

#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"

namespace time_range_om {
namespace {

// This process's view of the table. Set by the initialisers and the attach, read by every
// operation of any thread. A view belongs to the instance it was made in: after a switch
// of instance (tests) the operations refuse until the table is attached again.
std::atomic<TIME_RANGE_OM_Table_T*> g_table{nullptr};
std::atomic<uint32_t> g_sem{0};
std::atomic<int> g_instance{-1};

void set_view(TIME_RANGE_OM_Table_T* t, uint32_t sem) {
    g_sem.store(sem, std::memory_order_release);
    g_table.store(t, std::memory_order_release);
    g_instance.store(instance::id(), std::memory_order_release);
}

TIME_RANGE_OM_Table_T* map_segment() {
    static_assert(TIME_RANGE_OM_SHMEM_SEGMENT_ID == SYSRSC_MGR_SEGID_TIME_RANGE);
    if (SYSRSC_MGR_GetShMemSize(TIME_RANGE_OM_SHMEM_SEGMENT_ID) < sizeof(TIME_RANGE_OM_Table_T))
        return nullptr;
    return static_cast<TIME_RANGE_OM_Table_T*>(SYSRSC_MGR_GetShMem(TIME_RANGE_OM_SHMEM_SEGMENT_ID));
}

// Gets the semaphore first, so that a process of an instance without a table does not
// create a stray segment.
bool attach() {
    uint32_t sem = 0;
    if (SYSFUN_GetSem(TIME_RANGE_OM_SEM_KEY, &sem) != SYSFUN_OK) return false;
    TIME_RANGE_OM_Table_T* t = map_segment();
    if (!t) return false;
    set_view(t, sem);
    return true;
}

}  // namespace

Locked::Locked() {
    TIME_RANGE_OM_Table_T* t = g_table.load(std::memory_order_acquire);
    uint32_t sem = g_sem.load(std::memory_order_acquire);
    if (!t || sem == 0 || g_instance.load(std::memory_order_acquire) != instance::id()) return;
    if (SYSFUN_TakeSem(sem, SYSFUN_TIMEOUT_WAIT_FOREVER) != SYSFUN_OK) return;
    table_ = t;
    sem_ = sem;
}

Locked::~Locked() {
    if (table_) SYSFUN_GiveSem(sem_);
}

Name cut_name(const char* name) {
    Name n{};
    std::memcpy(n.text, name, strnlen(name, TIME_RANGE_OM_NAME_LEN));
    return n;
}

void reset_entry(TIME_RANGE_OM_Entry_T* e) {
    std::memset(e, 0, sizeof *e);
}

void store_name(TIME_RANGE_OM_Entry_T* e, const Name& name) {
    std::memcpy(e->name, name.text, sizeof e->name);
}

int find_by_name(const TIME_RANGE_OM_Table_T* t, const Name& name) {
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_ENTRIES; ++i) {
        const TIME_RANGE_OM_Entry_T& e = t->entry[i];
        if (e.valid && std::strncmp(e.name, name.text, sizeof e.name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace time_range_om

using namespace time_range_om;

bool TIME_RANGE_OM_Initiate_System_Resources() {
    uint32_t sem = 0;
    if (SYSFUN_CreateSem(TIME_RANGE_OM_SEM_KEY, 1, 0, &sem) != SYSFUN_OK) return false;
    TIME_RANGE_OM_Table_T* t = map_segment();
    if (!t) return false;
    set_view(t, sem);
    Locked lock;
    if (!lock.table()) return false;
    for (auto& e : lock.table()->entry)
        reset_entry(&e);
    return true;
}

bool TIME_RANGE_OM_InitiateSystemResources() {
    if (!attach()) return false;
    Locked lock;
    if (!lock.table()) return false;
    lock.table()->header = 0;
    return true;
}

bool TIME_RANGE_OM_AttachSystemResources() {
    return attach();
}

void TIME_RANGE_OM_GetShMemInfo(uint32_t* segment_id, uint32_t* size) {
    if (segment_id) *segment_id = TIME_RANGE_OM_SHMEM_SEGMENT_ID;
    if (size) *size = TIME_RANGE_OM_SHMEM_SIZE;
}

uint32_t TIME_RANGE_OM_GetUpdateCount(uint32_t* count) {
    if (!count) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    *count = lock.table()->header;
    return TIME_RANGE_OM_OK;
}
