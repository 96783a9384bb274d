// The hash lookup depth of the start-up file: where the key counts, which values are taken,
// and files that are missing, empty, binary or have very long lines.
#include <cstdio>
#include <fstream>

#include "platform/instance/instance.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

uint32_t scan(const std::string& text) {
    return DEV_SWDRV_ScanHashLookupDepth(reinterpret_cast<const uint8_t*>(text.data()),
                                         static_cast<uint32_t>(text.size()));
}

const std::string kOpen = "!---<InitPhaseConfig>\n";
const std::string kClose = "!---</InitPhaseConfig>\n";
std::string key(const std::string& v) {
    return "!---HASH_LOOKUP_DEPTH=" + v + "\n";
}

TEST(HashDepthScan, WhereTheKeyStandsAndWhatItSays) {
    const std::string high(1, static_cast<char>(0xC3));
    struct Case {
        const char* what;
        std::string text;
        uint32_t depth;
    } cases[] = {
        {"inside the section", "hostname sw\n" + kOpen + key("16") + kClose, 16},
        {"largest depth, CR line ends", "!\r" + kOpen + "!---X=1\r" + key("32") + kClose, 32},
        {"CRLF line ends", "!---<InitPhaseConfig>\r\n!---HASH_LOOKUP_DEPTH=8\r\n", 8},
        {"a value that is no depth", kOpen + key("10") + kClose, 4},
        {"zero", kOpen + key("0") + kClose, 4},
        {"no digits", kOpen + key("x") + kClose, 4},
        {"digits beyond 32 bits", kOpen + key("99999999999999999999") + kClose, 4},
        {"before the section", key("16") + kOpen + kClose, 4},
        {"after the section", kOpen + kClose + key("16"), 4},
        {"without a section", key("16"), 4},
        {"a byte above 127 before the key", kOpen + "! caf" + high + "\n" + key("16") + kClose, 4},
        {"a byte above 127 after the key", kOpen + key("24") + "! caf" + high + "\n" + kClose, 24},
        {"the first key counts", kOpen + key("12") + key("20") + kClose, 12},
        {"a section never closed", kOpen + key("28"), 28},
        {"a 10,000-character line before it", std::string(10000, 'x') + "\n" + kOpen + key("20"),
         20},
        {"the key beyond a line's first 299 characters", kOpen + std::string(300, ' ') + key("16"),
         4},
        {"empty", "", 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scan(c.text), c.depth) << c.what;
    EXPECT_EQ(DEV_SWDRV_ScanHashLookupDepth(nullptr, 10), 4u);
}

class StartupFileTest : public SwdrvTest {
  protected:
    void SetUp() override {}  // each case writes its file first
    void TearDown() override {
        std::remove(instance::run_file("startup.cfg").c_str());
        SwdrvTest::TearDown();
    }
    void write(const std::string& text) {
        std::ofstream(instance::run_file("startup.cfg"), std::ios::binary) << text;
    }
    uint32_t chip_depth() {
        uint32_t v = 0;
        EXPECT_EQ(sdkBrgFdbMaxLookupLenGet(0, &v), SDK_OK);
        return v;
    }
};

TEST_F(StartupFileTest, DepthFromTheFileReachesTheChip) {
    write("!\n" + kOpen + key("16") + kClose + "interface eth1/1\n");
    bring_up(board::default_board());
    EXPECT_EQ(DEV_SWDRV_OM().hash_lookup_depth, 16u);
    EXPECT_EQ(chip_depth(), 16u);
}

TEST_F(StartupFileTest, UnusableFilesKeepTheDefault) {
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37);
    struct Case {
        const char* what;
        bool present;
        std::string text;
    } cases[] = {{"missing", false, ""},
                 {"empty", true, ""},
                 {"binary", true, binary},
                 {"lines of 10,000 characters", true,
                  std::string(10000, 'a') + "\n" + std::string(10000, 'b') + "\n"}};
    for (const Case& c : cases) {
        std::remove(instance::run_file("startup.cfg").c_str());
        if (c.present) write(c.text);
        bring_up(board::default_board());
        EXPECT_EQ(DEV_SWDRV_OM().hash_lookup_depth, 4u) << c.what;
        EXPECT_EQ(chip_depth(), 4u) << c.what;
    }
    // The missing file was said on the console.
    std::remove(instance::run_file("startup.cfg").c_str());
    bring_up(board::default_board());
    EXPECT_NE(start_console_.find("no start-up file"), std::string::npos) << start_console_;
}

}  // namespace
