// Frames into the chip from outside the SDK (tests, the simulation-control channel), and the
// counters of what the ports did with them.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/chipsim/core/counters.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

// A copy of a frame that left the chip.
struct FrameCopy {
    uint8_t dev = 0;
    uint8_t port = 0;
    std::vector<uint8_t> bytes;
};
// What the chip did with a frame.
struct Injected {
    bool ok = false;          // the port exists (false: nothing happened)
    Drop drop = Drop::kNone;  // why it went nowhere
    uint16_t vid = 0;         // the VLAN it was classified to
    bool flooded = false;
    bool learned = false;  // its source address is in the table for its port
    bool to_cpu = false;
    uint32_t cpu_code = 0;
    std::vector<FrameCopy> sent;    // in the order the ports sent them
    std::vector<TraceEvent> trace;  // each stage's decision, when traced
};
// A frame (without its FCS) enters device port `port`; traced: every stage's decision is
// recorded.
Injected inject(uint8_t dev, uint8_t port, const std::vector<uint8_t>& frame, bool traced = false);
PortCounters port_counters(uint8_t dev, uint8_t port);
void clear_frame_counters(uint8_t dev);

// Registers the simulation-control commands of injection and the frame counters.
void register_inject_simctl();

}  // namespace chipsim
