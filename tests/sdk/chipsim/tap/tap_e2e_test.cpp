// Ports of a running switch bound to TAP interfaces in namespaces the tests make, and two
// switches wired to each other: real traffic of real programs (ping) across the model.
// Skipped, with the reason, where the host has no /dev/net/tun or network namespaces.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iterator>

#include "tests/sdk/chipsim/tap/tap_env.h"
#include "tests/support/daemon.h"

namespace {

using tap_test::Namespaces;
using tap_test::sh;
using testing_support::Daemon;

// Whether the line of `text` that holds `key` also holds `what`.
bool line_has(const std::string& text, const std::string& key, const std::string& what) {
    const size_t at = text.find(key);
    if (at == std::string::npos) return false;
    const size_t end = text.find('\n', at);
    return text.substr(at, end == std::string::npos ? end : end - at).find(what) !=
           std::string::npos;
}

class TapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string why = tap_test::missing();
        if (!why.empty()) GTEST_SKIP() << "needs TAP interfaces and network namespaces: " << why;
        ASSERT_EQ(sw_.start(), 0);
        ns_ = std::make_unique<Namespaces>(sw_.instance());
    }
    void TearDown() override {
        ns_.reset();
        sw_.stop();
    }

    int ctl(Daemon& d, const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string ignored;
        return d.drvctl(args, out ? out : &ignored);
    }
    std::string ifname(const Daemon& d, int port) {
        return "dp" + std::to_string(d.instance()) + "p" + std::to_string(port);
    }
    // Port `port` of d attached to a TAP interface in a new namespace, enabled, with host
    // address 10.77.<net>.<host>.
    std::string host(Daemon& d, int port, const std::string& suffix, const std::string& ip) {
        const std::string ns = ns_->add(suffix);
        EXPECT_EQ(ctl(d, {"port", "attach", std::to_string(port), "tap", "--netns", ns}), 0);
        EXPECT_EQ(ctl(d, {"port", "enable", std::to_string(port)}), 0);
        Namespaces::address(ns, ifname(d, port), ip);
        return ns;
    }
    // VLAN vid with untagged members (their port VLAN id too) and tagged ones.
    void vlan(Daemon& d, int vid, const std::vector<int>& untagged,
              const std::vector<int>& tagged = {}) {
        const std::string v = std::to_string(vid);
        EXPECT_EQ(ctl(d, {"vlan", "create", v}), 0);
        for (int p : untagged) {
            EXPECT_EQ(ctl(d, {"vlan", "add", v, std::to_string(p), "untagged"}), 0);
            EXPECT_EQ(ctl(d, {"vlan", "pvid", std::to_string(p), v}), 0);
        }
        for (int p : tagged)
            EXPECT_EQ(ctl(d, {"vlan", "add", v, std::to_string(p), "tagged"}), 0);
    }

    Daemon sw_;
    std::unique_ptr<Namespaces> ns_;
};

TEST_F(TapTest, HostsInOneVlanPingAndAnotherVlanIsCutOff) {
    const std::string a = host(sw_, 1, "a", "10.77.1.1");
    const std::string b = host(sw_, 2, "b", "10.77.1.2");
    const std::string c = host(sw_, 3, "c", "10.77.1.3");
    vlan(sw_, 10, {1, 2});
    vlan(sw_, 20, {3});
    EXPECT_TRUE(Namespaces::ping(a, "10.77.1.2"));
    EXPECT_FALSE(Namespaces::ping(a, "10.77.1.3"));
    EXPECT_FALSE(Namespaces::ping(c, "10.77.1.2"));
    // The frames went through the model's counters like injected ones.
    std::string attached;
    ASSERT_EQ(ctl(sw_, {"port", "attached"}, &attached), 0);
    EXPECT_NE(attached.find(ifname(sw_, 1) + "@" + a), std::string::npos) << attached;
    std::string frames;
    ASSERT_EQ(ctl(sw_, {"frames"}, &frames), 0);
    EXPECT_NE(frames.find("port 3: no-destination"), std::string::npos) << frames;
}

TEST_F(TapTest, TaggedMemberSendsTaggedFrames) {
    const std::string a = host(sw_, 1, "a", "10.77.2.1");
    const std::string b = ns_->add("b");
    ASSERT_EQ(ctl(sw_, {"port", "attach", "2", "tap", "--netns", b}), 0);
    ASSERT_EQ(ctl(sw_, {"port", "enable", "2"}), 0);
    sh("ip -n " + b + " link set " + ifname(sw_, 2) + " up");
    vlan(sw_, 10, {1}, {2});
    usleep(300 * 1000);
    // a's requests for an address nobody has are flooded to port 2, the tagged member.
    const std::string pcap = sw_.run_file("tagged.pcap");
    ASSERT_EQ(ctl(sw_, {"capture", "start", "2"}), 0);
    std::vector<tap_test::Seen> seen =
        tap_test::sniff(b, ifname(sw_, 2), [&] { Namespaces::ping(a, "10.77.2.9"); });
    ASSERT_EQ(ctl(sw_, {"capture", "stop", "--out", pcap}), 0);
    // The interface received them with VLAN 10's tag.
    int tagged = 0, untagged = 0;
    for (const tap_test::Seen& s : seen) {
        const bool in_bytes = s.bytes.size() >= 16 && s.bytes[12] == 0x81 && s.bytes[13] == 0;
        if ((s.tci_valid && (s.tci & 0xFFF) == 10) ||
            (in_bytes && ((s.bytes[14] << 8 | s.bytes[15]) & 0xFFF) == 10))
            ++tagged;
        else
            ++untagged;
    }
    EXPECT_GT(tagged, 0);
    EXPECT_EQ(untagged, 0);
    // And the model's capture of the port holds the same: addresses, then the tag.
    std::ifstream in(pcap, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GE(bytes.size(), 24u + 16u + 16u);
    const uint8_t* f = bytes.data() + 40;
    EXPECT_EQ(f[12], 0x81);
    EXPECT_EQ(f[13], 0x00);
    EXPECT_EQ((f[14] << 8 | f[15]) & 0xFFF, 10);
}

TEST_F(TapTest, DisabledPortAndDownInterfaceStopThePing) {
    const std::string a = host(sw_, 1, "a", "10.77.3.1");
    const std::string b = host(sw_, 2, "b", "10.77.3.2");
    vlan(sw_, 10, {1, 2});
    ASSERT_TRUE(Namespaces::ping(a, "10.77.3.2"));
    ASSERT_EQ(ctl(sw_, {"port", "disable", "2"}), 0);  // a module-119 request
    EXPECT_FALSE(Namespaces::ping(a, "10.77.3.2"));
    ASSERT_EQ(ctl(sw_, {"port", "enable", "2"}), 0);
    EXPECT_TRUE(Namespaces::ping(a, "10.77.3.2"));
    // The interface's administrative state is the port's link.
    sh("ip -n " + b + " link set " + ifname(sw_, 2) + " down");
    usleep(400 * 1000);
    std::string ports;
    ASSERT_EQ(ctl(sw_, {"port", "attached"}, &ports), 0);
    EXPECT_TRUE(line_has(ports, ifname(sw_, 2) + "@" + b, " down ")) << ports;
    ASSERT_EQ(ctl(sw_, {"ports"}, &ports), 0);
    EXPECT_TRUE(line_has(ports, "   2   0/1 ", " up    down ")) << ports;
    Namespaces::address(b, ifname(sw_, 2), "10.77.3.2");
    usleep(400 * 1000);
    EXPECT_TRUE(Namespaces::ping(a, "10.77.3.2"));
}

TEST_F(TapTest, TwoInstancesWiredForward) {
    Daemon other;
    ASSERT_EQ(other.start(), 0);
    const std::string a = host(sw_, 1, "a", "10.77.4.1");
    const std::string b = host(other, 1, "b", "10.77.4.2");
    std::string out;
    ASSERT_EQ(
        ctl(sw_, {"port", "attach", "5", "wire", std::to_string(other.instance()) + ":6"}, &out), 0)
        << out;
    ctl(sw_, {"port", "enable", "5"});
    ctl(other, {"port", "enable", "6"});
    vlan(sw_, 10, {1}, {5});
    vlan(other, 10, {1}, {6});
    usleep(300 * 1000);
    EXPECT_TRUE(Namespaces::ping(a, "10.77.4.2"));
    ASSERT_EQ(ctl(other, {"port", "attached"}, &out), 0);

    EXPECT_NE(out.find("instance " + std::to_string(sw_.instance()) + " port 5"), std::string::npos)
        << out;
    // Detaching one end takes the other with it; the ping stops.
    ASSERT_EQ(ctl(sw_, {"port", "detach", "5"}), 0);
    ASSERT_EQ(ctl(other, {"port", "attached"}, &out), 0);
    EXPECT_EQ(out.find("wire"), std::string::npos) << out;
    EXPECT_FALSE(Namespaces::ping(a, "10.77.4.2"));
    other.stop();
}

TEST_F(TapTest, BadAttachmentsAreRefusedAndNothingIsLeft) {
    const std::string a = ns_->add("a");
    std::string out;
    ASSERT_EQ(ctl(sw_, {"port", "attach", "1", "tap", "--netns", a}), 0);
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const std::string veth = "dpv" + std::to_string(sw_.instance());
    ASSERT_EQ(sh("ip -n " + a + " link add " + veth + " type veth peer name " + veth + "b"), 0);
    const Case cases[] = {
        {{"port", "attach", "1", "tap"}, "already attached"},
        {{"port", "detach", "2"}, "not attached"},
        {{"port", "attach", "2", "tap", "--name", "averyveryverylongname"}, "1 to 15 characters"},
        {{"port", "attach", "2", "tap", "--netns", a, "--name", ifname(sw_, 1)}, "is taken"},
        {{"port", "attach", "2", "tap", "--netns", a, "--name", veth}, "not a TAP"},
        {{"port", "attach", "2", "tap", "--netns", "dpt-no-such-ns"}, "network namespace"},
        {{"port", "attach", "2", "wire", "99998:1"}, ""},  // drvctl says so on stderr
        {{"port", "attach", "99", "tap"}, "does not exist"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sw_.drvctl(c.args, &out), 1) << c.args[2];
        if (!c.says.empty()) {
            EXPECT_NE(sw_.console().find(c.says), std::string::npos) << c.says;
        }
    }
    // Port 2 is free after all that.
    EXPECT_EQ(ctl(sw_, {"port", "attach", "2", "tap", "--netns", a}), 0);
    // Frames over the port's MRU from Linux are dropped and counted.
    Namespaces::address(a, ifname(sw_, 1), "10.77.5.1");
    ASSERT_EQ(ctl(sw_, {"port", "enable", "1"}), 0);
    sh("ip -n " + a + " link set " + ifname(sw_, 1) + " mtu 3000");
    sh("ip -n " + a + " neigh add 10.77.5.9 lladdr 02:00:00:00:00:09 dev " + ifname(sw_, 1));
    // The port takes frames once it has seen the interface up, and its receive thread switches
    // them on its own time: send again until one is counted (each ping waits 1 s at most).
    for (int tries = 0; tries < 10; ++tries) {
        sh("ip netns exec " + a + " ping -c 1 -W 1 -s 2500 10.77.5.9");
        ASSERT_EQ(ctl(sw_, {"frames"}, &out), 0);
        if (out.find("mru") != std::string::npos) break;
    }
    EXPECT_NE(out.find("mru"), std::string::npos) << out;
    // A killed daemon leaves no interface behind.
    const int pid = sw_.pid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    for (int i = 0; i < 50 && sh("ip -n " + a + " link show " + ifname(sw_, 1)) == 0; ++i)
        usleep(100 * 1000);
    EXPECT_NE(sh("ip -n " + a + " link show " + ifname(sw_, 1)), 0);
    EXPECT_NE(sh("ip -n " + a + " link show " + ifname(sw_, 2)), 0);
}

}  // namespace
