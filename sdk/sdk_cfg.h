// System and device configuration: the board list and its configuration hooks, board
// parameters, system initialisation, device information, hardware device numbers, table
// sizes and raw chip registers.
#pragma once

#include "sdk/sdk_types.h"

// The board index of the virtual switch board and the revisions it has.
constexpr uint32_t SDK_BOARD_IDX_VIRTUAL = 19;
constexpr uint32_t SDK_BOARD_REVISIONS = 2;

// Functions a board supplies to the system initialisation.
struct SDK_BOARD_CONFIG_FUNCS {
    // Runs after the devices are initialised.
    SDK_STATUS (*boardAfterInitConfig)(uint8_t boardRevId);
};
using SDK_BOARD_GET_FUNCS = SDK_STATUS (*)(uint8_t boardRevId, SDK_BOARD_CONFIG_FUNCS* funcs);

// An entry of the SDK's board list. Its configuration-functions entry may be replaced
// before sdkSystemInit to wrap the board's functions.
struct SDK_BOARD_INFO {
    const char* boardName;
    uint32_t numOfRevs;
    SDK_BOARD_GET_FUNCS boardCfgFuncs;
};

SDK_STATUS sdkBoardListPrint();
SDK_STATUS sdkBoardInfoGet(uint32_t boardIdx, SDK_BOARD_INFO** info);
// Board parameters read by the system initialisation ("rx_desc_count", ...).
SDK_STATUS sdkBoardParamSet(const char* name, uint32_t value);
SDK_STATUS sdkBoardParamGet(const char* name, uint32_t* value);
// Board-setup options. SDK_BOARD_OPT_PHASE2_NETIF_INIT (set by default): the second
// initialisation phase also brings up the CPU network interface of every device; cleared
// when the CPU packet driver brings it up itself.
constexpr uint32_t SDK_BOARD_OPT_PHASE2_NETIF_INIT = 1;
SDK_STATUS sdkBoardSetupOptionSet(uint32_t option, bool enable);
SDK_STATUS sdkBoardSetupOptionGet(uint32_t option, bool* enable);

// Initialises the devices of the board: SDK_BAD_STATE when done already.
SDK_STATUS sdkSystemInit(uint32_t boardIdx, uint32_t boardRevId, uint32_t flags);

// What the SDK knows of a device.
struct SDK_DEV_INFO {
    uint32_t familyCode;
    uint32_t revision;
    uint32_t numOfPorts;
    SDK_PORTS_BMP existingPorts;
    bool serdesPowerCtrl;  // the SERDES of the device's ports can be powered up and down
    bool phyPolling;       // the device polls its PHYs
    uint32_t coreClock;    // MHz
};

// Local devices are firstDevNum .. firstDevNum+numOfDevs-1 (some may be absent).
SDK_STATUS sdkCfgDevCountGet(uint8_t* firstDevNum, uint8_t* numOfDevs);
// SDK_NOT_PRESENT for a device the SDK does not hold.
SDK_STATUS sdkCfgDevInfoGet(uint8_t devNum, SDK_DEV_INFO* info);
SDK_STATUS sdkCfgHwDevNumSet(uint8_t devNum, uint8_t hwDevNum);
SDK_STATUS sdkCfgHwDevNumGet(uint8_t devNum, uint8_t* hwDevNum);

// Chip tables whose size can be asked.
constexpr uint32_t SDK_CFG_TABLE_VLAN = 0;
constexpr uint32_t SDK_CFG_TABLE_FDB = 1;
constexpr uint32_t SDK_CFG_TABLE_STG = 3;
constexpr uint32_t SDK_CFG_TABLE_QOS_PROFILE = 5;
constexpr uint32_t SDK_CFG_TABLE_VIDX = 7;
constexpr uint32_t SDK_CFG_TABLE_TRUNK = 9;
constexpr uint32_t SDK_CFG_TABLE_DEVICE_MAP = 18;
SDK_STATUS sdkCfgTableNumEntriesGet(uint8_t devNum, uint32_t table, uint32_t* numEntries);

// Raw 32-bit chip registers, in the given port groups.
constexpr uint32_t SDK_PORT_GROUPS_ALL = 0xFFFFFFFF;
SDK_STATUS sdkHwRegRead(uint8_t devNum, uint32_t portGroups, uint32_t regAddr, uint32_t* value);
SDK_STATUS sdkHwRegWrite(uint8_t devNum, uint32_t portGroups, uint32_t regAddr, uint32_t value);
