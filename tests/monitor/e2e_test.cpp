// The transceiver monitor in the running daemon: modules plugged, warmed and pulled with
// `drvctl sim sfp`, seen through the switch-control layer's call record and
// `drvctl transceiver`. The daemon polls every 20 ms with a present delay of half a second.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "sdk/simproto/xcvr_eeprom.h"
#include "tests/support/daemon.h"

namespace {

using testing_support::Daemon;

class MonitorE2e : public ::testing::Test {
  protected:
    MonitorE2e()
        : d({"DRIVER_PROC_SFP_POLL_MS=20", "DRIVER_PROC_SFP_PRESENT_DELAY=50",
             "DRIVER_PROC_PLATFORM_FAULTS=SWDRV_OM_GetDebugFlag=2"}) {}
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    int drvctl(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string o;
        int rc = d.drvctl(args, &o);
        if (out) *out = o;
        return rc;
    }
    std::string log() {
        std::string out;
        drvctl({"log", "SWDRV"}, &out);
        return out;
    }
    bool wait_log(const std::string& text, int timeout_ms = 10000) {
        for (int waited = 0; waited < timeout_ms; waited += 20) {
            if (log().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string show(const std::string& port) {
        std::string out;
        EXPECT_EQ(drvctl({"transceiver", port}, &out), 0) << out;
        return out;
    }
    static bool has(const std::string& text, const std::string& name, const std::string& value) {
        std::string pad = name + std::string(42 - name.size(), ' ');
        return text.find("\t" + pad + ": " + value) != std::string::npos;
    }

    Daemon d;
};

TEST_F(MonitorE2e, InsertWarmUpAndRemove) {
    std::string out;
    ASSERT_EQ(drvctl({"sim",    "sfp",  "insert",   "9",      "--type", "sfp",   "--vendor",
                      "ACME",   "--pn", "AO-LX-10", "--temp", "30",     "--vcc", "3.3",
                      "--bias", "6.2",  "--tx",     "-2.1",   "--rx",   "-7.4"},
                     &out),
              0)
        << out;
    // Within the present delay the module is not yet there.
    EXPECT_EQ(log().find("SWDRV_SfpInserted"), std::string::npos);
    ASSERT_TRUE(wait_log("SWDRV_SfpInserted(1, 1)")) << log();
    std::string calls = log();
    const size_t present = calls.find("SWDRV_OM_SetPortSfpPresent(1, 1, 1)");
    const size_t info = calls.find("SWDRV_Notify_PortSfpInfo(1, 1, id=0x03, vendor=ACME");
    const size_t inserted = calls.find("SWDRV_SfpInserted(1, 1)");
    ASSERT_NE(present, std::string::npos);
    ASSERT_NE(info, std::string::npos);
    EXPECT_LT(present, info);
    EXPECT_LT(info, inserted);
    EXPECT_NE(calls.find("SWDRV_Notify_PortSfpDdmInfo(1, 1, t=30.00, t_ha=70.00, t_hw=65.00)"),
              std::string::npos);
    EXPECT_TRUE(d.wait_console("unit:1, port: 9: status changes to present\r\n"));

    out = show("9");
    EXPECT_TRUE(has(out, "Identifier", "0x03 (SFP)")) << out;
    EXPECT_TRUE(has(out, "Vendor name", "ACME")) << out;
    EXPECT_TRUE(has(out, "Vendor PN", "AO-LX-10")) << out;
    EXPECT_TRUE(has(out, "Laser wavelength", "1310nm")) << out;
    EXPECT_TRUE(has(out, "Laser bias current", "6.200 mA")) << out;
    EXPECT_TRUE(has(out, "Laser output power", "0.6166 mW / -2.10 dBm")) << out;
    EXPECT_TRUE(has(out, "Module temperature", "30.00 degrees C")) << out;
    EXPECT_TRUE(has(out, "Module temperature high alarm threshold", "70.00 degrees C")) << out;
    EXPECT_TRUE(has(out, "Module temperature high warning threshold", "65.00 degrees C")) << out;

    // The laser warms up: past the warning, then past the alarm threshold.
    const struct {
        const char* temp;
        const char* warning;
        const char* alarm;
    } steps[] = {{"50", "Off", "Off"}, {"67", "On", "Off"}, {"75", "On", "On"}};
    for (const auto& s : steps) {
        ASSERT_EQ(drvctl({"sim", "sfp", "set", "9", "--temp", s.temp}, &out), 0) << out;
        ASSERT_TRUE(wait_log("SWDRV_Notify_PortSfpDdmInfoMeasured(1, 1, t=" + std::string(s.temp) +
                             ".00 v=3.3000 b=6.200 tx=-2.10 rx=-7.40 los=0)"))
            << s.temp;
        out = show("9");
        EXPECT_TRUE(has(out, "Module temperature high warning", s.warning)) << s.temp << out;
        EXPECT_TRUE(has(out, "Module temperature high alarm", s.alarm)) << s.temp << out;
    }

    ASSERT_EQ(drvctl({"sim", "sfp", "remove", "9"}, &out), 0) << out;
    ASSERT_TRUE(wait_log("SWDRV_SfpRemoved(1, 1)"));
    EXPECT_TRUE(d.wait_console("unit:1, port: 9: status changes to not present\r\n"));
    out = show("9");
    EXPECT_NE(out.find("Port 9 (cage 1): empty"), std::string::npos) << out;
    EXPECT_EQ(out.find("Vendor name"), std::string::npos) << out;
}

TEST_F(MonitorE2e, ModulesFromFilesAndBadInput) {
    const std::string dir = d.run_file("");
    // A QSFP+ as ethtool dumps one (lower page, pages 00 to 03).
    chipsim::xcvr::Description desc;
    desc.type = "qsfp+";
    desc.vendor = "QSFP VENDOR";
    chipsim::xcvr::Image img;
    std::string error;
    ASSERT_TRUE(chipsim::xcvr::build(desc, &img, &error)) << error;
    std::vector<uint8_t> bytes = img.a0;
    bytes.resize(512, 0);  // pages 01 and 02
    bytes.insert(bytes.end(), img.page3.begin(), img.page3.end());
    const std::string dump = dir + "/qsfp.txt";
    {
        std::ofstream f(dump);
        f << "Offset\t\tValues\n------\t\t------";
        char b[32];
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % 16 == 0) {
                std::snprintf(b, sizeof b, "\n0x%04zx:\t\t", i);
                f << b;
            }
            std::snprintf(b, sizeof b, "%02x ", bytes[i]);
            f << b;
        }
        f << "\n";
    }
    std::string out;
    ASSERT_EQ(drvctl({"sim", "sfp", "insert", "10", "--file", dump}, &out), 0) << out;
    ASSERT_TRUE(wait_log("SWDRV_SfpInserted(1, 2)"));
    out = show("10");
    EXPECT_TRUE(has(out, "Identifier", "0x0d (QSFP+)")) << out;
    EXPECT_TRUE(has(out, "Vendor name", "QSFP VENDOR")) << out;
    EXPECT_TRUE(has(out, "Laser tx bias current (Channel 4)", "6.000 mA")) << out;
    EXPECT_TRUE(has(out, "Module temperature high alarm threshold", "70.00 degrees C")) << out;
    ASSERT_EQ(drvctl({"transceiver", "10", "--raw"}, &out), 0);
    EXPECT_NE(out.find("0x0080:\t\t46 00 "), std::string::npos) << out;  // page 03 in the image

    // A truncated file, a port without a cage, an empty cage.
    const std::string short_file = dir + "/short.bin";
    {
        std::ofstream f(short_file, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), 200);
    }
    EXPECT_EQ(drvctl({"sim", "sfp", "insert", "9", "--file", short_file}, &out), 1);
    EXPECT_EQ(drvctl({"sim", "sfp", "insert", "3", "--type", "sfp"}, &out), 1);
    EXPECT_EQ(drvctl({"sim", "sfp", "set", "9", "--temp", "40"}, &out), 1);
    EXPECT_EQ(drvctl({"sim", "sfp", "insert", "9", "--type", "cfp"}, &out), 2);
    EXPECT_EQ(drvctl({"sim", "sfp", "set", "9", "--temp", "warm"}, &out), 2);
    EXPECT_EQ(drvctl({"transceiver", "3"}, &out), 1);
    EXPECT_EQ(drvctl({"transceiver", "99"}, &out), 2);
    out = show("9");
    EXPECT_NE(out.find("Port 9 (cage 1): empty"), std::string::npos) << out;
    // The daemon still serves.
    EXPECT_TRUE(has(show("10"), "Identifier", "0x0d (QSFP+)"));
}

}  // namespace
