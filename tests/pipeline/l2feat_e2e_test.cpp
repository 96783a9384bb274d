// Trunks, storm control and mirroring through the running daemon: drvctl programs the switch
// with module-119 requests, frames go in over the simulation-control queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/pipeline/frames.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

class L2FeatSwitch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 0);
        // Ports 1-6 up and untagged in VLAN 10.
        run({"vlan", "create", "10"});
        for (const char* p : {"1", "2", "3", "4", "5", "6"}) {
            run({"port", "enable", p});
            run({"vlan", "add", "10", p, "untagged"});
            run({"vlan", "pvid", p, "10"});
        }
    }
    void run(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string text;
        ASSERT_EQ(d.drvctl(args, &text), 0) << args[0] << " " << args[1] << ": " << text;
        if (out) *out = text;
    }
    // The front ports a frame left by, in increasing order (empty when it went nowhere or was
    // not answered).
    std::vector<uint8_t> inject(uint32_t port, const Bytes& frame) {
        Bytes payload = sc::encode(sc::InjectRequest{port, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        sc::InjectResult res;
        if (!r.answered || r.result() != 1 || r.payload.size() < 4 ||
            !sc::decode(r.payload.data() + 4, r.payload.size() - 4, &res))
            return {};
        std::sort(res.ports.begin(), res.ports.end());
        return res.ports;
    }
    // Plugs the port's link partner in or out, keeping its abilities.
    void link(uint32_t port, bool up) {
        Reply got = d.request(simctl::kQueueKey, sc::kPartnerGet, {port});
        sc::PartnerRequest req;
        req.port = port;
        ASSERT_EQ(got.result(), 1);
        ASSERT_TRUE(sc::decode(got.payload.data() + 4, got.payload.size() - 4, &req.partner));
        req.partner.present = up;
        ASSERT_EQ(d.request_bytes(simctl::kQueueKey, sc::kPartner, sc::encode(req)).result(), 1);
    }
    std::map<uint32_t, uint32_t> flows_to(const Mac& dst) {
        std::map<uint32_t, uint32_t> out;
        for (uint32_t i = 0; i < 1000; ++i) {
            Mac src = {0x02, 0x20, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i), 1};
            for (uint8_t p : inject(1, untagged(dst, src).bytes()))
                ++out[p];
        }
        return out;
    }
    Daemon d;
};

TEST_F(L2FeatSwitch, TrunkCarriesFlowsOverBothMembersAndMovesThemToTheSurvivor) {
    run({"trunk", "create", "1"});
    run({"trunk", "members", "1", "3", "4"});
    run({"trunk", "balance", "3"});
    std::string out;
    run({"trunk", "show"}, &out);
    EXPECT_NE(out.find("    1  3, 4"), std::string::npos) << out;
    EXPECT_EQ(d.drvctl({"trunk", "create", "1"}, &out), 1);  // it has members now
    EXPECT_EQ(d.drvctl({"trunk", "balance", "7"}, &out), 1);
    // Learned from a member: the trunk.
    inject(3, untagged(kBroadcast, mac(0x99)).bytes());
    std::map<uint32_t, uint32_t> spread = flows_to(mac(0x99));
    EXPECT_GE(spread[3], 300u);
    EXPECT_GE(spread[4], 300u);
    EXPECT_EQ(spread[3] + spread[4], 1000u);
    link(4, false);
    spread = flows_to(mac(0x99));
    EXPECT_EQ(spread[3], 1000u);
    EXPECT_EQ(spread.count(4), 0u);
}

TEST_F(L2FeatSwitch, BroadcastStormIsCutToTheThresholdWhileUnicastPasses) {
    run({"storm", "on", "1", "broadcast"});
    run({"storm", "threshold", "1", "broadcast", "200", "2"});  // packets: 5 x 40 a second
    std::string out;
    run({"storm", "granularity", "1"}, &out);
    EXPECT_NE(out.find("granularity 40"), std::string::npos) << out;
    inject(2, untagged(kBroadcast, mac(0x02)).bytes());
    const uint32_t seconds = 6;
    uint32_t passed = 0, unicast = 0;
    for (uint32_t s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < 2000; ++i) {
            if (!inject(1, untagged(kBroadcast, mac(0x01)).bytes()).empty()) ++passed;
            if (i % 20 == 0 && !inject(1, untagged(mac(0x02), mac(0x01)).bytes()).empty())
                ++unicast;
        }
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kClockAdvance, {1}).result(), 1);
    }
    EXPECT_GE(passed, 200u * seconds);
    EXPECT_LE(passed, 220u * seconds);
    EXPECT_EQ(unicast, 100u * seconds);
    run({"storm", "show"}, &out);
    EXPECT_NE(out.find("bc"), std::string::npos) << out;
    EXPECT_NE(out.find(std::to_string(2000 * seconds - passed)), std::string::npos) << out;
}

TEST_F(L2FeatSwitch, PortMirroringCopiesBothDirectionsAndVlanMirroringOnlyItsVlan) {
    inject(2, untagged(kBroadcast, mac(0x02)).bytes());
    inject(1, untagged(kBroadcast, mac(0x01)).bytes());
    run({"mirror", "port", "1", "5", "5"});
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2, 5}));
    EXPECT_EQ(inject(2, untagged(mac(0x01), mac(0x02)).bytes()), (std::vector<uint8_t>{1, 5}));
    std::string out;
    run({"mirror", "show"}, &out);
    EXPECT_NE(out.find("entry 0  entry 0"), std::string::npos) << out;
    run({"mirror", "delete", "1"});
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2}));

    // VLAN 20 on ports 1 and 2, tagged; its frames (only) go to port 6 as well.
    run({"vlan", "create", "20"});
    run({"vlan", "add", "20", "1", "tagged"});
    run({"vlan", "add", "20", "2", "tagged"});
    run({"mirror", "vlan", "add", "20", "6"});
    EXPECT_EQ(d.drvctl({"mirror", "vlan", "add", "10", "5"}, &out), 1);  // another destination
    EXPECT_EQ(inject(1, tagged(mac(0x02), mac(0x01), 20).bytes()), (std::vector<uint8_t>{2, 6}));
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2}));
    run({"mirror", "vlan", "remove", "20", "6"});
    EXPECT_EQ(inject(1, tagged(mac(0x02), mac(0x01), 20).bytes()), (std::vector<uint8_t>{2}));
}

}  // namespace
