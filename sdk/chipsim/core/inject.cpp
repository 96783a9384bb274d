// Frames into the chip from outside the SDK, and the frame counters.
#include "sdk/chipsim/core/inject.h"

#include "sdk/chipsim/core/model.h"

namespace chipsim {

Injected inject(uint8_t dev, uint8_t port, const std::vector<uint8_t>& frame, bool traced) {
    Result r;
    r.tracing = traced;
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
    out.trace = std::move(r.trace);
    return out;
}

PortCounters port_counters(uint8_t dev, uint8_t port) {
    return on_device(dev, PortCounters{},
                     [&](Locked d) { return d->counters.ports[port % kPortSlots]; });
}

void clear_frame_counters(uint8_t dev) {
    on_device(dev, 0, [](Locked d) {
        d->counters.ports.fill(PortCounters{});
        return 0;
    });
}

}  // namespace chipsim
