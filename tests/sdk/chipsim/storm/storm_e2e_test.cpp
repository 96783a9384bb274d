// Storm control through the running daemon: a broadcast storm cut to the threshold while
// unicast passes.
#include "tests/sdk/chipsim/support/l2feat_e2e_fixture.h"

namespace {

using namespace l2feat_e2e;

TEST_F(L2FeatSwitch, BroadcastStormIsCutToTheThresholdWhileUnicastPasses) {
    run({"storm", "on", "1", "broadcast"});
    run({"storm", "threshold", "1", "broadcast", "200", "2"});  // packets: 5 x 40 a second
    std::string out;
    run({"storm", "granularity", "1"}, &out);
    EXPECT_NE(out.find("granularity 40"), std::string::npos) << out;
    inject(2, untagged(kBroadcast, mac(0x02)).bytes());
    const uint32_t seconds = 6;
    uint32_t passed = 0, unicast = 0;
    for (uint32_t s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < 2000; ++i) {
            if (!inject(1, untagged(kBroadcast, mac(0x01)).bytes()).empty()) ++passed;
            if (i % 20 == 0 && !inject(1, untagged(mac(0x02), mac(0x01)).bytes()).empty())
                ++unicast;
        }
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kClockAdvance, {1}).result(), 1);
    }
    EXPECT_GE(passed, 200u * seconds);
    EXPECT_LE(passed, 220u * seconds);
    EXPECT_EQ(unicast, 100u * seconds);
    run({"storm", "show"}, &out);
    EXPECT_NE(out.find("bc"), std::string::npos) << out;
    EXPECT_NE(out.find(std::to_string(2000 * seconds - passed)), std::string::npos) << out;
}

}  // namespace
