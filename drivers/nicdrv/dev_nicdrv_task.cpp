// The receive task "NIC": dequeues packets in weighted order, hands each up as an mref whose
// release gives the buffers back, suspends queues whose packets are not being freed, and
// ages out packets that waited too long.
#include <algorithm>
#include <cstring>
#include <vector>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "drivers/nicdrv/dev_nicdrv_pmgr.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/console/console.h"
#include "platform/firmware/packet_sinks.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "platform/stktplg/stktplg.h"
#include "platform/watchdog/sw_watchdog_mgr.h"
#include "sdk/sdk_vlan.h"

namespace nicdrv {
namespace {

constexpr uint32_t kWatchdogId = 45;
constexpr uint32_t kWatchdogTimeout = 10;
constexpr uint32_t kTaskEvents = nicshm::kEventTimer | nicshm::kEventPackets |
                                 nicshm::kEventMessage | nicshm::kEventResume |
                                 SW_WATCHDOG_EVENT_PING;
constexpr uint32_t kTimerTicks = 10;
constexpr uint32_t kAgeEvery = 10;  // timer events between age-out steps
// Packets handed up per turn of the event loop: the other events are looked at in between.
constexpr uint32_t kPacketsPerTurn = 32;

bool is_marker(void* e) {
    return reinterpret_cast<uintptr_t>(e) < kAgeSlots;
}

// Lowers the books of a packet that will not be handed up after all.
void unadmit(uint32_t cos, uint32_t q) {
    ControlBlock& c = cb();
    SemLock lock(c.sem_id);
    c.shm.sub(nicshm::State::cos_field(cos, nicshm::kCurrent));
    if (cos < nicshm::kQueues) c.shm.sub(nicshm::State::queue_word(nicshm::kQueueDepth, q));
}

void count(uint32_t off) {
    ControlBlock& c = cb();
    SemLock lock(c.sem_id);
    c.shm.add(off);
}

// The local device and logical port of a to-CPU tag's hardware device and port.
bool to_logical(uint32_t hw_dev, uint32_t port, uint32_t* unit, uint32_t* lport, uint32_t* device) {
    uint32_t u = 0, dev = hw_dev;
    DEV_SWDRV_GetDeviceIdFromModuleId(hw_dev, &u, &dev);
    *device = dev;
    return DEV_SWDRV_PhyDevicePort2Logical(dev, port, unit, lport);
}

// A priority-tagged packet (tag VLAN bits 0) gets its port's VLAN; false: release it.
bool fix_priority_tag(L_MM_Mref_T* m, uint32_t device, uint32_t port) {
    uint32_t len = 0;
    auto* pdu = static_cast<uint8_t*>(L_MM_Mref_GetPdu(m, &len));
    if (!pdu || len < 16 || be::get16(pdu + 12) != 0x8100) return true;
    const uint16_t tci = be::get16(pdu + 14);
    if (tci & 0x1FFF) return true;
    uint16_t pvid = 0;
    if (sdkBrgVlanPortVidGet(static_cast<uint8_t>(device), static_cast<uint8_t>(port), &pvid))
        return false;
    be::put16(pdu + 14, static_cast<uint16_t>((tci & 0xE000) | (pvid & 0x1FFF)));
    return true;
}

void to_lan(const CtrlRecord& r, L_MM_Mref_T* m) {
    ControlBlock& c = cb();
    uint32_t me = 0, unit = 0, port = 0, device = 0;
    if (!STKTPLG_POM_GetMyUnitID(&me) ||
        !to_logical(r.w[kCrDevice], r.w[kCrPort], &unit, &port, &device)) {
        count(nicshm::kExtractUnitPortError);
        return PacketSendOut_MREF_ReleaseReference(m);
    }
    if (!fix_priority_tag(m, device, r.w[kCrPort])) return PacketSendOut_MREF_ReleaseReference(m);
    if (!c.lan_registered) return PacketSendOut_MREF_ReleaseReference(m);
    LAN_RecvInfo_T info{};
    info.w[0] = kMagicLanInfo;
    info.w[2] = r.w[kCrWord12];
    info.w[3] = r.w[kCrWord13];
    info.w[4] = r.w[kCrVid];
    info.w[6] = r.w[kCrFreeInfo];
    info.w[7] = r.w[kCrFlags];
    info.counters = c.lan_counters;
    L_MM_Mref_SetUserId(m, L_MM_USER_ID(kUserFieldNic, kLanUserField));
    ++c.gw.lan_handed;
    LAN_RecvPacket(unit, port, &info, r.w[kCrCpuCode], m);
}

void to_iuc(const CtrlRecord& r, L_MM_Mref_T* m) {
    if (!cb().iuc_registered) return PacketSendOut_MREF_ReleaseReference(m);
    L_MM_Mref_SetUserId(m, L_MM_USER_ID(kUserFieldNic, kIucUserField));
    IUC_PacketArrival(r.w[kCrDevice], r.w[kCrPort], r.w[kCrFreeInfo], r.w[kCrCpuCode], m);
}

// Builds the mref of a queued packet; nullptr when that fails (the packet is then returned).
L_MM_Mref_T* build_mref(const CtrlRecord& r, uint32_t q) {
    const uint32_t cos = r.w[kCrCos];
    void* buf = L_IPCMEM_GetPtr(r.w[kCrBuffer]);
    L_MM_Mref_T* m = buf ? L_MM_Mref_Construct(buf, r.w[kCrLength], 0, r.w[kCrLength], kMrefType,
                                               cos, r.w[kCrFreeInfo])
                         : nullptr;
    if (m) return m;
    CONSOLE_Printf("L_MM_Mref_Construct() return NULL.");
    if (DEV_NICDRV_PMGR_FreeRxPacket(r.w[kCrFreeInfo]))
        unadmit(cos, q);
    else
        CONSOLE_Printf("%s: DEV_NICDRV_PMGR_FreeRxPacket return FALSE\n", "DEV_NICDRV_Task");
    return nullptr;
}

// Counts a packet about to be handed up and suspends its queue when too many are not yet
// freed. The caller holds semaphore 17.
void announce_locked(uint32_t q) {
    ControlBlock& c = cb();
    c.shm.add(nicshm::kTotalBufferAnnounced);
    const uint32_t ann = nicshm::State::queue_word(nicshm::kAnnounced, q);
    c.shm.add(ann);
    if (!c.shm.suspended(q) &&
        c.shm.get(ann) >= c.shm.get(nicshm::State::queue_word(nicshm::kThreshold, q))) {
        L_MQ_DisableDeq(c.mq, 1u << q);
        c.shm.set_suspended(q, true);
    }
}

// Takes back the announcement of a packet that was not handed up after all, with the
// suspension it may have caused.
void unannounce(uint32_t q) {
    ControlBlock& c = cb();
    SemLock lock(c.sem_id);
    c.shm.sub(nicshm::kTotalBufferAnnounced);
    const uint32_t ann = nicshm::State::queue_word(nicshm::kAnnounced, q);
    c.shm.sub(ann);
    if (c.shm.suspended(q) &&
        c.shm.get(ann) < c.shm.get(nicshm::State::queue_word(nicshm::kThreshold, q))) {
        c.shm.set_suspended(q, false);
        L_MQ_EnableDeq(c.mq, 1u << q);
    }
}

// Records taken off the weighted queue in one hold of semaphore 17.
constexpr uint32_t kDequeueBatch = 4;

// Takes up to `max` records off the queue in the weighted order, announcing each (a packet
// is announced before it is handed up, since the packet layer may free it at once: a queue
// whose packets are too many not yet freed is suspended before its next record is taken).
// The records of the previous batch go back to their pool in the same hold. Caller holds
// semaphore 17.
uint32_t take_batch_locked(uint32_t max, CtrlRecord* out[], uint32_t queue[]) {
    ControlBlock& c = cb();
    uint32_t n = 0;
    void* e = nullptr;
    uint32_t q = 0;
    while (n < max && L_MQ_Deq(c.mq, &e, &q)) {
        if (is_marker(e)) {
            if (q < kAgedQueues) c.markers[q][reinterpret_cast<uintptr_t>(e)] = 0;
            continue;
        }
        c.shm.add(nicshm::kRxDequeueSuccess);
        announce_locked(q);
        __builtin_prefetch(e);
        out[n] = static_cast<CtrlRecord*>(e);
        queue[n++] = q;
    }
    return n;
}

// What handing a batch up reads that other threads wrote (the records, their packets' first
// bytes and free-info nodes), fetched at once rather than missed one after another.
void prefetch_packets(CtrlRecord* const recs[], uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        __builtin_prefetch(L_IPCMEM_GetPtr(recs[i]->w[kCrBuffer]), 1);
        __builtin_prefetch(node_at(recs[i]->w[kCrFreeInfo]));
    }
}

// Hands one dequeued packet up as an mref, or takes its announcement back.
void hand_up(const CtrlRecord& r, uint32_t q) {
    if (L_MM_Mref_T* m = build_mref(r, q)) {
        m->cos = static_cast<uint8_t>(r.w[kCrCos]);
        if (r.w[kCrStacking] == 0)
            to_lan(r, m);
        else
            to_iuc(r, m);
    } else {
        unannounce(q);
    }
}

// Queues that were suspended and are below their threshold again dequeue again. Caller holds
// semaphore 17.
void resume_locked() {
    ControlBlock& c = cb();
    uint32_t bits = 0;
    for (uint32_t q = 0; q < nicshm::kQueues; ++q) {
        if (c.shm.suspended(q) && c.shm.get(nicshm::State::queue_word(nicshm::kAnnounced, q)) <
                                      c.shm.get(nicshm::State::queue_word(nicshm::kThreshold, q))) {
            c.shm.set_suspended(q, false);
            bits |= 1u << q;
        }
    }
    if (bits) L_MQ_EnableDeq(c.mq, bits);
}

void resume() {
    SemLock lock(cb().sem_id);
    resume_locked();
}

// What the receive task does between batches besides taking the next one: the nodes of the
// packets it freed meanwhile go back to their pool, and, in the hold of semaphore 17 that takes
// the next batch, the records of the batch handed up go back to theirs and the books of those
// frees are settled (resuming the queues they bring below their threshold).
class BatchFrees {
  public:
    BatchFrees() {
        DEV_NICDRV_PMGR_DeferBooks(&books_);
        defer_nodes(&nodes_);
    }
    ~BatchFrees() {
        DEV_NICDRV_PMGR_DeferBooks(nullptr);
        defer_nodes(nullptr);
        settle_nodes();
        if (done_ || !books_.empty()) {
            SemLock lock(cb().sem_id);
            settle_locked();
        }
    }
    // Before semaphore 17 is taken.
    void settle_nodes() { nicdrv::settle_nodes(nodes_); }
    // In the hold of semaphore 17.
    void settle_locked() {
        for (uint32_t i = 0; i < done_; ++i)
            free_record(recs[i]);
        done_ = 0;
        if (DEV_NICDRV_PMGR_SettleBooksLocked(cb().shm.base(), books_)) resume_locked();
    }
    void handed(uint32_t n) { done_ = n; }

    CtrlRecord* recs[kDequeueBatch];

  private:
    DEV_NICDRV_PMGR_DeferredBooks books_{};
    DeferredNodes nodes_;
    uint32_t done_ = 0;  // records of the batch handed up, not yet back in their pool
};

// Up to `max` packets off the queue and up, each as the weighted order and the suspended
// queues allow; false when no queue had one. Packets are taken in batches, with one hold of
// semaphore 17 for a batch's dequeues and announcements, the previous batch's records and the
// books of the packets freed meanwhile, and one of the gateway lock for their nodes.
bool dequeue_some(uint32_t max) {
    ControlBlock& c = cb();
    BatchFrees batch;
    uint32_t queues[kDequeueBatch];
    uint32_t handed = 0;
    while (handed < max) {
        uint32_t n = 0;
        batch.settle_nodes();
        {
            SemLock lock(c.sem_id);
            batch.settle_locked();
            n = take_batch_locked(std::min(max - handed, kDequeueBatch), batch.recs, queues);
        }
        if (n == 0) break;
        prefetch_packets(batch.recs, n);
        for (uint32_t i = 0; i < n; ++i)
            hand_up(*batch.recs[i], queues[i]);
        batch.handed(n);
        handed += n;
    }
    return handed > 0;
}

// A reply packet of the inter-stack channel posted to the task's queue: the message's last
// word names the control record (its index in the record area, plus one).
bool message_one() {
    ControlBlock& c = cb();
    if (!c.msgq_ok) return false;
    uint8_t msg[16] = {};
    uint32_t rc = SYSFUN_ReceiveMsg(c.msgq, 0, SYSFUN_TIMEOUT_NOWAIT, 4, msg);
    if (rc == SYSFUN_RESULT_NO_MESSAGE) return false;
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf("%s() line %d:Failed to receive IPC message.(msgq_key=%lu, rc=%lu)\r\n",
                       "DEV_NICDRV_Task", __LINE__,
                       static_cast<unsigned long>(SYSFUN_GetMsgQKey(c.msgq)),
                       static_cast<unsigned long>(rc));
        return false;
    }
    const uint32_t idx = be::get32(msg + 12);
    if (idx == 0 || idx > kCtrlRecords) return true;
    CtrlRecord* r = &c.ctrl_area[idx - 1];
    count(nicshm::kRxDequeueSuccess);
    void* buf = L_IPCMEM_GetPtr(r->w[kCrBuffer]);
    L_MM_Mref_T* m = buf ? L_MM_Mref_Construct(buf, r->w[kCrLength], 0, r->w[kCrLength], kMrefType,
                                               nicshm::kReplyClass, r->w[kCrFreeInfo])
                         : nullptr;
    if (m) {
        to_iuc(*r, m);
        count(nicshm::kRxISCReplyDequeueSuccess);
    } else {
        CONSOLE_Printf("L_MM_Mref_Construct() return NULL.");
        if (DEV_NICDRV_PMGR_FreeRxPacket(r->w[kCrFreeInfo]))
            unadmit(nicshm::kReplyClass, 0);
        else
            CONSOLE_Printf("%s: DEV_NICDRV_MemFree return FALSE\n", "DEV_NICDRV_Task");
    }
    SemLock lock(c.sem_id);
    free_record(r);
    return true;
}

// The dropped records of an age-out step.
struct AgeCtx {
    std::vector<CtrlRecord*> records;
    std::vector<uint32_t> slots;  // markers passed over
};
void collect(void* entry, void* cookie) {
    auto* ctx = static_cast<AgeCtx*>(cookie);
    if (is_marker(entry))
        ctx->slots.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry)));
    else
        ctx->records.push_back(static_cast<CtrlRecord*>(entry));
}

}  // namespace

void age_out() {
    ControlBlock& c = cb();
    SemLock lock(c.sem_id);
    const uint32_t slot = c.seconds % kAgeSlots;
    for (uint32_t q = 0; q < kAgedQueues; ++q) {
        if (uint32_t pos = c.markers[q][slot]) {
            AgeCtx ctx;
            L_MQ_DoOperationAndMoveHead(c.mq, q, pos, collect, &ctx);
            for (CtrlRecord* r : ctx.records) {
                const uint32_t cos = r->w[kCrCos];
                if (DEV_NICDRV_PMGR_FreeRxPacket(r->w[kCrFreeInfo])) {
                    c.shm.add(nicshm::kMemFreeSuccess);
                    if (cos < nicshm::kQueues) {
                        c.shm.sub(nicshm::State::cos_field(cos, nicshm::kCurrent));
                        c.shm.sub(nicshm::State::queue_word(nicshm::kQueueDepth, q));
                    }
                    c.shm.add(nicshm::State::cos_field(cos % nicshm::kClasses, nicshm::kAgeOut));
                } else {
                    c.shm.add(nicshm::kMemFreeFail);
                }
                free_record(r);
            }
            for (uint32_t s : ctx.slots)
                c.markers[q][s] = 0;  // markers the drop passed over are gone too
            c.markers[q][slot] = 0;
        }
        const uint32_t cos = be::get16(c.shm.base() + nicshm::kQueueToCos + 2 * q);
        if (L_MQ_Enq(c.mq, reinterpret_cast<void*>(uintptr_t{slot}), cos))
            c.markers[q][slot] = L_MQ_GetTailPointer(c.mq, q);
    }
    c.per_second = 0;
    ++c.seconds;
}

}  // namespace nicdrv

using namespace nicdrv;

uint32_t DEV_NICDRV_TaskHandleEvents(uint32_t ev) {
    ControlBlock& c = cb();
    if (!c.initialised) return 0;
    if (ev & SW_WATCHDOG_EVENT_PING) {
        SW_WATCHDOG_MGR_ResetTimer(kWatchdogId);
        ev &= ~SW_WATCHDOG_EVENT_PING;
    }
    if (ev & nicshm::kEventTimer) {
        if (++c.timer_events % kAgeEvery == 0) age_out();
        std::memset(c.lan_counters, 0, sizeof c.lan_counters);
        ev &= ~nicshm::kEventTimer;
    }
    if (ev & nicshm::kEventMessage) {
        if (!message_one()) ev &= ~nicshm::kEventMessage;
    }
    if (ev & nicshm::kEventResume) {
        resume();
        ev = (ev & ~nicshm::kEventResume) | nicshm::kEventPackets;
    }
    if (ev & nicshm::kEventPackets) {
        if (!dequeue_some(kPacketsPerTurn)) ev &= ~nicshm::kEventPackets;
    }
    return ev;
}

void DEV_NICDRV_Task(void*) {
    ControlBlock& c = cb();
    if (SYSFUN_CreateMsgQ(0, 0, &c.msgq) != SYSFUN_OK) {
        CONSOLE_Printf("%s: Couldn't create message queue.\n", "DEV_NICDRV_Task");
        return;
    }
    c.msgq_ok = SYSFUN_SetMsgQEvent(c.msgq, nicshm::kEventMessage) == SYSFUN_OK;
    void* timer = SYSFUN_PeriodicTimer_Create();
    SYSFUN_PeriodicTimer_Start(timer, kTimerTicks, nicshm::kEventTimer);
    uint32_t pending = 0;
    for (;;) {
        uint32_t got = 0;
        if (pending) {
            SYSFUN_ReceiveEvent(kTaskEvents, SYSFUN_EVENT_WAIT_ANY, SYSFUN_TIMEOUT_NOWAIT, &got);
        } else {
            // Going to sleep: from here on an enqueue sends the packet event, and a packet
            // queued before the enqueue saw the flag is found by this last look.
            c.task_idle.store(true);
            pending = DEV_NICDRV_TaskHandleEvents(nicshm::kEventPackets);
            if (pending) {
                c.task_idle.store(false);
                continue;
            }
            SYSFUN_ReceiveEvent(kTaskEvents, SYSFUN_EVENT_WAIT_ANY, SYSFUN_TIMEOUT_WAIT_FOREVER,
                                &got);
            c.task_idle.store(false);
        }
        pending = DEV_NICDRV_TaskHandleEvents(pending | got);
    }
}

bool DEV_NICDRV_CreateTask() {
    ControlBlock& c = cb();
    uint32_t tid = 0;
    if (SYSFUN_SpawnThread(135, 0, "NIC", 20480, 0, DEV_NICDRV_Task, nullptr, &tid) != SYSFUN_OK) {
        CONSOLE_Printf("%s:SYSFUN_SpawnThread fail.\n", "DEV_NICDRV_CreateTask");
        return false;
    }
    c.task_id = tid;
    if (c.shm.valid()) {
        SemLock lock(c.sem_id);
        c.shm.set(nicshm::kTaskId, tid);
    }
    SW_WATCHDOG_MGR_RegisterMonitorThread(kWatchdogId, tid, kWatchdogTimeout);
    // Packets that arrived before the task existed.
    SYSFUN_SendEvent(tid, nicshm::kEventPackets);
    return true;
}
