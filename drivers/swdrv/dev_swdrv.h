// DEV_SWDRV, the switch chip driver: chip bring-up, port mapping, port configuration, VLANs
// and spanning tree, traps, and its request handler (module 119).
//
// Every operation returns TRUE or FALSE; results travel through 32-bit out-parameters.
// Logical operations take (unit, port), both counted from 1; operations whose name begins
// with DEV_SWDRV_Phy take (local device, device port).
#pragma once

#include <cstdint>
#include "drivers/swdrv/dev_swdrv_l2feat.h"  // trunks, storm control, mirroring

// ---- Process start ---------------------------------------------------------------------
// Chip bring-up at process start, before any other driver.
void DEV_SWDRV_ChipInit();
// The driver's initialisation (first of the drivers). Runs once.
void DEV_SWDRV_Init();
// Chip defaults: traps, CPU codes and their limiters, CPU port shaping, security, buffers,
// the address table's hash lookup depth from the start-up file, per-port defaults.
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

// ---- VLANs (VLAN ids 1..4094; the CPU port and the cascade and fabric ports are members
// of every VLAN the driver creates) -------------------------------------------------------
// Prepares the record every VLAN is created with (also done by DEV_SWDRV_Init).
bool DEV_SWDRV_ResetOnDemand();
bool DEV_SWDRV_CreateVlan(uint32_t vid);
bool DEV_SWDRV_DestroyVlan(uint32_t vid);
// Tagged member (untagged for a port in tunnel access mode); the port is marked tagged.
bool DEV_SWDRV_AddPortVlanSet(uint32_t unit, uint32_t port, uint32_t vid);
bool DEV_SWDRV_AddPortUntaggedVlanSet(uint32_t unit, uint32_t port, uint32_t vid);
// A member stops being untagged: it becomes a tagged member. Not a member: nothing to do.
bool DEV_SWDRV_DeletePortUntaggedVlanSet(uint32_t unit, uint32_t port, uint32_t vid);
bool DEV_SWDRV_DeletePortVlanSet(uint32_t unit, uint32_t port, uint32_t vid);
bool DEV_SWDRV_AddCpuToVlan(uint32_t vid);
bool DEV_SWDRV_DeleteCpuFromVlan(uint32_t vid);
bool DEV_SWDRV_SetPortPVID(uint32_t unit, uint32_t port, uint32_t pvid);
bool DEV_SWDRV_EnableIngressFilter(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisableIngressFilter(uint32_t unit, uint32_t port);
bool DEV_SWDRV_AdmitOnlyVlanTaggedFrames(uint32_t unit, uint32_t port);
bool DEV_SWDRV_AdmitOnlyVlanUntaggedFrames(uint32_t unit, uint32_t port);
bool DEV_SWDRV_AdmitAllFrames(uint32_t unit, uint32_t port);

// A VLAN list: 512 bytes, VLAN v in bit 7 - v % 8 of byte v / 8 (most significant bit
// first); bits of VLANs 0 and 4095 are ignored.
constexpr uint32_t DEV_SWDRV_VLAN_LIST_SIZE = 512;
// The port becomes a member of exactly the listed VLANs (those that exist): added as by
// DEV_SWDRV_AddPortVlanSet where it is not a member, removed where it is not listed.
bool DEV_SWDRV_SetPortToVlanMemberSet(uint32_t unit, uint32_t port, const uint8_t* vlan_list);
// The port is an untagged member of exactly the listed VLANs (those that exist): added
// untagged where listed; where it is an untagged member of an unlisted VLAN it becomes tagged.
bool DEV_SWDRV_SetPortToVlanUntaggedSet(uint32_t unit, uint32_t port, const uint8_t* vlan_list);

// 802.1Q tunnelling (QinQ). An access port takes every frame into its PVID, keeping the
// frame's own tag inside, and is an untagged member wherever it is added; an uplink port
// carries the service tags with its TPID.
constexpr uint32_t DEV_SWDRV_TUNNEL_MODE_NONE = 0;
constexpr uint32_t DEV_SWDRV_TUNNEL_MODE_UPLINK = 1;
constexpr uint32_t DEV_SWDRV_TUNNEL_MODE_ACCESS = 2;
bool DEV_SWDRV_SetPortDot1qTunnelMode(uint32_t unit, uint32_t port, uint32_t mode);
bool DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(uint32_t unit, uint32_t port, uint32_t* mode);
bool DEV_SWDRV_SetPortDot1qTunnelTPID(uint32_t unit, uint32_t port, uint32_t tpid);
bool DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort(uint32_t unit, uint32_t port, uint32_t* tpid);

// Protocol-based VLANs (802.1v). Groups 0..7; frame types 1 Ethernet II, 2 RFC 1042,
// 3 SNAP 802.1H, 4 SNAP other, 5 LLC other (protocol: DSAP << 8 | SSAP); frame type 0
// removes the group's protocol.
bool DEV_SWDRV_SetDot1vProtocolGroupEntry(uint32_t group, uint32_t frame_type, uint32_t protocol);
bool DEV_SWDRV_AddDot1vProtocolPortEntry(uint32_t unit, uint32_t port, uint32_t group,
                                         uint32_t vid);
bool DEV_SWDRV_DelDot1vProtocolPortEntry(uint32_t unit, uint32_t port, uint32_t group);

// Trunk ids: direction 1 translates a firmware trunk id into the device's chip trunk id,
// direction 0 translates back. Devices that keep the low trunk ids for themselves get
// (id | 32) << 1; the others the id unchanged (and so does a device that cannot be probed).
uint16_t DEV_SWDRV_WorkaroundForTrunkId(uint32_t device, uint16_t trunk_id, uint32_t direction);

// VLAN trunking: a trunking port carries VLANs the VLAN managers never configured. The VLAN
// is created (as DEV_SWDRV_CreateVlan) only when it does not exist yet.
bool DEV_SWDRV_CreateVlanForVlanTrunking(uint32_t vid);
// Enable: the port becomes a tagged member of the VLAN, created first when missing.
// Disable: the port leaves the VLAN.
bool DEV_SWDRV_SetPortVlanTunkingByVLAN(uint32_t unit, uint32_t port, uint32_t vid, bool enable);
bool DEV_SWDRV_SetPortVlanTunkingByVlanList(uint32_t unit, uint32_t port, bool enable,
                                            const uint8_t* vlan_list);

bool DEV_SWDRV_SetPortLearningStatus(uint32_t unit, uint32_t port, bool enable);
bool DEV_SWDRV_SetVlanLearningStatus(uint32_t vid, bool enable);

// ---- Spanning tree (instances 0..31; port states in the bridge MIB's numbering:
// 1 disabled, 2 blocking, 3 listening, 4 learning, 5 forwarding) --------------------------
// Mode 2: multiple instances; any other mode: one spanning tree.
bool DEV_SWDRV_SetSTAMode(uint32_t mode);
bool DEV_SWDRV_SetPortSTAStateWithMstidx(uint32_t instance, uint32_t unit, uint32_t port,
                                         uint32_t state);
bool DEV_SWDRV_AddVlanToSTAWithMstidx(uint32_t vid, uint32_t instance);
bool DEV_SWDRV_DeleteVlanFromSTAWithMstidx(uint32_t vid);

// ---- Control packets to the CPU ----------------------------------------------------------
bool DEV_SWDRV_EnableMLDTrap2CPU();
bool DEV_SWDRV_DisableMLDTrap2CPU();
// (FALSE, FALSE) forward, (TRUE, FALSE) mirror to the CPU, (TRUE, TRUE) trap to the CPU;
// (FALSE, TRUE) is refused.
bool DEV_SWDRV_TrapMLDToCPU(bool to_cpu, bool trap);
// Mode 1 traps router advertisements and redirects; any other mode forwards them.
bool DEV_SWDRV_SetRaAndRrTrap2CPU(uint32_t mode);
// Mode 1 passes EAPOL frames through; any other mode traps them.
bool DEV_SWDRV_SetEapolFramePassThrough(uint32_t mode);
bool DEV_SWDRV_EnableIgmpTrap();
bool DEV_SWDRV_DisableIgmpTrap();
bool DEV_SWDRV_TrapIGMPToCPU(bool to_cpu, bool trap);  // as DEV_SWDRV_TrapMLDToCPU
// Unregistered IPv4 and IPv6 multicast trapped to the CPU (enable) or flooded.
bool DEV_SWDRV_EnableUMCASTIpTrap(bool enable);
// Unregistered non-IP multicast trapped to the CPU / flooded.
bool DEV_SWDRV_EnableUMCASTMacTrap();
bool DEV_SWDRV_DisableUMCASTMacTrap();
// Unregistered IPv4 (IPv6) multicast: to the CPU or not, flooded or not.
bool DEV_SWDRV_TrapUnknownIpMcastToCPU(bool to_cpu, bool flood);
bool DEV_SWDRV_TrapUnknownIpv6McastToCPU(bool to_cpu, bool flood);
// IP multicast bridged by group address.
bool DEV_SWDRV_EnableIPMC();
bool DEV_SWDRV_DisableIPMC();
bool DEV_SWDRV_SetOamPduToCpu(uint32_t unit, uint32_t port, bool enable);
bool DEV_SWDRV_SetOamLoopback(uint32_t unit, uint32_t port, bool enable);
// Packets per second the chip passes to the CPU (0: no limit).
bool DEV_SWDRV_SetCpuRateLimit(uint32_t packets_per_sec);
// The CPU port's transmit rate in kbit/s (0: not shaped).
bool DEV_SWDRV_SetCpuPortRate(uint32_t rate_kbps);

// ---- Other port operations -----------------------------------------------------------------
// Both stacking (fabric) ports of the fabric device.
bool DEV_SWDRV_EnableStackPortAdmin(bool enable);
// The chip's port type: 1 10/100, 2 10/100/1000, 3 1000/10000.
bool DEV_SWDRV_GetPortType(uint32_t unit, uint32_t port, uint32_t* type);
bool DEV_SWDRV_EnableInternalLoopback(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisableInternalLoopback(uint32_t unit, uint32_t port);
bool DEV_SWDRV_SetPortMacAddr(uint32_t unit, uint32_t port, const uint8_t* mac);
bool DEV_SWDRV_SetPortEgressBlock(uint32_t unit, uint32_t port, bool block);
bool DEV_SWDRV_SetCopyInnerPri2OuterPri(uint32_t unit, uint32_t port, bool enable);
// Mirrored frames sent out of the (analyzer) port carry a tag of this VLAN; 0 removes it.
bool DEV_SWDRV_SetRspanVlanTag(uint32_t unit, uint32_t port, uint32_t vid);
bool DEV_SWDRV_SetPortUserDefaultPriority(uint32_t unit, uint32_t port, uint32_t priority);
// 1 copper, 2 fibre.
constexpr uint32_t DEV_SWDRV_MEDIA_COPPER = 1;
constexpr uint32_t DEV_SWDRV_MEDIA_FIBRE = 2;
bool DEV_SWDRV_GetPortMediaActive(uint32_t unit, uint32_t port, uint32_t* medium);
bool DEV_SWDRV_Phy_GetPortMediaActive(uint32_t device_id, uint32_t phy_port, uint32_t* medium);
// What the port can do, in the capability bits of DEV_SWDRV_SetPortAutoNegCapability, and
// bit 25 for 10G full duplex.
constexpr uint32_t DEV_SWDRV_CAP_10G_FULL = 1u << 25;
bool DEV_SWDRV_GetPortAbility(uint32_t unit, uint32_t port, uint32_t* ability);
// The mean of the local devices' temperature sensors, degrees Celsius.
bool DEV_SWDRV_GetAllPortAverageTemperature(int32_t* celsius);
// The port's LEDs back to showing link and activity.
bool DEV_SWDRV_PhyLightPortLedNormal(uint32_t unit, uint32_t port);

// ---- Auto-negotiation (values of the MAU MIB) -----------------------------------------
bool DEV_SWDRV_SetPortRestartAutoNego(uint32_t unit, uint32_t port);
// Remote fault advertised: 1 no error, 2 offline, 3 link failure, 4 auto-negotiation error.
bool DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(uint32_t unit, uint32_t port,
                                                       uint32_t value);
bool DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement(uint32_t unit, uint32_t port,
                                                       uint32_t* value);
// 1 the partner's auto-negotiation was detected, 2 not.
bool DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState(uint32_t unit, uint32_t port,
                                                        uint32_t* state);
// 2 configuring, 3 complete, 4 disabled.
bool DEV_SWDRV_GetPortAutoNegoProcessState(uint32_t unit, uint32_t port, uint32_t* state);
// The partner's abilities: 0x40000000 10 half, 0x20000000 10 full, 0x10000000 100BASE-T4,
// 0x08000000 100 half, 0x04000000 100 full, 0x00080000 1000BASE-X half, 0x00040000 1000BASE-X
// full, 0x00020000 1000BASE-T half, 0x00010000 1000BASE-T full; 0x00800000 pause, with it
// 0x00400000 asymmetric only, 0x00200000 symmetric only, 0x00100000 both.
bool DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa(uint32_t unit, uint32_t port, uint32_t* capa);
bool DEV_SWDRV_Phy_GetPortLinkPartnerAutoNegoCapa(uint32_t device_id, uint32_t phy_port,
                                                  uint32_t* capa);
// As the advertisement: 1 no error, 2 offline, 3 link failure, 4 auto-negotiation error.
// Copper carries a single remote-fault bit: 2 to 4 all set it, and it reads back as 3.
bool DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault(uint32_t unit, uint32_t port, uint32_t* value);
// 1 other (a medium or port that does not detect jabber), 3 no jabber, 4 jabbering.
bool DEV_SWDRV_GetPortJabberState(uint32_t unit, uint32_t port, uint32_t* state);
bool DEV_SWDRV_GetPortFalseCarrierSenseCounter(uint32_t unit, uint32_t port, uint32_t* count);

// ---- Port status -------------------------------------------------------------------------
bool DEV_SWDRV_GetPortLinkStatus(uint32_t unit, uint32_t port, uint32_t* status);
bool DEV_SWDRV_GetPortLinkStatusByDeviceId(uint32_t device_id, uint32_t phy_port, uint32_t* status);
// Speed-duplex values as DEV_SWDRV_SetPortCfgSpeedDuplex, and 8 10G half.
bool DEV_SWDRV_GetPortOperSpeedDuplex(uint32_t unit, uint32_t port, uint32_t* speed_duplex);
// 2 back pressure, 3 IEEE 802.3x flow control, 4 none.
constexpr uint32_t DEV_SWDRV_FC_BACK_PRESSURE = 2;
constexpr uint32_t DEV_SWDRV_FC_8023X = 3;
constexpr uint32_t DEV_SWDRV_FC_NONE = 4;
bool DEV_SWDRV_GetPortFlowCtrl(uint32_t unit, uint32_t port, uint32_t* flow_ctrl);
// The all-port block: three arrays of 16 words (link status, speed-duplex, flow control),
// element i for port first + i.
constexpr uint32_t DEV_SWDRV_ALL_PORT_BLOCK_SIZE = 192;
struct DEV_SWDRV_AllPortStatus_T {
    uint32_t link[16];
    uint32_t speed_duplex[16];
    uint32_t flow_ctrl[16];
};
bool DEV_SWDRV_GetAllPortLinkStatus(uint32_t unit, uint32_t first, uint32_t last,
                                    DEV_SWDRV_AllPortStatus_T* block);
bool DEV_SWDRV_GetAllPortOperSpeedDuplex(uint32_t unit, uint32_t first, uint32_t last,
                                         DEV_SWDRV_AllPortStatus_T* block);
bool DEV_SWDRV_GetAllPortFlowCtrl(uint32_t unit, uint32_t first, uint32_t last,
                                  DEV_SWDRV_AllPortStatus_T* block);
bool DEV_SWDRV_GetAllPortStatus(uint32_t unit, uint32_t first, uint32_t last,
                                DEV_SWDRV_AllPortStatus_T* block);
// Speed codes of the speed-change step: the SDK's speeds, or from the port type while the
// link is down (1 100, 2 1000, 3 10000, 9 40000, 11 none).
// A board's speed-change hook: (board id, device, port, speed code), 1 on success.
using DEV_SWDRV_SpeedChangeHook_T = uint32_t (*)(uint32_t board_id, uint32_t device_id,
                                                 uint32_t phy_port, uint32_t speed_code);
// A device's speed table: drop-precedence profile and receive flow-control profile by speed
// code.
constexpr uint32_t DEV_SWDRV_SPEED_CODES = 12;
struct DEV_SWDRV_SpeedTable_T {
    uint32_t dp_profile[DEV_SWDRV_SPEED_CODES];
    uint32_t fc_profile[DEV_SWDRV_SPEED_CODES];
};
void DEV_SWDRV_SetSpeedChangeHook(DEV_SWDRV_SpeedChangeHook_T hook);
void DEV_SWDRV_SetSpeedTable(uint32_t device_id, const DEV_SWDRV_SpeedTable_T* table);
bool DEV_SWDRV_PortSpeedChange(uint32_t device_id, uint32_t phy_port);

// ---- Cable diagnostics -------------------------------------------------------------------
// Pair status codes: the SDK's (0 failed, 1 good, 2 open, 3 short, 4 shorted to another
// pair), 5 all pairs open below 2 m, 6 never tested, 7 not testable.
constexpr uint16_t DEV_SWDRV_CABLE_ALL_OPEN = 5;
constexpr uint16_t DEV_SWDRV_CABLE_NOT_TESTED = 6;
constexpr uint16_t DEV_SWDRV_CABLE_NOT_TESTABLE = 7;
constexpr uint32_t DEV_SWDRV_CABLE_RECORD_SIZE = 24;
struct DEV_SWDRV_CableDiagResult_T {
    uint32_t time = 0;        // real-time seconds of the last step
    uint32_t link_state = 2;  // 1 the link was up, 2 down or not tested
    uint16_t pair_status[4] = {DEV_SWDRV_CABLE_NOT_TESTED, DEV_SWDRV_CABLE_NOT_TESTED,
                               DEV_SWDRV_CABLE_NOT_TESTED, DEV_SWDRV_CABLE_NOT_TESTED};
    uint8_t pair_distance[4] = {};  // metres
    uint8_t in_progress = 0;
    uint8_t linked_test = 0;
};
// The 24-byte big-endian record of the request protocol.
void DEV_SWDRV_EncodeCableDiagResult(const DEV_SWDRV_CableDiagResult_T& r, uint8_t* out);
// Starts a cable test; FALSE while one runs on the port.
bool DEV_SWDRV_GetCableDiag(uint32_t unit, uint32_t port);
// The test's thread: argument unit * 65536 + port.
void DEV_SWDRV_CableDiagTask(void* arg);
bool DEV_SWDRV_GetCableDiagResult(uint32_t unit, uint32_t port,
                                  DEV_SWDRV_CableDiagResult_T* result);

// ---- Chip defaults -----------------------------------------------------------------------
constexpr uint32_t DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH = 4;
constexpr uint32_t DEV_SWDRV_CPU_CODE_LIMITERS = 31;
// The hash lookup depth a start-up file names (its !---HASH_LOOKUP_DEPTH= line inside the
// !---<InitPhaseConfig> section), or the default.
uint32_t DEV_SWDRV_ScanHashLookupDepth(const uint8_t* text, uint32_t size);
// Reads the start-up file through FS and scans it.
uint32_t DEV_SWDRV_ReadHashLookupDepth();
bool DEV_SWDRV_InitCpuCodeMap2Tc(uint32_t device_id);
bool DEV_SWDRV_InitCpuPortRateLimit(uint32_t device_id);
bool DEV_SWDRV_InitBufferSettings(uint32_t device_id);
// Packets per second a CPU code rate limiter passes: (window units, packets) for a
// resolution in ns.
void DEV_SWDRV_CpuCodeLimiterFor(uint32_t packets_per_sec, uint32_t resolution_ns, uint32_t* window,
                                 uint32_t* packets);
// The multicast forwarding driver's chip defaults.
bool DEV_SWDRV_InitMcastForwardingDefaults();
