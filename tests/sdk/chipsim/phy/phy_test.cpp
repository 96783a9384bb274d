// The PHY model: registers that behave like registers and decide the link.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

using chipsim::Partner;

class PhyTest : public ChipTest {
  protected:
    uint16_t rd(uint8_t port, uint8_t reg) {
        uint16_t v = 0;
        EXPECT_EQ(sdkPhyPortSmiRegisterRead(0, port, reg, &v), SDK_OK);
        return v;
    }
    void wr(uint8_t port, uint8_t reg, uint16_t v) {
        EXPECT_EQ(sdkPhyPortSmiRegisterWrite(0, port, reg, v), SDK_OK);
    }
};

TEST_F(PhyTest, IdentifiersGiveClassAndRevision) {
    EXPECT_EQ(rd(dp(1), 3) & 0x3F0, 0x1C0);
    EXPECT_EQ(rd(dp(3), 3) & 0x3F0, 0x80);
    EXPECT_EQ(rd(dp(8), 3) & 0x3FF, 0x2B1);
    uint16_t v;
    EXPECT_EQ(sdkPhyPortSmiRegisterRead(0, dp(13), 3, &v), SDK_NOT_PRESENT);  // no PHY there
    wr(dp(1), 3, 0x1234);                                                     // read-only
    EXPECT_EQ(rd(dp(1), 3) & 0x3F0, 0x1C0);
}

TEST_F(PhyTest, ResetBitSelfClearsAndAppliesForcedSpeed) {
    uint8_t p = dp(1);
    wr(p, 0, 0x2100);  // 100 full, no auto-negotiation, no reset yet
    EXPECT_EQ(chipsim::link(0, p).speed, SDK_PORT_SPEED_1000);  // not applied
    wr(p, 0, 0xA100);
    EXPECT_EQ(rd(p, 0), 0x2100);
    chipsim::LinkState l = chipsim::link(0, p);
    EXPECT_TRUE(l.up);
    EXPECT_EQ(l.speed, SDK_PORT_SPEED_100);
    EXPECT_EQ(l.duplex, SDK_PORT_FULL_DUPLEX);
    Partner fe;
    fe.abilities = chipsim::kAb10Half | chipsim::kAb10Full;
    chipsim::set_partner(0, p, fe);
    EXPECT_FALSE(chipsim::link(0, p).up);  // forced 100 against a 10-only partner
}

TEST_F(PhyTest, AdvertisementDecidesTheNegotiatedLink) {
    uint8_t p = dp(2);
    wr(p, 4, 0x0181);  // 100 half and full only
    wr(p, 9, 0x0000);
    wr(p, 0, rd(p, 0) | 0x8000);
    chipsim::LinkState l = chipsim::link(0, p);
    EXPECT_TRUE(l.up);
    EXPECT_EQ(l.speed, SDK_PORT_SPEED_100);
    EXPECT_EQ(l.duplex, SDK_PORT_FULL_DUPLEX);
    EXPECT_TRUE(rd(p, 1) & 0x0004);
    Partner half;
    half.abilities = chipsim::kAb100Half | chipsim::kAb10Half;
    chipsim::set_partner(0, p, half);
    l = chipsim::link(0, p);
    EXPECT_EQ(l.duplex, SDK_PORT_HALF_DUPLEX);
    EXPECT_EQ(rd(p, 5) & 0x01E0, 0x00A0);  // the partner's abilities
    // A fast-Ethernet PHY never links at 1000.
    EXPECT_EQ(chipsim::link(0, dp(3)).speed, SDK_PORT_SPEED_100);
}

TEST_F(PhyTest, PowerDownTakesTheLinkDownAtOnce) {
    uint8_t p = dp(1);
    wr(p, 0, rd(p, 0) | 0x0800);
    EXPECT_FALSE(chipsim::link(0, p).up);
    EXPECT_FALSE(rd(p, 1) & 0x0004);
    wr(p, 0, rd(p, 0) & ~0x0800);
    EXPECT_TRUE(chipsim::link(0, p).up);
}

TEST_F(PhyTest, PagesAndInternalMemory) {
    uint8_t p = dp(7);
    wr(p, 22, 1);
    wr(p, 26, 0x6000);  // fibre page
    wr(p, 22, 0);
    EXPECT_EQ(rd(p, 26), 0);
    EXPECT_EQ(rd(p, 22), 0);
    uint16_t v;
    ASSERT_TRUE(chipsim::phy_reg(0, p, 1, 26, &v));
    EXPECT_EQ(v, 0x6000);
    wr(p, 22, 0xFF);
    wr(p, 17, 0x4444);
    wr(p, 16, 0x2140);  // data first, then the address with the write bit
    wr(p, 16, 0x2141);  // no new data: the old data goes to the next address
    wr(p, 22, 0);
    auto mem = chipsim::phy_internal(0, p);
    EXPECT_EQ(mem[0x140], 0x4444);
    EXPECT_EQ(mem[0x141], 0x4444);
    // A PHY without pages has a plain register 22.
    wr(dp(3), 22, 5);
    EXPECT_EQ(rd(dp(3), 22), 5);
}

TEST_F(PhyTest, SilentPhyReadsAllOnes) {
    uint8_t p = dp(1);
    chipsim::set_phy_answering(0, p, false);
    EXPECT_EQ(rd(p, 3), 0xFFFF);
    wr(p, 4, 0);
    chipsim::set_phy_answering(0, p, true);
    EXPECT_EQ(rd(p, 4), 0x01E1);  // the write was lost
}

TEST_F(PhyTest, TenGigPhyIsOnTheClause45InterfaceOnly) {
    uint8_t p = dp(15);
    uint16_t v = 0;
    // The board configuration leaves it at its power-on address on the clause-22 interface.
    EXPECT_EQ(sdkPhyPortC45RegisterRead(0, p, 1, 2, &v), SDK_NOT_SUPPORTED);
    ASSERT_EQ(sdkPhyPortSmiInterfaceSet(0, p, SDK_PHY_SMI_INTERFACE_C45), SDK_OK);
    EXPECT_EQ(sdkPhyPortC45RegisterRead(0, p, 1, 2, &v), SDK_NOT_PRESENT);  // wrong address
    ASSERT_EQ(sdkPhyPortAddrSet(0, p, 0x19), SDK_OK);
    EXPECT_EQ(sdkPhyPortC45RegisterRead(0, p, 1, 2, &v), SDK_OK);
    EXPECT_EQ(v, 0x0043);
    EXPECT_EQ(sdkPhyPortC45RegisterRead(0, p, 1, 3, &v), SDK_OK);
    EXPECT_EQ(v, 0xA400);
    EXPECT_EQ(chipsim::link(0, p).speed, SDK_PORT_SPEED_10000);
    ASSERT_EQ(sdkPhyXgSpeedModeSet(0, p, SDK_PHY_SPEED_MODE_1000), SDK_OK);
    EXPECT_EQ(sdkPhyPortC45RegisterRead(0, p, 3, 0xC048, &v), SDK_OK);
    EXPECT_TRUE(v & 4);
    EXPECT_EQ(chipsim::link(0, p).speed, SDK_PORT_SPEED_1000);
    ASSERT_EQ(sdkPhyPortC45RegisterWrite(0, p, 1, 9, 1), SDK_OK);  // transmitter off
    EXPECT_FALSE(chipsim::link(0, p).up);
}

TEST_F(PhyTest, ComboPortFollowsItsMedium) {
    uint8_t p = dp(10);  // class 0x2A0: media register on page 18
    Partner fibre;
    fibre.fibre = true;
    chipsim::set_partner(0, p, fibre);
    chipsim::LinkState l = chipsim::link(0, p);
    EXPECT_TRUE(l.up);
    EXPECT_TRUE(l.fibre);
    EXPECT_EQ(l.speed, SDK_PORT_SPEED_1000);
    // Forced to fibre: a copper partner gets no link; the fibre status settles after reads.
    chipsim::set_partner(0, p, Partner{});
    chipsim::set_phy_settle_reads(0, p, 2);
    ASSERT_TRUE(chipsim::phy_write(0, p, 18, 20, 0x8002));
    uint16_t v = 0;
    chipsim::phy_reg(0, p, 18, 20, &v);
    EXPECT_EQ(v, 0x0002);  // the reset bit cleared itself
    EXPECT_FALSE(chipsim::link(0, p).up);
    wr(p, 22, 1);
    EXPECT_EQ(rd(p, 16) & 3, 0);
    EXPECT_EQ(rd(p, 16) & 3, 0);
    EXPECT_EQ(rd(p, 16) & 3, 1);
    wr(p, 22, 0);
    // The fibre cage's transmitter off (its control expander bit) takes the fibre link down.
    chipsim::set_partner(0, p, fibre);
    EXPECT_TRUE(chipsim::link(0, p).up);
    chipsim::twsi_poke(1, 0x21, 0, 0x01);
    EXPECT_FALSE(chipsim::link(0, p).up);
}

TEST_F(PhyTest, PollingAndAutoMediaSelect) {
    uint32_t bits = 0;
    ASSERT_EQ(sdkPhySmiAutoMediaSelectGet(0, dp(9), &bits), SDK_OK);  // ports 6..11
    EXPECT_EQ(bits, 0x3Cu);                                           // combo ports 8..11
    ASSERT_EQ(sdkPhySmiAutoMediaSelectSet(0, dp(9), 0x30), SDK_OK);
    EXPECT_EQ(chipsim::auto_media_select(0, 11), 0x30u);
    EXPECT_EQ(sdkPhySmiAutoMediaSelectGet(0, 24, &bits), SDK_NOT_SUPPORTED);
    bool on = false;
    ASSERT_EQ(sdkPhyAutonegSmiSet(0, 0, false), SDK_OK);
    EXPECT_EQ(sdkPhyAutonegSmiGet(0, 0, &on), SDK_OK);
    EXPECT_FALSE(on);
}

}  // namespace
