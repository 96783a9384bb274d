// The board file's tap and wire lines: parsed, refused when wrong, and attached when the
// switch comes up.
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/board/board.h"
#include "tests/sdk/chipsim/tap/tap_env.h"
#include "tests/support/daemon.h"

namespace {

std::string with_lines(const std::string& lines) {
    std::ifstream in(std::string(DRIVER_PROC_SOURCE_DIR) + "/boards/two-device.board");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    return text + lines;
}

TEST(TapBoard, LinesParseAndBadOnesAreRefused) {
    board::Description d;
    std::string error;
    ASSERT_TRUE(board::parse(with_lines("tap port=3 name=up1 netns=lab\nwire port=5 peer=7:2\n"),
                             &d, &error))
        << error;
    const auto& at = d.units[0].attach;
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[0].front, 3u);
    EXPECT_FALSE(at[0].wire);
    EXPECT_EQ(at[0].ifname, "up1");
    EXPECT_EQ(at[0].netns, "lab");
    EXPECT_TRUE(at[1].wire);
    EXPECT_EQ(at[1].peer_instance, 7u);
    EXPECT_EQ(at[1].peer_port, 2u);
    const struct {
        const char* line;
        const char* says;
    } bad[] = {
        {"tap port=0\n", "port 0"},
        {"tap port=3\ntap port=3\n", "attached twice"},
        {"wire port=5 peer=7\n", "INSTANCE:PORT"},
        {"wire port=5\n", "missing peer"},
        {"tap port=3 colour=red\n", "unknown field"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(board::parse(with_lines(b.line), &d, &error)) << b.line;
        EXPECT_NE(error.find(b.says), std::string::npos) << error;
    }
}

TEST(TapBoard, SwitchComesUpAttached) {
    const std::string why = tap_test::missing();
    if (!why.empty()) GTEST_SKIP() << "needs TAP interfaces and network namespaces: " << why;
    const std::string path = "/tmp/dp_tap_board_" + std::to_string(getpid()) + ".board";
    std::ofstream(path) << with_lines("tap port=2\nwire port=4 peer=99997:1\n");
    testing_support::Daemon sw({"DRIVER_PROC_BOARD=" + path});
    ASSERT_EQ(sw.start(), 0);
    std::string out;
    ASSERT_EQ(sw.drvctl({"port", "attached"}, &out), 0);
    const std::string tap = "dp" + std::to_string(sw.instance()) + "p2";
    EXPECT_NE(out.find(tap), std::string::npos) << out;
    EXPECT_NE(out.find("instance 99997 port 1"), std::string::npos) << out;
    EXPECT_EQ(tap_test::sh("ip link show " + tap), 0);
    sw.stop();
    // Gone with the daemon: the kernel removes the interface once its last descriptor closes.
    bool gone = false;
    for (int tries = 0; tries < 50 && !gone; ++tries) {
        gone = tap_test::sh("ip link show " + tap) != 0;
        if (!gone) ::usleep(100 * 1000);
    }
    EXPECT_TRUE(gone) << tap;
    std::remove(path.c_str());
}

}  // namespace
