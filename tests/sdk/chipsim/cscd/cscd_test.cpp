// The device map (cascade) table and the table sizes the chip reports.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

TEST_F(ChipTest, DeviceMapAndTableSizes) {
    uint32_t size = 0;
    ASSERT_EQ(sdkCfgTableNumEntriesGet(0, SDK_CFG_TABLE_DEVICE_MAP, &size), SDK_OK);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(sdkCfgTableNumEntriesGet(0, 99, &size), SDK_BAD_PARAM);
    SDK_CSCD_LINK link{7, SDK_CSCD_LINK_TYPE_TRUNK};
    ASSERT_EQ(sdkCscdDevMapTableSet(0, 3, &link, true), SDK_OK);
    EXPECT_EQ(sdkCscdDevMapTableSet(0, 32, &link, true), SDK_OUT_OF_RANGE);
    SDK_CSCD_LINK got{};
    bool hash = false;
    ASSERT_EQ(sdkCscdDevMapTableGet(0, 3, &got, &hash), SDK_OK);
    EXPECT_EQ(got.linkNum, 7u);
    EXPECT_EQ(got.linkType, SDK_CSCD_LINK_TYPE_TRUNK);
    EXPECT_TRUE(hash);
}

}  // namespace
