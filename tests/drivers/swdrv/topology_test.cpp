// Topology configuration on the two-device board: module ids, the device table, the cascade
// (device-map) table, the stacking accessors, and renumbering without stale messages.
#include "platform/stktplg/stktplg.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class TopologyTest : public SwdrvTest {
  protected:
    void SetUp() override { bring_up(two_device_board()); }
    // The board after the stack gave this unit modules 4 and 5.
    static board::Description renumbered_board() {
        board::Description b = two_device_board();
        for (board::PortMapEntry& e : b.units[0].port_map)
            e.module_id += 4;
        return b;
    }
    static std::array<uint8_t, 13> record(uint8_t module0, uint8_t module1, uint8_t ring = 0) {
        //      my unit, unit, module0, 2nd id, entries, cpu dev, master, ring, -, module1
        return {1, 1, module0, 7, 1, 0, 1, ring, 0, module1, 0, 0, 0};
    }
};

TEST_F(TopologyTest, StackingPortsAndCascadePortsStayUpAtStart) {
    uint32_t dev = 9;
    ASSERT_TRUE(DEV_SWDRV_GetFabricDevice(&dev));
    EXPECT_EQ(dev, 1u);
    EXPECT_EQ(DEV_SWDRV_OM().fabric_port[1], 25);
    EXPECT_TRUE(DEV_SWDRV_IsCascadingPort(0, 24));
    EXPECT_FALSE(DEV_SWDRV_IsCascadingPort(1, 24));
    EXPECT_FALSE(DEV_SWDRV_IsCascadingPort(0, 0));
    chipsim::PortState s;
    ASSERT_TRUE(chipsim::port_state(0, 24, &s));
    EXPECT_TRUE(s.enabled);  // cascade
    ASSERT_TRUE(chipsim::port_state(1, 25, &s));
    EXPECT_TRUE(s.enabled);  // fabric
    ASSERT_TRUE(chipsim::port_state(1, 0, &s));
    EXPECT_FALSE(s.enabled);  // front port 9
}

TEST_F(TopologyTest, RenumbersDevicesAndLinksThemThroughTheCascadeTable) {
    bring_up(renumbered_board());
    auto r = record(4, 5);
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(r.data()));
    EXPECT_EQ(chipsim::hw_dev_num(0), 4);
    EXPECT_EQ(chipsim::hw_dev_num(1), 5);
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    EXPECT_EQ(om.my_module_id, 4u);
    EXPECT_EQ(om.second_id, 7u);
    EXPECT_EQ(om.device_table[1].module_id, 5u);
    uint32_t dev = 0xFFFFFFFF;
    ASSERT_TRUE(DEV_SWDRV_GetNextDevice(&dev));
    EXPECT_EQ(dev, 0u);
    ASSERT_TRUE(DEV_SWDRV_GetNextDevice(&dev));
    EXPECT_EQ(dev, 1u);
    EXPECT_FALSE(DEV_SWDRV_GetNextDevice(&dev));
    // Each device reaches the other over the internal link: the entry numbered by the
    // device-map table's size.
    EXPECT_EQ(chipsim::dev_map(0, 5).link_num, 32u);
    EXPECT_EQ(chipsim::dev_map(1, 4).link_num, 32u);
    EXPECT_EQ(chipsim::dev_map(0, 4).link_num, 0u);
    EXPECT_EQ(chipsim::dev_map(1, 5).link_num, 0u);
}

TEST_F(TopologyTest, StackingAccessorsAnswerFromTheRecord) {
    auto r = record(0, 1);
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(r.data()));
    uint32_t v = 0, port = 0;
    ASSERT_TRUE(DEV_SWDRV_GetModuleInfoByUnit(1, 1, &v));
    EXPECT_EQ(v, 1u);
    ASSERT_TRUE(DEV_SWDRV_GetMasterModuleID(&v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(DEV_SWDRV_GetModuleInfoByUnit(3, 0, &v));
    ASSERT_TRUE(DEV_SWDRV_GetFabricPortToDstUnit(2, &port));  // unit 2 counts as 1
    EXPECT_EQ(port, 24u);
    ASSERT_TRUE(DEV_SWDRV_GetFabricportByUnitPosition(1, &port));
    EXPECT_EQ(port, 24u);
    ASSERT_TRUE(DEV_SWDRV_GetDstUnitInfo(1, 2, &port, &v));
    EXPECT_EQ(port, 0u);  // both count as unit 1
    EXPECT_EQ(v, 1u);     // a destination above 1 takes the second module
    ASSERT_TRUE(DEV_SWDRV_GetDstUnitInfo(3, 1, &port, &v));
    EXPECT_EQ(port, 25u);  // the source is not the described unit
    EXPECT_EQ(v, 0u);
    auto ring = record(0, 1, 1);
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(ring.data()));
    ASSERT_TRUE(DEV_SWDRV_GetFabricPortToDstUnit(1, &port));
    EXPECT_EQ(port, 25u);
    ASSERT_TRUE(DEV_SWDRV_GetCpuEnabledDevIdByUnit(1, &v));
    EXPECT_EQ(v, 0u);
}

TEST_F(TopologyTest, RecordOfAnotherUnitLeavesThisUnitsModule) {
    auto r = record(0, 1);
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(r.data()));
    auto other = record(9, 10);
    other[1] = 2;  // describes unit 2
    other[4] = 0;  // and walks no cascade entry
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(other.data()));
    EXPECT_EQ(DEV_SWDRV_OM().my_module_id, 0u);
    EXPECT_EQ(DEV_SWDRV_OM().second_id, 7u);
}

TEST_F(TopologyTest, RenumberingLeaksNoStaleAddressMessages) {
    bring_up(renumbered_board());
    for (uint8_t p : {0, 3}) {
        ASSERT_EQ(sdkBrgFdbNaToCpuPerPortSet(0, p, true), SDK_OK);
        chipsim::set_address_traffic(0, p, true);
    }
    chipsim::set_address_traffic(1, 2, true);
    ASSERT_EQ(sdkBrgFdbNaToCpuPerPortSet(1, 2, true), SDK_OK);
    for (uint8_t dev : {0, 1})  // the chip defaults switch them off
        ASSERT_EQ(sdkBrgFdbAAandTAToCpuSet(dev, true), SDK_OK);
    auto r = record(4, 5);
    ASSERT_TRUE(DEV_SWDRV_ConfigTopologyInfo(r.data()));
    EXPECT_TRUE(chipsim::au_messages(0).empty());
    EXPECT_TRUE(chipsim::au_messages(1).empty());
    // Every setting is back as it was.
    for (uint8_t p = 0; p < 8; ++p) {
        chipsim::PortState s;
        ASSERT_TRUE(chipsim::port_state(0, p, &s));
        EXPECT_EQ(s.na_to_cpu, p == 0 || p == 3) << int(p);
    }
    EXPECT_TRUE(chipsim::aa_ta_to_cpu(0));
    EXPECT_TRUE(chipsim::aa_ta_to_cpu(1));
}

TEST_F(TopologyTest, RenumberingADeviceWithoutMessagesWritesNoPortSetting) {
    // Any write of a port's message switch would fail and make the change fail.
    ASSERT_EQ(sdkBrgFdbAAandTAToCpuSet(0, true), SDK_OK);  // off after the chip defaults
    chipsim::fail("sdkBrgFdbNaToCpuPerPortSet", SDK_FAIL, 100);
    EXPECT_TRUE(DEV_SWDRV_ChangeHWDevice_ID(0, 3));
    EXPECT_EQ(chipsim::hw_dev_num(0), 3);
    EXPECT_TRUE(chipsim::aa_ta_to_cpu(0));
}

TEST_F(TopologyTest, FailedRenumberingIsReported) {
    chipsim::fail("sdkCfgHwDevNumSet", 0x10);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_ChangeHWDevice_ID(1, 6));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_ChangeHWDevice_ID(): Line = "));
    EXPECT_TRUE(cap.contains(" , error_id=16\r\n"));
    EXPECT_TRUE(cap.contains("can not DEV_SWDRV_ChangeHWDevice_ID()\r\n"));
    auto r = record(0, 1);
    chipsim::fail("sdkCfgHwDevNumSet", 0x10);
    EXPECT_FALSE(DEV_SWDRV_ConfigTopologyInfo(r.data()));
}

TEST_F(TopologyTest, LocalDefaultTableWhenTheTopologyServiceFails) {
    faults::set("STKTPLG_POM_GetAllUnitsPortMapping", 0);
    console::Capture cap;
    auto r = record(0, 1);
    DEV_SWDRV_ConfigTopologyInfo(r.data());
    EXPECT_TRUE(cap.contains("DEV_SWDRV_ConfigTopologyInfo["));
    EXPECT_TRUE(cap.contains("]: STKTPLG_POM_GetAllUnitsPortMapping fail!!\n"));
    EXPECT_TRUE(cap.contains("]: Prepare mapping table locally !!\n"));
    uint32_t m, d, p;
    ASSERT_TRUE(DEV_SWDRV_Logical2PhyDevicePortID(1, 8, &m, &d, &p));
    EXPECT_EQ(p, 7u);
    ASSERT_TRUE(DEV_SWDRV_Logical2PhyDeviceID(1, 5, &m, &d, &p));
    EXPECT_EQ(p, 1u);  // PHY id of ports 5-8
    ASSERT_TRUE(DEV_SWDRV_Logical2PhyDevicePortID(1, 9, &m, &d, &p));
    EXPECT_EQ(p, 0u);
    // Device 1 has no module in the local table.
    EXPECT_TRUE(
        cap.contains("DEV_SWDRV_GetModuleIdFromLocalDeviceId error :unit=1 device_id=1 \n"));
}

TEST_F(TopologyTest, SetDevicePortMappingFillsTheDeviceTable) {
    ASSERT_TRUE(DEV_SWDRV_SetDevicePortMapping());
    EXPECT_TRUE(DEV_SWDRV_OM().device_table[0].valid);
    EXPECT_EQ(DEV_SWDRV_OM().device_table[1].module_id, 1u);
    EXPECT_FALSE(DEV_SWDRV_OM().device_table[2].valid);
}

}  // namespace
