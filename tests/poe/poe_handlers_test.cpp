// The four handlers: every code's reply layout, and what the codes do to the controllers.
#include "tests/poe/poe_fixture.h"

namespace poe_test {
namespace {

struct Layout {
    Bytes m;
    int data_len;  // telemetry data bytes from byte 2; the rest is padding
};

// Every request code, and the port command that answers for itself, with the length of its
// layout. Device indexes name devices 0 and 1 of the board.
TEST_F(PoeTest, EveryRequestCodeAnswersWithItsLayoutAndAGoodChecksum) {
    ASSERT_TRUE(chipsim::poe::attach(5, 3, 0));
    const Layout layouts[] = {
        {global_req(0x0B, {0x17}), 9},
        {global_req(0x0B, {0x57, 2}), 6},
        {global_req(0x0B, {0x5F}), 2},
        {global_req(0x0B, {0xA4, 0}), 9},
        {global_req(0x0B, {0xA5, 1}), 4},
        {global_req(0x0B, {0x1A}), 2},
        {global_req(0x1E, {0x21}), 10},
        {global_req(0x1E, {0x5E}), 8},
        {global_req(0x0C), 11},
        {global_req(0x2B), 2},
        {global_req(0x31), 11},
        {global_req(0x32), 11},
        {global_req(0x33), 11},
        {global_req(9), 5},
        {global_req(0x11), 3},
        {global_req(0x29), 3},
        {global_req(0x2E), 2},
        {global_req(0x2F), 2},
        {global_req(0x3A, {0}), 1},
        {global_req(0x3D, {1}), 4},
        {global_req(0x47), 1},
        {global_req(0x48), 1},
        {global_req(0x49), 1},
        {global_req(0x4B, {0}), 3},
        {global_req(0x4C, {1}), 4},
        {global_req(0x4D, {0}), 2},
        {global_req(0x4F, {0}), 4},
        {global_req(0x50, {1}), 3},
        {global_req(0x56), 8},
        {global_req(0x59), 8},
        {global_req(0x5A, {0}), 2},
        {global_req(0x61), 1},
        {global_req(0x63), 2},
        {global_req(0x85), 7},
        {global_req(0x86), 7},
        {global_req(0x8D), 4},
        {global_req(0x8E), 4},
        {global_req(0x95), 8},
        {global_req(0x96), 8},
        {global_req(0x98), 8},
        {global_req(0x99), 8},
        {global_req(0x9C), 6},
        {port_req(0x0B, 4), 10},
        {port_req(0x0E, 4), 6},
        {port_req(0x25, 4), 3},
        {port_req(0x44, 4), 3},
        {port_cmd(0xA6, 4, {0x01, 0x2C}), 10},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(testing::Message()
                     << "code 0x" << std::hex << int(l.m[3]) << "/0x" << int(l.m[4]));
        Bytes r = ask(l.m);
        EXPECT_EQ(r[1], 7);
        for (int i = 2 + l.data_len; i < 13; ++i)
            EXPECT_EQ(r[i], POE_DRV_PAD) << "byte " << i;
        EXPECT_EQ(w(r, 13), POE_DRV_Checksum(r.data()));
    }
    // Device summaries of devices the board does not have.
    for (uint8_t code : {0x87, 0x8C, 0x8F, 0x94})
        EXPECT_EQ(send(global_req(code)), POE_DRV_ERR_NO_PORT) << int(code);
}

TEST_F(PoeTest, EveryCommandCodeIsCarriedOutAndReported) {
    const Bytes cmds[] = {
        global_cmd(9),
        global_cmd(0x0B, {3, 0, 90}),
        global_cmd(0x11, {3}),
        global_cmd(0x29, {1}),
        global_cmd(0x2B, {0, 0x50}),
        global_cmd(0x2E),
        global_cmd(0x2F),
        global_cmd(0x3D, {1}),
        global_cmd(0x43, {1, 0x2C}),
        global_cmd(0x56, {1}),
        global_cmd(0x5F, {1, 1}),
        global_cmd(0x87, {1, 0, 45}),
        global_cmd(0xA7),
        port_cmd(0x0B, 2, {1}),
        port_cmd(0x0C, 2, {2}),
        port_cmd(0x43, 2, {0, 200}),
        port_cmd(0x4A, 2),
        port_cmd(0x51, 2, {1, 1, 0, 150}),
        port_cmd(0xA2, 2, {0, 0}),
    };
    for (const Bytes& m : cmds) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << int(m[3]));
        EXPECT_EQ(send(m), 0);
        Bytes r = reply();
        EXPECT_EQ(r[0], POE_DRV_KEY_REPORT);
        EXPECT_EQ(w(r, 2), 0);
        EXPECT_EQ(w(r, 13), POE_DRV_Checksum(r.data()));
    }
    // What they left behind.
    EXPECT_EQ(reg(0, POE_REG_BANK_BUDGET + 6), 90);
    EXPECT_EQ(reg(1, POE_REG_BANK_BUDGET + 6), 45);  // 0x87: device 1's active bank (3)
    EXPECT_EQ(reg(1, POE_REG_BUDGET), 45);
    EXPECT_EQ(reg(0, POE_REG_BANK), 3);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_LIMIT, 2)), 150);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_CONFIG, 2)), 0);       // 0xA2: off, priority low
    EXPECT_EQ(reg(1, poe_ch_reg(POE_REG_CH_CONFIG, 7)), 1 << 4);  // all off, then high
}

TEST_F(PoeTest, AClassThreeDeviceIsDetectedClassifiedPoweredAndMeasuredAfterALatch) {
    ASSERT_TRUE(chipsim::poe::attach(5, 3, 0));
    Bytes s = ask(port_req(0x0B, 4));
    EXPECT_EQ(s[2], 1);       // enabled
    EXPECT_EQ(s[3], 1);       // delivering
    EXPECT_EQ(s[4], 3);       // class
    EXPECT_EQ(w(s, 5), 154);  // 15.4 W allocated
    EXPECT_EQ(s[8], 1);       // detected
    EXPECT_EQ(w(s, 9), 300);  // limit
    // The measurement registers hold the last latch: nothing yet.
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_POWER, 4)), 0);
    Bytes m = ask(port_req(0x0E, 4));
    EXPECT_EQ(w(m, 2), 540);  // 54.0 V
    EXPECT_EQ(w(m, 4), 222);  // 12 W / 54 V
    EXPECT_EQ(w(m, 6), 120);  // 12.0 W
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_POWER, 4)), 120);
    // A second device changes the live values, not the latched ones until the next latch.
    ASSERT_TRUE(chipsim::poe::attach(6, 3, 100));
    EXPECT_EQ(reg(0, POE_REG_TOTAL_POWER), 120 * 164 / 100);
    Bytes total = ask(global_req(0x4D, {0}));
    EXPECT_EQ(w(total, 2), (220 * 164 / 100) * 100 / 164 + 1);
    Bytes cls = ask(port_req(0x44, 5));
    EXPECT_EQ(cls[2], 1);
    EXPECT_EQ(cls[3], 3);
    // Temperature: 25 C plus a degree per 10 W delivered.
    EXPECT_EQ(static_cast<int8_t>(ask(global_req(0x3A, {0}))[2]), 27);
}

TEST_F(PoeTest, TheBudgetDeniesTheLastPortAndFreedPowerGoesByPriority) {
    for (uint32_t p : {1u, 2u, 3u, 4u, 5u})
        ASSERT_TRUE(chipsim::poe::attach(p, 3, 0));
    Bytes st = ask(global_req(0x31));
    const uint8_t want[] = {1, 1, 1, 2, 2, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(st.begin() + 2, st.begin() + 13), Bytes(std::begin(want), std::end(want)));
    EXPECT_EQ(ask(global_req(0x48))[2], 2);  // denied
    Bytes left = ask(global_req(0x9C));
    EXPECT_EQ(w(left, 2), 1200);  // two 60 W budgets
    EXPECT_EQ(w(left, 4), 462);
    EXPECT_EQ(w(left, 6), 1200 - 462);
    // Port 5 critical: it gets the power port 1 frees, port 4 keeps waiting.
    ASSERT_EQ(send(port_cmd(0x0C, 4, {2})), 0);
    ASSERT_TRUE(chipsim::poe::detach(1));
    EXPECT_EQ(ask(port_req(0x44, 4))[4], POE_STATE_DELIVERING);
    EXPECT_EQ(ask(port_req(0x44, 3))[4], POE_STATE_DENIED);
    // A smaller budget sheds the lowest priority ports, highest channel first.
    ASSERT_EQ(send(global_cmd(0x87, {0, 0, 32})), 0);
    EXPECT_EQ(reg(0, POE_REG_ALLOCATED), 308);
    EXPECT_EQ(ask(port_req(0x44, 2))[4], POE_STATE_DENIED);
    EXPECT_EQ(ask(port_req(0x44, 4))[4], POE_STATE_DELIVERING);
    EXPECT_EQ(reg(0, POE_REG_POWER_GOOD), 0b10010);
}

TEST_F(PoeTest, WithoutAutoRestoreADeniedPortWaitsForItsReset) {
    for (uint32_t p : {1u, 2u, 3u, 4u})
        ASSERT_TRUE(chipsim::poe::attach(p, 3, 0));
    ASSERT_EQ(send(global_cmd(0x3D, {0})), 0);
    EXPECT_EQ(ask(global_req(0x0B, {0x5F}))[3], 0);
    ASSERT_TRUE(chipsim::poe::detach(1));
    EXPECT_EQ(ask(port_req(0x44, 3))[4], POE_STATE_DENIED);
    ASSERT_EQ(send(port_cmd(0x4A, 3)), 0);
    EXPECT_EQ(ask(port_req(0x44, 3))[4], POE_STATE_DELIVERING);
}

TEST_F(PoeTest, PowerOffPortDisableAndOverloadCutThePower) {
    ASSERT_TRUE(chipsim::poe::attach(1, 3, 0));
    ASSERT_TRUE(chipsim::poe::attach(9, 4, 0));
    ASSERT_EQ(send(port_cmd(0x43, 0, {0, 100})), 0);  // 10 W limit, 12 W drawn
    EXPECT_EQ(ask(port_req(0x44, 0))[4], POE_STATE_OVERLOAD);
    ASSERT_EQ(send(port_cmd(0x43, 0, {0, 130})), 0);
    EXPECT_EQ(ask(port_req(0x44, 0))[4], POE_STATE_DELIVERING);
    ASSERT_EQ(send(port_cmd(0x0B, 0, {0})), 0);
    EXPECT_EQ(ask(port_req(0x44, 0))[4], POE_STATE_DISABLED);
    EXPECT_EQ(ask(global_req(0x3D, {1}))[3], 1);  // device 1, channel 0 still powered
    ASSERT_EQ(send(global_cmd(0x29, {0})), 0);
    EXPECT_EQ(ask(global_req(0x8E))[3], 0);
    EXPECT_EQ(ask(global_req(0x0B, {0x5F}))[2], 0);
    ASSERT_EQ(send(global_cmd(9)), 0);  // power-on configuration: on again, port 1 enabled
    EXPECT_EQ(ask(port_req(0x44, 0))[4], POE_STATE_DELIVERING);
    EXPECT_EQ(ask(port_req(0x44, 8))[4], POE_STATE_DELIVERING);
}

TEST_F(PoeTest, BanksVersionNameAndDeviceIds) {
    ASSERT_EQ(send(global_cmd(0x0B, {5, 0, 25})), 0);
    ASSERT_EQ(send(global_cmd(0x11, {5})), 0);
    Bytes b = ask(global_req(0x0B, {0x57, 5}));
    EXPECT_EQ(w(b, 2), 25);
    EXPECT_EQ(w(b, 4), 25);
    EXPECT_EQ(w(b, 6), 5);
    EXPECT_EQ(w(ask(global_req(0x59)), 4), 25);
    EXPECT_EQ(w(ask(global_req(9)), 2), 0x0213);  // major 2, minor 19
    Bytes name = ask(global_req(0x0C));
    EXPECT_EQ(name[2], 10);
    EXPECT_EQ(std::string(name.begin() + 3, name.begin() + 13), "VS-PSE-24C");
    Bytes ids = ask(global_req(0x1E, {0x5E}));
    EXPECT_EQ(w(ids, 2), 0x5008);
    EXPECT_EQ(w(ids, 4), 0x5008);
    EXPECT_EQ(w(ids, 6), 0xFFFF);  // no devices 2 and 3
    EXPECT_EQ(w(ids, 8), 0xFFFF);
}

TEST_F(PoeTest, ASilentControllerGivesCommunicationErrors) {
    ASSERT_TRUE(chipsim::poe::set_fault(1, chipsim::poe::Fault::kSilent));
    EXPECT_EQ(send(port_req(0x0B, 8)), POE_DRV_ERR_COMM_DRIVER);
    EXPECT_TRUE(console_.contains("COMMUNICATION DRIVER error number: -2\n"));
    EXPECT_EQ(send(port_cmd(0x0B, 8, {0})), POE_DRV_ERR_COMM_DRIVER);
    EXPECT_EQ(reply()[0], POE_DRV_KEY_REPORT);
    EXPECT_EQ(w(ask(global_req(0x1E, {0x5E})), 4), 0xFFFF);
    EXPECT_EQ(ask(port_req(0x0B, 7))[2], 1);  // device 0 still answers
    ASSERT_TRUE(chipsim::poe::set_fault(1, chipsim::poe::Fault::kNone));
    EXPECT_EQ(reg(1, POE_REG_CH_CONFIG), POE_CH_ENABLE);
}

TEST_F(PoeTest, AControllerFailingEverySecondWriteKeepsWhatItRefused) {
    ASSERT_TRUE(chipsim::poe::set_fault(0, chipsim::poe::Fault::kEverySecondWrite));
    EXPECT_EQ(send(port_cmd(0x43, 1, {0, 90})), 0);  // first write
    EXPECT_EQ(send(port_cmd(0x43, 2, {0, 90})), POE_DRV_ERR_COMM_DRIVER);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_LIMIT, 1)), 90);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_LIMIT, 2)), 300);
    // A latch that fails: the measurements are not read.
    EXPECT_EQ(send(port_req(0x0E, 1)), 0);  // third write: the latch works
    EXPECT_EQ(send(port_req(0x0E, 1)), POE_DRV_ERR_COMM_DRIVER);
    // A global command stops at its first failure.
    EXPECT_EQ(send(global_cmd(0x2F)), POE_DRV_ERR_COMM_DRIVER);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_CONFIG, 0)), 0);
    EXPECT_EQ(reg(0, poe_ch_reg(POE_REG_CH_CONFIG, 1)), POE_CH_ENABLE);
}

}  // namespace
}  // namespace poe_test
