// Capture: the copies the captured ports send (and the frames handed to the CPU) recorded
// with the time they left, for `drvctl capture` and tests. It is the `capture` member of
// Device (core/model.h), guarded by the device's lock; the delivery step of the pipeline
// records into it.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sdk/chipsim/core/lock.h"

namespace chipsim {

// A frame recorded by the capture: sent by `port` (SDK_CPU_PORT: handed to the CPU).
struct CapturedFrame {
    uint8_t dev = 0;
    uint8_t port = 0;
    uint64_t time_ns = 0;  // real time
    std::vector<uint8_t> bytes;
};

// Capture buffer limits per device.
constexpr uint32_t kCaptureFrames = 8192;
constexpr uint64_t kCaptureBytes = 32u << 20;

struct Capture {
    uint64_t ports = 0;  // bit p: port p's sent copies are captured (bit 63: the CPU)
    std::deque<CapturedFrame> frames;
    uint64_t bytes = 0;
    uint64_t lost = 0;  // frames the full buffer could not take

    bool on(uint8_t port) const { return ports >> (port % 64) & 1; }
};

// Records a copy port `port` of the device sent, when the port is being captured.
void capture(Locked d, uint8_t port, const uint8_t* bytes, uint32_t len);

// Registers the simulation-control commands of the capture.
void register_capture_simctl();

// ---- Control and inspection ----------------------------------------------------------
// Captures the copies the ports of the bitmap (bit p: device port p, bit 63: frames to the
// CPU) send from now on; an empty bitmap stops capturing. Starting empties the buffer.
void capture_ports(uint8_t dev, uint64_t ports);
uint64_t capture_ports(uint8_t dev);
// Takes the oldest captured frame of the device; false when there is none.
bool take_captured(uint8_t dev, CapturedFrame* out);
// Frames the capture buffer had no room for since the capture started.
uint64_t capture_lost(uint8_t dev);

}  // namespace chipsim
