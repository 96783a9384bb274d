// The chip defaults as frames meet them: traps and CPU codes, the CPU queues of the codes'
// traffic classes, the CPU code rate limiters over model time, CPU port shaping by the
// token-bucket MTU setting, sanity checks, and the per-port defaults.
#include "sdk/chipsim/core/model.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"
#include "tests/support/frames.h"

namespace {

using namespace frames;

class DefaultsTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        for (uint32_t p = 1; p <= 4; ++p)
            ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
        ASSERT_TRUE(DEV_SWDRV_CreateVlan(1));
        for (uint32_t p = 1; p <= 4; ++p)
            ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, p, 1));
    }
    chipsim::Injected send(uint32_t front, const Bytes& f, bool traced = false) {
        return chipsim::inject(at(front).first, dp(front), f, traced);
    }
    static Bytes arp_broadcast(uint8_t n) {
        Frame f = untagged(kBroadcast, mac(n));
        f.type = 0x0806;
        f.payload = {0, 1, 8, 0, 6, 4, 0, 1};
        return f.bytes();
    }
    // An IPv4 packet of protocol `proto` to 224.0.0.last (UDP ports when proto is 17).
    static Bytes ipv4_mc(uint8_t last, uint8_t proto, uint16_t frag = 0) {
        Frame f = untagged({0x01, 0x00, 0x5E, 0x00, 0x00, last}, mac(9));
        f.type = 0x0800;
        // IPv4 header (20 bytes) to 224.0.0.last, then UDP ports 12345 -> 12345.
        const uint8_t hi = static_cast<uint8_t>(frag >> 8), lo = static_cast<uint8_t>(frag);
        f.payload = {0x45, 0, 0,   40, 0, 0,    hi,   lo,   1,    proto, 0, 0,  10, 0,
                     0,    9, 224, 0,  0, last, 0x30, 0x39, 0x30, 0x39,  0, 20, 0,  0};
        return f.bytes();
    }
};

TEST_F(DefaultsTest, ReservedMulticastAndCpuCodeTable) {
    chipsim::Traps t = chipsim::traps(0);
    for (uint32_t profile = 0; profile < 4; ++profile)
        for (uint8_t proto : {0, 2, 3, 14, 33})
            EXPECT_EQ(t.ieee_cmd[profile][proto], SDK_PACKET_CMD_TRAP_TO_CPU) << int(proto);
    EXPECT_EQ(t.ieee_cmd[0][1], SDK_PACKET_CMD_FORWARD);
    chipsim::CpuCodes c = chipsim::cpu_codes(0);
    struct Row {
        uint32_t code, tc, limiter;
    } rows[] = {{16, 6, 0}, {326, 6, 0}, {410, 5, 2}, {37, 0, 1}, {154, 1, 1}, {500, 5, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(c.table[r.code].tc, r.tc) << r.code;
        EXPECT_EQ(c.table[r.code].limiter, r.limiter) << r.code;
    }
    // 32000 / core clock x 2047 ns per unit; limiter 1 passes 100 frames a second.
    SDK_DEV_INFO info{};
    ASSERT_EQ(sdkCfgDevInfoGet(0, &info), SDK_OK);
    EXPECT_EQ(c.resolution_ns, 32000 / info.coreClock * 2047);
    const double window_s = c.limiters[1].window * double(c.resolution_ns) / 1e9;
    EXPECT_NEAR(c.limiters[1].packets / window_s, 100.0, 1.0);
    EXPECT_EQ(c.limiters[2].packets, 0u);
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    EXPECT_EQ(om.limiter_users[0][0], 4u);
    EXPECT_EQ(om.limiter_users[0][1], 1u);
}

TEST_F(DefaultsTest, TrappedFramesReachTheQueueOfTheirCodesClass) {
    // A BPDU: reserved multicast protocol 0, code 326, queue 6.
    chipsim::Injected in = send(1, bpdu(mac(1)).bytes());
    EXPECT_TRUE(in.to_cpu);
    EXPECT_EQ(in.cpu_code, 326u);
    // IP link-local: 224.0.0.1 has code 435 (queue 3); OSPF's protocol 89 is re-labelled 410,
    // whose limiter passes nothing.
    in = send(1, ipv4_mc(1, 17));
    EXPECT_EQ(in.cpu_code, 435u);
    in = send(1, ipv4_mc(5, 89));
    EXPECT_FALSE(in.to_cpu);
    EXPECT_EQ(chipsim::port_counters(at(1).first, dp(1))
                  .drops[static_cast<int>(chipsim::Drop::kCpuRateLimit)],
              1u);
    std::vector<chipsim::CpuFrame> q = chipsim::cpu_frames(0);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].cpu_code, 326u) << "queue 6 before queue 3";
    EXPECT_EQ(q[0].tc, 6);
    EXPECT_EQ(q[1].tc, 3);
}

TEST_F(DefaultsTest, LimiterHoldsArpBroadcastsToItsRateOverModelTime) {
    // Ten times limiter 1's 100 frames a second, for 10 s of model time in 50 ms steps; the
    // CPU takes what arrives.
    const uint64_t start = chipsim::clock_ms();
    for (int step = 0; step < 200; ++step) {
        for (int i = 0; i < 50; ++i)
            send(2, arp_broadcast(static_cast<uint8_t>(i)));
        chipsim::advance_clock_ms(50);
        chipsim::CpuFrame f;
        while (chipsim::take_cpu_frame(0, &f))
            EXPECT_EQ(f.cpu_code, SDK_CPU_CODE_ARP_BC);
    }
    const double seconds = (chipsim::clock_ms() - start) / 1000.0;
    const chipsim::PortCounters pc = chipsim::port_counters(at(2).first, dp(2));
    EXPECT_NEAR(static_cast<double>(pc.to_cpu), 100.0 * seconds, 10.0 * seconds);
    EXPECT_EQ(pc.to_cpu + pc.drops[static_cast<int>(chipsim::Drop::kCpuRateLimit)], 10000u);
    // The ARP broadcasts themselves are still switched (mirrored, not trapped).
    EXPECT_EQ(send(2, arp_broadcast(1)).sent.size(), 3u);
}

TEST_F(DefaultsTest, SanityCheckDropsFragmentedIcmp) {
    EXPECT_EQ(send(3, ipv4_mc(77, 1, 0x2000)).drop, chipsim::Drop::kSanity);
    EXPECT_NE(send(3, ipv4_mc(77, 1, 0)).drop, chipsim::Drop::kSanity);
}

TEST_F(DefaultsTest, CpuPortShapingAndPortDefaults) {
    uint32_t burst = 0, rate = 0;
    bool on = false;
    ASSERT_EQ(sdkPortTxShaperProfileGet(0, SDK_CPU_PORT, &burst, &rate, &on), SDK_OK);
    EXPECT_TRUE(on);
    EXPECT_EQ(rate, 12000u);
    EXPECT_EQ(burst, 187u);
    for (uint8_t tc = 0; tc < 8; ++tc) {
        ASSERT_EQ(sdkPortTxQShaperProfileGet(0, SDK_CPU_PORT, tc, &burst, &rate, &on), SDK_OK);
        EXPECT_TRUE(on);
        EXPECT_EQ(rate, 800u * 1536 / 128);
        EXPECT_EQ(burst, 800u * 1536 / 4096);
    }
    chipsim::PortState s = state(1);
    EXPECT_TRUE(s.oversize_filter);
    EXPECT_FALSE(s.na_to_cpu);
    uint32_t mru = 0;
    ASSERT_EQ(sdkPortMruGet(0, SDK_CPU_PORT, &mru), SDK_OK);
    EXPECT_EQ(mru, 1600u);
    SDK_RATE_LIMIT_GLOBAL_CFG cfg{};
    ASSERT_EQ(sdkBrgGenRateLimitGlobalCfgGet(0, &cfg), SDK_OK);
    EXPECT_EQ(cfg.rMode, 2u);
    EXPECT_EQ(cfg.win1000Mbps, 12800u);
    bool aa = true;
    ASSERT_EQ(sdkBrgFdbAAandTAToCpuGet(0, &aa), SDK_OK);
    EXPECT_FALSE(aa);
}

TEST_F(DefaultsTest, UnknownTokenBucketMtuLeavesTheCpuPortUnshaped) {
    bring_up(board::default_board(), [] {
        chipsim::on_device(0, 0, [](chipsim::Locked d) { return d->token_bucket_mtu = 3; });
    });
    EXPECT_NE(start_console_.find("DEV_SWDRV_InitCpuPortRateLimit("), std::string::npos);
    EXPECT_NE(start_console_.find("Unknown MTU enum."), std::string::npos);
    uint32_t burst = 0, rate = 0;
    bool on = true;
    ASSERT_EQ(sdkPortTxShaperProfileGet(0, SDK_CPU_PORT, &burst, &rate, &on), SDK_OK);
    EXPECT_FALSE(on);
    ASSERT_EQ(sdkPortTxQShaperProfileGet(0, SDK_CPU_PORT, 0, &burst, &rate, &on), SDK_OK);
    EXPECT_FALSE(on);
    // The rest is still written.
    EXPECT_EQ(chipsim::cpu_codes(0).table[410].limiter, 2u);
    bool check = false;
    ASSERT_EQ(sdkSecProtSanityCheckGet(0, SDK_SANITY_ICMP_FRAG, &check), SDK_OK);
    EXPECT_TRUE(check);
    SDK_RATE_LIMIT_GLOBAL_CFG cfg{};
    ASSERT_EQ(sdkBrgGenRateLimitGlobalCfgGet(0, &cfg), SDK_OK);
    EXPECT_EQ(cfg.rMode, 2u);
}

TEST_F(DefaultsTest, AFailingStepDoesNotStopTheRest) {
    bring_up(board::default_board(), [] { chipsim::fail("sdkNetIfCpuCodeSet", SDK_FAIL, 1000); });
    EXPECT_NE(start_console_.find("DEV_SWDRV_InitCpuCodeMap2Tc(): Line = "), std::string::npos)
        << start_console_;
    chipsim::clear_faults();
    uint32_t depth = 0;
    ASSERT_EQ(sdkBrgFdbMaxLookupLenGet(0, &depth), SDK_OK);
    EXPECT_EQ(depth, 4u);
    uint32_t burst = 0, rate = 0;
    bool on = false;
    ASSERT_EQ(sdkPortTxShaperProfileGet(0, SDK_CPU_PORT, &burst, &rate, &on), SDK_OK);
    EXPECT_TRUE(on);
}

}  // namespace
