// What a port admits and passes: its state and frame size limits, and the link as the MAC
// sees it.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_phy.h"
#include "sdk/sdk_port.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, AdmissionByPortStateAndFrameSize) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkPortEnableSet(0, dp(3), false), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).drops[static_cast<uint32_t>(Drop::kEgressDown)], 1u);
    EXPECT_EQ(inject(3, untagged(kBroadcast, mac(3))).drop, Drop::kPortDown);
    chipsim::Partner gone;
    gone.present = false;
    ASSERT_TRUE(chipsim::set_partner(0, dp(2), gone));
    EXPECT_EQ(inject(2, untagged(kBroadcast, mac(2))).drop, Drop::kPortDown);

    // MRU counts the FCS: 1518 bytes + 4 pass an MRU of 1522, 1519 do not.
    ASSERT_EQ(sdkPortMruSet(0, dp(1), 1522), SDK_OK);
    ASSERT_EQ(sdkPortMruSet(0, dp(2), 1522), SDK_OK);
    ASSERT_TRUE(chipsim::set_partner(0, dp(2), chipsim::Partner{}));
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1518)).drop, Drop::kNone);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1519)).drop, Drop::kMru);
    // The oversize-untagged filter: untagged frames above 1518 bytes with their FCS.
    ASSERT_EQ(sdkBrgGenPortOversizUntagPktFilterEnableSet(0, dp(1), true), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 1514)).drop, Drop::kNone);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 1515)).drop, Drop::kOversizeUntagged);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1518)).drop, Drop::kNone);
    // The VLAN's MRU profile.
    ASSERT_EQ(sdkBrgVlanMruProfileValueSet(0, 0, 1000), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 997)).drop, Drop::kVlanMru);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 996)).drop, Drop::kNone);
}

// The link a port passes frames on is the MAC's: a port without a PHY runs at its configured
// speed; with polling off the MAC keeps the link it last polled; a combo port without
// auto-media-select sees only its copper side.
TEST_F(PipelineTest, TheMacsViewOfTheLinkDecidesWhatAPortPasses) {
    vlan(1, {9, 13, 14});
    auto passes = [&](uint32_t front) {
        return inject(front, untagged(kBroadcast, mac(front))).drop != chipsim::Drop::kPortDown;
    };
    auto [dev, p13] = at(13);
    chipsim::Partner gig;
    gig.abilities = chipsim::kAb1000Full;
    ASSERT_TRUE(chipsim::set_partner(dev, p13, gig));
    EXPECT_TRUE(passes(13));
    ASSERT_EQ(sdkPortSpeedSet(dev, p13, SDK_PORT_SPEED_100), SDK_OK);  // forced, no PHY
    EXPECT_FALSE(passes(13));
    gig.abilities |= chipsim::kAb100Full;
    ASSERT_TRUE(chipsim::set_partner(dev, p13, gig));
    EXPECT_TRUE(passes(13));
    EXPECT_EQ(chipsim::link(dev, p13).speed, SDK_PORT_SPEED_100);

    // Front port 9: a combo PHY, its partner on the fibre side.
    auto [dev9, p9] = at(9);
    chipsim::Partner fibre;
    fibre.fibre = true;
    ASSERT_TRUE(chipsim::set_partner(dev9, p9, fibre));
    EXPECT_TRUE(passes(9));
    uint32_t ams = 0;
    ASSERT_EQ(sdkPhySmiAutoMediaSelectGet(dev9, p9, &ams), SDK_OK);
    ASSERT_EQ(sdkPhySmiAutoMediaSelectSet(dev9, p9, ams & ~(1u << (p9 % 6))), SDK_OK);
    EXPECT_FALSE(passes(9));
    ASSERT_EQ(sdkPhySmiAutoMediaSelectSet(dev9, p9, ams), SDK_OK);
    EXPECT_TRUE(passes(9));
    // Polling off: the partner goes away, the MAC keeps the link it had.
    ASSERT_EQ(sdkPhyAutonegSmiSet(dev9, p9, false), SDK_OK);
    chipsim::Partner none;
    none.present = false;
    ASSERT_TRUE(chipsim::set_partner(dev9, p9, none));
    EXPECT_TRUE(passes(9));
    bool up = false;
    ASSERT_EQ(sdkPortLinkStatusGet(dev9, p9, &up), SDK_OK);
    EXPECT_TRUE(up);
    ASSERT_EQ(sdkPhyAutonegSmiSet(dev9, p9, true), SDK_OK);
    EXPECT_FALSE(passes(9));
}

}  // namespace
