// The switch chip driver's own operations, in this process, seen through the frames the
// programmed chip then passes.
#include <gtest/gtest.h>

#include "sdk/chipsim/core/pipeline.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"
#include "tests/support/frames.h"

namespace {

using namespace frames;

TEST_F(SwdrvTest, EapolIsTrappedOrPassedAsSetEapolFramePassThroughAsks) {
    for (uint32_t p : {1u, 2u})
        ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(1));
    for (uint32_t p : {1u, 2u})
        ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, p, 1));
    // The trap's global switch matters too: off, the protocol's command is not looked at.
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, false), SDK_OK);
    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(2));
    EXPECT_FALSE(chipsim::inject(0, dp(1), eapol(mac(1)).bytes()).to_cpu);
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);

    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(2));
    chipsim::Injected r = chipsim::inject(0, dp(1), eapol(mac(1)).bytes());
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIeeeReserved);

    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(1));
    r = chipsim::inject(0, dp(1), eapol(mac(1)).bytes());
    EXPECT_FALSE(r.to_cpu);
    ASSERT_EQ(r.sent.size(), 1u);
    EXPECT_EQ(r.sent[0].port, dp(2));
}

// The chip takes even MRUs only: an odd MTU asked for the whole system is refused by the SDK
// for every port (answered TRUE, as the system-wide setter always is), for one port with
// FALSE; frames keep the MRU they had.
TEST_F(SwdrvTest, AnOddMtuIsRefusedByTheChipAndFramesKeepTheMruTheyHad) {
    for (uint32_t p : {1u, 2u})
        ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(1));
    for (uint32_t p : {1u, 2u})
        ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, p, 1));
    ASSERT_TRUE(DEV_SWDRV_SetSystemMTU(1600));
    EXPECT_TRUE(DEV_SWDRV_SetSystemMTU(1517));
    EXPECT_FALSE(DEV_SWDRV_SetPortMTU(1, 1, 1517));
    // 1596 bytes and the FCS fit an MRU of 1600, not one of 1517 (tagged: the chip defaults
    // keep untagged frames to 1518 bytes).
    std::vector<uint8_t> f = tagged(mac(2), mac(1), 1).bytes();
    f.resize(1596, 0);
    chipsim::Injected r = chipsim::inject(0, dp(1), f);
    EXPECT_EQ(r.drop, chipsim::Drop::kNone);
    ASSERT_EQ(r.sent.size(), 1u);
    f.resize(1597, 0);
    EXPECT_EQ(chipsim::inject(0, dp(1), f).drop, chipsim::Drop::kMru);
}

}  // namespace
