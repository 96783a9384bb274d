// The capture's simulation-control commands: start, stop, and reading what was captured.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool capture_start(void* msg) {
    uint32_t bitmap, cpu = 0;
    if (!word(msg, 0, &bitmap)) return answer(msg, false);
    word(msg, 1, &cpu);
    Model& m = model();
    std::vector<uint64_t> masks(m.devices.size(), 0);
    for (uint32_t front = 1; front <= 32; ++front) {
        uint8_t dev, port;
        if (!(bitmap >> (front - 1) & 1)) continue;
        if (!front_port(front, &dev, &port)) return answer(msg, false);
        masks[dev] |= uint64_t{1} << port;
    }
    for (uint8_t dev = 0; dev < masks.size(); ++dev) {
        if (cpu) masks[dev] |= uint64_t{1} << SDK_CPU_PORT;
        capture_ports(dev, 0);  // a new capture starts with an empty buffer
        capture_ports(dev, masks[dev]);
    }
    return answer(msg, true);
}

bool capture_stop(void* msg) {
    for (uint8_t dev = 0; dev < model().devices.size(); ++dev)
        capture_ports(dev, 0);
    return answer(msg, true);
}

bool capture_read(void* msg) {
    uint32_t offset = 0;
    word(msg, 0, &offset);
    // The oldest frame of all devices.
    Device* oldest = nullptr;
    uint64_t waiting = 0, oldest_ns = 0;
    for (auto& d : model().devices) {
        DeviceLock lock(*d);
        const std::deque<CapturedFrame>& c = d->capture.frames;
        waiting += c.size();
        if (!c.empty() && (!oldest || c.front().time_ns < oldest_ns)) {
            oldest = d.get();
            oldest_ns = c.front().time_ns;
        }
    }
    if (!oldest) return reply(msg, sc::CaptureStatus{0});
    DeviceLock lock(*oldest);
    std::deque<CapturedFrame>& c = oldest->capture.frames;
    if (c.empty()) return reply(msg, sc::CaptureStatus{0});
    const CapturedFrame& f = c.front();
    uint32_t len = static_cast<uint32_t>(f.bytes.size());
    if (offset > len) offset = len;
    uint32_t room = simctl::kMaxPayload - 4 - sc::kCaptureHeader;
    uint32_t chunk = std::min(len - offset, room);
    sc::Bytes out;
    sc::encode(sc::CaptureStatus{static_cast<uint32_t>(waiting)}, &out);
    sc::CapturedHeader h;
    h.front = front_of(f.dev, f.port);
    h.seconds = static_cast<uint32_t>(f.time_ns / 1000000000u);
    h.nanoseconds = static_cast<uint32_t>(f.time_ns % 1000000000u);
    h.length = len;
    sc::encode(h, &out);
    out.insert(out.end(), f.bytes.begin() + offset, f.bytes.begin() + offset + chunk);
    if (offset + chunk == len) {
        oldest->capture.bytes -= len;
        c.pop_front();
    }
    return reply(msg, out);
}

}  // namespace

void register_capture_simctl() {
    simctl_register(sc::kCaptureStart, capture_start);
    simctl_register(sc::kCaptureStop, capture_stop);
    simctl_register(sc::kCaptureRead, capture_read);
}

}  // namespace chipsim
