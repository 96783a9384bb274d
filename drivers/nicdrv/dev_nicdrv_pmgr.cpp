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
    void* base = SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV);
    uint32_t sem = 0;
    if (!base || cos >= nicshm::kClasses || SYSFUN_GetSem(nicshm::kSemKey, &sem) != SYSFUN_OK)
        return false;
    nicshm::State s(base);
    uint32_t wake = 0;
    SYSFUN_TakeSem(sem, SYSFUN_TIMEOUT_WAIT_FOREVER);
    s.sub(nicshm::State::cos_field(cos, nicshm::kCurrent));
    s.add(nicshm::kMemFreeSuccess);
    if (cos < nicshm::kQueues) {
        const uint32_t q = s.cos_queue(cos) % nicshm::kQueues;
        s.sub(nicshm::State::queue_word(nicshm::kQueueDepth, q));
        const uint32_t ann = nicshm::State::queue_word(nicshm::kAnnounced, q);
        s.sub(ann);
        if (s.suspended(q) && s.get(ann) < s.get(nicshm::State::queue_word(nicshm::kThreshold, q)))
            wake = s.get(nicshm::kTaskId);
    }
    SYSFUN_GiveSem(sem);
    if (wake) SYSFUN_SendEvent(wake, nicshm::kEventResume);
    return true;
}
