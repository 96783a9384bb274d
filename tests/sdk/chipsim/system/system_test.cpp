// Bring-up of the chip: devices appear only after system init, board parameters and
// set-up options, and the address messages of a renumbering.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

TEST(ChipBringUp, DevicesAppearOnlyAfterSystemInit) {
    chipsim::reset(board::default_board());
    bool en;
    EXPECT_EQ(sdkPortEnableGet(0, 0, &en), SDK_NOT_PRESENT);
    EXPECT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_BAD_STATE);  // no OS layer yet
    ASSERT_EQ(sdkOsLayerInit(), SDK_OK);
    EXPECT_EQ(sdkSystemInit(7, 2, 0), SDK_NOT_FOUND);
    EXPECT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 3, 0), SDK_BAD_PARAM);
    EXPECT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_OK);
    EXPECT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_BAD_STATE);
    uint8_t first = 9, count = 0;
    EXPECT_EQ(sdkCfgDevCountGet(&first, &count), SDK_OK);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(count, 1);
    SDK_DEV_INFO info;
    ASSERT_EQ(sdkCfgDevInfoGet(0, &info), SDK_OK);
    EXPECT_EQ(info.familyCode, 12u);
    EXPECT_TRUE(sdkPortsBmpIsMember(info.existingPorts, 24));
    EXPECT_FALSE(sdkPortsBmpIsMember(info.existingPorts, 20));
    EXPECT_EQ(sdkCfgDevInfoGet(1, &info), SDK_NOT_PRESENT);
}

TEST(ChipBringUp, BoardParametersAndPhaseTwoOption) {
    chipsim::reset(board::default_board());
    ASSERT_EQ(sdkOsLayerInit(), SDK_OK);
    ASSERT_EQ(sdkBoardParamSet("rx_desc_count", 512), SDK_OK);
    ASSERT_EQ(sdkBoardSetupOptionSet(SDK_BOARD_OPT_PHASE2_NETIF_INIT, false), SDK_OK);
    ASSERT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_OK);
    EXPECT_FALSE(chipsim::netif_up(0));
    uint32_t v = 0;
    EXPECT_EQ(sdkBoardParamGet("rx_desc_count", &v), SDK_OK);
    EXPECT_EQ(v, 512u);
    EXPECT_EQ(sdkBoardParamGet("no_such_param", &v), SDK_NOT_FOUND);

    chipsim::reset(board::default_board());  // option left at its default
    ASSERT_EQ(sdkOsLayerInit(), SDK_OK);
    ASSERT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_OK);
    EXPECT_TRUE(chipsim::netif_up(0));
}

TEST_F(ChipTest, RenumberingWithAddressMessagesOnLeavesStaleMessages) {
    uint8_t p = dp(1);
    ASSERT_EQ(chipsim::hw_dev_num(0), 0);
    chipsim::set_address_traffic(0, p, true);
    ASSERT_EQ(sdkCfgHwDevNumSet(0, 5), SDK_OK);  // messages off: nothing in flight
    EXPECT_TRUE(chipsim::au_messages(0).empty());
    ASSERT_EQ(sdkBrgFdbNaToCpuPerPortSet(0, p, true), SDK_OK);
    ASSERT_EQ(sdkCfgHwDevNumSet(0, 6), SDK_OK);
    std::vector<chipsim::AuMessage> msgs = chipsim::au_messages(0);
    ASSERT_EQ(msgs.size(), 2u);  // a new-address and a transplanted message
    EXPECT_EQ(msgs[0].type, chipsim::kAuNewAddress);
    EXPECT_EQ(msgs[0].hw_dev_num, 5);
    EXPECT_EQ(msgs[0].port, p);
    EXPECT_EQ(msgs[1].type, chipsim::kAuAgedTransplanted);
    EXPECT_EQ(chipsim::hw_dev_num(0), 6);
    EXPECT_EQ(sdkCfgHwDevNumSet(0, 32), SDK_OUT_OF_RANGE);
}

}  // namespace
