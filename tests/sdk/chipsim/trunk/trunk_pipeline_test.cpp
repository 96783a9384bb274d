// Trunks as the pipeline applies them: the member a flow leaves a trunk on, the hash fields,
// learning on a trunk and flooding to one member.
#include "tests/sdk/chipsim/support/l2feat_fixture.h"

namespace {

using frames::mac;

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

}  // namespace
