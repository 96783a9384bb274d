// Counters, capture buffer and CPU queue of the model's ports, and the frame injection that
// tests and the simulation-control channel use.
#include "sdk/chipsim/capture.h"

#include <time.h>

#include "sdk/chipsim/model.h"
#include "sdk/chipsim/pipeline.h"

namespace chipsim {
namespace {

uint64_t realtime_ns() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace

const char* drop_name(Drop d) {
    static const char* const kNames[kDropReasons] = {
        "none",           "runt",         "truncated-tag",  "too-long",
        "port-down",      "mru",          "oversize",       "vlan-mru",
        "frame-type",     "invalid-vlan", "ingress-filter", "stp-state",
        "learn-lock",     "sa-command",   "da-command",     "control",
        "no-destination", "loop",         "cpu-queue-full", "egress-not-member",
        "egress-stp",     "egress-block", "egress-down"};
    uint32_t i = static_cast<uint32_t>(d);
    return i < kDropReasons ? kNames[i] : "?";
}

void capture(Device& d, uint8_t port, const uint8_t* bytes, uint32_t len) {
    Frames& f = d.frames;
    if (!(f.capture_ports >> (port % 64) & 1)) return;
    if (f.capture.size() >= kCaptureFrames || f.capture_bytes + len > kCaptureBytes) {
        ++f.capture_lost;
        return;
    }
    f.capture.push_back(CapturedFrame{d.num, port, realtime_ns(), {bytes, bytes + len}});
    f.capture_bytes += len;
    ++f.ports[port % kPortSlots].captured;
}

Injected inject(uint8_t dev, uint8_t port, const std::vector<uint8_t>& frame) {
    Result r;
    Injected out;
    out.ok = receive(dev, port, frame.data(), static_cast<uint32_t>(frame.size()), &r);
    out.drop = r.drop;
    out.vid = r.vid;
    out.flooded = r.flooded;
    out.learned = r.learned;
    out.to_cpu = r.to_cpu;
    out.cpu_code = r.cpu_code;
    for (const Sent& s : r.sent) {
        const uint8_t* at = r.data.data() + s.offset;
        out.sent.push_back(FrameCopy{s.dev, s.port, {at, at + s.len}});
    }
    return out;
}

PortCounters port_counters(uint8_t dev, uint8_t port) {
    return on_device(dev, PortCounters{},
                     [&](Device& d) { return d.frames.ports[port % kPortSlots]; });
}

void clear_frame_counters(uint8_t dev) {
    on_device(dev, 0, [](Device& d) {
        d.frames.ports.fill(PortCounters{});
        return 0;
    });
}

std::vector<CpuFrame> cpu_frames(uint8_t dev) {
    return on_device(dev, std::vector<CpuFrame>{}, [](Device& d) {
        return std::vector<CpuFrame>(d.frames.cpu.begin(), d.frames.cpu.end());
    });
}

bool take_cpu_frame(uint8_t dev, CpuFrame* out) {
    return on_device(dev, false, [&](Device& d) {
        if (d.frames.cpu.empty()) return false;
        *out = std::move(d.frames.cpu.front());
        d.frames.cpu.pop_front();
        return true;
    });
}

void capture_ports(uint8_t dev, uint64_t ports) {
    on_device(dev, 0, [&](Device& d) {
        Frames& f = d.frames;
        if (ports && !f.capture_ports) {
            f.capture.clear();
            f.capture_bytes = 0;
            f.capture_lost = 0;
        }
        f.capture_ports = ports;
        return 0;
    });
}

uint64_t capture_ports(uint8_t dev) {
    return on_device(dev, uint64_t{0}, [](Device& d) { return d.frames.capture_ports; });
}

bool take_captured(uint8_t dev, CapturedFrame* out) {
    return on_device(dev, false, [&](Device& d) {
        Frames& f = d.frames;
        if (f.capture.empty()) return false;
        *out = std::move(f.capture.front());
        f.capture.pop_front();
        f.capture_bytes -= out->bytes.size();
        return true;
    });
}

uint64_t capture_lost(uint8_t dev) {
    return on_device(dev, uint64_t{0}, [](Device& d) { return d.frames.capture_lost; });
}

}  // namespace chipsim
