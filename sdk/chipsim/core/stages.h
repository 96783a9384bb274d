// Internal to the pipeline: the pieces its ingress and egress halves share.
#pragma once

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

inline bool member(const SDK_PORTS_BMP& b, uint32_t port) {
    return port < 64 && (b.ports[port >> 5] >> (port & 31) & 1);
}
inline void set_member(SDK_PORTS_BMP& b, uint32_t port) {
    b.ports[port >> 5] |= 1u << (port & 31);
}
inline void clear_member(SDK_PORTS_BMP& b, uint32_t port) {
    b.ports[port >> 5] &= ~(1u << (port & 31));
}

// Counts a drop on a port and remembers the first reason of the frame.
void count_drop(Device& d, uint8_t port, Drop why, Result* out);

// The port passes frames: enabled, and its link up or looped back inside the chip. changes:
// the model's change count now (Model::changes). The answer is kept until the model changes.
bool resolve_port_up(Device& d, Port& p, uint64_t changes);
inline bool port_up(Device& d, Port& p, uint64_t changes) {
    const Frames::Link& l = d.frames.link[p.num % kPortSlots];
    return l.changes == changes ? l.up : resolve_port_up(d, p, changes);
}
// The port is one end of the unit's internal link between devices.
bool is_cascade(Device& d, uint8_t port);

// Sends the packet's copies to p.dest and hands it to the CPU when it is to go there; queues
// the hops of copies that come back into a device.
void egress(Device& d, Packet& p, Result* out);

}  // namespace chipsim
