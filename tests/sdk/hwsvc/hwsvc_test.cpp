// The platform's hardware services on the two-wire buses: multiplexed devices, the bus index,
// board registers and the hardware configuration.
#include <atomic>
#include <thread>

#include "platform/components/calllog.h"
#include "sdk/hwsvc/i2cdrv.h"
#include "sdk/hwsvc/physical_addr_access.h"
#include "sdk/hwsvc/sys_hwcfg.h"
#include "tests/sdk/chipsim/support/chip_fixture.h"
#include "tests/support/test_instance.h"

namespace {

// The hardware services record their calls in the instance's call log: a private instance
// keeps each test's record its own and removes it afterwards.
class HwsvcTest : public ChipTest {
    testing_support::TestInstance instance_;
};

bool sdk_write(uint8_t slave, uint8_t, uint8_t valid, uint32_t offset, uint8_t wide,
               const uint8_t* data, uint32_t len) {
    return sdkTwsiDataWrite(slave, 0, valid, offset, wide, data, len) == SDK_OK;
}

TEST_F(HwsvcTest, DevicesBehindAMultiplexerAnswerOnlyOnTheirChannel) {
    ASSERT_EQ(sdkTwsiInit(), SDK_OK);
    uint8_t v = 0x5A;
    EXPECT_FALSE(I2CDRV_TwsiDataWriteWithBusIdx(0, 0x22, 0, 1, 0, 0, &v, 1));
    ASSERT_TRUE(I2CDRV_SetAndLockMuxWithFunPtr(0x70, 2, sdk_write));
    EXPECT_EQ(chipsim::mux_channels(0, 0x70), 0x04);
    EXPECT_TRUE(I2CDRV_TwsiDataWriteWithBusIdx(0, 0x22, 0, 1, 0, 0, &v, 1));
    // A second user waits until the first releases the multiplexer.
    std::atomic<bool> second{false};
    std::thread t([&] {
        I2CDRV_SetAndLockMuxWithFunPtr(0x70, 1, sdk_write);
        second = true;
        I2CDRV_UnLockMuxWithFunPtr(0x70, sdk_write);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(second);
    EXPECT_TRUE(I2CDRV_UnLockMuxWithFunPtr(0x70, sdk_write));
    t.join();
    EXPECT_TRUE(second);
    EXPECT_EQ(chipsim::mux_channels(0, 0x70), 0);
    EXPECT_FALSE(I2CDRV_UnLockMuxWithFunPtr(0x70, sdk_write));  // not held
    uint8_t byte = 0;
    chipsim::twsi_byte(0, 0x22, 0, &byte);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_TRUE(calllog::received("I2CDRV", "I2CDRV_SetAndLockMuxWithFunPtr(0x70, 2)"));
}

TEST_F(HwsvcTest, BusIndexAndBoardRegisters) {
    uint8_t v = 0x81, r = 0;
    ASSERT_TRUE(I2CDRV_TwsiDataWriteWithBusIdx(1, 0x21, 0, 1, 3, 0, &v, 1));
    ASSERT_TRUE(I2CDRV_TwsiDataReadWithBusIdx(1, 0x21, 0, 1, 3, 0, 1, &r));
    EXPECT_EQ(r, 0x81);
    EXPECT_FALSE(I2CDRV_TwsiDataReadWithBusIdx(0, 0x21, 0, 1, 3, 0, 1, &r));  // other bus
    ASSERT_TRUE(PHYSICAL_ADDR_ACCESS_Write(0x1000, 1, 1, &v));
    r = 0;
    ASSERT_TRUE(PHYSICAL_ADDR_ACCESS_Read(0x1000, 1, 1, &r));
    EXPECT_EQ(r, 0x81);
    EXPECT_FALSE(PHYSICAL_ADDR_ACCESS_Read(0x2000, 1, 1, &r));
    EXPECT_FALSE(PHYSICAL_ADDR_ACCESS_Write(0x1000, 1, 2, &v));  // runs past the register
    EXPECT_FALSE(PHYSICAL_ADDR_ACCESS_Read(0x1000, 4, 1, &r));
}

TEST_F(HwsvcTest, HardwareConfigurationDescribesSfpTransmitters) {
    SYS_HWCFG_SfpTxDisableRegInfo_T info;
    EXPECT_FALSE(SYS_HWCFG_GetSFPTxDisableRegInfo(0, 1, &info));  // copper port
    ASSERT_TRUE(SYS_HWCFG_GetSFPTxDisableRegInfo(0, 11, &info));
    EXPECT_EQ(info.access_method, SYS_HWCFG_SFP_TX_ACCESS_TWSI_MUX);
    EXPECT_EQ(info.mux_addr, 0x70);
    EXPECT_EQ(info.mux_channel, 2);
    EXPECT_EQ(info.dev_addr, 0x22);
    EXPECT_EQ(info.bit_mask, 0x10);
    ASSERT_TRUE(SYS_HWCFG_GetSFPTxDisableRegInfo(0, 12, &info));
    EXPECT_EQ(info.access_method, SYS_HWCFG_SFP_TX_ACCESS_PHYS_ADDR);
    EXPECT_EQ(info.offset, 0x1000u);
    ASSERT_TRUE(SYS_HWCFG_GetSFPTxDisableRegInfo(0, 14, &info));
    EXPECT_EQ(info.access_method, 7);
    EXPECT_FALSE(SYS_HWCFG_GetSFPTxDisableRegInfo(5, 11, &info));  // unknown board
}

}  // namespace
