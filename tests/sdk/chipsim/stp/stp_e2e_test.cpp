// Spanning tree through the running daemon: a blocking port drops and does not learn.
#include "tests/sdk/chipsim/support/switch_e2e_fixture.h"

namespace {

using namespace switch_e2e;

TEST_F(Switch, ABlockingPortDropsAndDoesNotLearnThenLearningStopsFlooding) {
    two_member_vlan();
    swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 3, 10});
    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 2});  // blocking in instance 0
    Injection in = inject(1, untagged(kBroadcast, mac(1)).bytes());
    EXPECT_EQ(in.drop, Drop::kStpState);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_TRUE(fdb(10).empty());
    EXPECT_EQ(drops(1, Drop::kStpState), 1u);

    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 5});  // forwarding
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, (std::vector<uint32_t>{2, 3}));
    EXPECT_TRUE(in.flags & sc::kInjectFlagFlooded);
    inject(2, tagged(mac(1), mac(2), 10).bytes());
    std::map<uint8_t, uint8_t> learned = fdb(10);
    EXPECT_EQ(learned[1], 1);
    EXPECT_EQ(learned[2], 2);
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagFlooded);
}

}  // namespace
