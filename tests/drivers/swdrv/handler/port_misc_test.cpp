// The port operations outside the other areas, on the chip model: stacking port enable,
// port type, medium and abilities, loopbacks, egress block, priorities, the analyzer tag,
// LEDs and the temperature.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

class PortMiscTest : public VlanTest {
  protected:
    static chipsim::PortMisc misc(uint32_t front) {
        return chipsim::misc(at(front).first).ports[dp(front)];
    }
};

TEST_F(PortMiscTest, StackPortsAreEnabledTogetherAndOnlyWhereThereAreAny) {
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_EnableStackPortAdmin(true));
    EXPECT_TRUE(cap.contains(" , no stacking ports\r\n"));
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_EnableStackPortAdmin(false));
    chipsim::PortState s;
    for (uint8_t port : {24, 25}) {
        ASSERT_TRUE(chipsim::port_state(1, port, &s));
        EXPECT_FALSE(s.enabled) << int(port);
    }
    ASSERT_TRUE(chipsim::port_state(1, 23, &s));
    EXPECT_TRUE(s.enabled);  // the cascade port is not a stacking port
    ASSERT_TRUE(DEV_SWDRV_EnableStackPortAdmin(true));
    ASSERT_TRUE(chipsim::port_state(1, 25, &s));
    EXPECT_TRUE(s.enabled);
}

TEST_F(PortMiscTest, TypeMediumAndAbilitiesFollowThePort) {
    uint32_t v = 0;
    const struct {
        uint32_t front, type, medium, ability;
    } cases[] = {
        {1, SDK_PORT_TYPE_GE, DEV_SWDRV_MEDIA_COPPER, 0xFC010000},
        {3, SDK_PORT_TYPE_FE, DEV_SWDRV_MEDIA_COPPER, 0xF0010000},
        {13, SDK_PORT_TYPE_GE, DEV_SWDRV_MEDIA_FIBRE, 0x04010000},
        {15, SDK_PORT_TYPE_XG, DEV_SWDRV_MEDIA_FIBRE, 0x06010000},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(DEV_SWDRV_GetPortType(1, c.front, &v));
        EXPECT_EQ(v, c.type) << c.front;
        ASSERT_TRUE(DEV_SWDRV_GetPortMediaActive(1, c.front, &v));
        EXPECT_EQ(v, c.medium) << c.front;
        ASSERT_TRUE(DEV_SWDRV_GetPortAbility(1, c.front, &v));
        EXPECT_EQ(v, c.ability) << c.front;
    }
    EXPECT_FALSE(DEV_SWDRV_GetPortType(1, 17, &v));
}

TEST_F(PortMiscTest, AComboPortReportsTheMediumItsLinkUses) {
    auto [dev, port] = at(9);
    uint32_t medium = 0;
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 9));
    ASSERT_TRUE(DEV_SWDRV_GetPortMediaActive(1, 9, &medium));
    EXPECT_EQ(medium, DEV_SWDRV_MEDIA_COPPER);
    chipsim::Partner p;
    p.fibre = true;
    ASSERT_TRUE(chipsim::set_partner(dev, port, p));
    ASSERT_TRUE(link_up(9));
    ASSERT_TRUE(DEV_SWDRV_GetPortMediaActive(1, 9, &medium));
    EXPECT_EQ(medium, DEV_SWDRV_MEDIA_FIBRE);
    // Forced to the fibre side without a link: fibre.
    p.present = false;
    ASSERT_TRUE(chipsim::set_partner(dev, port, p));
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 9, 4, 1000));
    ASSERT_TRUE(DEV_SWDRV_GetPortMediaActive(1, 9, &medium));
    EXPECT_EQ(medium, DEV_SWDRV_MEDIA_FIBRE);
}

TEST_F(PortMiscTest, PortSwitchesReachTheChip) {
    ASSERT_TRUE(DEV_SWDRV_EnableInternalLoopback(1, 2));
    EXPECT_TRUE(misc(2).internal_loopback);
    ASSERT_TRUE(DEV_SWDRV_DisableInternalLoopback(1, 2));
    EXPECT_FALSE(misc(2).internal_loopback);
    ASSERT_TRUE(DEV_SWDRV_SetOamLoopback(1, 2, true));
    EXPECT_TRUE(misc(2).oam_loopback);
    ASSERT_TRUE(DEV_SWDRV_SetPortEgressBlock(1, 2, true));
    EXPECT_TRUE(misc(2).egress_block);
    EXPECT_FALSE(misc(3).egress_block);
    ASSERT_TRUE(DEV_SWDRV_SetCopyInnerPri2OuterPri(1, 2, true));
    EXPECT_TRUE(vport(2).copy_inner_up);
    ASSERT_TRUE(DEV_SWDRV_SetRspanVlanTag(1, 2, 300));
    EXPECT_EQ(misc(2).analyzer_vid, 300);
    ASSERT_TRUE(DEV_SWDRV_SetRspanVlanTag(1, 2, 0));
    EXPECT_EQ(misc(2).analyzer_vid, 0);
    EXPECT_FALSE(DEV_SWDRV_SetRspanVlanTag(1, 2, 4095));
    ASSERT_TRUE(DEV_SWDRV_SetPortUserDefaultPriority(1, 2, 5));
    EXPECT_EQ(vport(2).default_up, 5u);
    EXPECT_FALSE(DEV_SWDRV_SetPortUserDefaultPriority(1, 2, 8));
    EXPECT_EQ(vport(2).default_up, 5u);
}

TEST_F(PortMiscTest, TemperatureIsTheMeanOfTheDevices) {
    bring_up(two_device_board());
    chipsim::set_temperature(0, 40);
    chipsim::set_temperature(1, 51);
    int32_t t = 0;
    ASSERT_TRUE(DEV_SWDRV_GetAllPortAverageTemperature(&t));
    EXPECT_EQ(t, 45);
    chipsim::fail("sdkCfgDevTemperatureGet", SDK_FAIL);
    EXPECT_FALSE(DEV_SWDRV_GetAllPortAverageTemperature(&t));
}

TEST_F(PortMiscTest, LedsBackToNormalOnPhysThatDriveThem) {
    ASSERT_TRUE(DEV_SWDRV_PhyLightPortLedNormal(1, 1));
    EXPECT_EQ(phy(1, 3, 16), 0x1011);
    EXPECT_EQ(chipsim::phy_page(0, dp(1)), 0);            // left on page 0
    EXPECT_TRUE(DEV_SWDRV_PhyLightPortLedNormal(1, 3));   // fast-Ethernet PHY: nothing to do
    EXPECT_TRUE(DEV_SWDRV_PhyLightPortLedNormal(1, 13));  // no PHY
    EXPECT_FALSE(DEV_SWDRV_PhyLightPortLedNormal(1, 0));
}

}  // namespace
