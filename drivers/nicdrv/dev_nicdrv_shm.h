// The CPU packet driver's shared receive state: shared-memory segment 6, guarded by the
// system-wide semaphore 17. The driver process and the processes that free received packets
// keep the same books in it, so its offsets are a format shared between them. Every field is
// big-endian.
#pragma once

#include <cstdint>

#include "platform/common/byteorder.h"

namespace nicshm {

constexpr uint32_t kSemKey = 17;
constexpr uint32_t kSegmentSize = 496;
constexpr uint32_t kQueues = 10;
constexpr uint32_t kClasses = 11;  // class 10 is the reply path of the inter-stack channel
constexpr uint32_t kReplyClass = 10;

constexpr uint32_t kCosToQueue = 4;   // 10 x 16-bit
constexpr uint32_t kQueueToCos = 24;  // 10 x 16-bit
constexpr uint32_t kQueueDepth = 44;  // 10 x 32-bit: admitted and not yet freed
constexpr uint32_t kAnnounced = 84;   // 10 x 32-bit: handed up and not yet freed
constexpr uint32_t kThreshold = 124;  // 10 x 32-bit
constexpr uint32_t kSuspended = 164;  // 10 x 8-bit
constexpr uint32_t kTotalBufferAnnounced = 176;
constexpr uint32_t kTaskId = 180;
constexpr uint32_t kMemAllocSuccess = 188;
constexpr uint32_t kMemAllocFail = 192;
constexpr uint32_t kMemAllocateDenied = 196;
constexpr uint32_t kMemFreeSuccess = 200;
constexpr uint32_t kMemFreeFail = 204;
constexpr uint32_t kRxPacketTotal = 208;
constexpr uint32_t kRxISCReplyEnqueueSuccess = 212;
constexpr uint32_t kRxISCReplyDequeueSuccess = 216;
constexpr uint32_t kRxEnqueueSuccess = 220;
constexpr uint32_t kRxDequeueSuccess = 224;
constexpr uint32_t kExtractUnitPortError = 228;
constexpr uint32_t kCosRows = 232;  // 11 x 24 bytes
constexpr uint32_t kCosRowSize = 24;
// The six counters of a class-of-service row.
enum CosField : uint32_t { kEnTotal, kQeFull, kEnFail, kAgeOut, kCurrent, kPeak };

// Events of the receive task.
constexpr uint32_t kEventTimer = 1;
constexpr uint32_t kEventPackets = 2;
constexpr uint32_t kEventMessage = 4;
constexpr uint32_t kEventResume = 8;

// A view of the segment. Callers hold semaphore 17 for every change.
class State {
  public:
    explicit State(void* base) : b_(static_cast<uint8_t*>(base)) {}
    bool valid() const { return b_ != nullptr; }
    uint32_t get(uint32_t off) const { return be::atomic_get32(b_ + off); }
    void set(uint32_t off, uint32_t v) { be::atomic_put32(b_ + off, v); }
    void add(uint32_t off, uint32_t n = 1) { set(off, get(off) + n); }
    // Lowers a count by `n`, never below 0.
    void sub(uint32_t off, uint32_t n = 1) {
        const uint32_t v = get(off);
        set(off, v > n ? v - n : 0);
    }
    uint16_t cos_queue(uint32_t cos) const { return be::get16(b_ + kCosToQueue + 2 * cos); }
    static uint32_t queue_word(uint32_t base, uint32_t q) { return base + 4 * q; }
    static uint32_t cos_field(uint32_t cos, CosField f) {
        return kCosRows + cos * kCosRowSize + 4 * f;
    }
    bool suspended(uint32_t q) const { return be::atomic_get8(b_ + kSuspended + q) != 0; }
    void set_suspended(uint32_t q, bool on) { be::atomic_put8(b_ + kSuspended + q, on ? 1 : 0); }
    uint8_t* base() { return b_; }

  private:
    uint8_t* b_;
};

}  // namespace nicshm
