// The simulated cages and modules: images from files and descriptions, the present input,
// QSFP pages, failing transfers, and readings written back through the module's calibration.
#include <cstdio>
#include <string>

#include "sdk/hwsvc/sysdrv_sfp.h"
#include "tests/monitor/monitor_fixture.h"

namespace {

namespace xc = chipsim::xcvr;

std::vector<uint8_t> bytes_of(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// The text `ethtool -m DEV hex on` prints for these bytes.
std::string ethtool_dump(const std::vector<uint8_t>& b) {
    std::string out = "Offset\t\tValues\n------\t\t------";
    char buf[32];
    for (size_t i = 0; i < b.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(buf, sizeof buf, "\n0x%04zx:\t\t", i);
            out += buf;
        }
        std::snprintf(buf, sizeof buf, "%02x ", b[i]);
        out += buf;
    }
    return out + "\n";
}

TEST(XcvrImage, EthtoolHexDumpAndRawBytes) {
    xc::Image img;
    std::string error;
    ASSERT_TRUE(xc::build({}, &img, &error)) << error;
    const std::vector<uint8_t> bytes = xc::join(img);
    ASSERT_EQ(bytes.size(), 512u);
    std::vector<uint8_t> parsed;
    ASSERT_TRUE(xc::parse_file(bytes_of(ethtool_dump(bytes)), &parsed, &error)) << error;
    EXPECT_EQ(parsed, bytes);
    ASSERT_TRUE(xc::parse_file(bytes, &parsed, &error));  // raw bytes stay as they are
    EXPECT_EQ(parsed, bytes);

    EXPECT_FALSE(xc::parse_file(bytes_of("0x0000: 03 04\n0x0020: 00\n"), &parsed, &error));
    EXPECT_NE(error.find("gap"), std::string::npos);
    EXPECT_FALSE(xc::parse_file(bytes_of("0x0000: 03 zz\n"), &parsed, &error));
    EXPECT_NE(error.find("bad byte"), std::string::npos);
}

TEST(XcvrImage, SplitBySizeAndIdentifier) {
    const struct {
        uint8_t id;
        size_t size;
        bool ok;
        size_t a2, page3;
    } cases[] = {
        {3, 256, true, 0, 0},   {3, 512, true, 256, 0},    {3, 100, false, 0, 0},
        {3, 300, false, 0, 0},  {6, 256, true, 0, 0},      {6, 512, false, 0, 0},
        {13, 256, true, 0, 0},  {13, 384, true, 0, 128},   {12, 640, true, 0, 128},
        {12, 512, false, 0, 0}, {0x11, 512, true, 256, 0}, {3, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> b(c.size);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<uint8_t>(i * 7);
        if (!b.empty()) b[0] = c.id;
        xc::Image img;
        std::string error;
        ASSERT_EQ(xc::split(b, &img, &error), c.ok) << int(c.id) << "/" << c.size << " " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(img.a2.size(), c.a2);
        EXPECT_EQ(img.page3.size(), c.page3);
        if (c.page3) {
            EXPECT_EQ(img.page3[0], b[c.size - 128]);  // the last page is page 03
        }
    }
}

TEST(XcvrImage, BuildRefusesWhatDoesNotFit) {
    xc::Image img;
    std::string error;
    xc::Description d;
    d.vendor = "A VENDOR NAME LONGER THAN SIXTEEN";
    EXPECT_FALSE(xc::build(d, &img, &error));
    d = {};
    d.type = "cfp";
    EXPECT_FALSE(xc::build(d, &img, &error));
    d = {};
    d.type = "qsfp";
    d.external_cal = true;
    EXPECT_FALSE(xc::build(d, &img, &error));
}

TEST_F(MonitorTest, ModulesPullThePresentBitsLow) {
    auto reg = [] {
        uint8_t v = 0xEE;
        EXPECT_TRUE(chipsim::board_reg(0x1010, &v));
        return v;
    };
    EXPECT_EQ(reg(), 0x03);
    plug(9, image({}));
    EXPECT_EQ(reg(), 0x02);
    plug(10, image({}));
    EXPECT_EQ(reg(), 0x00);
    EXPECT_TRUE(xc::remove(9));
    EXPECT_EQ(reg(), 0x01);
    EXPECT_FALSE(xc::remove(9));  // already empty
    std::string error;
    EXPECT_FALSE(xc::insert(3, image({}), &error));  // no cage
    EXPECT_NE(error.find("no transceiver cage"), std::string::npos);
    EXPECT_FALSE(xc::insert(11, image({}), &error));  // a cage without present input or bus
}

TEST_F(MonitorTest, QsfpPageSelectThroughTheBoardAccess) {
    xc::Description d;
    d.type = "qsfp";
    plug(10, image(d));
    uint8_t b[2];
    ASSERT_NE(SYSDRV_GetSfpInfo(2, 128, 1, b), 0u);
    EXPECT_EQ(b[0], xc::kIdQsfp);  // page 00: identifier
    const uint8_t page3 = 3, page0 = 0;
    ASSERT_NE(SYSDRV_SetSfpInfo(2, 127, 1, &page3), 0u);
    ASSERT_NE(SYSDRV_GetSfpInfo(2, 128, 2, b), 0u);
    EXPECT_EQ(b[0], 0x46);  // page 03: temperature high alarm 70 C
    EXPECT_EQ(b[1], 0x00);
    ASSERT_NE(SYSDRV_SetSfpInfo(2, 127, 1, &page0), 0u);
    ASSERT_NE(SYSDRV_GetSfpInfo(2, 128, 1, b), 0u);
    EXPECT_EQ(b[0], xc::kIdQsfp);
    EXPECT_EQ(SYSDRV_GetSfpDdmInfo(2, 0, 1, b), 0u);  // one address only
}

TEST_F(MonitorTest, FailedTransfersAreCountedDown) {
    plug(9, image({}));
    ASSERT_TRUE(xc::fail_reads(9, 2, false));
    uint8_t b[1];
    EXPECT_NE(SYSDRV_GetSfpInfo(1, 0, 1, b), 0u);  // A0h is not affected
    EXPECT_EQ(SYSDRV_GetSfpDdmInfo(1, 96, 1, b), 0u);
    EXPECT_EQ(SYSDRV_GetSfpDdmInfo(1, 96, 1, b), 0u);
    EXPECT_NE(SYSDRV_GetSfpDdmInfo(1, 96, 1, b), 0u);
    EXPECT_FALSE(xc::fail_reads(10, 1, false));  // empty cage
}

TEST_F(MonitorTest, ReadingsRoundTripThroughExternalCalibration) {
    xc::Description d;
    d.external_cal = true;
    plug_and_confirm(9, image(d));
    ASSERT_EQ(info()[83], 0xC0);
    ASSERT_TRUE(xc::set_readings(
        9, xc::Readings{xc::kReadTemp | xc::kReadVcc | xc::kReadBias | xc::kReadTx | xc::kReadRx, 0,
                        -20.5, 3.15, 8.4, -4.0, -15.0}));
    SWDRV_MONITOR_PortSfpDdmInfo(1, 1);
    SWDRV_SfpDdmInfo_T m = ddm();
    EXPECT_NEAR(m.measured.temperature, -20.5, 1.0 / 256);
    EXPECT_NEAR(m.measured.voltage, 3.15, 1e-4);
    EXPECT_NEAR(m.measured.bias[0], 8.4, 0.004);
    EXPECT_NEAR(m.measured.tx_power, -4.0, 0.01);
    EXPECT_NEAR(m.measured.rx_power[0], -15.0, 0.01);
    // The raw readings are not the values themselves: the module's constants are applied.
    std::vector<uint8_t> r = raw();
    EXPECT_NE(r[100] << 8 | r[101], 4200);  // 8.4 mA without the bias slope of 2
}

}  // namespace
