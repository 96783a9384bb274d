// What the tests of attached ports need from the host: TAP interfaces and network
// namespaces they create and remove themselves, and commands run in those namespaces.
#pragma once

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
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tap_test {

// Runs a shell command quietly; its exit status.
inline int sh(const std::string& cmd) {
    int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Why the host cannot run these tests ("" when it can).
inline std::string missing() {
    int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) return "no /dev/net/tun";
    ::close(fd);
    if (sh("command -v ip") != 0) return "no ip command (iproute2)";
    if (sh("command -v ping") != 0) return "no ping command (iputils-ping)";
    const std::string probe = "dpprobe" + std::to_string(getpid());
    if (sh("ip netns add " + probe) != 0) return "cannot create network namespaces";
    sh("ip netns del " + probe);
    return "";
}

// Network namespaces of one test, deleted (with what is in them) when it ends.
class Namespaces {
  public:
    explicit Namespaces(int instance) : prefix_("dpt" + std::to_string(instance)) {}
    ~Namespaces() {
        for (const std::string& n : made_)
            sh("ip netns del " + n);
    }
    std::string add(const std::string& suffix) {
        const std::string n = prefix_ + suffix;
        sh("ip netns del " + n);
        sh("ip netns add " + n);
        made_.push_back(n);
        return n;
    }
    // Brings an interface up in a namespace with an address of our own test hosts.
    static void address(const std::string& ns, const std::string& ifname, const std::string& ip) {
        sh("ip -n " + ns + " link set " + ifname + " up");
        sh("ip -n " + ns + " addr add " + ip + "/24 dev " + ifname);
    }
    // Three echo requests a quarter second apart, a second each to answer.
    static bool ping(const std::string& ns, const std::string& ip) {
        return sh("ip netns exec " + ns + " ping -n -q -c 3 -i 0.25 -W 1 " + ip) == 0;
    }

  private:
    std::string prefix_;
    std::vector<std::string> made_;
};

// A frame an interface received, as a packet socket on it saw it: the kernel hands the
// 802.1Q tag over beside the bytes (tci_valid, tci) or leaves it in them.
struct Seen {
    std::vector<uint8_t> bytes;
    bool tci_valid = false;
    uint16_t tci = 0;
};
// Records what interface `ifname` of namespace `ns` receives while `during` runs.
inline std::vector<Seen> sniff(const std::string& ns, const std::string& ifname,
                               const std::function<void()>& during) {
    std::vector<Seen> seen;
    std::atomic<bool> ready{false}, stop{false};
    std::thread t([&] {
        int nsfd = ::open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        int fd = -1;
        if (nsfd >= 0 && ::setns(nsfd, CLONE_NEWNET) == 0)
            fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
        if (nsfd >= 0) ::close(nsfd);
        if (fd >= 0) {
            sockaddr_ll sll{};
            sll.sll_family = AF_PACKET;
            sll.sll_protocol = htons(ETH_P_ALL);
            sll.sll_ifindex = static_cast<int>(if_nametoindex(ifname.c_str()));
            int on = 1;
            timeval tv{0, 100000};
            ::bind(fd, reinterpret_cast<sockaddr*>(&sll), sizeof sll);
            ::setsockopt(fd, SOL_PACKET, PACKET_AUXDATA, &on, sizeof on);
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        }
        ready = true;
        while (fd >= 0 && !stop) {
            uint8_t buf[2048];
            alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(tpacket_auxdata))];
            iovec iov{buf, sizeof buf};
            sockaddr_ll from{};
            msghdr m{};
            m.msg_name = &from;
            m.msg_namelen = sizeof from;
            m.msg_iov = &iov;
            m.msg_iovlen = 1;
            m.msg_control = control;
            m.msg_controllen = sizeof control;
            ssize_t n = ::recvmsg(fd, &m, 0);
            if (n <= 0 || from.sll_pkttype == PACKET_OUTGOING) continue;  // received only
            Seen s;
            s.bytes.assign(buf, buf + n);
            for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c)) {
                if (c->cmsg_level != SOL_PACKET || c->cmsg_type != PACKET_AUXDATA) continue;
                const auto* aux = reinterpret_cast<const tpacket_auxdata*>(CMSG_DATA(c));
                s.tci_valid = aux->tp_status & TP_STATUS_VLAN_VALID;
                s.tci = aux->tp_vlan_tci;
            }
            seen.push_back(std::move(s));
        }
        if (fd >= 0) ::close(fd);
    });
    while (!ready)
        usleep(1000);
    during();
    usleep(200 * 1000);
    stop = true;
    t.join();
    return seen;
}

}  // namespace tap_test
