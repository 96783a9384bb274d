// Diagnostics conversion against values worked out by hand from SFF-8472 (SFP, XFP) and
// SFF-8636 (QSFP): temperature in 1/256 degree C (signed), supply voltage in 100 uV, bias in
// 2 uA, optical power in 0.1 uW; external calibration T = slope x T_AD + offset, and so on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "monitor/swdrv_monitor.h"
#include "platform/console/console.h"
#include "platform/firmware/swdrv_om.h"

namespace {

struct Raw {
    uint8_t b[256] = {};
    void u16(uint32_t off, uint16_t v) {
        b[off] = static_cast<uint8_t>(v >> 8);
        b[off + 1] = static_cast<uint8_t>(v);
    }
    void f32(uint32_t off, float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        for (int i = 0; i < 4; ++i)
            b[off + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
};

struct Info {
    uint8_t b[SWDRV_SFP_INFO_SIZE] = {};
    Info(uint8_t id, uint8_t flags, uint8_t aux = 0) {
        b[1] = id;
        b[83] = flags;
        b[84] = aux;
    }
};

SWDRV_SfpDdmInfo_T convert(const Info& info, const Raw& raw) {
    SWDRV_SfpDdmInfo_T ddm{};
    SWDRV_MONITOR_ConvertSfpDdmInfoRaw(1, info.b, raw.b, &ddm);
    return ddm;
}

// 10 log10(mW), written out: P_mW = tenths of a microwatt / 10000.
double dbm(double tenth_uw) {
    return 10 * std::log10(tenth_uw / 10000.0);
}

class DdmConvert : public ::testing::Test {
  protected:
    void SetUp() override { SWDRV_OM_SetDebugFlag(0); }
    void TearDown() override { SWDRV_OM_SetDebugFlag(0); }
};

TEST_F(DdmConvert, SfpInternalCalibration) {
    Raw r;
    r.u16(96, 0x2980);  // 10624 / 256 = 41.5 C
    r.u16(98, 33000);   // 3.3000 V
    r.u16(100, 3100);   // 3100 x 2 uA = 6.2 mA
    r.u16(102, 6166);   // 616.6 uW
    r.u16(104, 1820);   // 182.0 uW
    r.u16(0, 0x4600);   // 70 C
    r.u16(2, 0xF600);   // -2560 / 256 = -10 C
    r.u16(4, 0x4100);   // 65 C
    r.u16(6, 0xFB00);   // -5 C
    r.u16(8, 36000);    // 3.6 V
    r.u16(16, 7500);    // 15 mA
    r.u16(24, 15849);   // 1.5849 mW
    r.u16(32, 10000);   // 1.0 mW = 0 dBm
    r.u16(38, 32);      // 3.2 uW
    SWDRV_SfpDdmInfo_T d = convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM), r);
    EXPECT_FLOAT_EQ(d.measured.temperature, 41.5f);
    EXPECT_NEAR(d.measured.voltage, 3.3, 1e-6);
    EXPECT_NEAR(d.measured.bias[0], 6.2, 1e-6);
    EXPECT_NEAR(d.measured.tx_power, -2.10000, 1e-3);     // 10 log10(0.6166) = -2.0999
    EXPECT_NEAR(d.measured.rx_power[0], -7.39929, 1e-4);  // 10 log10(0.182)
    EXPECT_FLOAT_EQ(d.threshold[0], 70.0f);
    EXPECT_FLOAT_EQ(d.threshold[1], -10.0f);
    EXPECT_FLOAT_EQ(d.threshold[2], 65.0f);
    EXPECT_FLOAT_EQ(d.threshold[3], -5.0f);
    EXPECT_NEAR(d.threshold[4], 3.6, 1e-6);
    EXPECT_NEAR(d.threshold[8], 15.0, 1e-6);
    EXPECT_NEAR(d.threshold[12], 2.0000, 1e-3);  // 10 log10(1.5849) = 1.99999
    EXPECT_NEAR(d.threshold[16], 0.0, 1e-6);
    EXPECT_NEAR(d.threshold[19], -24.9485, 1e-3);  // 10 log10(0.0032)
    // Single lane: the other lanes stay 0.
    EXPECT_EQ(d.measured.bias[1], 0.0f);
    EXPECT_EQ(d.measured.rx_power[3], 0.0f);
}

TEST_F(DdmConvert, NegativeTemperatures) {
    const struct {
        uint16_t raw;
        float celsius;
    } cases[] = {
        {0xF380, -12.5f}, {0xFFFF, -1.0f / 256}, {0x8000, -128.0f}, {0x7FFF, 127.99609375f}};
    for (const auto& c : cases) {
        Raw r;
        r.u16(96, c.raw);
        EXPECT_FLOAT_EQ(
            convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM), r).measured.temperature,
            c.celsius)
            << std::hex << c.raw;
    }
}

// External calibration constants of A2h: Rx4..Rx0 at 56..72, then slope/offset pairs for
// bias (76), transmit power (80), temperature (84) and voltage (88).
Raw external_constants() {
    Raw r;
    r.f32(56, 1e-13f);                     // Rx4
    r.f32(60, 2e-9f);                      // Rx3
    r.f32(64, 3e-5f);                      // Rx2
    r.f32(68, 0.5f);                       // Rx1
    r.f32(72, 10.0f);                      // Rx0
    r.u16(76, 0x0200), r.u16(78, 0xFF38);  // bias: slope 2.0, offset -200
    r.u16(80, 0x0080), r.u16(82, 1000);    // tx: slope 0.5, offset 1000
    r.u16(84, 0x0180), r.u16(86, 0x0200);  // temperature: slope 1.5, offset 512/256 = 2 C
    r.u16(88, 0x00C0), r.u16(90, 100);     // voltage: slope 0.75, offset 100
    r.u16(96, 0x1900);                     // 25 C raw
    r.u16(98, 40000);
    r.u16(100, 3000);
    r.u16(102, 10000);
    r.u16(104, 2000);
    r.u16(0, 0x5000);  // 80 C raw
    r.u16(2, 0xF600);  // -10 C raw
    return r;
}

TEST_F(DdmConvert, SfpExternalCalibrationEveryQuantity) {
    Raw r = external_constants();
    SWDRV_SfpDdmInfo_T d =
        convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM | SWDRV_SFP_FLAG_EXT_CAL), r);
    EXPECT_FLOAT_EQ(d.measured.temperature, 39.5f);    // 25 x 1.5 + 2
    EXPECT_NEAR(d.measured.voltage, 3.01, 1e-6);       // (40000 x 0.75 + 100) / 10000
    EXPECT_NEAR(d.measured.bias[0], 11.6, 1e-5);       // (3000 x 2 - 200) / 500
    EXPECT_NEAR(d.measured.tx_power, -2.21849, 1e-4);  // (10000 x 0.5 + 1000) = 0.6 mW
    // 1e-13 x 2000^4 + 2e-9 x 2000^3 + 3e-5 x 2000^2 + 0.5 x 2000 + 10
    //   = 1.6 + 16 + 120 + 1000 + 10 = 1147.6 tenths of uW = 0.11476 mW
    EXPECT_NEAR(d.measured.rx_power[0], -9.40209, 1e-3);
    EXPECT_FLOAT_EQ(d.threshold[0], 122.0f);  // 80 x 1.5 + 2
    EXPECT_FLOAT_EQ(d.threshold[1], -13.0f);  // -10 x 1.5 + 2
}

TEST_F(DdmConvert, ClearCalibrationFlagIgnoresTheConstants) {
    Raw r = external_constants();
    SWDRV_SfpDdmInfo_T d = convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM), r);
    EXPECT_FLOAT_EQ(d.measured.temperature, 25.0f);
    EXPECT_NEAR(d.measured.voltage, 4.0, 1e-6);
    EXPECT_NEAR(d.measured.bias[0], 6.0, 1e-6);
    EXPECT_NEAR(d.measured.tx_power, 0.0, 1e-5);          // 1 mW
    EXPECT_NEAR(d.measured.rx_power[0], -6.98970, 1e-4);  // 0.2 mW
}

TEST_F(DdmConvert, PowerFloorAndCeiling) {
    const struct {
        uint16_t raw;
        double dbm;
    } cases[] = {
        {0, -40.0},        // no light
        {1, -40.0},        // 1e-7 W is not above 1e-7
        {2, -36.98970},    // 0.0002 mW
        {65534, 8.16467},  // 6.5534 mW
        {65535, -40.0},    // 0.0065535 W is not below the ceiling
    };
    for (const auto& c : cases) {
        Raw r;
        r.u16(102, c.raw);
        r.u16(104, c.raw);
        SWDRV_SfpDdmInfo_T d = convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM), r);
        EXPECT_NEAR(d.measured.tx_power, c.dbm, 1e-4) << c.raw;
        EXPECT_NEAR(d.measured.rx_power[0], c.dbm, 1e-4) << c.raw;
    }
    EXPECT_NEAR(dbm(2), -36.98970, 1e-5);  // the table's own arithmetic
}

TEST_F(DdmConvert, BadReceiveCoefficientsGiveTheFloor) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        float rx1, rx0;
        bool message;
    } cases[] = {{"NaN", nan, 0, true},
                 {"infinite", inf, 0, true},
                 {"negative infinite", -inf, 0, true},
                 {"negative power", 1.0f, -5000.0f, false}};
    for (const auto& c : cases) {
        Raw r = external_constants();
        r.f32(56, 0), r.f32(60, 0), r.f32(64, 0);
        r.f32(68, c.rx1);
        r.f32(72, c.rx0);
        r.u16(104, 100);
        SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
        console::Capture cap;
        SWDRV_SfpDdmInfo_T d =
            convert(Info(SWDRV_MONITOR_ID_SFP, SWDRV_SFP_FLAG_DDM | SWDRV_SFP_FLAG_EXT_CAL), r);
        EXPECT_EQ(d.measured.rx_power[0], -40.0f) << c.what;
        EXPECT_EQ(cap.contains("receive power coefficients are not finite"), c.message) << c.what;
        // The other quantities are unaffected.
        EXPECT_FLOAT_EQ(d.measured.temperature, 39.5f) << c.what;
    }
}

TEST_F(DdmConvert, QsfpFourLanesAndPage03Thresholds) {
    Raw r;
    r.u16(22, 0x1C80);  // 28.5 C
    r.u16(26, 32500);   // 3.25 V
    const uint16_t rx[4] = {5000, 2500, 0, 65535};
    const uint16_t bias[4] = {3000, 3500, 4000, 0};
    for (int l = 0; l < 4; ++l) {
        r.u16(34 + 2 * l, rx[l]);
        r.u16(42 + 2 * l, bias[l]);
    }
    r.u16(128, 0x4B00);  // temperature high alarm 75 C
    r.u16(144, 36300);   // voltage high alarm 3.63 V
    r.u16(176, 20000);   // rx high alarm 2 mW
    r.u16(184, 6000);    // bias high alarm 12 mA
    SWDRV_SfpDdmInfo_T d = convert(Info(SWDRV_MONITOR_ID_QSFP_PLUS, SWDRV_SFP_FLAG_DDM), r);
    EXPECT_FLOAT_EQ(d.measured.temperature, 28.5f);
    EXPECT_NEAR(d.measured.voltage, 3.25, 1e-6);
    EXPECT_NEAR(d.measured.rx_power[0], -3.01030, 1e-4);  // 0.5 mW
    EXPECT_NEAR(d.measured.rx_power[1], -6.02060, 1e-4);  // 0.25 mW
    EXPECT_EQ(d.measured.rx_power[2], -40.0f);
    EXPECT_EQ(d.measured.rx_power[3], -40.0f);
    EXPECT_NEAR(d.measured.bias[0], 6.0, 1e-6);
    EXPECT_NEAR(d.measured.bias[1], 7.0, 1e-6);
    EXPECT_NEAR(d.measured.bias[2], 8.0, 1e-6);
    EXPECT_EQ(d.measured.bias[3], 0.0f);
    EXPECT_EQ(d.measured.tx_power, 0.0f);  // a QSFP reports no transmit power
    EXPECT_FLOAT_EQ(d.threshold[0], 75.0f);
    EXPECT_NEAR(d.threshold[4], 3.63, 1e-6);
    EXPECT_NEAR(d.threshold[8], 12.0, 1e-6);
    for (int i = 12; i < 16; ++i)
        EXPECT_EQ(d.threshold[i], 0.0f);
    EXPECT_NEAR(d.threshold[16], 3.01030, 1e-4);
}

TEST_F(DdmConvert, XfpVoltageFromTheAuxiliaryInputOfType7) {
    const struct {
        uint8_t aux;
        double volts;
    } cases[] = {{0x70, 3.3}, {0x17, 1.8}, {0x77, 3.3}, {0x12, 0.0}};
    for (const auto& c : cases) {
        Raw r;
        r.u16(98, 12345);  // not an XFP's supply reading
        r.u16(106, 33000);
        r.u16(108, 18000);
        r.u16(96, 0x2000);  // 32 C
        SWDRV_SfpDdmInfo_T d = convert(Info(SWDRV_MONITOR_ID_XFP, SWDRV_SFP_FLAG_DDM, c.aux), r);
        EXPECT_NEAR(d.measured.voltage, c.volts, 1e-6) << std::hex << int(c.aux);
        EXPECT_FLOAT_EQ(d.measured.temperature, 32.0f);
    }
    Raw r;
    r.u16(108, 18000);
    SWDRV_OM_SetDebugFlag(SWDRV_DEBUG_FLAG_MONITOR);
    console::Capture cap;
    EXPECT_EQ(SWDRV_MONITOR_DdmGetXFPVoltage(Info(SWDRV_MONITOR_ID_XFP, 0x40, 0x17).b, r.b), 18000);
    EXPECT_TRUE(cap.contains("aux_type:0x17\r\n"));
    EXPECT_TRUE(cap.contains("voltage_offset:0x6c\r\n"));
    EXPECT_TRUE(cap.contains("val:0x4650\r\n"));
}

}  // namespace
