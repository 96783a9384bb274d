#include "platform/lmm/l_mm.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/components/faults.h"
#include "platform/console/console.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_ipcmem_internal.h"

static_assert(sizeof(L_MM_Mref_T) == lmm_pool::kMrefRecordSize);

namespace {

std::atomic<bool> g_debug{true};
std::atomic<L_MM_FreeFunc_T> g_free_funcs[L_MM_MAX_FREE_FUNC];

// printf-style front of L_MM_DebugPrintf for the library's own reasons.
void debugf(const char* caller, int line, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
void debugf(const char* caller, int line, const char* fmt, ...) {
    if (!g_debug.load(std::memory_order_relaxed)) return;
    char text[160];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof(text), fmt, ap);
    va_end(ap);
    L_MM_DebugPrintf(text, caller, line);
}

// This process's id, asked of the kernel once per process (again in a forked child): every
// received packet gets an mref, and getpid is a system call.
std::atomic<uint32_t> g_pid{0};
uint32_t own_pid() {
    uint32_t pid = g_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
        static const int registered =
            pthread_atfork(nullptr, nullptr, [] { g_pid.store(0, std::memory_order_relaxed); });
        (void)registered;
        pid = static_cast<uint32_t>(::getpid());
        g_pid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

L_MM_Mref_T* make_record(uint8_t kind, const char* caller, int line) {
    void* rec = lmm_pool::alloc_mref_record();
    if (!rec) return nullptr;
    L_MM_Mref_T* m = new (rec) L_MM_Mref_T();
    m->kind = kind;
    m->owner_pid = own_pid();
    m->caller_line = static_cast<uint32_t>(line);
    // The record starts zeroed, so the cut name stays NUL-terminated.
    for (size_t i = 0; caller && caller[i] && i + 1 < sizeof(m->caller); ++i)
        m->caller[i] = caller[i];
    m->ref_count.store(1, std::memory_order_relaxed);
    m->magic = L_MM_MREF_MAGIC;
    return m;
}

// The existing mref at p, or nullptr.
L_MM_Mref_T* existing(const L_MM_Mref_T* p) {
    if (lmm_pool::mref_index(p) < 0) return nullptr;
    L_MM_Mref_T* m = const_cast<L_MM_Mref_T*>(p);
    if (m->magic != L_MM_MREF_MAGIC || m->ref_count.load(std::memory_order_acquire) == 0)
        return nullptr;
    return m;
}

}  // namespace

void L_MM_DebugPrintf(const char* message, const char* function, int line) {
    if (!g_debug.load(std::memory_order_relaxed)) return;
    CONSOLE_Printf("%s(%d): %s\r\n", function ? function : "L_MM", line, message ? message : "");
}

void L_MM_SetDebugFlag(bool on) {
    g_debug.store(on, std::memory_order_relaxed);
}
bool L_MM_GetDebugFlag() {
    return g_debug.load(std::memory_order_relaxed);
}

bool L_MM_SetFreeFunc(uint32_t type, L_MM_FreeFunc_T func) {
    if (type == L_MM_FREE_FUNC_NONE || type >= L_MM_MAX_FREE_FUNC) {
        CONSOLE_Printf("%s(): invalid mref type %lu (1 to %lu).\r\n", __FUNCTION__,
                       static_cast<unsigned long>(type),
                       static_cast<unsigned long>(L_MM_MAX_FREE_FUNC - 1));
        return false;
    }
    g_free_funcs[type].store(func, std::memory_order_release);
    return true;
}

L_MM_FreeFunc_T L_MM_GetFreeFunc(uint32_t type) {
    if (type >= L_MM_MAX_FREE_FUNC) return nullptr;
    return g_free_funcs[type].load(std::memory_order_acquire);
}

L_MM_Mref_T* _L_MM_AllocateTxBuffer(uint32_t size, uint32_t user_id, const char* caller, int line) {
    if (faults::answer("_L_MM_AllocateTxBuffer", 1) == 0) {
        debugf(caller, line, "transmit buffer of %lu bytes refused (fault set)",
               static_cast<unsigned long>(size));
        return nullptr;
    }
    void* buf = L_IPCMEM_Allocate(size);
    if (!buf) return nullptr;
    L_MM_Mref_T* m = make_record(L_MM_KIND_TX_BUFFER, caller, line);
    if (!m) {
        L_IPCMEM_Free(buf);
        debugf(caller, line, "no free mref for a transmit buffer of %lu bytes",
               static_cast<unsigned long>(size));
        return nullptr;
    }
    uint32_t cap = L_IPCMEM_GetBufferSize(buf);
    m->buffer_offset = L_IPCMEM_GetOffset(buf);
    m->buffer_size = cap;
    m->pdu_offset = 0;
    m->pdu_len = size;
    m->pool_id = cap;  // a transmit buffer's pool is its size class
    m->user_id_high = static_cast<uint16_t>(user_id >> 16);
    m->user_id_low = static_cast<uint16_t>(user_id);
    return m;
}

L_MM_Mref_T* _L_MM_Mref_Construct(void* buffer, uint32_t buffer_len, uint32_t pdu_offset,
                                  uint32_t pdu_len, uint32_t type, uint32_t pool_id,
                                  uint32_t free_info, const char* caller, int line) {
    if (faults::answer("_L_MM_Mref_Construct", 1) == 0) {
        debugf(caller, line, "mref construction refused (fault set)");
        return nullptr;
    }
    if (type >= L_MM_MAX_FREE_FUNC) {
        debugf(caller, line, "invalid mref type %lu", static_cast<unsigned long>(type));
        return nullptr;
    }
    uint32_t off = L_IPCMEM_GetOffset(buffer);
    if (off == 0 || !L_IPCMEM_GetPtrRange(off, buffer_len)) {
        debugf(caller, line, "buffer %p of %lu bytes is not in the shared pool", buffer,
               static_cast<unsigned long>(buffer_len));
        return nullptr;
    }
    if (pdu_offset > buffer_len || pdu_len > buffer_len - pdu_offset) {
        debugf(caller, line, "pdu %lu+%lu lies outside the buffer of %lu bytes",
               static_cast<unsigned long>(pdu_offset), static_cast<unsigned long>(pdu_len),
               static_cast<unsigned long>(buffer_len));
        return nullptr;
    }
    L_MM_Mref_T* m = make_record(L_MM_KIND_CONSTRUCTED, caller, line);
    if (!m) {
        debugf(caller, line, "no free mref");
        return nullptr;
    }
    m->buffer_offset = off;
    m->buffer_size = buffer_len;
    m->pdu_offset = pdu_offset;
    m->pdu_len = pdu_len;
    m->free_func_id = static_cast<uint8_t>(type);
    m->pool_id = pool_id;
    m->free_handle = free_info;
    return m;
}

void* _L_MM_Mref_GetPdu(L_MM_Mref_T* mref, uint32_t* pdu_len, const char* caller, int line) {
    L_MM_Mref_T* m = existing(mref);
    if (!m) {
        debugf(caller, line, "GetPdu: %p is not an mref in use", static_cast<void*>(mref));
        return nullptr;
    }
    void* pdu = L_IPCMEM_GetPtr(m->buffer_offset + m->pdu_offset);
    if (pdu && pdu_len) *pdu_len = m->pdu_len;
    return pdu;
}

int32_t _L_MM_Mref_Release(L_MM_Mref_T** mref, const char* caller, int line) {
    if (!mref) {
        debugf(caller, line, "Release: no mref pointer");
        return -1;
    }
    L_MM_Mref_T* m = existing(*mref);
    *mref = nullptr;
    if (!m) {
        debugf(caller, line, "Release: mref is not in use");
        return -1;
    }
    uint32_t c = m->ref_count.load(std::memory_order_acquire);
    do {
        if (c == 0) {
            debugf(caller, line, "Release: mref has no reference left");
            return -1;
        }
    } while (!m->ref_count.compare_exchange_weak(c, c - 1, std::memory_order_acq_rel,
                                                 std::memory_order_acquire));
    if (c > 1) return static_cast<int32_t>(c - 1);

    // Last reference: this caller alone holds the record now.
    uint8_t kind = m->kind;
    uint32_t type = m->free_func_id;
    uint32_t handle = m->free_handle;
    uint32_t pool_id = m->pool_id;
    void* buffer = L_IPCMEM_GetPtr(m->buffer_offset);
    m->magic = 0;
    lmm_pool::free_mref_record(m);

    if (kind == L_MM_KIND_TX_BUFFER) {
        L_IPCMEM_Free(buffer);
    } else if (type != L_MM_FREE_FUNC_NONE) {
        L_MM_FreeFunc_T fn = L_MM_GetFreeFunc(type);
        if (!fn) {
            debugf(caller, line, "no free function for mref type %lu (free handle 0x%08lx)",
                   static_cast<unsigned long>(type), static_cast<unsigned long>(handle));
        } else if (!fn(handle, pool_id)) {
            debugf(caller, line, "free function of type %lu failed (free handle 0x%08lx)",
                   static_cast<unsigned long>(type), static_cast<unsigned long>(handle));
        }
    }
    return 0;
}

bool L_MM_Mref_AddRefCount(L_MM_Mref_T* mref, uint32_t inc) {
    L_MM_Mref_T* m = existing(mref);
    if (!m || inc == 0) {
        debugf(__FUNCTION__, __LINE__, "cannot add %lu references to %p",
               static_cast<unsigned long>(inc), static_cast<void*>(mref));
        return false;
    }
    uint32_t c = m->ref_count.load(std::memory_order_acquire);
    do {
        if (c == 0 || c > UINT32_MAX / 2 - inc) {
            debugf(__FUNCTION__, __LINE__, "cannot add %lu references to a count of %lu",
                   static_cast<unsigned long>(inc), static_cast<unsigned long>(c));
            return false;
        }
    } while (!m->ref_count.compare_exchange_weak(c, c + inc, std::memory_order_acq_rel,
                                                 std::memory_order_acquire));
    return true;
}

int32_t L_MM_Mref_GetRefCount(const L_MM_Mref_T* mref) {
    L_MM_Mref_T* m = existing(mref);
    return m ? static_cast<int32_t>(m->ref_count.load(std::memory_order_acquire)) : -1;
}

bool L_MM_Mref_SetUserId(L_MM_Mref_T* mref, uint32_t user_id) {
    L_MM_Mref_T* m = existing(mref);
    if (!m) return false;
    m->user_id_high = static_cast<uint16_t>(user_id >> 16);
    m->user_id_low = static_cast<uint16_t>(user_id);
    return true;
}

uint32_t L_MM_Mref_GetUserId(const L_MM_Mref_T* mref) {
    L_MM_Mref_T* m = existing(mref);
    return m ? L_MM_USER_ID(m->user_id_high, m->user_id_low) : 0;
}

L_MM_Mref_T* L_MM_Mref_FromOffset(uint32_t offset) {
    return existing(static_cast<L_MM_Mref_T*>(L_IPCMEM_GetPtr(offset)));
}

bool L_MM_Mref_IsValid(const L_MM_Mref_T* mref) {
    return existing(mref) != nullptr;
}
