// What the model's ports did with frames: counters per port of frames received, sent, handed
// to the CPU and captured, and drops by reason. It is the `counters` member of Device
// (core/model.h), guarded by the device's lock; every stage that drops a frame counts it
// here, the simulation-control commands and tests read it.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/simproto/drops.h"

namespace chipsim {

using simproto::Drop;
using simproto::drop_name;
using simproto::kDropReasons;

// The longest frame the model takes (the largest MRU, without the frame check sequence).
constexpr uint32_t kMaxFrame = 16382;

struct PortCounters {
    uint64_t rx_frames = 0;  // frames received, injected or from a neighbour device
    uint64_t rx_bytes = 0;
    uint64_t tx_frames = 0;  // copies sent
    uint64_t tx_bytes = 0;
    uint64_t to_cpu = 0;    // frames received here that went to the CPU
    uint64_t captured = 0;  // copies sent that the capture recorded
    std::array<uint64_t, kDropReasons> drops{};
};

struct Counters {
    std::array<PortCounters, kPortSlots> ports{};  // by device port, 63 the CPU port
};

}  // namespace chipsim
