// The CPU network interface: the receive DMA queues and their buffers, the SDK's event task
// that hands received packets to the registered handler, the transmit DMA pools and the
// from-CPU send. A device's receive side is the `netif` member of Device (guarded by the
// device's lock); the event task, the handler, the bound events and the pools are the
// model's `netif` member (NetifGlobal, with locks of their own taken after a device's lock
// and never while one is held the other way round).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sdk/chipsim/core/device_mutex.h"
#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_netif.h"

namespace chipsim {

struct Packet;
struct Model;

// Receive buffers per device unless the board parameters say otherwise.
constexpr uint32_t kRxBufSize = 1542;
constexpr uint32_t kRxBufCount = 512;

// A packet in the receive DMA buffers, waiting for the event task. Its buffers are held
// inline up to kInlineBufs (no allocation per packet); a longer packet's others in `more`.
struct RxReady {
    static constexpr uint32_t kInlineBufs = 4;
    uint8_t queue = 0;
    uint32_t count = 0;  // buffers
    uint32_t total = 0;  // bytes in them (the frame and its CRC), each full but the last
    uint32_t first[kInlineBufs] = {};
    std::vector<uint32_t> more;
    SDK_NET_RX_PARAMS params{};

    void add(uint32_t b) {
        if (count < kInlineBufs)
            first[count] = b;
        else
            more.push_back(b);
        ++count;
    }
    uint32_t buf(uint32_t i) const { return i < kInlineBufs ? first[i] : more[i - kInlineBufs]; }
};

// The ring of filled receive descriptors between the DMA and the SDK's event task, as a
// chip's: the DMA fills descriptors at the tail under the device's lock, the event task takes
// them at the head under a lock of the takers' own, and each side publishes its index with a
// release store that the other reads with an acquire load, so neither waits for the other.
// Each side keeps the other's index as last read, and reads it again only when that one says
// the ring is full (or empty): the other side's line moves between processors that much less.
class RxRing {
  public:
    // Sets the number of descriptors, with none in the ring (when the interface comes up).
    void resize(uint32_t n) {
        slots_.resize(n);
        head_slot_ = n ? static_cast<uint32_t>(head_.load() % n) : 0;
        tail_slot_ = n ? static_cast<uint32_t>(tail_.load() % n) : 0;
    }
    size_t size() const { return tail_.load() - head_.load(); }
    bool empty() const { return size() == 0; }
    // The DMA's side: whether there is no room for one more.
    bool full() {
        const uint64_t t = tail_.load(std::memory_order_relaxed);
        if (t - seen_head_ < slots_.size()) return false;
        seen_head_ = head_.load(std::memory_order_acquire);
        return t - seen_head_ >= slots_.size();
    }
    // The DMA's side, when not full: the descriptor to fill (emptied), which push() then
    // hands to the takers. Filled in place, so that no copy of it is read back while the
    // DMA's writes to the buffers are still on their way to memory.
    RxReady& fill() {
        RxReady& r = slots_[tail_slot_];
        r.count = 0;
        r.more.clear();
        return r;
    }
    void push() {
        tail_slot_ = next(tail_slot_);
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // The takers' side: the oldest filled descriptor (nullptr when none), then pop it.
    RxReady* front() {
        const uint64_t h = head_.load(std::memory_order_relaxed);
        if (seen_tail_ == h) {
            seen_tail_ = tail_.load(std::memory_order_acquire);
            if (seen_tail_ == h) return nullptr;
        }
        return &slots_[head_slot_];
    }
    void pop() {
        head_slot_ = next(head_slot_);
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

  private:
    uint32_t next(uint32_t slot) const { return slot + 1 == slots_.size() ? 0 : slot + 1; }

    std::vector<RxReady> slots_;
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
    // Each side's own, away from the index the other side reads.
    alignas(64) uint64_t seen_tail_ = 0;  // the takers'
    uint32_t head_slot_ = 0;              // head_'s slot
    alignas(64) uint64_t seen_head_ = 0;  // the DMA's
    uint32_t tail_slot_ = 0;              // tail_'s slot
};

// A device's receive side. The CPU gives buffers back without the device's lock, which the
// DMA takes for every packet: under `returned_mu` alone, into `returned`,
// from which the DMA takes them into its free list when that runs short. Lock order: the
// device's lock, then `returned_mu`.
struct Netif {
    // Set up once, under both locks; read by every side for every packet.
    uint8_t* area = nullptr;  // the buffers, in the shared IPC pool
    uint32_t buf_size = 0;
    uint32_t buf_count = 0;
    enum : uint8_t { kFree, kReady, kCpu };
    std::unique_ptr<std::atomic<uint8_t>[]> state;  // each buffer's owner
    // Frames wait in the CPU queue for buffers: the CPU then takes the device's lock after
    // giving buffers back, so that the DMA brings the frames in. Changes only when the DMA
    // runs out of buffers or catches up.
    std::atomic<bool> starved{false};

    // What each side changes for every packet is on lines of its own: the DMA's, the event
    // task's and the CPU's.
    alignas(64) std::vector<uint32_t> free_bufs;  // indices of the buffers the chip may fill
    uint64_t rx_bufs_freed = 0;                   // given back by the CPU and taken into free_bufs
    uint64_t tx_packets = 0;                      // sent from the CPU
    RxRing ready;                                 // filled, not yet handed to the handler

    alignas(64) mutable DeviceMutex take_mu;  // the takers of `ready` (the event task, tests)
    std::atomic<uint64_t> rx_packets{0};      // handed to the handler

    alignas(64) mutable DeviceMutex returned_mu;
    std::vector<uint32_t> returned;  // given back by the CPU, not yet in free_bufs

    bool up() const { return area != nullptr; }
    // Moves the buffers given back into the free list. Caller holds the device's lock.
    void take_returned();
    ~Netif();
};

// A transmit DMA pool.
struct DmaPool {
    uint8_t* area = nullptr;
    uint32_t buf_size = 0;  // rounded up to the alignment
    uint32_t count = 0;
    std::vector<uint32_t> free_bufs;
    std::vector<bool> taken;
};

// The SDK's event side and the transmit pools.
struct NetifGlobal {
    std::mutex mu;  // handler, stop flag, starting the task, the task's sleep
    std::condition_variable cv;
    SDK_NET_RX_PACKET_HANDLER handler = nullptr;
    // Set by the DMA when there is work, cleared by the task before it looks for it; a task
    // that set `sleeping` (before it looks at `wake` a last time) is signalled under `mu`.
    // Read for every frame, so on a line of their own, away from the lock.
    alignas(64) std::atomic<bool> wake{false};
    std::atomic<bool> sleeping{false};
    std::atomic<bool> started{false};  // the task runs
    std::atomic<bool> stop{false};
    std::atomic<bool> manual{false};  // tests deliver with netif_deliver instead of the task
    std::thread task;

    alignas(64) std::mutex pools_mu;              // pools and event handles
    std::vector<std::unique_ptr<DmaPool>> pools;  // pool id i + 1
    std::vector<uint32_t> bound;                  // handle i + 1: the events it was bound to

    ~NetifGlobal();
};

// Stage netif_rx_dma: frames waiting in the CPU queue go into free receive buffers of the
// queue their traffic class names, and the event task is woken (also when `wake` asks for it
// without new frames).
void netif_rx_dma(Locked d, bool wake = false);

// The SDK's event task (started by sdkEventRxPacketHandlerRegister, ended with the model).
void netif_event_task(Model* m);

// Registers the simulation-control commands of the network interface.
void register_netif_simctl();

// ---- Control and inspection ----------------------------------------------------------
// Stops the event task from running (true) so that a test delivers packets itself with
// netif_deliver; false lets the task deliver again.
void netif_manual_delivery(bool manual);
// Hands up to `max` waiting packets of every device to the handler in the calling thread;
// returns how many it handed.
uint32_t netif_deliver(uint32_t max = ~0u);
struct NetifStats {
    bool up = false;
    uint32_t buffers = 0;
    uint32_t free_buffers = 0;
    uint32_t ready = 0;        // packets filled, not yet handed up
    uint32_t held_by_cpu = 0;  // buffers the CPU holds
    uint64_t rx_packets = 0;
    uint64_t rx_bufs_freed = 0;
    uint64_t tx_packets = 0;
};
NetifStats netif_stats(uint8_t dev);
// Puts a frame in the device's CPU queue as the pipeline would (tests, benchmarks).
bool netif_push_cpu_frame(uint8_t dev, uint8_t tc, uint32_t cpu_code, uint8_t src_port,
                          uint16_t vid, const uint8_t* bytes, uint32_t len);

}  // namespace chipsim
