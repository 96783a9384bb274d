// The CPU port's queue: frames the pipeline hands to the CPU, with what the chip tells the
// CPU about each (where it came in, its VLAN, its CPU code). It is the `cpu` member of Device
// (core/model.h), guarded by the device's lock; the pipeline's cpu_deliver stage fills it,
// the SDK's receive side and tests take from it.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sdk/chipsim/core/lock.h"

namespace chipsim {

struct Packet;

// CPU codes the model gives frames it hands to the CPU, by reason.
constexpr uint32_t kCpuCodeMacDaTrap = 16;      // destination entry's command or the CPU port
constexpr uint32_t kCpuCodeMacSaTrap = 19;      // source entry's command
constexpr uint32_t kCpuCodeNewAddress = 32;     // lock command of controlled learning
constexpr uint32_t kCpuCodeUnregMc = 33;        // unregistered multicast command
constexpr uint32_t kCpuCodeFlooded = 37;        // flooded to the CPU as a VLAN member
constexpr uint32_t kCpuCodeIeeeReserved = 300;  // IEEE reserved multicast
constexpr uint32_t kCpuCodeIgmp = 301;
constexpr uint32_t kCpuCodeIcmpv6 = 306;
constexpr uint32_t kCpuCodeOam = 420;

// A frame for the CPU.
struct CpuFrame {
    uint8_t src_dev = 0;  // hardware device number of the port it came in on
    uint8_t src_port = 0;
    uint16_t vid = 0;
    bool tagged = false;    // it came in with a tag
    bool mirrored = false;  // a copy: the frame itself was also forwarded
    uint32_t cpu_code = 0;
    uint8_t tc = 0;              // traffic class towards the CPU: the receive queue it goes to
    std::vector<uint8_t> bytes;  // as received
};

// Frames the queue holds ("rx_desc_count" when the board parameter is set).
constexpr uint32_t kCpuQueueFrames = 512;

struct CpuQueue {
    std::deque<CpuFrame> frames;
    // The rate limit's window of model time (sdkNetIfCpuRateLimitSet: packets per second).
    uint64_t window_ms = 0;
    uint32_t in_window = 0;
};

// Stage cpu_deliver: hands the packet to the CPU when a stage trapped or mirrored it, or when
// the CPU port is among its destinations; at most the rate limit's packets per second of
// model time, and what the CPU port's shaper lets through.
void cpu_deliver(Locked d, Packet& p);

// Registers the simulation-control commands of the CPU queue.
void register_cpu_simctl();

// ---- Inspection ----------------------------------------------------------------------
// The frames waiting for the CPU, oldest first; take_cpu_frame removes the oldest.
std::vector<CpuFrame> cpu_frames(uint8_t dev);
bool take_cpu_frame(uint8_t dev, CpuFrame* out);

}  // namespace chipsim
