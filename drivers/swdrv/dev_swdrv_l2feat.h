// Trunks, storm control and mirroring: the operations of the switch chip driver that the trunk,
// storm-control and mirroring managers reach through the request handler. Every operation
// answers TRUE or FALSE and prints its failures by the driver's convention.
#pragma once

#include <cstdint>

// ---- Trunks -------------------------------------------------------------------------------
constexpr uint32_t DEV_SWDRV_TRUNK_MAX_MEMBERS = 8;
struct DEV_SWDRV_TrunkMember_T {
    uint16_t unit;
    uint16_t port;
};
// FALSE when the trunk has members on any device (nothing is written: a trunk exists on the
// chip once it has members).
bool DEV_SWDRV_CreateTrunk(uint32_t trunk_id);
bool DEV_SWDRV_DestroyTrunk(uint32_t trunk_id);
// The list replaces the trunk's members; more than 8, or a port that does not translate,
// writes nothing.
bool DEV_SWDRV_SetTrunkPortMembers(uint32_t trunk_id, uint32_t count,
                                   const DEV_SWDRV_TrunkMember_T* members);
// Modes 1 source MAC, 2 destination MAC, 3 both, 4 source MAC and IP, 5 destination MAC and
// IP, 6 both MACs and IPs.
bool DEV_SWDRV_SetTrunkLoadBalanceMode(uint32_t mode);

// ---- Storm control ------------------------------------------------------------------------
bool DEV_SWDRV_EnableBroadcastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_EnableMulticastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_EnableUnknownUnicastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisableBroadcastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisableMulticastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_DisableUnknownUnicastStormControl(uint32_t unit, uint32_t port);
bool DEV_SWDRV_SetBroadcastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                 uint32_t rate_mode);
bool DEV_SWDRV_SetMulticastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                 uint32_t rate_mode);
bool DEV_SWDRV_SetUnknownUnicastStormControlThreshold(uint32_t unit, uint32_t port, uint32_t rate,
                                                      uint32_t rate_mode);
// TRUE when the granularity is not 0.
bool DEV_SWDRV_GetPortStormGranularity(uint32_t unit, uint32_t port, uint32_t rate_mode,
                                       uint32_t* granularity);
// The granularity itself (0 on failure). Rate mode 1 or 2 makes that mode's record the
// device's global configuration; 0 keeps the configuration.
uint32_t DEV_SWDRV_GetPortStormGranularityFromChip(uint32_t device, uint32_t phy_port,
                                                   uint32_t rate_mode);
// The QoS driver's ingress rate limit on the port's limiter: while it is on, disabling a
// storm kind leaves the kind counted.
void DEV_SWDRV_SetStormIngressRateLimitFlag(uint32_t device, uint32_t phy_port, bool on);
bool DEV_SWDRV_GetStormIngressRateLimitFlag(uint32_t device, uint32_t phy_port);

// ---- Mirroring ----------------------------------------------------------------------------
// Ports as (unit << 16 | port); a unit or port of 0 names no destination.
bool DEV_SWDRV_SetPortMirroring(uint32_t source, uint32_t rx_dest, uint32_t tx_dest);
bool DEV_SWDRV_DeletePortMirroring(uint32_t source);
bool DEV_SWDRV_AddVlanMirror(uint32_t dest_unit, uint32_t dest_port, uint32_t vid);
bool DEV_SWDRV_DeleteVlanMirror(uint32_t dest_unit, uint32_t dest_port, uint32_t vid);
// Mode 1 sets the MAC mirror destination, any other mode removes it; TRUE when the requested
// state holds afterwards.
bool DEV_SWDRV_SetDestPortForMacMirror(uint32_t unit, uint32_t port, uint32_t mode);
// The analyzer entry of (module id, port): a matching one, else the first free one claimed.
bool DEV_SWDRV_PortMirroringFindAnalyzerEntry(uint32_t module_id, uint32_t port, uint32_t* index);
// direction DEV_SWDRV_MIRROR_RX or _TX.
bool DEV_SWDRV_PortMirroringUpdateDb(uint32_t src_module_id, uint32_t src_port, uint32_t direction,
                                     bool add, uint32_t index);
