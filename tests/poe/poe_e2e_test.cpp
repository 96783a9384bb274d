// Through the running daemon: powered devices plugged in over the simulation-control queue,
// PoE messages over the driver group's queue and through drvctl.
#include <gtest/gtest.h>

#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "poe/poe_drv.h"
#include "poe/poe_ipc.h"
#include "sdk/simproto/poe_simcmd.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using testing_support::Daemon;
using testing_support::Reply;
using Bytes = std::vector<uint8_t>;

struct Answer {
    int write = 0, read = 0;
    Bytes reply;
};

class PoeSwitch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    void sim(uint16_t cmd, std::vector<uint32_t> words) {
        ASSERT_EQ(d.request(simctl::kQueueKey, cmd, words).result(), 1) << cmd;
    }
    Answer send(Bytes m) {
        Bytes payload(4 + m.size());
        be::put32(payload.data(), POE_DRV_IPC_SEND);
        std::copy(m.begin(), m.end(), payload.begin() + 4);
        Reply r = d.request_bytes(24, POE_DRV_MODULE_ID, payload);
        Answer a;
        EXPECT_TRUE(r.answered);
        EXPECT_EQ(r.result(), 1);
        if (r.payload.size() < 12 + POE_DRV_MSG_LEN) return a;
        a.write = static_cast<int32_t>(be::get32(r.payload.data() + 4));
        a.read = static_cast<int32_t>(be::get32(r.payload.data() + 8));
        a.reply.assign(r.payload.begin() + 12, r.payload.begin() + 12 + POE_DRV_MSG_LEN);
        return a;
    }
    static Bytes msg(uint8_t key, uint8_t subject, uint8_t s1, Bytes rest = {}) {
        Bytes m(POE_DRV_MSG_LEN);
        POE_DRV_BuildMessage(m.data(), key, 0x21, subject, s1, rest.data(),
                             static_cast<uint32_t>(rest.size()));
        return m;
    }
    Bytes port_request(uint8_t code, uint8_t port) {
        Answer a = send(msg(2, 5, code, {port}));
        EXPECT_EQ(a.write, 0);
        EXPECT_EQ(a.reply[0], POE_DRV_KEY_TELEMETRY);
        EXPECT_EQ(be::get16(a.reply.data() + 13), POE_DRV_Checksum(a.reply.data()));
        return a.reply;
    }
    bool power_good(uint32_t poe_port) {
        Reply r = d.request(24, POE_DRV_MODULE_ID, {POE_DRV_IPC_POWER_GOOD, poe_port});
        EXPECT_EQ(r.result(), 1);
        return r.payload.size() >= 8 && be::get32(r.payload.data() + 4) == 1;
    }
    Daemon d;
};

TEST_F(PoeSwitch, AClassThreeDeviceOnPortFiveIsPoweredAndMeasured) {
    // Nothing has been written yet.
    Reply first = d.request(24, POE_DRV_MODULE_ID, {POE_DRV_IPC_READ});
    ASSERT_GE(first.payload.size(), 12u);
    EXPECT_EQ(static_cast<int32_t>(be::get32(first.payload.data() + 8)), -6);

    sim(sc::kPoeAttach, {5, 3, 0});
    Bytes s = port_request(0x0B, 4);
    EXPECT_EQ(s[1], 0x21);
    EXPECT_EQ(s[3], 1);  // delivering power
    EXPECT_EQ(s[4], 3);  // class 3
    EXPECT_EQ(s[8], 1);  // detected
    Bytes m = port_request(0x0E, 4);
    EXPECT_EQ(be::get16(m.data() + 6), 120);  // 12.0 W consumed
    EXPECT_TRUE(power_good(4));
    EXPECT_FALSE(power_good(3));

    std::string out;
    ASSERT_EQ(d.drvctl({"poe", "port", "5"}, &out), 0) << out;
    EXPECT_NE(out.find("port 5: enabled, delivering power, class 3, detected"), std::string::npos)
        << out;
    EXPECT_NE(out.find("port 5: 54.0 V, 222 mA, 12.0 W"), std::string::npos) << out;
}

TEST_F(PoeSwitch, TheBudgetRunsOutAndADetachPowersTheDeniedPort) {
    for (uint32_t p : {1u, 2u, 3u, 4u})
        sim(sc::kPoeAttach, {p, 3, 0});
    EXPECT_EQ(port_request(0x44, 3)[4], 2);  // port 4 denied
    EXPECT_FALSE(power_good(3));
    std::string out;
    ASSERT_EQ(d.drvctl({"poe", "status"}, &out), 0) << out;
    EXPECT_NE(out.find("3 powered, 1 denied"), std::string::npos) << out;
    EXPECT_NE(out.find("power good: 1,2,3\n"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"sim", "poe", "detach", "2"}, &out), 0) << out;
    EXPECT_EQ(port_request(0x44, 3)[4], 1);
    EXPECT_TRUE(power_good(3));
    EXPECT_FALSE(power_good(1));
}

TEST_F(PoeSwitch, DrvctlSendsHexAndBadInputGetsItsStatus) {
    std::string out;
    // 13 bytes: drvctl adds the checksum. Global request 0x63: 2 devices, 16 ports.
    ASSERT_EQ(d.drvctl({"poe", "send", "0209076321", "4e4e4e4e4e4e4e4e"}, &out), 0) << out;
    EXPECT_EQ(out.substr(0, 31), "030902104e4e4e4e4e4e4e4e4e02dc\n") << out;
    // Port 96: reported 0x8026.
    ASSERT_EQ(d.drvctl({"poe", "send", "02010560604e4e4e4e4e4e4e4e"}, &out), 1) << out;
    EXPECT_NE(out.find("report, echo 1: status 0x8026"), std::string::npos) << out;
    // A bad checksum, a short message, an unknown key.
    Answer a = send({0, 1, 5, 0x0B, 4, 0, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0, 0});
    EXPECT_EQ(a.write, -3);
    EXPECT_EQ(a.reply[0], POE_DRV_KEY_REPORT);
    EXPECT_EQ(port_request(0x0B, 4)[2], 1);  // port 5 was not disabled
    EXPECT_EQ(send({2, 1, 7}).write, -4);
    EXPECT_EQ(send(msg(9, 7, 0x63)).reply, (Bytes{0x52, 0x21, 0xFF, 0xFF, 0x4E, 0x4E, 0x4E, 0x4E,
                                                  0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x05, 0x2F}));
    // A controller that does not answer.
    ASSERT_EQ(d.drvctl({"sim", "poe", "fault", "1", "silent"}, &out), 0) << out;
    EXPECT_EQ(send(msg(2, 5, 0x0B, {9})).write, -2);
    EXPECT_TRUE(d.wait_console("COMMUNICATION DRIVER error number: -2\n"));
    EXPECT_EQ(d.drvctl({"poe", "port", "10"}, &out), 1);
    EXPECT_EQ(out, "write: COMMUNICATION DRIVER error number: -2\n");
    EXPECT_EQ(d.drvctl({"poe", "port", "17"}, &out), 1);  // beyond the last controller
    EXPECT_EQ(out, "write: PORT NOT EXIST error number: -5\n");
    EXPECT_NE(d.drvctl({"sim", "poe", "attach", "5"}, &out), 0);  // no class
    EXPECT_NE(d.drvctl({"sim", "poe", "attach", "99", "--class", "1"}, &out), 0);
}

}  // namespace
