// The driver's debug menu "dev_swdrv": tables, print flags, chip and PHY registers.
#include "drivers/swdrv/dev_swdrv_backdoor.h"
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/backdoor/backdoor_mgr.h"

namespace {

void show_mapping() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    BACKDOOR_MGR_Printf(
        "my unit %lu, module %lu, board id 0x%lx\r\n", static_cast<unsigned long>(om.my_unit_id),
        static_cast<unsigned long>(om.my_module_id), static_cast<unsigned long>(om.board_id));
    for (uint32_t row = 0; row < DEV_SWDRV_MAPPING_ROWS; ++row) {
        BACKDOOR_MGR_Printf("row %lu  port: module device port phy kind\r\n",
                            static_cast<unsigned long>(row));
        for (uint32_t p = 0; p < DEV_SWDRV_PORTS_PER_UNIT; ++p) {
            const uint8_t* e = om.port_map[row][p];
            BACKDOOR_MGR_Printf("  %2lu: %3u %3u %3u %3u %3u\r\n",
                                static_cast<unsigned long>(p + 1), e[0], e[1], e[2], e[3], e[4]);
        }
    }
}

void show_stacking() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    BACKDOOR_MGR_Printf("stacking info %s:", om.stacking_valid ? "valid" : "not set");
    for (uint8_t b : om.stacking_info)
        BACKDOOR_MGR_Printf(" %02x", b);
    BACKDOOR_MGR_Printf("\r\nfabric device %u, ports %u %u, cascade index %lu\r\n",
                        om.fabric_device, om.fabric_port[0], om.fabric_port[1],
                        static_cast<unsigned long>(om.cascade_index));
    for (uint32_t d = 0; d < DEV_SWDRV_MAX_DEVICES; ++d)
        if (om.device_table[d].valid)
            BACKDOOR_MGR_Printf("device %lu: module %lu\r\n", static_cast<unsigned long>(d),
                                static_cast<unsigned long>(om.device_table[d].module_id));
}

void show_phys() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        for (uint32_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p))
                BACKDOOR_MGR_Printf("device %u port %2lu: PHY id 0x%04x class 0x%03x\r\n", d.dev,
                                    static_cast<unsigned long>(p), om.phy_id[d.dev][p],
                                    om.phy_id[d.dev][p] & 0x3F0);
}

void toggle(std::atomic<bool>& flag, const char* name) {
    flag = !flag;
    BACKDOOR_MGR_Printf("%s print %s\r\n", name, flag ? "on" : "off");
}
void toggle_mapping() {
    toggle(DEV_SWDRV_OM().print_mapping_err, "mapping-failure");
}
void toggle_sdk() {
    toggle(DEV_SWDRV_OM().print_sdk_err, "SDK-error");
}
void toggle_detail() {
    toggle(DEV_SWDRV_OM().print_detail, "detail");
}

void read_register() {
    uint8_t dev = static_cast<uint8_t>(BACKDOOR_LIB_RequestUI32("device", 0));
    uint32_t addr = BACKDOOR_LIB_RequestUI32("register address", 0);
    uint32_t value = 0;
    SDK_STATUS rc = sdkHwRegRead(dev, SDK_PORT_GROUPS_ALL, addr, &value);
    BACKDOOR_MGR_Printf("rc %lu value 0x%08lx\r\n", static_cast<unsigned long>(rc),
                        static_cast<unsigned long>(value));
}

void write_register() {
    uint8_t dev = static_cast<uint8_t>(BACKDOOR_LIB_RequestUI32("device", 0));
    uint32_t addr = BACKDOOR_LIB_RequestUI32("register address", 0);
    uint32_t value = BACKDOOR_LIB_RequestUI32("value", 0);
    BACKDOOR_MGR_Printf("rc %lu\r\n", static_cast<unsigned long>(
                                          sdkHwRegWrite(dev, SDK_PORT_GROUPS_ALL, addr, value)));
}

void read_phy() {
    uint32_t dev = BACKDOOR_LIB_RequestUI32("device", 0);
    uint32_t port = BACKDOOR_LIB_RequestUI32("port", 0);
    uint16_t page = static_cast<uint16_t>(BACKDOOR_LIB_RequestUI32("page", 0));
    uint16_t reg = static_cast<uint16_t>(BACKDOOR_LIB_RequestUI32("register", 0));
    uint16_t value = 0;
    if (DEV_SWDRV_GetMIIPhyRegByPage(dev, port, swdrv::kPhyRegPage, 0xFF, page, reg, &value))
        BACKDOOR_MGR_Printf("0x%04x\r\n", value);
    else
        BACKDOOR_MGR_Printf("failed\r\n");
}

void write_phy() {
    uint32_t unit = BACKDOOR_LIB_RequestUI32("unit", 1);
    uint32_t port = BACKDOOR_LIB_RequestUI32("port", 1);
    DEV_SWDRV_PhyRegOp_T op;
    op.reg = static_cast<uint16_t>(BACKDOOR_LIB_RequestUI32("register", 0));
    op.value = static_cast<uint16_t>(BACKDOOR_LIB_RequestUI32("value", 0));
    op.mask = static_cast<uint16_t>(BACKDOOR_LIB_RequestUI32("mask", 0xFFFF));
    BACKDOOR_MGR_Printf("%s\r\n",
                        DEV_SWDRV_DoPHYRegsTransactions(unit, port, &op, 1) ? "done" : "failed");
}

void show_frame_state() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    BACKDOOR_MGR_Printf("jumbo %u, tunnel room %u, extra-tag room %u\r\n", om.jumbo, om.tunnel_room,
                        om.extra_tag_room);
}

void show_vlan_state() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    const SDK_BRG_VLAN_INFO& r = om.default_vlan_info;
    BACKDOOR_MGR_Printf(
        "spanning-tree mode %lu; new VLANs: group %lu, MRU profile %lu, "
        "learning %lu, new-address messages %lu, flood group 0x%lx\r\n",
        static_cast<unsigned long>(om.sta_mode), static_cast<unsigned long>(r.stgId),
        static_cast<unsigned long>(r.mruIdx), static_cast<unsigned long>(r.learnEnable),
        static_cast<unsigned long>(r.naToCpuEnable), static_cast<unsigned long>(r.floodVidx));
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        for (uint32_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (om.tunnel_mode[d.dev][p] != DEV_SWDRV_TUNNEL_MODE_NONE)
                BACKDOOR_MGR_Printf("device %u port %2lu: tunnel mode %lu\r\n", d.dev,
                                    static_cast<unsigned long>(p),
                                    static_cast<unsigned long>(om.tunnel_mode[d.dev][p]));
    uint32_t vid = BACKDOOR_LIB_RequestUI32("tagged marks of VLAN (0: none)", 0);
    if (vid < DEV_SWDRV_MIN_VLAN || vid > DEV_SWDRV_MAX_VLAN) return;
    for (const swdrv::LocalDevice& d : swdrv::local_devices())
        BACKDOOR_MGR_Printf("device %u: %08lx %08lx, group %u\r\n", d.dev,
                            static_cast<unsigned long>(om.tagged[d.dev][vid - 1][1]),
                            static_cast<unsigned long>(om.tagged[d.dev][vid - 1][0]),
                            om.stp_shadow[d.dev].vlan_group[vid]);
}

}  // namespace

void DEV_SWDRV_BACKDOOR_Main() {
    backdoor::run_menu("dev_swdrv", {{"1", "port mapping table", show_mapping},
                                     {"2", "stacking information", show_stacking},
                                     {"3", "PHY identifiers", show_phys},
                                     {"4", "toggle mapping-failure print", toggle_mapping},
                                     {"5", "toggle SDK-error print", toggle_sdk},
                                     {"6", "toggle detail print", toggle_detail},
                                     {"7", "read chip register", read_register},
                                     {"8", "write chip register", write_register},
                                     {"9", "read PHY register (device, port, page)", read_phy},
                                     {"10", "write PHY register (unit, port)", write_phy},
                                     {"11", "frame-size state", show_frame_state},
                                     {"12", "VLAN and spanning-tree state", show_vlan_state},
                                     {"13", "port status state", swdrv::backdoor_show_status},
                                     {"14", "cable-test records", swdrv::backdoor_show_cable},
                                     {"15", "start a cable test", swdrv::backdoor_run_cable_test},
                                     {"16", "chip defaults", swdrv::backdoor_show_defaults}});
}
