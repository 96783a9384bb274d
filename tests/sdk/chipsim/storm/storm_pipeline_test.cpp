// Storm control as the pipeline applies it: the port's rate limiter over the model's clock,
// counting only the kinds it is set for.
#include "tests/sdk/chipsim/support/l2feat_fixture.h"

namespace {

using frames::mac;

class StormPipelineTest : public L2FeatPipelineTest {
  protected:
    // The rate-mode-2 record (packets; a 1 Gb/s port counts 40 packets a second per unit).
    void SetUp() override {
        L2FeatPipelineTest::SetUp();
        SDK_RATE_LIMIT_GLOBAL_CFG g{1, 2, 32000, 32000, 12800, 32000};
        ASSERT_EQ(sdkBrgGenRateLimitGlobalCfgSet(0, &g), SDK_OK);
        ASSERT_EQ(sdkBrgGenRateLimitSpeedCfgEnableSet(0, true), SDK_OK);
        ASSERT_EQ(sdkBrgGenPortRateLimitSpeedGranularitySet(0, dp(1), SDK_RATE_LIMIT_1G), SDK_OK);
    }
};

TEST_F(StormPipelineTest, BroadcastStormIsCutToTheThresholdWhileUnicastPasses) {
    SDK_RATE_LIMIT_PORT_CFG c{};
    c.enableBc = true;
    c.rateLimit = 5;  // 5 x 40 = 200 packets a second
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    inject(2, frames::untagged(frames::kBroadcast, mac(0x02)));  // learn port 2
    uint32_t passed = 0, unicast = 0;
    const uint32_t seconds = 8;
    for (uint32_t s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < 2000; ++i) {  // ten times the threshold
            if (!inject(1, frames::untagged(frames::kBroadcast, mac(0x01))).sent.empty()) ++passed;
            if (i % 10 == 0 && !inject(1, frames::untagged(mac(0x02), mac(0x01))).sent.empty())
                ++unicast;
        }
        chipsim::advance_clock(1);
    }
    EXPECT_GE(passed, 200u * seconds);
    EXPECT_LE(passed, 220u * seconds);
    EXPECT_EQ(unicast, 200u * seconds);
    EXPECT_EQ(drops(1, chipsim::Drop::kStormControl), 2000u * seconds - passed);
}

TEST_F(StormPipelineTest, LimiterCountsOnlyItsKinds) {
    SDK_RATE_LIMIT_PORT_CFG c{};
    c.enableUcUnk = true;
    c.rateLimit = 0;  // nothing of the kind passes
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    EXPECT_TRUE(inject(1, frames::untagged(mac(0x99), mac(0x01))).sent.empty());
    EXPECT_FALSE(inject(1, frames::untagged(frames::kBroadcast, mac(0x01))).sent.empty());
    EXPECT_FALSE(inject(1, frames::untagged(mac(0x01, 0x01), mac(0x01))).sent.empty());
    c = {};
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    EXPECT_FALSE(inject(1, frames::untagged(mac(0x99), mac(0x01))).sent.empty());
    SDK_RATE_LIMIT_PORT_CFG back{};
    ASSERT_EQ(sdkBrgGenPortRateLimitGet(0, dp(1), &back), SDK_OK);
    EXPECT_FALSE(back.enableUcUnk);
}

}  // namespace
