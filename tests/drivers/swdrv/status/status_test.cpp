// Port status: link, operational speed and duplex with the speed-change step, flow control,
// and the all-port blocks, read from the chip model's links.
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

using chipsim::Partner;

class StatusTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        for (uint32_t p = 1; p <= 16; ++p)
            DEV_SWDRV_EnablePortAdmin(1, p);
    }
    void partner(uint32_t front, uint32_t abilities, bool present = true) {
        Partner pt;
        pt.present = present;
        pt.abilities = abilities;
        ASSERT_TRUE(chipsim::set_partner(at(front).first, dp(front), pt));
    }
    uint32_t dp_profile(uint32_t front) {
        uint32_t v = 99;
        EXPECT_EQ(sdkPortTxBindPortToDpGet(at(front).first, dp(front), &v), SDK_OK);
        return v;
    }
};

TEST_F(StatusTest, SpeedDuplexFollowsThePartner) {
    struct Case {
        uint32_t abilities;
        uint32_t expect;
    } cases[] = {{chipsim::kAb10Half, 2},  {chipsim::kAb10Full, 3},   {chipsim::kAb100Half, 4},
                 {chipsim::kAb100Full, 5}, {chipsim::kAb1000Half, 6}, {chipsim::kAbAll, 7}};
    for (const Case& c : cases) {
        partner(2, c.abilities);
        uint32_t v = 0, link = 0;
        ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 2, &v));
        EXPECT_EQ(v, c.expect) << "abilities " << c.abilities;
        ASSERT_TRUE(DEV_SWDRV_GetPortLinkStatus(1, 2, &link));
        EXPECT_EQ(link, 1u);
    }
    // A fast-Ethernet port with an all-abilities partner runs at 100 full.
    uint32_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 3, &v));
    EXPECT_EQ(v, 5u);
    partner(2, chipsim::kAbAll, false);
    uint32_t link = 1;
    ASSERT_TRUE(DEV_SWDRV_GetPortLinkStatus(1, 2, &link));
    EXPECT_EQ(link, 0u);
}

TEST_F(StatusTest, FirstReadRunsTheSpeedChangeStepUnlessAt10) {
    // Power-on profiles are 0; the step makes them 1 at 1000 Mb/s and 2 below 1000.
    EXPECT_EQ(dp_profile(1), 0u);
    uint32_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 1, &v));
    EXPECT_EQ(dp_profile(1), 1u);
    // At 10 Mb/s (speed 0, the stored last speed at start) the first read changes nothing.
    partner(2, chipsim::kAb10Full);
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 2, &v));
    EXPECT_EQ(v, 3u);
    EXPECT_EQ(dp_profile(2), 0u);
    // A later change of speed runs it again.
    partner(2, chipsim::kAb100Full);
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 2, &v));
    EXPECT_EQ(dp_profile(2), 2u);
    uint32_t fc = 0;
    ASSERT_EQ(sdkPortRxFcProfileGet(at(2).first, dp(2), &fc), SDK_OK);
    EXPECT_EQ(fc, 2u);
}

uint32_t g_hook_calls = 0, g_hook_code = 0;
uint32_t failing_hook(uint32_t, uint32_t, uint32_t, uint32_t code) {
    ++g_hook_calls;
    g_hook_code = code;
    return 0;
}

TEST_F(StatusTest, BoardHookReplacesTheTablesAndItsFailureKeepsTheRead) {
    g_hook_calls = 0;
    DEV_SWDRV_SetSpeedChangeHook(failing_hook);
    console::Capture cap;
    uint32_t v = 0;
    EXPECT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 6, &v));
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(g_hook_calls, 1u);
    EXPECT_EQ(g_hook_code, SDK_PORT_SPEED_1000);
    EXPECT_EQ(dp_profile(6), 0u) << "the hook, not the table, makes the settings";
    EXPECT_NE(cap.text().find("DEV_SWDRV_PortSpeedChange failed"), std::string::npos);
    // The speed is stored: the next read at the same speed calls nothing.
    EXPECT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 6, &v));
    EXPECT_EQ(g_hook_calls, 1u);
}

TEST_F(StatusTest, DeviceSpeedTableGivesTheProfiles) {
    static const DEV_SWDRV_SpeedTable_T table = {{0, 1, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0},
                                                 {4, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0, 0}};
    DEV_SWDRV_SetSpeedTable(at(7).first, &table);
    uint32_t v = 0, fc = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 7, &v));
    EXPECT_EQ(dp_profile(7), 3u);
    ASSERT_EQ(sdkPortRxFcProfileGet(at(7).first, dp(7), &fc), SDK_OK);
    EXPECT_EQ(fc, 6u);
    // At 100 Mb/s: the entry of speed code 1.
    partner(7, chipsim::kAb100Full);
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 7, &v));
    EXPECT_EQ(dp_profile(7), 1u);
    DEV_SWDRV_SetSpeedTable(at(7).first, nullptr);
}

TEST_F(StatusTest, HighSpeedsReportAsTenGigabit) {
    // A 10 Gb/s port configured to 2.5G (SDK speed 7) with its link down reads 9.
    uint32_t front = 0;
    for (uint32_t p = 16; p >= 1 && !front; --p) {
        uint32_t type = 0;
        if (DEV_SWDRV_GetPortType(1, p, &type) && type == SDK_PORT_TYPE_XG) front = p;
    }
    ASSERT_NE(front, 0u) << "the board has a 10 Gb/s port";
    partner(front, chipsim::kAbAll, false);
    ASSERT_EQ(sdkPortSpeedSet(at(front).first, dp(front), SDK_PORT_SPEED_2500), SDK_OK);
    ASSERT_EQ(sdkPortDuplexModeSet(at(front).first, dp(front), SDK_PORT_FULL_DUPLEX), SDK_OK);
    uint32_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, front, &v));
    EXPECT_EQ(v, 9u);
}

TEST_F(StatusTest, FlowControlByDuplexAndChipSetting) {
    uint32_t v = 0;
    // Full duplex: 802.3x flow control when the chip has it on.
    ASSERT_EQ(sdkPortFlowControlEnableSet(at(5).first, dp(5), true), SDK_OK);
    ASSERT_TRUE(DEV_SWDRV_GetPortFlowCtrl(1, 5, &v));
    EXPECT_EQ(v, DEV_SWDRV_FC_8023X);
    ASSERT_EQ(sdkPortFlowControlEnableSet(at(5).first, dp(5), false), SDK_OK);
    ASSERT_TRUE(DEV_SWDRV_GetPortFlowCtrl(1, 5, &v));
    EXPECT_EQ(v, DEV_SWDRV_FC_NONE);
    // Half duplex: back pressure.
    partner(5, chipsim::kAb100Half);
    ASSERT_EQ(sdkPortBackPressureEnableSet(at(5).first, dp(5), true), SDK_OK);
    ASSERT_TRUE(DEV_SWDRV_GetPortFlowCtrl(1, 5, &v));
    EXPECT_EQ(v, DEV_SWDRV_FC_BACK_PRESSURE);
    // Link down: none, whatever is configured.
    partner(5, chipsim::kAbAll, false);
    ASSERT_TRUE(DEV_SWDRV_GetPortFlowCtrl(1, 5, &v));
    EXPECT_EQ(v, DEV_SWDRV_FC_NONE);
}

TEST_F(StatusTest, AllPortBlocksAndBadRanges) {
    partner(2, chipsim::kAb100Half);
    partner(3, chipsim::kAbAll, false);
    DEV_SWDRV_AllPortStatus_T b{};
    ASSERT_TRUE(DEV_SWDRV_GetAllPortStatus(1, 1, 4, &b));
    EXPECT_EQ(b.link[0], 1u);
    EXPECT_EQ(b.link[2], 0u);
    EXPECT_EQ(b.speed_duplex[0], 7u);
    EXPECT_EQ(b.speed_duplex[1], 4u);
    EXPECT_EQ(b.flow_ctrl[2], DEV_SWDRV_FC_NONE);
    EXPECT_EQ(b.link[4], 0u) << "beyond the range stays untouched";
    struct Range {
        uint32_t unit, first, last;
    } bad[] = {{1, 0, 3}, {1, 5, 4}, {1, 1, 17}, {3, 1, 2}, {1, 16, 0xFFFFFFFF}};
    console::Capture cap;
    for (const Range& r : bad)
        EXPECT_FALSE(DEV_SWDRV_GetAllPortLinkStatus(r.unit, r.first, r.last, &b))
            << r.unit << " " << r.first << "-" << r.last;
    uint32_t v = 0;
    EXPECT_FALSE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 17, &v));
    EXPECT_FALSE(DEV_SWDRV_GetPortFlowCtrl(0, 1, &v));
    EXPECT_FALSE(DEV_SWDRV_GetPortLinkStatusByDeviceId(0, 40, &v));
    EXPECT_FALSE(DEV_SWDRV_GetPortLinkStatus(1, 1, nullptr));
}

}  // namespace
