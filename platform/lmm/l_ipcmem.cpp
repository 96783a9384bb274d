#include "platform/lmm/l_ipcmem.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "platform/instance/shm.h"
#include "platform/lmm/l_ipcmem_internal.h"

namespace {

constexpr uint32_t kMagic = 0x49504D50;  // "IPMP"
constexpr uint32_t kVersion = 1;
constexpr uint32_t kHeaderSize = 16384;

struct ClassDef {
    uint32_t block_size;
    uint32_t count;
};
constexpr ClassDef kClasses[L_IPCMEM_BUFFER_CLASSES] = {{256, 2048}, {2048, 1024}, {16384, 64}};
constexpr uint32_t kLargestBuffer = kClasses[L_IPCMEM_BUFFER_CLASSES - 1].block_size;

constexpr uint32_t kMrefAreaOffset = kHeaderSize;
constexpr uint32_t kBufferAreaOffset =
    kMrefAreaOffset + L_IPCMEM_MREF_COUNT * lmm_pool::kMrefRecordSize;

constexpr uint32_t class_offset(uint32_t c) {
    uint32_t off = kBufferAreaOffset;
    for (uint32_t i = 0; i < c; ++i)
        off += kClasses[i].block_size * kClasses[i].count;
    return off;
}
constexpr uint32_t class_first_state(uint32_t c) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < c; ++i)
        n += kClasses[i].count;
    return n;
}
constexpr uint32_t kClassBlocks = class_first_state(L_IPCMEM_BUFFER_CLASSES);
constexpr uint32_t kBufferAreaEnd = class_offset(L_IPCMEM_BUFFER_CLASSES);
constexpr uint32_t kDmaAreaOffset = (kBufferAreaEnd + L_IPCMEM_DMA_BLOCK_SIZE - 1) /
                                    L_IPCMEM_DMA_BLOCK_SIZE * L_IPCMEM_DMA_BLOCK_SIZE;
static_assert(kDmaAreaOffset + L_IPCMEM_DMA_BLOCK_SIZE * L_IPCMEM_DMA_BLOCK_COUNT <=
              L_IPCMEM_POOL_SIZE);

// Counters of one area. Like every record of the pool they are big-endian; they change only
// under the pool lock.
struct AreaState {
    be::U32 used;
    be::U32 peak;
    be::U32 failures;
    be::U32 hint;  // where the next search starts
};

// Slot states.
constexpr uint8_t kFree = 0;
constexpr uint8_t kUsed = 1;     // allocated (first block of a DMA run)
constexpr uint8_t kRunTail = 2;  // later block of a DMA run

// The pool header. Two host-order objects: the ready word (an atomic, so that a process
// attaching while the owner initialises sees either nothing or a complete pool) and the
// process-shared robust mutex that guards all allocation state below.
struct Header {
    std::atomic<uint32_t> ready;
    be::U32 version;
    be::U32 size;
    be::U32 owner_pid;
    pthread_mutex_t lock;
    AreaState mrefs;
    AreaState classes[L_IPCMEM_BUFFER_CLASSES];
    AreaState dma;
    uint8_t mref_state[L_IPCMEM_MREF_COUNT];
    uint8_t class_state[kClassBlocks];
    uint8_t dma_state[L_IPCMEM_DMA_BLOCK_COUNT];
    uint8_t dma_run[L_IPCMEM_DMA_BLOCK_COUNT];  // run length, at a run's first block
};
static_assert(sizeof(Header) <= kHeaderSize);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

class PoolLock {
  public:
    explicit PoolLock(Header* h) : h_(h) {
        // A process that died holding the lock leaves at most one slot or counter half
        // updated; the pool goes on.
        if (pthread_mutex_lock(&h_->lock) == EOWNERDEAD) pthread_mutex_consistent(&h_->lock);
    }
    ~PoolLock() { pthread_mutex_unlock(&h_->lock); }
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

  private:
    Header* h_;
};

// The pool mapped in this process, for one instance. A process switches instances only in
// tests, between tests; the old mapping is dropped then.
struct Mapping {
    int instance;
    uint8_t* base;
};
std::mutex g_map_mu;
std::atomic<Mapping*> g_map{nullptr};

enum class Mode { kAttach, kOwner };

Header* header(uint8_t* base) {
    return reinterpret_cast<Header*>(base);
}

bool is_valid(void* p) {
    Header* h = static_cast<Header*>(p);
    return h->ready.load(std::memory_order_acquire) == kMagic && h->version == kVersion &&
           h->size == L_IPCMEM_POOL_SIZE;
}

// A valid pool whose creator has gone is left over from an earlier run of the instance.
bool owner_gone(void* p) {
    pid_t pid = static_cast<pid_t>(static_cast<uint32_t>(static_cast<Header*>(p)->owner_pid));
    if (pid == ::getpid()) return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void init_pool(void* p) {
    Header* h = static_cast<Header*>(p);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&h->lock, &attr);
    pthread_mutexattr_destroy(&attr);
    h->version = kVersion;
    h->size = L_IPCMEM_POOL_SIZE;
    h->owner_pid = static_cast<uint32_t>(::getpid());
    h->ready.store(kMagic, std::memory_order_release);
}

void drop_mapping_locked() {
    Mapping* m = g_map.exchange(nullptr, std::memory_order_acq_rel);
    if (m) {
        shm::unmap(m->base, L_IPCMEM_POOL_SIZE);
        delete m;
    }
}

// The pool's mapping for the current instance, made (and the pool created in kOwner mode)
// when there is none.
uint8_t* map_pool_slow(Mode mode) {
    const int inst = instance::id();
    std::lock_guard<std::mutex> lock(g_map_mu);
    Mapping* m = g_map.load(std::memory_order_acquire);
    if (m && m->instance == inst) return m->base;
    drop_mapping_locked();

    std::string name = instance::shm_name("ipcmem");
    void* p = shm::attach(name, L_IPCMEM_POOL_SIZE);
    if (p && (!is_valid(p) || (mode == Mode::kOwner && owner_gone(p)))) {
        shm::unmap(p, L_IPCMEM_POOL_SIZE);
        p = nullptr;
    }
    if (!p) {
        if (mode != Mode::kOwner) return nullptr;
        p = shm::create(name, L_IPCMEM_POOL_SIZE);
        if (!p) return nullptr;
        init_pool(p);
    }
    g_map.store(new Mapping{inst, static_cast<uint8_t*>(p)}, std::memory_order_release);
    return static_cast<uint8_t*>(p);
}

// Every pointer and offset conversion passes here, several times a packet: the mapping of
// this instance without the lock.
inline uint8_t* map_pool(Mode mode) {
    const Mapping* m = g_map.load(std::memory_order_acquire);
    if (m && m->instance == instance::id()) [[likely]]
        return m->base;
    return map_pool_slow(mode);
}

int32_t take_slot(uint8_t* state, uint32_t count, AreaState& a) {
    uint32_t start = a.hint;
    if (start >= count) start = 0;
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t i = (start + n) % count;
        if (state[i] != kFree) continue;
        state[i] = kUsed;
        a.hint = (i + 1) % count;
        a.used = a.used + 1;
        if (a.used > a.peak) a.peak = a.used;
        return static_cast<int32_t>(i);
    }
    a.failures = a.failures + 1;
    return -1;
}

void put_slot(uint8_t* state, uint32_t i, AreaState& a) {
    state[i] = kFree;
    a.used = a.used - 1;
}

// Class and block index of a pointer into the buffer area; false when it is not the start of
// a block.
bool locate_buffer(uint8_t* base, const void* p, uint32_t* cls, uint32_t* index) {
    uintptr_t off = reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(base);
    if (reinterpret_cast<uintptr_t>(p) < reinterpret_cast<uintptr_t>(base)) return false;
    for (uint32_t c = 0; c < L_IPCMEM_BUFFER_CLASSES; ++c) {
        if (off < class_offset(c) || off >= class_offset(c + 1)) continue;
        uint32_t rel = static_cast<uint32_t>(off) - class_offset(c);
        if (rel % kClasses[c].block_size != 0) return false;
        *cls = c;
        *index = rel / kClasses[c].block_size;
        return true;
    }
    return false;
}

L_IPCMEM_AreaUsage_T usage_of(const AreaState& a, uint32_t block_size, uint32_t total) {
    return L_IPCMEM_AreaUsage_T{block_size, total, a.used, a.peak, a.failures};
}

}  // namespace

bool L_IPCMEM_Preinitialize_InitMemoryPool(uint32_t pool_id) {
    if (pool_id != L_IPCMEM_POOL_ID) {
        CONSOLE_Printf("%s(): no memory pool %lu.\r\n", __FUNCTION__,
                       static_cast<unsigned long>(pool_id));
        return false;
    }
    if (!map_pool(Mode::kOwner)) {
        CONSOLE_Printf("%s(): cannot create the shared memory pool %s.\r\n", __FUNCTION__,
                       instance::shm_name("ipcmem").c_str());
        return false;
    }
    return true;
}

bool L_IPCMEM_Attach() {
    return map_pool(Mode::kAttach) != nullptr;
}

void L_IPCMEM_Detach() {
    std::lock_guard<std::mutex> lock(g_map_mu);
    drop_mapping_locked();
}

void* L_IPCMEM_GetPtr(uint32_t offset) {
    return L_IPCMEM_GetPtrRange(offset, 0);
}

void* L_IPCMEM_GetPtrRange(uint32_t offset, uint32_t len) {
    if (offset < kHeaderSize || offset >= L_IPCMEM_POOL_SIZE) return nullptr;
    if (len > L_IPCMEM_POOL_SIZE - offset) return nullptr;
    uint8_t* base = map_pool(Mode::kAttach);
    return base ? base + offset : nullptr;
}

uint32_t L_IPCMEM_GetOffset(const void* ptr) {
    if (!ptr) return 0;
    uint8_t* base = map_pool(Mode::kAttach);
    if (!base) return 0;
    uintptr_t p = reinterpret_cast<uintptr_t>(ptr);
    uintptr_t b = reinterpret_cast<uintptr_t>(base);
    if (p < b + kHeaderSize || p >= b + L_IPCMEM_POOL_SIZE) return 0;
    return static_cast<uint32_t>(p - b);
}

void* L_IPCMEM_Allocate(uint32_t size) {
    if (size == 0 || size > kLargestBuffer) {
        CONSOLE_Printf("%s(): invalid buffer size %lu (1 to %lu).\r\n", __FUNCTION__,
                       static_cast<unsigned long>(size),
                       static_cast<unsigned long>(kLargestBuffer));
        return nullptr;
    }
    uint8_t* base = map_pool(Mode::kAttach);
    if (!base) {
        CONSOLE_Printf("%s(): no shared memory pool in this instance.\r\n", __FUNCTION__);
        return nullptr;
    }
    Header* h = header(base);
    {
        PoolLock lock(h);
        for (uint32_t c = 0; c < L_IPCMEM_BUFFER_CLASSES; ++c) {
            if (kClasses[c].block_size < size) continue;
            int32_t i =
                take_slot(h->class_state + class_first_state(c), kClasses[c].count, h->classes[c]);
            if (i >= 0)
                return base + class_offset(c) + static_cast<uint32_t>(i) * kClasses[c].block_size;
        }
    }
    CONSOLE_Printf("%s(): no free buffer of %lu bytes.\r\n", __FUNCTION__,
                   static_cast<unsigned long>(size));
    return nullptr;
}

bool L_IPCMEM_Free(void* buffer) {
    uint8_t* base = map_pool(Mode::kAttach);
    uint32_t c = 0;
    uint32_t i = 0;
    if (base && locate_buffer(base, buffer, &c, &i)) {
        Header* h = header(base);
        PoolLock lock(h);
        uint8_t* state = h->class_state + class_first_state(c);
        if (state[i] == kUsed) {
            put_slot(state, i, h->classes[c]);
            return true;
        }
    }
    CONSOLE_Printf("%s(): %p is not an allocated buffer of the pool.\r\n", __FUNCTION__, buffer);
    return false;
}

uint32_t L_IPCMEM_GetBufferSize(const void* buffer) {
    uint8_t* base = map_pool(Mode::kAttach);
    uint32_t c = 0;
    uint32_t i = 0;
    if (!base || !locate_buffer(base, buffer, &c, &i)) return 0;
    Header* h = header(base);
    PoolLock lock(h);
    return h->class_state[class_first_state(c) + i] == kUsed ? kClasses[c].block_size : 0;
}

void* L_IPCMEM_AllocateDmaArea(uint32_t size) {
    constexpr uint32_t kMax = L_IPCMEM_DMA_BLOCK_SIZE * L_IPCMEM_DMA_BLOCK_COUNT;
    if (size == 0 || size > kMax) {
        CONSOLE_Printf("%s(): invalid DMA area size %lu (1 to %lu).\r\n", __FUNCTION__,
                       static_cast<unsigned long>(size), static_cast<unsigned long>(kMax));
        return nullptr;
    }
    uint8_t* base = map_pool(Mode::kOwner);
    if (!base) {
        CONSOLE_Printf("%s(): cannot create the shared memory pool.\r\n", __FUNCTION__);
        return nullptr;
    }
    uint32_t need = (size + L_IPCMEM_DMA_BLOCK_SIZE - 1) / L_IPCMEM_DMA_BLOCK_SIZE;
    Header* h = header(base);
    {
        PoolLock lock(h);
        uint32_t run = 0;
        for (uint32_t i = 0; i < L_IPCMEM_DMA_BLOCK_COUNT; ++i) {
            run = h->dma_state[i] == kFree ? run + 1 : 0;
            if (run < need) continue;
            uint32_t first = i + 1 - need;
            h->dma_state[first] = kUsed;
            for (uint32_t k = first + 1; k <= i; ++k)
                h->dma_state[k] = kRunTail;
            h->dma_run[first] = static_cast<uint8_t>(need);
            h->dma.used = h->dma.used + need;
            if (h->dma.used > h->dma.peak) h->dma.peak = h->dma.used;
            return base + kDmaAreaOffset + first * L_IPCMEM_DMA_BLOCK_SIZE;
        }
        h->dma.failures = h->dma.failures + 1;
    }
    CONSOLE_Printf("%s(): no free DMA area of %lu bytes.\r\n", __FUNCTION__,
                   static_cast<unsigned long>(size));
    return nullptr;
}

bool L_IPCMEM_FreeDmaArea(void* area) {
    uint8_t* base = map_pool(Mode::kAttach);
    if (base && area) {
        uintptr_t p = reinterpret_cast<uintptr_t>(area);
        uintptr_t first = reinterpret_cast<uintptr_t>(base) + kDmaAreaOffset;
        uintptr_t rel = p - first;
        if (p >= first && rel % L_IPCMEM_DMA_BLOCK_SIZE == 0 &&
            rel / L_IPCMEM_DMA_BLOCK_SIZE < L_IPCMEM_DMA_BLOCK_COUNT) {
            uint32_t i = static_cast<uint32_t>(rel / L_IPCMEM_DMA_BLOCK_SIZE);
            Header* h = header(base);
            PoolLock lock(h);
            if (h->dma_state[i] == kUsed) {
                uint32_t n = h->dma_run[i];
                for (uint32_t k = i; k < i + n; ++k)
                    h->dma_state[k] = kFree;
                h->dma_run[i] = 0;
                h->dma.used = h->dma.used - n;
                return true;
            }
        }
    }
    CONSOLE_Printf("%s(): %p is not an allocated DMA area of the pool.\r\n", __FUNCTION__, area);
    return false;
}

bool L_IPCMEM_GetUsage(L_IPCMEM_Usage_T* usage) {
    uint8_t* base = map_pool(Mode::kAttach);
    if (!usage || !base) return false;
    Header* h = header(base);
    PoolLock lock(h);
    for (uint32_t c = 0; c < L_IPCMEM_BUFFER_CLASSES; ++c)
        usage->buffers[c] = usage_of(h->classes[c], kClasses[c].block_size, kClasses[c].count);
    usage->mrefs = usage_of(h->mrefs, lmm_pool::kMrefRecordSize, L_IPCMEM_MREF_COUNT);
    usage->dma = usage_of(h->dma, L_IPCMEM_DMA_BLOCK_SIZE, L_IPCMEM_DMA_BLOCK_COUNT);
    return true;
}

namespace lmm_pool {

void* alloc_mref_record() {
    uint8_t* base = map_pool(Mode::kAttach);
    if (!base) return nullptr;
    Header* h = header(base);
    PoolLock lock(h);
    int32_t i = take_slot(h->mref_state, L_IPCMEM_MREF_COUNT, h->mrefs);
    if (i < 0) return nullptr;
    uint8_t* rec = base + kMrefAreaOffset + static_cast<uint32_t>(i) * kMrefRecordSize;
    std::memset(rec, 0, kMrefRecordSize);
    return rec;
}

int32_t mref_index(const void* p) {
    uint8_t* base = map_pool(Mode::kAttach);
    if (!base || !p) return -1;
    uintptr_t first = reinterpret_cast<uintptr_t>(base) + kMrefAreaOffset;
    uintptr_t v = reinterpret_cast<uintptr_t>(p);
    if (v < first) return -1;
    uintptr_t rel = v - first;
    if (rel % kMrefRecordSize != 0 || rel / kMrefRecordSize >= L_IPCMEM_MREF_COUNT) return -1;
    return static_cast<int32_t>(rel / kMrefRecordSize);
}

bool free_mref_record(void* record) {
    int32_t i = mref_index(record);
    uint8_t* base = map_pool(Mode::kAttach);
    if (i < 0 || !base) return false;
    Header* h = header(base);
    PoolLock lock(h);
    if (h->mref_state[i] != kUsed) return false;
    put_slot(h->mref_state, static_cast<uint32_t>(i), h->mrefs);
    return true;
}

void for_each_mref(const std::function<void(uint32_t, void*)>& fn) {
    uint8_t* base = map_pool(Mode::kAttach);
    if (!base) return;
    Header* h = header(base);
    PoolLock lock(h);
    for (uint32_t i = 0; i < L_IPCMEM_MREF_COUNT; ++i)
        if (h->mref_state[i] == kUsed) fn(i, base + kMrefAreaOffset + i * kMrefRecordSize);
}

}  // namespace lmm_pool
