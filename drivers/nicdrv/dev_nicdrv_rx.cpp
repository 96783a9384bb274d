// The receive side's set-up and enqueue: the shared state in segment 6, the control-record
// pool and the weighted queue, all under semaphore 17.
#include <cstring>
#include <memory>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "drivers/nicdrv/dev_nicdrv_pmgr.h"
#include "platform/console/console.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "sdk/sdk_cfg.h"

namespace nicdrv {
namespace {

std::unique_ptr<ControlBlock> g_cb = std::make_unique<ControlBlock>();

// Weighted queue parameters, by queue.
constexpr uint32_t kWeights[nicshm::kQueues] = {1, 2, 4, 6, 6, 12, 14, 0, 0, 0};
constexpr uint32_t kCapacities[nicshm::kQueues] = {38, 38, 38, 38, 38, 38, 38, 38, 120, 30};
constexpr uint32_t kAdmission[nicshm::kQueues] = {30, 30, 30, 30, 30, 30, 30, 30, 120, 30};
constexpr uint32_t kTotalEntries = 454;

void init_shared_state(nicshm::State& s) {
    std::memset(s.base(), 0, nicshm::kSegmentSize);
    for (uint32_t i = 0; i < nicshm::kQueues; ++i) {
        be::put16(s.base() + nicshm::kCosToQueue + 2 * i, static_cast<uint16_t>(i));
        be::put16(s.base() + nicshm::kQueueToCos + 2 * i, static_cast<uint16_t>(i));
        s.set(nicshm::State::queue_word(nicshm::kThreshold, i), i == 7 ? 256 : 16);
    }
}

bool create_wfq(ControlBlock& c) {
    uint16_t map[nicshm::kQueues];
    for (uint32_t i = 0; i < nicshm::kQueues; ++i)
        map[i] = c.shm.cos_queue(i);
    c.mq = L_MQ_Create(nicshm::kQueues, nicshm::kQueues, kTotalEntries, map, kWeights, kCapacities);
    return c.mq != nullptr;
}

CtrlRecord* alloc_record() {
    return static_cast<CtrlRecord*>(L_PT_Allocate(&cb().ctrl_pool));
}

}  // namespace

ControlBlock& cb() {
    return *g_cb;
}

SemLock::SemLock(uint32_t id) : id_(id) {
    SYSFUN_TakeSem(id_, SYSFUN_TIMEOUT_WAIT_FOREVER);
}
SemLock::~SemLock() {
    SYSFUN_GiveSem(id_);
}

void free_record(CtrlRecord* r) {
    L_PT_Free(&cb().ctrl_pool, r);
}

uint32_t admission_limit(uint32_t queue) {
    return queue < nicshm::kQueues ? kAdmission[queue] : 0;
}

}  // namespace nicdrv

using namespace nicdrv;

void DEV_NICDRV_OM_Reset() {
    sdkEventRxPacketHandlerRegister(nullptr);
    ControlBlock& c = cb();
    L_MQ_Destroy(c.mq);
    L_PT_Destroy(&c.ctrl_pool);
    L_PT_Destroy(&c.fi_pool);
    g_cb = std::make_unique<ControlBlock>();
}

bool DEV_NICDRV_Init() {
    ControlBlock& c = cb();
    if (c.initialised) return true;
    DEV_NICDRV_OM_SetFreeFunc(DEV_NICDRV_GATEWAY_FreePacket);
    DEV_NICDRV_PMGR_RegisterMrefFree();
    c.ctrl_area.assign(kCtrlRecords, CtrlRecord{});
    c.ctrl_pool = L_PT_Descriptor_T{c.ctrl_area.data(), kCtrlRecords * sizeof(CtrlRecord),
                                    sizeof(CtrlRecord), nullptr};
    if (!L_PT_Create(&c.ctrl_pool)) {
        CONSOLE_Printf("%s(%d) ctrlinfo_buffer_p is NULL!!! Critical error!!! Thread halt.\n",
                       "DEV_NICDRV_Init", __LINE__);
        return false;
    }
    if (SYSFUN_GetSem(nicshm::kSemKey, &c.sem_id) != SYSFUN_OK) {
        CONSOLE_Printf("%s(%d) SYSFUN_GetSem fail.\n", "DEV_NICDRV_Init", __LINE__);
        return false;
    }
    c.shm = nicshm::State(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV));
    if (!c.shm.valid()) {
        CONSOLE_Printf("%s(%d) SYSRSC_MGR_GetShMem fail.\n", "DEV_NICDRV_Init", __LINE__);
        return false;
    }
    {
        SemLock lock(c.sem_id);
        init_shared_state(c.shm);
        if (!create_wfq(c)) {
            CONSOLE_Printf("%s: DEV_NICDRV_CreateWFQ return FALSE\n", "DEV_NICDRV_Init");
            return false;
        }
    }
    c.initialised = true;
    // The CPU network interface of every device, brought up here rather than by the SDK.
    uint8_t first = 0, count = 0;
    if (sdkCfgDevCountGet(&first, &count) == SDK_OK)
        for (uint32_t d = first; d < uint32_t{first} + count && d < 128; ++d)
            sdkNetIfInit(static_cast<uint8_t>(d));
    return DEV_NICDRV_GATEWAY_Init(DEV_NICDRV_ReceivePacket);
}

bool DEV_NICDRV_ReceivePacket(uint32_t device, uint32_t port, const uint32_t* desc,
                              uint32_t cpu_code, uint8_t* buffer, uint32_t length) {
    ControlBlock& c = cb();
    uint32_t d[DEV_NICDRV_DESCRIPTOR_WORDS] = {};
    if (desc && desc[0] == kMagicDescriptor) {
        std::memcpy(d, desc, sizeof d);
    } else {
        d[1] = d[2] = device;
        d[3] = port;
        d[4] = cpu_code;
        d[6] = length;
        d[10] = 1u << 16 | 1u;  // tagged, VLAN 0, no free info
    }
    if (!buffer || !c.initialised) return false;
    CtrlRecord rec{};
    rec.w[kCrDevice] = d[1];
    rec.w[kCrDevice2] = d[2];
    rec.w[kCrPort] = d[3];
    rec.w[kCrFreeInfo] = d[8];
    rec.w[kCrCpuCode] = d[4];
    const FreeInfoNode* first = node_at(d[8]);
    const uint32_t cos = first ? first->queue : 0;
    rec.w[kCrCos] = cos;
    rec.w[kCrLength] = d[6] >= 4 ? d[6] - 4 : 0;
    rec.w[kCrStacking] = 0;
    rec.w[kCrBuffer] = d[7];
    rec.w[kCrVid] = d[9];
    rec.w[kCrFlags] = d[10];
    rec.w[kCrWord12] = d[12];
    rec.w[kCrWord13] = d[13];
    // Counting, the record, the admission check and the enqueue in one hold of semaphore 17:
    // the receive task and the freeing processes wait on it too.
    enum { kQueued, kNoRecord, kBadCos, kFull, kRefused } outcome = kQueued;
    {
        SemLock lock(c.sem_id);
        c.shm.add(nicshm::kRxPacketTotal);
        ++c.per_second;
        CtrlRecord* r = cos < nicshm::kClasses ? alloc_record() : nullptr;
        if (cos >= nicshm::kClasses) {
            outcome = kBadCos;
        } else if (!r) {
            outcome = kNoRecord;
        } else {
            *r = rec;
            c.shm.add(nicshm::State::cos_field(cos, nicshm::kEnTotal));
            const uint32_t q = c.shm.cos_queue(cos);
            const uint32_t depth_off = nicshm::State::queue_word(nicshm::kQueueDepth, q);
            if (c.shm.get(depth_off) >= admission_limit(q)) {
                outcome = kFull;
            } else if (!L_MQ_Enq(c.mq, r, cos)) {
                outcome = kRefused;
            } else {
                const uint32_t cur = nicshm::State::cos_field(cos, nicshm::kCurrent);
                c.shm.add(cur);
                const uint32_t peak = nicshm::State::cos_field(cos, nicshm::kPeak);
                if (c.shm.get(cur) > c.shm.get(peak)) c.shm.set(peak, c.shm.get(cur));
                c.shm.add(depth_off);
                c.shm.add(nicshm::kRxEnqueueSuccess);
            }
            if (outcome != kQueued) free_record(r);
        }
    }
    switch (outcome) {
        case kQueued:
            break;
        case kNoRecord:
            CONSOLE_Printf("%s(%d) Out of memory for control info.\n", "DEV_NICDRV_ReceivePacket",
                           __LINE__);
            DEV_NICDRV_PMGR_FreeRxPacket(d[8]);
            return false;
        case kBadCos:
            CONSOLE_Printf("%s(%d) Invalid cos=%lu\r\n", "DEV_NICDRV_Enqueue", __LINE__,
                           static_cast<unsigned long>(cos));
            DEV_NICDRV_PMGR_FreeRxPacket(d[8]);
            return false;
        case kFull:
        case kRefused: {
            const bool full = outcome == kFull;
            const bool freed = DEV_NICDRV_GATEWAY_FreePacket(d[8]);
            SemLock lock(c.sem_id);
            if (full) c.shm.add(freed ? nicshm::kMemFreeSuccess : nicshm::kMemFreeFail);
            c.shm.add(nicshm::State::cos_field(cos, full ? nicshm::kQeFull : nicshm::kEnFail));
            return false;
        }
    }
    // The receive task is woken only when it said it goes to sleep; a busy task finds the
    // packet when it looks at the queue again. The flag is read before it is taken, so that
    // enqueues to a busy task leave its cache line shared.
    if (uint32_t tid = c.task_id; tid && c.task_idle.load() && c.task_idle.exchange(false))
        SYSFUN_SendEvent(tid, nicshm::kEventPackets);
    return true;
}
