// 64-byte frames from one network namespace to another through the virtual switch (front
// ports 1 and 2 bound to TAP interfaces), and in the same run through a Linux bridge joining
// veth interfaces the same way. Frames go in windows: a window is sent, then the sender waits
// until the receiver has it (or a time-out), so what is measured is the sustained rate; a
// window that loses more than 1% makes the run start again with half the window.
// The last line is `tap_forwarding ratio=R`, R = time per frame through the virtual switch
// over time per frame through the bridge. Everything it creates it removes; on a machine
// without TAP interfaces or network namespaces it says so and prints no ratio.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/common/bench_daemon.h"

namespace {

int sh(const std::string& cmd) {
    int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// A packet socket on an interface of a namespace (made by a thread that enters it).
int packet_socket(const std::string& ns, const std::string& ifname) {
    int fd = -1;
    std::thread t([&] {
        int nsfd = ::open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        if (nsfd < 0) return;
        if (::setns(nsfd, CLONE_NEWNET) == 0) {
            fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
            sockaddr_ll sll{};
            sll.sll_family = AF_PACKET;
            sll.sll_protocol = htons(ETH_P_ALL);
            sll.sll_ifindex = static_cast<int>(if_nametoindex(ifname.c_str()));
            if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&sll), sizeof sll) != 0) {
                ::close(fd);
                fd = -1;
            }
            int size = 8 << 20;
            if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
        }
        ::close(nsfd);
    });
    t.join();
    return fd;
}

constexpr uint16_t kEtherType = 0x88B5;  // local experimental: nothing else sends it

// One path from a sender's interface to a receiver's.
struct Path {
    int tx = -1, rx = -1;
    std::atomic<uint64_t> received{0};
    std::atomic<bool> stop{false};
    std::thread reader;
    uint64_t sent = 0;

    bool open(const std::string& ns_a, const std::string& if_a, const std::string& ns_b,
              const std::string& if_b) {
        tx = packet_socket(ns_a, if_a);
        rx = packet_socket(ns_b, if_b);
        if (tx < 0 || rx < 0) return false;
        timeval tv{0, 50000};
        ::setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        reader = std::thread([this] {
            uint8_t buf[2048];
            while (!stop) {
                sockaddr_ll from{};
                socklen_t len = sizeof from;
                ssize_t n =
                    ::recvfrom(rx, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
                if (n >= 14 && from.sll_pkttype != PACKET_OUTGOING && buf[12] == kEtherType >> 8 &&
                    buf[13] == (kEtherType & 0xFF))
                    received.fetch_add(1, std::memory_order_relaxed);
            }
        });
        return true;
    }
    void close() {
        stop = true;
        if (reader.joinable()) reader.join();
        if (tx >= 0) ::close(tx);
        if (rx >= 0) ::close(rx);
    }
    // Sends a window of frames and waits (at most 50 ms) for the receiver to have them.
    void window(uint32_t n) {
        uint8_t f[60] = {
            0x02, 0, 0, 0, 0, 0x02, 0x02, 0, 0, 0, 0, 0x01, kEtherType >> 8, kEtherType & 0xFF};
        for (uint32_t i = 0; i < n; ++i) {
            std::memcpy(f + 14, &sent, sizeof sent);
            if (::send(tx, f, sizeof f, 0) == sizeof f) ++sent;
        }
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
        while (received.load(std::memory_order_relaxed) < sent &&
               std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
    }
    double loss() const {
        return sent ? 1.0 - static_cast<double>(received.load()) / static_cast<double>(sent) : 0;
    }
};

Path g_switch, g_bridge;
uint32_t g_window = 64;

void run(benchmark::State& state, Path* p) {
    const uint64_t sent0 = p->sent, received0 = p->received.load();
    for (auto _ : state)
        p->window(g_window);
    const uint64_t got = p->received.load() - received0;
    state.counters["frames"] = static_cast<double>(got);
    state.counters["loss%"] =
        p->sent > sent0 ? 100.0 * (1.0 - static_cast<double>(got) / double(p->sent - sent0)) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    const std::string probe = "dpbp" + std::to_string(getpid());
    if (fd < 0 || sh("ip netns add " + probe) != 0) {
        std::printf("tap_forwarding: needs /dev/net/tun and network namespaces; not measured\n");
        return 0;
    }
    ::close(fd);
    sh("ip netns del " + probe);

    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    const std::string id = std::to_string(daemon.instance());
    const std::string ns = "dpb" + id, drvctl = bench::program_dir() + "/drvctl";
    const std::string a = ns + "a", b = ns + "b", x = ns + "x", c = ns + "c", d = ns + "d";
    for (const std::string& n : {a, b, x, c, d})
        sh("ip netns add " + n);
    // The virtual switch: ports 1 and 2 in VLAN 10, their TAP interfaces in a and b.
    for (const char* cmd : {"port attach 1 tap --netns A", "port attach 2 tap --netns B",
                            "vlan create 10", "vlan add 10 1 untagged", "vlan add 10 2 untagged",
                            "vlan pvid 1 10", "vlan pvid 2 10", "port enable 1", "port enable 2"}) {
        std::string c2 = cmd;
        if (size_t at = c2.find(" A"); at != std::string::npos) c2.replace(at + 1, 1, a);
        if (size_t at = c2.find(" B"); at != std::string::npos) c2.replace(at + 1, 1, b);
        sh(drvctl + " " + c2);
    }
    const std::string ta = "dp" + id + "p1", tb = "dp" + id + "p2";
    sh("ip -n " + a + " link set " + ta + " up");
    sh("ip -n " + b + " link set " + tb + " up");
    // The Linux bridge in x, joining veth interfaces whose other ends are in c and d.
    sh("ip -n " + x + " link add br0 type bridge");
    sh("ip -n " + x + " link set br0 up");
    for (const std::string& n : {c, d}) {
        sh("ip -n " + x + " link add p" + n.back() + " type veth peer name host netns " + n);
        sh("ip -n " + x + " link set p" + std::string(1, n.back()) + " master br0 up");
        sh("ip -n " + n + " link set host up");
    }
    usleep(500 * 1000);
    int rc = 0;
    if (!g_switch.open(a, ta, b, tb) || !g_bridge.open(c, "host", d, "host")) {
        std::printf("tap_forwarding: could not open the interfaces\n");
        rc = 1;
    }
    double ratio = 0;
    for (; rc == 0 && g_window >= 4; g_window /= 2) {
        // Warm up: addresses learned, queues primed.
        g_switch.window(g_window);
        g_bridge.window(g_window);
        bench::TimeCollector times;
        benchmark::ClearRegisteredBenchmarks();
        benchmark::RegisterBenchmark("virtual_switch", run, &g_switch)->UseRealTime()->MinTime(1.0);
        benchmark::RegisterBenchmark("linux_bridge", run, &g_bridge)->UseRealTime()->MinTime(1.0);
        const uint64_t s0 = g_switch.sent, r0 = g_switch.received, b0 = g_bridge.sent,
                       q0 = g_bridge.received;
        benchmark::RunSpecifiedBenchmarks(&times);
        const double ls = 1.0 - double(g_switch.received - r0) / double(g_switch.sent - s0);
        const double lb = 1.0 - double(g_bridge.received - q0) / double(g_bridge.sent - b0);
        std::printf("window %u frames: loss %.3f%% through the switch, %.3f%% through the bridge\n",
                    g_window, 100 * ls, 100 * lb);
        ratio = times.ns_per_iteration("virtual_switch") / times.ns_per_iteration("linux_bridge");
        if (ls <= 0.01 && lb <= 0.01) break;
        ratio = 0;
    }
    g_switch.close();
    g_bridge.close();
    for (const std::string& n : {a, b, x, c, d})
        sh("ip netns del " + n);
    if (rc) return rc;
    if (ratio == 0) {
        std::printf("tap_forwarding: more than 1%% loss at every window\n");
        return 1;
    }
    std::printf("tap_forwarding ratio=%.2f\n", ratio);
    return 0;
}
