// Port mapping and topology requests through a running driver_proc, on boards written for
// the case: the fallback to the following mapping row, and the cascade update of a record
// that describes another unit.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/common/byteorder.h"
#include "tests/support/daemon.h"

namespace {

using testing_support::Daemon;
using testing_support::Reply;

constexpr uint32_t kQueue = 24;
constexpr uint16_t kModule = 119;

// Unit 1 has no port 3; unit 2 (the following row) has one, served by PHY id 2.
constexpr const char* kGapBoard = R"(board name=gap
system mac=00:12:cf:00:00:07 serial=VS0000000007
unit id=1 board_id=1 module=0
device id=0 hwdevnum=0 family=13 revision=1 ports=0-7
cpu device=0
port n=1 device=0 devport=0 phy_id=0 type=ge if=gmii
port n=2 device=0 devport=1 phy_id=0 type=ge if=gmii
port n=4 device=0 devport=3 phy_id=1 type=ge if=gmii
unit id=2 board_id=1
device id=0 hwdevnum=1 family=13 revision=1 ports=0-7
cpu device=0
port n=3 device=0 devport=2 phy_id=2 type=ge if=gmii
port n=4 device=0 devport=3 phy_id=3 type=ge if=gmii
)";

std::string write_board(const char* name, const char* text) {
    std::string path = std::filesystem::temp_directory_path() /
                       (std::string(name) + "." + std::to_string(::getpid()) + ".board");
    std::ofstream(path) << text;
    return path;
}

std::vector<uint32_t> words(const Reply& r) {
    std::vector<uint32_t> w;
    for (size_t at = 4; at + 4 <= r.payload.size(); at += 4)
        w.push_back(be::get32(r.payload.data() + at));
    return w;
}

// Topology record (sub-command 129) as 13 bytes behind the sub-command word.
Reply configure_topology(Daemon& d, const std::vector<uint8_t>& record) {
    std::vector<uint8_t> p(4 + 13, 0);
    be::put32(p.data(), 129);
    std::copy(record.begin(), record.end(), p.begin() + 4);
    return d.request_bytes(kQueue, kModule, p);
}

TEST(DriverProcMapping, PhyIdComesFromTheUnitsOwnRowAndFalseAnswersCarryTheBytesLastRead) {
    const std::string board = write_board("gap", kGapBoard);
    Daemon d({"DRIVER_PROC_BOARD=" + board});
    ASSERT_EQ(d.start(), 0) << d.console();
    // my unit 1 describes itself, module 0, no cascade entries: rows 0 and 1 from the board.
    Reply t = configure_topology(d, {1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(t.answered);
    ASSERT_EQ(t.result(), 1) << d.console();

    const struct {
        uint32_t sub, unit, port;
        uint8_t result;
        std::vector<uint32_t> out;
    } cases[] = {
        // Port 3 of unit 1 falls back on the following row (module 1, device 0) ...
        {5, 1, 3, 1, {1, 0, 2}},
        // ... but the PHY-id lookup fails, with the PHY id of unit 1's own row.
        {6, 1, 3, 0, {1, 0, 0}},
        {6, 1, 4, 1, {0, 0, 1}},
        // Unit 2 has no following row: the invalid entry's own bytes come back.
        {5, 2, 1, 0, {0xFF, 0xFF, 0xFF}},
        {6, 2, 1, 0, {0xFF, 0xFF, 0}},
    };
    for (const auto& c : cases) {
        Reply r = d.request(kQueue, kModule, {c.sub, c.unit, c.port});
        ASSERT_TRUE(r.answered);
        EXPECT_EQ(r.result(), c.result) << c.sub << " " << c.unit << "/" << c.port;
        EXPECT_EQ(words(r), c.out) << c.sub << " " << c.unit << "/" << c.port;
    }
    EXPECT_TRUE(
        d.wait_console("DEV_SWDRV_Logical2PhyDeviceID mapping error => unit=1 port=3 "
                       "module=1 device_id=0 phy_id=0\n"))
        << d.console();
    d.stop();
    std::filesystem::remove(board);
}

// The cascade update walks the record's entries whatever unit they describe: a module the
// described unit's row does not hold fails the configuration, where it used to be skipped.
TEST(DriverProcMapping, CascadeUpdateLooksUpEntriesOfAnotherUnit) {
    Daemon d({std::string("DRIVER_PROC_BOARD=") + BOARDS_DIR "/two-device.board"});
    ASSERT_EQ(d.start(), 0) << d.console();
    // This unit itself, modules 0 and 1, one cascade entry: its own devices are linked.
    Reply own = configure_topology(d, {1, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0});
    ASSERT_TRUE(own.answered);
    EXPECT_EQ(own.result(), 1) << d.console();
    // A record of unit 2, whose row holds no module 5.
    Reply other = configure_topology(d, {1, 2, 5, 0, 1, 0, 1, 0, 0, 6, 0, 0, 0});
    ASSERT_TRUE(other.answered);
    EXPECT_EQ(other.result(), 0);
    EXPECT_TRUE(d.wait_console("DEV_SWDRV_UpdateCascadeStackingTable(): Line = ")) << d.console();
    // The same record walking no entry is accepted.
    Reply none = configure_topology(d, {1, 2, 5, 0, 0, 0, 1, 0, 0, 6, 0, 0, 0});
    EXPECT_EQ(none.result(), 1);
}

}  // namespace
