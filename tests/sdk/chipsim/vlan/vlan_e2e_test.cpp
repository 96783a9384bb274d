// VLANs through the running daemon: tagging between tagged and untagged members, the ingress
// filter and the MRU drop.
#include "tests/sdk/chipsim/support/switch_e2e_fixture.h"

namespace {

using namespace switch_e2e;

TEST_F(Switch, TaggedAndUntaggedMembersChangeTheTag) {
    two_member_vlan();
    capture(0b110);  // ports 2 and 3
    Frame f = untagged(kBroadcast, mac(1));
    Injection in = inject(1, f.bytes());
    ASSERT_TRUE(in.answered);
    EXPECT_EQ(in.vid, 10u);
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 2);
    EXPECT_EQ(tag_vid(out[0].second), 10);
    Bytes sent = f.bytes();
    EXPECT_TRUE(std::equal(sent.begin() + 12, sent.end(), out[0].second.begin() + 16));

    capture(0b001);
    in = inject(2, tagged(mac(1), mac(2), 10, 68).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{1});
    out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tag_vid(out[0].second), -1);
    EXPECT_EQ(out[0].second.size(), 64u);
}

TEST_F(Switch, IngressFilteringAndTheMruDrop) {
    two_member_vlan();
    swdrv({cmd::kEnableIngressFilter, kUnit, 3});
    EXPECT_EQ(inject(3, tagged(kBroadcast, mac(3), 10).bytes()).drop, Drop::kIngressFilter);
    EXPECT_EQ(drops(3, Drop::kIngressFilter), 1u);

    swdrv({cmd::kSetPortMTU, kUnit, 1, 1000});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 996).bytes()).ports, std::vector<uint32_t>{2});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 997).bytes()).drop, Drop::kMru);
    EXPECT_EQ(drops(1, Drop::kMru), 1u);
}

}  // namespace
