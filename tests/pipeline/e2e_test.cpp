// Scenarios through the running daemon: the switch is programmed with module-119 requests,
// frames go in and come out over the simulation-control queue, and drvctl injects from hex
// and pcap files and captures to pcap files.
#include <gtest/gtest.h>

#include <fstream>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/pipeline/frames.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = chipsim::simcmd;
using chipsim::Drop;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

namespace cmd = swdrv::subcmd;
constexpr uint32_t kUnit = 1;

struct Injection {
    bool answered = false;
    Drop drop = Drop::kNone;
    uint32_t vid = 0, flags = 0, cpu_code = 0;
    std::vector<uint32_t> ports;
};

class Switch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    void swdrv(std::vector<uint32_t> words) {
        Reply r = d.request(24, cmd::kModule, words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    // Ports 1..3 up, VLAN 10 with port 1 untagged (PVID 10) and port 2 tagged.
    void two_member_vlan() {
        for (uint32_t p : {1u, 2u, 3u})
            swdrv({cmd::kEnablePortAdmin, kUnit, p});
        swdrv({cmd::kCreateVlan, 10});
        swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 1, 10});
        swdrv({cmd::kAddPortVlanSet, kUnit, 2, 10});
        swdrv({cmd::kSetPortPVID, kUnit, 1, 10});
    }
    Injection inject(uint32_t port, const Bytes& frame) {
        Bytes payload(8);
        be::put32(payload.data(), port);
        be::put32(payload.data() + 4, static_cast<uint32_t>(frame.size()));
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        Injection out;
        if (!r.answered || r.result() != 1 || r.payload.size() < 24) return out;
        const uint8_t* p = r.payload.data();
        out.answered = true;
        out.drop = static_cast<Drop>(be::get32(p + 4));
        out.vid = be::get32(p + 8);
        out.flags = be::get32(p + 12);
        out.cpu_code = be::get32(p + 16);
        for (uint32_t i = 0; i < be::get32(p + 20) && 24 + i < r.payload.size(); ++i)
            out.ports.push_back(p[24 + i]);
        return out;
    }
    void capture(uint32_t bitmap, uint32_t cpu = 0) {
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kCaptureStart, {bitmap, cpu}).result(), 1);
    }
    // The captured frames: (front port, bytes).
    std::vector<std::pair<uint8_t, Bytes>> captured() {
        std::vector<std::pair<uint8_t, Bytes>> out;
        for (;;) {
            Reply r = d.request(simctl::kQueueKey, sc::kCaptureRead, {0});
            if (!r.answered || be::get32(r.payload.data() + 4) == 0) return out;
            out.emplace_back(r.payload[11],
                             Bytes(r.payload.begin() + 4 + sc::kCaptureHeader, r.payload.end()));
        }
    }
    uint64_t drops(uint32_t front, Drop why) {
        Reply r = d.request(simctl::kQueueKey, sc::kFrameCounters, {});
        uint32_t n = be::get32(r.payload.data() + 4), reasons = be::get32(r.payload.data() + 8);
        uint32_t rec = sc::kCounterRecordHeader + reasons * 8;
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* p = r.payload.data() + 12 + i * rec;
            if (p[0] == front) {
                const uint8_t* c = p + sc::kCounterRecordHeader + 8 * static_cast<uint32_t>(why);
                return uint64_t{be::get32(c)} << 32 | be::get32(c + 4);
            }
        }
        return ~uint64_t{0};
    }
    // The address table: MAC last byte -> front port, for VLAN vid.
    std::map<uint8_t, uint8_t> fdb(uint16_t vid) {
        std::map<uint8_t, uint8_t> out;
        Reply r = d.request(simctl::kQueueKey, sc::kFdbRead, {0, 0});
        for (uint32_t i = 0; i < be::get32(r.payload.data() + 8); ++i) {
            const uint8_t* e = r.payload.data() + 12 + i * sc::kFdbRecordSize;
            if (be::get16(e + 12) == vid) out[e[9]] = e[19];
        }
        return out;
    }

    Daemon d;
};

TEST_F(Switch, TaggedAndUntaggedMembersChangeTheTag) {
    two_member_vlan();
    capture(0b110);  // ports 2 and 3
    Frame f = untagged(kBroadcast, mac(1));
    Injection in = inject(1, f.bytes());
    ASSERT_TRUE(in.answered);
    EXPECT_EQ(in.vid, 10u);
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 2);
    EXPECT_EQ(tag_vid(out[0].second), 10);
    Bytes sent = f.bytes();
    EXPECT_TRUE(std::equal(sent.begin() + 12, sent.end(), out[0].second.begin() + 16));

    capture(0b001);
    in = inject(2, tagged(mac(1), mac(2), 10, 68).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{1});
    out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tag_vid(out[0].second), -1);
    EXPECT_EQ(out[0].second.size(), 64u);
}

TEST_F(Switch, ABlockingPortDropsAndDoesNotLearnThenLearningStopsFlooding) {
    two_member_vlan();
    swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 3, 10});
    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 2});  // blocking in instance 0
    Injection in = inject(1, untagged(kBroadcast, mac(1)).bytes());
    EXPECT_EQ(in.drop, Drop::kStpState);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_TRUE(fdb(10).empty());
    EXPECT_EQ(drops(1, Drop::kStpState), 1u);

    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 5});  // forwarding
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, (std::vector<uint32_t>{2, 3}));
    EXPECT_TRUE(in.flags & sc::kInjectFlagFlooded);
    inject(2, tagged(mac(1), mac(2), 10).bytes());
    std::map<uint8_t, uint8_t> learned = fdb(10);
    EXPECT_EQ(learned[1], 1);
    EXPECT_EQ(learned[2], 2);
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagFlooded);
}

TEST_F(Switch, IngressFilteringAndTheMruDrop) {
    two_member_vlan();
    swdrv({cmd::kEnableIngressFilter, kUnit, 3});
    EXPECT_EQ(inject(3, tagged(kBroadcast, mac(3), 10).bytes()).drop, Drop::kIngressFilter);
    EXPECT_EQ(drops(3, Drop::kIngressFilter), 1u);

    swdrv({cmd::kSetPortMTU, kUnit, 1, 1000});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 996).bytes()).ports, std::vector<uint32_t>{2});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 997).bytes()).drop, Drop::kMru);
    EXPECT_EQ(drops(1, Drop::kMru), 1u);
}

TEST_F(Switch, MldReportsAreTrappedWithTheirSlotsCommandAndEapolAsPassThroughAsks) {
    two_member_vlan();
    capture(0, 1);  // the frames to the CPU
    swdrv({cmd::kEnableMLDTrap2CPU});
    Frame mld = mld_report(mac(1));
    Injection in = inject(1, mld.bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIcmpv6);
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 0);  // the CPU
    EXPECT_EQ(out[0].second, mld.bytes());
    Reply q = d.request(simctl::kQueueKey, sc::kCpuQueue, {0});
    ASSERT_EQ(be::get32(q.payload.data() + 4), 1u);
    EXPECT_EQ(q.payload[12], 1);  // from port 1
    EXPECT_EQ(be::get32(q.payload.data() + 20), chipsim::kCpuCodeIcmpv6);

    swdrv({cmd::kSetEapolFramePassThrough, 0});  // any mode but 1 traps
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIeeeReserved);

    swdrv({cmd::kSetEapolFramePassThrough, 1});
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagToCpu);
}

TEST_F(Switch, BadInjectionsAreRefusedOrDroppedAndCounted) {
    two_member_vlan();
    EXPECT_EQ(inject(1, Bytes(13, 0xFF)).drop, Drop::kRunt);
    Bytes cut = untagged(kBroadcast, mac(1)).bytes();
    cut[12] = 0x81;
    cut[13] = 0x00;
    cut.resize(16);
    EXPECT_EQ(inject(1, cut).drop, Drop::kTruncatedTag);
    EXPECT_FALSE(inject(17, untagged(kBroadcast, mac(1)).bytes()).answered);
    EXPECT_FALSE(inject(0, untagged(kBroadcast, mac(1)).bytes()).answered);
    // A length that does not match the bytes sent is refused.
    Bytes payload(8);
    be::put32(payload.data(), 1);
    be::put32(payload.data() + 4, 100);
    payload.resize(8 + 50);
    EXPECT_EQ(d.request_bytes(simctl::kQueueKey, sc::kInject, payload).result(), 0);
    // A pool offset outside the pool is refused.
    EXPECT_EQ(d.request(simctl::kQueueKey, sc::kInjectIpc, {1, 64, 0xFFFFFF00}).result(), 0);
    EXPECT_EQ(drops(1, Drop::kRunt), 1u);
    EXPECT_EQ(drops(1, Drop::kTruncatedTag), 1u);
    // The switch still serves.
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1)).bytes()).ports, std::vector<uint32_t>{2});
}

TEST_F(Switch, DrvctlInjectsCapturesAndShowsCounters) {
    two_member_vlan();
    std::string out;
    ASSERT_EQ(d.drvctl({"capture", "start", "2"}, &out), 0) << out;
    ASSERT_EQ(d.drvctl({"inject", "1", "ffffffffffff", "02:00:00:00:00:01", "0800", "45"}, &out), 0)
        << out;
    EXPECT_NE(out.find("port 1: 15 bytes -> 2, VLAN 10, flooded"), std::string::npos) << out;
    std::string pcap_file = d.run_file("cap.pcap");
    ASSERT_EQ(d.drvctl({"capture", "stop", "--out", pcap_file}, &out), 0) << out;
    EXPECT_NE(out.find("1 frames captured"), std::string::npos) << out;
    std::vector<pcap::Record> recs;
    std::string error;
    ASSERT_TRUE(pcap::read_file(pcap_file, &recs, &error)) << error;
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].bytes.size(), 64u);
    EXPECT_EQ(tag_vid(recs[0].bytes), 10);

    // What was captured goes back in from a file.
    ASSERT_EQ(d.drvctl({"inject", "2", "--pcap", pcap_file}, &out), 0) << out;
    EXPECT_NE(out.find("port 2: 64 bytes -> 1"), std::string::npos) << out;

    // A 16 KB frame travels through the IPC pool and is dropped as too long.
    std::string huge = "ffffffffffff020000000001" + std::string(2 * (16384 - 12), 'a');
    ASSERT_EQ(d.drvctl({"inject", "1", huge}, &out), 0) << out;
    EXPECT_NE(out.find("16384 bytes dropped (too-long)"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"frames"}, &out), 0) << out;
    EXPECT_NE(out.find("port 1: too-long 1"), std::string::npos) << out;

    std::string bad = d.run_file("bad.pcap");
    std::ofstream(bad) << "not a capture";
    EXPECT_EQ(d.drvctl({"inject", "1", "--pcap", bad}, &out), 1);
    EXPECT_EQ(d.drvctl({"inject", "1", "abc"}, &out), 2);
    EXPECT_EQ(d.drvctl({"inject", "99", "ffff"}, &out), 2);
    EXPECT_EQ(d.drvctl({"capture", "1-x", "--out", pcap_file}, &out), 2);
}

}  // namespace
