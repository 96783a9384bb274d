// The freeing side: shared books and the buffers of freed received packets.
#include "drivers/nicdrv/dev_nicdrv_pmgr.h"

#include <atomic>
#include <cstring>

#include "drivers/nicdrv/dev_nicdrv_cmd.h"
#include "drivers/nicdrv/dev_nicdrv_shm.h"
#include "platform/lmm/l_mm.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"

namespace {

std::atomic<DEV_NICDRV_FreeFunc_T> g_free_func{nullptr};
constexpr uint32_t kDriverGroupQueue = 24;
constexpr int kRequestTimeoutMs = 5000;

// Sends code 7 to the driver process and reads its answer.
bool request_free(uint32_t free_info) {
    uint8_t msg[ipcmsg::kHeaderSize + nicdrv_cmd::kRequestSize] = {};
    ipcmsg::set_cmd(msg, nicdrv_cmd::kModule);
    ipcmsg::set_msg_size(msg, 8);
    ipcmsg::set_word(msg, 0, nicdrv_cmd::kFreeRxPacket);
    be::put32(ipcmsg::payload(msg) + nicdrv_cmd::kFreeInfo, free_info);
    uint8_t resp[sizeof msg] = {};
    size_t len = 0;
    ipc::Client client;
    if (client.request(kDriverGroupQueue, msg, ipcmsg::kHeaderSize + 8, resp, sizeof resp, &len,
                       kRequestTimeoutMs) != SYSFUN_OK ||
        len < ipcmsg::kHeaderSize + 1)
        return false;
    return ipcmsg::payload(resp)[0] != 0;
}

static_assert(sizeof(DEV_NICDRV_PMGR_DeferredBooks::freed) / sizeof(uint32_t) == nicshm::kClasses);
thread_local DEV_NICDRV_PMGR_DeferredBooks* t_deferred = nullptr;

// The books of `n` freed packets of class `cos`; true when their queue is suspended and
// below its threshold again. Caller holds semaphore 17.
bool freed_locked(nicshm::State& s, uint32_t cos, uint32_t n) {
    s.sub(nicshm::State::cos_field(cos, nicshm::kCurrent), n);
    s.add(nicshm::kMemFreeSuccess, n);
    if (cos >= nicshm::kQueues) return false;
    const uint32_t q = s.cos_queue(cos) % nicshm::kQueues;
    s.sub(nicshm::State::queue_word(nicshm::kQueueDepth, q), n);
    const uint32_t ann = nicshm::State::queue_word(nicshm::kAnnounced, q);
    s.sub(ann, n);
    return s.suspended(q) && s.get(ann) < s.get(nicshm::State::queue_word(nicshm::kThreshold, q));
}

bool mref_free(uint32_t free_handle, uint32_t pool_id) {
    DEV_NICDRV_PMGR_FreeBooks(pool_id);
    return DEV_NICDRV_PMGR_FreeRxPacket(free_handle);
}

}  // namespace

void DEV_NICDRV_OM_SetFreeFunc(DEV_NICDRV_FreeFunc_T func) {
    g_free_func = func;
}
DEV_NICDRV_FreeFunc_T DEV_NICDRV_OM_GetFreeFunc() {
    return g_free_func;
}

bool DEV_NICDRV_PMGR_FreeRxPacket(uint32_t free_info) {
    if (free_info == 0) return true;
    if (DEV_NICDRV_FreeFunc_T f = g_free_func) return f(free_info);
    return request_free(free_info);
}

bool DEV_NICDRV_PMGR_RegisterMrefFree() {
    return L_MM_SetFreeFunc(1, mref_free);
}

bool DEV_NICDRV_PMGR_FreeBooks(uint32_t cos) {
    if (cos >= nicshm::kClasses) return false;
    if (DEV_NICDRV_PMGR_DeferredBooks* d = t_deferred) {
        ++d->freed[cos];
        return true;
    }
    void* base = SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV);
    uint32_t sem = 0;
    if (!base || SYSFUN_GetSem(nicshm::kSemKey, &sem) != SYSFUN_OK) return false;
    nicshm::State s(base);
    SYSFUN_TakeSem(sem, SYSFUN_TIMEOUT_WAIT_FOREVER);
    const uint32_t wake = freed_locked(s, cos, 1) ? s.get(nicshm::kTaskId) : 0;
    SYSFUN_GiveSem(sem);
    if (wake) SYSFUN_SendEvent(wake, nicshm::kEventResume);
    return true;
}

void DEV_NICDRV_PMGR_DeferBooks(DEV_NICDRV_PMGR_DeferredBooks* books) {
    t_deferred = books;
}

bool DEV_NICDRV_PMGR_SettleBooksLocked(void* base, DEV_NICDRV_PMGR_DeferredBooks& books) {
    bool resume = false;
    if (base) {
        nicshm::State s(base);
        for (uint32_t cos = 0; cos < nicshm::kClasses; ++cos)
            if (books.freed[cos]) resume |= freed_locked(s, cos, books.freed[cos]);
    }
    books = {};
    return resume;
}
