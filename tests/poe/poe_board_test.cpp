// The PoE controllers on the board: the board-file line, byte transfers on the bus, and
// the power-good status for the switch driver.
#include "platform/components/faults.h"
#include "sdk/hwsvc/i2cdrv.h"
#include "tests/poe/poe_fixture.h"
#include "tests/support/test_instance.h"

namespace poe_test {
namespace {

constexpr const char* kHead =
    "unit id=1 board_id=0\ndevice id=0 hwdevnum=0 family=12 ports=0-3\n"
    "port n=1 device=0 devport=0 type=ge if=gmii\n";

TEST(PoeBoardFile, TheLineDescribesTheControllers) {
    board::Description d;
    std::string error;
    ASSERT_TRUE(
        board::parse(std::string(kHead) + "poe bus=3 count=3 ports=12 addr=0x40", &d, &error))
        << error;
    const board::PoeControllers& p = d.my().poe;
    EXPECT_EQ(p.bus, 3);
    EXPECT_EQ(p.ports_per_device, 12);
    EXPECT_EQ(p.budget_watts, 60);
    EXPECT_EQ(p.addrs, (std::vector<uint8_t>{0x40, 0x41, 0x42}));
    ASSERT_TRUE(board::parse(
        std::string(kHead) + "poe bus=1 count=2 ports=4 addr=0x33,0x20 budget=370", &d, &error))
        << error;
    EXPECT_EQ(d.my().poe.addrs, (std::vector<uint8_t>{0x33, 0x20}));
    EXPECT_EQ(d.my().poe.budget_watts, 370);

    const char* bad[] = {
        "poe bus=1 count=9 ports=4 addr=0x30",            // more than 8 devices
        "poe bus=1 count=5 ports=24 addr=0x30",           // 120 ports
        "poe bus=1 count=2 ports=4 addr=0x30,0x31,0x32",  // count and addresses disagree
        "poe bus=1 count=2 ports=0 addr=0x30",
        "poe bus=1 count=2 ports=4 addr=0x7f",  // 0x80 does not exist
        "poe bus=1 count=1 ports=4",            // no address
        "twsi bus=1 addr=0x30\npoe bus=1 count=1 ports=4 addr=0x30",
        "poe bus=1 count=1 ports=4 addr=0x30\npoe bus=1 count=1 ports=4 addr=0x50",
        "poe bus=1 count=2 ports=4 addr=0x30\ntwsi bus=1 addr=0x31",
    };
    for (const char* line : bad)
        EXPECT_FALSE(board::parse(std::string(kHead) + line, &d, &error)) << line;
}

TEST_F(PoeTest, RegistersTravelHighByteFirstAndLoneBytesChangeTheirHalf) {
    const uint8_t addr = 0x30;
    uint8_t b[4];
    ASSERT_TRUE(bus_read(addr, POE_REG_DEVICE_ID, b, 2));
    EXPECT_EQ(b[0], 0x50);
    EXPECT_EQ(b[1], 0x08);
    ASSERT_TRUE(bus_read(addr, POE_REG_DEVICE_ID + 1, b, 1));  // an odd address: the low byte
    EXPECT_EQ(b[0], 0x08);
    const uint8_t limits[] = {0x00, 0x64, 0x00, 0xC8};  // channels 0 and 1 in one transfer
    ASSERT_TRUE(bus_write(addr, POE_REG_CH_LIMIT, limits, 4));
    EXPECT_EQ(reg(0, POE_REG_CH_LIMIT), 100);
    EXPECT_EQ(reg(0, POE_REG_CH_LIMIT + 2), 200);
    const uint8_t low = 0x2C;
    ASSERT_TRUE(bus_write(addr, POE_REG_CH_LIMIT + 1, &low, 1));
    EXPECT_EQ(reg(0, POE_REG_CH_LIMIT), 0x002C);
    // Read-only registers keep their value; a register with no meaning is plain storage.
    const uint8_t v[] = {0x12, 0x34};
    ASSERT_TRUE(bus_write(addr, POE_REG_DEVICE_ID, v, 2));
    EXPECT_EQ(reg(0, POE_REG_DEVICE_ID), 0x5008);
    ASSERT_TRUE(bus_write(addr, 0x2000, v, 2));
    EXPECT_EQ(reg(0, 0x2000), 0x1234);
    // Channels the device does not have are not there.
    EXPECT_FALSE(chipsim::poe::attach(17, 3, 0));
    EXPECT_FALSE(chipsim::poe::attach(0, 3, 0));
    EXPECT_FALSE(chipsim::poe::attach(1, 5, 0));
}

class PoePowerGood : public PoeTest {
    testing_support::TestInstance instance_;
};

TEST_F(PoePowerGood, ReadsThePortsBitAndSaysWhyItCannot) {
    ASSERT_TRUE(chipsim::poe::attach(10, 2, 0));  // device 1, channel 1
    bool good = false;
    ASSERT_TRUE(SWDRV_MONITOR_PDPortPowerStatus(9, &good));
    EXPECT_TRUE(good);
    ASSERT_TRUE(SWDRV_MONITOR_PDPortPowerStatus(8, &good));
    EXPECT_FALSE(good);
    EXPECT_FALSE(SWDRV_MONITOR_PDPortPowerStatus(16, &good));
    EXPECT_TRUE(console_.contains("SWDRV_MONITOR_PDPortPowerStatus("));
    EXPECT_TRUE(console_.contains("): Failed to get Power Good Status Register info.\r\n"));
    ASSERT_TRUE(chipsim::poe::set_fault(1, chipsim::poe::Fault::kSilent));
    EXPECT_FALSE(SWDRV_MONITOR_PDPortPowerStatus(9, &good));
    EXPECT_TRUE(console_.contains("): I2C read error.\r\n"));
    faults::set("STKTPLG_OM_GetUnitBoardID", 0);
    EXPECT_FALSE(SWDRV_MONITOR_PDPortPowerStatus(1, &good));
    EXPECT_TRUE(console_.contains("): Failed to get my board id.\r\n"));
    faults::set("STKTPLG_OM_GetMyUnitID", 0);
    EXPECT_FALSE(SWDRV_MONITOR_PDPortPowerStatus(1, &good));
    EXPECT_TRUE(console_.contains("): Failed to get my unit id.\r\n"));
    faults::clear();
}

}  // namespace
}  // namespace poe_test
