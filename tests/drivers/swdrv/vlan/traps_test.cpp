// Control packets to the CPU: the ICMPv6 slots and EAPOL commands with their stop on the
// first failing device, and the other traps, multicast and CPU settings.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

using TrapsTest = VlanTest;

std::pair<uint8_t, uint32_t> slot(uint8_t dev, uint32_t i) {
    chipsim::Icmpv6Slot s = chipsim::traps(dev).icmpv6[i];
    return {s.type, s.cmd};
}

TEST_F(TrapsTest, MldUsesSlotsZeroToThreeWithTheListenerTypes) {
    ASSERT_TRUE(DEV_SWDRV_EnableMLDTrap2CPU());
    const uint8_t types[] = {130, 131, 132, 143};
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(slot(0, i), (std::pair<uint8_t, uint32_t>{types[i], SDK_PACKET_CMD_TRAP_TO_CPU}));
    EXPECT_EQ(slot(0, 4).second, SDK_PACKET_CMD_FORWARD);
    ASSERT_TRUE(DEV_SWDRV_DisableMLDTrap2CPU());
    EXPECT_EQ(slot(0, 3).second, SDK_PACKET_CMD_FORWARD);
    ASSERT_TRUE(DEV_SWDRV_TrapMLDToCPU(true, false));
    EXPECT_EQ(slot(0, 0).second, SDK_PACKET_CMD_MIRROR_TO_CPU);
    ASSERT_TRUE(DEV_SWDRV_TrapMLDToCPU(true, true));
    EXPECT_EQ(slot(0, 2).second, SDK_PACKET_CMD_TRAP_TO_CPU);
    chipsim::Traps before = chipsim::traps(0);
    EXPECT_FALSE(DEV_SWDRV_TrapMLDToCPU(false, true));
    EXPECT_TRUE(chipsim::traps(0) == before);
    ASSERT_TRUE(DEV_SWDRV_TrapMLDToCPU(false, false));
    EXPECT_EQ(slot(0, 1).second, SDK_PACKET_CMD_FORWARD);
}

TEST_F(TrapsTest, RouterAdvertisementsAndRedirectsUseSlotsFourAndFive) {
    ASSERT_TRUE(DEV_SWDRV_SetRaAndRrTrap2CPU(1));
    EXPECT_EQ(slot(0, 4), (std::pair<uint8_t, uint32_t>{134, SDK_PACKET_CMD_TRAP_TO_CPU}));
    EXPECT_EQ(slot(0, 5), (std::pair<uint8_t, uint32_t>{137, SDK_PACKET_CMD_TRAP_TO_CPU}));
    EXPECT_EQ(slot(0, 0).first, 0);  // the MLD slots untouched
    ASSERT_TRUE(DEV_SWDRV_SetRaAndRrTrap2CPU(2));
    EXPECT_EQ(slot(0, 4).second, SDK_PACKET_CMD_FORWARD);
    EXPECT_EQ(slot(0, 5).second, SDK_PACKET_CMD_FORWARD);
}

TEST_F(TrapsTest, EapolPassThroughSetsProtocolThreeInEveryProfile) {
    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(0));
    for (uint32_t p = 0; p < 4; ++p)
        EXPECT_EQ(chipsim::traps(0).ieee_cmd[p][3], SDK_PACKET_CMD_TRAP_TO_CPU) << p;
    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(1));
    for (uint32_t p = 0; p < 4; ++p)
        EXPECT_EQ(chipsim::traps(0).ieee_cmd[p][3], SDK_PACKET_CMD_FORWARD) << p;
    EXPECT_EQ(chipsim::traps(0).ieee_cmd[0][1], SDK_PACKET_CMD_FORWARD);
    EXPECT_EQ(chipsim::traps(0).ieee_cmd[0][2], SDK_PACKET_CMD_TRAP_TO_CPU);  // the defaults'
}

TEST_F(TrapsTest, AFailingDeviceEndsTheWalkAndLeavesTheDevicesWrittenSoFar) {
    bring_up(two_device_board());
    // Device 0 takes its four MLD slots; device 1's first write fails.
    chipsim::fail("sdkBrgGenIcmpv6MsgTypeSet", SDK_FAIL, 1, 4);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_EnableMLDTrap2CPU());
    EXPECT_EQ(slot(0, 3).second, SDK_PACKET_CMD_TRAP_TO_CPU);
    // All four slots of a device are written before the ORed result is looked at.
    EXPECT_EQ(slot(1, 0).second, SDK_PACKET_CMD_FORWARD);
    EXPECT_EQ(slot(1, 1).second, SDK_PACKET_CMD_TRAP_TO_CPU);
    EXPECT_TRUE(cap.contains("DEV_SWDRV_EnableMLDTrap2CPU(): Line = "));
    EXPECT_TRUE(cap.contains(" , error_id=1\r\n"));

    // EAPOL looks at each profile: the second profile of device 0 fails, nothing after it.
    // (Passed through first: the chip defaults trap it.)
    ASSERT_TRUE(DEV_SWDRV_SetEapolFramePassThrough(1));
    chipsim::fail("sdkBrgGenIeeeReservedMcastProtCmdSet", SDK_FAIL, 1, 1);
    EXPECT_FALSE(DEV_SWDRV_SetEapolFramePassThrough(2));
    EXPECT_EQ(chipsim::traps(0).ieee_cmd[0][3], SDK_PACKET_CMD_TRAP_TO_CPU);
    EXPECT_EQ(chipsim::traps(0).ieee_cmd[1][3], SDK_PACKET_CMD_FORWARD);
    EXPECT_EQ(chipsim::traps(0).ieee_cmd[2][3], SDK_PACKET_CMD_FORWARD);
    EXPECT_EQ(chipsim::traps(1).ieee_cmd[0][3], SDK_PACKET_CMD_FORWARD);
}

TEST_F(TrapsTest, IgmpAndUnregisteredMulticastCommands) {
    ASSERT_TRUE(DEV_SWDRV_EnableIgmpTrap());
    EXPECT_EQ(chipsim::traps(0).igmp_cmd, SDK_PACKET_CMD_TRAP_TO_CPU);
    ASSERT_TRUE(DEV_SWDRV_TrapIGMPToCPU(true, false));
    EXPECT_EQ(chipsim::traps(0).igmp_cmd, SDK_PACKET_CMD_MIRROR_TO_CPU);
    EXPECT_FALSE(DEV_SWDRV_TrapIGMPToCPU(false, true));
    EXPECT_EQ(chipsim::traps(0).igmp_cmd, SDK_PACKET_CMD_MIRROR_TO_CPU);
    ASSERT_TRUE(DEV_SWDRV_DisableIgmpTrap());
    EXPECT_EQ(chipsim::traps(0).igmp_cmd, SDK_PACKET_CMD_FORWARD);

    auto unreg = [] { return chipsim::traps(0).unreg_mc_cmd; };
    ASSERT_TRUE(DEV_SWDRV_EnableUMCASTIpTrap(true));
    EXPECT_EQ(unreg()[SDK_UNREG_MC_IPV4], SDK_PACKET_CMD_TRAP_TO_CPU);
    EXPECT_EQ(unreg()[SDK_UNREG_MC_IPV6], SDK_PACKET_CMD_TRAP_TO_CPU);
    EXPECT_EQ(unreg()[SDK_UNREG_MC_NON_IP], SDK_PACKET_CMD_FORWARD);
    ASSERT_TRUE(DEV_SWDRV_EnableUMCASTMacTrap());
    EXPECT_EQ(unreg()[SDK_UNREG_MC_NON_IP], SDK_PACKET_CMD_TRAP_TO_CPU);
    ASSERT_TRUE(DEV_SWDRV_DisableUMCASTMacTrap());
    EXPECT_EQ(unreg()[SDK_UNREG_MC_NON_IP], SDK_PACKET_CMD_FORWARD);
    // (to the CPU, flooded): mirror, trap, forward, drop.
    const std::tuple<bool, bool, uint32_t> cases[] = {{true, true, SDK_PACKET_CMD_MIRROR_TO_CPU},
                                                      {true, false, SDK_PACKET_CMD_TRAP_TO_CPU},
                                                      {false, true, SDK_PACKET_CMD_FORWARD},
                                                      {false, false, SDK_PACKET_CMD_DROP}};
    for (auto [cpu, flood, cmd] : cases) {
        ASSERT_TRUE(DEV_SWDRV_TrapUnknownIpMcastToCPU(cpu, flood));
        EXPECT_EQ(unreg()[SDK_UNREG_MC_IPV4], cmd);
        ASSERT_TRUE(DEV_SWDRV_TrapUnknownIpv6McastToCPU(!cpu, flood));
        EXPECT_NE(unreg()[SDK_UNREG_MC_IPV6], cmd);
    }
    ASSERT_TRUE(DEV_SWDRV_EnableIPMC());
    EXPECT_TRUE(chipsim::traps(0).ip_mc_bridging);
    ASSERT_TRUE(DEV_SWDRV_DisableIPMC());
    EXPECT_FALSE(chipsim::traps(0).ip_mc_bridging);
}

TEST_F(TrapsTest, OamAndCpuRates) {
    ASSERT_TRUE(DEV_SWDRV_SetOamPduToCpu(1, 2, true));
    EXPECT_TRUE(chipsim::traps(0).oam_pdu_trap[dp(2)]);
    EXPECT_FALSE(chipsim::traps(0).oam_pdu_trap[dp(3)]);
    EXPECT_FALSE(DEV_SWDRV_SetOamPduToCpu(1, 17, true));
    ASSERT_TRUE(DEV_SWDRV_SetCpuRateLimit(500));
    EXPECT_EQ(chipsim::traps(0).cpu_rate_limit, 500u);
    ASSERT_TRUE(DEV_SWDRV_SetCpuPortRate(64000));
    chipsim::PortMisc cpu = chipsim::misc(0).ports[SDK_CPU_PORT];
    EXPECT_TRUE(cpu.shaper_enable);
    EXPECT_EQ(cpu.shaper_rate, 64000u);
    EXPECT_GE(cpu.shaper_burst, 1u);
    ASSERT_TRUE(DEV_SWDRV_SetCpuPortRate(0));
    EXPECT_FALSE(chipsim::misc(0).ports[SDK_CPU_PORT].shaper_enable);
}

}  // namespace
