// Auto-negotiation restart, remote fault and the link partner as the PHYs of the chip model
// report them.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

class AutonegTest : public VlanTest {
  protected:
    void SetUp() override {
        VlanTest::SetUp();
        ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 1));
        ASSERT_TRUE(link_up(1));
    }
    static uint32_t get(bool (*op)(uint32_t, uint32_t, uint32_t*), uint32_t front) {
        uint32_t v = 0xDEAD;
        EXPECT_TRUE(op(1, front, &v));
        return v;
    }
};

TEST_F(AutonegTest, RestartAppliesANewAdvertisement) {
    DEV_SWDRV_PhyRegOp_T ops[] = {{4, 0x0041, 0x0FFF}, {9, 0x0000, 0x0300}};  // 10 full only
    ASSERT_TRUE(DEV_SWDRV_DoPHYRegsTransactions(1, 1, ops, 2));
    EXPECT_EQ(chipsim::link(0, dp(1)).speed, SDK_PORT_SPEED_1000);  // not applied yet
    ASSERT_TRUE(DEV_SWDRV_SetPortRestartAutoNego(1, 1));
    EXPECT_EQ(chipsim::link(0, dp(1)).speed, SDK_PORT_SPEED_10);
    EXPECT_FALSE(phy(1, 0, 0) & 0x0200);  // the restart bit clears itself
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortRestartAutoNego(1, 5));  // a PHY that cannot negotiate
    EXPECT_TRUE(cap.contains(", error_id=16, arg = 0,4\r\n"));
    EXPECT_TRUE(DEV_SWDRV_SetPortRestartAutoNego(1, 13));  // no PHY: nothing to restart
}

TEST_F(AutonegTest, RemoteFaultAdvertisementOnCopperAndFibre) {
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(1, 1, 2));
    EXPECT_EQ(phy(1, 0, 4) & 0x2000, 0x2000);
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement, 1), 3u);  // one bit
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(1, 1, 1));
    EXPECT_EQ(phy(1, 0, 4) & 0x2000, 0);
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement, 1), 1u);
    // A combo port carries the two-bit code on its fibre page.
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(1, 10, 4));
    EXPECT_EQ(phy(10, 1, 4) & 0x3000, 0x3000);
    auto [dev, port] = at(10);
    chipsim::Partner p;
    p.fibre = true;
    ASSERT_TRUE(chipsim::set_partner(dev, port, p));
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 10));
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement, 10), 4u);
    EXPECT_FALSE(DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(1, 1, 5));
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault, 1), 1u);
}

TEST_F(AutonegTest, ProcessStateAndPartnerSignalling) {
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoProcessState, 1), 3u);  // complete
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState, 1), 1u);
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 1));
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoProcessState, 1), 2u);  // configuring
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState, 1), 2u);
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 1));
    ASSERT_TRUE(DEV_SWDRV_DisablePortAutoNeg(1, 1));
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoProcessState, 1), 4u);   // disabled
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoProcessState, 13), 4u);  // no PHY
    EXPECT_EQ(get(DEV_SWDRV_GetPortAutoNegoProcessState, 15), 4u);
}

TEST_F(AutonegTest, PartnerAbilitiesInTheMauEncoding) {
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa, 1),
              0x40000000u | 0x20000000 | 0x08000000 | 0x04000000 | 0x00020000 | 0x00010000 |
                  0x00800000 | 0x00200000);
    auto [dev, port] = at(1);
    chipsim::Partner p;
    p.abilities = chipsim::kAb100Full | chipsim::kAb10Half;
    p.pause = false;
    p.asym_pause = true;
    ASSERT_TRUE(chipsim::set_partner(dev, port, p));
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa, 1),
              0x40000000u | 0x04000000 | 0x00800000 | 0x00400000);
    p.pause = true;
    ASSERT_TRUE(chipsim::set_partner(dev, port, p));
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa, 1) & 0x00F00000, 0x00900000u);
    // The fibre side of a combo port.
    auto [dev9, port9] = at(9);
    chipsim::Partner f;
    f.fibre = true;
    f.abilities = chipsim::kAb1000Full;
    ASSERT_TRUE(chipsim::set_partner(dev9, port9, f));
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 9));
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa, 9), 0x00040000u | 0x00A00000);
    EXPECT_EQ(get(DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa, 13), 0u);
}

TEST_F(AutonegTest, JabberAndFalseCarrier) {
    EXPECT_EQ(get(DEV_SWDRV_GetPortJabberState, 1), 3u);
    EXPECT_EQ(get(DEV_SWDRV_GetPortJabberState, 3), 3u);  // fast-Ethernet PHY, no pages
    EXPECT_EQ(get(DEV_SWDRV_GetPortJabberState, 15), 1u);
    ASSERT_TRUE(chipsim::phy_write(0, dp(1), 0, 19, 7));
    EXPECT_EQ(get(DEV_SWDRV_GetPortFalseCarrierSenseCounter, 1), 7u);
    EXPECT_EQ(chipsim::phy_page(0, dp(1)), 0);
    uint32_t v;
    EXPECT_FALSE(DEV_SWDRV_GetPortJabberState(1, 17, &v));
}

}  // namespace
