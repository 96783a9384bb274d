// Records of the commands that bind front ports to network interfaces of the host (a TAP
// interface) or to a port of another instance (a wire), for the daemon and the tools.
#pragma once

#include <cstdint>
#include <string>

#include "sdk/simproto/codec.h"

namespace simproto {

constexpr uint32_t kAttachTap = 1;
constexpr uint32_t kAttachWire = 2;

// ATTACH: front port, kind (kAttachTap, kAttachWire); a wire's other end; a TAP's interface
// name (empty: the default, named for the instance and port) and network namespace (empty:
// the daemon's own).
struct AttachRequest {
    uint32_t port = 0;
    uint32_t kind = 0;
    uint32_t peer_instance = 0;
    uint32_t peer_port = 0;
    std::string ifname;
    std::string netns;
    SIMPROTO_FIELDS(s.port, s.kind, s.peer_instance, s.peer_port, s.ifname, s.netns)
};

// ATTACH and DETACH: done (1) or refused (0) with the reason; what the port was bound to.
struct AttachResult {
    uint32_t ok = 0;
    uint32_t kind = 0;
    uint32_t peer_instance = 0;
    uint32_t peer_port = 0;
    std::string name;  // the interface (a TAP) or the socket (a wire)
    std::string message;
    SIMPROTO_FIELDS(s.ok, s.kind, s.peer_instance, s.peer_port, s.name, s.message)
};

// ATTACHMENTS: one per bound port.
struct AttachmentRecord {
    uint8_t front = 0;
    uint8_t kind = 0;
    uint8_t link_up = 0;  // the interface is up (a TAP), the other end is there (a wire)
    uint8_t reserved = 0;
    uint32_t peer_instance = 0;
    uint32_t peer_port = 0;
    uint64_t rx_frames = 0;   // read from the interface and switched
    uint64_t tx_frames = 0;   // written to it
    uint64_t tx_dropped = 0;  // the interface did not take them
    std::string name;
    std::string netns;
    SIMPROTO_FIELDS(s.front, s.kind, s.link_up, s.reserved, s.peer_instance, s.peer_port,
                    s.rx_frames, s.tx_frames, s.tx_dropped, s.name, s.netns)
};

}  // namespace simproto
