// The counters driver in this process: the five records are the sums they are made of, the
// value rule, clearing, and its request handler's answers to good and bad requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "drivers/nmtrdrv/dev_nmtrdrv.h"
#include "drivers/nmtrdrv/dev_nmtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/sdk/chipsim/support/counters_fixture.h"

namespace {

using namespace frames;
namespace cmd = nmtrdrv::subcmd;

constexpr uint8_t kFill = 0xEE;  // what the requester's record held before the answer
constexpr uint64_t kAllOnes = ~uint64_t{0};

class NmtrdrvTest : public CountersTest {
  protected:
    void TearDown() override {
        DEV_NMTRDRV_CB() = DEV_NMTRDRV_CB_T{};
        CountersTest::TearDown();
    }
    // A request through the handler; the whole message buffer after the answer. msg_size
    // defaults to the code's reply size (at least the 16 bytes up to the port), as the
    // requester sends it.
    std::vector<uint8_t> ask(uint32_t code, uint32_t unit, uint32_t port, int msg_size = -1) {
        std::vector<uint8_t> m(sys_adpt::kMaxMsgSize, kFill);
        const reqlayout::Row* row = reqlayout::find(cmd::kRows, code);
        uint16_t size = msg_size >= 0 ? static_cast<uint16_t>(msg_size)
                        : row         ? static_cast<uint16_t>(std::max(16, 4 + row->reply_size))
                                      : 16;
        ipcmsg::set_cmd(m.data(), cmd::kModule);
        ipcmsg::set_msg_size(m.data(), size);
        ipcmsg::set_word(m.data(), 0, code);
        ipcmsg::set_word(m.data(), 1, 0);
        ipcmsg::set_word(m.data(), 2, unit);
        ipcmsg::set_word(m.data(), 3, port);
        EXPECT_TRUE(DEV_NMTRDRV_HandleIPCReqMsg(m.data()));
        return m;
    }
    static uint8_t result(const std::vector<uint8_t>& m) { return ipcmsg::payload(m.data())[0]; }
    // A record field (record offset) of an answer.
    static uint64_t at64(const std::vector<uint8_t>& m, uint32_t offset) {
        const uint8_t* p = ipcmsg::payload(m.data()) + cmd::kRecordOffset + offset;
        return uint64_t{be::get32(p)} << 32 | be::get32(p + 4);
    }
    using Fields = std::map<uint32_t, uint64_t>;  // record offset -> value
    void expect_record(uint32_t code, uint32_t port, const Fields& want) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        std::vector<uint8_t> m = ask(code, 1, port);
        ASSERT_EQ(result(m), 1);
        for (const auto& [offset, value] : want)
            EXPECT_EQ(at64(m, offset), value) << "field at " << offset;
    }
};

constexpr uint64_t kUntouched = 0xEEEEEEEEEEEEEEEEull;
constexpr uint64_t kUnitPort1 = 0x0000000100000001ull;  // the request's unit and port

TEST_F(NmtrdrvTest, EveryFieldOfTheFiveRecordsIsItsSum) {
    // Port 1 receives: 3 unicast of 64 bytes on the wire, 2 broadcast of 100, 1 multicast of
    // 200, 1 unicast of 64 for a VLAN the chip does not hold (a drop event), 1 frame of 104
    // with a bad FCS, 1 undersize frame of 14. It sends 1 unicast of 64 that port 2 floods.
    for (int i = 0; i < 3; ++i)
        receive(1, of_kind('u', 60).bytes());
    for (int i = 0; i < 2; ++i)
        receive(1, of_kind('b', 96).bytes());
    receive(1, of_kind('m', 196).bytes());
    receive(1, tagged(mac(9), mac(1), 99, 60).bytes());
    receive(1, of_kind('u', 100).bytes(), true);
    Bytes runt = of_kind('u', 10).bytes();
    runt.resize(10);
    receive(1, runt);
    receive(2, untagged(mac(9), mac(2), 60).bytes());
    // What the model's full-duplex links never make.
    set(1, SDK_MAC_RCV_ERROR, 2);
    set(1, SDK_MAC_TRANSMIT_ERR, 3);
    set(1, SDK_COLLISIONS, 4);
    set(1, SDK_LATE_COLLISIONS, 5);
    set(1, SDK_EXCESSIVE_COLLISIONS, 6);
    set(1, SDK_DEFERRED_PKTS_SENT, 7);
    set(1, SDK_FC_SENT, 8);
    set(1, SDK_OVERSIZE_PKTS, 9);
    set(1, SDK_FRAGMENTS_PKTS, 10);
    set(1, SDK_JABBER_PKTS, 11);
    set(1, SDK_GOOD_FC_RCV, 12);
    const uint64_t good_in = 3 * 64 + 2 * 100 + 200 + 64, bad_in = 104 + 14;
    expect_record(cmd::kGetIfStats, 1,
                  {{0, good_in + bad_in},
                   {8, 4},
                   {16, 3},
                   {24, 1},
                   {32, 2 + 1 + 1},
                   {40, 0},
                   {48, 64},
                   {56, 1},
                   {64, 0},
                   {72, 0},
                   {80, 3},
                   {88, 0}});
    const Fields hc = {{0, kUnitPort1}, {8, kUntouched}, {24, kUntouched}, {32, good_in + bad_in},
                       {40, 4},         {48, 1},         {56, 2},          {64, 64},
                       {72, 1},         {80, 0},         {88, 0}};
    expect_record(cmd::kGetIfXStats, 1, hc);
    expect_record(cmd::kGetIfXStatsAlso, 1, hc);
    expect_record(cmd::kGetRmonStats, 1,
                  {{0, 1},
                   {8, good_in + bad_in + 64},
                   {16, 8},
                   {24, 2},
                   {32, 1},
                   {40, 1},
                   {48, 1},
                   {56, 9},
                   {64, 10},
                   {72, 11},
                   {80, 4},
                   {88, 4},
                   {96, 3},
                   {104, 1},
                   {112, 0},
                   {120, 0},
                   {128, 0}});
    expect_record(cmd::kGetEtherLikeStats, 1,
                  {{0, 0},
                   {8, 1},
                   {16, 4},
                   {24, 0},
                   {32, 0},
                   {40, 7},
                   {48, 5},
                   {56, 6},
                   {64, 3},
                   {72, 0},
                   {80, 9},
                   {88, 2},
                   {96, 0},
                   {104, 0},
                   {112, 0},
                   {120, kUntouched}});
    expect_record(cmd::kGetPauseStats, 1, {{0, kUnitPort1}, {8, 12}, {16, 8}, {24, kUntouched}});
    // Port 2's own counters are its own.
    expect_record(cmd::kGetIfStats, 2, {{0, 64}, {8, 1}, {48, good_in - 64}, {56, 3}, {64, 3}});
}

TEST_F(NmtrdrvTest, AllOnesReadsAsAllOnesMinusOneAndAFailedReadAsZero) {
    set(1, SDK_GOOD_OCTETS_RCV, kAllOnes);
    set(1, SDK_BAD_OCTETS_RCV, 0);
    set(1, SDK_UC_PKTS_RCV, kAllOnes - 1);
    set(1, SDK_BRDC_PKTS_RCV, kAllOnes);
    set(1, SDK_MC_PKTS_RCV, 5);
    expect_record(cmd::kGetIfStats, 1, {{0, kAllOnes - 1}, {8, kAllOnes - 1}, {16, 3}});
    // The first read of the record (goodOctetsRcv) fails: 0, and the answer is still TRUE.
    set(1, SDK_BAD_OCTETS_RCV, 40);
    chipsim::fail("sdkMacCounterGet", SDK_FAIL, 1);
    expect_record(cmd::kGetIfStats, 1, {{0, 40}, {8, kAllOnes - 1}});
}

TEST_F(NmtrdrvTest, BadUnitsAndPortsAnswerFalseWithTheRecordUntouched) {
    set(1, SDK_DROP_EVENTS, 6);
    struct Case {
        uint32_t unit, port;
    };
    for (Case c : {Case{1, 0}, Case{1, 17}, Case{0, 1}, Case{9, 1}, Case{0xFFFFFFFF, 1}}) {
        SCOPED_TRACE(testing::Message() << "unit " << c.unit << " port " << c.port);
        // Armed, a read of the chip would fail; it stays armed when nothing is read.
        chipsim::fail("sdkMacCounterGet", SDK_FAIL, 1);
        for (uint32_t code : {cmd::kGetIfStats, cmd::kGetIfXStats, cmd::kGetRmonStats,
                              cmd::kGetEtherLikeStats, cmd::kGetPauseStats}) {
            std::vector<uint8_t> m = ask(code, c.unit, c.port);
            EXPECT_EQ(result(m), 0) << "code " << code;
            EXPECT_EQ(at64(m, 0), uint64_t{c.unit} << 32 | c.port);
            EXPECT_EQ(at64(m, 8), kUntouched);
            EXPECT_EQ(at64(m, 32), kUntouched);
        }
        EXPECT_EQ(result(ask(cmd::kClearPortCounter, c.unit, c.port)), 0);
        std::vector<uint8_t> m = ask(cmd::kGetRmonStats, 1, 1);
        EXPECT_EQ(at64(m, 0), 0u);  // the fault was still armed for this read
        chipsim::clear_faults();
    }
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 6u);
}

TEST_F(NmtrdrvTest, AnswerSizesAndUnknownCodes) {
    struct Case {
        uint32_t code;
        uint8_t result;
        uint16_t size;
    };
    const Case cases[] = {
        {0, 1, 8},    {1, 1, 8},   {2, 1, 8},  {3, 1, 1544}, {4, 1, 1672},  {5, 1, 2184},
        {6, 1, 1928}, {7, 1, 392}, {8, 1, 18}, {9, 1, 8},    {13, 1, 1672}, {0xFFFFFFFF, 1, 8},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> m = ask(c.code, 1, 1);
        EXPECT_EQ(result(m), c.result) << "code " << c.code;
        EXPECT_EQ(ipcmsg::msg_size(m.data()), c.size) << "code " << c.code;
    }
    std::vector<uint8_t> m = ask(cmd::kGetSupportedCounters, 1, 1);
    const uint8_t want[] = {0xFB, 0xAF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x67, 0xB7, 0xFF};
    EXPECT_TRUE(std::equal(want, want + 10, ipcmsg::payload(m.data()) + 8));
}

TEST_F(NmtrdrvTest, ShortRequestsReadAsZerosAndNothingStaleIsReturned) {
    // Only the code: unit and port read as 0, which does not convert.
    std::vector<uint8_t> m = ask(cmd::kGetRmonStats, 1, 1, 4);
    EXPECT_EQ(result(m), 0);
    ASSERT_EQ(ipcmsg::msg_size(m.data()), 2184);
    const uint8_t* p = ipcmsg::payload(m.data());
    EXPECT_TRUE(std::all_of(p + 4, p + 2184, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(p[2184], kFill);  // nothing written past the reply
    // No payload at all: the code reads as 0 (clear a port), port 0 again.
    m = ask(cmd::kClearPortCounter, 1, 1, 0);
    EXPECT_EQ(result(m), 0);
    EXPECT_EQ(ipcmsg::msg_size(m.data()), 8);
    EXPECT_EQ(DEV_NMTRDRV_HandleIPCReqMsg(nullptr), false);
}

TEST_F(NmtrdrvTest, ClearingOnePortLeavesTheOthers) {
    for (uint32_t p : {1u, 2u, 3u})
        set(p, SDK_BAD_CRC, 10 + p);
    receive(1, of_kind('u', 60).bytes());
    EXPECT_EQ(result(ask(cmd::kClearPortCounter, 1, 1)), 1);
    for (SDK_MAC_COUNTER c : {SDK_BAD_CRC, SDK_UC_PKTS_RCV, SDK_GOOD_OCTETS_RCV})
        EXPECT_EQ(count(1, c), 0u) << c;
    EXPECT_EQ(count(2, SDK_BAD_CRC), 12u);
    EXPECT_EQ(count(3, SDK_BAD_CRC), 13u);
    EXPECT_EQ(count(2, SDK_UC_PKTS_SENT), 1u);
    // Clear-on-read is off again: reading does not clear.
    expect_record(cmd::kGetEtherLikeStats, 2, {{8, 12}});
    EXPECT_EQ(count(2, SDK_BAD_CRC), 12u);
}

TEST_F(NmtrdrvTest, ClearingAllGoesOnPastAPortThatFails) {
    for (uint32_t p = 1; p <= 16; ++p)
        set(p, SDK_BAD_CRC, p);
    // Each port's clear sets clear-on-read twice; the first call for port 5 fails.
    chipsim::fail("sdkPortMacCountersClearOnReadSet", SDK_FAIL, 1, 8);
    console::Capture cap;
    EXPECT_EQ(result(ask(cmd::kClearAllCounters, 0, 0)), 0);
    EXPECT_NE(cap.text().find("sdkPortMacCountersClearOnReadSet failed rc=1"), std::string::npos);
    for (uint32_t p = 1; p <= 16; ++p)
        EXPECT_EQ(count(p, SDK_BAD_CRC), p == 5 ? 5u : 0u) << "port " << p;
    EXPECT_EQ(result(ask(cmd::kClearAllCounters, 0, 0)), 1);
    EXPECT_EQ(count(5, SDK_BAD_CRC), 0u);
}

TEST_F(NmtrdrvTest, ACaptureThatNeverCompletesFailsTheClearAfterThePollLimit) {
    DEV_NMTRDRV_CB().capture_poll_limit = 3;
    DEV_NMTRDRV_CB().capture_poll_ticks = 1;
    ASSERT_TRUE(chipsim::set_capture_delay(at(1).first, 2));
    EXPECT_TRUE(DEV_NMTRDRV_ClearPortCounter(1, 1));  // done within the limit
    ASSERT_TRUE(chipsim::set_capture_delay(at(1).first, 0xFFFFFFFF));
    console::Capture cap;
    EXPECT_FALSE(DEV_NMTRDRV_ClearPortCounter(1, 2));
    EXPECT_NE(cap.text().find("sdkPortMacCountersCaptureTriggerGet failed devid"),
              std::string::npos);
}

}  // namespace
