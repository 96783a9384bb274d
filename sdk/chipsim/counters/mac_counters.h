// The chip model's MAC counters: per port, by the counter numbers of sdk_counters.h, counted
// by the pipeline as frames pass (received where the port's MAC sees them, sent where a copy
// leaves), with each port's clear-on-read setting and capture snapshot, and the device's two
// egress counter sets. It is the `mac` member of Device (core/model.h), guarded by the
// device's lock.
//
// The counters are 64 bits and wrap as they count. Sizes are as on the wire: the frame, padded
// to 60 bytes by its sender, and its 4-byte FCS. Frames of 64 bytes up to the port's MRU are
// counted in the size buckets (errored ones too); shorter ones are undersize (good FCS) or
// fragments (bad FCS), longer ones oversize or jabber. Pause frames count as flow control,
// not as multicast. Collisions, deferrals, transmit and receive errors do not happen on the
// model's full-duplex links: only the simulation control sets them.
//
// Power-on state: every counter 0, clear-on-read off, captures done at once, egress sets
// counting every copy.
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_counters.h"
#include "sdk/simproto/drops.h"

namespace chipsim {

struct MacPort {
    std::array<uint64_t, SDK_MAC_COUNTERS> count{};
    std::array<uint64_t, SDK_MAC_COUNTERS> snapshot{};  // the last capture
    bool clear_on_read = false;
    bool enabled = true;         // counting at all
    uint32_t capture_polls = 0;  // polls before the capture in progress reports done
};

struct EgressSet {
    uint32_t mode = 0;  // SDK_EGRESS_CNT_*
    uint8_t port = 0;
    uint16_t vid = 0;
    uint8_t tc = 0;
    uint8_t dp = 0;
    SDK_EGRESS_CNTRS count{};
};

struct MacCounters {
    std::array<MacPort, kPortSlots> ports{};  // by device port, 63 the CPU port
    std::array<EgressSet, SDK_EGRESS_CNT_SETS> egress{};
    // Polls of sdkPortMacCountersCaptureTriggerGet a capture takes before it reports done
    // (0: done at once; 0xFFFFFFFF: never), as the simulation control sets it.
    uint32_t capture_delay = 0;
};

// ---- Inspection and the simulated world (tests, the simulation control) ------------------
// A counter as the chip holds it (0 for a device, port or number the model does not have);
// reading it here never clears it.
uint64_t mac_counter(uint8_t dev, uint8_t port, uint32_t counter);
// Sets a counter to a value (collisions and errors the model's links never make, a counter
// about to wrap); false for a device, port or number the model does not have.
bool set_mac_counter(uint8_t dev, uint8_t port, uint32_t counter, uint64_t value);
// How many polls the device's counter captures take before they report done.
bool set_capture_delay(uint8_t dev, uint32_t polls);

// Registers the simulation-control commands of the MAC counters.
void register_counters_simctl();

// ---- Stages ------------------------------------------------------------------------------
struct Packet;
// counters_rx: the receiving port's MAC counts the frame by size, kind and error; false when
// its FCS is bad (the MAC discards it).
bool counters_rx(Locked d, const Packet& p, const uint8_t* data, uint32_t len);
// counters_tx: a copy of len bytes (without FCS) leaves port q.
void counters_tx(Locked d, const Packet& p, uint8_t q, const uint8_t* bytes, uint32_t len);
// counters_dropped: a good frame the bridge discarded after the port received it counts as a
// drop event of that port (the MAC's own discards and the pause frames it consumes do not).
void counters_dropped(Locked d, const Packet& p);
// counters_egress_filtered: a copy for port q discarded on its way out, by an egress filter
// or (forward_restricted) an egress block.
void counters_egress_filtered(Locked d, const Packet& p, uint8_t q, bool forward_restricted);

}  // namespace chipsim
