// The switch chip driver's own operations, in this process, seen through the frames the
// programmed chip then passes.
#include <gtest/gtest.h>

#include "sdk/chipsim/core/pipeline.h"
#include "tests/pipeline/frames.h"
#include "tests/swdrv/swdrv_fixture.h"

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

}  // namespace
