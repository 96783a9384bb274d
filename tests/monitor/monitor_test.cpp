// The monitor on the simulated cages: debounce, identification of each module type, the
// diagnostics steps and their failures, and what it does with bad modules and bad cages.
#include "platform/console/console.h"
#include "sdk/chipsim/twsi/board_io.h"
#include "sdk/hwsvc/sysdrv_sfp.h"
#include "tests/monitor/monitor_fixture.h"

namespace {

namespace xc = chipsim::xcvr;

TEST_F(MonitorTest, PresentOnlyAfterTheDelayThenInsertedAndRemoved) {
    present_delay(100000);
    plug(kPort, image({}));
    poll(5);
    EXPECT_FALSE(present());
    EXPECT_EQ(call_at("SWDRV_SfpInserted"), -1);

    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_PRESENT);
    present_delay(0);
    console::Capture cap;
    poll(1);
    EXPECT_TRUE(present());
    EXPECT_TRUE(valid());
    EXPECT_TRUE(cap.contains("unit:1, port: 9: status changes to present\r\n"));
    const int stored = call_at("SWDRV_OM_SetPortSfpPresent(1, 1, 1)");
    const int announced = call_at("SWDRV_Notify_PortSfpInfo(1, 1, id=0x03");
    const int inserted = call_at("SWDRV_SfpInserted(1, 1)");
    ASSERT_GE(stored, 0);
    EXPECT_GT(announced, stored);
    EXPECT_GT(inserted, announced);
    uint8_t bitmap[SWDRV_SFP_PRESENT_BITMAP_SIZE];
    ASSERT_TRUE(SWDRV_OM_GetPortSfpPresentStatusBitmaps(1, bitmap));
    EXPECT_EQ(bitmap[2], 0x00);
    EXPECT_EQ(bitmap[3], 0x80);  // port 9: byte 2 + 1, bit 0x80 >> 0

    // Pulled out: reported at the next poll, and nothing of it is kept.
    ASSERT_TRUE(xc::remove(kPort));
    poll(1);
    EXPECT_FALSE(present());
    EXPECT_FALSE(valid());
    EXPECT_GE(call_at("SWDRV_SfpRemoved(1, 1)"), 0);
    EXPECT_TRUE(cap.contains("unit:1, port: 9: status changes to not present\r\n"));
    EXPECT_EQ(info(), std::vector<uint8_t>(SWDRV_SFP_INFO_SIZE, 0));
    EXPECT_EQ(raw(), std::vector<uint8_t>(SWDRV_SFP_DDM_RAW_SIZE, 0));
    EXPECT_EQ(ddm().measured.temperature, 0.0f);
    ASSERT_TRUE(SWDRV_OM_GetPortSfpPresentStatusBitmaps(1, bitmap));
    EXPECT_EQ(bitmap[3], 0x00);
}

TEST_F(MonitorTest, ASignalThatComesAndGoesStartsTheDelayAgain) {
    present_delay(100000);
    plug(kPort, image({}));
    poll(1);  // seen
    ASSERT_TRUE(xc::remove(kPort));
    poll(1);  // gone: forgotten
    present_delay(0);
    plug(kPort, image({}));
    poll(1);  // seen again, not yet confirmed
    EXPECT_FALSE(present());
    poll(1);
    EXPECT_TRUE(present());
}

TEST_F(MonitorTest, QuietWithoutDebugFlagsAndForcedReportWithoutModule) {
    console::Capture cap;
    plug_and_confirm(kPort, image({}));
    ASSERT_TRUE(present());
    EXPECT_EQ(cap.text(), "");
    ASSERT_TRUE(xc::remove(kPort));
    poll(1);
    // A forced poll reports the (unchanged) state again.
    calllog::clear();
    SWDRV_MONITOR_PortSfpPresent(kPort, true);
    EXPECT_GE(call_at("SWDRV_OM_SetPortSfpPresent(1, 1, 0)"), 0);
    EXPECT_GE(call_at("SWDRV_SfpRemoved(1, 1)"), 0);
}

TEST_F(MonitorTest, SfpIdentificationRecord) {
    xc::Description d;
    d.vendor = "ACME OPTICS";
    d.pn = "AO-1310-10";
    d.serial = "SN1234";
    d.rev = "B1";
    d.date = "251224";
    d.wavelength_nm = 1310;
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
    console::Capture cap;
    plug_and_confirm(kPort, image(d));
    ASSERT_TRUE(valid());
    std::vector<uint8_t> r = info();
    EXPECT_EQ(r[1], 3);
    EXPECT_EQ(r[2], 0x07);
    EXPECT_EQ(r[6], 0x02);  // EEPROM 6 of the transceiver codes
    EXPECT_EQ(r[11], 13);
    EXPECT_EQ(r[12], 10);
    EXPECT_EQ(r[13], 100);
    EXPECT_EQ(field(r, 14, 16), "ACME OPTICS     ");
    EXPECT_EQ(r[30], 0);
    EXPECT_EQ(r[31], 0x00);
    EXPECT_EQ(r[32], 0x12);
    EXPECT_EQ(r[33], 0xcf);
    EXPECT_EQ(field(r, 34, 16), "AO-1310-10      ");
    EXPECT_EQ(r[50], 0);
    EXPECT_EQ(field(r, 51, 4), "B1  ");
    EXPECT_EQ(r[55], 0);
    EXPECT_EQ(r[56], 0x05);  // 1310 = 0x051E
    EXPECT_EQ(r[57], 0x1E);
    EXPECT_EQ(field(r, 58, 16), "SN1234          ");
    EXPECT_EQ(r[74], 0);
    EXPECT_EQ(field(r, 75, 8), "251224  ");
    EXPECT_EQ(r[83], 0x40);
    EXPECT_EQ(r[84], 0);
    EXPECT_TRUE(cap.contains("SWDRV_MONITOR_SfpInfoParsing(") &&
                cap.contains("): SFP 1 Diagnostic Monitoring Type: 0x68\r\n"));
    EXPECT_GE(call_at("SWDRV_Notify_PortSfpDdmInfo(1, 1"), 0);
}

TEST_F(MonitorTest, SfpFlagsWavelengthOfCopperCablesAndNoDiagnostics) {
    const struct {
        const char* what;
        uint8_t byte8, byte92;
        uint8_t flags;
        bool wavelength;
    } cases[] = {{"optical, internal", 0x00, 0x68, 0x40, true},
                 {"optical, external", 0x00, 0x58, 0xC0, true},
                 {"passive copper cable", 0x04, 0x68, 0x40, false},
                 {"active copper cable", 0x08, 0x68, 0x40, false},
                 {"no diagnostics", 0x00, 0x10, 0x00, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        xc::Image img = image({});
        img.a0[8] = c.byte8;
        img.a0[92] = c.byte92;
        calllog::clear();
        plug_and_confirm(kPort, img);
        ASSERT_TRUE(valid());
        std::vector<uint8_t> r = info();
        EXPECT_EQ(r[83], c.flags);
        EXPECT_EQ(r[56] << 8 | r[57], c.wavelength ? 1310 : 0);
        EXPECT_EQ(call_at("SWDRV_Notify_PortSfpDdmInfo(") >= 0, (c.flags & 0x40) != 0);
        EXPECT_GE(call_at("SWDRV_Notify_PortSfpInfo("), 0);
        ASSERT_TRUE(xc::remove(kPort));
        poll(1);
    }
}

TEST_F(MonitorTest, XfpIdentificationFromTheUpperPage) {
    xc::Description d;
    d.type = "xfp";
    d.vendor = "XV";
    d.pn = "XP-10G-ER";
    d.rev = "C";
    d.wavelength_nm = 1550;
    d.readings.temp_c = 47.25;
    d.readings.vcc_v = 3.25;
    plug_and_confirm(kPort, image(d));
    ASSERT_TRUE(valid());
    std::vector<uint8_t> r = info();
    EXPECT_EQ(r[1], 6);
    EXPECT_EQ(r[2], 0x07);
    EXPECT_EQ(r[11], 103);  // module byte 140
    EXPECT_EQ(field(r, 14, 16), "XV              ");
    EXPECT_EQ(field(r, 34, 16), "XP-10G-ER       ");
    EXPECT_EQ(field(r, 51, 2), "C ");
    EXPECT_EQ(r[53], 0);
    EXPECT_EQ(r[56] << 8 | r[57], 31000);  // 1550 nm in 0.05 nm
    EXPECT_EQ(r[83], 0x40);
    EXPECT_EQ(r[84], 0x70);  // AUX1 monitors the supply voltage
    SWDRV_SfpDdmInfo_T m = ddm();
    EXPECT_FLOAT_EQ(m.measured.temperature, 47.25f);
    EXPECT_NEAR(m.measured.voltage, 3.25, 1e-6);
    // Thresholds from byte 0, where the identifier also is: its high byte is 6.
    EXPECT_FLOAT_EQ(m.threshold[0], (6 * 256 + 0x00) / 256.0f);
    EXPECT_FLOAT_EQ(m.threshold[1], -10.0f);
    EXPECT_FLOAT_EQ(m.threshold[2], 65.0f);
}

TEST_F(MonitorTest, QsfpPagesAndLanes) {
    xc::Description d;
    d.type = "qsfp+";
    d.vendor = "QV";
    d.readings.rx_dbm = -3.0;
    d.readings.bias_ma = 7.0;
    xc::Image img = image(d);
    plug(kPort, img);
    ASSERT_TRUE(
        xc::set_readings(kPort, xc::Readings{xc::kReadRx | xc::kReadBias, 3, 0, 0, 9.5, 0, -9.0}));
    poll(2);
    ASSERT_TRUE(valid());
    EXPECT_EQ(info()[1], 13);
    EXPECT_EQ(field(info(), 14, 16), "QV              ");  // page 00
    SWDRV_SfpDdmInfo_T m = ddm();
    EXPECT_FLOAT_EQ(m.threshold[0], 70.0f);  // page 03, byte 128
    EXPECT_NEAR(m.threshold[8], 15.0, 1e-6);
    EXPECT_NEAR(m.measured.bias[0], 7.0, 1e-6);
    EXPECT_NEAR(m.measured.bias[2], 9.5, 1e-6);
    EXPECT_NEAR(m.measured.rx_power[0], -3.0, 1e-3);
    EXPECT_NEAR(m.measured.rx_power[2], -9.0, 1e-3);
    EXPECT_EQ(m.measured.tx_power, 0.0f);
    std::vector<uint8_t> r = raw();
    EXPECT_EQ(r[128], 0x46);  // 70 C in page 03
    EXPECT_EQ(r[129], 0x00);
    // The diagnostics left page 03 selected: identification selects page 00 again.
    uint8_t again[SWDRV_SFP_INFO_SIZE];
    ASSERT_TRUE(SWDRV_MONITOR_SfpInfoParsing(1, kCage, again));
    EXPECT_EQ(std::vector<uint8_t>(again, again + SWDRV_SFP_INFO_SIZE), info());
    EXPECT_EQ(again[14], 'Q');
}

TEST_F(MonitorTest, MeasuredValuesEverySixthPoll) {
    plug_and_confirm(kPort, image({}));  // rounds 1 and 2
    ASSERT_EQ(calls("SWDRV_Notify_PortSfpDdmInfoMeasured"), 0);
    ASSERT_TRUE(xc::set_readings(kPort, xc::Readings{xc::kReadTemp, 0, 55.5}));
    poll(3);  // rounds 3 to 5
    EXPECT_EQ(calls("SWDRV_Notify_PortSfpDdmInfoMeasured"), 0);
    poll(1);  // round 6
    EXPECT_EQ(calls("SWDRV_Notify_PortSfpDdmInfoMeasured(1, 1, t=55.50"), 1);
    EXPECT_FLOAT_EQ(ddm().measured.temperature, 55.5f);
    poll(6);
    EXPECT_EQ(calls("SWDRV_Notify_PortSfpDdmInfoMeasured"), 2);
}

TEST_F(MonitorTest, NineFailuresKeepTheValuesTheTenthZeroesThem) {
    plug_and_confirm(kPort, image({}));
    ASSERT_NEAR(ddm().measured.temperature, 35.0, 1e-6);
    const std::vector<uint8_t> before = raw();
    ASSERT_TRUE(xc::set_readings(kPort, xc::Readings{xc::kReadTemp, 0, 50.0}));
    ASSERT_TRUE(xc::fail_reads(kPort, 10, false));
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
    console::Capture cap;
    for (int i = 1; i <= 9; ++i) {
        SWDRV_MONITOR_PortSfpDdmInfo(1, kCage);
        ASSERT_NEAR(ddm().measured.temperature, 35.0, 1e-6) << "failure " << i;
    }
    EXPECT_EQ(raw(), before);
    EXPECT_TRUE(cap.contains("): Failed to read GBIC 1 DDM info from I2C.\r\n"));
    SWDRV_MONITOR_PortSfpDdmInfo(1, kCage);  // the tenth
    SWDRV_SfpDdmInfo_T m = ddm();
    EXPECT_EQ(m.measured.temperature, 0.0f);
    EXPECT_EQ(m.measured.voltage, 0.0f);
    EXPECT_EQ(m.measured.bias[0], 0.0f);
    EXPECT_EQ(m.measured.tx_power, 0.0f);
    EXPECT_EQ(m.measured.rx_power[0], 0.0f);
    EXPECT_FLOAT_EQ(m.threshold[0], 70.0f);  // thresholds are not measured values
    std::vector<uint8_t> r = raw();
    for (int i = 96; i < 110; ++i)
        EXPECT_EQ(r[i], 0) << i;
    EXPECT_EQ(r[0], before[0]);
    EXPECT_EQ(calls("SWDRV_Notify_PortSfpDdmInfoMeasured(1, 1, t=0.00"), 1);
    // Reads work again: the new reading, and the count starts over.
    SWDRV_MONITOR_PortSfpDdmInfo(1, kCage);
    EXPECT_FLOAT_EQ(ddm().measured.temperature, 50.0f);
    ASSERT_TRUE(xc::fail_reads(kPort, 9, false));
    for (int i = 0; i < 9; ++i)
        SWDRV_MONITOR_PortSfpDdmInfo(1, kCage);
    EXPECT_FLOAT_EQ(ddm().measured.temperature, 50.0f);
}

TEST_F(MonitorTest, ModuleGoneBetweenPresenceAndReadIsReadAgain) {
    // The present input shows a module, but nothing answers on the bus.
    uint8_t reg = 0;
    ASSERT_TRUE(chipsim::board_reg_read(0x1010, &reg));
    ASSERT_TRUE(chipsim::board_reg_write(0x1010, reg & ~0x01));
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
    console::Capture cap;
    poll(2);
    EXPECT_TRUE(present());
    EXPECT_FALSE(valid());
    EXPECT_EQ(call_at("SWDRV_SfpInserted"), -1);
    EXPECT_TRUE(cap.contains("): Failed to read GBIC 1 identifier from I2C.\r\n"));
    EXPECT_EQ(info(), std::vector<uint8_t>(SWDRV_SFP_INFO_SIZE, 0));
    poll(1);
    EXPECT_TRUE(cap.contains("-") && cap.contains(" read SFP1 EEPROM again for previous fail\r\n"));
    // The module answers again: read on the next poll.
    plug(kPort, image({}));
    poll(1);
    EXPECT_TRUE(valid());
    EXPECT_GE(call_at("SWDRV_SfpInserted(1, 1)"), 0);
}

TEST_F(MonitorTest, IdentificationReadFailuresAreRetried) {
    xc::Image img = image({});
    plug(kPort, img);
    ASSERT_TRUE(xc::fail_reads(kPort, 3, true));
    poll(2);  // confirmed; the identifier read fails
    EXPECT_FALSE(valid());
    poll(2);  // two more failures
    EXPECT_FALSE(valid());
    poll(1);
    EXPECT_TRUE(valid());
    EXPECT_EQ(calls("SWDRV_SfpInserted(1, 1)"), 1);
}

TEST_F(MonitorTest, BadModulesGiveClearResults) {
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
    {
        SCOPED_TRACE("unknown identifier");
        xc::Image img = image({});
        img.a0[0] = 0x11;
        console::Capture cap;
        plug_and_confirm(kPort, img);
        EXPECT_TRUE(present());
        EXPECT_FALSE(valid());
        EXPECT_TRUE(cap.contains("SFP 1 identifier 0x11 is not a known module type"));
        EXPECT_EQ(info(), std::vector<uint8_t>(SWDRV_SFP_INFO_SIZE, 0));
        ASSERT_TRUE(xc::remove(kPort));
        poll(1);
    }
    {
        SCOPED_TRACE("non-printable vendor name and serial");
        xc::Image img = image({});
        img.a0[22] = 0x07;
        img.a0[70] = 0xC8;
        console::Capture cap;
        plug_and_confirm(kPort, img);
        ASSERT_TRUE(valid());
        std::vector<uint8_t> r = info();
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 14, r.begin() + 30),
                  std::vector<uint8_t>(16, 0));
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 58, r.begin() + 74),
                  std::vector<uint8_t>(16, 0));
        EXPECT_EQ(field(r, 34, 9), "VO-SFP-LX");  // the other fields are kept
        EXPECT_TRUE(cap.contains("SFP 1 vendor name is not printable text, cleared\r\n"));
        EXPECT_TRUE(cap.contains("SFP 1 serial number is not printable text, cleared\r\n"));
        ASSERT_TRUE(xc::remove(kPort));
        poll(1);
    }
    {
        SCOPED_TRACE("diagnostics announced but no A2h address");
        xc::Image img = image({});
        img.a2.clear();
        console::Capture cap;
        plug_and_confirm(kPort, img);
        EXPECT_TRUE(valid());
        EXPECT_TRUE(cap.contains("): Failed to read SFP 1 DDM info from I2C.\r\n"));
        EXPECT_EQ(ddm().measured.temperature, 0.0f);
        poll(6);  // the measured step fails quietly on
        EXPECT_TRUE(valid());
    }
}

TEST_F(MonitorTest, PortsWithoutAMonitoredCage) {
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR | SWDRV_DEBUG_FLAG_PRESENT);
    console::Capture cap;
    for (uint32_t port : {3u, 11u, 16u, 17u, 0u, 99u})  // no cage; cage 3; cage 8; no port
        SWDRV_MONITOR_PortSfpPresent(port, true);
    EXPECT_EQ(calllog::count("SWDRV"), 0u);
    EXPECT_EQ(cap.text(), "");
    EXPECT_FALSE(SWDRV_OM_SetPortSfpPresent(1, 3, true));
    EXPECT_FALSE(SWDRV_OM_GetPortSfpInfo(3, 1, nullptr));
    EXPECT_EQ(SWDRV_MONITOR_IsSfpRxLosAsserted(2, 1), 0u);
    EXPECT_TRUE(cap.contains("): this api does not support on non-local unit(2).\r\n"));
    EXPECT_EQ(SWDRV_MONITOR_IsSfpRxLosAsserted(0, 7), 0u);
    EXPECT_TRUE(cap.contains("): Invalid sfp_index: 7\r\n"));
    // Bad transfers of the board's SFP access.
    uint8_t b[256];
    EXPECT_EQ(SYSDRV_GetSfpInfo(3, 0, 1, b), 0u);  // the board's cage 3 has no EEPROM bus
    EXPECT_EQ(SYSDRV_GetSfpInfo(1, 200, 100, b), 0u);
    EXPECT_EQ(SYSDRV_GetSfpInfo(1, 0, 1, nullptr), 0u);
}

TEST_F(MonitorTest, PresentInputThatCannotBeRead) {
    // A board whose cage register is missing: the poll says so and keeps going.
    board::Description d = board::default_board();
    d.units[0].regs.clear();
    chipsim::reset(d);
    SWDRV_MONITOR_Init();
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_PRESENT);
    console::Capture cap;
    poll(1);
    EXPECT_TRUE(cap.contains("): Access sfp present status for sfp 1 failed\r\n"));
    EXPECT_TRUE(cap.contains("): Access sfp present status for sfp 2 failed\r\n"));
    EXPECT_FALSE(present());
    chipsim::reset(board::default_board());
}

}  // namespace
