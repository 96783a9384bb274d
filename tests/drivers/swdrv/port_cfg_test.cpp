// Speed and duplex, auto-negotiation and capabilities, flow control, combo forced mode,
// power saving and raw PHY access, checked on the chip and on the link they produce.
#include <chrono>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class PortCfgTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        ASSERT_TRUE(DEV_SWDRV_EnableAllPortAdmin());
    }
    static chipsim::LinkState link(uint32_t front) {
        return chipsim::link(at(front).first, dp(front));
    }
};

TEST_F(PortCfgTest, ForcedSpeedAndDuplexProgramChipAndPhy) {
    ASSERT_TRUE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 1, 5));
    EXPECT_EQ(state(1).speed, SDK_PORT_SPEED_100);
    EXPECT_EQ(state(1).duplex, SDK_PORT_FULL_DUPLEX);
    EXPECT_EQ(phy(1, 0, 0) & 0xB140, 0x2100);  // no reset, no auto-negotiation, 100 full
    EXPECT_EQ(link(1).speed, SDK_PORT_SPEED_100);
    ASSERT_TRUE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 9, 2));  // combo: both pages
    EXPECT_EQ(phy(9, 1, 0) & 0x3140, 0x0000);
    EXPECT_EQ(link(9).speed, SDK_PORT_SPEED_10);
    EXPECT_EQ(link(9).duplex, SDK_PORT_HALF_DUPLEX);
    // The fast-Ethernet PHY never gets the 1000 bit.
    ASSERT_TRUE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 3, 4));
    EXPECT_EQ(phy(3, 0, 0) & 0x2140, 0x2000);
}

TEST_F(PortCfgTest, SpeedDuplexValuesOutsideTheTable) {
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 15, 8));
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 15, 1));
    EXPECT_EQ(cap.text(), "");
    uint16_t ctl = c45(15, 1, 0);
    ASSERT_TRUE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 15, 9));  // the chip only
    EXPECT_EQ(state(15).speed, SDK_PORT_SPEED_10000);
    EXPECT_EQ(c45(15, 1, 0), ctl);
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 3, 7));  // 1000 on a 10/100 port
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 5, 5));  // class 0x90: unsupported
    EXPECT_TRUE(cap.contains(" , error_id=16, arg = 0,4\r\n"));
}

TEST_F(PortCfgTest, AutoNegotiationOnChipAndPhy) {
    ASSERT_TRUE(DEV_SWDRV_DisablePortAutoNeg(1, 1));
    EXPECT_FALSE(state(1).speed_an);
    EXPECT_FALSE(state(1).duplex_an);
    EXPECT_FALSE(state(1).fc_an);
    EXPECT_FALSE(phy(1, 0, 0) & 0x1000);
    ASSERT_TRUE(DEV_SWDRV_EnablePortAutoNeg(1, 1));
    EXPECT_TRUE(state(1).speed_an);
    EXPECT_TRUE(state(1).fc_an);  // a copper port negotiates flow control too
    EXPECT_TRUE(phy(1, 0, 0) & 0x1000);
    EXPECT_EQ(DEV_SWDRV_OM().copper_an_bmp[0][0] & 1, 1u);
    ASSERT_TRUE(DEV_SWDRV_EnablePortAutoNeg(1, 13));  // SFP port: fibre bitmap
    EXPECT_FALSE(state(13).fc_an);
    EXPECT_EQ(DEV_SWDRV_OM().fibre_an_bmp[0][0] >> dp(13) & 1, 1u);
    ASSERT_TRUE(DEV_SWDRV_DisablePortAutoNeg(1, 15));  // a 10 Gb/s port is left alone
    EXPECT_TRUE(state(15).speed_an);
    EXPECT_FALSE(DEV_SWDRV_DisablePortAutoNeg(1, 5));  // class 0x90
    ASSERT_TRUE(DEV_SWDRV_DisablePortAutoNeg(1, 2));
    EXPECT_FALSE(DEV_SWDRV_EnableAllPortAutoNeg());  // port 5's class-0x90 PHY refuses
    EXPECT_TRUE(state(2).speed_an);
    EXPECT_TRUE(phy(2, 0, 0) & 0x1000);
    EXPECT_TRUE(state(16).speed_an);
}

TEST_F(PortCfgTest, AdvertisedCapabilitiesDecideTheLink) {
    // 10/100 full and pause, bit 17 clear: asymmetric pause advertised too.
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegCapability(1, 1, (1u << 30) | (1u << 28) | (1u << 16)));
    EXPECT_EQ(phy(1, 0, 4) & 0x0DE0, 0x0D40);
    EXPECT_EQ(phy(1, 0, 9) & 0x0300, 0);
    EXPECT_TRUE(state(1).back_pressure);
    EXPECT_EQ(link(1).speed, SDK_PORT_SPEED_100);
    EXPECT_EQ(link(1).duplex, SDK_PORT_FULL_DUPLEX);
    EXPECT_TRUE(link(1).pause);
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegCapability(1, 1, (1u << 26) | (1u << 17)));
    EXPECT_EQ(phy(1, 0, 4) & 0x0DE0, 0);
    EXPECT_EQ(phy(1, 0, 9) & 0x0300, 0x0200);
    EXPECT_FALSE(state(1).back_pressure);
    EXPECT_FALSE(state(1).pause_adv);
    EXPECT_EQ(link(1).speed, SDK_PORT_SPEED_1000);
    // Combo: the fibre page too; fast-Ethernet PHY: no asymmetric bit.
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegCapability(1, 9, (1u << 26) | (1u << 16)));
    EXPECT_EQ(phy(9, 1, 4) & 0x01E0, 0x01A0);
    ASSERT_TRUE(DEV_SWDRV_SetPortAutoNegCapability(1, 3, (1u << 29) | (1u << 16)));
    EXPECT_EQ(phy(3, 0, 4) & 0x0DE0, 0x0480);
    EXPECT_EQ(link(3).duplex, SDK_PORT_HALF_DUPLEX);
}

TEST_F(PortCfgTest, FlowControl) {
    ASSERT_TRUE(DEV_SWDRV_EnablePortCfgFlowCtrl(1, 2));
    EXPECT_TRUE(state(2).flow_control);
    EXPECT_TRUE(state(2).back_pressure);
    ASSERT_TRUE(DEV_SWDRV_DisablePortCfgFlowCtrl(1, 2));
    EXPECT_FALSE(state(2).flow_control);
    EXPECT_FALSE(state(2).back_pressure);
}

TEST_F(PortCfgTest, ComboForcedFibreAt1000) {
    chipsim::Partner fibre;
    fibre.fibre = true;
    chipsim::set_partner(0, dp(9), fibre);
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 9, 4, 1000));
    EXPECT_EQ(phy(9, 6, 20) & 0x37, 0x02);
    EXPECT_EQ(phy(9, 1, 4), 0x0060);
    EXPECT_TRUE(phy(9, 1, 0) & 0x1000);
    EXPECT_EQ(chipsim::phy_page(0, dp(9)), 0);
    chipsim::LinkState l = link(9);
    EXPECT_TRUE(l.up);
    EXPECT_TRUE(l.fibre);
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 10, 5, 100));  // page 18, fibre at 100
    EXPECT_EQ(phy(10, 18, 20) & 0x77, 0x67);
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 10, 2, 1000));
    EXPECT_EQ(phy(10, 18, 20) & 0x77, 0x00);
}

TEST_F(PortCfgTest, FibreThatNeverSettlesFailsInBoundedTime) {
    chipsim::set_phy_settle_reads(0, dp(9), 0xFFFFFFFF);
    DEV_SWDRV_OM().print_detail = true;
    console::Capture cap;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(DEV_SWDRV_SetPortComboForcedMode(1, 9, 4, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(cap.contains(" , error_id=8, arg = 0,8\r\n"));
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_Phy_SetPortComboForcedMode failed\r\n"));
    EXPECT_EQ(DEV_SWDRV_OM().phy_lock_depth, 0);
    EXPECT_EQ(chipsim::phy_page(0, dp(9)), 0);
}

TEST_F(PortCfgTest, ComboModesThatAreRefused) {
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortComboForcedMode(1, 9, 6, 1000));
    EXPECT_TRUE(cap.contains(" , error_id=4, arg = 0,8\r\n"));
    EXPECT_FALSE(DEV_SWDRV_SetPortComboForcedMode(1, 9, 4, 10000));
    EXPECT_FALSE(DEV_SWDRV_SetPortComboForcedMode(1, 3, 3, 100));  // 0x80: mode 2 only
    EXPECT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 3, 2, 100));
    EXPECT_FALSE(DEV_SWDRV_SetPortComboForcedMode(1, 13, 4, 10000));  // no interface mode
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_SetPortInterfaceMode failed\r\n"));
}

TEST_F(PortCfgTest, ForcedModeOfSerdesPortsChangesTheInterface) {
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 13, 4, 100));
    EXPECT_EQ(state(13).if_mode, SDK_PORT_IF_100BASE_FX);
    EXPECT_EQ(state(13).speed, SDK_PORT_SPEED_100);
    EXPECT_TRUE(state(13).enabled);  // restored
    EXPECT_TRUE(state(13).serdes_up);
    EXPECT_EQ(link(13).speed, SDK_PORT_SPEED_100);
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 15, 4, 1000));
    EXPECT_EQ(state(15).if_mode, SDK_PORT_IF_1000BASE_X);
    EXPECT_TRUE(c45(15, 3, 0xC040) & 4);
    EXPECT_EQ(link(15).speed, SDK_PORT_SPEED_1000);
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 16));
    ASSERT_TRUE(DEV_SWDRV_SetPortComboForcedMode(1, 16, 4, 10000));
    EXPECT_FALSE(state(16).enabled);  // a disabled port stays disabled
}

TEST_F(PortCfgTest, PowerSavingPerClass) {
    ASSERT_TRUE(chipsim::phy_write(0, dp(1), 0, 22, 0));
    ASSERT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 1, true));
    EXPECT_TRUE(phy(1, 0xFF, 24) & 0x0100);
    EXPECT_EQ(phy(1, 0xFF, 23), 0x2002);
    EXPECT_EQ(chipsim::phy_page(0, dp(1)), 0);
    ASSERT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 1, false));
    EXPECT_FALSE(phy(1, 0xFF, 24) & 0x0100);
    ASSERT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 6, true));
    EXPECT_TRUE(phy(6, 0xFC, 2) & 0x0100);
    ASSERT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 3, true));
    EXPECT_EQ(phy(3, 0, 29), 10);
    EXPECT_EQ(phy(3, 0, 30) & 3, 3);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortPowerSave(1, 5, true));
    EXPECT_TRUE(cap.contains(" , error_id=16, arg = 0,4\r\n"));
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_Phy_SetPortPowerSaveMode failed\r\n"));
    EXPECT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 5, false));
    EXPECT_FALSE(DEV_SWDRV_SetPortPowerSave(1, 15, true));
    EXPECT_TRUE(DEV_SWDRV_SetPortPowerSave(1, 13, true));
}

TEST_F(PortCfgTest, RawPhyAccess) {
    DEV_SWDRV_PhyRegOp_T ops[] = {{4, 0x0000, 0x01E0}, {22, 1, 0xFF}, {26, 0x0001, 0x0001}};
    ASSERT_TRUE(DEV_SWDRV_DoPHYRegsTransactions(1, 9, ops, 3));
    EXPECT_EQ(phy(9, 0, 4) & 0x01E0, 0);
    EXPECT_EQ(phy(9, 1, 26) & 0x6001, 0x6001);
    EXPECT_EQ(chipsim::phy_page(0, dp(9)), 0);  // the unlock goes back to page 0
    uint16_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_GetMIIPhyRegByPage(0, dp(9), 22, 0xFF, 1, 26, &v));
    EXPECT_EQ(v & 0x6001, 0x6001);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_DoPHYRegsTransactions(1, 9, nullptr, 1));
    EXPECT_TRUE(cap.contains(" , Invalid phy_reg_ops\r\n"));
    DEV_SWDRV_PhyRegOp_T bad[] = {{40, 1, 1}, {4, 0x0020, 0x0020}};
    EXPECT_TRUE(DEV_SWDRV_DoPHYRegsTransactions(1, 9, bad, 2));  // a failed read is not a failure
    EXPECT_TRUE(cap.contains("Failed to read phy reg 0x28, devid=0, phy_port=8\r\n"));
    EXPECT_TRUE(phy(9, 0, 4) & 0x0020);  // the next operation still ran
}

}  // namespace
