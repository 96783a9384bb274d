// The request handler of module 119: decodes the sub-command in payload word 0, calls the
// operation with the arguments behind it, and answers in the same buffer with the result in
// payload byte 0, the returned data from offset 4 and msg_size = 4 + the data's size.
//
// Request layouts. Offsets are payload offsets; every argument is a 32-bit big-endian word
// unless marked "byte" (b) or "u16" (16-bit big-endian). "unit, port" is the word pair at 4 and
// 8 (1-based logical unit and port). A VLAN list is 512 bytes, VLAN v in bit 7 - v % 8 of byte
// v / 8. Flags are TRUE when non-zero. Returned data is written from offset 4 (its size in
// brackets; none: msg_size 4). Missing request bytes read as zero. Sub-commands not listed,
// and any above 238, are answered FALSE with msg_size 4.
//
//  sub  operation                                request  -> returned data
//    2  ResetOnDemand
//    4  fixed FALSE
//    5  Logical2PhyDevicePortID                  unit, port  -> [12] module, device, device port
//    6  Logical2PhyDeviceID                      unit, port  -> [12] module, device, PHY id
//    7  device port to (unit, port)              4 device, 8 device port  -> [8] unit, port
//    8  device by unit and module                4 unit, 8 module  -> [4] device
//    9  GetModuleIdFromLocalDeviceId             4 unit, 8 device  -> [4] module
//   10  EnableStackPortAdmin                     4 enable (0 disables)
//   11  fixed TRUE
//   12  EnablePortAdmin                          unit, port
//   13  DisablePortAdmin                         unit, port
//   14  DisableAllPortAdmin
//   15  SetPortCfgSpeedDuplex                    unit, port, 12 speed-duplex (2..9)
//   16  EnablePortAutoNeg                        unit, port
//   17  DisablePortAutoNeg                       unit, port
//   18  EnablePortCfgFlowCtrl                    unit, port
//   19  DisablePortCfgFlowCtrl                   unit, port
//   20  flow control by mode                     unit, port, 12 mode (1 on, 2 off)
//   21  SetPortAutoNegCapability                 unit, port, 12 capability bits
//   22  fixed TRUE
//   23  GetPortType                              unit, port  -> [4] type
//   24  SetPortRestartAutoNego                   unit, port
//   25  SetPortAutoNegoRemoteFaultAdvertisement  unit, port, 12 value (1..4)
//   26  GetPortAutoNegoRemoteFaultAdvertisement  unit, port  -> [4] value
//   27  GetPortLinkPartnerAutoNegoSignalingState unit, port  -> [4] state
//   28  GetPortAutoNegoProcessState              unit, port  -> [4] state
//   29  GetPortLinkPartnerAutoNegoCapa           unit, port  -> [4] abilities
//   30  GetPortLinkPartnerAutoNegoRemoteFault    unit, port  -> [4] value
//   31  GetPortJabberState                       unit, port  -> [4] state
//   32  GetPortFalseCarrierSenseCounter          unit, port  -> [4] count
//   33  SetSTAMode                               4 mode (2 multiple instances)
//   34  fixed FALSE
//   35  SetPortSTAStateWithMstidx                4 instance, 8 unit, 12 port, 16 state
//   36  AddVlanToSTAWithMstidx                   4 VLAN, 8 instance
//   37  DeleteVlanFromSTAWithMstidx              4 VLAN
//   38  SetPortPVID                              unit, port, 12 VLAN
//   39  CreateVlan                               4 VLAN
//   40  DestroyVlan                              4 VLAN
//   41  fixed FALSE
//   42  DeletePortUntaggedVlanSet                unit, port, 12 VLAN
//   43  AddPortUntaggedVlanSet                   unit, port, 12 VLAN
//   44  DeletePortVlanSet                        unit, port, 12 VLAN
//   45  AddPortVlanSet                           unit, port, 12 VLAN
//   46  SetPortToVlanMemberSet                   unit, port, 12 VLAN list (512 b)
//   47  SetPortToVlanUntaggedSet                 unit, port, 12 VLAN list (512 b)
//   48  SetSystemMTU                             4 MTU
//   49  SetPortMTU                               unit, port, 12 MTU
//   50  GetPortMaxFrameSize                      unit, port  -> [8] untagged, tagged
//   51  SetPortDot1qTunnelMTU                    4 mode (1 on, 2 off)
//   52  SetPortDot1qTunnelMode                   unit, port, 12 mode (0 none, 1 uplink, 2 access)
//   53  GetPortDot1qTunnelModeofLocalPort        unit, port  -> [1] mode (byte)
//   54  SetPortDot1qTunnelTPID                   unit, port, 12 TPID
//   55  GetPortDot1qTunnelTPIDofLocalPort        unit, port  -> [4] TPID
//   56  EnableIngressFilter                      unit, port
//   57  DisableIngressFilter                     unit, port
//   58  AdmitOnlyVlanTaggedFrames                unit, port
//   59  AdmitOnlyVlanUntaggedFrames              unit, port
//   60  AdmitAllFrames                           unit, port
// 61-62  fixed FALSE
//   63  AddCpuToVlan                             4 VLAN
//   64  DeleteCpuFromVlan                        4 VLAN
// 65-66, 69-72  mirroring: FALSE for now
// 67-68  fixed TRUE
// 73, 75-77  trunks: FALSE for now
// 74, 78-81  fixed FALSE
//   82  EnableIgmpTrap
//   83  DisableIgmpTrap
//   84  TrapIGMPToCPU                            4 to CPU, 8 trap
// 85-93  storm control: FALSE for now
//   94  GetPortStormGranularity: FALSE for now   -> [4]
//   95  SetPortUserDefaultPriority               unit, port, 12 priority (0..7)
// 96-97, 100  fixed TRUE
// 98-99  fixed FALSE
//  101  EnableJumboFrame
//  102  DisableJumboFrame
// 103, 106, 108, 109  port status: FALSE for now      -> [4]
// 104, 105, 107, 110  all-port status: FALSE for now  -> [192]
//  111  FALSE
//  112  EnableIPMC
//  113  DisableIPMC
// 114-117  fixed FALSE
// 118-119  fixed TRUE
//  120  SetPortLearningStatus                    unit, port, 12 enable
//  123  AddDot1vProtocolPortEntry                unit, port, 12 group, 16 VLAN
//  124  DelDot1vProtocolPortEntry                unit, port, 12 group
//  125  SetDot1vProtocolGroupEntry               4 group, 8 frame type, 12 protocol
//  126  SetPortComboForcedMode                   unit, port, 12 mode, 16 speed (Mb/s)
//  127  FALSE
//  128  fixed FALSE
//  129  ConfigTopologyInfo                       4..16 topology record (13 bytes)
//  130  device port to (unit, port)              4 device, 8 device port  -> [8] unit, port
//  131  my unit id                               -> [4] unit
//  132  fabric device                            -> [4] device
//  133  GetDstUnitInfo                           4 source unit, 8 destination unit
//                                              -> [8] fabric port, module
//  134  FALSE
// 135-136  fixed FALSE                                -> [4]
// 137-138  EnableUMCASTIpTrap                         4 enable
//  139  EnableUMCASTMacTrap
//  140  DisableUMCASTMacTrap
//  141  fixed FALSE
//  143  GetFabricportByUnitPosition              4 unit  -> [4] port
//  144  GetFabricPortToDstUnit                   4 unit  -> [4] port
//  145  GetMasterModuleID                        -> [4] module
//  146  GetModuleInfoByUnit                      4 unit, 8 which  -> [4] module
//  147  fabric device                            -> [4] device
//  149  FALSE
//  150  next device                              4 device (0xFFFFFFFF: the first)  -> [4] device
// 151-152  fixed FALSE
//  153  EnableMLDTrap2CPU
//  154  DisableMLDTrap2CPU
//  155  TrapMLDToCPU                             4 to CPU, 8 trap
// 157-158, 162, 164  fixed FALSE
//  159  FALSE                                    -> [4] 0
//  160  FALSE
// 163, 165  fixed FALSE                              -> [2]
//  167  fixed FALSE                              -> [4]
//  168  runs DEV_SWDRV_Init; FALSE
//  170  TRUE
//  171  SetPortPowerSave                         unit, port, 12 enable
//  172  GetCableDiag: FALSE for now              -> [28]
//  173  GetCableDiagResult: FALSE for now        -> [24]
//  174  EnableInternalLoopback                   unit, port
//  175  DisableInternalLoopback                  unit, port
//  176  fixed FALSE
//  179  fixed TRUE
//  180  save the port mapping
//  181  CreateVlanForVlanTrunking, VLANs 1..4094
//  182  CreateVlanForVlanTrunking                4 VLAN
//  183  SetPortVlanTunkingByVLAN                 unit, port, 12 VLAN, 16 enable
//  184  SetPortVlanTunkingByVlanList             unit, port, 12 enable, 16 VLAN list (512 b)
//  189  SetCopyInnerPri2OuterPri                 unit, port, 12 enable
//  190  SetEapolFramePassThrough                 4 mode (1 pass through)
//  191  SetRspanVlanTag                          unit, port, 12 VLAN (0: none)
// 192-193  fixed TRUE
//  194  ModifyMaxFrameSize                       4 add
//  195  GetPortMediaActive                       unit, port  -> [4] 1 copper, 2 fibre
//  196  TrapUnknownIpMcastToCPU                  4 to CPU, 8 flood
//  197  TrapUnknownIpv6McastToCPU                4 to CPU, 8 flood
//  198  PhyLightPortLedNormal                    unit, port
//  199  TwsiInit
//  200  TwsiRegisterWrite                        4 slave address, 8 register, 12 value
//  201  TwsiRegisterRead                         4 slave address, 8 register  -> [4] value
//  202  TwsiDataWrite                            7 slave (b), 8 type (b), 9 offset valid (b),
//                                              12 offset, 16 wide offset (b), 17 length (b),
//                                              20.. data
//  203  TwsiDataRead                             7 slave (b), 8 type (b), 9 offset valid (b),
//                                              12 offset, 16 wide offset (b), 17 length (b)
//                                              -> [255] data
//  210  SetOamPduToCpu                           unit, port, 12 enable
//  211  SetOamLoopback                           unit, port, 12 enable
//  219  GetMIIPhyRegByPage                       4 device, 8 device port, 12 page register,
//                                              16 page mask, 20 page value, 24 register
//                                              -> [2] value (u16)
//  220  SetRaAndRrTrap2CPU                       4 mode (1 trap)
//  227  DoPHYRegsTransactions                    unit, port, 12 count (<= 128), 16.. count x
//                                              {register, value, mask} (u16 each)
//  228  SetPortMacAddr                           unit, port, 12..17 MAC address (b)
//  233  SetCpuRateLimit                          4 packets per second (0: none)
//  234  GetPortAbility                           unit, port  -> [4] capability bits
//  235  GetAllPortAverageTemperature             -> [4] Celsius (signed)
//  236  SetCpuPortRate                           4 kbit/s (0: not shaped)
//  237  SetVlanLearningStatus                    4 VLAN, 8 enable
//  238  SetPortEgressBlock                       unit, port, 12 block
#include <algorithm>
#include <array>
#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"
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
struct Row {
    Handler fn = nullptr;  // nullptr: not served
    uint16_t size = 0;     // returned data bytes
};

// The longest argument block read: a VLAN list behind four words.
constexpr uint32_t kArgBytes = 1024;
constexpr uint32_t kMaxPhyOps = 128;

// ---- Handler shapes --------------------------------------------------------------------
bool fixed_true(Req&) {
    return true;
}
bool fixed_false(Req&) {
    return false;
}
// Operations of areas this driver does not serve yet.
bool not_built(Req&) {
    return false;
}

template <bool (*Op)()>
bool none(Req&) {
    return Op();
}
template <bool (*Op)(uint32_t)>
bool one(Req& r) {
    return Op(r.w(1));
}
template <bool (*Op)(bool)>
bool one_flag(Req& r) {
    return Op(r.flag(1));
}
template <bool (*Op)(uint32_t, uint32_t)>
bool two(Req& r) {
    return Op(r.w(1), r.w(2));
}
template <bool (*Op)(uint32_t, bool)>
bool two_flag(Req& r) {
    return Op(r.w(1), r.flag(2));
}
template <bool (*Op)(bool, bool)>
bool flags(Req& r) {
    return Op(r.flag(1), r.flag(2));
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t)>
bool three(Req& r) {
    return Op(r.w(1), r.w(2), r.w(3));
}
template <bool (*Op)(uint32_t, uint32_t, bool)>
bool port_flag(Req& r) {
    return Op(r.w(1), r.w(2), r.flag(3));
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t, uint32_t)>
bool four(Req& r) {
    return Op(r.w(1), r.w(2), r.w(3), r.w(4));
}
template <bool (*Op)(uint32_t, uint32_t, const uint8_t*)>
bool port_list(Req& r) {
    return Op(r.w(1), r.w(2), r.in + 12);
}
// Operations with 32-bit out-parameters: (in..., &out1[, &out2[, &out3]]).
template <bool (*Op)(uint32_t*)>
bool get1(Req& r) {
    uint32_t a = 0;
    bool ok = Op(&a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t*)>
bool one_get1(Req& r) {
    uint32_t a = 0;
    bool ok = Op(r.w(1), &a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*)>
bool two_get1(Req& r) {
    uint32_t a = 0;
    bool ok = Op(r.w(1), r.w(2), &a);
    r.put(1, a);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*)>
bool two_get2(Req& r) {
    uint32_t a = 0, b = 0;
    bool ok = Op(r.w(1), r.w(2), &a, &b);
    r.put(1, a);
    r.put(2, b);
    return ok;
}
template <bool (*Op)(uint32_t, uint32_t, uint32_t*, uint32_t*, uint32_t*)>
bool two_get3(Req& r) {
    uint32_t a = 0, b = 0, c = 0;
    bool ok = Op(r.w(1), r.w(2), &a, &b, &c);
    r.put(1, a);
    r.put(2, b);
    r.put(3, c);
    return ok;
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
    if (count > kMaxPhyOps) return swdrv::bad_arg(__func__, __LINE__, "too many PHY operations");
    DEV_SWDRV_PhyRegOp_T ops[kMaxPhyOps];
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

bool save_mapping(Req&) {
    return DEV_SWDRV_SavePortMapping();
}

constexpr std::array<Row, 256> make_table() {
    std::array<Row, 256> t{};
    auto set = [&](uint32_t sub, Handler fn, uint16_t size = 0) { t[sub] = {fn, size}; };
    auto range = [&](uint32_t from, uint32_t to, Handler fn, uint16_t size = 0) {
        for (uint32_t s = from; s <= to; ++s)
            t[s] = {fn, size};
    };
    set(2, none<DEV_SWDRV_ResetOnDemand>);
    set(4, fixed_false);
    set(5, two_get3<DEV_SWDRV_Logical2PhyDevicePortID>, 12);
    set(6, two_get3<DEV_SWDRV_Logical2PhyDeviceID>, 12);
    set(7, two_get2<DEV_SWDRV_PhyDevicePort2Logical>, 8);
    set(8, two_get1<DEV_SWDRV_GetDeviceIdByUnitAndModuleId>, 4);
    set(9, two_get1<DEV_SWDRV_GetModuleIdFromLocalDeviceId>, 4);
    set(10, stack_port_admin);
    set(11, fixed_true);
    set(12, two<DEV_SWDRV_EnablePortAdmin>);
    set(13, two<DEV_SWDRV_DisablePortAdmin>);
    set(14, none<DEV_SWDRV_DisableAllPortAdmin>);
    set(15, three<DEV_SWDRV_SetPortCfgSpeedDuplex>);
    set(16, two<DEV_SWDRV_EnablePortAutoNeg>);
    set(17, two<DEV_SWDRV_DisablePortAutoNeg>);
    set(18, two<DEV_SWDRV_EnablePortCfgFlowCtrl>);
    set(19, two<DEV_SWDRV_DisablePortCfgFlowCtrl>);
    set(20, flow_ctrl_by_mode);
    set(21, three<DEV_SWDRV_SetPortAutoNegCapability>);
    set(22, fixed_true);
    set(23, two_get1<DEV_SWDRV_GetPortType>, 4);
    set(24, two<DEV_SWDRV_SetPortRestartAutoNego>);
    set(25, three<DEV_SWDRV_SetPortAutoNegoRemoteFaultAdvertisement>);
    set(26, two_get1<DEV_SWDRV_GetPortAutoNegoRemoteFaultAdvertisement>, 4);
    set(27, two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoSignalingState>, 4);
    set(28, two_get1<DEV_SWDRV_GetPortAutoNegoProcessState>, 4);
    set(29, two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoCapa>, 4);
    set(30, two_get1<DEV_SWDRV_GetPortLinkPartnerAutoNegoRemoteFault>, 4);
    set(31, two_get1<DEV_SWDRV_GetPortJabberState>, 4);
    set(32, two_get1<DEV_SWDRV_GetPortFalseCarrierSenseCounter>, 4);
    set(33, one<DEV_SWDRV_SetSTAMode>);
    set(34, fixed_false);
    set(35, four<DEV_SWDRV_SetPortSTAStateWithMstidx>);
    set(36, two<DEV_SWDRV_AddVlanToSTAWithMstidx>);
    set(37, one<DEV_SWDRV_DeleteVlanFromSTAWithMstidx>);
    set(38, three<DEV_SWDRV_SetPortPVID>);
    set(39, one<DEV_SWDRV_CreateVlan>);
    set(40, one<DEV_SWDRV_DestroyVlan>);
    set(41, fixed_false);
    set(42, three<DEV_SWDRV_DeletePortUntaggedVlanSet>);
    set(43, three<DEV_SWDRV_AddPortUntaggedVlanSet>);
    set(44, three<DEV_SWDRV_DeletePortVlanSet>);
    set(45, three<DEV_SWDRV_AddPortVlanSet>);
    set(46, port_list<DEV_SWDRV_SetPortToVlanMemberSet>);
    set(47, port_list<DEV_SWDRV_SetPortToVlanUntaggedSet>);
    set(48, one<DEV_SWDRV_SetSystemMTU>);
    set(49, three<DEV_SWDRV_SetPortMTU>);
    set(50, two_get2<DEV_SWDRV_GetPortMaxFrameSize>, 8);
    set(51, one<DEV_SWDRV_SetPortDot1qTunnelMTU>);
    set(52, three<DEV_SWDRV_SetPortDot1qTunnelMode>);
    set(53, tunnel_mode_get, 1);
    set(54, three<DEV_SWDRV_SetPortDot1qTunnelTPID>);
    set(55, two_get1<DEV_SWDRV_GetPortDot1qTunnelTPIDofLocalPort>, 4);
    set(56, two<DEV_SWDRV_EnableIngressFilter>);
    set(57, two<DEV_SWDRV_DisableIngressFilter>);
    set(58, two<DEV_SWDRV_AdmitOnlyVlanTaggedFrames>);
    set(59, two<DEV_SWDRV_AdmitOnlyVlanUntaggedFrames>);
    set(60, two<DEV_SWDRV_AdmitAllFrames>);
    range(61, 62, fixed_false);
    set(63, one<DEV_SWDRV_AddCpuToVlan>);
    set(64, one<DEV_SWDRV_DeleteCpuFromVlan>);
    range(65, 66, not_built);  // port mirroring
    range(67, 68, fixed_true);
    range(69, 72, not_built);  // VLAN and MAC mirroring
    set(73, not_built);        // trunks
    set(74, fixed_false);
    range(75, 77, not_built);  // trunks
    range(78, 81, fixed_false);
    set(82, none<DEV_SWDRV_EnableIgmpTrap>);
    set(83, none<DEV_SWDRV_DisableIgmpTrap>);
    set(84, flags<DEV_SWDRV_TrapIGMPToCPU>);
    range(85, 93, not_built);  // storm control
    set(94, not_built, 4);
    set(95, three<DEV_SWDRV_SetPortUserDefaultPriority>);
    range(96, 97, fixed_true);
    range(98, 99, fixed_false);
    set(100, fixed_true);
    set(101, none<DEV_SWDRV_EnableJumboFrame>);
    set(102, none<DEV_SWDRV_DisableJumboFrame>);
    // Port status.
    set(103, not_built, 4);
    range(104, 105, not_built, 192);
    set(106, not_built, 4);
    set(107, not_built, 192);
    range(108, 109, not_built, 4);
    set(110, not_built, 192);
    set(111, fixed_false);
    set(112, none<DEV_SWDRV_EnableIPMC>);
    set(113, none<DEV_SWDRV_DisableIPMC>);
    range(114, 117, fixed_false);
    range(118, 119, fixed_true);
    set(120, port_flag<DEV_SWDRV_SetPortLearningStatus>);
    set(123, four<DEV_SWDRV_AddDot1vProtocolPortEntry>);
    set(124, three<DEV_SWDRV_DelDot1vProtocolPortEntry>);
    set(125, three<DEV_SWDRV_SetDot1vProtocolGroupEntry>);
    set(126, four<DEV_SWDRV_SetPortComboForcedMode>);
    range(127, 128, fixed_false);
    set(129, topology);
    set(130, two_get2<DEV_SWDRV_PhyDevicePort2Logical>, 8);
    set(131, get1<DEV_SWDRV_GetMyUnitId>, 4);
    set(132, get1<DEV_SWDRV_GetFabricDevice>, 4);
    set(133, two_get2<DEV_SWDRV_GetDstUnitInfo>, 8);
    set(134, fixed_false);
    range(135, 136, fixed_false, 4);
    range(137, 138, umcast_ip_trap);
    set(139, none<DEV_SWDRV_EnableUMCASTMacTrap>);
    set(140, none<DEV_SWDRV_DisableUMCASTMacTrap>);
    set(141, fixed_false);
    set(143, one_get1<DEV_SWDRV_GetFabricportByUnitPosition>, 4);
    set(144, one_get1<DEV_SWDRV_GetFabricPortToDstUnit>, 4);
    set(145, get1<DEV_SWDRV_GetMasterModuleID>, 4);
    set(146, two_get1<DEV_SWDRV_GetModuleInfoByUnit>, 4);
    set(147, get1<DEV_SWDRV_GetFabricDevice>, 4);
    set(149, fixed_false);
    set(150, next_device, 4);
    range(151, 152, fixed_false);
    set(153, none<DEV_SWDRV_EnableMLDTrap2CPU>);
    set(154, none<DEV_SWDRV_DisableMLDTrap2CPU>);
    set(155, flags<DEV_SWDRV_TrapMLDToCPU>);
    range(157, 158, fixed_false);
    set(159, answer_zero, 4);
    set(160, fixed_false);
    set(162, fixed_false);
    set(163, fixed_false, 2);
    set(164, fixed_false);
    set(165, fixed_false, 2);
    set(167, fixed_false, 4);
    set(168, init_again);
    set(170, fixed_true);
    set(171, port_power_save);
    set(172, not_built, 28);  // cable diagnostics
    set(173, not_built, 24);
    set(174, two<DEV_SWDRV_EnableInternalLoopback>);
    set(175, two<DEV_SWDRV_DisableInternalLoopback>);
    set(176, fixed_false);
    set(179, fixed_true);
    set(180, save_mapping);
    set(181, create_all_for_trunking);
    set(182, one<DEV_SWDRV_CreateVlanForVlanTrunking>);
    set(183, trunking_by_vlan);
    set(184, trunking_by_list);
    set(189, port_flag<DEV_SWDRV_SetCopyInnerPri2OuterPri>);
    set(190, one<DEV_SWDRV_SetEapolFramePassThrough>);
    set(191, three<DEV_SWDRV_SetRspanVlanTag>);
    range(192, 193, fixed_true);
    set(194, modify_max_frame);
    set(195, two_get1<DEV_SWDRV_GetPortMediaActive>, 4);
    set(196, flags<DEV_SWDRV_TrapUnknownIpMcastToCPU>);
    set(197, flags<DEV_SWDRV_TrapUnknownIpv6McastToCPU>);
    set(198, two<DEV_SWDRV_PhyLightPortLedNormal>);
    set(199, none<DEV_SWDRV_TwsiInit>);
    set(200, twsi_register_write);
    set(201, twsi_register_read, 4);
    set(202, twsi_data_write);
    set(203, twsi_data_read, 255);
    set(210, port_flag<DEV_SWDRV_SetOamPduToCpu>);
    set(211, port_flag<DEV_SWDRV_SetOamLoopback>);
    set(219, phy_reg_by_page, 2);
    set(220, one<DEV_SWDRV_SetRaAndRrTrap2CPU>);
    set(227, phy_transactions);
    set(228, port_mac);
    set(233, one<DEV_SWDRV_SetCpuRateLimit>);
    set(234, two_get1<DEV_SWDRV_GetPortAbility>, 4);
    set(235, temperature, 4);
    set(236, one<DEV_SWDRV_SetCpuPortRate>);
    set(237, vlan_learning);
    set(238, port_flag<DEV_SWDRV_SetPortEgressBlock>);
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
