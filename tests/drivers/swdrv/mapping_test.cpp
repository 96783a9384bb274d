// Translation of (unit, port), its fallback rows, the stacking accessors before any topology,
// and the print flags of the error-reporting convention.
#include <cstring>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class MappingTest : public SwdrvTest {
  protected:
    static void set_entry(uint32_t row, uint32_t port, std::array<uint8_t, 5> e) {
        std::memcpy(DEV_SWDRV_OM().port_map[row][port - 1], e.data(), 5);
    }
    static std::array<uint32_t, 3> lookup(uint32_t unit, uint32_t port, bool* ok) {
        std::array<uint32_t, 3> r{};
        *ok = DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &r[0], &r[1], &r[2]);
        return r;
    }
};

TEST_F(MappingTest, BoardRowAfterInit) {
    bool ok;
    EXPECT_EQ(lookup(1, 15, &ok), (std::array<uint32_t, 3>{0, 0, 24}));
    EXPECT_TRUE(ok);
    uint32_t m, d, phy_id;
    ASSERT_TRUE(DEV_SWDRV_Logical2PhyDeviceID(1, 6, &m, &d, &phy_id));
    EXPECT_EQ(phy_id, 1u);
    uint32_t unit, port;
    ASSERT_TRUE(DEV_SWDRV_PhyDevicePort2Logical(0, 25, &unit, &port));
    EXPECT_EQ(unit, 1u);
    EXPECT_EQ(port, 16u);
    EXPECT_FALSE(DEV_SWDRV_PhyDevicePort2Logical(0, 20, &unit, &port));
}

TEST_F(MappingTest, FallsBackOnTheFollowingRowOnly) {
    DEV_SWDRV_SavePortMapping();
    set_entry(1, 3, {0, 0, 7, 2, 6});     // the saved row differs ...
    set_entry(0, 3, {0xFF, 0, 2, 0, 6});  // ... and row 0 is invalid
    set_entry(0, 4, {0, 0, 3, 0, 6});
    set_entry(1, 4, {0, 0, 9, 0, 6});
    bool ok;
    EXPECT_EQ(lookup(1, 3, &ok), (std::array<uint32_t, 3>{0, 0, 7}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(lookup(1, 4, &ok)[2], 3u);  // a valid row 0 entry wins
    EXPECT_EQ(lookup(2, 4, &ok)[2], 9u);  // unit 2 reads row 1
    EXPECT_TRUE(ok);
    set_entry(1, 5, {0, 0xFF, 0, 0, 0});
    lookup(2, 5, &ok);  // no row after row 1
    EXPECT_FALSE(ok);
    lookup(3, 1, &ok);
    EXPECT_FALSE(ok);
    lookup(1, 0, &ok);
    EXPECT_FALSE(ok);
    lookup(1, 17, &ok);
    EXPECT_FALSE(ok);

    console::Capture cap;
    uint32_t m = 0, d = 0, phy_id = 0;
    EXPECT_FALSE(DEV_SWDRV_Logical2PhyDeviceID(1, 3, &m, &d, &phy_id));
    EXPECT_EQ(cap.text(),
              "DEV_SWDRV_Logical2PhyDeviceID mapping error => unit=1 port=3 module=0 device_id=0 "
              "phy_id=0\n");
    EXPECT_EQ(phy_id, 0u);  // the unit's own row's PHY id, not the saved row's 2
    set_entry(1, 3, {0xFF, 0xFF, 0xFF, 0, 0});
    cap.clear();
    bool both_invalid = !DEV_SWDRV_Logical2PhyDevicePortID(1, 3, &m, &d, &phy_id);
    EXPECT_TRUE(both_invalid);
    EXPECT_EQ(m, 0xFFu);  // the bytes of the entry last read
    EXPECT_FALSE(DEV_SWDRV_Logical2PhyDeviceID(1, 3, &m, &d, &phy_id));
    EXPECT_EQ(cap.text(), "");
}

TEST_F(MappingTest, ModuleAndDeviceLookups) {
    uint32_t unit = 0, dev = 9, module = 9;
    EXPECT_TRUE(DEV_SWDRV_GetDeviceIdFromModuleId(0, &unit, &dev));
    EXPECT_EQ(unit, 1u);
    EXPECT_EQ(dev, 0u);
    EXPECT_FALSE(DEV_SWDRV_GetDeviceIdFromModuleId(3, &unit, &dev));
    EXPECT_TRUE(DEV_SWDRV_GetModuleIdFromLocalDeviceId(1, 0, &module));
    EXPECT_EQ(module, 0u);
    EXPECT_FALSE(DEV_SWDRV_GetModuleIdFromLocalDeviceId(1, 1, &module));
    EXPECT_FALSE(DEV_SWDRV_GetModuleIdFromLocalDeviceId(3, 0, &module));
    EXPECT_FALSE(DEV_SWDRV_GetDeviceIdByUnitAndModuleId(0, 0, &dev));
    EXPECT_TRUE(DEV_SWDRV_GetMyUnitId(&unit));
    EXPECT_EQ(unit, 1u);
}

TEST_F(MappingTest, StackingAccessorsBeforeAnyTopology) {
    uint32_t module = 7, port = 0, dev = 5;
    EXPECT_TRUE(DEV_SWDRV_GetModuleInfoByUnit(0, 0, &module));
    EXPECT_EQ(module, 0u);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_GetModuleInfoByUnit(1, 0, &module));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_GetModuleInfoByUnit("));
    EXPECT_TRUE(cap.contains(")StackingInfo not init yet.\r\n"));
    cap.clear();
    EXPECT_FALSE(DEV_SWDRV_GetMasterModuleID(&module));
    EXPECT_FALSE(DEV_SWDRV_GetFabricPortToDstUnit(1, &port));
    EXPECT_FALSE(DEV_SWDRV_GetDstUnitInfo(1, 2, &port, &module));
    EXPECT_NE(cap.text().find("DEV_SWDRV_GetDstUnitInfo("), std::string::npos);
    EXPECT_TRUE(DEV_SWDRV_GetCpuEnabledDevIdByUnit(0, &dev));
    EXPECT_EQ(dev, 0u);
    EXPECT_FALSE(DEV_SWDRV_GetFabricDevice(&dev));  // no stacking ports on this board
    uint32_t next = 0xFFFFFFFF;
    EXPECT_FALSE(DEV_SWDRV_GetNextDevice(&next));  // no device table rows yet
}

TEST_F(MappingTest, ErrorPrintsFollowTheirFlags) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(1, 17));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_EnablePortAdmin(): Line = "));
    EXPECT_TRUE(cap.contains(" , DEV_SWDRV_Logical2PhyDevicePortID failed\r\n"));
    om.print_mapping_err = false;
    cap.clear();
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(1, 17));
    EXPECT_EQ(cap.text(), "");

    chipsim::fail("sdkPortEnableSet", 0x11);
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(1, 1));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_EnablePortAdmin(): Line = "));
    EXPECT_TRUE(cap.contains(" , error_id=17\r\n"));
    om.print_sdk_err = false;
    cap.clear();
    chipsim::fail("sdkPortEnableSet", 0x11);
    EXPECT_FALSE(DEV_SWDRV_EnablePortAdmin(1, 1));
    EXPECT_EQ(cap.text(), "");

    // Speed and duplex report their SDK errors under the detail flag.
    om.print_sdk_err = true;
    chipsim::fail("sdkPortSpeedSet", 0x11);
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 1, 5));
    EXPECT_EQ(cap.text(), "");
    om.print_detail = true;
    chipsim::fail("sdkPortSpeedSet", 0x11);
    EXPECT_FALSE(DEV_SWDRV_SetPortCfgSpeedDuplex(1, 1, 5));
    EXPECT_TRUE(cap.contains("DEV_SWDRV_SetPortCfgSpeedDuplex(): Line = "));
}

}  // namespace
