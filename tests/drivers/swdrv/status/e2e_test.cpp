// Port status, cable tests and the chip defaults through the running daemon: requests of
// module 119, drvctl, and frames over the simulation-control queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/drops.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"
#include "tests/support/frames.h"

namespace {

namespace sc = simproto;
namespace cmd = swdrv::subcmd;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

class StatusE2e : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    Reply swdrv(const std::vector<uint32_t>& words) { return d.request(24, cmd::kModule, words); }
    void ok(const std::vector<uint32_t>& words) {
        Reply r = swdrv(words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    uint32_t word(const Reply& r, size_t i) {
        return r.payload.size() >= 4 * i + 4 ? be::get32(r.payload.data() + 4 * i) : 0xDEAD;
    }
    std::string drvctl(const std::vector<std::string>& args, int expect = 0) {
        std::string out;
        EXPECT_EQ(d.drvctl(args, &out), expect) << out;
        return out;
    }
    // Ports up and untagged members of VLAN 1.
    void ports_in_vlan1(std::initializer_list<uint32_t> ports) {
        ok({cmd::kCreateVlan, 1});
        for (uint32_t p : ports) {
            ok({cmd::kEnablePortAdmin, 1, p});
            ok({cmd::kAddPortUntaggedVlanSet, 1, p, 1});
        }
    }
    bool inject(uint32_t port, const Bytes& frame) {
        Bytes payload = sc::encode(sc::InjectRequest{port, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        return d.request_bytes(simctl::kQueueKey, sc::kInject, payload).result() == 1;
    }
    sc::CounterRecord counters(uint32_t front) {
        Reply r = d.request(simctl::kQueueKey, sc::kFrameCounters, {});
        sc::CountersReply c;
        EXPECT_TRUE(sc::decode_reply(r.payload, &c));
        for (const sc::CounterRecord& rec : c.items)
            if (rec.front == front) return rec;
        ADD_FAILURE() << "no counters of port " << front;
        return {};
    }

    Daemon d;
};

TEST_F(StatusE2e, PartnerAt100HalfIsWhatTheStatusRequestsReport) {
    ok({cmd::kEnablePortAdmin, 1, 2});
    Reply r = swdrv({cmd::kGetPortOperSpeedDuplex, 1, 2});
    EXPECT_EQ(word(r, 1), 7u) << "1000 full against the power-on partner";
    drvctl({"sim", "partner", "2", "up", "auto", "abilities", "100h"});
    r = swdrv({cmd::kGetPortOperSpeedDuplex, 1, 2});
    ASSERT_EQ(r.result(), 1);
    EXPECT_EQ(r.msg_size, 8);
    EXPECT_EQ(word(r, 1), 4u);
    r = swdrv({cmd::kGetPortLinkStatus, 1, 2});
    EXPECT_EQ(word(r, 1), 1u);
    r = swdrv({cmd::kGetAllPortStatus, 1, 1, 4});
    ASSERT_EQ(r.result(), 1);
    ASSERT_EQ(r.msg_size, 4 + 192);
    EXPECT_EQ(word(r, 1 + 1), 1u);   // link of port 2
    EXPECT_EQ(word(r, 17 + 1), 4u);  // its speed-duplex
    EXPECT_EQ(word(r, 33 + 1), 4u);  // no back pressure configured
    EXPECT_EQ(word(r, 1 + 0), 0u);   // port 1 is disabled
    std::string out = drvctl({"port", "status", "2"});
    EXPECT_NE(out.find("100    half"), std::string::npos) << out;
    // Bad requests: a port out of range, a truncated request (it reads unit 0).
    EXPECT_EQ(swdrv({cmd::kGetPortOperSpeedDuplex, 1, 17}).result(), 0);
    r = d.request(24, cmd::kModule, {cmd::kGetAllPortStatus});
    EXPECT_EQ(r.result(), 0);
    EXPECT_EQ(r.msg_size, 4 + 192);
}

TEST_F(StatusE2e, CableWithPairBShortedAt37Metres) {
    ok({cmd::kEnablePortAdmin, 1, 5});
    drvctl({"sim", "cable", "5", "B", "short", "37"});
    std::string out = drvctl({"port", "cable-test", "5"});
    EXPECT_NE(out.find("pair A: ok"), std::string::npos) << out;
    EXPECT_NE(out.find("pair B: short        37 m"), std::string::npos) << out;
    EXPECT_NE(out.find("pair C: ok"), std::string::npos) << out;
    EXPECT_NE(out.find("pair D: ok"), std::string::npos) << out;
    // The record as the request returns it, 24 bytes.
    Reply r = swdrv({cmd::kGetCableDiagResult, 1, 5});
    ASSERT_EQ(r.msg_size, 4 + 24);
    EXPECT_EQ(be::get16(r.payload.data() + 4 + 10), 3u);  // pair B: short
    EXPECT_EQ(r.payload[4 + 17], 37);
    // A port that is not there is refused; the cable stays as it was.
    EXPECT_EQ(swdrv({cmd::kGetCableDiag, 1, 17}).result(), 0);
    drvctl({"port", "cable-test", "0"}, 2);
}

TEST_F(StatusE2e, BpduOnABlockingPortIsSoftDroppedAndTrapped) {
    ports_in_vlan1({1, 2});
    ok({cmd::kSetPortSTAStateWithMstidx, 0, 1, 1, 2});  // blocking
    std::string out =
        drvctl({"inject", "--trace", "1", "0180c2000000", "020000000001", "0027", "424203000000"});
    size_t stp = out.find("stp_ingress");
    ASSERT_NE(stp, std::string::npos) << out;
    std::string stp_line = out.substr(stp, out.find('\n', stp) - stp);
    EXPECT_NE(stp_line.find("soft-drop"), std::string::npos) << out;
    size_t traps = out.find("traps_control");
    ASSERT_NE(traps, std::string::npos) << out;
    std::string traps_line = out.substr(traps, out.find('\n', traps) - traps);
    EXPECT_NE(traps_line.find("trap"), std::string::npos) << out;
    EXPECT_NE(traps_line.find("cpu code 326"), std::string::npos) << out;
    EXPECT_NE(out.find("cpu_deliver"), std::string::npos) << out;
}

TEST_F(StatusE2e, ArpFloodAtTenTimesTheLimitReachesTheCpuAtTheLimit) {
    ports_in_vlan1({2, 3});
    Frame arp = untagged(kBroadcast, mac(2));
    arp.type = 0x0806;
    arp.payload = {0, 1, 8, 0, 6, 4, 0, 1};
    const Bytes frame = arp.bytes();
    // 1000 frames a second of model time (limiter 1 passes 100) for 20 s: 100 frames, then the
    // clock 100 ms on. Over 20 windows, the window the flood ends in is at most 5% of the rate.
    const sc::CounterRecord start_counters = counters(2);
    const uint64_t before = start_counters.to_cpu;
    const double before_limited = static_cast<double>(
        start_counters.drops.at(static_cast<uint32_t>(sc::Drop::kCpuRateLimit)));
    const auto start = std::chrono::steady_clock::now();
    uint32_t advanced_ms = 0;
    constexpr int kSteps = 200;
    for (int step = 0; step < kSteps; ++step) {
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(inject(2, frame));
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kClockAdvance, {0, 100}).result(), 1);
        advanced_ms += 100;
    }
    const double real_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double model_s = advanced_ms / 1000.0 + real_s;
    const sc::CounterRecord c = counters(2);
    // What the limiter passed: into the CPU queue, or lost there once it is full (nothing
    // takes from it here).
    const double delivered = static_cast<double>(
        c.to_cpu + c.drops.at(static_cast<uint32_t>(sc::Drop::kCpuQueueFull)) - before);
    // A slow host (sanitizers) may offer less than the limit; the limiter then passes all.
    const double offered = kSteps * 100 / model_s;
    EXPECT_NEAR(delivered / model_s, std::min(100.0, offered), 10.0)
        << delivered << " frames in " << model_s << " s of model time";
    // Every frame either passed the limiter or was held back by it.
    EXPECT_EQ(
        delivered + c.drops.at(static_cast<uint32_t>(sc::Drop::kCpuRateLimit)) - before_limited,
        kSteps * 100.0);
}

TEST_F(StatusE2e, DebugMenuShowsTheDefaults) {
    std::string out;
    ASSERT_EQ(d.drvctl({"menu", "dev_swdrv"}, &out, "16\n512\nq\n"), 0) << out;
    EXPECT_NE(out.find("hash lookup depth 4"), std::string::npos) << out;
    EXPECT_NE(out.find("limiter  1: 4 codes, 100 packets"), std::string::npos) << out;
}

}  // namespace
