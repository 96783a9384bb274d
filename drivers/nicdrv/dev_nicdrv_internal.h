// The CPU packet driver's control block, shared by its files: the receive gateway (free-info
// pool, transmit pool), the enqueue and the receive task (control records, weighted queue,
// shared state) and the transmit side.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/nicdrv/dev_nicdrv_shm.h"
#include "platform/containers/l_mq.h"
#include "platform/containers/l_pt.h"
#include "platform/sysfun/sysfun.h"
#include "sdk/sdk_netif.h"

namespace nicdrv_iuc {
constexpr uint16_t kNeighbours = 0xFF80;  // the units behind the stacking ports
constexpr uint16_t kOther = 0xFFF0;
constexpr uint16_t kAll = 0xFFFF;
}  // namespace nicdrv_iuc

namespace nicdrv {

constexpr uint32_t kMagicDescriptor = 0x35792468;
constexpr uint32_t kMagicLanInfo = 0x19191919;
constexpr uint32_t kFreeInfoNodes = 512;
constexpr uint32_t kCtrlRecords = 512;
constexpr uint32_t kMaxRxBufs = 8;
constexpr uint32_t kTxBufSize = 576;
constexpr uint32_t kTxBufs = 128;
constexpr uint32_t kMinSendLen = 64;
constexpr uint32_t kAgeSlots = 8;
constexpr uint32_t kAgedQueues = 8;
constexpr uint32_t kLanUserField = 57;
constexpr uint32_t kIucUserField = 95;
constexpr uint32_t kUserFieldNic = 37;
constexpr uint32_t kMrefType = 1;  // the L_MM free-function type of received packets

// A free-info node, one per DMA buffer of a received packet, in the shared IPC pool (so a
// free info, the pool offset of a packet's first node, means the same in every process).
struct FreeInfoNode {
    uint8_t device;
    uint8_t queue;
    uint8_t pad[2];
    be::U32 buffer;  // pool offset of the DMA buffer
    be::U32 next;    // pool offset of the next node of the packet, or 0
};
static_assert(sizeof(FreeInfoNode) == 12);

// The queued form of a packet (fourteen words, process-local).
struct CtrlRecord {
    uint32_t w[14];
};
enum CtrlWord : uint32_t {
    kCrDevice = 0,
    kCrDevice2 = 1,
    kCrPort = 2,
    kCrFreeInfo = 3,
    kCrCpuCode = 4,
    kCrCos = 5,
    kCrLength = 6,
    kCrStacking = 7,
    kCrBuffer = 8,
    kCrVid = 9,
    kCrFlags = 10,
    kCrWord12 = 12,
    kCrWord13 = 13,
};

using Counter = std::atomic<uint32_t>;

// Process-local counters and watch settings of the gateway.
// The SDK's event task counts every packet it gets and the receive task every packet it hands
// to the LAN layer, each on a cache line of its own, so that neither thread takes the line
// from the other once per packet. "LAN packets" is the sum of both counts.
struct GatewayCounters {
    alignas(64) Counter rx_packets{0};
    Counter lan_packets{0};
    alignas(64) Counter lan_handed{0};
    alignas(64) Counter more_one_desc[SDK_NETIF_RX_QUEUES] = {};
    Counter send_iuc{0}, send_to_port{0}, send_by_port{0}, send_by_port_list{0}, send_by_vid{0},
        send_loopback{0}, send_no_resource_drop{0}, send_unknown_reason_drop{0};
};

struct ControlBlock {
    bool initialised = false;
    bool gateway_ok = false;
    // Receive side under semaphore 17.
    uint32_t sem_id = 0;
    nicshm::State shm{nullptr};
    std::vector<CtrlRecord> ctrl_area;
    L_PT_Descriptor_T ctrl_pool{};
    L_MQ_T* mq = nullptr;
    uint32_t markers[kAgedQueues][kAgeSlots] = {};
    uint32_t seconds = 0;
    uint32_t timer_events = 0;
    alignas(64) Counter per_second{0};  // counted by every enqueue, apart from the task's fields
    uint32_t lan_counters[4] = {};      // lent to the LAN receiver, zeroed on every timer event
    SYSFUN_MsgQ_T msgq = 0;
    bool msgq_ok = false;
    std::atomic<uint32_t> task_id{0};
    // Set by the receive task before it sleeps; an enqueue that clears it sends the packet
    // event, so that a busy task is not signalled once per packet. On a cache line of its own:
    // every enqueue reads it.
    alignas(64) std::atomic<bool> task_idle{false};
    // Gateway: free-info pool under its own semaphore, transmit pool.
    alignas(64) uint32_t gw_sem = 0;
    uint8_t* fi_area = nullptr;
    uint32_t fi_offset = 0;  // the area's offset in the shared IPC pool
    L_PT_Descriptor_T fi_pool{};
    SDK_POOL_ID tx_pool = 0;
    std::atomic<bool> tx_bound{false};
    SDK_EVENT_HANDLE tx_handle = 0;
    uint32_t tx_bind_count = 0;
    GatewayCounters gw;
    std::atomic<uint32_t> perf_test{0};
    std::atomic<uint32_t> rx_watch{0};
    std::atomic<uint32_t> tx_watch{0};
    std::atomic<bool> sdk_err_msg{false};
    std::atomic<bool> lan_registered{true};
    std::atomic<bool> iuc_registered{true};
};

ControlBlock& cb();

// Semaphore 17 held for a scope.
class SemLock {
  public:
    explicit SemLock(uint32_t id);
    ~SemLock();
    SemLock(const SemLock&) = delete;
    SemLock& operator=(const SemLock&) = delete;

  private:
    uint32_t id_;
};

// Gateway (dev_nicdrv_gateway.cpp).
bool gateway_init();
FreeInfoNode* node_at(uint32_t offset);
// The free-info chains of the packets the receive task frees while it hands a batch up: their
// buffers go back to the chip at once, their nodes to the pool in one hold of the gateway lock
// when the task takes its next batch (the SDK's event task takes that lock for every packet).
struct DeferredNodes {
    static constexpr uint32_t kMax = 64;
    uint32_t chain[kMax];
    uint32_t n = 0;
};
// From now on, this thread's frees keep their chains in `d` (nullptr: nodes go back at once).
void defer_nodes(DeferredNodes* d);
// Returns the kept chains' nodes to the pool.
void settle_nodes(DeferredNodes& d);
// Enqueue (dev_nicdrv_rx.cpp).
void free_record(CtrlRecord* r);
// Receive task steps (dev_nicdrv_task.cpp).
void age_out();

}  // namespace nicdrv
