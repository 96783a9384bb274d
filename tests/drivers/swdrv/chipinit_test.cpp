// Chip bring-up and driver initialisation: what the chip looks like when the process has
// started, and the PHY scripts written on the way.
#include <map>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

using ChipInitTest = SwdrvTest;

// The internal-memory writes a script makes: register 17 holds the data, register 16 the
// address with the write bit.
std::map<uint16_t, uint16_t> internal_writes(
    std::initializer_list<std::pair<uint16_t, uint16_t>> w) {
    std::map<uint16_t, uint16_t> m;
    for (auto [data, addr] : w)
        m[addr & 0x1FFF] = data;
    return m;
}

TEST_F(ChipInitTest, BringsTheChipUpWithTheBoardParameters) {
    EXPECT_NE(start_console_.find("can't open /dev/swchip\n"), std::string::npos);
    EXPECT_EQ(start_console_.find("returned 0x"), std::string::npos);
    EXPECT_EQ(chipsim::board_param("rx_desc_count"), 512u);
    EXPECT_EQ(chipsim::board_param("rx_buf_size"), 1542u);
    EXPECT_EQ(chipsim::board_param("tx_desc_count"), 1786u);
    EXPECT_EQ(chipsim::board_param("au_desc_count"), 256u);
    EXPECT_EQ(chipsim::board_param("mac_learn_ctrl"), 0u);
    EXPECT_EQ(chipsim::board_param("cascade_trunk_link_hash"), 1u);
    EXPECT_EQ(chipsim::board_param("rx_buf_align"), 1u);
    EXPECT_FALSE(chipsim::phase2_netif_option());
    EXPECT_FALSE(chipsim::netif_up(0));
    EXPECT_EQ(chipsim::hw_reg(0, 0x48), 0x1F8887E3u);
    EXPECT_EQ(DEV_SWDRV_OM().board_id, 0u);
}

TEST_F(ChipInitTest, TenGigPhysAreFoundThroughTheAfterInitHook) {
    uint8_t smi = 0, addr = 0;
    ASSERT_EQ(sdkPhyPortSmiInterfaceGet(0, 24, &smi), SDK_OK);
    ASSERT_EQ(sdkPhyPortAddrGet(0, 25, &addr), SDK_OK);
    EXPECT_EQ(smi, SDK_PHY_SMI_INTERFACE_1);
    EXPECT_EQ(addr, 0x1B);
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    EXPECT_EQ(om.phy_id[0][24], 0x10);
    EXPECT_EQ(om.phy_id[0][25], 0x10);
    EXPECT_EQ(om.phy_id[0][dp(1)] & 0x3F0, 0x1C0);
    EXPECT_EQ(om.phy_id[0][dp(5)] & 0x3F0, 0x90);
    EXPECT_EQ(om.phy_id[0][dp(13)], 0);
}

TEST_F(ChipInitTest, EveryFrontPortIsDownAfterStart) {
    for (uint32_t front = 1; front <= 16; ++front) {
        SCOPED_TRACE(front);
        EXPECT_FALSE(state(front).enabled);
        EXPECT_FALSE(link_up(front));
    }
    EXPECT_TRUE(phy(1, 0, 0) & 0x0800);
    EXPECT_TRUE(phy(3, 0, 0) & 0x0800);
    EXPECT_TRUE(phy(9, 1, 0) & 0x0800);  // the fibre page of a combo port too
    EXPECT_TRUE(c45(15, 1, 9) & 0x0001);
    EXPECT_TRUE(c45(16, 1, 0xC309) & 0x2000);
    // The PHY polling is back on once the PHY lock is no longer held.
    EXPECT_TRUE(state(1).smi_polling);
}

TEST_F(ChipInitTest, PhyScriptsAreWrittenInOrder) {
    auto script_a = internal_writes({{0x0000, 0x2000},
                                     {0x4444, 0x2140},
                                     {0x8064, 0x2141},
                                     {0x0108, 0x2144},
                                     {0x0F16, 0x2146},
                                     {0x8C44, 0x214B},
                                     {0x0F90, 0x214C},
                                     {0xBA33, 0x214D},
                                     {0x39AA, 0x214F},
                                     {0x8433, 0x2151},
                                     {0x2010, 0x2152},
                                     {0x99EB, 0x2153},
                                     {0x2F3B, 0x2154},
                                     {0x584E, 0x2156},
                                     {0x1223, 0x2158}});
    auto script_b = internal_writes({{0x2148, 0x2144}, {0xDC0C, 0x2159}});
    auto script_c =
        internal_writes({{0x2148, 0x2144}, {0x0C28, 0x2146}, {0xB233, 0x214D}, {0xDC0C, 0x2159}});
    EXPECT_EQ(chipsim::phy_internal(0, dp(7)), script_a);  // 0x2B0 revision 0
    EXPECT_EQ(chipsim::phy_internal(0, dp(12)), script_a);
    EXPECT_EQ(chipsim::phy_internal(0, dp(8)), script_b);   // revision 1
    EXPECT_EQ(chipsim::phy_internal(0, dp(11)), script_b);  // revision 2
    EXPECT_EQ(chipsim::phy_internal(0, dp(6)), script_c);   // 0x2A0
    EXPECT_TRUE(chipsim::phy_internal(0, dp(1)).empty());   // 0x1C0: none
    EXPECT_EQ(phy(7, 0xFA, 8), 0x0010);
    EXPECT_EQ(phy(7, 0xFB, 1), 0x4099);
    EXPECT_EQ(phy(7, 0xFB, 15), 0x112A);
    EXPECT_EQ(phy(7, 0xFC, 1), 0x20B0);
    EXPECT_EQ(phy(6, 0xFB, 7), 0xC00D);
    EXPECT_EQ(chipsim::phy_page(0, dp(7)), 0);
}

TEST_F(ChipInitTest, NoScriptWithoutTheStrapValues) {
    bring_up(board::default_board(), [] { chipsim::phy_write(0, 6, 18, 30, 0x0003); });
    EXPECT_TRUE(chipsim::phy_internal(0, 6).empty());  // port 7's PHY
    EXPECT_FALSE(chipsim::phy_internal(0, dp(8)).empty());
}

TEST_F(ChipInitTest, RegisterTwentySixOfEveryPagedPhy) {
    EXPECT_EQ(phy(1, 0, 26) & 0x0E00, 0x0600);
    EXPECT_EQ(phy(5, 0, 26) & 0x0E00, 0x0600);  // 0x90 is paged too
    EXPECT_EQ(phy(3, 0, 26), 0);                // 0x80: left alone
    EXPECT_EQ(phy(9, 1, 26) & 0x6000, 0x6000);  // fibre page of an SFP port
    EXPECT_EQ(phy(1, 1, 26), 0);
}

TEST_F(ChipInitTest, RunsOnceAndReportsTheSecondCall) {
    console::Capture cap;
    DEV_SWDRV_Init();
    EXPECT_TRUE(cap.contains(" Had been initialized.\n"));
    EXPECT_EQ(cap.text().rfind("DEV_SWDRV_Init(", 0), 0u);
}

TEST_F(ChipInitTest, FailuresOfTheBringUpAreReported) {
    faults::set("UC_MGR_GetSysInfo", 0);
    console::Capture cap;
    chipsim::reset(board::default_board());
    DEV_SWDRV_OM_Reset();
    DEV_SWDRV_ChipInit();
    EXPECT_EQ(cap.text(), "DEV_SWDRV_ChipInit(): Get UC System Information Fail.\r\n");
    EXPECT_FALSE(chipsim::initialised());
    faults::clear();

    cap.clear();
    chipsim::reset(board::default_board());
    DEV_SWDRV_OM_Reset();
    chipsim::fail("sdkSystemInit", 0x12);
    DEV_SWDRV_ChipInit();
    EXPECT_TRUE(cap.contains("sdkSystemInit(19, 2, 0) returned 0x12\n"));
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_BOARD_ChipInit failed\r\n"));
}

TEST_F(ChipInitTest, FamilyFifteenRunsPorts24And25At1000) {
    board::Description b = board::default_board();
    b.units[0].devices[0].family = 15;
    bring_up(b);
    EXPECT_EQ(state(15).speed, SDK_PORT_SPEED_1000);
    EXPECT_EQ(state(16).speed, SDK_PORT_SPEED_1000);
    EXPECT_TRUE(state(16).serdes_up);
    bring_up(board::default_board());
    EXPECT_EQ(state(15).speed, SDK_PORT_SPEED_10000);
}

}  // namespace
