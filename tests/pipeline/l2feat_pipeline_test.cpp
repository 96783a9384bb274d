// Trunks, storm control and mirroring as the chip model's pipeline applies them: the member a
// flow leaves a trunk on, learning on a trunk, flooding to one member, the port's rate
// limiter over the model's clock, and copies to the analyzer.
#include <map>

#include "sdk/sdk_mirror.h"
#include "sdk/sdk_ratelimit.h"
#include "sdk/sdk_storm.h"
#include "sdk/sdk_trunk.h"
#include "tests/pipeline/pipeline_fixture.h"

namespace {

using frames::mac;

constexpr uint16_t kVid = 1;
constexpr uint16_t kTrunk = 5;

class L2FeatPipelineTest : public PipelineTest {
  protected:
    void SetUp() override {
        PipelineTest::SetUp();
        vlan(kVid, {1, 2, 3, 4, 5, 6});
        for (uint32_t f = 1; f <= 6; ++f)
            pvid(f, kVid);
    }
    static SDK_TRUNK_MEMBER member(uint32_t front) {
        return {dp(front), chipsim::hw_dev_num(at(front).first)};
    }
    static void trunk(uint16_t id, std::initializer_list<uint32_t> fronts) {
        std::vector<SDK_TRUNK_MEMBER> m;
        for (uint32_t f : fronts)
            m.push_back(member(f));
        ASSERT_EQ(sdkTrunkMembersSet(0, id, static_cast<uint32_t>(m.size()), m.data(), 0, nullptr),
                  SDK_OK);
    }
    static void fdb_trunk(const frames::Mac& m, uint16_t id) {
        SDK_MAC_ENTRY_EXT e{};
        std::copy(m.begin(), m.end(), e.key.macVlan.macAddr);
        e.key.macVlan.vlanId = kVid;
        e.dstInterface.type = SDK_INTERFACE_TRUNK;
        e.dstInterface.trunkId = id;
        e.isStatic = true;
        ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    }
    static void link(uint32_t front, bool up) {
        chipsim::Partner p;
        p.present = up;
        ASSERT_TRUE(chipsim::set_partner(at(front).first, dp(front), p));
    }
    // 1000 flows (source MACs) to the trunk's address from port 1: frames out of each port.
    static std::map<uint32_t, uint32_t> spread(const frames::Mac& dst) {
        std::map<uint32_t, uint32_t> out;
        for (uint32_t i = 0; i < 1000; ++i) {
            frames::Mac src = {0x02, 0x10, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i),
                               0x01};
            auto r = inject(1, frames::untagged(dst, src));
            for (uint32_t p : out_ports(r))
                ++out[p];
        }
        return out;
    }
};

TEST_F(L2FeatPipelineTest, TrunkSpreadsFlowsKeepsEachFlowAndAvoidsDownMembers) {
    trunk(kTrunk, {3, 4});
    fdb_trunk(mac(0x77), kTrunk);
    std::map<uint32_t, uint32_t> out = spread(mac(0x77));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_GE(out[3], 300u);
    EXPECT_GE(out[4], 300u);
    EXPECT_EQ(out[3] + out[4], 1000u);  // one copy per frame

    // The same flow, the same member, every time.
    frames::Mac src = mac(0x42);
    auto first = out_ports(inject(1, frames::untagged(mac(0x77), src)));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(out_ports(inject(1, frames::untagged(mac(0x77), src))), first);

    link(4, false);
    out = spread(mac(0x77));
    EXPECT_EQ(out[3], 1000u);
    EXPECT_EQ(out.count(4), 0u);
    link(4, true);
    link(3, false);
    link(4, false);
    auto r = inject(1, frames::untagged(mac(0x77), src));
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.drop, chipsim::Drop::kNoDestination);
}

TEST_F(L2FeatPipelineTest, HashFollowsTheProgrammedFields) {
    trunk(kTrunk, {3, 4, 5, 6});
    fdb_trunk(mac(0x77), kTrunk);
    // Destination-only hashing: every source to one destination takes one member.
    ASSERT_EQ(sdkTrunkHashMaskSet(0, SDK_TRUNK_HASH_FIELD_MAC_SA, 0), SDK_OK);
    EXPECT_EQ(spread(mac(0x77)).size(), 1u);
    // Hashing on the ingress port: the same.
    ASSERT_EQ(sdkTrunkHashMaskSet(0, SDK_TRUNK_HASH_FIELD_MAC_SA, 0x3F), SDK_OK);
    EXPECT_EQ(spread(mac(0x77)).size(), 4u);
    ASSERT_EQ(sdkTrunkHashGlobalModeSet(0, SDK_TRUNK_HASH_INGRESS_PORT), SDK_OK);
    EXPECT_EQ(spread(mac(0x77)).size(), 1u);
    EXPECT_EQ(sdkTrunkHashMaskSet(0, 3, 0x3F), SDK_BAD_PARAM);
    EXPECT_EQ(sdkTrunkHashMaskSet(0, 0, 0x40), SDK_BAD_PARAM);
}

TEST_F(L2FeatPipelineTest, LearningOnAMemberLearnsTheTrunkAndFloodsTakeOneMember) {
    trunk(kTrunk, {3, 4});
    inject(3, frames::untagged(frames::kBroadcast, mac(0x33)));
    SDK_MAC_ENTRY_KEY k{};
    auto m = mac(0x33);
    std::copy(m.begin(), m.end(), k.macVlan.macAddr);
    k.macVlan.vlanId = kVid;
    uint32_t index = 0;
    SDK_MAC_ENTRY_EXT e{};
    ASSERT_EQ(sdkBrgFdbMacEntryFind(0, &k, &index, &e), SDK_OK);
    EXPECT_EQ(e.dstInterface.type, SDK_INTERFACE_TRUNK);
    EXPECT_EQ(e.dstInterface.trunkId, kTrunk);
    // The same address from the other member is no move.
    EXPECT_TRUE(inject(4, frames::untagged(mac(0x01), mac(0x33))).learned);
    // A reply reaches it on one member.
    auto r = inject(1, frames::untagged(mac(0x33), mac(0x01)));
    auto ports = out_ports(r);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_TRUE(ports[0] == 3 || ports[0] == 4);
    // A broadcast from port 1: one member of the trunk; from a member: none of the trunk.
    auto b = out_ports(inject(1, frames::untagged(frames::kBroadcast, mac(0x01))));
    EXPECT_EQ(std::count(b.begin(), b.end(), 3u) + std::count(b.begin(), b.end(), 4u), 1);
    EXPECT_EQ(b.size(), 4u);  // 2, 5, 6 and a member
    b = out_ports(inject(3, frames::untagged(frames::kBroadcast, mac(0x33))));
    EXPECT_EQ(b, (std::vector<uint32_t>{1, 2, 5, 6}));
}

class StormPipelineTest : public L2FeatPipelineTest {
  protected:
    // The rate-mode-2 record (packets; a 1 Gb/s port counts 40 packets a second per unit).
    void SetUp() override {
        L2FeatPipelineTest::SetUp();
        SDK_RATE_LIMIT_GLOBAL_CFG g{1, 2, 32000, 32000, 12800, 32000};
        ASSERT_EQ(sdkBrgGenRateLimitGlobalCfgSet(0, &g), SDK_OK);
        ASSERT_EQ(sdkBrgGenRateLimitSpeedCfgEnableSet(0, true), SDK_OK);
        ASSERT_EQ(sdkBrgGenPortRateLimitSpeedGranularitySet(0, dp(1), SDK_RATE_LIMIT_1G), SDK_OK);
    }
};

TEST_F(StormPipelineTest, BroadcastStormIsCutToTheThresholdWhileUnicastPasses) {
    SDK_RATE_LIMIT_PORT_CFG c{};
    c.enableBc = true;
    c.rateLimit = 5;  // 5 x 40 = 200 packets a second
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    inject(2, frames::untagged(frames::kBroadcast, mac(0x02)));  // learn port 2
    uint32_t passed = 0, unicast = 0;
    const uint32_t seconds = 8;
    for (uint32_t s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < 2000; ++i) {  // ten times the threshold
            if (!inject(1, frames::untagged(frames::kBroadcast, mac(0x01))).sent.empty()) ++passed;
            if (i % 10 == 0 && !inject(1, frames::untagged(mac(0x02), mac(0x01))).sent.empty())
                ++unicast;
        }
        chipsim::advance_clock(1);
    }
    EXPECT_GE(passed, 200u * seconds);
    EXPECT_LE(passed, 220u * seconds);
    EXPECT_EQ(unicast, 200u * seconds);
    EXPECT_EQ(drops(1, chipsim::Drop::kStormControl), 2000u * seconds - passed);
}

TEST_F(StormPipelineTest, LimiterCountsOnlyItsKinds) {
    SDK_RATE_LIMIT_PORT_CFG c{};
    c.enableUcUnk = true;
    c.rateLimit = 0;  // nothing of the kind passes
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    EXPECT_TRUE(inject(1, frames::untagged(mac(0x99), mac(0x01))).sent.empty());
    EXPECT_FALSE(inject(1, frames::untagged(frames::kBroadcast, mac(0x01))).sent.empty());
    EXPECT_FALSE(inject(1, frames::untagged(mac(0x01, 0x01), mac(0x01))).sent.empty());
    c = {};
    ASSERT_EQ(sdkBrgGenPortRateLimitSet(0, dp(1), &c), SDK_OK);
    EXPECT_FALSE(inject(1, frames::untagged(mac(0x99), mac(0x01))).sent.empty());
    SDK_RATE_LIMIT_PORT_CFG back{};
    ASSERT_EQ(sdkBrgGenPortRateLimitGet(0, dp(1), &back), SDK_OK);
    EXPECT_FALSE(back.enableUcUnk);
}

class MirrorPipelineTest : public L2FeatPipelineTest {
  protected:
    void SetUp() override {
        L2FeatPipelineTest::SetUp();
        SDK_MIRROR_ANALYZER a{chipsim::hw_dev_num(0), dp(6)};
        ASSERT_EQ(sdkMirrorAnalyzerInterfaceSet(0, 2, &a), SDK_OK);
        ASSERT_EQ(sdkMirrorToAnalyzerForwardingModeSet(0, 1), SDK_OK);
        inject(2, frames::untagged(frames::kBroadcast, mac(0x02)));  // learn port 2
    }
};

TEST_F(MirrorPipelineTest, PortMirroringCopiesBothDirectionsAsReceivedAndSent) {
    vlan(10, {1}, {2, 6});
    pvid(1, 10);
    inject(2, frames::tagged(frames::kBroadcast, mac(0x22), 10));
    ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), true, 2), SDK_OK);
    auto in = frames::untagged(mac(0x22), mac(0x01));
    auto r = inject(1, in);
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    ASSERT_NE(copy_on(r, 6), nullptr);
    EXPECT_EQ(copy_on(r, 6)->bytes, in.bytes());           // as received: untagged
    EXPECT_EQ(frames::tag_vid(copy_on(r, 2)->bytes), 10);  // the switched copy tagged
    ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), false, 0), SDK_OK);
    ASSERT_EQ(sdkMirrorTxPortSet(0, dp(2), true, 2), SDK_OK);
    r = inject(1, in);
    ASSERT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    EXPECT_EQ(copy_on(r, 6)->bytes, copy_on(r, 2)->bytes);  // as sent: tagged
    // Nothing sent out of port 2, nothing mirrored.
    EXPECT_TRUE(out_ports(inject(1, frames::untagged(mac(0x01, 0x03), mac(0x01)))).size() >= 1);
    ASSERT_EQ(sdkMirrorTxPortSet(0, dp(2), false, 0), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, in)), (std::vector<uint32_t>{2}));
}

TEST_F(MirrorPipelineTest, VlanMirroringCopiesOnlyThatVlansFrames) {
    vlan(20, {}, {1, 2});  // the analyzer port is no member
    SDK_PORTS_BMP members{}, tagged{};
    SDK_BRG_VLAN_INFO info{};
    bool valid = false;
    ASSERT_EQ(sdkBrgVlanEntryRead(0, 20, &members, &tagged, &info, &valid, nullptr), SDK_OK);
    info.mirrorToAnalyzer = 1;
    ASSERT_EQ(sdkBrgVlanEntryWrite(0, 20, &members, &tagged, &info, nullptr), SDK_OK);
    auto in20 = frames::tagged(mac(0x02), mac(0x01), 20);
    // The global analyzer off: no copy.
    EXPECT_EQ(out_ports(inject(1, in20)), (std::vector<uint32_t>{2}));
    ASSERT_EQ(sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(0, true, 2), SDK_OK);
    auto r = inject(1, in20);
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    EXPECT_EQ(copy_on(r, 6)->bytes, in20.bytes());
    EXPECT_EQ(out_ports(inject(1, frames::untagged(mac(0x02), mac(0x01)))),
              (std::vector<uint32_t>{2}));
}

}  // namespace
