// The attached ports: their registry, their receive threads, and the writing of the copies
// the pipeline sends out of them.
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/tap/tap.h"
#include "sdk/chipsim/tap/tap_host.h"

namespace chipsim {
namespace {

constexpr uint32_t kBatch = 32;            // frames read before their copies are written
constexpr uint32_t kMaxFrame = 16 * 1024;  // longer ones are cut (and dropped as too long)
constexpr int kLinkPollMs = 100;           // how often the interface's state is looked at

uint64_t now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

struct Attachment {
    AttachSettings settings;
    std::string name;
    uint8_t dev = 0, port = 0;
    host::Tap tap;        // a TAP
    int wire = -1;        // a wire: our end
    host::WireAddr peer;  // and the other one
    int stop = -1;        // eventfd that ends the receive thread
    Partner saved;        // the simulated partner the interface replaced
    std::atomic<bool> link_up{false};
    std::atomic<uint64_t> rx{0}, tx{0}, tx_dropped{0};
    std::thread reader;

    int fd() const { return settings.kind == AttachKind::kTap ? tap.fd : wire; }
    ~Attachment() {
        host::close_tap(&tap);
        if (wire >= 0) ::close(wire);
        if (stop >= 0) ::close(stop);
    }
};
using AttachmentPtr = std::shared_ptr<Attachment>;

std::mutex g_change_mu;                       // one attach or detach at a time
std::shared_mutex g_mu;                       // the registry
std::map<uint16_t, AttachmentPtr> g_by_port;  // by dev << 8 | port
std::atomic<uint32_t> g_count{0};

uint16_t key(uint8_t dev, uint8_t port) {
    return static_cast<uint16_t>(dev << 8 | port);
}

AttachmentPtr find(uint8_t dev, uint8_t port) {
    std::shared_lock lock(g_mu);
    auto it = g_by_port.find(key(dev, port));
    return it == g_by_port.end() ? nullptr : it->second;
}

// Copies bound for attached ports, kept while a batch is being switched.
struct Batch {
    struct Out {
        Attachment* to;
        uint32_t offset, len;
    };
    std::vector<AttachmentPtr> holds;  // keeps the destinations open until written
    std::vector<Out> outs;
    std::vector<uint8_t> bytes;
};
thread_local Batch* t_batch = nullptr;

void write_one(Attachment& a, const uint8_t* bytes, uint32_t len) {
    ssize_t n = a.settings.kind == AttachKind::kTap
                    ? ::write(a.tap.fd, bytes, len)
                    : ::sendto(a.wire, bytes, len, MSG_DONTWAIT,
                               reinterpret_cast<const sockaddr*>(&a.peer.sa), a.peer.len);
    (n == static_cast<ssize_t>(len) ? a.tx : a.tx_dropped).fetch_add(1, std::memory_order_relaxed);
}

// Writes a batch's copies: one sendmmsg per wire, one write per frame to a TAP.
void flush(Batch& b) {
    std::vector<mmsghdr> msgs;
    std::vector<iovec> iov;
    // Each destination's copies together, in the order they were switched.
    std::stable_sort(b.outs.begin(), b.outs.end(), [](const Batch::Out& x, const Batch::Out& y) {
        return std::less<>()(x.to, y.to);
    });
    for (size_t i = 0; i < b.outs.size();) {
        Attachment& a = *b.outs[i].to;
        if (a.settings.kind == AttachKind::kTap) {
            write_one(a, b.bytes.data() + b.outs[i].offset, b.outs[i].len);
            ++i;
            continue;
        }
        size_t j = i;
        while (j < b.outs.size() && b.outs[j].to == &a)
            ++j;
        iov.assign(j - i, iovec{});
        msgs.assign(j - i, mmsghdr{});
        for (size_t k = i; k < j; ++k) {
            iov[k - i] = iovec{b.bytes.data() + b.outs[k].offset, b.outs[k].len};
            msghdr& h = msgs[k - i].msg_hdr;
            h.msg_name = &a.peer.sa;
            h.msg_namelen = a.peer.len;
            h.msg_iov = &iov[k - i];
            h.msg_iovlen = 1;
        }
        int sent = ::sendmmsg(a.wire, msgs.data(), static_cast<unsigned>(j - i), MSG_DONTWAIT);
        if (sent < 0) sent = 0;
        a.tx.fetch_add(static_cast<uint64_t>(sent), std::memory_order_relaxed);
        a.tx_dropped.fetch_add(j - i - static_cast<uint64_t>(sent), std::memory_order_relaxed);
        i = j;
    }
    b.outs.clear();
    b.holds.clear();
    b.bytes.clear();
}

// The interface's state decides the link of the port: its partner is there while it is up.
void update_link(Attachment& a) {
    bool up = false;
    if (a.settings.kind == AttachKind::kWire) {
        up = host::wire_bound(a.peer);
    } else {
        const int flags = host::iface_flags(a.tap.ctl, a.name);  // -1: the interface is gone
        up = flags >= 0 && (flags & IFF_UP);
    }
    if (up == a.link_up.load()) return;
    a.link_up = up;
    Partner p = a.saved;
    p.present = up;
    set_partner(a.dev, a.port, p);
}

void switch_frame(Attachment& a, Result& r, const uint8_t* frame, uint32_t len) {
    a.rx.fetch_add(1, std::memory_order_relaxed);
    receive(a.dev, a.port, frame, len, &r);
}

// Reads what the TAP interface has (up to a batch).
void read_tap(Attachment& a, Result& r, std::vector<uint8_t>& buf) {
    for (uint32_t i = 0; i < kBatch; ++i) {
        ssize_t n = ::read(a.tap.fd, buf.data(), buf.size());
        if (n <= 0) return;
        switch_frame(a, r, buf.data(), static_cast<uint32_t>(n));
    }
}

void read_wire(Attachment& a, Result& r, std::vector<uint8_t>& buf) {
    mmsghdr msgs[kBatch] = {};
    iovec iov[kBatch];
    for (uint32_t i = 0; i < kBatch; ++i) {
        iov[i] = iovec{buf.data() + i * kMaxFrame, kMaxFrame};
        msgs[i].msg_hdr.msg_iov = &iov[i];
        msgs[i].msg_hdr.msg_iovlen = 1;
    }
    int n = ::recvmmsg(a.wire, msgs, kBatch, MSG_DONTWAIT, nullptr);
    for (int i = 0; i < n; ++i)
        switch_frame(a, r, buf.data() + i * kMaxFrame, msgs[i].msg_len);
}

void reader(Attachment* a) {
    Result r;
    Batch batch;
    t_batch = &batch;
    std::vector<uint8_t> buf(a->settings.kind == AttachKind::kWire ? kBatch * kMaxFrame : 65536);
    uint64_t next_link = 0;
    for (;;) {
        pollfd fds[2] = {{a->fd(), POLLIN, 0}, {a->stop, POLLIN, 0}};
        int n = ::poll(fds, 2, kLinkPollMs);
        if (n > 0 && fds[1].revents) break;
        if (now_ms() >= next_link) {
            update_link(*a);
            next_link = now_ms() + kLinkPollMs;
        }
        if (n > 0 && fds[0].revents & POLLIN) {
            if (a->settings.kind == AttachKind::kTap)
                read_tap(*a, r, buf);
            else
                read_wire(*a, r, buf);
            flush(batch);
        } else if (n > 0 && fds[0].revents) {
            // The interface went away under us (its namespace was deleted): wait for detach.
            ::poll(&fds[1], 1, kLinkPollMs);
        }
    }
    t_batch = nullptr;
}

bool open_endpoint(Attachment& a, std::string* error) {
    if (a.settings.kind == AttachKind::kTap) {
        a.name = a.settings.ifname.empty() ? default_ifname(a.settings.front) : a.settings.ifname;
        return host::open_tap(a.name, a.settings.netns, &a.tap, error);
    }
    if (a.settings.peer_instance == static_cast<uint32_t>(instance::id()) &&
        a.settings.peer_port == a.settings.front) {
        *error = "a port cannot be wired to itself";
        return false;
    }
    if (!a.settings.peer_may_wait && !host::instance_running(a.settings.peer_instance)) {
        *error = "instance " + std::to_string(a.settings.peer_instance) + " is not running";
        return false;
    }
    const host::WireAddr self =
        host::wire_addr(static_cast<uint32_t>(instance::id()), a.settings.front);
    a.peer = host::wire_addr(a.settings.peer_instance, a.settings.peer_port);
    a.name = std::string(self.sa.sun_path + 1, self.len - offsetof(sockaddr_un, sun_path) - 1);
    a.wire = host::open_wire(self, error);
    return a.wire >= 0;
}

AttachInfo info(const Attachment& a) {
    AttachInfo i;
    i.settings = a.settings;
    i.name = a.name;
    i.link_up = a.link_up;
    i.rx_frames = a.rx;
    i.tx_frames = a.tx;
    i.tx_dropped = a.tx_dropped;
    return i;
}

}  // namespace

std::string default_ifname(uint32_t front) {
    return "dp" + std::to_string(instance::id()) + "p" + std::to_string(front);
}

bool attach_port(const AttachSettings& settings, AttachInfo* out, std::string* error) {
    std::lock_guard change(g_change_mu);
    auto a = std::make_shared<Attachment>();
    a->settings = settings;
    PortState state;
    if (settings.front > 0xFF || !front_port(settings.front, &a->dev, &a->port) ||
        !port_state(a->dev, a->port, &state)) {
        *error = "port " + std::to_string(settings.front) + " does not exist";
        return false;
    }
    if (settings.kind != AttachKind::kTap && settings.kind != AttachKind::kWire) {
        *error = "unknown kind of attachment";
        return false;
    }
    if (find(a->dev, a->port)) {
        *error = "port " + std::to_string(settings.front) + " is already attached";
        return false;
    }
    if (!open_endpoint(*a, error)) return false;
    a->stop = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    a->saved = state.partner;
    // Down until the interface says otherwise.
    Partner down = state.partner;
    down.present = false;
    set_partner(a->dev, a->port, down);
    update_link(*a);
    {
        std::unique_lock lock(g_mu);
        g_by_port[key(a->dev, a->port)] = a;
        g_count = static_cast<uint32_t>(g_by_port.size());
    }
    a->reader = std::thread(reader, a.get());
    if (out) *out = info(*a);
    return true;
}

bool detach_port(uint32_t front, AttachInfo* was, std::string* error) {
    std::lock_guard change(g_change_mu);
    uint8_t dev = 0, port = 0;
    if (front > 0xFF || !front_port(front, &dev, &port)) {
        *error = "port " + std::to_string(front) + " does not exist";
        return false;
    }
    AttachmentPtr a;
    {
        std::unique_lock lock(g_mu);
        auto it = g_by_port.find(key(dev, port));
        if (it == g_by_port.end()) {
            *error = "port " + std::to_string(front) + " is not attached";
            return false;
        }
        a = it->second;
        g_by_port.erase(it);
        g_count = static_cast<uint32_t>(g_by_port.size());
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(a->stop, &one, sizeof one);  // an eventfd takes it
    a->reader.join();
    set_partner(dev, port, a->saved);
    if (was) *was = info(*a);
    return true;
}

std::vector<AttachInfo> attachments() {
    std::vector<AttachInfo> out;
    std::shared_lock lock(g_mu);
    for (const auto& [k, a] : g_by_port)
        out.push_back(info(*a));
    std::sort(out.begin(), out.end(), [](const AttachInfo& x, const AttachInfo& y) {
        return x.settings.front < y.settings.front;
    });
    return out;
}

void detach_all() {
    for (const AttachInfo& i : attachments()) {
        std::string ignored;
        detach_port(i.settings.front, nullptr, &ignored);
    }
}

void send_attached(const Result& r) {
    if (g_count.load(std::memory_order_relaxed) == 0 || r.sent.empty()) return;
    for (const Sent& s : r.sent) {
        AttachmentPtr a = find(s.dev, s.port);
        if (!a) continue;
        const uint8_t* bytes = r.data.data() + s.offset;
        if (!t_batch) {
            write_one(*a, bytes, s.len);
            continue;
        }
        Batch& b = *t_batch;
        b.outs.push_back(Batch::Out{a.get(), static_cast<uint32_t>(b.bytes.size()), s.len});
        b.bytes.insert(b.bytes.end(), bytes, bytes + s.len);
        b.holds.push_back(std::move(a));
    }
}

}  // namespace chipsim
