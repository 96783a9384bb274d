// Trunk-id translation on the two-device board, whose second device keeps the low trunk ids
// for itself: the probe, the remap both ways, and a probe that fails.
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class TrunkIdTest : public SwdrvTest {
  protected:
    void SetUp() override { bring_up(two_device_board()); }
};

TEST_F(TrunkIdTest, PlainDeviceKeepsIdsAndRemapDeviceShiftsThemBothWays) {
    for (uint16_t id : {1, 5, 31})
        EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(0, id, 1), id);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 1, 1), 66);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 5, 1), 74);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 31, 1), 126);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 126, 0), 31);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 66, 0), 1);
    EXPECT_EQ(DEV_SWDRV_OM().trunk_id_mode[0], DEV_SWDRV_TRUNK_ID_PLAIN);
    EXPECT_EQ(DEV_SWDRV_OM().trunk_id_mode[1], DEV_SWDRV_TRUNK_ID_REMAP);

    // The translated ids are the ones the chip takes: members written there read back.
    SDK_TRUNK_MEMBER m[SDK_TRUNK_MAX_MEMBERS] = {{2, 1}};
    uint32_t n = 0;
    EXPECT_EQ(sdkTrunkMembersSet(1, 1, 1, m, 0, nullptr), SDK_BAD_PARAM);
    ASSERT_EQ(sdkTrunkMembersSet(1, DEV_SWDRV_WorkaroundForTrunkId(1, 1, 1), 1, m, 0, nullptr),
              SDK_OK);
    ASSERT_EQ(sdkTrunkTableEntryGet(1, 66, &n, m), SDK_OK);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(m[0].port, 2);
}

TEST_F(TrunkIdTest, FailedProbeLeavesIdUnchangedAndProbesAgain) {
    faults::set("sdkTrunkTableEntryGet", SDK_FAIL, 1);
    console::Capture cap;
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 31, 1), 31);
    EXPECT_NE(cap.text().find("DEV_SWDRV_WorkaroundForTrunkId(): Line = "), std::string::npos);
    EXPECT_NE(cap.text().find("sdkTrunkTableEntryGet failed"), std::string::npos);
    EXPECT_EQ(DEV_SWDRV_OM().trunk_id_mode[1], DEV_SWDRV_TRUNK_ID_UNKNOWN);
    EXPECT_EQ(DEV_SWDRV_WorkaroundForTrunkId(1, 31, 1), 126);
}

TEST_F(TrunkIdTest, ChipRefusesMoreThanEightMembersAndKeepsTheOldList) {
    SDK_TRUNK_MEMBER m[SDK_TRUNK_MAX_MEMBERS + 1] = {};
    for (uint8_t i = 0; i < 9; ++i)
        m[i] = {i, 0};
    ASSERT_EQ(sdkTrunkMembersSet(0, 3, 2, m, 0, nullptr), SDK_OK);
    EXPECT_EQ(sdkTrunkMembersSet(0, 3, 9, m, 0, nullptr), SDK_BAD_PARAM);
    EXPECT_EQ(sdkTrunkMembersSet(0, 3, 5, m, 4, m + 5), SDK_BAD_PARAM);
    uint32_t n = 0;
    ASSERT_EQ(sdkTrunkDbMembersNumGet(0, 3, &n), SDK_OK);
    EXPECT_EQ(n, 2u);
    ASSERT_EQ(sdkTrunkMembersSet(0, 3, 6, m, 2, m + 6), SDK_OK);
    ASSERT_EQ(sdkTrunkDbMembersNumGet(0, 3, &n), SDK_OK);
    EXPECT_EQ(n, 8u);
    ASSERT_EQ(sdkTrunkTableEntryGet(0, 3, &n, m), SDK_OK);
    EXPECT_EQ(n, 6u);  // the disabled members are not in the hardware entry
    EXPECT_EQ(sdkTrunkTableEntryGet(0, SDK_TRUNK_MAX_ID + 1, &n, m), SDK_BAD_PARAM);
}

}  // namespace
