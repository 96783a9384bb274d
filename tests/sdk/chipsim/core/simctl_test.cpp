// The chip model's simulation-control commands, dispatched as the SIM_CONTROL thread does.
#include <vector>

#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

namespace sc = simproto;

class SimctlTest : public ChipTest {
  protected:
    // Dispatches a command with the given payload words; the buffer holds the answer.
    bool send(uint16_t cmd, const std::vector<uint32_t>& words) {
        buf_.assign(ipcmsg::kHeaderSize + simctl::kMaxPayload, 0);
        ipcmsg::set_cmd(buf_.data(), cmd);
        ipcmsg::set_msg_size(buf_.data(), static_cast<uint16_t>(4 * words.size()));
        for (size_t i = 0; i < words.size(); ++i)
            ipcmsg::set_word(buf_.data(), static_cast<uint32_t>(i), words[i]);
        return simctl::dispatch(buf_.data());
    }
    uint8_t result() const { return ipcmsg::payload(buf_.data())[0]; }
    // The answer's record, decoded as drvctl decodes it.
    template <typename T>
    T record() const {
        T r{};
        const uint8_t* p = ipcmsg::payload(buf_.data());
        EXPECT_TRUE(
            sc::decode_reply(std::vector<uint8_t>(p, p + ipcmsg::msg_size(buf_.data())), &r));
        return r;
    }
    std::vector<uint8_t> buf_;
};

TEST_F(SimctlTest, PortsListsConfiguredAndOperationalState) {
    sdkPortEnableSet(0, dp(2), false);
    sdkPortMruSet(0, dp(1), 1530);
    ASSERT_TRUE(send(sc::kPorts, {}));
    ASSERT_EQ(result(), 1);
    auto ports = record<sc::List<sc::PortRecord>>();
    ASSERT_EQ(ports.count, 16u);
    const sc::PortRecord& r1 = ports.items[0];
    const sc::PortRecord& r2 = ports.items[1];
    const sc::PortRecord& r15 = ports.items[14];
    EXPECT_EQ(r1.front, 1);
    EXPECT_TRUE(r1.flags & sc::kPortFlagAdmin);
    EXPECT_TRUE(r1.flags & sc::kPortFlagLink);
    EXPECT_EQ(r1.link_speed, SDK_PORT_SPEED_1000);
    EXPECT_EQ(r1.mru, 1530);
    EXPECT_EQ(r1.phy_class, 0x1C0);
    EXPECT_FALSE(r2.flags & sc::kPortFlagAdmin);
    EXPECT_FALSE(r2.flags & sc::kPortFlagLink);
    EXPECT_EQ(r15.dev_port, 24);
    EXPECT_EQ(r15.phy_class, 0x10);
    EXPECT_EQ(ipcmsg::msg_size(buf_.data()), 8 + 16 * sc::kPortRecordSize);
}

TEST_F(SimctlTest, PartnerAndSilentPhyChangeTheLink) {
    // Port 4 (fast Ethernet): a partner forced to 10 half is detected in parallel.
    ASSERT_TRUE(send(sc::kPartner, {4, 1, 0, chipsim::kAbAll, 0, 0, SDK_PORT_SPEED_10, 0, 0}));
    EXPECT_EQ(result(), 1);
    chipsim::LinkState l = chipsim::link(0, dp(4));
    EXPECT_TRUE(l.up);
    EXPECT_EQ(l.speed, SDK_PORT_SPEED_10);
    EXPECT_EQ(l.duplex, SDK_PORT_HALF_DUPLEX);
    ASSERT_TRUE(send(sc::kPartnerGet, {4}));
    EXPECT_EQ(record<sc::Partner>().forced_speed, SDK_PORT_SPEED_10);
    ASSERT_TRUE(send(sc::kPartner, {4, 0, 1, chipsim::kAbAll, 1, 0, 0, 1, 0}));
    EXPECT_FALSE(chipsim::link(0, dp(4)).up);
    ASSERT_TRUE(send(sc::kPhyAnswer, {1, 0}));
    EXPECT_EQ(result(), 1);
    EXPECT_FALSE(chipsim::link(0, dp(1)).up);
    // Bad requests are refused, not acted on.
    ASSERT_TRUE(send(sc::kPartner, {4, 1}));
    EXPECT_EQ(result(), 0);
    ASSERT_TRUE(send(sc::kPhyAnswer, {99, 0}));
    EXPECT_EQ(result(), 0);
    ASSERT_TRUE(send(sc::kPartner, {4, 1, 1, 0x80, 1, 0, 0, 1, 0}));  // unknown ability bit
    EXPECT_EQ(result(), 0);
}

TEST_F(SimctlTest, PhyRegistersAndTwsiFaults) {
    ASSERT_TRUE(send(sc::kPhyWrite, {1, 0, 0, 4, 0x0181}));
    EXPECT_EQ(result(), 1);
    ASSERT_TRUE(send(sc::kPhyRead, {1, 0, 0, 4}));
    EXPECT_EQ(result(), 1);
    EXPECT_EQ(record<sc::PhyValue>().value, 0x0181u);
    ASSERT_TRUE(send(sc::kPhyRead, {15, 1, 1, 3}));
    EXPECT_EQ(record<sc::PhyValue>().value, 0xA400u);
    ASSERT_TRUE(send(sc::kPhyRead, {13, 0, 0, 3}));  // no PHY on an SFP port
    EXPECT_EQ(result(), 0);
    ASSERT_TRUE(send(sc::kPhyDump, {9, 0}));
    auto dump = record<sc::PhyDump>();
    EXPECT_EQ(dump.phy_class, 0x1C0u);
    EXPECT_EQ(dump.regs[4], 0x01E1);
    ASSERT_TRUE(send(sc::kTwsiFail, {0, 0x20, 3}));
    EXPECT_EQ(result(), 1);
    ASSERT_EQ(sdkTwsiInit(), SDK_OK);
    uint8_t b;
    EXPECT_EQ(sdkTwsiDataRead(0x20, 0, 1, 0, 0, 1, &b), SDK_FAIL);
    ASSERT_TRUE(send(sc::kTwsiFail, {0, 0x66, 3}));
    EXPECT_EQ(result(), 0);
}

}  // namespace
