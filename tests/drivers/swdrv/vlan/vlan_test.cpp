// VLAN entries on the chip model: creation with the stacking links, members and their
// tagging, tunnel access ports, the CPU port, port VLAN ids, ingress filter, frame types,
// bulk membership and refused input.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

TEST_F(VlanTest, CreateWritesTheDefaultRecordWithoutMembersOnAUnitWithoutStackingLinks) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(10));
    chipsim::VlanEntry e = entry(10);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(e.members, SDK_PORTS_BMP{});
    EXPECT_EQ(e.info.stgId, 0u);
    EXPECT_EQ(e.info.mruIdx, 0u);
    EXPECT_EQ(e.info.learnEnable, 1u);
    EXPECT_EQ(e.info.floodVidx, SDK_VLAN_FLOOD_ALL);
    EXPECT_FALSE(entry(11).valid);
    ASSERT_TRUE(DEV_SWDRV_DestroyVlan(10));
    EXPECT_FALSE(entry(10).valid);
}

TEST_F(VlanTest, CascadeAndFabricPortsAreTaggedMembersOfEveryVlanOnTheTwoDeviceBoard) {
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(100));
    chipsim::VlanEntry d0 = entry(100, 0), d1 = entry(100, 1);
    EXPECT_EQ(d0.members, ports({24}));
    EXPECT_EQ(d0.tagged, ports({24}));
    EXPECT_EQ(d1.members, ports({23, 24, 25}));
    EXPECT_EQ(d1.tagged, ports({23, 24, 25}));
    EXPECT_EQ(d1.tag_cmd[25], SDK_VLAN_TAG_CMD_TAGGED);
    // A port of the second device lands in that device's entry only.
    ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, 12, 100));
    EXPECT_EQ(entry(100, 1).members, ports({3, 23, 24, 25}));
    EXPECT_EQ(entry(100, 0).members, ports({24}));
    ASSERT_TRUE(DEV_SWDRV_AddCpuToVlan(100));
    EXPECT_TRUE(sdkPortsBmpIsMember(entry(100, 0).members, SDK_CPU_PORT));
    EXPECT_TRUE(sdkPortsBmpIsMember(entry(100, 1).tagged, SDK_CPU_PORT));
}

TEST_F(VlanTest, MembersMoveBetweenTaggedAndUntagged) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(20));
    ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 1, 20));
    EXPECT_TRUE(member(20, 1));
    EXPECT_TRUE(tagged(20, 1));
    EXPECT_EQ(tag_cmd(20, 1), SDK_VLAN_TAG_CMD_TAGGED);
    ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, 1, 20));
    EXPECT_TRUE(member(20, 1));
    EXPECT_FALSE(tagged(20, 1));
    EXPECT_EQ(tag_cmd(20, 1), SDK_VLAN_TAG_CMD_UNTAGGED);
    ASSERT_TRUE(DEV_SWDRV_DeletePortUntaggedVlanSet(1, 1, 20));
    EXPECT_TRUE(member(20, 1));
    EXPECT_TRUE(tagged(20, 1));
    // Not a member: nothing to change, and no membership appears.
    ASSERT_TRUE(DEV_SWDRV_DeletePortUntaggedVlanSet(1, 2, 20));
    EXPECT_FALSE(member(20, 2));
    ASSERT_TRUE(DEV_SWDRV_DeletePortVlanSet(1, 1, 20));
    EXPECT_FALSE(member(20, 1));
    EXPECT_EQ(entry(20).members, SDK_PORTS_BMP{});
}

TEST_F(VlanTest, ATunnelAccessPortIsAnUntaggedMemberAndGetsItsTaggingBackWhenItLeavesAccess) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(30));
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(31));
    ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 3, 30));
    ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, 3, 31));
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMode(1, 3, DEV_SWDRV_TUNNEL_MODE_ACCESS));
    EXPECT_TRUE(vport(3).nested_access);
    EXPECT_FALSE(tagged(30, 3));  // re-added untagged
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(32));
    ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 3, 32));
    EXPECT_TRUE(member(32, 3));
    EXPECT_FALSE(tagged(32, 3));
    uint32_t mode = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(1, 3, &mode));
    EXPECT_EQ(mode, DEV_SWDRV_TUNNEL_MODE_ACCESS);
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMode(1, 3, DEV_SWDRV_TUNNEL_MODE_NONE));
    EXPECT_FALSE(vport(3).nested_access);
    EXPECT_TRUE(tagged(30, 3));   // asked tagged
    EXPECT_FALSE(tagged(31, 3));  // asked untagged
    EXPECT_TRUE(tagged(32, 3));
    EXPECT_FALSE(DEV_SWDRV_SetPortDot1qTunnelMode(1, 3, 3));
    ASSERT_TRUE(DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(1, 3, &mode));
    EXPECT_EQ(mode, DEV_SWDRV_TUNNEL_MODE_NONE);
}

TEST_F(VlanTest, TunnelTpidIsThePortsTagProtocol) {
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelTPID(1, 4, 0x88A8));
    EXPECT_EQ(vport(4).tpid, 0x88A8);
    uint32_t tpid = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort(1, 4, &tpid));
    EXPECT_EQ(tpid, 0x88A8u);
    EXPECT_FALSE(DEV_SWDRV_SetPortDot1qTunnelTPID(1, 4, 0x10000));
    EXPECT_FALSE(DEV_SWDRV_SetPortDot1qTunnelTPID(1, 4, 0x0100));  // a length, not a type
    EXPECT_EQ(vport(4).tpid, 0x88A8);
}

TEST_F(VlanTest, CpuPortJoinsAndLeavesTagged) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(1));
    ASSERT_TRUE(DEV_SWDRV_AddCpuToVlan(1));
    chipsim::VlanEntry e = entry(1);
    EXPECT_TRUE(sdkPortsBmpIsMember(e.members, SDK_CPU_PORT));
    EXPECT_TRUE(sdkPortsBmpIsMember(e.tagged, SDK_CPU_PORT));
    EXPECT_EQ(e.tag_cmd[SDK_CPU_PORT], SDK_VLAN_TAG_CMD_TAGGED);
    ASSERT_TRUE(DEV_SWDRV_DeleteCpuFromVlan(1));
    EXPECT_FALSE(sdkPortsBmpIsMember(entry(1).members, SDK_CPU_PORT));
}

TEST_F(VlanTest, OperationsOnAVlanThatDoesNotExistFailAndSaySo) {
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_AddPortVlanSet(1, 1, 50));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_AddPortVlanSet(): Line = "));
    EXPECT_TRUE(cap.contains(", error_id=6, arg = 0,50\r\n"));
    EXPECT_FALSE(DEV_SWDRV_AddCpuToVlan(50));
    EXPECT_FALSE(DEV_SWDRV_DeletePortVlanSet(1, 1, 50));
    EXPECT_FALSE(entry(50).valid);
    EXPECT_EQ(entry(50).members, SDK_PORTS_BMP{});
}

TEST_F(VlanTest, PvidIsWrittenAndCached) {
    ASSERT_TRUE(DEV_SWDRV_SetPortPVID(1, 5, 77));
    EXPECT_EQ(vport(5).pvid, 77);
    EXPECT_EQ(DEV_SWDRV_OM().pvid[4], 77u);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortPVID(1, 5, 0));
    EXPECT_FALSE(DEV_SWDRV_SetPortPVID(1, 5, 4095));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_SetPortPVID(): Line = "));
    EXPECT_TRUE(cap.contains(" , VLAN id out of range\r\n"));
    EXPECT_EQ(vport(5).pvid, 77);
    // A failed write keeps the cache as it was.
    chipsim::fail("sdkBrgVlanPortVidSet", SDK_FAIL);
    EXPECT_FALSE(DEV_SWDRV_SetPortPVID(1, 5, 88));
    EXPECT_EQ(DEV_SWDRV_OM().pvid[4], 77u);
}

TEST_F(VlanTest, IngressFilterAndAcceptableFrameTypes) {
    ASSERT_TRUE(DEV_SWDRV_EnableIngressFilter(1, 6));
    EXPECT_TRUE(vport(6).ingress_filter);
    ASSERT_TRUE(DEV_SWDRV_DisableIngressFilter(1, 6));
    EXPECT_FALSE(vport(6).ingress_filter);
    ASSERT_TRUE(DEV_SWDRV_AdmitOnlyVlanTaggedFrames(1, 6));
    EXPECT_EQ(vport(6).accept, SDK_VLAN_ACCEPT_TAGGED);
    ASSERT_TRUE(DEV_SWDRV_AdmitOnlyVlanUntaggedFrames(1, 6));
    EXPECT_EQ(vport(6).accept, SDK_VLAN_ACCEPT_UNTAGGED);
    ASSERT_TRUE(DEV_SWDRV_AdmitAllFrames(1, 6));
    EXPECT_EQ(vport(6).accept, SDK_VLAN_ACCEPT_ALL);
}

TEST_F(VlanTest, MemberSetMakesThePortAMemberOfExactlyTheListedVlans) {
    for (uint32_t v : {10, 20, 30})
        ASSERT_TRUE(DEV_SWDRV_CreateVlan(v));
    ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, 2, 10));
    ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 2, 30));
    auto list = vlan_list({10, 20, 40});  // 40 does not exist
    ASSERT_TRUE(DEV_SWDRV_SetPortToVlanMemberSet(1, 2, list.data()));
    EXPECT_TRUE(member(10, 2));
    EXPECT_FALSE(tagged(10, 2));  // a member already keeps its tagging
    EXPECT_TRUE(member(20, 2));
    EXPECT_TRUE(tagged(20, 2));
    EXPECT_FALSE(member(30, 2));
    EXPECT_FALSE(entry(40).valid);

    auto untagged = vlan_list({20});
    ASSERT_TRUE(DEV_SWDRV_SetPortToVlanUntaggedSet(1, 2, untagged.data()));
    EXPECT_FALSE(tagged(20, 2));
    EXPECT_TRUE(member(10, 2));
    EXPECT_TRUE(tagged(10, 2));  // untagged in an unlisted VLAN: becomes tagged
}

TEST_F(VlanTest, RefusedPortsAndVlansLeaveTheChipAsItWas) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(10));
    ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 1, 10));
    chipsim::Vlans before = chipsim::vlans(0);
    console::Capture cap;
    for (auto [unit, port] : {std::pair{0u, 1u}, {3u, 1u}, {1u, 0u}, {1u, 17u}}) {
        EXPECT_FALSE(DEV_SWDRV_AddPortVlanSet(unit, port, 10));
        EXPECT_FALSE(DEV_SWDRV_SetPortPVID(unit, port, 10));
        EXPECT_FALSE(DEV_SWDRV_EnableIngressFilter(unit, port));
        EXPECT_FALSE(DEV_SWDRV_SetPortDot1qTunnelMode(unit, port, 2));
    }
    for (uint32_t vid : {0u, 4095u, 70000u, 65537u}) {
        // The chip refuses to hold the VLAN; creation prints that and answers TRUE.
        EXPECT_TRUE(DEV_SWDRV_CreateVlan(vid));
        EXPECT_FALSE(DEV_SWDRV_DestroyVlan(vid));
        EXPECT_FALSE(DEV_SWDRV_AddPortVlanSet(1, 1, vid));
        EXPECT_FALSE(DEV_SWDRV_AddCpuToVlan(vid));
    }
    EXPECT_TRUE(chipsim::vlans(0) == before);
    EXPECT_TRUE(cap.contains("DEV_SWDRV_Logical2PhyDevicePortID failed\r\n"));
}

TEST_F(VlanTest, AFailedEntryWriteIsPrintedAndCreationStillAnswersTrue) {
    bring_up(two_device_board());
    chipsim::fail("sdkBrgVlanEntryWrite", SDK_FAIL, 1, 1);  // the second device's write
    console::Capture cap;
    EXPECT_TRUE(DEV_SWDRV_CreateVlan(7));
    EXPECT_TRUE(entry(7, 0).valid);
    EXPECT_FALSE(entry(7, 1).valid);
    EXPECT_TRUE(cap.contains("DEV_SWDRV_CreateVlan(): Line = "));
    EXPECT_TRUE(cap.contains(", error_id=1, arg = 1,7\r\n"));
}

TEST_F(VlanTest, ResetOnDemandPreparesTheRecordNewVlansCopy) {
    DEV_SWDRV_OM().default_vlan_info.learnEnable = 0;  // as if spoiled
    ASSERT_TRUE(DEV_SWDRV_ResetOnDemand());
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(9));
    EXPECT_EQ(entry(9).info, DEV_SWDRV_OM().default_vlan_info);
    EXPECT_EQ(entry(9).info.learnEnable, 1u);
}

}  // namespace
