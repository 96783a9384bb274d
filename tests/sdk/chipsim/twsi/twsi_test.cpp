// The chip's TWSI master on the simulated two-wire buses: transfers, offsets and failures.
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

TEST_F(ChipTest, TwsiTransfersOffsetsAndFailures) {
    uint8_t b[4] = {1, 2, 3, 4}, r[4] = {};
    EXPECT_EQ(sdkTwsiDataWrite(0x20, 0, 1, 4, 0, b, 4), SDK_BAD_STATE);  // not initialised
    ASSERT_EQ(sdkTwsiInit(), SDK_OK);
    ASSERT_EQ(sdkTwsiDataWrite(0x20, 0, 1, 4, 0, b, 4), SDK_OK);
    ASSERT_EQ(sdkTwsiDataRead(0x20, 0, 1, 5, 0, 2, r), SDK_OK);
    EXPECT_EQ(r[0], 2);
    EXPECT_EQ(r[1], 3);
    ASSERT_EQ(sdkTwsiDataRead(0x20, 0, 0, 0, 0, 1, r), SDK_OK);  // continues where it stopped
    EXPECT_EQ(r[0], 4);
    uint32_t reg = 0;
    ASSERT_EQ(sdkTwsiRegisterWrite(0x20, 0x10, 0xA1B2C3D4), SDK_OK);
    ASSERT_EQ(sdkTwsiRegisterRead(0x20, 0x10, &reg), SDK_OK);
    EXPECT_EQ(reg, 0xA1B2C3D4u);
    uint8_t byte = 0;
    chipsim::twsi_byte(0, 0x20, 0x10, &byte);
    EXPECT_EQ(byte, 0xA1);                                         // big-endian on the bus
    EXPECT_EQ(sdkTwsiDataRead(0x55, 0, 1, 0, 0, 1, r), SDK_FAIL);  // nobody there
    ASSERT_TRUE(chipsim::twsi_fail_next(0, 0x20, 2));
    EXPECT_EQ(sdkTwsiDataRead(0x20, 0, 1, 5, 0, 1, r), SDK_FAIL);
    EXPECT_EQ(sdkTwsiDataRead(0x20, 0, 1, 5, 0, 1, r), SDK_FAIL);
    EXPECT_EQ(sdkTwsiDataRead(0x20, 0, 1, 5, 0, 1, r), SDK_OK);
}

}  // namespace
