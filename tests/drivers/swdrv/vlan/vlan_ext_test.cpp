// Protocol-based VLANs, VLAN trunking and learning per port and per VLAN.
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

TEST_F(VlanTest, ProtocolGroupsAreSharedAndPortEntriesPerPort) {
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_SetDot1vProtocolGroupEntry(2, SDK_VLAN_ENCAP_ETHERNET_II, 0x86DD));
    for (uint8_t dev : {0, 1}) {
        chipsim::ProtoClass c = chipsim::vlans(dev).proto_class[2];
        EXPECT_TRUE(c.valid);
        EXPECT_EQ(c.encap, SDK_VLAN_ENCAP_ETHERNET_II);
        EXPECT_EQ(c.protocol, 0x86DD);
    }
    ASSERT_TRUE(DEV_SWDRV_AddDot1vProtocolPortEntry(1, 10, 2, 600));
    EXPECT_TRUE(vport(10).proto[2].valid);
    EXPECT_EQ(vport(10).proto[2].vid, 600);
    EXPECT_FALSE(vport(2).proto[2].valid);
    ASSERT_TRUE(DEV_SWDRV_DelDot1vProtocolPortEntry(1, 10, 2));
    EXPECT_FALSE(vport(10).proto[2].valid);
    ASSERT_TRUE(DEV_SWDRV_SetDot1vProtocolGroupEntry(2, 0, 0));  // frame type 0 removes it
    EXPECT_FALSE(chipsim::vlans(1).proto_class[2].valid);

    chipsim::Vlans before = chipsim::vlans(0);
    EXPECT_FALSE(DEV_SWDRV_SetDot1vProtocolGroupEntry(8, 1, 0x0800));
    EXPECT_FALSE(DEV_SWDRV_SetDot1vProtocolGroupEntry(1, 6, 0x0800));
    EXPECT_FALSE(DEV_SWDRV_AddDot1vProtocolPortEntry(1, 1, 8, 10));
    EXPECT_FALSE(DEV_SWDRV_AddDot1vProtocolPortEntry(1, 1, 0, 4095));
    EXPECT_TRUE(chipsim::vlans(0) == before);
}

TEST_F(VlanTest, TrunkingCreatesMissingVlansAndLeavesExistingOnesAlone) {
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(5));
    ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, 1, 5));
    ASSERT_TRUE(DEV_SWDRV_CreateVlanForVlanTrunking(5));
    EXPECT_TRUE(member(5, 1));  // not re-created
    ASSERT_TRUE(DEV_SWDRV_SetPortVlanTunkingByVLAN(1, 2, 6, true));
    EXPECT_TRUE(entry(6).valid);
    EXPECT_TRUE(member(6, 2));
    EXPECT_TRUE(tagged(6, 2));
    ASSERT_TRUE(DEV_SWDRV_SetPortVlanTunkingByVLAN(1, 2, 6, false));
    EXPECT_FALSE(member(6, 2));
    EXPECT_TRUE(DEV_SWDRV_SetPortVlanTunkingByVLAN(1, 2, 7, false));  // no such VLAN: done

    auto list = vlan_list({5, 100, 4094});
    ASSERT_TRUE(DEV_SWDRV_SetPortVlanTunkingByVlanList(1, 3, true, list.data()));
    for (uint16_t v : {5, 100, 4094})
        EXPECT_TRUE(tagged(v, 3)) << v;
    EXPECT_FALSE(entry(101).valid);
    ASSERT_TRUE(DEV_SWDRV_SetPortVlanTunkingByVlanList(1, 3, false, list.data()));
    for (uint16_t v : {5, 100, 4094})
        EXPECT_FALSE(member(v, 3)) << v;
    EXPECT_TRUE(member(5, 1));
}

TEST_F(VlanTest, LearningPerPortAndPerVlan) {
    ASSERT_TRUE(DEV_SWDRV_SetPortLearningStatus(1, 7, false));
    bool learn = true;
    uint32_t cmd = 0;
    ASSERT_EQ(sdkBrgFdbPortLearnStatusGet(0, dp(7), &learn, &cmd), SDK_OK);
    EXPECT_FALSE(learn);
    EXPECT_EQ(cmd, SDK_LOCK_CMD_FORWARD);  // unknown sources still forwarded
    ASSERT_TRUE(DEV_SWDRV_SetPortLearningStatus(1, 7, true));
    ASSERT_EQ(sdkBrgFdbPortLearnStatusGet(0, dp(7), &learn, &cmd), SDK_OK);
    EXPECT_TRUE(learn);

    ASSERT_TRUE(DEV_SWDRV_CreateVlan(8));
    ASSERT_TRUE(DEV_SWDRV_SetVlanLearningStatus(8, false));
    EXPECT_EQ(entry(8).info.learnEnable, 0u);
    ASSERT_TRUE(DEV_SWDRV_SetVlanLearningStatus(8, true));
    EXPECT_EQ(entry(8).info.learnEnable, 1u);
    EXPECT_FALSE(DEV_SWDRV_SetVlanLearningStatus(0, false));
}

}  // namespace
