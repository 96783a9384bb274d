// The CPU packet path through the running daemon: a broadcast reaches the LAN sink with its
// CPU code and source port, a frame from the CPU leaves a port list tagged and untagged as
// asked, and a packet freed by another process gives its buffers back with the books kept.
#include <gtest/gtest.h>

#include <string>

#include "drivers/nicdrv/dev_nicdrv_shm.h"
#include "platform/instance/instance.h"
#include "platform/simctl/simctl.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/records.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using testing_support::Daemon;

const char* kArp =
    "ffffffffffff0011223344550806000108000604000100112233445500000000000000000000c0a80001";

class NicE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 0);
        ASSERT_EQ(run({"vlan", "create", "1"}), 0);
        for (const char* p : {"1", "2", "3"}) {
            ASSERT_EQ(run({"vlan", "add", "1", p, "untagged"}), 0);
            ASSERT_EQ(run({"port", "enable", p}), 0);
        }
        ASSERT_EQ(run({"vlan", "add", "1", "cpu"}), 0);
    }
    int run(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string o;
        int rc = d.drvctl(args, out ? out : &o);
        return rc;
    }
    sc::NetifReply netif() {
        sc::NetifReply n;
        EXPECT_TRUE(sc::decode_reply(d.request(simctl::kQueueKey, sc::kNetif, {0}).payload, &n));
        return n;
    }
    // The LAN sink's calls, waiting until there are `n`.
    std::vector<std::string> lan_calls(size_t n) {
        std::vector<std::string> calls;
        for (int i = 0; i < 100 && calls.size() < n; ++i) {
            std::string out;
            run({"log", "LAN"}, &out);
            calls.clear();
            size_t at = 0;
            while ((at = out.find("LAN_RecvPacket(", at)) != std::string::npos) {
                size_t end = out.find('\n', at);
                calls.push_back(out.substr(at, end - at));
                at = end;
            }
            if (calls.size() < n) usleep(20000);
        }
        return calls;
    }
    Daemon d;
};

// The chip defaults mirror ARP broadcasts to the CPU with this code, whose traffic class picks
// the receive queue and the class of service they wait in.
constexpr uint32_t kArpCpuCode = 154;
constexpr uint32_t kArpClass = 1;

TEST_F(NicE2e, ArpBroadcastReachesTheLanSinkWithItsCpuCodeAndSourcePort) {
    ASSERT_EQ(run({"inject", "2", kArp}), 0);
    auto calls = lan_calls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("unit=1, port=2, cpu_code=" + std::to_string(kArpCpuCode) +
                            ", vid=1, len=60"),
              std::string::npos)
        << calls[0];
}

TEST_F(NicE2e, FrameFromTheCpuLeavesEachListedPortTaggedOrUntagged) {
    ASSERT_EQ(run({"capture", "start", "1,2,3"}), 0);
    std::string out;
    ASSERT_EQ(run({"nic", "send", "1,3", "--untagged", "3",
                   "ffffffffffff00aabbccddee810060050800450000140000000040ff0000c0a80001c0a80002"},
                  &out),
              0)
        << out;
    const std::string file = d.run_file("tx.pcap");
    ASSERT_EQ(run({"capture", "stop", "--out", file}), 0);
    std::vector<pcap::Record> recs;
    std::string error;
    ASSERT_TRUE(pcap::read_file(file, &recs, &error)) << error;
    ASSERT_EQ(recs.size(), 2u);
    // Port 1 first (position order), tagged with the packet's own tag; port 3 untagged.
    EXPECT_EQ(recs[0].bytes[12], 0x81);
    EXPECT_EQ(recs[0].bytes[14], 0x60);
    EXPECT_EQ(recs[0].bytes[15], 0x05);
    EXPECT_EQ(recs[1].bytes[12], 0x08);
    EXPECT_EQ(recs[1].bytes[13], 0x00);
}

TEST_F(NicE2e, PacketFreedByAnotherProcessReturnsItsBuffersAndTheBooksAgree) {
    ASSERT_EQ(run({"inject", "1", kArp}), 0);
    ASSERT_EQ(run({"inject", "2", kArp}), 0);
    auto calls = lan_calls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(netif().held_by_cpu, 2u);
    // The packet's mref, as the sink's log line gives it ("mref=0x...,").
    const size_t at = calls[0].find("mref=");
    ASSERT_NE(at, std::string::npos) << calls[0];
    const std::string mref = calls[0].substr(at + 5, calls[0].find_first_of(",)", at) - at - 5);
    std::string out;
    ASSERT_EQ(run({"nic", "free", mref}, &out), 0) << out;
    const sc::NetifReply n = netif();
    EXPECT_EQ(n.held_by_cpu, 1u);
    EXPECT_EQ(n.rx_bufs_freed, 1u);
    // The shared books, read as another process reads them.
    instance::set_id(d.instance());
    nicshm::State s(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV));
    ASSERT_TRUE(s.valid());
    EXPECT_EQ(s.get(nicshm::State::cos_field(kArpClass, nicshm::kCurrent)), 1u);
    EXPECT_EQ(s.get(nicshm::State::queue_word(nicshm::kQueueDepth, kArpClass)), 1u);
    EXPECT_EQ(s.get(nicshm::State::queue_word(nicshm::kAnnounced, kArpClass)), 1u);
    EXPECT_EQ(s.get(nicshm::kTotalBufferAnnounced), 2u);
}

}  // namespace
