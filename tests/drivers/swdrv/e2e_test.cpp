// The real driver_proc: after it starts, every front port is administratively down on the
// chip, and the simulation-control channel (and drvctl) show it and act on the hardware.
#include <gtest/gtest.h>

#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using testing_support::Daemon;

TEST(DriverProcChip, EveryFrontPortIsDownAfterStartAndDrvctlShowsIt) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    testing_support::Reply r = d.request(simctl::kQueueKey, sc::kPorts, {});
    ASSERT_TRUE(r.answered);
    ASSERT_EQ(r.result(), 1);
    sc::List<sc::PortRecord> ports;
    ASSERT_TRUE(sc::decode_reply(r.payload, &ports));
    ASSERT_EQ(ports.count, 16u);
    for (uint32_t i = 0; i < 16; ++i) {
        const sc::PortRecord& rec = ports.items[i];
        EXPECT_EQ(rec.front, i + 1);
        EXPECT_FALSE(rec.flags & sc::kPortFlagAdmin) << "port " << i + 1;
        EXPECT_FALSE(rec.flags & sc::kPortFlagLink) << "port " << i + 1;
    }
    EXPECT_TRUE(d.wait_console("can't open /dev/swchip"));

    std::string out;
    ASSERT_EQ(d.drvctl({"ports"}, &out), 0) << out;
    EXPECT_NE(out.find("   1   0/0   down  down"), std::string::npos) << out;
    EXPECT_NE(out.find("  16   0/25  down  down"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"phy", "1"}, &out), 0) << out;
    EXPECT_NE(out.find("PHY class 0x1c0, page 0"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"phy", "15"}, &out), 0) << out;
    EXPECT_NE(out.find("1.0x0003: 0xa400"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"sim", "partner", "1", "down"}, &out), 0) << out;
    ASSERT_EQ(d.drvctl({"ports"}, &out), 0) << out;
    EXPECT_NE(out.find("0x1c0 none"), std::string::npos) << out;
    EXPECT_NE(out.find("0x1c0 auto all"), std::string::npos) << out;  // port 2
    EXPECT_NE(d.drvctl({"sim", "partner", "17", "down"}, &out), 0);
}

// A PHY register that cannot be read is reported and skipped; the list goes on and the
// request still answers TRUE. Only a request without operations fails.
TEST(DriverProcChip, RawPhyOperationsGoOnAfterAFailedRead) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    auto reg4 = [&] {  // port 1 (device 0, port 0), page 0, register 4
        testing_support::Reply r = d.request(24, 119, {219, 0, 0, 22, 0xFF, 0, 4});
        EXPECT_EQ(r.result(), 1);
        return r.payload.size() >= 6 ? be::get16(r.payload.data() + 4) : 0xFFFF;
    };
    const uint16_t before = reg4();
    // {register 40: no such register}, {register 4: set bits 0x0C00}
    std::vector<uint8_t> p(16 + 12, 0);
    be::put32(p.data(), 227);
    be::put32(p.data() + 4, 1);
    be::put32(p.data() + 8, 1);
    be::put32(p.data() + 12, 2);
    const uint16_t ops[] = {40, 1, 1, 4, 0x0C00, 0x0C00};
    for (int i = 0; i < 6; ++i)
        be::put16(p.data() + 16 + 2 * i, ops[i]);
    testing_support::Reply r = d.request_bytes(24, 119, p);
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.result(), 1);
    EXPECT_TRUE(d.wait_console("Failed to read phy reg 0x28, devid=0, phy_port=0"));
    EXPECT_EQ(reg4(), before | 0x0C00);
}

}  // namespace
