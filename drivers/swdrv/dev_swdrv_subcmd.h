// The sub-commands of module 119 (the switch chip driver) and their request layouts. The
// numbers are the protocol between the other processes' client stubs and this driver; the
// handler (dev_swdrv_handler.cpp), drvctl and the tests use these names. Header-only: drvctl
// includes it without linking the driver.
//
// Rules that hold for every row: offsets are payload offsets (the sub-command word is at 0);
// the answer carries the result in byte 0 (1 TRUE, 0 FALSE) and the returned data from offset 4,
// with msg_size 4 + the row's reply size; request bytes the message did not carry read as zero;
// flags are TRUE when non-zero; "unit, port" is a 1-based logical unit and port; a VLAN list is
// 512 bytes with VLAN v in bit 7 - v % 8 of byte v / 8. Sub-commands without a row are answered
// FALSE with msg_size 4.
#pragma once

#include <cstdint>
#include <iterator>

#include "drivers/request_layout/request_layout.h"

namespace swdrv::subcmd {

inline constexpr uint16_t kModule = 119;

// ---- Numbers, named for the operation they call ------------------------------------------
inline constexpr uint32_t kResetOnDemand = 2;
inline constexpr uint32_t kFixedFalse4 = 4;
inline constexpr uint32_t kLogical2PhyDevicePortID = 5;
inline constexpr uint32_t kLogical2PhyDeviceID = 6;
inline constexpr uint32_t kPhyDevicePort2Logical = 7;
inline constexpr uint32_t kGetDeviceIdByUnitAndModuleId = 8;
inline constexpr uint32_t kGetModuleIdFromLocalDeviceId = 9;
inline constexpr uint32_t kEnableStackPortAdmin = 10;
inline constexpr uint32_t kFixedTrue11 = 11;
inline constexpr uint32_t kEnablePortAdmin = 12;
inline constexpr uint32_t kDisablePortAdmin = 13;
inline constexpr uint32_t kDisableAllPortAdmin = 14;
inline constexpr uint32_t kSetPortCfgSpeedDuplex = 15;
inline constexpr uint32_t kEnablePortAutoNeg = 16;
inline constexpr uint32_t kDisablePortAutoNeg = 17;
inline constexpr uint32_t kEnablePortCfgFlowCtrl = 18;
inline constexpr uint32_t kDisablePortCfgFlowCtrl = 19;
inline constexpr uint32_t kSetPortCfgFlowCtrlByMode = 20;
inline constexpr uint32_t kSetPortAutoNegCapability = 21;
inline constexpr uint32_t kFixedTrue22 = 22;
inline constexpr uint32_t kGetPortType = 23;
inline constexpr uint32_t kSetPortRestartAutoNego = 24;
inline constexpr uint32_t kSetPortAutoNegoRemoteFaultAdvertisement = 25;
inline constexpr uint32_t kGetPortAutoNegoRemoteFaultAdvertisement = 26;
inline constexpr uint32_t kGetPortLinkPartnerAutoNegoSignalingState = 27;
inline constexpr uint32_t kGetPortAutoNegoProcessState = 28;
inline constexpr uint32_t kGetPortLinkPartnerAutoNegoCapa = 29;
inline constexpr uint32_t kGetPortLinkPartnerAutoNegoRemoteFault = 30;
inline constexpr uint32_t kGetPortJabberState = 31;
inline constexpr uint32_t kGetPortFalseCarrierSenseCounter = 32;
inline constexpr uint32_t kSetSTAMode = 33;
inline constexpr uint32_t kFixedFalse34 = 34;
inline constexpr uint32_t kSetPortSTAStateWithMstidx = 35;
inline constexpr uint32_t kAddVlanToSTAWithMstidx = 36;
inline constexpr uint32_t kDeleteVlanFromSTAWithMstidx = 37;
inline constexpr uint32_t kSetPortPVID = 38;
inline constexpr uint32_t kCreateVlan = 39;
inline constexpr uint32_t kDestroyVlan = 40;
inline constexpr uint32_t kFixedFalse41 = 41;
inline constexpr uint32_t kDeletePortUntaggedVlanSet = 42;
inline constexpr uint32_t kAddPortUntaggedVlanSet = 43;
inline constexpr uint32_t kDeletePortVlanSet = 44;
inline constexpr uint32_t kAddPortVlanSet = 45;
inline constexpr uint32_t kSetPortToVlanMemberSet = 46;
inline constexpr uint32_t kSetPortToVlanUntaggedSet = 47;
inline constexpr uint32_t kSetSystemMTU = 48;
inline constexpr uint32_t kSetPortMTU = 49;
inline constexpr uint32_t kGetPortMaxFrameSize = 50;
inline constexpr uint32_t kSetPortDot1qTunnelMTU = 51;
inline constexpr uint32_t kSetPortDot1qTunnelMode = 52;
inline constexpr uint32_t kGetPortDot1qTunnelModeofLocalPort = 53;
inline constexpr uint32_t kSetPortDot1qTunnelTPID = 54;
inline constexpr uint32_t kGetPortDot1qTunnelTPIDofLocalPort = 55;
inline constexpr uint32_t kEnableIngressFilter = 56;
inline constexpr uint32_t kDisableIngressFilter = 57;
inline constexpr uint32_t kAdmitOnlyVlanTaggedFrames = 58;
inline constexpr uint32_t kAdmitOnlyVlanUntaggedFrames = 59;
inline constexpr uint32_t kAdmitAllFrames = 60;
inline constexpr uint32_t kFixedFalse61 = 61;
inline constexpr uint32_t kFixedFalse62 = 62;
inline constexpr uint32_t kAddCpuToVlan = 63;
inline constexpr uint32_t kDeleteCpuFromVlan = 64;
inline constexpr uint32_t kSetPortMirroring = 65;
inline constexpr uint32_t kDeletePortMirroring = 66;
inline constexpr uint32_t kFixedTrue67 = 67;
inline constexpr uint32_t kFixedTrue68 = 68;
inline constexpr uint32_t kAddVlanMirror = 69;
inline constexpr uint32_t kDeleteVlanMirror = 70;
inline constexpr uint32_t kSetDestPortForMacMirror = 71;
inline constexpr uint32_t kSetDestPortForMacMirrorByte = 72;
inline constexpr uint32_t kCreateTrunk = 73;
inline constexpr uint32_t kFixedFalse74 = 74;
inline constexpr uint32_t kSetTrunkLoadBalanceMode = 75;
inline constexpr uint32_t kDestroyTrunk = 76;
inline constexpr uint32_t kSetTrunkPortMembers = 77;
inline constexpr uint32_t kFixedFalse78 = 78;
inline constexpr uint32_t kFixedFalse79 = 79;
inline constexpr uint32_t kFixedFalse80 = 80;
inline constexpr uint32_t kFixedFalse81 = 81;
inline constexpr uint32_t kEnableIgmpTrap = 82;
inline constexpr uint32_t kDisableIgmpTrap = 83;
inline constexpr uint32_t kTrapIGMPToCPU = 84;
inline constexpr uint32_t kSetBroadcastStormControlThreshold = 85;
inline constexpr uint32_t kSetMulticastStormControlThreshold = 86;
inline constexpr uint32_t kSetUnknownUnicastStormControlThreshold = 87;
inline constexpr uint32_t kEnableBroadcastStormControl = 88;
inline constexpr uint32_t kDisableBroadcastStormControl = 89;
inline constexpr uint32_t kEnableMulticastStormControl = 90;
inline constexpr uint32_t kDisableMulticastStormControl = 91;
inline constexpr uint32_t kEnableUnknownUnicastStormControl = 92;
inline constexpr uint32_t kDisableUnknownUnicastStormControl = 93;
inline constexpr uint32_t kGetPortStormGranularity = 94;
inline constexpr uint32_t kSetPortUserDefaultPriority = 95;
inline constexpr uint32_t kFixedTrue96 = 96;
inline constexpr uint32_t kFixedTrue97 = 97;
inline constexpr uint32_t kFixedFalse98 = 98;
inline constexpr uint32_t kFixedFalse99 = 99;
inline constexpr uint32_t kFixedTrue100 = 100;
inline constexpr uint32_t kEnableJumboFrame = 101;
inline constexpr uint32_t kDisableJumboFrame = 102;
inline constexpr uint32_t kGetPortOperSpeedDuplex = 103;
inline constexpr uint32_t kGetAllPortOperSpeedDuplex = 104;
inline constexpr uint32_t kGetAllPortLinkStatus = 105;
inline constexpr uint32_t kGetPortLinkStatus = 106;
inline constexpr uint32_t kGetAllPortStatus = 107;
inline constexpr uint32_t kGetPortLinkStatusByDeviceId = 108;
inline constexpr uint32_t kGetPortFlowCtrl = 109;
inline constexpr uint32_t kGetAllPortFlowCtrl = 110;
inline constexpr uint32_t kNoCallFalse111 = 111;
inline constexpr uint32_t kEnableIPMC = 112;
inline constexpr uint32_t kDisableIPMC = 113;
inline constexpr uint32_t kFixedFalse114 = 114;
inline constexpr uint32_t kFixedFalse115 = 115;
inline constexpr uint32_t kFixedFalse116 = 116;
inline constexpr uint32_t kFixedFalse117 = 117;
inline constexpr uint32_t kFixedTrue118 = 118;
inline constexpr uint32_t kFixedTrue119 = 119;
inline constexpr uint32_t kSetPortLearningStatus = 120;
inline constexpr uint32_t kAddDot1vProtocolPortEntry = 123;
inline constexpr uint32_t kDelDot1vProtocolPortEntry = 124;
inline constexpr uint32_t kSetDot1vProtocolGroupEntry = 125;
inline constexpr uint32_t kSetPortComboForcedMode = 126;
inline constexpr uint32_t kNoCallFalse127 = 127;
inline constexpr uint32_t kFixedFalse128 = 128;
inline constexpr uint32_t kConfigTopologyInfo = 129;
inline constexpr uint32_t kPhyDevicePort2LogicalTest = 130;
inline constexpr uint32_t kGetMyUnitId = 131;
inline constexpr uint32_t kGetFabricDevice = 132;
inline constexpr uint32_t kGetDstUnitInfo = 133;
inline constexpr uint32_t kNoCallFalse134 = 134;
inline constexpr uint32_t kFixedFalse135 = 135;
inline constexpr uint32_t kFixedFalse136 = 136;
inline constexpr uint32_t kEnableUMCASTIpTrap = 137;
inline constexpr uint32_t kEnableUMCASTIpTrapAlt = 138;
inline constexpr uint32_t kEnableUMCASTMacTrap = 139;
inline constexpr uint32_t kDisableUMCASTMacTrap = 140;
inline constexpr uint32_t kFixedFalse141 = 141;
inline constexpr uint32_t kGetFabricportByUnitPosition = 143;
inline constexpr uint32_t kGetFabricPortToDstUnit = 144;
inline constexpr uint32_t kGetMasterModuleID = 145;
inline constexpr uint32_t kGetModuleInfoByUnit = 146;
inline constexpr uint32_t kGetFabricDeviceAlt = 147;
inline constexpr uint32_t kNoCallFalse149 = 149;
inline constexpr uint32_t kGetNextDevice = 150;
inline constexpr uint32_t kFixedFalse151 = 151;
inline constexpr uint32_t kFixedFalse152 = 152;
inline constexpr uint32_t kEnableMLDTrap2CPU = 153;
inline constexpr uint32_t kDisableMLDTrap2CPU = 154;
inline constexpr uint32_t kTrapMLDToCPU = 155;
inline constexpr uint32_t kFixedFalse157 = 157;
inline constexpr uint32_t kFixedFalse158 = 158;
inline constexpr uint32_t kFixedFalseZero159 = 159;
inline constexpr uint32_t kNoCallFalse160 = 160;
inline constexpr uint32_t kFixedFalse162 = 162;
inline constexpr uint32_t kFixedFalse163 = 163;
inline constexpr uint32_t kFixedFalse164 = 164;
inline constexpr uint32_t kFixedFalse165 = 165;
inline constexpr uint32_t kFixedFalse167 = 167;
inline constexpr uint32_t kInit = 168;
inline constexpr uint32_t kNoCallTrue170 = 170;
inline constexpr uint32_t kSetPortPowerSave = 171;
inline constexpr uint32_t kGetCableDiag = 172;
inline constexpr uint32_t kGetCableDiagResult = 173;
inline constexpr uint32_t kEnableInternalLoopback = 174;
inline constexpr uint32_t kDisableInternalLoopback = 175;
inline constexpr uint32_t kFixedFalse176 = 176;
inline constexpr uint32_t kFixedTrue179 = 179;
inline constexpr uint32_t kSavePortMapping = 180;
inline constexpr uint32_t kCreateAllVlansForVlanTrunking = 181;
inline constexpr uint32_t kCreateVlanForVlanTrunking = 182;
inline constexpr uint32_t kSetPortVlanTunkingByVLAN = 183;
inline constexpr uint32_t kSetPortVlanTunkingByVlanList = 184;
inline constexpr uint32_t kSetCopyInnerPri2OuterPri = 189;
inline constexpr uint32_t kSetEapolFramePassThrough = 190;
inline constexpr uint32_t kSetRspanVlanTag = 191;
inline constexpr uint32_t kFixedTrue192 = 192;
inline constexpr uint32_t kFixedTrue193 = 193;
inline constexpr uint32_t kModifyMaxFrameSize = 194;
inline constexpr uint32_t kGetPortMediaActive = 195;
inline constexpr uint32_t kTrapUnknownIpMcastToCPU = 196;
inline constexpr uint32_t kTrapUnknownIpv6McastToCPU = 197;
inline constexpr uint32_t kPhyLightPortLedNormal = 198;
inline constexpr uint32_t kTwsiInit = 199;
inline constexpr uint32_t kTwsiRegisterWrite = 200;
inline constexpr uint32_t kTwsiRegisterRead = 201;
inline constexpr uint32_t kTwsiDataWrite = 202;
inline constexpr uint32_t kTwsiDataRead = 203;
inline constexpr uint32_t kSetOamPduToCpu = 210;
inline constexpr uint32_t kSetOamLoopback = 211;
inline constexpr uint32_t kGetMIIPhyRegByPage = 219;
inline constexpr uint32_t kSetRaAndRrTrap2CPU = 220;
inline constexpr uint32_t kDoPHYRegsTransactions = 227;
inline constexpr uint32_t kSetPortMacAddr = 228;
inline constexpr uint32_t kSetCpuRateLimit = 233;
inline constexpr uint32_t kGetPortAbility = 234;
inline constexpr uint32_t kGetAllPortAverageTemperature = 235;
inline constexpr uint32_t kSetCpuPortRate = 236;
inline constexpr uint32_t kSetVlanLearningStatus = 237;
inline constexpr uint32_t kSetPortEgressBlock = 238;

// The largest number in the table; every number above it is unknown.
inline constexpr uint32_t kLast = kSetPortEgressBlock;
// The most members one SetTrunkPortMembers request carries.
inline constexpr uint32_t kMaxTrunkMembers = 8;
// The most {register, value, mask} records one DoPHYRegsTransactions request carries.
inline constexpr uint32_t kMaxPhyOps = 128;

// ---- Layouts -------------------------------------------------------------------------------
namespace layout {

using reqlayout::byte;
using reqlayout::bytes;
using reqlayout::Fields;
using reqlayout::Row;
using reqlayout::u16;
using reqlayout::word;

// "unit, port" at 4 and 8, then `more`.
template <class... F>
constexpr Fields up(F... more) {
    return {word(4, "unit"), word(8, "port"), more...};
}
constexpr Fields kUnitPort = up();
constexpr Fields kVlan = {word(4, "VLAN")};
constexpr Fields kEnable = {word(4, "enable")};
constexpr Fields kToCpu = {word(4, "to CPU"), word(8, "trap")};
constexpr Fields kToCpuFlood = {word(4, "to CPU"), word(8, "flood")};
constexpr Fields kDevicePort = {word(4, "device"), word(8, "device port")};
constexpr Fields kUnitPortOut = {word(4, "unit"), word(8, "port")};
constexpr Fields kTrunkId = {word(4, "trunk id")};
constexpr Fields kMirrorVlan = {word(4, "destination unit"), word(8, "destination port"),
                                word(12, "VLAN")};
constexpr Fields kStormThreshold = up(word(12, "rate"), word(16, "rate mode (0 keep, 1, 2)"));
constexpr Fields kTwsiData = {byte(7, "slave"),   byte(8, "type"),         byte(9, "offset valid"),
                              word(12, "offset"), byte(16, "wide offset"), byte(17, "length")};

// The all-port reads: a range of ports of a unit, and the 192-byte block.
constexpr Fields kPortRange = {word(4, "unit"), word(8, "first port"), word(12, "last port")};
constexpr Fields kAllPortBlock = {bytes(4, 64, "16 x link (1 up)"),
                                  bytes(68, 64, "16 x speed-duplex"),
                                  bytes(132, 64, "16 x flow control")};
// A port's cable-test record.
constexpr Fields kCableRecord = {word(4, "time (s)"),
                                 word(8, "link (1 up, 2 down)"),
                                 bytes(12, 8, "4 x u16 pair status A-D"),
                                 bytes(20, 4, "pair distance A-D (m)"),
                                 byte(24, "in progress"),
                                 byte(25, "linked test")};

constexpr const char* kFixedTrue = "fixed TRUE";
constexpr const char* kFixedFalse = "fixed FALSE";
constexpr const char* kNoCallFalse = "FALSE, no call";
constexpr const char* kNoCallTrue = "TRUE, no call";

// Every row, in number order. The handler's reply sizes come from here.
inline constexpr Row kRows[] = {
    // clang-format off
    {kResetOnDemand, "ResetOnDemand"},
    {kFixedFalse4, kFixedFalse},
    {kLogical2PhyDevicePortID, "Logical2PhyDevicePortID", kUnitPort, 12,
     {word(4, "module"), word(8, "device"), word(12, "device port")}},
    {kLogical2PhyDeviceID, "Logical2PhyDeviceID", kUnitPort, 12,
     {word(4, "module"), word(8, "device"), word(12, "PHY id")}},
    {kPhyDevicePort2Logical, "PhyDevicePort2Logical", kDevicePort, 8, kUnitPortOut},
    {kGetDeviceIdByUnitAndModuleId, "GetDeviceIdByUnitAndModuleId",
     {word(4, "unit"), word(8, "module")}, 4, {word(4, "device")}},
    {kGetModuleIdFromLocalDeviceId, "GetModuleIdFromLocalDeviceId",
     {word(4, "unit"), word(8, "device")}, 4, {word(4, "module")}},
    {kEnableStackPortAdmin, "EnableStackPortAdmin", {word(4, "enable (0 disables)")}},
    {kFixedTrue11, kFixedTrue},
    {kEnablePortAdmin, "EnablePortAdmin", kUnitPort},
    {kDisablePortAdmin, "DisablePortAdmin", kUnitPort},
    {kDisableAllPortAdmin, "DisableAllPortAdmin"},
    {kSetPortCfgSpeedDuplex, "SetPortCfgSpeedDuplex", up(word(12, "speed-duplex (2..9)"))},
    {kEnablePortAutoNeg, "EnablePortAutoNeg", kUnitPort},
    {kDisablePortAutoNeg, "DisablePortAutoNeg", kUnitPort},
    {kEnablePortCfgFlowCtrl, "EnablePortCfgFlowCtrl", kUnitPort},
    {kDisablePortCfgFlowCtrl, "DisablePortCfgFlowCtrl", kUnitPort},
    {kSetPortCfgFlowCtrlByMode, "flow control by mode", up(word(12, "mode (1 on, 2 off)")),
     0, {}, "other modes FALSE"},
    {kSetPortAutoNegCapability, "SetPortAutoNegCapability", up(word(12, "capability bits"))},
    {kFixedTrue22, kFixedTrue},
    {kGetPortType, "GetPortType", kUnitPort, 4, {word(4, "type")}},
    {kSetPortRestartAutoNego, "SetPortRestartAutoNego", kUnitPort},
    {kSetPortAutoNegoRemoteFaultAdvertisement, "SetPortAutoNegoRemoteFaultAdvertisement",
     up(word(12, "value (1..4)"))},
    {kGetPortAutoNegoRemoteFaultAdvertisement, "GetPortAutoNegoRemoteFaultAdvertisement",
     kUnitPort, 4, {word(4, "value")}},
    {kGetPortLinkPartnerAutoNegoSignalingState, "GetPortLinkPartnerAutoNegoSignalingState",
     kUnitPort, 4, {word(4, "state")}},
    {kGetPortAutoNegoProcessState, "GetPortAutoNegoProcessState", kUnitPort, 4,
     {word(4, "state")}},
    {kGetPortLinkPartnerAutoNegoCapa, "GetPortLinkPartnerAutoNegoCapa", kUnitPort, 4,
     {word(4, "abilities")}},
    {kGetPortLinkPartnerAutoNegoRemoteFault, "GetPortLinkPartnerAutoNegoRemoteFault",
     kUnitPort, 4, {word(4, "value")}},
    {kGetPortJabberState, "GetPortJabberState", kUnitPort, 4, {word(4, "state")}},
    {kGetPortFalseCarrierSenseCounter, "GetPortFalseCarrierSenseCounter", kUnitPort, 4,
     {word(4, "count")}},
    {kSetSTAMode, "SetSTAMode", {word(4, "mode (2 multiple instances)")}},
    {kFixedFalse34, kFixedFalse},
    {kSetPortSTAStateWithMstidx, "SetPortSTAStateWithMstidx",
     {word(4, "instance"), word(8, "unit"), word(12, "port"), word(16, "state")}},
    {kAddVlanToSTAWithMstidx, "AddVlanToSTAWithMstidx", {word(4, "VLAN"), word(8, "instance")}},
    {kDeleteVlanFromSTAWithMstidx, "DeleteVlanFromSTAWithMstidx", kVlan},
    {kSetPortPVID, "SetPortPVID", up(word(12, "VLAN"))},
    {kCreateVlan, "CreateVlan", kVlan},
    {kDestroyVlan, "DestroyVlan", kVlan},
    {kFixedFalse41, kFixedFalse},
    {kDeletePortUntaggedVlanSet, "DeletePortUntaggedVlanSet", up(word(12, "VLAN"))},
    {kAddPortUntaggedVlanSet, "AddPortUntaggedVlanSet", up(word(12, "VLAN"))},
    {kDeletePortVlanSet, "DeletePortVlanSet", up(word(12, "VLAN"))},
    {kAddPortVlanSet, "AddPortVlanSet", up(word(12, "VLAN"))},
    {kSetPortToVlanMemberSet, "SetPortToVlanMemberSet", up(bytes(12, 512, "VLAN list"))},
    {kSetPortToVlanUntaggedSet, "SetPortToVlanUntaggedSet", up(bytes(12, 512, "VLAN list"))},
    {kSetSystemMTU, "SetSystemMTU", {word(4, "MTU")}},
    {kSetPortMTU, "SetPortMTU", up(word(12, "MTU"))},
    {kGetPortMaxFrameSize, "GetPortMaxFrameSize", kUnitPort, 8,
     {word(4, "untagged"), word(8, "tagged")}},
    {kSetPortDot1qTunnelMTU, "SetPortDot1qTunnelMTU", {word(4, "mode (1 on, 2 off)")}},
    {kSetPortDot1qTunnelMode, "SetPortDot1qTunnelMode",
     up(word(12, "mode (0 none, 1 uplink, 2 access)"))},
    {kGetPortDot1qTunnelModeofLocalPort, "GetPortDot1qTunnelModeofLocalPort", kUnitPort, 1,
     {byte(4, "mode")}},
    {kSetPortDot1qTunnelTPID, "SetPortDot1qTunnelTPID", up(word(12, "TPID"))},
    {kGetPortDot1qTunnelTPIDofLocalPort, "GetPortDot1qTunnelTPIDofLocalPort", kUnitPort, 4,
     {word(4, "TPID")}},
    {kEnableIngressFilter, "EnableIngressFilter", kUnitPort},
    {kDisableIngressFilter, "DisableIngressFilter", kUnitPort},
    {kAdmitOnlyVlanTaggedFrames, "AdmitOnlyVlanTaggedFrames", kUnitPort},
    {kAdmitOnlyVlanUntaggedFrames, "AdmitOnlyVlanUntaggedFrames", kUnitPort},
    {kAdmitAllFrames, "AdmitAllFrames", kUnitPort},
    {kFixedFalse61, kFixedFalse},
    {kFixedFalse62, kFixedFalse},
    {kAddCpuToVlan, "AddCpuToVlan", kVlan},
    {kDeleteCpuFromVlan, "DeleteCpuFromVlan", kVlan},
    {kSetPortMirroring, "SetPortMirroring",
     {word(4, "source (unit << 16 | port)"), word(8, "ingress destination (0 none)"),
      word(12, "egress destination (0 none)")}},
    {kDeletePortMirroring, "DeletePortMirroring", {word(4, "source (unit << 16 | port)")}},
    {kFixedTrue67, kFixedTrue},
    {kFixedTrue68, kFixedTrue},
    {kAddVlanMirror, "AddVlanMirror", kMirrorVlan},
    {kDeleteVlanMirror, "DeleteVlanMirror", kMirrorVlan},
    {kSetDestPortForMacMirror, "SetDestPortForMacMirror", up(word(12, "mode (1 set, other remove)"))},
    {kSetDestPortForMacMirrorByte, "SetDestPortForMacMirror",
     up(byte(12, "mode (1 set, other remove)"))},
    {kCreateTrunk, "CreateTrunk", kTrunkId},
    {kFixedFalse74, kFixedFalse},
    {kSetTrunkLoadBalanceMode, "SetTrunkLoadBalanceMode", {word(4, "mode (1..6)")}},
    {kDestroyTrunk, "DestroyTrunk", kTrunkId},
    {kSetTrunkPortMembers, "SetTrunkPortMembers",
     {word(4, "trunk id"), word(8, "member count (at most 8)"),
      bytes(12, 4 * kMaxTrunkMembers, "members: unit and port, 16 bits each")}},
    {kFixedFalse78, kFixedFalse},
    {kFixedFalse79, kFixedFalse},
    {kFixedFalse80, kFixedFalse},
    {kFixedFalse81, kFixedFalse},
    {kEnableIgmpTrap, "EnableIgmpTrap"},
    {kDisableIgmpTrap, "DisableIgmpTrap"},
    {kTrapIGMPToCPU, "TrapIGMPToCPU", kToCpu},
    {kSetBroadcastStormControlThreshold, "SetBroadcastStormControlThreshold", kStormThreshold},
    {kSetMulticastStormControlThreshold, "SetMulticastStormControlThreshold", kStormThreshold},
    {kSetUnknownUnicastStormControlThreshold, "SetUnknownUnicastStormControlThreshold",
     kStormThreshold},
    {kEnableBroadcastStormControl, "EnableBroadcastStormControl", kUnitPort},
    {kDisableBroadcastStormControl, "DisableBroadcastStormControl", kUnitPort},
    {kEnableMulticastStormControl, "EnableMulticastStormControl", kUnitPort},
    {kDisableMulticastStormControl, "DisableMulticastStormControl", kUnitPort},
    {kEnableUnknownUnicastStormControl, "EnableUnknownUnicastStormControl", kUnitPort},
    {kDisableUnknownUnicastStormControl, "DisableUnknownUnicastStormControl", kUnitPort},
    {kGetPortStormGranularity, "GetPortStormGranularity", up(word(12, "rate mode (0 keep, 1, 2)")),
     4, {word(4, "granularity")}},
    {kSetPortUserDefaultPriority, "SetPortUserDefaultPriority", up(word(12, "priority (0..7)"))},
    {kFixedTrue96, kFixedTrue},
    {kFixedTrue97, kFixedTrue},
    {kFixedFalse98, kFixedFalse},
    {kFixedFalse99, kFixedFalse},
    {kFixedTrue100, kFixedTrue},
    {kEnableJumboFrame, "EnableJumboFrame"},
    {kDisableJumboFrame, "DisableJumboFrame"},
    {kGetPortOperSpeedDuplex, "GetPortOperSpeedDuplex", kUnitPort, 4,
     {word(4, "speed-duplex (2..9)")}},
    {kGetAllPortOperSpeedDuplex, "GetAllPortOperSpeedDuplex", kPortRange, 192, kAllPortBlock},
    {kGetAllPortLinkStatus, "GetAllPortLinkStatus", kPortRange, 192, kAllPortBlock},
    {kGetPortLinkStatus, "GetPortLinkStatus", kUnitPort, 4, {word(4, "link (1 up)")}},
    {kGetAllPortStatus, "GetAllPortStatus", kPortRange, 192, kAllPortBlock},
    {kGetPortLinkStatusByDeviceId, "GetPortLinkStatusByDeviceId", kDevicePort, 4,
     {word(4, "link (1 up)")}},
    {kGetPortFlowCtrl, "GetPortFlowCtrl", kUnitPort, 4,
     {word(4, "2 back pressure, 3 802.3x, 4 none")}},
    {kGetAllPortFlowCtrl, "GetAllPortFlowCtrl", kPortRange, 192, kAllPortBlock},
    {kNoCallFalse111, kNoCallFalse},
    {kEnableIPMC, "EnableIPMC"},
    {kDisableIPMC, "DisableIPMC"},
    {kFixedFalse114, kFixedFalse},
    {kFixedFalse115, kFixedFalse},
    {kFixedFalse116, kFixedFalse},
    {kFixedFalse117, kFixedFalse},
    {kFixedTrue118, kFixedTrue},
    {kFixedTrue119, kFixedTrue},
    {kSetPortLearningStatus, "SetPortLearningStatus", up(word(12, "enable"))},
    {kAddDot1vProtocolPortEntry, "AddDot1vProtocolPortEntry",
     up(word(12, "group"), word(16, "VLAN"))},
    {kDelDot1vProtocolPortEntry, "DelDot1vProtocolPortEntry", up(word(12, "group"))},
    {kSetDot1vProtocolGroupEntry, "SetDot1vProtocolGroupEntry",
     {word(4, "group"), word(8, "frame type"), word(12, "protocol")}},
    {kSetPortComboForcedMode, "SetPortComboForcedMode",
     up(word(12, "mode"), word(16, "speed (Mb/s)"))},
    {kNoCallFalse127, kNoCallFalse},
    {kFixedFalse128, kFixedFalse},
    {kConfigTopologyInfo, "ConfigTopologyInfo", {bytes(4, 13, "topology record")}},
    {kPhyDevicePort2LogicalTest, "PhyDevicePort2Logical (test)", kDevicePort, 8,
     kUnitPortOut},
    {kGetMyUnitId, "GetMyUnitId", {}, 4, {word(4, "unit")}},
    {kGetFabricDevice, "GetFabricDevice", {}, 4, {word(4, "device")}},
    {kGetDstUnitInfo, "GetDstUnitInfo", {word(4, "source unit"), word(8, "destination unit")}, 8,
     {word(4, "fabric port"), word(8, "module")}},
    {kNoCallFalse134, kNoCallFalse},
    {kFixedFalse135, kFixedFalse, {}, 4},
    {kFixedFalse136, kFixedFalse, {}, 4},
    {kEnableUMCASTIpTrap, "EnableUMCASTIpTrap", kEnable},
    {kEnableUMCASTIpTrapAlt, "EnableUMCASTIpTrap", kEnable},
    {kEnableUMCASTMacTrap, "EnableUMCASTMacTrap"},
    {kDisableUMCASTMacTrap, "DisableUMCASTMacTrap"},
    {kFixedFalse141, kFixedFalse},
    {kGetFabricportByUnitPosition, "GetFabricportByUnitPosition", {word(4, "unit")}, 4,
     {word(4, "port")}},
    {kGetFabricPortToDstUnit, "GetFabricPortToDstUnit", {word(4, "unit")}, 4, {word(4, "port")}},
    {kGetMasterModuleID, "GetMasterModuleID", {}, 4, {word(4, "module")}},
    {kGetModuleInfoByUnit, "GetModuleInfoByUnit", {word(4, "unit"), word(8, "which")}, 4,
     {word(4, "module")}},
    {kGetFabricDeviceAlt, "GetFabricDevice", {}, 4, {word(4, "device")}},
    {kNoCallFalse149, kNoCallFalse},
    {kGetNextDevice, "GetNextDevice", {word(4, "device (0xFFFFFFFF: the first)")}, 4,
     {word(4, "device")}},
    {kFixedFalse151, kFixedFalse},
    {kFixedFalse152, kFixedFalse},
    {kEnableMLDTrap2CPU, "EnableMLDTrap2CPU"},
    {kDisableMLDTrap2CPU, "DisableMLDTrap2CPU"},
    {kTrapMLDToCPU, "TrapMLDToCPU", kToCpu},
    {kFixedFalse157, kFixedFalse},
    {kFixedFalse158, kFixedFalse},
    {kFixedFalseZero159, kFixedFalse, {}, 4, {word(4, "zero")}},
    {kNoCallFalse160, kNoCallFalse},
    {kFixedFalse162, kFixedFalse},
    {kFixedFalse163, kFixedFalse, {}, 2},
    {kFixedFalse164, kFixedFalse},
    {kFixedFalse165, kFixedFalse, {}, 2},
    {kFixedFalse167, kFixedFalse, {}, 4},
    {kInit, "Init", {}, 0, {}, "answered FALSE (initialises once only)"},
    {kNoCallTrue170, kNoCallTrue},
    {kSetPortPowerSave, "SetPortPowerSave", up(word(12, "enable"))},
    {kGetCableDiag, "GetCableDiag", kUnitPort, 28,
     {bytes(4, 24, "result record (as 173)"), word(28, "1 complete, 0 test running")}},
    {kGetCableDiagResult, "GetCableDiagResult", kUnitPort, 24, kCableRecord},
    {kEnableInternalLoopback, "EnableInternalLoopback", kUnitPort},
    {kDisableInternalLoopback, "DisableInternalLoopback", kUnitPort},
    {kFixedFalse176, kFixedFalse},
    {kFixedTrue179, kFixedTrue},
    {kSavePortMapping, "save the port mapping"},
    {kCreateAllVlansForVlanTrunking, "CreateVlanForVlanTrunking, VLANs 1..4094", {}, 0, {},
     "stops with FALSE at the first failure"},
    {kCreateVlanForVlanTrunking, "CreateVlanForVlanTrunking", kVlan},
    {kSetPortVlanTunkingByVLAN, "SetPortVlanTunkingByVLAN",
     up(word(12, "VLAN"), word(16, "enable"))},
    {kSetPortVlanTunkingByVlanList, "SetPortVlanTunkingByVlanList",
     up(word(12, "enable"), bytes(16, 512, "VLAN list"))},
    {kSetCopyInnerPri2OuterPri, "SetCopyInnerPri2OuterPri", up(word(12, "enable"))},
    {kSetEapolFramePassThrough, "SetEapolFramePassThrough", {word(4, "mode (1 pass through)")}},
    {kSetRspanVlanTag, "SetRspanVlanTag", up(word(12, "VLAN (0: none)"))},
    {kFixedTrue192, kFixedTrue},
    {kFixedTrue193, kFixedTrue},
    {kModifyMaxFrameSize, "ModifyMaxFrameSize", {word(4, "add")}},
    {kGetPortMediaActive, "GetPortMediaActive", kUnitPort, 4,
     {word(4, "medium (1 copper, 2 fibre)")}},
    {kTrapUnknownIpMcastToCPU, "TrapUnknownIpMcastToCPU", kToCpuFlood},
    {kTrapUnknownIpv6McastToCPU, "TrapUnknownIpv6McastToCPU", kToCpuFlood},
    {kPhyLightPortLedNormal, "PhyLightPortLedNormal", kUnitPort},
    {kTwsiInit, "TwsiInit"},
    {kTwsiRegisterWrite, "TwsiRegisterWrite",
     {word(4, "slave address"), word(8, "register"), word(12, "value")}},
    {kTwsiRegisterRead, "TwsiRegisterRead", {word(4, "slave address"), word(8, "register")}, 4,
     {word(4, "value")}},
    {kTwsiDataWrite, "TwsiDataWrite",
     {byte(7, "slave"), byte(8, "type"), byte(9, "offset valid"),
      word(12, "offset"), byte(16, "wide offset"), byte(17, "length"),
      bytes(20, 255, "data")}, 0, {}, "data: length bytes"},
    {kTwsiDataRead, "TwsiDataRead", kTwsiData, 255, {bytes(4, 255, "data")},
     "length bytes are read"},
    {kSetOamPduToCpu, "SetOamPduToCpu", up(word(12, "enable"))},
    {kSetOamLoopback, "SetOamLoopback", up(word(12, "enable"))},
    {kGetMIIPhyRegByPage, "GetMIIPhyRegByPage",
     {word(4, "device"), word(8, "device port"), word(12, "page register"),
      word(16, "page mask"), word(20, "page value"), word(24, "register")},
     2, {u16(4, "value")}},
    {kSetRaAndRrTrap2CPU, "SetRaAndRrTrap2CPU", {word(4, "mode (1 trap)")}},
    {kDoPHYRegsTransactions, "DoPHYRegsTransactions",
     up(word(12, "count (<= 128)"),
                bytes(16, 6 * kMaxPhyOps, "count x {register, value, mask} u16"))},
    {kSetPortMacAddr, "SetPortMacAddr", up(bytes(12, 6, "MAC address"))},
    {kSetCpuRateLimit, "SetCpuRateLimit", {word(4, "packets per second (0: none)")}},
    {kGetPortAbility, "GetPortAbility", kUnitPort, 4, {word(4, "capability bits")}},
    {kGetAllPortAverageTemperature, "GetAllPortAverageTemperature", {}, 4,
     {word(4, "Celsius (signed)")}},
    {kSetCpuPortRate, "SetCpuPortRate", {word(4, "kbit/s (0: not shaped)")}},
    {kSetVlanLearningStatus, "SetVlanLearningStatus", {word(4, "VLAN"), word(8, "enable")}},
    {kSetPortEgressBlock, "SetPortEgressBlock", up(word(12, "block"))},
    // clang-format on
};

}  // namespace layout

using layout::kRows;

static_assert(std::size(kRows) == 199, "module 119 serves 199 sub-commands");
static_assert(reqlayout::well_formed(kRows));
static_assert(std::end(kRows)[-1].sub == kLast);

// The row of `sub`, or nullptr when the handler does not serve it.
constexpr const reqlayout::Row* row(uint32_t sub) {
    return reqlayout::find(kRows, sub);
}

}  // namespace swdrv::subcmd
