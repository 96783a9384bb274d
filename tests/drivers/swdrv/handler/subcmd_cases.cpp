#include "tests/drivers/swdrv/handler/subcmd_cases.h"

#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrv/dev_swdrv_om.h"

namespace subcmd_cases {
namespace {

namespace cmd = swdrv::subcmd;

uint8_t dev_port(uint32_t front) {
    uint8_t dev = 0, port = 0;
    chipsim::front_port(front, &dev, &port);
    return port;
}
void phy_set(uint32_t front, uint8_t page, uint8_t reg, uint16_t v) {
    uint8_t dev = 0, port = 0;
    chipsim::front_port(front, &dev, &port);
    chipsim::phy_write(dev, port, page, reg, v);
}

// A stack described by the topology record: this unit is unit 3, the master, with modules 7
// and 8, in a ring.
const Bytes kTopology = {1, 3, 7, 9, 2, 1, 3, 1, 0, 8, 0, 0, 0};
void topology() {
    DEV_SWDRV_ConfigTopologyInfo(kTopology.data());
}

// The TWSI data request's bytes from offset 4: slave 0x20, type 0, offset valid, offset 0x31,
// not wide, then the length and (for a write) the data from offset 20.
Bytes twsi_data(uint8_t length, const Bytes& data = {}) {
    Bytes b(16, 0);
    b[7 - 4] = 0x20;
    b[9 - 4] = 1;
    be::put32(&b[12 - 4], 0x31);
    b[17 - 4] = length;
    return b + data;
}
const uint8_t kTwsiBytes[3] = {0xA1, 0xB2, 0xC3};

const uint8_t kMac[6] = {0x00, 0x12, 0xCF, 0xAA, 0xBB, 0xCC};

Bytes phy_ops() {  // one {register, value, mask}: register 4 bits 10-11 set
    Bytes b(6);
    be::put16(&b[0], 4);
    be::put16(&b[2], 0x0C00);
    be::put16(&b[4], 0x0C00);
    return b;
}
const DEV_SWDRV_PhyRegOp_T kPhyOp{4, 0x0C00, 0x0C00};

}  // namespace

void common_setup() {
    DEV_SWDRV_CreateVlan(V);
    DEV_SWDRV_CreateVlan(V2);
    DEV_SWDRV_AddPortVlanSet(1, P, V);
    DEV_SWDRV_EnablePortAdmin(1, P);
}

// The all-port reads: three arrays of 16 words (link, speed and duplex, flow control).
Direct all_ports(bool (*fn)(uint32_t, uint32_t, uint32_t, DEV_SWDRV_AllPortStatus_T*),
                 uint32_t first, uint32_t last) {
    return [=](Out& o) {
        DEV_SWDRV_AllPortStatus_T b{};
        bool ok = fn(1, first, last, &b);
        for (int i = 0; i < 16; ++i) {
            o.word(i, b.link[i]);
            o.word(16 + i, b.speed_duplex[i]);
            o.word(32 + i, b.flow_ctrl[i]);
        }
        return ok;
    };
}

// A cable test's record as the request answers it: the 24-byte record, then whether it is
// complete.
Direct cable(bool start, uint32_t port) {
    return [=](Out& o) {
        bool ok = start ? DEV_SWDRV_GetCableDiag(1, port) : true;
        DEV_SWDRV_CableDiagResult_T rec;
        bool got = DEV_SWDRV_GetCableDiagResult(1, port, &rec);
        if (got) {
            DEV_SWDRV_EncodeCableDiagResult(rec, o.data);
            if (start) o.word(6, rec.in_progress ? 0 : 1);
        }
        return start ? ok : got;
    };
}

constexpr uint32_t unit_port(uint32_t unit, uint32_t port) {
    return unit << 16 | port;
}

const std::vector<Case>& cases() {
    const uint8_t p5 = dev_port(P);
    // clang-format off
    static const std::vector<Case> all = {
    {cmd::kResetOnDemand, {}, 0, call([] { return DEV_SWDRV_ResetOnDemand(); })},
    {cmd::kLogical2PhyDevicePortID, W({1, 15}), 12, get3([](auto a, auto b, auto c) { return DEV_SWDRV_Logical2PhyDevicePortID(1, 15, a, b, c); })},
    {cmd::kLogical2PhyDeviceID, W({1, 15}), 12, get3([](auto a, auto b, auto c) { return DEV_SWDRV_Logical2PhyDeviceID(1, 15, a, b, c); })},
    {cmd::kPhyDevicePort2Logical, W({1, 3}), 8, get2([](auto a, auto b) { return DEV_SWDRV_PhyDevicePort2Logical(1, 3, a, b); }), {}, true},
    {cmd::kGetDeviceIdByUnitAndModuleId, W({1, 1}), 4, get1([](auto a) { return DEV_SWDRV_GetDeviceIdByUnitAndModuleId(1, 1, a); }), {}, true},
    {cmd::kGetModuleIdFromLocalDeviceId, W({1, 1}), 4, get1([](auto a) { return DEV_SWDRV_GetModuleIdFromLocalDeviceId(1, 1, a); }), {}, true},
    {cmd::kEnableStackPortAdmin, W({0}), 0, call([] { return DEV_SWDRV_EnableStackPortAdmin(false); }), {}, true},
    {cmd::kEnablePortAdmin, W({1, 6}), 0, call([] { return DEV_SWDRV_EnablePortAdmin(1, 6); })},
    {cmd::kDisablePortAdmin, W({1, P}), 0, call([] { return DEV_SWDRV_DisablePortAdmin(1, P); })},
    {cmd::kDisableAllPortAdmin, {}, 0, call([] { return DEV_SWDRV_DisableAllPortAdmin(); })},
    {cmd::kSetPortCfgSpeedDuplex, W({1, P, 3}), 0, call([] { return DEV_SWDRV_SetPortCfgSpeedDuplex(1, P, 3); })},
    {cmd::kEnablePortAutoNeg, W({1, P}), 0, call([] { return DEV_SWDRV_EnablePortAutoNeg(1, P); }), [] { DEV_SWDRV_DisablePortAutoNeg(1, P); }},
    {cmd::kDisablePortAutoNeg, W({1, P}), 0, call([] { return DEV_SWDRV_DisablePortAutoNeg(1, P); })},
    {cmd::kEnablePortCfgFlowCtrl, W({1, P}), 0, call([] { return DEV_SWDRV_EnablePortCfgFlowCtrl(1, P); })},
    {cmd::kDisablePortCfgFlowCtrl, W({1, P}), 0, call([] { return DEV_SWDRV_DisablePortCfgFlowCtrl(1, P); }), [] { DEV_SWDRV_EnablePortCfgFlowCtrl(1, P); }},
    {cmd::kSetPortCfgFlowCtrlByMode, W({1, P, 1}), 0, call([] { return DEV_SWDRV_EnablePortCfgFlowCtrl(1, P); })},
    {cmd::kSetPortCfgFlowCtrlByMode, W({1, P, 2}), 0, call([] { return DEV_SWDRV_DisablePortCfgFlowCtrl(1, P); }), [] { DEV_SWDRV_EnablePortCfgFlowCtrl(1, P); }},
    {cmd::kSetPortAutoNegCapability, W({1, 6, 0x0C000000}), 0, call([] { return DEV_SWDRV_SetPortAutoNegCapability(1, 6, 0x0C000000); })},
    {cmd::kGetPortType, W({1, 15}), 4, get1([](auto a) { return DEV_SWDRV_GetPortType(1, 15, a); })},
    {cmd::kSetPortRestartAutoNego, W({1, 6}), 0, call([] { return DEV_SWDRV_SetPortRestartAutoNego(1, 6); })},
    {cmd::kSetPortAutoNegoRemoteFaultAdvertisement, W({1, 6, 3}), 0, call([] { return DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement(1, 6, 3); })},
    {cmd::kGetPortAutoNegoRemoteFaultAdvertisement, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement(1, P, a); }), [] { phy_set(P, 0, 4, 0x2000); }},
    {cmd::kGetPortLinkPartnerAutoNegoSignalingState, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState(1, P, a); })},
    {cmd::kGetPortAutoNegoProcessState, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortAutoNegoProcessState(1, P, a); })},
    {cmd::kGetPortLinkPartnerAutoNegoCapa, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa(1, P, a); })},
    {cmd::kGetPortLinkPartnerAutoNegoRemoteFault, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault(1, P, a); }), [] { phy_set(P, 0, 5, 0x2000); }},
    {cmd::kGetPortJabberState, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortJabberState(1, P, a); })},
    {cmd::kGetPortFalseCarrierSenseCounter, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortFalseCarrierSenseCounter(1, P, a); }), [] { phy_set(P, 0, 19, 0x0123); }},
    {cmd::kSetSTAMode, W({2}), 0, call([] { return DEV_SWDRV_SetSTAMode(2); })},
    {cmd::kSetPortSTAStateWithMstidx, W({3, 1, P, 4}), 0, call([] { return DEV_SWDRV_SetPortSTAStateWithMstidx(3, 1, P, 4); })},
    {cmd::kAddVlanToSTAWithMstidx, W({V, 3}), 0, call([] { return DEV_SWDRV_AddVlanToSTAWithMstidx(V, 3); })},
    {cmd::kDeleteVlanFromSTAWithMstidx, W({V}), 0, call([] { return DEV_SWDRV_DeleteVlanFromSTAWithMstidx(V); }), [] { DEV_SWDRV_AddVlanToSTAWithMstidx(V, 3); }},
    {cmd::kSetPortPVID, W({1, P, V}), 0, call([] { return DEV_SWDRV_SetPortPVID(1, P, V); })},
    {cmd::kCreateVlan, W({400}), 0, call([] { return DEV_SWDRV_CreateVlan(400); })},
    {cmd::kDestroyVlan, W({V2}), 0, call([] { return DEV_SWDRV_DestroyVlan(V2); })},
    {cmd::kDeletePortUntaggedVlanSet, W({1, P, V2}), 0, call([] { return DEV_SWDRV_DeletePortUntaggedVlanSet(1, P, V2); }), [] { DEV_SWDRV_AddPortUntaggedVlanSet(1, P, V2); }},
    {cmd::kAddPortUntaggedVlanSet, W({1, P, V2}), 0, call([] { return DEV_SWDRV_AddPortUntaggedVlanSet(1, P, V2); })},
    {cmd::kDeletePortVlanSet, W({1, P, V}), 0, call([] { return DEV_SWDRV_DeletePortVlanSet(1, P, V); })},
    {cmd::kAddPortVlanSet, W({1, P, V2}), 0, call([] { return DEV_SWDRV_AddPortVlanSet(1, P, V2); })},
    {cmd::kSetPortToVlanMemberSet, W({1, P}) + vlans({V2}), 0, call([] { return DEV_SWDRV_SetPortToVlanMemberSet(1, P, vlans({V2}).data()); })},
    {cmd::kSetPortToVlanUntaggedSet, W({1, P}) + vlans({V, V2}), 0, call([] { return DEV_SWDRV_SetPortToVlanUntaggedSet(1, P, vlans({V, V2}).data()); })},
    {cmd::kSetSystemMTU, W({1600}), 0, call([] { return DEV_SWDRV_SetSystemMTU(1600); })},
    {cmd::kSetPortMTU, W({1, P, 1600}), 0, call([] { return DEV_SWDRV_SetPortMTU(1, P, 1600); })},
    {cmd::kGetPortMaxFrameSize, W({1, P}), 8, get2([](auto a, auto b) { return DEV_SWDRV_GetPortMaxFrameSize(1, P, a, b); }), [] { DEV_SWDRV_SetPortMTU(1, P, 2000); }},
    {cmd::kSetPortDot1qTunnelMTU, W({1}), 0, call([] { return DEV_SWDRV_SetPortDot1qTunnelMTU(1); })},
    {cmd::kSetPortDot1qTunnelMode, W({1, P, 2}), 0, call([] { return DEV_SWDRV_SetPortDot1qTunnelMode(1, P, 2); })},
    {cmd::kGetPortDot1qTunnelModeofLocalPort, W({1, P}), 1, [](Out& o) { uint32_t m = 0; bool ok = DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(1, P, &m); o.data[0] = static_cast<uint8_t>(m); return ok; }, [] { DEV_SWDRV_SetPortDot1qTunnelMode(1, P, 2); }},
    {cmd::kSetPortDot1qTunnelTPID, W({1, P, 0x9100}), 0, call([] { return DEV_SWDRV_SetPortDot1qTunnelTPID(1, P, 0x9100); })},
    {cmd::kGetPortDot1qTunnelTPIDofLocalPort, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort(1, P, a); }), [] { DEV_SWDRV_SetPortDot1qTunnelTPID(1, P, 0x9100); }},
    {cmd::kEnableIngressFilter, W({1, P}), 0, call([] { return DEV_SWDRV_EnableIngressFilter(1, P); })},
    {cmd::kDisableIngressFilter, W({1, P}), 0, call([] { return DEV_SWDRV_DisableIngressFilter(1, P); }), [] { DEV_SWDRV_EnableIngressFilter(1, P); }},
    {cmd::kAdmitOnlyVlanTaggedFrames, W({1, P}), 0, call([] { return DEV_SWDRV_AdmitOnlyVlanTaggedFrames(1, P); })},
    {cmd::kAdmitOnlyVlanUntaggedFrames, W({1, P}), 0, call([] { return DEV_SWDRV_AdmitOnlyVlanUntaggedFrames(1, P); })},
    {cmd::kAdmitAllFrames, W({1, P}), 0, call([] { return DEV_SWDRV_AdmitAllFrames(1, P); }), [] { DEV_SWDRV_AdmitOnlyVlanTaggedFrames(1, P); }},
    {cmd::kAddCpuToVlan, W({V}), 0, call([] { return DEV_SWDRV_AddCpuToVlan(V); })},
    {cmd::kDeleteCpuFromVlan, W({V}), 0, call([] { return DEV_SWDRV_DeleteCpuFromVlan(V); }), [] { DEV_SWDRV_AddCpuToVlan(V); }},
    {cmd::kEnableIgmpTrap, {}, 0, call([] { return DEV_SWDRV_EnableIgmpTrap(); })},
    {cmd::kDisableIgmpTrap, {}, 0, call([] { return DEV_SWDRV_DisableIgmpTrap(); }), [] { DEV_SWDRV_EnableIgmpTrap(); }},
    {cmd::kTrapIGMPToCPU, W({1, 0}), 0, call([] { return DEV_SWDRV_TrapIGMPToCPU(true, false); })},
    {cmd::kSetPortUserDefaultPriority, W({1, P, 6}), 0, call([] { return DEV_SWDRV_SetPortUserDefaultPriority(1, P, 6); })},
    {cmd::kEnableJumboFrame, {}, 0, call([] { return DEV_SWDRV_EnableJumboFrame(); })},
    {cmd::kDisableJumboFrame, {}, 0, call([] { return DEV_SWDRV_DisableJumboFrame(); }), [] { DEV_SWDRV_EnableJumboFrame(); }},
    {cmd::kEnableIPMC, {}, 0, call([] { return DEV_SWDRV_EnableIPMC(); })},
    {cmd::kDisableIPMC, {}, 0, call([] { return DEV_SWDRV_DisableIPMC(); }), [] { DEV_SWDRV_EnableIPMC(); }},
    {cmd::kSetPortLearningStatus, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetPortLearningStatus(1, P, false); })},
    {cmd::kAddDot1vProtocolPortEntry, W({1, P, 2, V}), 0, call([] { return DEV_SWDRV_AddDot1vProtocolPortEntry(1, P, 2, V); })},
    {cmd::kDelDot1vProtocolPortEntry, W({1, P, 2}), 0, call([] { return DEV_SWDRV_DelDot1vProtocolPortEntry(1, P, 2); }), [] { DEV_SWDRV_AddDot1vProtocolPortEntry(1, P, 2, V); }},
    {cmd::kSetDot1vProtocolGroupEntry, W({3, 1, 0x88B5}), 0, call([] { return DEV_SWDRV_SetDot1vProtocolGroupEntry(3, 1, 0x88B5); })},
    {cmd::kSetPortComboForcedMode, W({1, 10, 2, 100}), 0, call([] { return DEV_SWDRV_SetPortComboForcedMode(1, 10, 2, 100); })},
    {cmd::kConfigTopologyInfo, kTopology, 0, call([] { return DEV_SWDRV_ConfigTopologyInfo(kTopology.data()); })},
    {cmd::kPhyDevicePort2LogicalTest, W({1, 3}), 8, get2([](auto a, auto b) { return DEV_SWDRV_PhyDevicePort2Logical(1, 3, a, b); }), {}, true},
    {cmd::kGetMyUnitId, {}, 4, get1([](auto a) { return DEV_SWDRV_GetMyUnitId(a); }), topology},
    {cmd::kGetFabricDevice, {}, 4, get1([](auto a) { return DEV_SWDRV_GetFabricDevice(a); }), {}, true},
    {cmd::kGetDstUnitInfo, W({1, 4}), 8, get2([](auto a, auto b) { return DEV_SWDRV_GetDstUnitInfo(1, 4, a, b); }), topology, true},
    {cmd::kEnableUMCASTIpTrap, W({1}), 0, call([] { return DEV_SWDRV_EnableUMCASTIpTrap(true); })},
    {cmd::kEnableUMCASTIpTrapAlt, W({0}), 0, call([] { return DEV_SWDRV_EnableUMCASTIpTrap(false); }), [] { DEV_SWDRV_EnableUMCASTIpTrap(true); }},
    {cmd::kEnableUMCASTMacTrap, {}, 0, call([] { return DEV_SWDRV_EnableUMCASTMacTrap(); })},
    {cmd::kDisableUMCASTMacTrap, {}, 0, call([] { return DEV_SWDRV_DisableUMCASTMacTrap(); }), [] { DEV_SWDRV_EnableUMCASTMacTrap(); }},
    {cmd::kGetFabricportByUnitPosition, W({3}), 4, get1([](auto a) { return DEV_SWDRV_GetFabricportByUnitPosition(3, a); }), topology, true},
    {cmd::kGetFabricPortToDstUnit, W({4}), 4, get1([](auto a) { return DEV_SWDRV_GetFabricPortToDstUnit(4, a); }), topology, true},
    {cmd::kGetMasterModuleID, {}, 4, get1([](auto a) { return DEV_SWDRV_GetMasterModuleID(a); }), topology},
    {cmd::kGetModuleInfoByUnit, W({3, 1}), 4, get1([](auto a) { return DEV_SWDRV_GetModuleInfoByUnit(3, 1, a); }), topology},
    {cmd::kGetFabricDeviceAlt, {}, 4, get1([](auto a) { return DEV_SWDRV_GetFabricDevice(a); }), {}, true},
    {cmd::kGetNextDevice, W({0}), 4, [](Out& o) { uint32_t d = 0; bool ok = DEV_SWDRV_GetNextDevice(&d); o.word(0, ok ? d : 0); return ok; }, [] { DEV_SWDRV_SetDevicePortMapping(); }, true},
    {cmd::kEnableMLDTrap2CPU, {}, 0, call([] { return DEV_SWDRV_EnableMLDTrap2CPU(); })},
    {cmd::kDisableMLDTrap2CPU, {}, 0, call([] { return DEV_SWDRV_DisableMLDTrap2CPU(); }), [] { DEV_SWDRV_EnableMLDTrap2CPU(); }},
    {cmd::kTrapMLDToCPU, W({1, 0}), 0, call([] { return DEV_SWDRV_TrapMLDToCPU(true, false); })},
    {cmd::kInit, {}, 0, call([] { DEV_SWDRV_Init(); return false; })},
    {cmd::kSetPortPowerSave, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetPortPowerSave(1, P, false); }), [] { DEV_SWDRV_SetPortPowerSave(1, P, true); }},
    {cmd::kEnableInternalLoopback, W({1, P}), 0, call([] { return DEV_SWDRV_EnableInternalLoopback(1, P); })},
    {cmd::kDisableInternalLoopback, W({1, P}), 0, call([] { return DEV_SWDRV_DisableInternalLoopback(1, P); }), [] { DEV_SWDRV_EnableInternalLoopback(1, P); }},
    {cmd::kSavePortMapping, {}, 0, call([] { return DEV_SWDRV_SavePortMapping(); }), [] { DEV_SWDRV_OM().port_map[0][4][0] = 9; }},
    {cmd::kCreateAllVlansForVlanTrunking, {}, 0, call([] { for (uint32_t v = 1; v <= 4094; ++v) if (!DEV_SWDRV_CreateVlanForVlanTrunking(v)) return false; return true; })},
    {cmd::kCreateVlanForVlanTrunking, W({400}), 0, call([] { return DEV_SWDRV_CreateVlanForVlanTrunking(400); })},
    {cmd::kSetPortVlanTunkingByVLAN, W({1, P, V2, 0}), 0, call([] { return DEV_SWDRV_SetPortVlanTunkingByVLAN(1, P, V2, false); }), [] { DEV_SWDRV_SetPortVlanTunkingByVLAN(1, P, V2, true); }},
    {cmd::kSetPortVlanTunkingByVlanList, W({1, P, 0}) + vlans({V, V2}), 0, call([] { return DEV_SWDRV_SetPortVlanTunkingByVlanList(1, P, false, vlans({V, V2}).data()); }), [] { DEV_SWDRV_SetPortVlanTunkingByVlanList(1, P, true, vlans({V, V2}).data()); }},
    {cmd::kSetCopyInnerPri2OuterPri, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetCopyInnerPri2OuterPri(1, P, false); }), [] { DEV_SWDRV_SetCopyInnerPri2OuterPri(1, P, true); }},
    {cmd::kSetEapolFramePassThrough, W({1}), 0, call([] { return DEV_SWDRV_SetEapolFramePassThrough(1); })},
    {cmd::kSetRspanVlanTag, W({1, P, V}), 0, call([] { return DEV_SWDRV_SetRspanVlanTag(1, P, V); })},
    {cmd::kModifyMaxFrameSize, W({1}), 0, call([] { return DEV_SWDRV_ModifyMaxFrameSize(true); })},
    {cmd::kGetPortMediaActive, W({1, 10}), 4, get1([](auto a) { return DEV_SWDRV_GetPortMediaActive(1, 10, a); }), [] { uint8_t d = 0, p = 0; chipsim::front_port(10, &d, &p); chipsim::Partner f; f.fibre = true; chipsim::set_partner(d, p, f); }},
    {cmd::kTrapUnknownIpMcastToCPU, W({1, 0}), 0, call([] { return DEV_SWDRV_TrapUnknownIpMcastToCPU(true, false); })},
    {cmd::kTrapUnknownIpv6McastToCPU, W({1, 0}), 0, call([] { return DEV_SWDRV_TrapUnknownIpv6McastToCPU(true, false); })},
    {cmd::kPhyLightPortLedNormal, W({1, P}), 0, call([] { return DEV_SWDRV_PhyLightPortLedNormal(1, P); })},
    {cmd::kTwsiInit, {}, 0, call([] { return DEV_SWDRV_TwsiInit(); })},
    {cmd::kTwsiRegisterWrite, W({0x20, 0x31, 0xA5}), 0, call([] { return DEV_SWDRV_TwsiRegisterWrite(0x20, 0x31, 0xA5); })},
    {cmd::kTwsiRegisterRead, W({0x20, 0x31}), 4, get1([](auto a) { return DEV_SWDRV_TwsiRegisterRead(0x20, 0x31, a); }), [] { chipsim::twsi_poke(0, 0x20, 0x31, 0x5C); }},
    {cmd::kTwsiDataWrite, twsi_data(3, {0xA1, 0xB2, 0xC3}), 0, call([] { return DEV_SWDRV_TwsiDataWrite(0x20, 0, 1, 0x31, 0, kTwsiBytes, 3); })},
    {cmd::kTwsiDataRead, twsi_data(3), 255, [](Out& o) { return DEV_SWDRV_TwsiDataRead(0x20, 0, 1, 0x31, 0, 3, o.data); }, [] { for (uint8_t i = 0; i < 4; ++i) chipsim::twsi_poke(0, 0x20, 0x31 + i, kTwsiBytes[i % 3]); }},
    {cmd::kSetOamPduToCpu, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetOamPduToCpu(1, P, false); }), [] { DEV_SWDRV_SetOamPduToCpu(1, P, true); }},
    {cmd::kSetOamLoopback, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetOamLoopback(1, P, false); }), [] { DEV_SWDRV_SetOamLoopback(1, P, true); }},
    {cmd::kGetMIIPhyRegByPage, W({0, p5, 22, 0xFF, 3, 16}), 2, [p5](Out& o) { uint16_t v = 0; bool ok = DEV_SWDRV_GetMIIPhyRegByPage(0, p5, 22, 0xFF, 3, 16, &v); be::put16(o.data, v); return ok; }, [] { phy_set(P, 3, 16, 0x4321); }},
    {cmd::kSetRaAndRrTrap2CPU, W({1}), 0, call([] { return DEV_SWDRV_SetRaAndRrTrap2CPU(1); })},
    {cmd::kDoPHYRegsTransactions, W({1, P, 1}) + phy_ops(), 0, call([] { return DEV_SWDRV_DoPHYRegsTransactions(1, P, &kPhyOp, 1); })},
    {cmd::kSetPortMacAddr, W({1, P}) + Bytes(kMac, kMac + 6), 0, call([] { return DEV_SWDRV_SetPortMacAddr(1, P, kMac); })},
    {cmd::kSetCpuRateLimit, W({500}), 0, call([] { return DEV_SWDRV_SetCpuRateLimit(500); })},
    {cmd::kGetPortAbility, W({1, 15}), 4, get1([](auto a) { return DEV_SWDRV_GetPortAbility(1, 15, a); })},
    {cmd::kGetAllPortAverageTemperature, {}, 4, [](Out& o) { int32_t t = 0; bool ok = DEV_SWDRV_GetAllPortAverageTemperature(&t); o.word(0, static_cast<uint32_t>(t)); return ok; }, [] { chipsim::set_temperature(0, -5); }},
    {cmd::kSetCpuPortRate, W({20000}), 0, call([] { return DEV_SWDRV_SetCpuPortRate(20000); })},
    {cmd::kSetVlanLearningStatus, W({V, 0}), 0, call([] { return DEV_SWDRV_SetVlanLearningStatus(V, false); })},
    {cmd::kSetPortEgressBlock, W({1, P, 0}), 0, call([] { return DEV_SWDRV_SetPortEgressBlock(1, P, false); }), [] { DEV_SWDRV_SetPortEgressBlock(1, P, true); }},
    // Mirroring: sources are unit << 16 | port.
    {cmd::kSetPortMirroring, W({unit_port(1, P), unit_port(1, 6), unit_port(1, 7)}), 0, call([] { return DEV_SWDRV_SetPortMirroring(unit_port(1, P), unit_port(1, 6), unit_port(1, 7)); })},
    {cmd::kDeletePortMirroring, W({unit_port(1, P)}), 0, call([] { return DEV_SWDRV_DeletePortMirroring(unit_port(1, P)); }), [] { DEV_SWDRV_SetPortMirroring(unit_port(1, P), unit_port(1, 6), unit_port(1, 7)); }},
    {cmd::kAddVlanMirror, W({1, 6, V}), 0, call([] { return DEV_SWDRV_AddVlanMirror(1, 6, V); })},
    {cmd::kDeleteVlanMirror, W({1, 6, V}), 0, call([] { return DEV_SWDRV_DeleteVlanMirror(1, 6, V); }), [] { DEV_SWDRV_AddVlanMirror(1, 6, V); }},
    {cmd::kSetDestPortForMacMirror, W({1, 7, 1}), 0, call([] { return DEV_SWDRV_SetDestPortForMacMirror(1, 7, 1); })},
    {cmd::kSetDestPortForMacMirrorByte, W({1, 7}) + Bytes{1}, 0, call([] { return DEV_SWDRV_SetDestPortForMacMirror(1, 7, 1); })},
    // Trunks.
    {cmd::kCreateTrunk, W({3}), 0, call([] { return DEV_SWDRV_CreateTrunk(3); })},
    {cmd::kSetTrunkLoadBalanceMode, W({5}), 0, call([] { return DEV_SWDRV_SetTrunkLoadBalanceMode(5); })},
    {cmd::kDestroyTrunk, W({3}), 0, call([] { return DEV_SWDRV_DestroyTrunk(3); }), [] { const DEV_SWDRV_TrunkMember_T m[] = {{1, 6}, {1, 7}}; DEV_SWDRV_SetTrunkPortMembers(3, 2, m); }},
    {cmd::kSetTrunkPortMembers, W({3, 2, 1 << 16 | 6, 1 << 16 | 8}), 0, call([] { const DEV_SWDRV_TrunkMember_T m[] = {{1, 6}, {1, 8}}; return DEV_SWDRV_SetTrunkPortMembers(3, 2, m); })},
    // Storm control: (unit, port, rate, rate mode) and (unit, port).
    {cmd::kSetBroadcastStormControlThreshold, W({1, P, 1001, 2}), 0, call([] { return DEV_SWDRV_SetBroadcastStormControlThreshold(1, P, 1001, 2); }), [] { DEV_SWDRV_EnableBroadcastStormControl(1, P); }},
    {cmd::kSetMulticastStormControlThreshold, W({1, P, 1002, 2}), 0, call([] { return DEV_SWDRV_SetMulticastStormControlThreshold(1, P, 1002, 2); }), [] { DEV_SWDRV_EnableMulticastStormControl(1, P); }},
    {cmd::kSetUnknownUnicastStormControlThreshold, W({1, P, 1003, 2}), 0, call([] { return DEV_SWDRV_SetUnknownUnicastStormControlThreshold(1, P, 1003, 2); }), [] { DEV_SWDRV_EnableUnknownUnicastStormControl(1, P); }},
    {cmd::kEnableBroadcastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_EnableBroadcastStormControl(1, P); })},
    {cmd::kDisableBroadcastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_DisableBroadcastStormControl(1, P); }), [] { DEV_SWDRV_EnableBroadcastStormControl(1, P); }},
    {cmd::kEnableMulticastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_EnableMulticastStormControl(1, P); })},
    {cmd::kDisableMulticastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_DisableMulticastStormControl(1, P); }), [] { DEV_SWDRV_EnableMulticastStormControl(1, P); }},
    {cmd::kEnableUnknownUnicastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_EnableUnknownUnicastStormControl(1, P); })},
    {cmd::kDisableUnknownUnicastStormControl, W({1, P}), 0, call([] { return DEV_SWDRV_DisableUnknownUnicastStormControl(1, P); }), [] { DEV_SWDRV_EnableUnknownUnicastStormControl(1, P); }},
    {cmd::kGetPortStormGranularity, W({1, 15, 2}), 4, get1([](auto a) { return DEV_SWDRV_GetPortStormGranularity(1, 15, 2, a); })},
    // Port status.
    {cmd::kGetPortOperSpeedDuplex, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortOperSpeedDuplex(1, P, a); })},
    {cmd::kGetAllPortOperSpeedDuplex, W({1, 3, 9}), 192, all_ports(DEV_SWDRV_GetAllPortOperSpeedDuplex, 3, 9)},
    {cmd::kGetAllPortLinkStatus, W({1, 2, 11}), 192, all_ports(DEV_SWDRV_GetAllPortLinkStatus, 2, 11)},
    {cmd::kGetPortLinkStatus, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortLinkStatus(1, P, a); })},
    {cmd::kGetAllPortStatus, W({1, 4, 12}), 192, all_ports(DEV_SWDRV_GetAllPortStatus, 4, 12)},
    {cmd::kGetPortLinkStatusByDeviceId, W({0, p5}), 4, get1([p5](auto a) { return DEV_SWDRV_GetPortLinkStatusByDeviceId(0, p5, a); })},
    {cmd::kGetPortFlowCtrl, W({1, P}), 4, get1([](auto a) { return DEV_SWDRV_GetPortFlowCtrl(1, P, a); })},
    {cmd::kGetAllPortFlowCtrl, W({1, 5, 13}), 192, all_ports(DEV_SWDRV_GetAllPortFlowCtrl, 5, 13)},
    // Cable tests: the 10 Gb/s port answers at once, without a test thread.
    {cmd::kGetCableDiag, W({1, 15}), 28, cable(true, 15)},
    {cmd::kGetCableDiagResult, W({1, 15}), 24, cable(false, 15), [] { DEV_SWDRV_GetCableDiag(1, 15); }},
    };
    // clang-format on
    return all;
}

}  // namespace subcmd_cases
