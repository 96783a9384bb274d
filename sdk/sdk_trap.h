// Control packets to the CPU: the ICMPv6 message-type table, the IEEE reserved multicast
// protocols (01-80-C2-00-00-xx) by profile, IGMP, unregistered multicast by kind, IP
// multicast bridging, OAM PDUs, and the rate at which the chip passes packets to the CPU.
#pragma once

#include "sdk/sdk_types.h"

// Packet commands: what the chip does with a packet of a recognised kind.
constexpr uint32_t SDK_PACKET_CMD_FORWARD = 0;
constexpr uint32_t SDK_PACKET_CMD_MIRROR_TO_CPU = 1;  // forwarded, and a copy to the CPU
constexpr uint32_t SDK_PACKET_CMD_TRAP_TO_CPU = 2;    // to the CPU only
constexpr uint32_t SDK_PACKET_CMD_DROP = 3;

// ICMPv6 messages are recognised by type through a table of SDK_ICMPV6_SLOTS slots per
// device, each a type and a command.
constexpr uint32_t SDK_ICMPV6_SLOTS = 8;
SDK_STATUS sdkBrgGenIcmpv6MsgTypeSet(uint8_t devNum, uint32_t index, uint8_t msgType, uint32_t cmd);
SDK_STATUS sdkBrgGenIcmpv6MsgTypeGet(uint8_t devNum, uint32_t index, uint8_t* msgType,
                                     uint32_t* cmd);

// IEEE reserved multicast (destination 01-80-C2-00-00-protocol): a command per protocol in
// each of SDK_IEEE_RSV_MC_PROFILES profiles; every port uses one profile (0 at power-on).
// The commands apply while the trap is enabled; otherwise the frames are forwarded.
constexpr uint32_t SDK_IEEE_RSV_MC_PROFILES = 4;
SDK_STATUS sdkBrgGenIeeeReservedMcastTrapEnable(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgGenIeeeReservedMcastProtCmdSet(uint8_t devNum, uint32_t profileIndex,
                                                uint8_t protocol, uint32_t cmd);
SDK_STATUS sdkBrgGenIeeeReservedMcastProtCmdGet(uint8_t devNum, uint32_t profileIndex,
                                                uint8_t protocol, uint32_t* cmd);
SDK_STATUS sdkBrgGenPortIeeeReservedMcastProfileIndexSet(uint8_t devNum, uint8_t portNum,
                                                         uint32_t profileIndex);

// IGMP packets (IPv4 protocol 2).
SDK_STATUS sdkBrgGenIgmpCmdSet(uint8_t devNum, uint32_t cmd);
SDK_STATUS sdkBrgGenIgmpCmdGet(uint8_t devNum, uint32_t* cmd);

// Multicast with no address-table entry for its group, by kind.
constexpr uint32_t SDK_UNREG_MC_NON_IP = 0;
constexpr uint32_t SDK_UNREG_MC_IPV4 = 1;
constexpr uint32_t SDK_UNREG_MC_IPV6 = 2;
constexpr uint32_t SDK_UNREG_MC_KINDS = 3;
SDK_STATUS sdkBrgGenUnregMcastCmdSet(uint8_t devNum, uint32_t kind, uint32_t cmd);
SDK_STATUS sdkBrgGenUnregMcastCmdGet(uint8_t devNum, uint32_t kind, uint32_t* cmd);

// IP multicast bridging: IPv4 and IPv6 multicast looked up by group address rather than by
// destination MAC address.
SDK_STATUS sdkBrgMcIpBridgingEnable(uint8_t devNum, bool enable);

// OAM (802.3ah) PDUs received on the port go to the CPU instead of being dropped.
SDK_STATUS sdkOamPortPduTrapEnableSet(uint8_t devNum, uint8_t portNum, bool enable);

// The most packets per second the chip passes to the CPU (0: no limit).
SDK_STATUS sdkNetIfCpuRateLimitSet(uint8_t devNum, uint32_t packetsPerSec);

// IP link-local multicast (224.0.0.protocol for SDK_IP_VER_4, ff02::protocol for
// SDK_IP_VER_6, sdk_netif.h) mirrored to the CPU: while enabled for the IP version, the
// protocols enabled one by one are.
SDK_STATUS sdkBrgGenIpLinkLocalMirrorToCpuEnable(uint8_t devNum, uint32_t ipVer, bool enable);
SDK_STATUS sdkBrgGenIpLinkLocalProtMirrorToCpuEnable(uint8_t devNum, uint32_t ipVer,
                                                     uint8_t protocol, bool enable);
// ARP broadcasts (ARP to ff:ff:ff:ff:ff:ff): a packet command; their CPU code is
// SDK_CPU_CODE_ARP_BC.
constexpr uint32_t SDK_CPU_CODE_ARP_BC = 154;
SDK_STATUS sdkBrgGenArpBcastToCpuCmdSet(uint8_t devNum, uint32_t cmd);
SDK_STATUS sdkBrgGenArpBcastToCpuCmdGet(uint8_t devNum, uint32_t* cmd);
