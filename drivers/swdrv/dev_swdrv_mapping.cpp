// Translation between (unit, port) and (module, device, port), and the stacking accessors.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/stktplg/stktplg.h"

namespace {

using Entry = uint8_t[DEV_SWDRV_MAP_ENTRY_SIZE];

bool entry_valid(const Entry& e) {
    return e[DEV_SWDRV_MAP_MODULE] != DEV_SWDRV_INVALID &&
           e[DEV_SWDRV_MAP_DEVICE] != DEV_SWDRV_INVALID &&
           e[DEV_SWDRV_MAP_PHY_PORT] != DEV_SWDRV_INVALID;
}

// The entry of (row, port), or nullptr when there is no such row or port.
const Entry* entry(uint32_t row, uint32_t port) {
    if (row >= DEV_SWDRV_MAPPING_ROWS || port < 1 || port > DEV_SWDRV_PORTS_PER_UNIT)
        return nullptr;
    return &DEV_SWDRV_OM().port_map[row][port - 1];
}

// The stacking information, or nullptr (with its line) while no topology was configured.
const uint8_t* stacking(const char* func, int line) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (om.stacking_valid) return om.stacking_info;
    CONSOLE_Printf("%s(%d)StackingInfo not init yet.\r\n", func, line);
    return nullptr;
}

// Refusals of the stacking accessors are printed under the detail flag.
bool refuse(const char* func, int line, const char* why) {
    swdrv::print_step_err(func, line, why, true);
    return false;
}

}  // namespace

bool DEV_SWDRV_Logical2PhyDevicePortID(uint32_t unit, uint32_t port, uint32_t* module_id,
                                       uint32_t* device_id, uint32_t* phy_port) {
    if (!module_id || !device_id || !phy_port || unit < 1) return false;
    for (uint32_t row = unit - 1; row <= unit; ++row) {
        const Entry* e = entry(row, port);
        if (!e) return false;
        *module_id = (*e)[DEV_SWDRV_MAP_MODULE];
        *device_id = (*e)[DEV_SWDRV_MAP_DEVICE];
        *phy_port = (*e)[DEV_SWDRV_MAP_PHY_PORT];
        if (entry_valid(*e)) return true;
    }
    return false;
}

bool DEV_SWDRV_Logical2PhyDeviceID(uint32_t unit, uint32_t port, uint32_t* module_id,
                                   uint32_t* device_id, uint32_t* phy_id) {
    if (!module_id || !device_id || !phy_id || unit < 1) return false;
    const Entry* e = entry(unit - 1, port);
    if (!e) return false;
    // The PHY id always comes from the unit's own row; module and device from the entry
    // last read.
    *module_id = (*e)[DEV_SWDRV_MAP_MODULE];
    *device_id = (*e)[DEV_SWDRV_MAP_DEVICE];
    *phy_id = (*e)[DEV_SWDRV_MAP_PHY_ID];
    if (entry_valid(*e)) return true;
    const Entry* next = entry(unit, port);
    if (!next) return false;
    *module_id = (*next)[DEV_SWDRV_MAP_MODULE];
    *device_id = (*next)[DEV_SWDRV_MAP_DEVICE];
    if (entry_valid(*next))
        CONSOLE_Printf(
            "DEV_SWDRV_Logical2PhyDeviceID mapping error => unit=%ld port=%ld module=%ld "
            "device_id=%ld phy_id=%ld\n",
            static_cast<long>(unit), static_cast<long>(port), static_cast<long>(*module_id),
            static_cast<long>(*device_id), static_cast<long>(*phy_id));
    return false;
}

bool DEV_SWDRV_PhyDevicePort2Logical(uint32_t device_id, uint32_t phy_port, uint32_t* unit,
                                     uint32_t* port) {
    if (!unit || !port) return false;
    for (uint32_t p = 1; p <= DEV_SWDRV_PORTS_PER_UNIT; ++p) {
        const Entry& e = *entry(0, p);
        if (entry_valid(e) && e[DEV_SWDRV_MAP_DEVICE] == device_id &&
            e[DEV_SWDRV_MAP_PHY_PORT] == phy_port) {
            *unit = 1;
            *port = p;
            return true;
        }
    }
    return false;
}

bool DEV_SWDRV_GetDeviceIdFromModuleId(uint32_t module_id, uint32_t* unit, uint32_t* device_id) {
    if (!unit || !device_id) return false;
    for (uint32_t p = 1; p <= DEV_SWDRV_PORTS_PER_UNIT; ++p) {
        const Entry& e = *entry(0, p);
        if (e[DEV_SWDRV_MAP_MODULE] == module_id && module_id != DEV_SWDRV_INVALID) {
            *unit = 1;
            *device_id = e[DEV_SWDRV_MAP_DEVICE];
            return true;
        }
    }
    return false;
}

bool DEV_SWDRV_GetDeviceIdByUnitAndModuleId(uint32_t unit, uint32_t module_id,
                                            uint32_t* device_id) {
    if (!device_id || unit < 1 || module_id == DEV_SWDRV_INVALID) return false;
    for (uint32_t p = 1; p <= DEV_SWDRV_PORTS_PER_UNIT; ++p) {
        const Entry* e = entry(unit - 1, p);
        if (!e) return false;
        if ((*e)[DEV_SWDRV_MAP_MODULE] == module_id) {
            *device_id = (*e)[DEV_SWDRV_MAP_DEVICE];
            return true;
        }
    }
    return false;
}

bool DEV_SWDRV_GetModuleIdFromLocalDeviceId(uint32_t unit, uint32_t device_id,
                                            uint32_t* module_id) {
    if (!module_id || unit < 1 || device_id == DEV_SWDRV_INVALID) return false;
    for (uint32_t p = 1; p <= DEV_SWDRV_PORTS_PER_UNIT; ++p) {
        const Entry* e = entry(unit - 1, p);
        if (!e) return false;
        if ((*e)[DEV_SWDRV_MAP_DEVICE] == device_id) {
            *module_id = (*e)[DEV_SWDRV_MAP_MODULE];
            return true;
        }
    }
    return false;
}

bool DEV_SWDRV_GetMyUnitId(uint32_t* unit) {
    if (!unit) return false;
    *unit = DEV_SWDRV_OM().my_unit_id;
    return true;
}

bool DEV_SWDRV_GetModuleInfoByUnit(uint32_t unit, uint32_t which, uint32_t* module_id) {
    if (!module_id) return false;
    if (unit == 0) {
        *module_id = DEV_SWDRV_OM().my_module_id;
        return true;
    }
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    if (s[DEV_SWDRV_STK_UNIT] != unit) return refuse(__func__, __LINE__, "unit not described");
    *module_id = which == 0 ? s[DEV_SWDRV_STK_MODULE0] : s[DEV_SWDRV_STK_MODULE1];
    return true;
}

bool DEV_SWDRV_GetMasterModuleID(uint32_t* module_id) {
    if (!module_id) return false;
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    if (s[DEV_SWDRV_STK_UNIT] != s[DEV_SWDRV_STK_MASTER])
        return refuse(__func__, __LINE__, "not the master unit");
    *module_id = s[DEV_SWDRV_STK_MODULE0];
    return true;
}

bool DEV_SWDRV_GetCpuEnabledDevIdByUnit(uint32_t unit, uint32_t* device_id) {
    if (!device_id) return false;
    if (unit == 0) return STKTPLG_OM_GetLocalCpuEnabledDevId(device_id);
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    if (s[DEV_SWDRV_STK_UNIT] != unit) return refuse(__func__, __LINE__, "unit not described");
    *device_id = s[DEV_SWDRV_STK_CPU_DEVICE];
    return true;
}

bool DEV_SWDRV_GetFabricPortToDstUnit(uint32_t unit, uint32_t* port) {
    if (!port) return false;
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (unit > 1) --unit;
    if (s[DEV_SWDRV_STK_UNIT] != unit) return refuse(__func__, __LINE__, "unit not described");
    *port =
        (s[DEV_SWDRV_STK_RING] || om.cascade_index != 0) ? om.fabric_port[1] : om.fabric_port[0];
    return true;
}

bool DEV_SWDRV_GetFabricportByUnitPosition(uint32_t unit, uint32_t* port) {
    if (!port) return false;
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    if (s[DEV_SWDRV_STK_UNIT] != unit) return refuse(__func__, __LINE__, "unit not described");
    *port = DEV_SWDRV_OM().fabric_port[0];
    return true;
}

bool DEV_SWDRV_GetDstUnitInfo(uint32_t src_unit, uint32_t dst_unit, uint32_t* fabric_port,
                              uint32_t* module_id) {
    if (!fabric_port || !module_id) return false;
    const uint8_t* s = stacking(__func__, __LINE__);
    if (!s) return false;
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t src = src_unit > 1 ? src_unit - 1 : src_unit;
    uint32_t dst = dst_unit > 1 ? dst_unit - 1 : dst_unit;
    bool described = dst == s[DEV_SWDRV_STK_UNIT];
    if (src == dst)
        *fabric_port = 0;
    else if (described && (s[DEV_SWDRV_STK_RING] || src != s[DEV_SWDRV_STK_UNIT]))
        *fabric_port = om.fabric_port[1];
    else
        *fabric_port = om.fabric_port[0];
    if (!described) return refuse(__func__, __LINE__, "destination unit not described");
    *module_id = dst_unit > 1 ? s[DEV_SWDRV_STK_MODULE1] : s[DEV_SWDRV_STK_MODULE0];
    return true;
}

bool DEV_SWDRV_GetFabricDevice(uint32_t* device_id) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!device_id || om.fabric_device == DEV_SWDRV_INVALID) return false;
    *device_id = om.fabric_device;
    return true;
}

bool DEV_SWDRV_GetNextDevice(uint32_t* device_id) {
    if (!device_id) return false;
    uint8_t first = 0, count = 0;
    if (sdkCfgDevCountGet(&first, &count) != SDK_OK) return false;
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    SDK_DEV_INFO info;
    for (uint32_t d = *device_id + 1; d < uint32_t{first} + count; ++d) {
        if (d > 127 || d >= DEV_SWDRV_MAX_DEVICES ||
            sdkCfgDevInfoGet(static_cast<uint8_t>(d), &info) != SDK_OK)
            return false;
        if (om.device_table[d].valid) {
            *device_id = d;
            return true;
        }
    }
    return false;
}

bool DEV_SWDRV_IsCascadingPort(uint32_t device_id, uint32_t phy_port) {
    if (!swdrv::valid_dev_port(device_id, phy_port)) return false;
    uint32_t type;
    if (sdkCscdPortTypeGet(static_cast<uint8_t>(device_id), static_cast<uint8_t>(phy_port),
                           &type) != SDK_OK)
        return false;
    return type == SDK_CSCD_PORT_DSA_REGULAR || type == SDK_CSCD_PORT_DSA_EXTENDED;
}

bool DEV_SWDRV_SavePortMapping() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    std::memcpy(om.port_map[1], om.port_map[0], sizeof om.port_map[0]);
    return true;
}
