// DEV_SWDRV, the switch chip driver: chip bring-up, port mapping, port configuration, VLANs
// and spanning tree, traps, and its request handler (module 119).
//
// Every operation returns TRUE or FALSE; results travel through 32-bit out-parameters.
// Logical operations take (unit, port), both counted from 1; operations whose name begins
// with DEV_SWDRV_Phy take (local device, device port).
#pragma once

#include <cstdint>

// ---- Process start ---------------------------------------------------------------------
// Chip bring-up at process start, before any other driver.
void DEV_SWDRV_ChipInit();
// The driver's initialisation (first of the drivers). Runs once.
void DEV_SWDRV_Init();
// Chip defaults (filled in by the chip-defaults work; empty for now).
void DEV_SWDRV_Reset();
// The driver's debug menu, "dev_swdrv".
void DEV_SWDRV_BACKDOOR_Main();
// Request handler of module 119: TRUE when a response is to be sent.
bool DEV_SWDRV_HandleIPCReqMsg(void* msgbuf);

// ---- Unit, module and port mapping -----------------------------------------------------
bool DEV_SWDRV_Logical2PhyDevicePortID(uint32_t unit, uint32_t port, uint32_t* module_id,
                                       uint32_t* device_id, uint32_t* phy_port);
bool DEV_SWDRV_Logical2PhyDeviceID(uint32_t unit, uint32_t port, uint32_t* module_id,
                                   uint32_t* device_id, uint32_t* phy_id);
// Reverse lookup through row 0 of the mapping table.
bool DEV_SWDRV_PhyDevicePort2Logical(uint32_t device_id, uint32_t phy_port, uint32_t* unit,
                                     uint32_t* port);
bool DEV_SWDRV_GetDeviceIdFromModuleId(uint32_t module_id, uint32_t* unit, uint32_t* device_id);
bool DEV_SWDRV_GetDeviceIdByUnitAndModuleId(uint32_t unit, uint32_t module_id, uint32_t* device_id);
bool DEV_SWDRV_GetModuleIdFromLocalDeviceId(uint32_t unit, uint32_t device_id, uint32_t* module_id);
bool DEV_SWDRV_GetMyUnitId(uint32_t* unit);
bool DEV_SWDRV_GetModuleInfoByUnit(uint32_t unit, uint32_t which, uint32_t* module_id);
bool DEV_SWDRV_GetMasterModuleID(uint32_t* module_id);
bool DEV_SWDRV_GetCpuEnabledDevIdByUnit(uint32_t unit, uint32_t* device_id);
bool DEV_SWDRV_GetFabricPortToDstUnit(uint32_t unit, uint32_t* port);
bool DEV_SWDRV_GetFabricportByUnitPosition(uint32_t unit, uint32_t* port);
bool DEV_SWDRV_GetDstUnitInfo(uint32_t src_unit, uint32_t dst_unit, uint32_t* fabric_port,
                              uint32_t* module_id);
bool DEV_SWDRV_GetFabricDevice(uint32_t* device_id);
// Iterates the valid rows of the device table: start with *device_id = 0xFFFFFFFF (-1).
bool DEV_SWDRV_GetNextDevice(uint32_t* device_id);
bool DEV_SWDRV_IsCascadingPort(uint32_t device_id, uint32_t phy_port);
// Copies row 0 of the mapping table over row 1.
bool DEV_SWDRV_SavePortMapping();

// The topology record handed to DEV_SWDRV_ConfigTopologyInfo (its first 13 bytes are used).
constexpr uint32_t DEV_SWDRV_TOPOLOGY_INFO_SIZE = 13;
bool DEV_SWDRV_ConfigTopologyInfo(const uint8_t* topology_info);
bool DEV_SWDRV_SetDevicePortMapping();
bool DEV_SWDRV_ChangeHWDevice_ID(uint32_t device_id, uint32_t module_id);
bool DEV_SWDRV_UpdateCascadeStackingTable();

// ---- Two-wire bus (under the system-wide semaphore 67) ----------------------------------
bool DEV_SWDRV_TwsiInit();
bool DEV_SWDRV_TwsiRegisterRead(uint8_t slave_addr, uint32_t reg_addr, uint32_t* value);
bool DEV_SWDRV_TwsiRegisterWrite(uint8_t slave_addr, uint32_t reg_addr, uint32_t value);
// (slave address, type 0, offset valid 1, offset, wide-offset flag, length, buffer); note
// the order of length and buffer differs between read and write.
bool DEV_SWDRV_TwsiDataRead(uint8_t slave_addr, uint8_t type, uint8_t valid_offset, uint32_t offset,
                            uint8_t more_than_256, uint32_t len, uint8_t* data);
bool DEV_SWDRV_TwsiDataWrite(uint8_t slave_addr, uint8_t type, uint8_t valid_offset,
                             uint32_t offset, uint8_t more_than_256, const uint8_t* data,
                             uint32_t len);

// ---- Port configuration -----------------------------------------------------------------
bool DEV_SWDRV_Phy_Lock(uint32_t device_id, uint32_t phy_port);
bool DEV_SWDRV_Phy_Unlock(uint32_t device_id, uint32_t phy_port);
bool DEV_SWDRV_Phy_SmiAutoNegEnable(bool enable);

bool DEV_SWDRV_EnablePortAdmin(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisablePortAdmin(uint32_t unit, uint32_t port);
bool DEV_SWDRV_EnableAllPortAdmin();
bool DEV_SWDRV_DisableAllPortAdmin();
bool DEV_SWDRV_Phy_SetPortEnable(uint32_t device_id, uint32_t phy_port, bool enable);

// Speed-duplex values: 2 10 half, 3 10 full, 4 100 half, 5 100 full, 6 1000 half,
// 7 1000 full, 9 10G full.
bool DEV_SWDRV_SetPortCfgSpeedDuplex(uint32_t unit, uint32_t port, uint32_t speed_duplex);
bool DEV_SWDRV_Phy_SetPortCfgSpeedDuplex(uint32_t device_id, uint32_t phy_port, uint16_t reg0_bits);

bool DEV_SWDRV_EnablePortAutoNeg(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisablePortAutoNeg(uint32_t unit, uint32_t port);
bool DEV_SWDRV_EnableAllPortAutoNeg();
bool DEV_SWDRV_Phy_SetPortAutoNeg(uint32_t device_id, uint32_t phy_port, bool enable);
// Capability bits: 31 10 half, 30 10 full, 29 100 half, 28 100 full, 27 1000 half,
// 26 1000 full, 16 pause, 17 clear: asymmetric pause.
bool DEV_SWDRV_SetPortAutoNegCapability(uint32_t unit, uint32_t port, uint32_t capability);

bool DEV_SWDRV_EnablePortCfgFlowCtrl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisablePortCfgFlowCtrl(uint32_t unit, uint32_t port);

bool DEV_SWDRV_SetSystemMTU(uint32_t mtu);
bool DEV_SWDRV_SetPortMTU(uint32_t unit, uint32_t port, uint32_t mtu);
bool DEV_SWDRV_EnableJumboFrame();
bool DEV_SWDRV_DisableJumboFrame();
bool DEV_SWDRV_ModifyMaxFrameSize(bool add);
// mode 1: room for the tunnel tag; mode 2: none.
bool DEV_SWDRV_SetPortDot1qTunnelMTU(uint32_t mode);
bool DEV_SWDRV_GetPortMaxFrameSize(uint32_t unit, uint32_t port, uint32_t* untagged_max,
                                   uint32_t* tagged_max);

// mode 2..5, speed in Mb/s (100, 1000, 10000).
bool DEV_SWDRV_SetPortComboForcedMode(uint32_t unit, uint32_t port, uint32_t mode, uint32_t speed);
bool DEV_SWDRV_Phy_SetPortComboForcedMode(uint32_t device_id, uint32_t phy_port, uint32_t mode,
                                          uint32_t speed);
bool DEV_SWDRV_SetPortInterfaceMode(uint32_t device_id, uint32_t phy_port, uint32_t speed);

bool DEV_SWDRV_SetPortPowerSave(uint32_t unit, uint32_t port, bool enable);
bool DEV_SWDRV_Phy_SetPortPowerSaveMode(uint32_t device_id, uint32_t phy_port, bool enable);

bool DEV_SWDRV_SetPortSfpTxEnable(uint32_t unit, uint32_t port, bool enable);

// One raw PHY register change: register := (old AND NOT mask) OR (mask AND value).
struct DEV_SWDRV_PhyRegOp_T {
    uint16_t reg;
    uint16_t value;
    uint16_t mask;
};
bool DEV_SWDRV_DoPHYRegsTransactions(uint32_t unit, uint32_t port,
                                     const DEV_SWDRV_PhyRegOp_T* operations, uint32_t count);
// Reads register reg_addr on a page: the page register page_reg_addr becomes
// (old AND NOT page_mask) OR (page_mask AND page_value) for the read and is restored after.
bool DEV_SWDRV_GetMIIPhyRegByPage(uint32_t device_id, uint32_t phy_port, uint16_t page_reg_addr,
                                  uint16_t page_mask, uint16_t page_value, uint16_t reg_addr,
                                  uint16_t* value);
