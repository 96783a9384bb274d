// Spanning tree on the chip model: the mode change, port states per instance with the state
// mapping, and VLANs bound to instances.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

using StpTest = VlanTest;

uint32_t state_of(uint8_t dev, uint8_t port, uint32_t group) {
    return chipsim::stp(dev).state[group][port];
}

TEST_F(StpTest, MultipleInstanceModeBlocksEveryFrontPortInAllGroupsButNotTheStackingLinks) {
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_SetSTAMode(2));
    for (uint32_t front = 1; front <= 16; ++front)
        for (uint32_t g = 0; g < SDK_STP_GROUPS; ++g)
            ASSERT_EQ(state_of(at(front).first, dp(front), g), SDK_STP_BLOCKING)
                << front << " " << g;
    for (auto [dev, port] : {std::pair<uint8_t, uint8_t>{0, 24}, {1, 23}, {1, 24}, {1, 25}})
        EXPECT_EQ(state_of(dev, port, 5), SDK_STP_FORWARDING) << int(dev) << "/" << int(port);
    EXPECT_EQ(DEV_SWDRV_OM().sta_mode, 2u);
}

TEST_F(StpTest, TheSameModeAgainChangesNothing) {
    ASSERT_TRUE(DEV_SWDRV_SetSTAMode(2));
    ASSERT_TRUE(DEV_SWDRV_SetPortSTAStateWithMstidx(3, 1, 1, 5));
    chipsim::Stp before = chipsim::stp(0);
    ASSERT_TRUE(DEV_SWDRV_SetSTAMode(2));
    EXPECT_TRUE(chipsim::stp(0) == before);
}

TEST_F(StpTest, SingleTreeModeBindsEveryVlanToGroupZeroAndBlocksGroupZero) {
    ASSERT_TRUE(DEV_SWDRV_SetSTAMode(2));
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(40));
    ASSERT_TRUE(DEV_SWDRV_AddVlanToSTAWithMstidx(40, 7));
    EXPECT_EQ(entry(40).info.stgId, 7u);
    ASSERT_TRUE(DEV_SWDRV_SetPortSTAStateWithMstidx(0, 1, 2, 5));
    ASSERT_TRUE(DEV_SWDRV_SetPortSTAStateWithMstidx(7, 1, 2, 5));
    ASSERT_TRUE(DEV_SWDRV_SetSTAMode(1));
    EXPECT_EQ(entry(40).info.stgId, 0u);
    EXPECT_EQ(state_of(0, dp(2), 0), SDK_STP_BLOCKING);
    EXPECT_EQ(state_of(0, dp(2), 7), SDK_STP_FORWARDING);  // other groups as they were
}

TEST_F(StpTest, BridgeMibStatesMapToChipStatesAndListeningIsBlocking) {
    const uint32_t expect[] = {0,
                               SDK_STP_DISABLED,
                               SDK_STP_BLOCKING,
                               SDK_STP_BLOCKING,
                               SDK_STP_LEARNING,
                               SDK_STP_FORWARDING};
    for (uint32_t s = 1; s <= 5; ++s) {
        ASSERT_TRUE(DEV_SWDRV_SetPortSTAStateWithMstidx(4, 1, 3, s));
        EXPECT_EQ(state_of(0, dp(3), 4), expect[s]) << s;
    }
    ASSERT_TRUE(DEV_SWDRV_SetPortSTAStateWithMstidx(31, 1, 3, 3));
    EXPECT_EQ(state_of(0, dp(3), 31), SDK_STP_BLOCKING);
}

TEST_F(StpTest, InvalidStatesInstancesAndPortsTouchNothing) {
    chipsim::fail("sdkBrgStpStateSet", SDK_FAIL, 100);  // any call would be seen
    console::Capture cap;
    for (uint32_t s : {0u, 6u, 0xFFFFFFFFu})
        EXPECT_FALSE(DEV_SWDRV_SetPortSTAStateWithMstidx(1, 1, 1, s));
    EXPECT_TRUE(cap.contains(" , invalid spanning-tree state\r\n"));
    EXPECT_FALSE(cap.contains("error_id="));
    chipsim::clear_faults();
    chipsim::Stp before = chipsim::stp(0);
    EXPECT_FALSE(DEV_SWDRV_SetPortSTAStateWithMstidx(32, 1, 1, 5));
    EXPECT_FALSE(DEV_SWDRV_SetPortSTAStateWithMstidx(1, 0, 1, 5));
    EXPECT_FALSE(DEV_SWDRV_SetPortSTAStateWithMstidx(1, 1, 17, 5));
    EXPECT_FALSE(DEV_SWDRV_AddVlanToSTAWithMstidx(10, 32));
    EXPECT_FALSE(DEV_SWDRV_AddVlanToSTAWithMstidx(4095, 1));
    EXPECT_TRUE(chipsim::stp(0) == before);
}

TEST_F(StpTest, DeletingAVlanFromItsInstanceBindsItToGroupZero) {
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(12));
    ASSERT_TRUE(DEV_SWDRV_AddVlanToSTAWithMstidx(12, 9));
    EXPECT_EQ(entry(12, 1).info.stgId, 9u);
    ASSERT_TRUE(DEV_SWDRV_DeleteVlanFromSTAWithMstidx(12));
    EXPECT_EQ(entry(12, 0).info.stgId, 0u);
    EXPECT_EQ(entry(12, 1).info.stgId, 0u);
}

}  // namespace
