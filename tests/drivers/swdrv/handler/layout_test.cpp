// The module-119 layout table against the real handler: every row's declared reply size is
// what the handler answers with, and every number without a row is answered FALSE with
// msg_size 4. Also the text drvctl prints from it.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "drivers/request_layout/request_layout.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

namespace cmd = swdrv::subcmd;
using reqlayout::Row;

class LayoutTest : public SwdrvTest {
  protected:
    // Sends `sub` with zeroed arguments up to the end of its row's request (none without a
    // row); returns {result byte, msg_size}.
    std::pair<uint8_t, uint16_t> call(uint32_t sub) {
        const Row* row = cmd::row(sub);
        uint32_t size = row ? row->args.end_offset() : 4;
        std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 8192, 0);
        ipcmsg::set_cmd(buf.data(), cmd::kModule);
        ipcmsg::set_msg_size(buf.data(), static_cast<uint16_t>(size));
        be::put32(ipcmsg::payload(buf.data()), sub);
        EXPECT_TRUE(DEV_SWDRV_HandleIPCReqMsg(buf.data()));
        return {ipcmsg::payload(buf.data())[0], ipcmsg::msg_size(buf.data())};
    }
};

TEST_F(LayoutTest, EveryRowIsAnsweredWithItsDeclaredSize) {
    for (const Row& row : cmd::kRows)
        EXPECT_EQ(call(row.sub).second, 4 + row.reply_size) << row.sub << " " << row.name;
}

TEST_F(LayoutTest, EveryNumberWithoutARowIsAnsweredFalseWithSizeFour) {
    int unserved = 0;
    for (uint32_t sub = 0; sub <= cmd::kLast + 20; ++sub) {
        if (cmd::row(sub)) continue;
        ++unserved;
        auto [result, size] = call(sub);
        EXPECT_EQ(result, 0) << sub;
        EXPECT_EQ(size, 4) << sub;
    }
    EXPECT_EQ(unserved, static_cast<int>(cmd::kLast + 21 - std::size(cmd::kRows)));
}

TEST(RequestLayout, RowsPrintOneFieldListPerRowWrappedAtFieldBoundaries) {
    EXPECT_EQ(reqlayout::describe(*cmd::row(cmd::kCreateVlan)),
              "  39  CreateVlan" + std::string(32, ' ') + "4 VLAN");
    EXPECT_EQ(reqlayout::describe(*cmd::row(cmd::kFixedFalse4)), "   4  fixed FALSE");
    EXPECT_EQ(reqlayout::describe(*cmd::row(cmd::kGetPortMaxFrameSize)),
              "  50  GetPortMaxFrameSize" + std::string(23, ' ') +
                  "4 unit, 8 port  -> [8] 4 untagged, 8 tagged");
    for (const Row& row : cmd::kRows) {
        std::istringstream lines(reqlayout::describe(row));
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line.substr(0, 6), (row.sub < 10    ? "   "
                                      : row.sub < 100 ? "  "
                                                      : " ") +
                                         std::to_string(row.sub) + "  ")
            << row.sub;
        do {
            EXPECT_LE(line.size(), 100u) << row.sub;
            EXPECT_NE(line.back(), ' ') << row.sub;
        } while (std::getline(lines, line) && line.substr(0, 48) == std::string(48, ' '));
        EXPECT_TRUE(lines.eof()) << row.sub << ": a continuation line not at the argument column";
    }
    // 203 wraps between fields; the reply size stays with the first returned field.
    std::string twsi = reqlayout::describe(*cmd::row(cmd::kTwsiDataRead));
    EXPECT_NE(twsi.find("7 slave (byte), 8 type (byte)"), std::string::npos);
    EXPECT_NE(twsi.find("-> [255] 4 data (255 bytes); length bytes are read"), std::string::npos);
}

}  // namespace
