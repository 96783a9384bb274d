// Host plumbing of attachments: TAP interfaces (created or attached inside a named network
// namespace), their administrative state, the wires' datagram sockets, and whether another
// instance runs.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>
#include <string>

namespace chipsim::host {

// A TAP interface: its queue's descriptor (non-blocking), and a socket of its network
// namespace to read its flags with.
struct Tap {
    int fd = -1;
    int ctl = -1;
    bool created = false;  // made by us (it goes away with fd), not an existing one
};
// Creates the TAP interface `name` in network namespace `netns` (empty: ours), or attaches
// to an existing TAP interface of that name nobody holds. False with the reason.
bool open_tap(const std::string& name, const std::string& netns, Tap* out, std::string* error);
// IFF_* flags of the interface; -1 when it is gone.
int iface_flags(int ctl, const std::string& name);
void close_tap(Tap* t);

// A wire's end: an abstract datagram socket named for the instance and the port.
struct WireAddr {
    sockaddr_un sa{};
    socklen_t len = 0;
};
WireAddr wire_addr(uint32_t instance, uint32_t front);
// Opens and binds this end (non-blocking, large buffers); -1 with the reason.
int open_wire(const WireAddr& self, std::string* error);
// Whether the other end's socket exists (it is attached).
bool wire_bound(const WireAddr& peer);

// Whether a daemon of the instance runs (it holds the lock on its pid file).
bool instance_running(uint32_t instance);

}  // namespace chipsim::host
