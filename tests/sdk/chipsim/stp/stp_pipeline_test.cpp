// Spanning-tree port states as frames meet them: learning and forwarding gated per group,
// and BPDUs that still reach the CPU from a blocking port.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, SpanningTreeStatesGateLearningAndForwarding) {
    vlan(1, {1, 2, 3});
    stp(1, SDK_STP_BLOCKING);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kStpState);
    EXPECT_EQ(fdb_port(mac(1), 1), -1);
    stp(1, SDK_STP_LEARNING);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kStpState);
    EXPECT_EQ(fdb_port(mac(1), 1), dp(1));
    stp(1, SDK_STP_FORWARDING);
    stp(3, SDK_STP_BLOCKING);  // blocking on egress too
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(drops(3, Drop::kEgressStp), 1u);
    // The VLAN's group decides: in group 5 port 3 forwards.
    ASSERT_EQ(sdkBrgVlanToStpIdBind(0, 1, 5), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), (std::vector<uint32_t>{2, 3}));

    // A blocking port still hands BPDUs to the CPU when they are trapped; a disabled one not.
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 0, 0, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    stp(2, SDK_STP_BLOCKING, 5);
    chipsim::Injected r = inject(2, bpdu(mac(2)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIeeeReserved);
    stp(2, SDK_STP_DISABLED, 5);
    r = inject(2, bpdu(mac(2)));
    EXPECT_FALSE(r.to_cpu);
    EXPECT_EQ(r.drop, Drop::kStpState);
}

}  // namespace
