// Administrative enable: the chip port, the PHY of every class and the SFP transmitter
// through every access method; concurrent enable and disable.
#include <thread>
#include <vector>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

using PortAdminTest = SwdrvTest;

TEST_F(PortAdminTest, EnableAndDisableACopperPort) {
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 1));
    EXPECT_TRUE(state(1).enabled);
    EXPECT_FALSE(phy(1, 0, 0) & 0x0800);
    EXPECT_TRUE(link_up(1));
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 1));
    EXPECT_FALSE(state(1).enabled);
    EXPECT_TRUE(phy(1, 0, 0) & 0x0800);
    EXPECT_FALSE(link_up(1));
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(2, 1));  // no such unit
}

TEST_F(PortAdminTest, TenGigPhyUsesTransmitterDisableBits) {
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 15));
    EXPECT_EQ(c45(15, 1, 9) & 1, 0);
    EXPECT_EQ(c45(15, 1, 0xC309) & 0x2000, 0);
    EXPECT_EQ(twsi(0, 0x20, 0) & 0x02, 0);  // its SFP+ transmitter is on
    EXPECT_TRUE(link_up(15));
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 15));
    EXPECT_EQ(c45(15, 1, 9) & 1, 1);
    EXPECT_EQ(c45(15, 1, 0xC309) & 0x2000, 0x2000);
    EXPECT_EQ(twsi(0, 0x20, 0) & 0x02, 0x02);
}

TEST_F(PortAdminTest, SfpTransmitterThroughEveryAccessMethod) {
    chipsim::twsi_poke(0, 0x20, 0, 0x80);  // another bit of the same register stays as it is
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 9));  // chip two-wire bus
    EXPECT_EQ(twsi(0, 0x20, 0), 0x81);
    EXPECT_TRUE(phy(9, 1, 0) & 0x0800);
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 9));
    EXPECT_EQ(twsi(0, 0x20, 0), 0x80);
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 10));  // I2C bus 1
    EXPECT_EQ(twsi(1, 0x21, 0), 0x01);
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 11));  // behind the multiplexer
    EXPECT_EQ(twsi(0, 0x22, 0), 0x10);
    EXPECT_EQ(chipsim::mux_channels(0, 0x70), 0);  // released
    uint8_t reg = 0;
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 12));  // board register
    ASSERT_TRUE(chipsim::board_reg(0x1000, &reg));
    EXPECT_EQ(reg, 0x08);
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 12));
    chipsim::board_reg(0x1000, &reg);
    EXPECT_EQ(reg, 0x00);
    EXPECT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 13));  // not controllable
    console::Capture cap;
    EXPECT_TRUE(DEV_SWDRV_SetPortSfpTxEnable(1, 14, false));  // unknown method
    EXPECT_TRUE(cap.contains("DEV_SWDRV_SetPortSfpTxEnable("));
    EXPECT_TRUE(cap.contains(")Unknown access method(val=7)\r\n"));
    EXPECT_TRUE(DEV_SWDRV_SetPortSfpTxEnable(1, 1, false));  // a copper port has none
}

TEST_F(PortAdminTest, SfpFailureStopsTheEnableAndReportsIt) {
    chipsim::twsi_fail_next(0, 0x20, 11);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(1, 9));
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_SetPortSfpTxDisable failed\r\n"));
    EXPECT_TRUE(state(9).enabled);  // the steps done stay done
    board::Description b = board::default_board();
    b.units[0].ports[8].tx.data_len = 2;
    bring_up(b);
    console::Capture after;
    EXPECT_FALSE(DEV_SWDRV_SetPortSfpTxEnable(1, 9, true));
    EXPECT_TRUE(after.contains(":Only support data len=1 on i2c.(current val=2)\r\n"));
}

TEST_F(PortAdminTest, AllPortAdminWalksEveryFrontPort) {
    ASSERT_TRUE(DEV_SWDRV_EnableAllPortAdmin());
    for (uint32_t front = 1; front <= 16; ++front) {
        SCOPED_TRACE(front);
        EXPECT_TRUE(state(front).enabled);
        EXPECT_TRUE(link_up(front));
    }
    chipsim::fail("sdkPortEnableSet", SDK_FAIL, 1, 3);
    EXPECT_FALSE(DEV_SWDRV_DisableAllPortAdmin());
    EXPECT_FALSE(state(3).enabled);
    EXPECT_TRUE(state(4).enabled);  // the walk ended at the failure
}

// Enable and disable from several threads: each thread owns some ports and all of them
// toggle port 1; every thread ends with a disable, so every port must end disabled in the
// chip, the PHY and the SFP transmitter, with the locks free.
TEST_F(PortAdminTest, ConcurrentEnableAndDisableLeaveTheChipConsistent) {
    constexpr int kThreads = 4, kRounds = 25;
    const uint32_t owned[kThreads][2] = {{2, 9}, {3, 11}, {6, 12}, {10, 15}};
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r)
                for (uint32_t port : {owned[t][0], owned[t][1], 1u})
                    if (!DEV_SWDRV_EnablePortAdmin(1, port) || !DEV_SWDRV_DisablePortAdmin(1, port))
                        ++failures;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    for (uint32_t front : {1, 2, 3, 6, 9, 10, 11, 12, 15}) {
        SCOPED_TRACE(front);
        EXPECT_FALSE(state(front).enabled);
        EXPECT_FALSE(link_up(front));
    }
    EXPECT_TRUE(phy(1, 0, 0) & 0x0800);
    EXPECT_TRUE(phy(11, 1, 0) & 0x0800);
    EXPECT_EQ(twsi(0, 0x20, 0) & 0x03, 0x03);
    EXPECT_EQ(twsi(0, 0x22, 0), 0x10);
    EXPECT_EQ(DEV_SWDRV_OM().phy_lock_depth, 0);
    EXPECT_TRUE(state(1).smi_polling);
    EXPECT_EQ(SYSFUN_TakeSem(twsi_sem_, SYSFUN_TIMEOUT_NOWAIT), SYSFUN_OK);
}

}  // namespace
