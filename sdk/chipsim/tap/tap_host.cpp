// TAP interfaces, their namespaces and flags, and the wires' sockets.
#include "sdk/chipsim/tap/tap_host.h"

#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace chipsim::host {
namespace {

std::string errno_text(int e) {
    return std::strerror(e);
}

// In the calling thread (its network namespace is its own): the work of open_tap.
bool open_here(const std::string& name, const std::string& netns, Tap* out, std::string* error) {
    if (!netns.empty()) {
        const std::string path = "/var/run/netns/" + netns;
        int ns = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0) {
            *error = "network namespace " + netns + ": " + errno_text(errno);
            return false;
        }
        int rc = ::setns(ns, CLONE_NEWNET);
        int e = errno;
        ::close(ns);
        if (rc != 0) {
            *error = "cannot enter network namespace " + netns + ": " + errno_text(e);
            return false;
        }
    }
    const bool existed = if_nametoindex(name.c_str()) != 0;
    int fd = ::open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open /dev/net/tun: " + errno_text(errno);
        return false;
    }
    ifreq ifr{};
    ifr.ifr_flags = IFF_TAP | IFF_NO_PI;
    std::memcpy(ifr.ifr_name, name.data(), name.size());
    if (::ioctl(fd, TUNSETIFF, &ifr) != 0) {
        int e = errno;
        ::close(fd);
        if (e == EBUSY)
            *error = "interface " + name + " is taken (another program holds it)";
        else if (existed && (e == EINVAL || e == EEXIST))
            *error = "interface " + name + " exists and is not a TAP interface";
        else if (e == EPERM)
            *error = "no permission to create TAP interface " + name + " (needs CAP_NET_ADMIN)";
        else
            *error = "cannot create TAP interface " + name + ": " + errno_text(e);
        return false;
    }
    int ctl = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (ctl < 0) {
        *error = "socket: " + errno_text(errno);
        ::close(fd);
        return false;
    }
    out->fd = fd;
    out->ctl = ctl;
    out->created = !existed;
    return true;
}

}  // namespace

bool open_tap(const std::string& name, const std::string& netns, Tap* out, std::string* error) {
    if (name.empty() || name.size() >= IFNAMSIZ) {
        *error = "interface name \"" + name + "\" must be 1 to " + std::to_string(IFNAMSIZ - 1) +
                 " characters";
        return false;
    }
    if (name.find('/') != std::string::npos || netns.find('/') != std::string::npos) {
        *error = "interface and namespace names may not contain '/'";
        return false;
    }
    // A thread of its own enters the namespace: the interface and the socket are made there,
    // and the daemon's threads stay where they are.
    bool ok = false;
    std::thread t([&] { ok = open_here(name, netns, out, error); });
    t.join();
    return ok;
}

int iface_flags(int ctl, const std::string& name) {
    ifreq ifr{};
    std::memcpy(ifr.ifr_name, name.data(), std::min(name.size(), size_t{IFNAMSIZ - 1}));
    if (::ioctl(ctl, SIOCGIFFLAGS, &ifr) != 0) return -1;
    return ifr.ifr_flags & 0xFFFF;
}

void close_tap(Tap* t) {
    if (t->fd >= 0) ::close(t->fd);
    if (t->ctl >= 0) ::close(t->ctl);
    t->fd = t->ctl = -1;
}

WireAddr wire_addr(uint32_t instance, uint32_t front) {
    WireAddr a;
    a.sa.sun_family = AF_UNIX;
    const std::string name =
        "driver_proc." + std::to_string(instance) + ".wire." + std::to_string(front);
    std::memcpy(a.sa.sun_path + 1, name.data(), name.size());  // abstract: leading NUL
    a.len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return a;
}

int open_wire(const WireAddr& self, std::string* error) {
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = "socket: " + errno_text(errno);
        return -1;
    }
    int size = 4 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&self.sa), self.len) != 0) {
        *error = std::string("the wire's socket is taken: ") + errno_text(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

bool wire_bound(const WireAddr& peer) {
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool bound = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer.sa), peer.len) == 0;
    ::close(fd);
    return bound;
}

bool instance_running(uint32_t instance) {
    const char* root = std::getenv("DRIVER_PROC_RUN_ROOT");
    const std::string path = std::string(root && *root ? root : "/tmp/driver_proc") + "/" +
                             std::to_string(instance) + "/driver_proc.pid";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace chipsim::host
