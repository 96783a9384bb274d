// Control packets to the CPU as programmed: IEEE reserved multicast by profile, MLD, IGMP,
// pause frames and unregistered multicast.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, ControlPacketsGoToTheCpuAsProgrammed) {
    vlan(1, {1, 2});
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    for (uint32_t profile = 0; profile < SDK_IEEE_RSV_MC_PROFILES; ++profile)
        ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, profile, 3, SDK_PACKET_CMD_TRAP_TO_CPU),
                  SDK_OK);
    chipsim::Injected r = inject(1, eapol(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIeeeReserved);
    // The port's profile decides.
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 2, 3, SDK_PACKET_CMD_FORWARD), SDK_OK);
    ASSERT_EQ(sdkBrgGenPortIeeeReservedMcastProfileIndexSet(0, dp(1), 2), SDK_OK);
    r = inject(1, eapol(mac(1)));
    EXPECT_FALSE(r.to_cpu);
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});

    // MLD reports by ICMPv6 type, behind a hop-by-hop header.
    EXPECT_FALSE(inject(1, mld_report(mac(1))).to_cpu);
    ASSERT_EQ(sdkBrgGenIcmpv6MsgTypeSet(0, 3, 143, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    r = inject(1, mld_report(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIcmpv6);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    r = inject(1, igmp_report(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIgmp);
    std::vector<chipsim::CpuFrame> cpu = chipsim::cpu_frames(0);
    ASSERT_EQ(cpu.size(), 3u);
    EXPECT_TRUE(cpu[1].mirrored);
    EXPECT_FALSE(cpu[2].mirrored);
    EXPECT_EQ(cpu[2].bytes, igmp_report(mac(1)).bytes());

    // Pause frames end in the MAC; unregistered multicast follows its command.
    Frame pause = untagged({0x01, 0x80, 0xC2, 0, 0, 1}, mac(1));
    pause.type = 0x8808;
    EXPECT_EQ(inject(1, pause).drop, Drop::kControl);
    ASSERT_EQ(sdkBrgGenUnregMcastCmdSet(0, SDK_UNREG_MC_NON_IP, SDK_PACKET_CMD_DROP), SDK_OK);
    EXPECT_EQ(inject(1, untagged({0x01, 0x11, 0x22, 0, 0, 1}, mac(1))).drop, Drop::kControl);
}

}  // namespace
