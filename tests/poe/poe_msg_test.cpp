// The message layer's framing, reply store, dispatch, packer and conversions.
#include <cstring>

#include "tests/poe/poe_fixture.h"

namespace poe_test {
namespace {

TEST_F(PoeTest, ReadBeforeAnyWriteIsNotReadyAndAReadDoesNotClearTheReply) {
    Bytes r(POE_DRV_MSG_LEN);
    EXPECT_EQ(POE_DRV_ReadReply(r.data(), POE_DRV_MSG_LEN), POE_DRV_ERR_NOT_READY);
    EXPECT_TRUE(console_.contains("MESSAGE NOT READY error number: -6\n"));
    // Global request 0x63 with its checksum worked out by hand: 2 + 7 + 7 + 0x63 + 9 x 0x4E.
    const Bytes m = {2,    7,    7,    0x63, 0x4E, 0x4E, 0x4E, 0x4E,
                     0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x03, 0x31};
    ASSERT_EQ(send(m), 0);
    Bytes first = reply();
    EXPECT_EQ(reply(), first);  // read again: the same reply
    // Telemetry, the echo, 2 devices, 16 ports, padding, 3 + 7 + 2 + 16 + 9 x 0x4E.
    const Bytes want = {3,    7,    2,    16,   0x4E, 0x4E, 0x4E, 0x4E,
                        0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x02, 0xDA};
    EXPECT_EQ(first, want);
}

TEST_F(PoeTest, BadChecksumIsReportedAndNotCarriedOut) {
    Bytes m = port_cmd(0x0B, 4, {0});  // would disable port 5
    m[14] ^= 1;
    EXPECT_EQ(send(m), POE_DRV_ERR_COMM_REPORT);
    Bytes r = reply();
    EXPECT_EQ(r[0], POE_DRV_KEY_REPORT);
    EXPECT_EQ(r[1], 7);
    EXPECT_EQ(w(r, 13), POE_DRV_Checksum(r.data()));
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_CONFIG, 4)) & POE_CH_ENABLE, 1);
    EXPECT_EQ(g_writes, 0);
}

TEST_F(PoeTest, MessagesOfOtherLengthsAreRefusedWithoutAReply) {
    Bytes m = global_req(0x63);
    for (uint32_t len : {0u, 1u, 14u, 16u, 30u}) {
        Bytes b(std::max<uint32_t>(len, 15), 0);
        std::memcpy(b.data(), m.data(), 15);
        EXPECT_EQ(POE_DRV_WriteMessage(b.data(), len), POE_DRV_ERR_LENGTH) << len;
    }
    EXPECT_EQ(POE_DRV_WriteMessage(nullptr, 15), POE_DRV_ERR_LENGTH);
    Bytes r(POE_DRV_MSG_LEN);
    EXPECT_EQ(POE_DRV_ReadReply(r.data(), POE_DRV_MSG_LEN), POE_DRV_ERR_NOT_READY);
    EXPECT_TRUE(console_.contains("MESSAGE LENGTH MISMATCH error number: -4\n"));
}

// Every status a message can be reported with, and what the write gives.
TEST_F(PoeTest, ReportsCarryTheStatusOfUnknownKeysSubjectsAndPorts) {
    struct Case {
        const char* what;
        Bytes m;
        int write;
        uint16_t reported;
    } cases[] = {
        {"unknown key", msg(1, 7, 0x63), -3, 0xFFFF},
        {"telemetry key from the host", msg(3, 7, 0x63), -3, 0xFFFF},
        {"command, unknown subject", msg(0, 6, 0x0B), -3, 2},
        {"request, unknown subject", msg(2, 1, 0x0B), -3, 3},
        {"0x1E, unknown subject 2", global_req(0x1E, {0x22}), -3, 4},
        {"global request, unknown subject 1", global_req(0x12), -3, 9},
        {"global command, unknown subject 1", global_cmd(0x12), -3, 9},
        {"bank index 8", global_req(0x0B, {0x57, 8}), -3, 0x8024},
        {"device index 8", global_req(0x0B, {0xA4, 8}), -3, 0x8024},
        {"port 96", port_req(0x0B, 96), -3, 0x8026},
        {"port 255 command", port_cmd(0x0B, 255, {1}), -3, 0x8026},
        {"device 9 temperature", global_req(0x3A, {9}), -3, 0x8026},
        {"command done", port_cmd(0x0C, 3, {1}), 0, 0},
        {"priority out of range", port_cmd(0x0C, 3, {3}), -13, 0},
        {"port beyond the last device", port_cmd(0x0B, 16, {1}), -5, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(c.m), c.write) << c.what;
        Bytes r = reply();
        EXPECT_EQ(r[0], POE_DRV_KEY_REPORT) << c.what;
        EXPECT_EQ(w(r, 2), c.reported) << c.what;
        for (int i = 4; i < 13; ++i)
            EXPECT_EQ(r[i], POE_DRV_PAD) << c.what;
        EXPECT_EQ(w(r, 13), POE_DRV_Checksum(r.data())) << c.what;
    }
}

TEST_F(PoeTest, ARequestForAPortBeyondTheLastDeviceGivesMinusFiveAndNoReply) {
    ASSERT_EQ(send(global_req(0x63)), 0);
    Bytes before = reply();
    EXPECT_EQ(send(port_req(0x0B, 16)), POE_DRV_ERR_NO_PORT);
    EXPECT_EQ(reply(), before);
    EXPECT_TRUE(console_.contains("PORT NOT EXIST error number: -5\n"));
}

TEST(PoePacker, FormatsPadAndStop) {
    uint8_t b[POE_DRV_PACK_SIZE];
    POE_DRV_PackInto(b, 3, 9, "%w", {0x1234});
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b[1], 9);
    EXPECT_EQ(b[2], 0x12);
    EXPECT_EQ(b[3], 0x34);
    for (int i = 4; i < 24; ++i)
        EXPECT_EQ(b[i], 0x4E) << i;

    POE_DRV_PackInto(b, 3, 0, "%c%d%cA%q", {0x1FF, 0xA1B2C3D4, 7});
    const uint8_t want[] = {0xFF, 0xA1, 0xB2, 0xC3, 0xD4, 7, 'A', 0x25, 0x4E};
    EXPECT_EQ(std::memcmp(b + 2, want, sizeof want), 0);

    const uint8_t s[] = {'a', 'b', 'c'};
    POE_DRV_PackInto(b, 3, 0, "%c%S%c", {3, 3, s, 9});
    const uint8_t want_s[] = {3, 'a', 'b', 'c', 9, 0x4E};
    EXPECT_EQ(std::memcmp(b + 2, want_s, sizeof want_s), 0);
    // A zero length or a null address copies nothing; the arguments are still taken.
    POE_DRV_PackInto(b, 3, 0, "%S%c", {0, s, 5});
    EXPECT_EQ(b[2], 5);
    EXPECT_EQ(b[3], 0x4E);
    POE_DRV_PackInto(b, 3, 0, "%S%c", {3, static_cast<const uint8_t*>(nullptr), 6});
    EXPECT_EQ(b[2], 6);
    EXPECT_EQ(b[3], 0x4E);

    // 24 format characters and no more: 22 literals fill bytes 2-23; "%c" past them is
    // not reached, and 12 "%c" walk 24 characters, so a 13th is not taken.
    POE_DRV_PackInto(b, 3, 0, "%c%c%c%c%c%c%c%c%c%c%c%cZ", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(b[13], 12);
    EXPECT_EQ(b[14], 0x4E);  // 'Z' was the 25th character
    POE_DRV_PackInto(b, 3, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", {});
    EXPECT_EQ(b[23], 'V');  // 22 letters fit in bytes 2-23
    // A trailing '%' is the byte 0x25.
    POE_DRV_PackInto(b, 3, 0, "%", {});
    EXPECT_EQ(b[2], 0x25);
    EXPECT_EQ(b[3], 0x4E);
}

TEST(PoeConversions, ByHand) {
    // (68400 - ((t + 40) mod 256) * 1514 / 10) / 100, and back (684 - r) * 1000 / 1514 - 40.
    struct {
        int celsius;
        uint16_t reg;
    } temps[] = {{-40, 684}, {0, 623}, {25, 585}, {85, 494}};
    for (const auto& t : temps) {
        EXPECT_EQ(POE_DRV_TempToReg(t.celsius), t.reg) << t.celsius;
        EXPECT_EQ(POE_DRV_TempFromReg(t.reg), t.celsius) << t.reg;
        EXPECT_EQ(chipsim::poe::temp_to_reg(t.celsius), t.reg) << t.celsius;
    }
    EXPECT_EQ(POE_DRV_TempFromReg(685), -40);
    EXPECT_EQ(POE_DRV_TempFromReg(0xFFFF), -40);
    EXPECT_EQ(static_cast<uint8_t>(POE_DRV_TempFromReg(700)), 0xD8);
    EXPECT_EQ(POE_DRV_TempToReg(216), 684);  // 256 wraps to -40
    EXPECT_EQ(POE_DRV_Tenths(5407), 540);
    EXPECT_EQ(POE_DRV_ScalePower(0), 1u);
    EXPECT_EQ(POE_DRV_ScalePower(196), 120u);  // 196 * 100 / 164 = 119, + 1
    EXPECT_EQ(POE_DRV_Halves(0x02, 0x13), 0x0213);
    EXPECT_EQ(POE_DRV_Halves(0x1FF, 0x1AB), 0xFFAB);
    EXPECT_EQ(POE_DRV_AbsDiff(10, 250), 240);
    EXPECT_EQ(POE_DRV_AbsDiff(250, 10), 240);
}

TEST_F(PoeTest, StatusTextsAreTheListedOnes) {
    EXPECT_STREQ(POE_DRV_StatusText(0), "POE OK, status number: %d\n");
    EXPECT_STREQ(POE_DRV_StatusText(-2), "COMMUNICATION DRIVER error number: %d\n");
    EXPECT_STREQ(POE_DRV_StatusText(-9), "MUTEX initialization error number: %d\n");
    EXPECT_STREQ(POE_DRV_StatusText(-13), "OUT OF RANGE ERROR VALUE number: %d\n");
    EXPECT_EQ(POE_DRV_StatusText(-14), nullptr);
    EXPECT_EQ(POE_DRV_StatusText(2), nullptr);
}

}  // namespace
}  // namespace poe_test
