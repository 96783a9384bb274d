#include "platform/stktplg/stktplg.h"

#include <cstring>

#include "platform/components/calllog.h"
#include "platform/components/faults.h"

namespace {

const board::Description& bd() {
    return board::current();
}

const board::Port* front_port(uint32_t unit, uint32_t port) {
    const board::Unit* u = bd().unit(unit);
    return u ? u->port(port) : nullptr;
}

void put_row(uint8_t* row, const board::Unit* u) {
    for (int p = 0; p < STKTPLG_PORTS_PER_ROW; ++p) {
        uint8_t* e = row + p * STKTPLG_MAP_ENTRY_SIZE;
        if (!u) {
            std::memset(e, 0xFF, STKTPLG_MAP_ENTRY_SIZE);
            continue;
        }
        const board::PortMapEntry& m = u->port_map[p];
        e[0] = m.module_id;
        e[1] = m.device_id;
        e[2] = m.phy_port;
        e[3] = m.phy_id;
        e[4] = m.port_kind;
    }
}

}  // namespace

bool STKTPLG_BOARD_InitiateProcessResources() {
    calllog::record("STKTPLG", "STKTPLG_BOARD_InitiateProcessResources()");
    return true;
}

bool STKTPLG_BOARD_GetBoardInformation(uint32_t board_id, STKTPLG_BOARD_BoardInfo_T* info) {
    if (!info) return false;
    for (const board::Unit& u : bd().units) {
        if (u.board_id != board_id) continue;
        std::memset(info, 0, sizeof *info);
        put_row(info->port_map, &u);
        info->board_id = board_id;
        info->max_port_number = u.num_ports;
        return true;
    }
    return false;
}

bool STKTPLG_OM_GetMyUnitID(uint32_t* unit) {
    if (!unit || !faults::answer("STKTPLG_OM_GetMyUnitID", 1)) return false;
    *unit = bd().my_unit;
    return true;
}

bool STKTPLG_POM_GetMyUnitID(uint32_t* unit) {
    return STKTPLG_OM_GetMyUnitID(unit);
}

bool STKTPLG_POM_GetMasterUnitId(uint32_t* unit) {
    if (!unit) return false;
    *unit = bd().master_unit;
    return true;
}

bool STKTPLG_POM_UnitExist(uint32_t unit) {
    return bd().unit(unit) != nullptr;
}

bool STKTPLG_POM_PortExist(uint32_t unit, uint32_t port) {
    const board::Unit* u = bd().unit(unit);
    return u && port >= 1 && port <= u->num_ports;
}

bool STKTPLG_POM_GetNextDriverUnit(uint32_t* unit) {
    if (!unit) return false;
    uint32_t next = *unit + 1;
    if (!bd().unit(next)) return false;
    *unit = next;
    return true;
}

bool STKTPLG_POM_GetMyModuleID(uint32_t* module_id) {
    if (!module_id) return false;
    *module_id = bd().my_module_id;
    return true;
}

bool STKTPLG_POM_GetAllUnitsPortMapping(uint8_t* table) {
    if (!table || !faults::answer("STKTPLG_POM_GetAllUnitsPortMapping", 1)) return false;
    for (int r = 0; r < STKTPLG_MAPPING_ROWS; ++r)
        put_row(table + r * STKTPLG_PORTS_PER_ROW * STKTPLG_MAP_ENTRY_SIZE,
                bd().unit(static_cast<uint32_t>(r + 1)));
    return true;
}

bool STKTPLG_POM_GetMainBoardPortNum(uint32_t* port_num) {
    if (!port_num) return false;
    *port_num = bd().my().num_ports;
    return true;
}

bool STKTPLG_POM_GetMaxPortNumberOnBoard(uint32_t unit, uint32_t* max_port) {
    const board::Unit* u = bd().unit(unit);
    if (!u || !max_port) return false;
    *max_port = u->num_ports;
    return true;
}

bool STKTPLG_POM_GetLocalModulePortNumber(uint32_t* port_num) {
    if (!port_num) return false;
    *port_num = 0;  // no option module on the boards we model
    return true;
}

bool STKTPLG_POM_IsOptionModule() {
    return false;
}

bool STKTPLG_POM_UserPortToSfpIndex(uint32_t unit, uint32_t port, uint32_t* sfp_index) {
    const board::Port* p = front_port(unit, port);
    if (!p || !p->sfp || !sfp_index) return false;
    *sfp_index = p->sfp_index;
    return true;
}

bool STKTPLG_OM_GetStackingPortPhyDevPortId(uint32_t which, uint32_t* device, uint32_t* port) {
    if (which < 1 || which > 2 || !device || !port) return false;
    const board::DevPort& s = bd().my().stacking[which - 1];
    if (s.device == board::kInvalid || s.port == board::kInvalid) return false;
    *device = s.device;
    *port = s.port;
    return true;
}

bool STKTPLG_OM_GetUnitBoardID(uint32_t unit, uint32_t* board_id) {
    const board::Unit* u = bd().unit(unit);
    if (!u || !board_id || !faults::answer("STKTPLG_OM_GetUnitBoardID", 1)) return false;
    *board_id = u->board_id;
    return true;
}

bool STKTPLG_OM_IsComboPort(uint32_t unit, uint32_t port) {
    const board::Port* p = front_port(unit, port);
    return p && p->combo;
}

bool STKTPLG_OM_HasSfpPort(uint32_t unit, uint32_t port) {
    const board::Port* p = front_port(unit, port);
    return p && p->sfp;
}

bool STKTPLG_OM_GetLocalCpuEnabledDevId(uint32_t* device) {
    if (!device) return false;
    *device = bd().my().cpu_device;
    return true;
}

bool STKTPLG_POM_InitiateProcessResources() {
    calllog::record("STKTPLG", "STKTPLG_POM_InitiateProcessResources()");
    return true;
}

bool STKTPLG_PMGR_InitiateProcessResources() {
    calllog::record("STKTPLG", "STKTPLG_PMGR_InitiateProcessResources()");
    return true;
}
