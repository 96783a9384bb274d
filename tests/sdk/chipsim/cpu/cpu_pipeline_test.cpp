// What reaches the CPU port: flooded copies once, and the rate limit and shapers over model
// time.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_port.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, TheCpuPortAsAVlanMemberGetsFloodedFramesOnce) {
    vlan(1, {1, 2}, {}, 0, {SDK_CPU_PORT});
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeFlooded);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    inject(1, igmp_report(mac(1)));
    std::vector<chipsim::CpuFrame> cpu = chipsim::cpu_frames(0);
    ASSERT_EQ(cpu.size(), 2u);  // one copy each, the mirrored IGMP report with its own code
    EXPECT_EQ(cpu[1].cpu_code, chipsim::kCpuCodeIgmp);
    chipsim::CpuFrame taken;
    ASSERT_TRUE(chipsim::take_cpu_frame(0, &taken));
    EXPECT_EQ(taken.cpu_code, chipsim::kCpuCodeFlooded);
    EXPECT_EQ(chipsim::cpu_frames(0).size(), 1u);
}

// The CPU queue holds as many frames as the board's "rx_desc_count" says, as set now; the
// frames past it are dropped and counted at their ingress port.
TEST_F(PipelineTest, TheCpuQueueHoldsWhatTheBoardParameterSays) {
    vlan(1, {1, 2}, {}, 0, {SDK_CPU_PORT});
    for (uint32_t limit : {3u, 5u}) {
        ASSERT_EQ(sdkBoardParamSet("rx_desc_count", limit), SDK_OK);
        const uint64_t dropped =
            chipsim::port_counters(0, dp(1)).drops[uint32_t(Drop::kCpuQueueFull)];
        for (int i = 0; i < 8; ++i)
            inject(1, untagged(kBroadcast, mac(1)));
        EXPECT_EQ(chipsim::cpu_frames(0).size(), limit);
        EXPECT_EQ(chipsim::port_counters(0, dp(1)).drops[uint32_t(Drop::kCpuQueueFull)] - dropped,
                  8u - limit);
        chipsim::CpuFrame f;
        while (chipsim::take_cpu_frame(0, &f)) {
        }
    }
}

// What reaches the CPU is held to the rate limit (packets per second) and the CPU port's
// shaper (kbit/s), both over the model's clock; other ports' shapers hold what they send.
TEST_F(PipelineTest, RateLimitAndShapersHoldWhatLeavesOverModelTime) {
    vlan(1, {1, 2}, {}, 0, {SDK_CPU_PORT});
    auto flood = [&](int n) {
        for (int i = 0; i < n; ++i)
            inject(1, untagged(kBroadcast, mac(1)));
    };
    auto taken = [] {
        size_t n = chipsim::cpu_frames(0).size();
        chipsim::CpuFrame f;
        while (chipsim::take_cpu_frame(0, &f)) {
        }
        return n;
    };
    ASSERT_EQ(sdkNetIfCpuRateLimitSet(0, 20), SDK_OK);
    flood(200);
    EXPECT_EQ(taken(), 20u);
    EXPECT_EQ(chipsim::port_counters(0, dp(1)).drops[uint32_t(chipsim::Drop::kCpuRateLimit)], 180u);
    flood(50);
    EXPECT_EQ(taken(), 0u);  // the same second of model time
    chipsim::advance_clock(1);
    flood(50);
    EXPECT_EQ(taken(), 20u);
    ASSERT_EQ(sdkNetIfCpuRateLimitSet(0, 0), SDK_OK);

    // The CPU port shaped at 8 kbit/s (a byte per millisecond) with a 4 KB burst: the burst
    // takes 64 frames of 64 bytes, a second of model time 1000 bytes more (the model's clock
    // also runs in real time: a frame more is allowed for the test's own milliseconds).
    chipsim::advance_clock(1);
    ASSERT_EQ(sdkPortTxShaperProfileSet(0, SDK_CPU_PORT, 1, 8), SDK_OK);
    ASSERT_EQ(sdkPortTxShaperEnableSet(0, SDK_CPU_PORT, true), SDK_OK);
    flood(100);
    EXPECT_NEAR(double(taken()), 64.5, 0.5);
    chipsim::advance_clock(1);
    flood(100);
    EXPECT_NEAR(double(taken()), 15.5, 0.5);
    // The flooded copies to port 2 went on all the while; shaping port 2 holds them too.
    EXPECT_EQ(chipsim::port_counters(0, dp(2)).tx_frames, 500u);
    ASSERT_EQ(sdkPortTxShaperProfileSet(0, dp(2), 1, 8), SDK_OK);
    ASSERT_EQ(sdkPortTxShaperEnableSet(0, dp(2), true), SDK_OK);
    flood(100);
    EXPECT_NEAR(double(chipsim::port_counters(0, dp(2)).tx_frames), 564.5, 0.5);
    EXPECT_NEAR(
        double(chipsim::port_counters(0, dp(2)).drops[uint32_t(chipsim::Drop::kEgressShaper)]),
        35.5, 0.5);
}

}  // namespace
