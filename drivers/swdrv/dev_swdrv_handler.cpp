// The request handler of module 119: decodes the sub-command in payload word 0, calls the
// operation with the arguments behind it, and answers in the same buffer with the result in
// payload byte 0, the returned data from offset 4 and msg_size = 4 + the data's size.
//
// The numbers and every sub-command's layout (arguments, returned data and its size) are in
// dev_swdrv_subcmd.h; the table below takes its reply sizes from there and checks, when it is
// compiled, that each handler shape reads the words that layout declares. Missing request
// bytes read as zero; sub-commands without a row are answered FALSE with msg_size 4.
#include <algorithm>
#include <array>
#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"

namespace {

// The request's arguments (a zero-padded copy of the payload) and the response payload.
struct Req {
    const uint8_t* in;
    uint8_t* out;

    uint32_t w(uint32_t i) const { return be::get32(in + 4 * i); }
    bool flag(uint32_t i) const { return w(i) != 0; }
    void put(uint32_t i, uint32_t v) { be::put32(out + 4 * i, v); }
};

using Handler = bool (*)(Req&);

// A handler and, for the shapes below, how many leading argument words it reads and how many
// words it returns (-1: a layout of its own, not checked).
struct Entry {
    Handler fn = nullptr;
    int8_t args = -1;
    int8_t returns = -1;
    constexpr Entry(Handler f, int8_t a = -1, int8_t r = -1) : fn(f), args(a), returns(r) {}
};

// A slot of the dispatch table, by sub-command.
struct Row {
    Handler fn = nullptr;  // nullptr: not served
    uint16_t size = 0;     // returned data bytes
};

namespace cmd = swdrv::subcmd;

// The longest argument block read: a VLAN list behind four words.
constexpr uint32_t kArgBytes = 1024;

// ---- Handler shapes --------------------------------------------------------------------
bool fixed_true(Req&) {
    return true;
}
bool fixed_false(Req&) {
    return false;
}

template <bool (*Op)()>
bool none_fn(Req&) {
    return Op();
}
template <bool (*Op)(uint32_t)>
bool one_fn(Req& r) {
    return Op(r.w(1));
}
template <bool (*Op)(uint32_t, uint32_t)>
bool two_fn(Req& r) {
    return Op(r.w(1), r.w(2));
}
template <bool (*Op)(bool, bool)>
bool flags_fn(Req& r) {
    return Op(r.flag(1), r.flag(2));
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t)>
bool three_fn(Req& r) {
    return Op(r.w(1), r.w(2), r.w(3));
}
template <bool (*Op)(uint32_t, uint32_t, bool)>
bool port_flag_fn(Req& r) {
    return Op(r.w(1), r.w(2), r.flag(3));
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t, uint32_t)>
bool four_fn(Req& r) {
    return Op(r.w(1), r.w(2), r.w(3), r.w(4));
}
template <bool (*Op)(uint32_t, uint32_t, const uint8_t*)>
bool port_list(Req& r) {
    return Op(r.w(1), r.w(2), r.in + 12);
}
// Operations with 32-bit out-parameters: (in..., &out1[, &out2[, &out3]]).
template <bool (*Op)(uint32_t*)>
bool get1_fn(Req& r) {
    uint32_t a = 0;
    bool ok = Op(&a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t*)>
bool one_get1_fn(Req& r) {
    uint32_t a = 0;
    bool ok = Op(r.w(1), &a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*)>
bool two_get1_fn(Req& r) {
    uint32_t a = 0;
    bool ok = Op(r.w(1), r.w(2), &a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*)>
bool two_get2_fn(Req& r) {
    uint32_t a = 0, b = 0;
    bool ok = Op(r.w(1), r.w(2), &a, &b);
    r.put(1, a);
    r.put(2, b);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*, uint32_t*)>
bool two_get3_fn(Req& r) {
    uint32_t a = 0, b = 0, c = 0;
    bool ok = Op(r.w(1), r.w(2), &a, &b, &c);
    r.put(1, a);
    r.put(2, b);
    r.put(3, c);
    return ok;
}

// The shapes with the words they read and return.
template <bool (*Op)()>
constexpr Entry none{none_fn<Op>, 0, 0};
template <bool (*Op)(uint32_t)>
constexpr Entry one{one_fn<Op>, 1, 0};
template <bool (*Op)(uint32_t, uint32_t)>
constexpr Entry two{two_fn<Op>, 2, 0};
template <bool (*Op)(bool, bool)>
constexpr Entry flags{flags_fn<Op>, 2, 0};
template <bool (*Op)(uint32_t, uint32_t, uint32_t)>
constexpr Entry three{three_fn<Op>, 3, 0};
template <bool (*Op)(uint32_t, uint32_t, bool)>
constexpr Entry port_flag{port_flag_fn<Op>, 3, 0};
template <bool (*Op)(uint32_t, uint32_t, uint32_t, uint32_t)>
constexpr Entry four{four_fn<Op>, 4, 0};
template <bool (*Op)(uint32_t*)>
constexpr Entry get1{get1_fn<Op>, 0, 1};
template <bool (*Op)(uint32_t, uint32_t*)>
constexpr Entry one_get1{one_get1_fn<Op>, 1, 1};
template <bool (*Op)(uint32_t, uint32_t, uint32_t*)>
constexpr Entry two_get1{two_get1_fn<Op>, 2, 1};
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*)>
constexpr Entry two_get2{two_get2_fn<Op>, 2, 2};
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*, uint32_t*)>
constexpr Entry two_get3{two_get3_fn<Op>, 2, 3};

// Whether a shape reads and returns what the layout row declares: exactly `args` words from
// offset 4 on, and `returns` words of returned data.
constexpr bool fits(const Entry& e, const reqlayout::Row& row) {
    if (e.returns >= 0 && row.reply_size != 4 * e.returns) return false;
    if (e.args < 0) return true;
    if (row.args.count != e.args) return false;
    for (int i = 0; i < e.args; ++i) {
        const reqlayout::Field& f = row.args.at[i];
        if (f.offset != 4 + 4 * i || f.width != reqlayout::Width::kWord) return false;
    }
    return true;
}

// ---- Sub-commands with layouts of their own ------------------------------------------------
bool flow_ctrl_by_mode(Req& r) {
    switch (r.w(3)) {
        case 1:
            return DEV_SWDRV_EnablePortCfgFlowCtrl(r.w(1), r.w(2));
        case 2:
            return DEV_SWDRV_DisablePortCfgFlowCtrl(r.w(1), r.w(2));
    }
    return false;
}

bool tunnel_mode_get(Req& r) {
    uint32_t mode = 0;
    bool ok = DEV_SWDRV_GetPortDot1qTunnelModeofLocalPort(r.w(1), r.w(2), &mode);
    r.out[4] = static_cast<uint8_t>(mode);
    return ok;
}

bool topology(Req& r) {
    return DEV_SWDRV_ConfigTopologyInfo(r.in + 4);
}

bool next_device(Req& r) {
    uint32_t dev = r.w(1);
    bool ok = DEV_SWDRV_GetNextDevice(&dev);
    r.put(1, ok ? dev : 0);
    return ok;
}

bool answer_zero(Req& r) {
    r.put(1, 0);
    return false;
}

bool init_again(Req&) {
    DEV_SWDRV_Init();
    return false;
}

bool create_all_for_trunking(Req&) {
    for (uint32_t vid = DEV_SWDRV_MIN_VLAN; vid <= DEV_SWDRV_MAX_VLAN; ++vid)
        if (!DEV_SWDRV_CreateVlanForVlanTrunking(vid)) return false;
    return true;
}

bool trunking_by_vlan(Req& r) {
    return DEV_SWDRV_SetPortVlanTunkingByVLAN(r.w(1), r.w(2), r.w(3), r.flag(4));
}

bool trunking_by_list(Req& r) {
    return DEV_SWDRV_SetPortVlanTunkingByVlanList(r.w(1), r.w(2), r.flag(3), r.in + 16);
}

bool temperature(Req& r) {
    int32_t t = 0;
    bool ok = DEV_SWDRV_GetAllPortAverageTemperature(&t);
    r.put(1, static_cast<uint32_t>(t));
    return ok;
}

bool twsi_register_write(Req& r) {
    if (r.w(1) > 0xFF) return false;
    return DEV_SWDRV_TwsiRegisterWrite(static_cast<uint8_t>(r.w(1)), r.w(2), r.w(3));
}

bool twsi_register_read(Req& r) {
    uint32_t v = 0;
    bool ok =
        r.w(1) <= 0xFF && DEV_SWDRV_TwsiRegisterRead(static_cast<uint8_t>(r.w(1)), r.w(2), &v);
    r.put(1, v);
    return ok;
}

bool twsi_data_write(Req& r) {
    return DEV_SWDRV_TwsiDataWrite(r.in[7], r.in[8], r.in[9], r.w(3), r.in[16], r.in + 20,
                                   r.in[17]);
}

bool twsi_data_read(Req& r) {
    return DEV_SWDRV_TwsiDataRead(r.in[7], r.in[8], r.in[9], r.w(3), r.in[16], r.in[17], r.out + 4);
}

bool phy_reg_by_page(Req& r) {
    uint16_t v = 0;
    auto u16 = [&](uint32_t i) { return static_cast<uint16_t>(r.w(i)); };
    bool ok = DEV_SWDRV_GetMIIPhyRegByPage(r.w(1), r.w(2), u16(3), u16(4), u16(5), u16(6), &v);
    be::put16(r.out + 4, v);
    return ok;
}

bool phy_transactions(Req& r) {
    uint32_t count = r.w(3);
    if (count > cmd::kMaxPhyOps)
        return swdrv::bad_arg(__func__, __LINE__, "too many PHY operations");
    DEV_SWDRV_PhyRegOp_T ops[cmd::kMaxPhyOps];
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* op = r.in + 16 + 6 * i;
        ops[i] = {be::get16(op), be::get16(op + 2), be::get16(op + 4)};
    }
    return DEV_SWDRV_DoPHYRegsTransactions(r.w(1), r.w(2), ops, count);
}

bool port_mac(Req& r) {
    return DEV_SWDRV_SetPortMacAddr(r.w(1), r.w(2), r.in + 12);
}

bool port_power_save(Req& r) {
    return DEV_SWDRV_SetPortPowerSave(r.w(1), r.w(2), r.flag(3));
}

bool modify_max_frame(Req& r) {
    return DEV_SWDRV_ModifyMaxFrameSize(r.flag(1));
}

bool stack_port_admin(Req& r) {
    return DEV_SWDRV_EnableStackPortAdmin(r.flag(1));
}

bool umcast_ip_trap(Req& r) {
    return DEV_SWDRV_EnableUMCASTIpTrap(r.flag(1));
}

bool vlan_learning(Req& r) {
    return DEV_SWDRV_SetVlanLearningStatus(r.w(1), r.flag(2));
}

bool mac_mirror_byte(Req& r) {
    return DEV_SWDRV_SetDestPortForMacMirror(r.w(1), r.w(2), r.in[12]);
}

bool trunk_members(Req& r) {
    uint32_t count = r.w(2);
    if (count > cmd::kMaxTrunkMembers)
        return swdrv::bad_arg(__func__, __LINE__, "more than 8 trunk members");
    DEV_SWDRV_TrunkMember_T members[cmd::kMaxTrunkMembers];
    for (uint32_t i = 0; i < count; ++i)
        members[i] = {be::get16(r.in + 12 + 4 * i), be::get16(r.in + 14 + 4 * i)};
    return DEV_SWDRV_SetTrunkPortMembers(r.w(1), count, members);
}

bool storm_granularity(Req& r) {
    uint32_t g = 0;
    bool ok = DEV_SWDRV_GetPortStormGranularity(r.w(1), r.w(2), r.w(3), &g);
    r.put(1, g);
    return ok;
}

// The all-port reads: (unit, first, last) and the 192-byte block of three 16-word arrays.
template <bool (*Op)(uint32_t, uint32_t, uint32_t, DEV_SWDRV_AllPortStatus_T*)>
bool all_ports_fn(Req& r) {
    DEV_SWDRV_AllPortStatus_T block{};
    bool ok = Op(r.w(1), r.w(2), r.w(3), &block);
    for (uint32_t i = 0; i < 16; ++i) {
        r.put(1 + i, block.link[i]);
        r.put(17 + i, block.speed_duplex[i]);
        r.put(33 + i, block.flow_ctrl[i]);
    }
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t, DEV_SWDRV_AllPortStatus_T*)>
constexpr Entry all_ports{all_ports_fn<Op>, 3, 48};

// A cable test: the port's record as it is once the request is served, and whether it is
// complete (no test thread running).
bool cable_diag(Req& r) {
    bool ok = DEV_SWDRV_GetCableDiag(r.w(1), r.w(2));
    DEV_SWDRV_CableDiagResult_T rec;
    if (DEV_SWDRV_GetCableDiagResult(r.w(1), r.w(2), &rec)) {
        DEV_SWDRV_EncodeCableDiagResult(rec, r.out + 4);
        r.put(7, rec.in_progress ? 0 : 1);
    }
    return ok;
}

bool cable_diag_result(Req& r) {
    DEV_SWDRV_CableDiagResult_T rec;
    bool ok = DEV_SWDRV_GetCableDiagResult(r.w(1), r.w(2), &rec);
    if (ok) DEV_SWDRV_EncodeCableDiagResult(rec, r.out + 4);
    return ok;
}

bool save_mapping(Req&) {
    return DEV_SWDRV_SavePortMapping();
}

constexpr std::array<Row, 256> make_table() {
    std::array<Row, 256> t{};
    // Kept apart from the handler pointers: under the sanitizers, comparing a function's
    // address with nullptr is not a constant expression.
    std::array<bool, 256> served{};
    // Every served sub-command has a layout row, is set once, and reads what its row declares;
    // a mistake here fails the build.
    auto set = [&](uint32_t sub, Entry e) {
        int i = reqlayout::index_of(cmd::kRows, sub);
        if (i < 0) throw "a sub-command without a layout row";
        const reqlayout::Row& row = cmd::kRows[i];
        if (served[sub]) throw "a sub-command set twice";
        served[sub] = true;
        if (!fits(e, row)) throw "a handler shape that disagrees with its layout row";
        t[sub] = {e.fn, row.reply_size};
    };
    set(cmd::kResetOnDemand, none<DEV_SWDRV_ResetOnDemand>);
    set(cmd::kFixedFalse4, fixed_false);
    set(cmd::kLogical2PhyDevicePortID, two_get3<DEV_SWDRV_Logical2PhyDevicePortID>);
    set(cmd::kLogical2PhyDeviceID, two_get3<DEV_SWDRV_Logical2PhyDeviceID>);
    set(cmd::kPhyDevicePort2Logical, two_get2<DEV_SWDRV_PhyDevicePort2Logical>);
    set(cmd::kGetDeviceIdByUnitAndModuleId, two_get1<DEV_SWDRV_GetDeviceIdByUnitAndModuleId>);
    set(cmd::kGetModuleIdFromLocalDeviceId, two_get1<DEV_SWDRV_GetModuleIdFromLocalDeviceId>);
    set(cmd::kEnableStackPortAdmin, stack_port_admin);
    set(cmd::kFixedTrue11, fixed_true);
    set(cmd::kEnablePortAdmin, two<DEV_SWDRV_EnablePortAdmin>);
    set(cmd::kDisablePortAdmin, two<DEV_SWDRV_DisablePortAdmin>);
    set(cmd::kDisableAllPortAdmin, none<DEV_SWDRV_DisableAllPortAdmin>);
    set(cmd::kSetPortCfgSpeedDuplex, three<DEV_SWDRV_SetPortCfgSpeedDuplex>);
    set(cmd::kEnablePortAutoNeg, two<DEV_SWDRV_EnablePortAutoNeg>);
    set(cmd::kDisablePortAutoNeg, two<DEV_SWDRV_DisablePortAutoNeg>);
    set(cmd::kEnablePortCfgFlowCtrl, two<DEV_SWDRV_EnablePortCfgFlowCtrl>);
    set(cmd::kDisablePortCfgFlowCtrl, two<DEV_SWDRV_DisablePortCfgFlowCtrl>);
    set(cmd::kSetPortCfgFlowCtrlByMode, flow_ctrl_by_mode);
    set(cmd::kSetPortAutoNegCapability, three<DEV_SWDRV_SetPortAutoNegCapability>);
    set(cmd::kFixedTrue22, fixed_true);
    set(cmd::kGetPortType, two_get1<DEV_SWDRV_GetPortType>);
    set(cmd::kSetPortRestartAutoNego, two<DEV_SWDRV_SetPortRestartAutoNego>);
    set(cmd::kSetPortAutoNegoRemoteFaultAdvertisement,
        three<DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement>);
    set(cmd::kGetPortAutoNegoRemoteFaultAdvertisement,
        two_get1<DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement>);
    set(cmd::kGetPortLinkPartnerAutoNegoSignalingState,
        two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState>);
    set(cmd::kGetPortAutoNegoProcessState, two_get1<DEV_SWDRV_GetPortAutoNegoProcessState>);
    set(cmd::kGetPortLinkPartnerAutoNegoCapa, two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa>);
    set(cmd::kGetPortLinkPartnerAutoNegoRemoteFault,
        two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault>);
    set(cmd::kGetPortJabberState, two_get1<DEV_SWDRV_GetPortJabberState>);
    set(cmd::kGetPortFalseCarrierSenseCounter, two_get1<DEV_SWDRV_GetPortFalseCarrierSenseCounter>);
    set(cmd::kSetSTAMode, one<DEV_SWDRV_SetSTAMode>);
    set(cmd::kFixedFalse34, fixed_false);
    set(cmd::kSetPortSTAStateWithMstidx, four<DEV_SWDRV_SetPortSTAStateWithMstidx>);
    set(cmd::kAddVlanToSTAWithMstidx, two<DEV_SWDRV_AddVlanToSTAWithMstidx>);
    set(cmd::kDeleteVlanFromSTAWithMstidx, one<DEV_SWDRV_DeleteVlanFromSTAWithMstidx>);
    set(cmd::kSetPortPVID, three<DEV_SWDRV_SetPortPVID>);
    set(cmd::kCreateVlan, one<DEV_SWDRV_CreateVlan>);
    set(cmd::kDestroyVlan, one<DEV_SWDRV_DestroyVlan>);
    set(cmd::kFixedFalse41, fixed_false);
    set(cmd::kDeletePortUntaggedVlanSet, three<DEV_SWDRV_DeletePortUntaggedVlanSet>);
    set(cmd::kAddPortUntaggedVlanSet, three<DEV_SWDRV_AddPortUntaggedVlanSet>);
    set(cmd::kDeletePortVlanSet, three<DEV_SWDRV_DeletePortVlanSet>);
    set(cmd::kAddPortVlanSet, three<DEV_SWDRV_AddPortVlanSet>);
    set(cmd::kSetPortToVlanMemberSet, port_list<DEV_SWDRV_SetPortToVlanMemberSet>);
    set(cmd::kSetPortToVlanUntaggedSet, port_list<DEV_SWDRV_SetPortToVlanUntaggedSet>);
    set(cmd::kSetSystemMTU, one<DEV_SWDRV_SetSystemMTU>);
    set(cmd::kSetPortMTU, three<DEV_SWDRV_SetPortMTU>);
    set(cmd::kGetPortMaxFrameSize, two_get2<DEV_SWDRV_GetPortMaxFrameSize>);
    set(cmd::kSetPortDot1qTunnelMTU, one<DEV_SWDRV_SetPortDot1qTunnelMTU>);
    set(cmd::kSetPortDot1qTunnelMode, three<DEV_SWDRV_SetPortDot1qTunnelMode>);
    set(cmd::kGetPortDot1qTunnelModeofLocalPort, tunnel_mode_get);
    set(cmd::kSetPortDot1qTunnelTPID, three<DEV_SWDRV_SetPortDot1qTunnelTPID>);
    set(cmd::kGetPortDot1qTunnelTPIDofLocalPort,
        two_get1<DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort>);
    set(cmd::kEnableIngressFilter, two<DEV_SWDRV_EnableIngressFilter>);
    set(cmd::kDisableIngressFilter, two<DEV_SWDRV_DisableIngressFilter>);
    set(cmd::kAdmitOnlyVlanTaggedFrames, two<DEV_SWDRV_AdmitOnlyVlanTaggedFrames>);
    set(cmd::kAdmitOnlyVlanUntaggedFrames, two<DEV_SWDRV_AdmitOnlyVlanUntaggedFrames>);
    set(cmd::kAdmitAllFrames, two<DEV_SWDRV_AdmitAllFrames>);
    set(cmd::kFixedFalse61, fixed_false);
    set(cmd::kFixedFalse62, fixed_false);
    set(cmd::kAddCpuToVlan, one<DEV_SWDRV_AddCpuToVlan>);
    set(cmd::kDeleteCpuFromVlan, one<DEV_SWDRV_DeleteCpuFromVlan>);
    set(cmd::kSetPortMirroring, three<DEV_SWDRV_SetPortMirroring>);
    set(cmd::kDeletePortMirroring, one<DEV_SWDRV_DeletePortMirroring>);
    set(cmd::kFixedTrue67, fixed_true);
    set(cmd::kFixedTrue68, fixed_true);
    set(cmd::kAddVlanMirror, three<DEV_SWDRV_AddVlanMirror>);
    set(cmd::kDeleteVlanMirror, three<DEV_SWDRV_DeleteVlanMirror>);
    set(cmd::kSetDestPortForMacMirror, three<DEV_SWDRV_SetDestPortForMacMirror>);
    set(cmd::kSetDestPortForMacMirrorByte, mac_mirror_byte);
    set(cmd::kCreateTrunk, one<DEV_SWDRV_CreateTrunk>);
    set(cmd::kFixedFalse74, fixed_false);
    set(cmd::kSetTrunkLoadBalanceMode, one<DEV_SWDRV_SetTrunkLoadBalanceMode>);
    set(cmd::kDestroyTrunk, one<DEV_SWDRV_DestroyTrunk>);
    set(cmd::kSetTrunkPortMembers, trunk_members);
    set(cmd::kFixedFalse78, fixed_false);
    set(cmd::kFixedFalse79, fixed_false);
    set(cmd::kFixedFalse80, fixed_false);
    set(cmd::kFixedFalse81, fixed_false);
    set(cmd::kEnableIgmpTrap, none<DEV_SWDRV_EnableIgmpTrap>);
    set(cmd::kDisableIgmpTrap, none<DEV_SWDRV_DisableIgmpTrap>);
    set(cmd::kTrapIGMPToCPU, flags<DEV_SWDRV_TrapIGMPToCPU>);
    set(cmd::kSetBroadcastStormControlThreshold, four<DEV_SWDRV_SetBroadcastStormControlThreshold>);
    set(cmd::kSetMulticastStormControlThreshold, four<DEV_SWDRV_SetMulticastStormControlThreshold>);
    set(cmd::kSetUnknownUnicastStormControlThreshold,
        four<DEV_SWDRV_SetUnknownUnicastStormControlThreshold>);
    set(cmd::kEnableBroadcastStormControl, two<DEV_SWDRV_EnableBroadcastStormControl>);
    set(cmd::kDisableBroadcastStormControl, two<DEV_SWDRV_DisableBroadcastStormControl>);
    set(cmd::kEnableMulticastStormControl, two<DEV_SWDRV_EnableMulticastStormControl>);
    set(cmd::kDisableMulticastStormControl, two<DEV_SWDRV_DisableMulticastStormControl>);
    set(cmd::kEnableUnknownUnicastStormControl, two<DEV_SWDRV_EnableUnknownUnicastStormControl>);
    set(cmd::kDisableUnknownUnicastStormControl, two<DEV_SWDRV_DisableUnknownUnicastStormControl>);
    set(cmd::kGetPortStormGranularity, storm_granularity);
    set(cmd::kSetPortUserDefaultPriority, three<DEV_SWDRV_SetPortUserDefaultPriority>);
    set(cmd::kFixedTrue96, fixed_true);
    set(cmd::kFixedTrue97, fixed_true);
    set(cmd::kFixedFalse98, fixed_false);
    set(cmd::kFixedFalse99, fixed_false);
    set(cmd::kFixedTrue100, fixed_true);
    set(cmd::kEnableJumboFrame, none<DEV_SWDRV_EnableJumboFrame>);
    set(cmd::kDisableJumboFrame, none<DEV_SWDRV_DisableJumboFrame>);
    // Port status.
    set(cmd::kGetPortOperSpeedDuplex, two_get1<DEV_SWDRV_GetPortOperSpeedDuplex>);
    set(cmd::kGetAllPortOperSpeedDuplex, all_ports<DEV_SWDRV_GetAllPortOperSpeedDuplex>);
    set(cmd::kGetAllPortLinkStatus, all_ports<DEV_SWDRV_GetAllPortLinkStatus>);
    set(cmd::kGetPortLinkStatus, two_get1<DEV_SWDRV_GetPortLinkStatus>);
    set(cmd::kGetAllPortStatus, all_ports<DEV_SWDRV_GetAllPortStatus>);
    set(cmd::kGetPortLinkStatusByDeviceId, two_get1<DEV_SWDRV_GetPortLinkStatusByDeviceId>);
    set(cmd::kGetPortFlowCtrl, two_get1<DEV_SWDRV_GetPortFlowCtrl>);
    set(cmd::kGetAllPortFlowCtrl, all_ports<DEV_SWDRV_GetAllPortFlowCtrl>);
    set(cmd::kNoCallFalse111, fixed_false);
    set(cmd::kEnableIPMC, none<DEV_SWDRV_EnableIPMC>);
    set(cmd::kDisableIPMC, none<DEV_SWDRV_DisableIPMC>);
    set(cmd::kFixedFalse114, fixed_false);
    set(cmd::kFixedFalse115, fixed_false);
    set(cmd::kFixedFalse116, fixed_false);
    set(cmd::kFixedFalse117, fixed_false);
    set(cmd::kFixedTrue118, fixed_true);
    set(cmd::kFixedTrue119, fixed_true);
    set(cmd::kSetPortLearningStatus, port_flag<DEV_SWDRV_SetPortLearningStatus>);
    set(cmd::kAddDot1vProtocolPortEntry, four<DEV_SWDRV_AddDot1vProtocolPortEntry>);
    set(cmd::kDelDot1vProtocolPortEntry, three<DEV_SWDRV_DelDot1vProtocolPortEntry>);
    set(cmd::kSetDot1vProtocolGroupEntry, three<DEV_SWDRV_SetDot1vProtocolGroupEntry>);
    set(cmd::kSetPortComboForcedMode, four<DEV_SWDRV_SetPortComboForcedMode>);
    set(cmd::kNoCallFalse127, fixed_false);
    set(cmd::kFixedFalse128, fixed_false);
    set(cmd::kConfigTopologyInfo, topology);
    set(cmd::kPhyDevicePort2LogicalTest, two_get2<DEV_SWDRV_PhyDevicePort2Logical>);
    set(cmd::kGetMyUnitId, get1<DEV_SWDRV_GetMyUnitId>);
    set(cmd::kGetFabricDevice, get1<DEV_SWDRV_GetFabricDevice>);
    set(cmd::kGetDstUnitInfo, two_get2<DEV_SWDRV_GetDstUnitInfo>);
    set(cmd::kNoCallFalse134, fixed_false);
    set(cmd::kFixedFalse135, fixed_false);
    set(cmd::kFixedFalse136, fixed_false);
    set(cmd::kEnableUMCASTIpTrap, umcast_ip_trap);
    set(cmd::kEnableUMCASTIpTrapAlt, umcast_ip_trap);
    set(cmd::kEnableUMCASTMacTrap, none<DEV_SWDRV_EnableUMCASTMacTrap>);
    set(cmd::kDisableUMCASTMacTrap, none<DEV_SWDRV_DisableUMCASTMacTrap>);
    set(cmd::kFixedFalse141, fixed_false);
    set(cmd::kGetFabricportByUnitPosition, one_get1<DEV_SWDRV_GetFabricportByUnitPosition>);
    set(cmd::kGetFabricPortToDstUnit, one_get1<DEV_SWDRV_GetFabricPortToDstUnit>);
    set(cmd::kGetMasterModuleID, get1<DEV_SWDRV_GetMasterModuleID>);
    set(cmd::kGetModuleInfoByUnit, two_get1<DEV_SWDRV_GetModuleInfoByUnit>);
    set(cmd::kGetFabricDeviceAlt, get1<DEV_SWDRV_GetFabricDevice>);
    set(cmd::kNoCallFalse149, fixed_false);
    set(cmd::kGetNextDevice, next_device);
    set(cmd::kFixedFalse151, fixed_false);
    set(cmd::kFixedFalse152, fixed_false);
    set(cmd::kEnableMLDTrap2CPU, none<DEV_SWDRV_EnableMLDTrap2CPU>);
    set(cmd::kDisableMLDTrap2CPU, none<DEV_SWDRV_DisableMLDTrap2CPU>);
    set(cmd::kTrapMLDToCPU, flags<DEV_SWDRV_TrapMLDToCPU>);
    set(cmd::kFixedFalse157, fixed_false);
    set(cmd::kFixedFalse158, fixed_false);
    set(cmd::kFixedFalseZero159, answer_zero);
    set(cmd::kNoCallFalse160, fixed_false);
    set(cmd::kFixedFalse162, fixed_false);
    set(cmd::kFixedFalse163, fixed_false);
    set(cmd::kFixedFalse164, fixed_false);
    set(cmd::kFixedFalse165, fixed_false);
    set(cmd::kFixedFalse167, fixed_false);
    set(cmd::kInit, init_again);
    set(cmd::kNoCallTrue170, fixed_true);
    set(cmd::kSetPortPowerSave, port_power_save);
    set(cmd::kGetCableDiag, cable_diag);
    set(cmd::kGetCableDiagResult, cable_diag_result);
    set(cmd::kEnableInternalLoopback, two<DEV_SWDRV_EnableInternalLoopback>);
    set(cmd::kDisableInternalLoopback, two<DEV_SWDRV_DisableInternalLoopback>);
    set(cmd::kFixedFalse176, fixed_false);
    set(cmd::kFixedTrue179, fixed_true);
    set(cmd::kSavePortMapping, save_mapping);
    set(cmd::kCreateAllVlansForVlanTrunking, create_all_for_trunking);
    set(cmd::kCreateVlanForVlanTrunking, one<DEV_SWDRV_CreateVlanForVlanTrunking>);
    set(cmd::kSetPortVlanTunkingByVLAN, trunking_by_vlan);
    set(cmd::kSetPortVlanTunkingByVlanList, trunking_by_list);
    set(cmd::kSetCopyInnerPri2OuterPri, port_flag<DEV_SWDRV_SetCopyInnerPri2OuterPri>);
    set(cmd::kSetEapolFramePassThrough, one<DEV_SWDRV_SetEapolFramePassThrough>);
    set(cmd::kSetRspanVlanTag, three<DEV_SWDRV_SetRspanVlanTag>);
    set(cmd::kFixedTrue192, fixed_true);
    set(cmd::kFixedTrue193, fixed_true);
    set(cmd::kModifyMaxFrameSize, modify_max_frame);
    set(cmd::kGetPortMediaActive, two_get1<DEV_SWDRV_GetPortMediaActive>);
    set(cmd::kTrapUnknownIpMcastToCPU, flags<DEV_SWDRV_TrapUnknownIpMcastToCPU>);
    set(cmd::kTrapUnknownIpv6McastToCPU, flags<DEV_SWDRV_TrapUnknownIpv6McastToCPU>);
    set(cmd::kPhyLightPortLedNormal, two<DEV_SWDRV_PhyLightPortLedNormal>);
    set(cmd::kTwsiInit, none<DEV_SWDRV_TwsiInit>);
    set(cmd::kTwsiRegisterWrite, twsi_register_write);
    set(cmd::kTwsiRegisterRead, twsi_register_read);
    set(cmd::kTwsiDataWrite, twsi_data_write);
    set(cmd::kTwsiDataRead, twsi_data_read);
    set(cmd::kSetOamPduToCpu, port_flag<DEV_SWDRV_SetOamPduToCpu>);
    set(cmd::kSetOamLoopback, port_flag<DEV_SWDRV_SetOamLoopback>);
    set(cmd::kGetMIIPhyRegByPage, phy_reg_by_page);
    set(cmd::kSetRaAndRrTrap2CPU, one<DEV_SWDRV_SetRaAndRrTrap2CPU>);
    set(cmd::kDoPHYRegsTransactions, phy_transactions);
    set(cmd::kSetPortMacAddr, port_mac);
    set(cmd::kSetCpuRateLimit, one<DEV_SWDRV_SetCpuRateLimit>);
    set(cmd::kGetPortAbility, two_get1<DEV_SWDRV_GetPortAbility>);
    set(cmd::kGetAllPortAverageTemperature, temperature);
    set(cmd::kSetCpuPortRate, one<DEV_SWDRV_SetCpuPortRate>);
    set(cmd::kSetVlanLearningStatus, vlan_learning);
    set(cmd::kSetPortEgressBlock, port_flag<DEV_SWDRV_SetPortEgressBlock>);
    for (const reqlayout::Row& row : cmd::kRows)
        if (!served[row.sub]) throw "a layout row without a handler";
    return t;
}

constexpr std::array<Row, 256> kTable = make_table();

}  // namespace

bool DEV_SWDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    uint8_t* payload = ipcmsg::payload(msgbuf);
    uint32_t sub = ipcmsg::word(msgbuf, 0);
    const Row& row = sub < kTable.size() ? kTable[sub] : Row{};
    if (!row.fn) {
        ipcmsg::answer(msgbuf, false);
        return true;
    }
    // The arguments are read from a copy: the returned data overwrites them in the buffer,
    // and bytes the request did not carry read as zero.
    uint8_t in[kArgBytes] = {};
    std::memcpy(in, payload, std::min<uint32_t>(ipcmsg::msg_size(msgbuf), kArgBytes));
    std::memset(payload + 4, 0, row.size);
    Req req{in, payload};
    bool ok = row.fn(req);
    ipcmsg::answer(msgbuf, ok, row.size);
    return true;
}
