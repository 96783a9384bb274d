// The pipeline's egress: each copy's checks on its way out of a destination port (the
// features' egress stages, in order), tagging, and where the copy goes: the wire, back into
// a port (internal loopback), over the internal link, or nowhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

// Sends the packet's copies to p.dest, queuing the hops of copies that come back into a
// device.
void egress(Locked d, Packet& p);

// An unswitched copy of what the port received: out of q as it is, with a tag of tag_vid
// when that is not 0 (mirrored copies to an analyzer that tags them).
void send_raw(Locked d, const Packet& p, uint8_t q, uint16_t tag_vid);

// A copy appended last to p.out->data at `offset` leaves port q of d (cascade: q is an end of
// the internal link): counted, captured, and sent on to the wire, back into the port
// (internal loopback) or over the internal link.
void deliver(Locked d, const Packet& p, uint8_t q, bool cascade, size_t offset);

// Writes a tag into b; returns the byte after it.
uint8_t* put_tag(uint8_t* b, uint16_t tpid, uint16_t tci);

}  // namespace chipsim
