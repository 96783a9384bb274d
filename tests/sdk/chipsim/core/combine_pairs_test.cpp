// How the stages' commands combine, pair by pair and in both orders, through frames on a chip
// the switch chip driver programmed: a hard drop beats everything, a trap beats a soft drop,
// and a soft drop turns a mirror to the CPU into a trap. The first command comes from an
// earlier stage than the second (VLAN and spanning-tree ingress, the control-packet stage,
// learning, the destination lookup) or earlier within the control-packet stage.
//
// The controlled-learning lock command and the IEEE reserved multicast commands are set with
// the SDK operations the address table driver and the chip defaults use for them.
#include <gtest/gtest.h>

#include <functional>

#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_fdb.h"
#include "sdk/sdk_trap.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"
#include "tests/support/frames.h"

namespace {

using namespace frames;
using chipsim::Drop;

constexpr uint16_t kFilteredVlan = 20;  // port 2 only: port 1 filters it on ingress

// A setting of the chip that gives frames on port 1 one command at one stage.
struct Setting {
    const char* name;
    std::function<void()> apply;
};

bool stp_state(uint32_t bridge_state) {
    return DEV_SWDRV_SetPortSTAStateWithMstidx(0, 1, 1, bridge_state);
}
void lock_cmd(uint32_t cmd) {
    uint8_t dev = 0, port = 0;
    ASSERT_TRUE(chipsim::front_port(1, &dev, &port));
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(dev, port, false, cmd), SDK_OK);
}
// The command of IEEE reserved multicast protocol 2 (slow protocols: the OAM PDU's address).
void slow_protocols_cmd(uint32_t cmd) {
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    for (uint32_t profile = 0; profile < SDK_IEEE_RSV_MC_PROFILES; ++profile)
        ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, profile, 2, cmd), SDK_OK);
}

// Soft drops.
const Setting kBlocking{"a blocking port", [] { ASSERT_TRUE(stp_state(2)); }};
const Setting kLearning{"a learning port", [] { ASSERT_TRUE(stp_state(4)); }};
const Setting kIngressFiltered{"an ingress-filtered port",
                               [] { ASSERT_TRUE(DEV_SWDRV_EnableIngressFilter(1, 1)); }};
const Setting kTaggedOnly{"a port admitting tagged frames only",
                          [] { ASSERT_TRUE(DEV_SWDRV_AdmitOnlyVlanTaggedFrames(1, 1)); }};
const Setting kLockSoftDrop{"lock command soft drop", [] { lock_cmd(SDK_LOCK_CMD_SOFT_DROP); }};
// Hard drops.
const Setting kStpDisabled{"a disabled port", [] { ASSERT_TRUE(stp_state(1)); }};
// The drop lock command drops as the new-address event's drop mode says (soft after the
// driver's start): hard here.
const Setting kLockDrop{"lock command drop, new addresses dropped hard", [] {
                            lock_cmd(SDK_LOCK_CMD_DROP);
                            ASSERT_EQ(sdkBrgSecurBreachEventDropModeSet(
                                          0, SDK_SECUR_BREACH_NEW_ADDRESS, SDK_SECUR_DROP_HARD),
                                      SDK_OK);
                        }};
const Setting kUnregDrop{"unregistered IPv4 multicast dropped",
                         [] { ASSERT_TRUE(DEV_SWDRV_TrapUnknownIpMcastToCPU(false, false)); }};
const Setting kSlowDrop{"slow protocols dropped", [] { slow_protocols_cmd(SDK_PACKET_CMD_DROP); }};
const Setting kMacControl{"MAC control frames (always dropped)", [] {}};
const Setting kOamNotTrapped{"OAM PDUs not trapped (dropped)",
                             [] { ASSERT_TRUE(DEV_SWDRV_SetOamPduToCpu(1, 1, false)); }};
// Mirrors to the CPU.
const Setting kIgmpMirror{"IGMP mirrored",
                          [] { ASSERT_TRUE(DEV_SWDRV_TrapIGMPToCPU(true, false)); }};
const Setting kUnregMirror{"unregistered IPv4 multicast mirrored",
                           [] { ASSERT_TRUE(DEV_SWDRV_TrapUnknownIpMcastToCPU(true, true)); }};
const Setting kLockMirror{"lock command mirror", [] { lock_cmd(SDK_LOCK_CMD_MIRROR_TO_CPU); }};
const Setting kSlowMirror{"slow protocols mirrored",
                          [] { slow_protocols_cmd(SDK_PACKET_CMD_MIRROR_TO_CPU); }};
// Traps.
const Setting kIgmpTrap{"IGMP trapped", [] { ASSERT_TRUE(DEV_SWDRV_TrapIGMPToCPU(true, true)); }};
const Setting kUnregTrap{"unregistered IPv4 multicast trapped",
                         [] { ASSERT_TRUE(DEV_SWDRV_TrapUnknownIpMcastToCPU(true, false)); }};
const Setting kLockTrap{"lock command trap", [] { lock_cmd(SDK_LOCK_CMD_TRAP_TO_CPU); }};
const Setting kSlowTrap{"slow protocols trapped",
                        [] { slow_protocols_cmd(SDK_PACKET_CMD_TRAP_TO_CPU); }};
const Setting kOamTrapped{"OAM PDUs trapped",
                          [] { ASSERT_TRUE(DEV_SWDRV_SetOamPduToCpu(1, 1, true)); }};

enum class Sent { kIgmp, kIgmpTaggedFiltered, kMacControl, kOamPdu };

Frame make(Sent s) {
    Frame f = igmp_report(mac(0x31));
    switch (s) {
        case Sent::kIgmp:
            break;
        case Sent::kIgmpTaggedFiltered:
            f.tagged = true;
            f.vid = kFilteredVlan;
            break;
        case Sent::kMacControl:  // a PAUSE frame
            f = untagged({0x01, 0x80, 0xC2, 0x00, 0x00, 0x01}, mac(0x31));
            f.type = 0x8808;
            f.payload = {0x00, 0x01, 0x00, 0x10};
            break;
        case Sent::kOamPdu:  // slow protocols subtype 3
            f = untagged({0x01, 0x80, 0xC2, 0x00, 0x00, 0x02}, mac(0x31));
            f.type = 0x8809;
            f.payload = {0x03, 0x00, 0x50, 0x01};
            break;
    }
    return f;
}

// Where the frame goes: to the CPU (with its code), out of port 2, or nowhere (and why).
struct Where {
    bool cpu;
    uint32_t code;
    bool out;
    Drop drop;
};
constexpr Where trapped(uint32_t code) {
    return {true, code, false, Drop::kNone};
}
constexpr Where mirrored(uint32_t code) {
    return {true, code, true, Drop::kNone};
}
constexpr Where dropped(Drop why) {
    return {false, 0, false, why};
}

struct Case {
    const Setting& first;
    const Setting& second;
    Sent frame;
    Where where;
};

class CombineTest : public SwdrvTest {
  protected:
    void program(const Case& c) {
        bring_up(board::default_board());
        for (uint32_t p : {1u, 2u})
            ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
        for (uint16_t vid : {uint16_t{1}, kFilteredVlan})
            ASSERT_TRUE(DEV_SWDRV_CreateVlan(vid));
        for (uint32_t p : {1u, 2u})
            ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, p, 1));
        ASSERT_TRUE(DEV_SWDRV_AddPortVlanSet(1, 2, kFilteredVlan));
        c.first.apply();
        c.second.apply();
    }
};

TEST_F(CombineTest, EveryPairOfCommandsInEitherOrderSendsTheFrameWhereTheRuleSays) {
    using chipsim::kCpuCodeIeeeReserved, chipsim::kCpuCodeIgmp, chipsim::kCpuCodeNewAddress,
        chipsim::kCpuCodeOam, chipsim::kCpuCodeUnregMc;
    const Case cases[] = {
        // Soft drop first.
        {kBlocking, kIgmpMirror, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kLearning, kIgmpMirror, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kIngressFiltered, kIgmpMirror, Sent::kIgmpTaggedFiltered, trapped(kCpuCodeIgmp)},
        {kTaggedOnly, kIgmpMirror, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kLearning, kLockMirror, Sent::kIgmp, trapped(kCpuCodeNewAddress)},
        {kBlocking, kIgmpTrap, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kLearning, kLockTrap, Sent::kIgmp, trapped(kCpuCodeNewAddress)},
        {kTaggedOnly, kBlocking, Sent::kIgmp, dropped(Drop::kFrameType)},
        {kLearning, kLockSoftDrop, Sent::kIgmp, dropped(Drop::kStpState)},
        {kBlocking, kMacControl, Sent::kMacControl, dropped(Drop::kControl)},
        {kLearning, kLockDrop, Sent::kIgmp, dropped(Drop::kLearnLock)},
        // Mirror first.
        {kIgmpMirror, kUnregMirror, Sent::kIgmp, mirrored(kCpuCodeIgmp)},
        {kIgmpMirror, kLockMirror, Sent::kIgmp, mirrored(kCpuCodeIgmp)},
        {kIgmpMirror, kUnregTrap, Sent::kIgmp, trapped(kCpuCodeUnregMc)},
        {kSlowMirror, kOamTrapped, Sent::kOamPdu, trapped(kCpuCodeOam)},
        {kIgmpMirror, kLockSoftDrop, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kIgmpMirror, kUnregDrop, Sent::kIgmp, dropped(Drop::kControl)},
        {kIgmpMirror, kLockDrop, Sent::kIgmp, dropped(Drop::kLearnLock)},
        {kSlowMirror, kOamNotTrapped, Sent::kOamPdu, dropped(Drop::kControl)},
        // Trap first: the first trap's code stays.
        {kIgmpTrap, kLockMirror, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kIgmpTrap, kLockTrap, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kSlowTrap, kOamTrapped, Sent::kOamPdu, trapped(kCpuCodeIeeeReserved)},
        {kIgmpTrap, kLockSoftDrop, Sent::kIgmp, trapped(kCpuCodeIgmp)},
        {kIgmpTrap, kLockDrop, Sent::kIgmp, dropped(Drop::kLearnLock)},
        {kSlowTrap, kOamNotTrapped, Sent::kOamPdu, dropped(Drop::kControl)},
        // Hard drop first: nothing after it brings the frame back.
        {kSlowDrop, kOamTrapped, Sent::kOamPdu, dropped(Drop::kControl)},
        {kStpDisabled, kIgmpMirror, Sent::kIgmp, dropped(Drop::kStpState)},
        {kStpDisabled, kIgmpTrap, Sent::kIgmp, dropped(Drop::kStpState)},
        {kStpDisabled, kLockSoftDrop, Sent::kIgmp, dropped(Drop::kStpState)},
        {kSlowDrop, kOamNotTrapped, Sent::kOamPdu, dropped(Drop::kControl)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first.name) + ", then " + c.second.name);
        program(c);
        if (HasFatalFailure()) return;
        chipsim::Injected r = chipsim::inject(at(1).first, dp(1), make(c.frame).bytes());
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.to_cpu, c.where.cpu);
        if (c.where.cpu) {
            EXPECT_EQ(r.cpu_code, c.where.code);
        }
        bool out = r.sent.size() == 1 && r.sent[0].port == dp(2);
        EXPECT_EQ(out, c.where.out) << r.sent.size() << " copies sent";
        EXPECT_EQ(r.drop, c.where.drop) << static_cast<int>(r.drop);
    }
}

}  // namespace
