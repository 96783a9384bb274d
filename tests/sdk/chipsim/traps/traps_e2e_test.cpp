// Control packets through the running daemon: MLD reports trapped by their slot's command,
// EAPOL as pass-through asks.
#include "tests/sdk/chipsim/support/switch_e2e_fixture.h"

namespace {

using namespace switch_e2e;

TEST_F(Switch, MldReportsAreTrappedWithTheirSlotsCommandAndEapolAsPassThroughAsks) {
    two_member_vlan();
    capture(0, 1);  // the frames to the CPU
    swdrv({cmd::kEnableMLDTrap2CPU});
    Frame mld = mld_report(mac(1));
    Injection in = inject(1, mld.bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIcmpv6);
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 0);  // the CPU
    EXPECT_EQ(out[0].second, mld.bytes());
    // The CPU packet driver took it from the CPU queue through the receive DMA.
    sc::NetifReply n;
    ASSERT_TRUE(sc::decode_reply(d.request(simctl::kQueueKey, sc::kNetif, {0}).payload, &n));
    EXPECT_EQ(n.waiting, 0u);
    EXPECT_EQ(n.buffers - n.free_buffers, 1u);  // filled: waiting for or held by the CPU

    swdrv({cmd::kSetEapolFramePassThrough, 0});  // any mode but 1 traps
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIeeeReserved);

    swdrv({cmd::kSetEapolFramePassThrough, 1});
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagToCpu);
}

}  // namespace
