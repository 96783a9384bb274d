// STKTPLG: the stack-topology service. Answers from the board description (board.h).
// Every query returns true (non-zero) on success and false (0) on failure.
#pragma once

#include <cstdint>

#include "platform/board/board.h"

// The port mapping table as the stack-topology service hands it out: rows of 16 entries of
// 5 bytes (module id, device id, phy port, PHY id, port kind); row u-1 describes unit u.
constexpr int STKTPLG_MAPPING_ROWS = 2;
constexpr int STKTPLG_PORTS_PER_ROW = 16;
constexpr int STKTPLG_MAP_ENTRY_SIZE = 5;
constexpr int STKTPLG_MAPPING_TABLE_SIZE =
    STKTPLG_MAPPING_ROWS * STKTPLG_PORTS_PER_ROW * STKTPLG_MAP_ENTRY_SIZE;

// Board information record of STKTPLG_BOARD_GetBoardInformation: the board's 80-byte port
// map (one row as above) and what the board is made of.
struct STKTPLG_BOARD_BoardInfo_T {
    uint8_t port_map[STKTPLG_PORTS_PER_ROW * STKTPLG_MAP_ENTRY_SIZE];
    uint32_t board_id;
    uint32_t max_port_number;
};

bool STKTPLG_BOARD_InitiateProcessResources();
bool STKTPLG_BOARD_GetBoardInformation(uint32_t board_id, STKTPLG_BOARD_BoardInfo_T* info);

bool STKTPLG_OM_GetMyUnitID(uint32_t* unit);
bool STKTPLG_POM_GetMyUnitID(uint32_t* unit);
bool STKTPLG_POM_GetMasterUnitId(uint32_t* unit);
bool STKTPLG_POM_UnitExist(uint32_t unit);
bool STKTPLG_POM_PortExist(uint32_t unit, uint32_t port);
// Iterates the units that run a driver: start with *unit = 0.
bool STKTPLG_POM_GetNextDriverUnit(uint32_t* unit);
bool STKTPLG_POM_GetMyModuleID(uint32_t* module_id);
// Writes the whole mapping table (STKTPLG_MAPPING_TABLE_SIZE bytes): row u-1 for every unit u
// of the stack that fits, invalid entries (0xFF) where there is no unit.
bool STKTPLG_POM_GetAllUnitsPortMapping(uint8_t* table);
bool STKTPLG_POM_GetMainBoardPortNum(uint32_t* port_num);
bool STKTPLG_POM_GetMaxPortNumberOnBoard(uint32_t unit, uint32_t* max_port);
bool STKTPLG_POM_GetLocalModulePortNumber(uint32_t* port_num);
bool STKTPLG_POM_IsOptionModule();
bool STKTPLG_POM_UserPortToSfpIndex(uint32_t unit, uint32_t port, uint32_t* sfp_index);
// which: 1 the up, 2 the down stacking port.
bool STKTPLG_OM_GetStackingPortPhyDevPortId(uint32_t which, uint32_t* device, uint32_t* port);
bool STKTPLG_OM_GetUnitBoardID(uint32_t unit, uint32_t* board_id);
bool STKTPLG_OM_IsComboPort(uint32_t unit, uint32_t port);
bool STKTPLG_OM_HasSfpPort(uint32_t unit, uint32_t port);
bool STKTPLG_OM_GetLocalCpuEnabledDevId(uint32_t* device);

// Client-stub set-up of the service (records the call).
bool STKTPLG_POM_InitiateProcessResources();
bool STKTPLG_PMGR_InitiateProcessResources();
