// Front ports bound to the host: a port attached to a Linux TAP interface takes the frames
// the interface sends in as injected frames, and every copy the pipeline sends out of the
// port is written to the interface; a port wired to a port of another instance on the same
// host exchanges frames with it over a datagram socket. While a port is attached, the
// interface replaces its simulated link partner: the link is up while the TAP interface is
// administratively up (a wire: while the other end is attached).
//
// Each attachment has a receive thread that reads a batch of frames (recvmmsg on a wire),
// switches them and writes the copies out in one go per destination (sendmmsg on a wire);
// copies of frames switched elsewhere (injected ones) are written by the thread that
// switched them. Nothing goes through the module queues.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

enum class AttachKind : uint8_t { kNone = 0, kTap = 1, kWire = 2 };

struct AttachSettings {
    uint32_t front = 0;
    AttachKind kind = AttachKind::kNone;
    std::string ifname;  // a TAP's interface; empty: "dp<instance>p<port>"
    std::string netns;   // the named network namespace it lives in; empty: the daemon's
    uint32_t peer_instance = 0;
    uint32_t peer_port = 0;
    bool peer_may_wait = false;  // a wire whose other instance need not run yet
};

struct AttachInfo {
    AttachSettings settings;
    std::string name;  // the interface, or the wire's socket
    bool link_up = false;
    uint64_t rx_frames = 0, tx_frames = 0, tx_dropped = 0;
};

// Attaches front port settings.front; false with the reason in *error (nothing is left behind).
bool attach_port(const AttachSettings& settings, AttachInfo* out, std::string* error);
// Detaches a front port, restoring its link partner; *was tells what it was bound to.
bool detach_port(uint32_t front, AttachInfo* was, std::string* error);
std::vector<AttachInfo> attachments();
void detach_all();

// The hook of the pipeline: the copies of r that left attached ports go to their interfaces.
void send_attached(const Result& r);

// The board's tap and wire lines, attached once the chip is up (failures are console lines).
void attach_board_ports();

// The default interface name of a front port of this instance.
std::string default_ifname(uint32_t front);

// Registers the simulation-control commands of attachments.
void register_tap_simctl();

}  // namespace chipsim
