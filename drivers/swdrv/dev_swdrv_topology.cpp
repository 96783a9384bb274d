// Topology configuration: the mapping table from the stack-topology service, hardware device
// numbers (module ids) of the local devices and the cascade (device-map) table.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/stktplg/stktplg.h"

namespace {

// The local default mapping: ports 1-8 on device 0 ports 0-7, ports 9-16 not mapped.
void load_local_default_row() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    for (uint32_t p = 0; p < DEV_SWDRV_PORTS_PER_UNIT; ++p) {
        uint8_t* e = om.port_map[0][p];
        bool mapped = p < 8;
        e[DEV_SWDRV_MAP_MODULE] = 0;
        e[DEV_SWDRV_MAP_DEVICE] = 0;
        e[DEV_SWDRV_MAP_PHY_PORT] = mapped ? static_cast<uint8_t>(p) : 0;
        e[DEV_SWDRV_MAP_PHY_ID] = mapped ? static_cast<uint8_t>(p / 4) : 0;
        e[DEV_SWDRV_MAP_KIND] = mapped ? 6 : 0;
    }
}

bool fill_from_topology_service() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    static_assert(sizeof om.port_map == STKTPLG_MAPPING_TABLE_SIZE);
    return STKTPLG_POM_GetAllUnitsPortMapping(&om.port_map[0][0][0]);
}

// Writes on `dev` the device-map entry for `target` over the internal link between the two
// local devices: the link of the device's first entry, numbered by the table size.
SDK_STATUS link_towards(uint8_t dev, uint8_t target) {
    SDK_CSCD_LINK link;
    bool hash;
    uint32_t size;
    if (SDK_STATUS rc = sdkCscdDevMapTableGet(dev, 0, &link, &hash)) return rc;
    if (SDK_STATUS rc = sdkCfgTableNumEntriesGet(dev, SDK_CFG_TABLE_DEVICE_MAP, &size)) return rc;
    link.linkNum = size;
    return sdkCscdDevMapTableSet(dev, target, &link, hash);
}

}  // namespace

bool DEV_SWDRV_ConfigTopologyInfo(const uint8_t* topology_info) {
    if (!topology_info) return false;
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    const uint8_t* s = topology_info;
    std::memcpy(om.stacking_info, s, sizeof om.stacking_info);
    om.stacking_valid = true;
    om.my_unit_id = s[DEV_SWDRV_STK_MY_UNIT];
    if (s[DEV_SWDRV_STK_MY_UNIT] == s[DEV_SWDRV_STK_UNIT]) {
        om.my_module_id = s[DEV_SWDRV_STK_MODULE0];
        om.second_id = s[DEV_SWDRV_STK_SECOND_ID];
        om.cascade_index = 0;
    }
    if (!fill_from_topology_service()) {
        CONSOLE_Printf("%s[%d]: STKTPLG_POM_GetAllUnitsPortMapping fail!!\n", __func__, __LINE__);
        CONSOLE_Printf("%s[%d]: Prepare mapping table locally !!\n", __func__, __LINE__);
        load_local_default_row();
    }
    uint8_t first = 0, count = 0;
    if (sdkCfgDevCountGet(&first, &count) != SDK_OK) count = 0;
    for (uint32_t d = 0; d < uint32_t{first} + count && d < DEV_SWDRV_MAX_DEVICES; ++d) {
        uint32_t module;
        if (STKTPLG_POM_IsOptionModule()) {
            uint32_t main_ports = 0;
            STKTPLG_POM_GetMainBoardPortNum(&main_ports);
            const uint8_t* e = main_ports < DEV_SWDRV_PORTS_PER_UNIT && om.my_unit_id >= 1 &&
                                       om.my_unit_id <= DEV_SWDRV_MAPPING_ROWS
                                   ? om.port_map[om.my_unit_id - 1][main_ports]
                                   : nullptr;
            if (e && e[DEV_SWDRV_MAP_MODULE] != DEV_SWDRV_INVALID)
                module = e[DEV_SWDRV_MAP_MODULE];
            else if (!STKTPLG_POM_GetMyModuleID(&module))
                continue;
        } else if (!DEV_SWDRV_GetModuleIdFromLocalDeviceId(om.my_unit_id, d, &module)) {
            CONSOLE_Printf(
                "DEV_SWDRV_ConfigTopologyInfo => DEV_SWDRV_GetModuleIdFromLocalDeviceId error "
                ":unit=%ld device_id=%ld \n",
                static_cast<long>(om.my_unit_id), static_cast<long>(d));
            continue;
        }
        if (!DEV_SWDRV_ChangeHWDevice_ID(d, module)) return false;
        om.device_table[d].valid = 1;
        om.device_table[d].module_id = module;
    }
    return DEV_SWDRV_UpdateCascadeStackingTable();
}

bool DEV_SWDRV_UpdateCascadeStackingTable() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    const uint8_t* s = om.stacking_info;
    if (om.fabric_device == DEV_SWDRV_INVALID || om.fabric_port[0] == DEV_SWDRV_INVALID ||
        om.fabric_port[1] == DEV_SWDRV_INVALID || s[DEV_SWDRV_STK_ENTRIES] == 0)
        return true;
    std::vector<swdrv::LocalDevice> devs = swdrv::local_devices();
    // Each walked entry k describes unit byte k+1 and module byte k+2 of the record.
    for (uint32_t k = 0; k < s[DEV_SWDRV_STK_ENTRIES] && k + 2 < sizeof om.stacking_info; ++k) {
        // Whichever unit the entry names: its module is looked up in that unit's row.
        if (k != om.cascade_index || devs.size() != 2) continue;
        uint32_t dev;
        if (!DEV_SWDRV_GetDeviceIdByUnitAndModuleId(s[k + 1], s[k + 2], &dev)) {
            SWDRV_STEP_ERR("DEV_SWDRV_GetDeviceIdByUnitAndModuleId failed");
            return false;
        }
        uint8_t partner = devs[0].dev == dev ? devs[1].dev : devs[0].dev;
        uint8_t hw = 0;
        SDK_STATUS rc = sdkCfgHwDevNumGet(static_cast<uint8_t>(dev), &hw);
        if (rc == SDK_OK)
            rc = link_towards(static_cast<uint8_t>(dev), static_cast<uint8_t>(hw + 1));
        if (rc == SDK_OK) rc = link_towards(partner, hw);
        if (rc != SDK_OK) {
            SWDRV_SDK_ERR(rc);
            return false;
        }
    }
    return true;
}

bool DEV_SWDRV_ChangeHWDevice_ID(uint32_t device_id, uint32_t module_id) {
    if (device_id >= DEV_SWDRV_MAX_DEVICES || module_id > 0xFF) {
        SWDRV_SDK_ERR(SDK_BAD_PARAM);
        CONSOLE_Puts("can not DEV_SWDRV_ChangeHWDevice_ID()\r");
        return false;
    }
    uint8_t dev = static_cast<uint8_t>(device_id);
    bool saved[DEV_SWDRV_DEVICE_PORTS] = {};
    bool aa_ta = false, na_switched_off = false;
    SDK_DEV_INFO info;
    SDK_STATUS rc = sdkCfgDevInfoGet(dev, &info);
    if (rc == SDK_OK) rc = sdkBrgFdbAAandTAToCpuGet(dev, &aa_ta);
    auto exists = [&](uint8_t p) { return sdkPortsBmpIsMember(info.existingPorts, p); };
    for (uint8_t p = 0; rc == SDK_OK && p < DEV_SWDRV_DEVICE_PORTS; ++p) {
        if (!exists(p)) continue;
        rc = sdkBrgFdbNaToCpuPerPortGet(dev, p, &saved[p]);
        na_switched_off = na_switched_off || saved[p];
    }
    // New-address messages are on somewhere: silence the device while it is renumbered.
    if (rc == SDK_OK && na_switched_off) rc = sdkBrgFdbAAandTAToCpuSet(dev, false);
    for (uint8_t p = 0; rc == SDK_OK && na_switched_off && p < DEV_SWDRV_DEVICE_PORTS; ++p)
        if (exists(p)) rc = sdkBrgFdbNaToCpuPerPortSet(dev, p, false);
    if (rc == SDK_OK) rc = sdkCfgHwDevNumSet(dev, static_cast<uint8_t>(module_id));
    if (rc == SDK_OK && aa_ta) rc = sdkBrgFdbAAandTAToCpuSet(dev, true);
    for (uint8_t p = 0; rc == SDK_OK && na_switched_off && p < DEV_SWDRV_DEVICE_PORTS; ++p)
        if (exists(p)) rc = sdkBrgFdbNaToCpuPerPortSet(dev, p, saved[p]);
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR(rc);
        CONSOLE_Puts("can not DEV_SWDRV_ChangeHWDevice_ID()\r");
        return false;
    }
    return true;
}

bool DEV_SWDRV_SetDevicePortMapping() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    om.my_unit_id = 1;
    fill_from_topology_service();
    std::memset(om.device_table, 0, sizeof om.device_table);
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        uint32_t module;
        if (!DEV_SWDRV_GetModuleIdFromLocalDeviceId(1, d.dev, &module)) {
            CONSOLE_Printf(
                "DEV_SWDRV_SetDevicePortMapping => DEV_SWDRV_GetModuleIdFromLocalDeviceId error "
                ":unit=%ld device_id=%ld \n",
                1L, static_cast<long>(d.dev));
            continue;
        }
        om.device_table[d.dev].valid = 1;
        om.device_table[d.dev].module_id = module;
    }
    return true;
}
