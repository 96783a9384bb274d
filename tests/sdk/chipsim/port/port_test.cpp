// The chip's ports: settings and registers that read back, refusal of what the hardware cannot
// hold, and what the link needs.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

TEST_F(ChipTest, PortSettingsReadBack) {
    uint8_t p = dp(2);
    ASSERT_EQ(sdkPortEnableSet(0, p, false), SDK_OK);
    ASSERT_EQ(sdkPortSpeedSet(0, p, SDK_PORT_SPEED_100), SDK_OK);
    ASSERT_EQ(sdkPortDuplexModeSet(0, p, SDK_PORT_HALF_DUPLEX), SDK_OK);
    ASSERT_EQ(sdkPortFlowCntrlAutoNegEnableSet(0, p, false, true), SDK_OK);
    ASSERT_EQ(sdkPortBackPressureEnableSet(0, p, true), SDK_OK);
    ASSERT_EQ(sdkPortMruSet(0, p, 1526), SDK_OK);
    ASSERT_EQ(sdkBrgGenPortOversizUntagPktFilterEnableSet(0, p, true), SDK_OK);
    ASSERT_EQ(sdkBrgFdbNaToCpuPerPortSet(0, p, true), SDK_OK);
    bool en = true, state1 = true, adv = false, bp = false, filter = false, na = false;
    uint32_t speed = 0, duplex = 0, mru = 0;
    EXPECT_EQ(sdkPortEnableGet(0, p, &en), SDK_OK);
    EXPECT_EQ(sdkPortSpeedGet(0, p, &speed), SDK_OK);  // link is down: the configured speed
    EXPECT_EQ(sdkPortDuplexModeGet(0, p, &duplex), SDK_OK);
    EXPECT_EQ(sdkPortFlowCntrlAutoNegEnableGet(0, p, &state1, &adv), SDK_OK);
    EXPECT_EQ(sdkPortBackPressureEnableGet(0, p, &bp), SDK_OK);
    EXPECT_EQ(sdkPortMruGet(0, p, &mru), SDK_OK);
    EXPECT_EQ(sdkBrgGenPortOversizUntagPktFilterEnableGet(0, p, &filter), SDK_OK);
    EXPECT_EQ(sdkBrgFdbNaToCpuPerPortGet(0, p, &na), SDK_OK);
    EXPECT_FALSE(en);
    EXPECT_EQ(speed, SDK_PORT_SPEED_100);
    EXPECT_EQ(duplex, SDK_PORT_HALF_DUPLEX);
    EXPECT_FALSE(state1);
    EXPECT_TRUE(adv);
    EXPECT_TRUE(bp);
    EXPECT_EQ(mru, 1526u);
    EXPECT_TRUE(filter);
    EXPECT_TRUE(na);
    uint32_t value = 0;
    ASSERT_EQ(sdkHwRegWrite(0, SDK_PORT_GROUPS_ALL, 0x48, 0x1F8887E3), SDK_OK);
    EXPECT_EQ(sdkHwRegRead(0, SDK_PORT_GROUPS_ALL, 0x48, &value), SDK_OK);
    EXPECT_EQ(value, 0x1F8887E3u);
    ASSERT_EQ(sdkPortMruSet(0, SDK_CPU_PORT, 1600), SDK_OK);
    EXPECT_EQ(sdkPortMruGet(0, SDK_CPU_PORT, &mru), SDK_OK);
    EXPECT_EQ(mru, 1600u);
}

TEST_F(ChipTest, RefusesWhatTheHardwareCannotHoldAndKeepsTheOldValue) {
    uint8_t fe = dp(3), xg = dp(15);
    uint32_t mru = 0, speed = 0;
    EXPECT_EQ(sdkPortMruSet(0, fe, 1523), SDK_OUT_OF_RANGE);   // odd
    EXPECT_EQ(sdkPortMruSet(0, fe, 16384), SDK_OUT_OF_RANGE);  // too large
    EXPECT_EQ(sdkPortMruGet(0, fe, &mru), SDK_OK);
    EXPECT_EQ(mru, 1522u);
    EXPECT_EQ(sdkPortSpeedSet(0, fe, SDK_PORT_SPEED_1000), SDK_NOT_SUPPORTED);
    EXPECT_EQ(sdkPortDuplexModeSet(0, xg, SDK_PORT_HALF_DUPLEX), SDK_NOT_SUPPORTED);
    EXPECT_EQ(sdkPortInterfaceModeSet(0, fe, SDK_PORT_IF_XGMII), SDK_NOT_SUPPORTED);
    EXPECT_EQ(sdkPortSerdesPowerStatusSet(0, dp(1), SDK_PORT_DIRECTION_BOTH, 0xF, false),
              SDK_NOT_SUPPORTED);  // a GMII port has no SERDES
    ASSERT_EQ(sdkPortSpeedSet(0, xg, SDK_PORT_SPEED_1000), SDK_OK);
    EXPECT_EQ(chipsim::link(0, xg).speed, SDK_PORT_SPEED_10000);  // the PHY still runs at 10G
    chipsim::Partner none;
    none.present = false;
    chipsim::set_partner(0, xg, none);
    EXPECT_EQ(sdkPortSpeedGet(0, xg, &speed), SDK_OK);
    EXPECT_EQ(speed, SDK_PORT_SPEED_1000);
    bool en;
    EXPECT_EQ(sdkPortEnableGet(0, 20, &en), SDK_BAD_PARAM);  // not an existing port
    EXPECT_EQ(sdkPortEnableGet(0, 200, &en), SDK_BAD_PARAM);
    EXPECT_EQ(sdkPortEnableGet(5, 0, &en), SDK_NOT_PRESENT);
    EXPECT_EQ(sdkPortEnableGet(0, 0, nullptr), SDK_BAD_PTR);
}

TEST_F(ChipTest, LinkNeedsAdminPartnerAndNoForcedDown) {
    uint8_t p = dp(1);
    chipsim::LinkState l = chipsim::link(0, p);
    EXPECT_TRUE(l.up);
    EXPECT_EQ(l.speed, SDK_PORT_SPEED_1000);
    EXPECT_EQ(l.duplex, SDK_PORT_FULL_DUPLEX);
    bool up = false;
    sdkPortForceLinkDownEnableSet(0, p, true);
    EXPECT_EQ(sdkPortLinkStatusGet(0, p, &up), SDK_OK);
    EXPECT_FALSE(up);
    sdkPortForceLinkDownEnableSet(0, p, false);
    sdkPortEnableSet(0, p, false);
    EXPECT_FALSE(chipsim::link(0, p).up);
    sdkPortEnableSet(0, p, true);
    chipsim::Partner gone;
    gone.present = false;
    chipsim::set_partner(0, p, gone);
    EXPECT_FALSE(chipsim::link(0, p).up);
    // An SFP port without a PHY needs its SERDES powered.
    uint8_t sfp = dp(13);
    EXPECT_TRUE(chipsim::link(0, sfp).up);
    ASSERT_EQ(sdkPortSerdesPowerStatusSet(0, sfp, SDK_PORT_DIRECTION_BOTH, 0xF, false), SDK_OK);
    EXPECT_FALSE(chipsim::link(0, sfp).up);
}

}  // namespace
