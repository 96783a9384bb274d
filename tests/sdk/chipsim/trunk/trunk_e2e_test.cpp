// Trunks through the running daemon: drvctl makes a trunk, flows spread over both members and
// move to the survivor when one goes down.
#include "tests/sdk/chipsim/support/l2feat_e2e_fixture.h"

namespace {

using namespace l2feat_e2e;

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

}  // namespace
