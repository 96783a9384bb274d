// Port counters through the running daemon: traffic injected over the simulation-control
// queue shows up in module-125 records of the port it entered by and the port it left by, and
// drvctl shows and clears them.
#include <gtest/gtest.h>

#include "drivers/nmtrdrv/dev_nmtrdrv_subcmd.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/sdk_counters.h"
#include "sdk/simproto/drops.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"
#include "tests/support/frames.h"

namespace {

namespace sc = chipsim::simcmd;
namespace sw = swdrv::subcmd;
namespace cmd = nmtrdrv::subcmd;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

class CountersE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 0);
        // Ports 1 and 2 in VLAN 10, untagged: what enters one leaves by the other.
        for (uint32_t p : {1u, 2u})
            swdrv({sw::kEnablePortAdmin, 1, p});
        swdrv({sw::kCreateVlan, 10});
        for (uint32_t p : {1u, 2u}) {
            swdrv({sw::kAddPortUntaggedVlanSet, 1, p, 10});
            swdrv({sw::kSetPortPVID, 1, p, 10});
        }
    }
    void swdrv(std::vector<uint32_t> words) {
        Reply r = d.request(24, sw::kModule, words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    // Injects a frame at a front port; the drop reason (0: it went somewhere).
    uint32_t inject(uint32_t port, const Bytes& frame, bool bad_fcs = false) {
        Bytes payload(8);
        be::put32(payload.data(), port | (bad_fcs ? sc::kInjectBadFcs : 0));
        be::put32(payload.data() + 4, static_cast<uint32_t>(frame.size()));
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        EXPECT_TRUE(r.answered && r.result() == 1);
        return r.payload.size() >= 8 ? be::get32(r.payload.data() + 4) : 0xFFFFFFFF;
    }
    // The first fields of a record of a port from the counters driver (none when it
    // answered FALSE).
    std::vector<uint64_t> record(uint32_t code, uint32_t port, size_t fields = 12) {
        Reply r = d.request(24, cmd::kModule, {code, 0, 1, port});
        EXPECT_TRUE(r.answered);
        std::vector<uint64_t> out;
        if (r.result() != 1) return out;
        for (uint32_t at = cmd::kRecordOffset; at + 8 <= r.payload.size() && out.size() < fields;
             at += 8)
            out.push_back(uint64_t{be::get32(r.payload.data() + at)} << 32 |
                          be::get32(r.payload.data() + at + 4));
        return out;
    }
    Daemon d;
};

TEST_F(CountersE2e, AThousandFramesOfEachSizeAndKindCountOnBothPorts) {
    const uint32_t lens[] = {60, 100, 200, 400, 800, 1500};  // one per size bucket
    const Mac dsts[] = {mac(9), {0x01, 0x00, 0x5E, 0x00, 0x00, 0x07}, kBroadcast};
    uint64_t octets = 0;
    for (uint32_t len : lens) {
        for (const Mac& dst : dsts) {
            Bytes f = untagged(dst, mac(1), len).bytes();
            for (int i = 0; i < 1000; ++i)
                ASSERT_EQ(inject(1, f), 0u);
            octets += 1000 * (len + 4);
        }
    }
    std::vector<uint64_t> rmon = record(cmd::kGetRmonStats, 1, 17);
    ASSERT_EQ(rmon.size(), 17u);
    EXPECT_EQ(rmon[0], 0u);      // drop events
    EXPECT_EQ(rmon[1], octets);  // octets: all received, none sent
    EXPECT_EQ(rmon[2], 18000u);  // packets
    EXPECT_EQ(rmon[3], 6000u);   // broadcast
    EXPECT_EQ(rmon[4], 6000u);   // multicast
    for (int bucket = 11; bucket <= 16; ++bucket)
        EXPECT_EQ(rmon[bucket], 3000u) << "bucket " << bucket;
    std::vector<uint64_t> in = record(cmd::kGetIfStats, 1);
    ASSERT_EQ(in.size(), 12u);
    EXPECT_EQ(in[0], octets);
    EXPECT_EQ(in[1], 6000u);
    EXPECT_EQ(in[2], 12000u);
    EXPECT_EQ(in[6], 0u);  // port 1 sent nothing
    std::vector<uint64_t> out = record(cmd::kGetIfXStats, 2);
    ASSERT_GE(out.size(), 12u);
    EXPECT_EQ(out[8], octets);  // HC out octets (record offset 64)
    EXPECT_EQ(out[9], 6000u);   // unicast
    EXPECT_EQ(out[10], 6000u);  // multicast
    EXPECT_EQ(out[11], 6000u);  // broadcast
    EXPECT_EQ(out[4], 0u);      // port 2 received nothing
}

TEST_F(CountersE2e, BadFcsAllOnesAndClearingThroughTheDaemon) {
    Bytes f = untagged(mac(9), mac(1), 100).bytes();
    EXPECT_EQ(inject(1, f, true), static_cast<uint32_t>(simproto::Drop::kBadFcs));
    EXPECT_EQ(inject(2, f), 0u);
    std::vector<uint64_t> el = record(cmd::kGetEtherLikeStats, 1);
    ASSERT_GE(el.size(), 2u);
    EXPECT_EQ(el[1], 1u);  // FCS errors
    EXPECT_EQ(record(cmd::kGetIfStats, 2)[1], 1u);
    // A counter at all ones, set through the simulation control.
    ASSERT_EQ(d.request(simctl::kQueueKey, sc::kMacCounterSet,
                        {3, SDK_COLLISIONS, 0xFFFFFFFF, 0xFFFFFFFF})
                  .result(),
              1);
    EXPECT_EQ(record(cmd::kGetRmonStats, 3, 17)[10], ~uint64_t{0} - 1);
    EXPECT_EQ(record(cmd::kGetIfStats, 0).size(), 0u);  // port 0: FALSE

    std::string text;
    ASSERT_EQ(d.drvctl({"inject", "1", "--bad-fcs", "020000000009020000000001", "88b5"}, &text), 0)
        << text;
    EXPECT_NE(text.find("port 1: 14 bytes dropped (bad-fcs)"), std::string::npos) << text;
    EXPECT_EQ(record(cmd::kGetEtherLikeStats, 1)[1], 2u);
    ASSERT_EQ(d.drvctl({"counters", "1"}, &text), 0) << text;
    EXPECT_NE(text.find("FCSErrors"), std::string::npos) << text;
    ASSERT_EQ(d.drvctl({"counters", "--rmon"}, &text), 0) << text;
    EXPECT_NE(text.find("CRCAlignErrors"), std::string::npos) << text;
    ASSERT_EQ(d.drvctl({"counters", "1", "--clear"}, &text), 0) << text;
    EXPECT_EQ(record(cmd::kGetEtherLikeStats, 1)[1], 0u);
    EXPECT_EQ(record(cmd::kGetIfStats, 2)[1], 1u);  // port 2 kept its counters
    ASSERT_EQ(d.drvctl({"counters", "--clear"}, &text), 0) << text;
    EXPECT_EQ(record(cmd::kGetIfStats, 2)[1], 0u);
    EXPECT_EQ(record(cmd::kGetRmonStats, 3, 17)[10], 0u);
    EXPECT_NE(d.drvctl({"counters", "17"}, &text), 0);
}

TEST_F(CountersE2e, WatchShowsRatesPerSecondAndTheMenuShowsRmon) {
    std::string text;
    ASSERT_EQ(d.drvctl({"counters", "1", "--watch", "--seconds", "1"}, &text), 0) << text;
    EXPECT_NE(text.find("InPkts/s"), std::string::npos) << text;
    inject(1, untagged(mac(9), mac(1), 60).bytes());
    ASSERT_EQ(d.drvctl({"menu", "dev_nmtrdrv"}, &text, "1\n1\nq\n"), 0) << text;
    EXPECT_NE(text.find("etherStatsPkts64Octets:[0][1]"), std::string::npos) << text;
}

}  // namespace
