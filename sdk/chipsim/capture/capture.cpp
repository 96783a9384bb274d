// The capture buffer of the ports being captured.
#include "sdk/chipsim/capture/capture.h"

#include <time.h>

#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

uint64_t realtime_ns() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace

void capture(Locked d, uint8_t port, const uint8_t* bytes, uint32_t len) {
    Capture& c = d->capture;
    if (!c.on(port)) return;
    if (c.frames.size() >= kCaptureFrames || c.bytes + len > kCaptureBytes) {
        ++c.lost;
        return;
    }
    c.frames.push_back(CapturedFrame{d->num, port, realtime_ns(), {bytes, bytes + len}});
    c.bytes += len;
    ++d->counters.ports[port % kPortSlots].captured;
}

void capture_ports(uint8_t dev, uint64_t ports) {
    on_device(dev, 0, [&](Locked d) {
        Capture& c = d->capture;
        if (ports && !c.ports) {
            c.frames.clear();
            c.bytes = 0;
            c.lost = 0;
        }
        c.ports = ports;
        return 0;
    });
}

uint64_t capture_ports(uint8_t dev) {
    return on_device(dev, uint64_t{0}, [](Locked d) { return d->capture.ports; });
}

bool take_captured(uint8_t dev, CapturedFrame* out) {
    return on_device(dev, false, [&](Locked d) {
        Capture& c = d->capture;
        if (c.frames.empty()) return false;
        *out = std::move(c.frames.front());
        c.frames.pop_front();
        c.bytes -= out->bytes.size();
        return true;
    });
}

uint64_t capture_lost(uint8_t dev) {
    return on_device(dev, uint64_t{0}, [](Locked d) { return d->capture.lost; });
}

}  // namespace chipsim
