// Fault injection into the chip model's calls.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

TEST_F(ChipTest, InjectedFaultsHitTheChosenCallsOnly) {
    chipsim::fail("sdkPortMruSet", 0x22, 2, 1);
    EXPECT_EQ(sdkPortMruSet(0, 0, 1526), SDK_OK);  // skipped
    EXPECT_EQ(sdkPortMruSet(0, 0, 1530), 0x22u);
    EXPECT_EQ(sdkPortMruSet(0, 0, 1534), 0x22u);
    EXPECT_EQ(sdkPortMruSet(0, 0, 1538), SDK_OK);
    EXPECT_EQ(sdkPortMruSet(0, 1, 1538), SDK_OK);
    uint32_t mru = 0;
    sdkPortMruGet(0, 0, &mru);
    EXPECT_EQ(mru, 1538u);  // a failed write changes nothing
    chipsim::fail("sdkPortEnableSet", SDK_FAIL, 5);
    chipsim::clear_faults();
    EXPECT_EQ(sdkPortEnableSet(0, 0, true), SDK_OK);
}

}  // namespace
