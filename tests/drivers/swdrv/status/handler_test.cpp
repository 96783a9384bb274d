// The status and cable-test sub-commands of module 119 in the process: their replies, and
// short or out-of-range requests answered FALSE at the declared size with the chip model left
// as it was.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

namespace cmd = swdrv::subcmd;

class StatusHandlerTest : public SwdrvTest {
  protected:
    struct Answer {
        uint8_t result = 0xFF;
        uint16_t size = 0;
        std::vector<uint8_t> data;
        // Word i of the data; a reply too short to hold it fails the test and reads as 0.
        uint32_t word(size_t i) const {
            EXPECT_GE(data.size(), 4 * (i + 1)) << "the reply holds no word " << i;
            return data.size() >= 4 * (i + 1) ? be::get32(data.data() + 4 * i) : 0;
        }
    };
    // The sub-command and `words` argument words; msg_size says how many payload bytes
    // (default: all of them).
    Answer call(uint32_t sub, const std::vector<uint32_t>& words, int msg_size = -1) {
        std::memset(buf_.data(), 0x5A, buf_.size());  // what an earlier request left behind
        uint8_t* p = ipcmsg::payload(buf_.data());
        be::put32(p, sub);
        for (size_t i = 0; i < words.size(); ++i)
            be::put32(p + 4 + 4 * i, words[i]);
        ipcmsg::set_cmd(buf_.data(), cmd::kModule);
        ipcmsg::set_msg_size(
            buf_.data(), static_cast<uint16_t>(msg_size >= 0 ? msg_size : 4 + 4 * words.size()));
        EXPECT_TRUE(DEV_SWDRV_HandleIPCReqMsg(buf_.data()));
        Answer a;
        a.result = p[0];
        a.size = ipcmsg::msg_size(buf_.data());
        a.data.assign(p + 4, p + a.size);
        return a;
    }
    // What these requests could change in the chip model.
    struct Snapshot {
        std::vector<chipsim::PortState> ports;
        std::vector<chipsim::PortCable> cables;
        chipsim::Traps traps;
        bool operator==(const Snapshot& o) const {
            if (ports.size() != o.ports.size()) return false;
            for (size_t i = 0; i < ports.size(); ++i)
                if (ports[i].force_link_down != o.ports[i].force_link_down ||
                    ports[i].flow_control != o.ports[i].flow_control ||
                    ports[i].enabled != o.ports[i].enabled)
                    return false;
            return cables == o.cables && traps == o.traps;
        }
    };
    Snapshot snapshot() {
        Snapshot s;
        for (uint32_t p = 1; p <= 16; ++p) {
            s.ports.push_back(state(p));
            s.cables.push_back(chipsim::port_cable(at(p).first, dp(p)));
        }
        s.traps = chipsim::traps(0);
        return s;
    }

    std::vector<uint8_t> buf_ = std::vector<uint8_t>(ipcmsg::kHeaderSize + 2048, 0);
};

TEST_F(StatusHandlerTest, RepliesOfTheStatusSubCommands) {
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 1));
    Answer a = call(cmd::kGetPortOperSpeedDuplex, {1, 1});
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.size, 8);
    EXPECT_EQ(a.word(0), 7u);
    a = call(cmd::kGetAllPortLinkStatus, {1, 1, 2});
    EXPECT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 4 + 192);
    EXPECT_EQ(a.word(0), 1u);
    EXPECT_EQ(a.word(1), 0u) << "port 2 is disabled";
    EXPECT_EQ(a.word(2), 0u) << "the rest of the block is cleared";
    a = call(cmd::kGetPortLinkStatusByDeviceId, {at(1).first, dp(1)});
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.word(0), 1u);
    a = call(cmd::kGetCableDiag, {1, 1});  // linked at 1000: tested in place, complete
    EXPECT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 4 + 28);
    EXPECT_EQ(a.data[21], 1) << "linked test";
    EXPECT_EQ(be::get16(a.data.data() + 8), SDK_CABLE_NORMAL);
    EXPECT_EQ(a.word(6), 1u) << "complete";
}

TEST_F(StatusHandlerTest, ShortAndOutOfRangeRequestsChangeNothing) {
    ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, 3));
    const Snapshot before = snapshot();
    console::Capture cap;
    const struct {
        uint32_t sub;
        std::vector<uint32_t> words;
        int msg_size;
        uint16_t size;
    } cases[] = {
        {cmd::kGetPortOperSpeedDuplex, {}, 4, 8},
        {cmd::kGetPortOperSpeedDuplex, {1, 3}, 6, 8},  // the port word cut off
        {cmd::kGetPortFlowCtrl, {1, 99}, -1, 8},
        {cmd::kGetPortLinkStatus, {2, 3}, -1, 8},
        {cmd::kGetPortLinkStatusByDeviceId, {0, 63}, -1, 8},
        {cmd::kGetAllPortStatus, {1, 0, 16}, -1, 196},
        {cmd::kGetAllPortFlowCtrl, {1, 3}, 12, 196},
        {cmd::kGetAllPortOperSpeedDuplex, {1, 1, 40}, -1, 196},
        {cmd::kGetCableDiag, {1, 3}, 8, 32},
        {cmd::kGetCableDiag, {1, 0xFFFF}, -1, 32},
        {cmd::kGetCableDiagResult, {7, 3}, -1, 28},
    };
    for (const auto& c : cases) {
        Answer a = call(c.sub, c.words, c.msg_size);
        EXPECT_EQ(a.result, 0) << c.sub;
        EXPECT_EQ(a.size, c.size) << c.sub;
        for (uint8_t b : a.data)
            ASSERT_NE(b, 0x5A) << "sub-command " << c.sub << " leaves old bytes";
    }
    EXPECT_TRUE(snapshot() == before);
    DEV_SWDRV_CableDiagResult_T r;
    ASSERT_TRUE(DEV_SWDRV_GetCableDiagResult(1, 3, &r));
    EXPECT_EQ(r.pair_status[0], DEV_SWDRV_CABLE_NOT_TESTED);
}

}  // namespace
