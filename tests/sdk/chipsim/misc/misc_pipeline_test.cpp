// Port loopbacks (internal and OAM), the cut of endless loops, and the egress block.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_misc.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, InternalLoopbackBringsFramesBackAndLoopsAreCut) {
    vlan(1, {1, 2, 3, 4});
    ASSERT_EQ(sdkPortInternalLoopbackEnableSet(0, dp(3), true), SDK_OK);
    // The copy to port 3 comes back in on port 3 and is flooded again (not to port 3).
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{1, 2, 2, 4, 4}));
    EXPECT_EQ(fdb_port(mac(1), 1), dp(3));  // the source moved to where it came back in
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).tx_frames, 1u);
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).rx_frames, 1u);
    // Two looped ports send a broadcast round for ever: the chip cuts it and counts it.
    ASSERT_EQ(sdkPortInternalLoopbackEnableSet(0, dp(4), true), SDK_OK);
    r = inject(1, untagged(kBroadcast, mac(1)));
    uint64_t loops = drops(3, Drop::kLoop) + drops(4, Drop::kLoop);
    EXPECT_GT(loops, 0u);
    EXPECT_LT(r.sent.size(), 2 * chipsim::kMaxHops);
}

TEST_F(PipelineTest, EgressBlockAndOamLoopback) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkBrgPortEgressBlockSet(0, dp(3), true), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(drops(3, Drop::kEgressBlock), 1u);
    ASSERT_EQ(sdkOamPortLoopbackEnableSet(0, dp(2), true), SDK_OK);
    Frame f = untagged(kBroadcast, mac(2));
    chipsim::Injected r = inject(2, f);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_EQ(r.sent[0].bytes, f.bytes());
}

}  // namespace
