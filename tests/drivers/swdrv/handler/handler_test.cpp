// The module-119 request handler in the process: argument layouts, returned data and
// msg_size, short requests, unknown sub-commands and refused input.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/swdrv/vlan_fixture.h"

namespace {

namespace cmd = swdrv::subcmd;

struct Answer {
    uint8_t result = 0xFF;
    uint16_t size = 0;
    std::vector<uint8_t> data;  // the returned data (msg_size - 4 bytes)
    // Word i of the data; a reply too short to hold it fails the test and reads as 0.
    uint32_t word(size_t i) const {
        EXPECT_GE(data.size(), 4 * (i + 1)) << "the reply holds no word " << i;
        return data.size() >= 4 * (i + 1) ? be::get32(data.data() + 4 * i) : 0;
    }
};

class HandlerTest : public VlanTest {
  protected:
    // A request in the handler's buffer: the sub-command and argument words, then `extra`
    // bytes; msg_size is the payload length. Bytes after it are what a previous request
    // left in the buffer.
    Answer call(uint32_t sub, const std::vector<uint32_t>& args,
                const std::vector<uint8_t>& extra = {}) {
        uint8_t* p = ipcmsg::payload(buf_.data());
        be::put32(p, sub);
        for (size_t i = 0; i < args.size(); ++i)
            be::put32(p + 4 + 4 * i, args[i]);
        if (!extra.empty()) std::memcpy(p + 4 + 4 * args.size(), extra.data(), extra.size());
        ipcmsg::set_cmd(buf_.data(), cmd::kModule);
        ipcmsg::set_msg_size(buf_.data(),
                             static_cast<uint16_t>(4 + 4 * args.size() + extra.size()));
        EXPECT_TRUE(DEV_SWDRV_HandleIPCReqMsg(buf_.data()));
        Answer a;
        a.result = p[0];
        a.size = ipcmsg::msg_size(buf_.data());
        a.data.assign(p + 4, p + a.size);
        return a;
    }
    // Leaves the bytes of a previous request behind in the buffer.
    void dirty() { std::memset(ipcmsg::payload(buf_.data()), 0x5A, 2048); }

    std::vector<uint8_t> buf_ = std::vector<uint8_t>(ipcmsg::kHeaderSize + 8216, 0);
};

TEST_F(HandlerTest, UnservedSubCommandsAreAnsweredFalseWithSizeFour) {
    for (uint32_t sub : {0u, 1u, 3u, 121u, 142u, 239u, 255u, 256u, 0x01000045u}) {
        Answer a = call(sub, {1, 1, 10});
        EXPECT_EQ(a.result, 0) << sub;
        EXPECT_EQ(a.size, 4) << sub;
    }
    EXPECT_FALSE(DEV_SWDRV_HandleIPCReqMsg(nullptr));
}

TEST_F(HandlerTest, FixedAnswersAndDeclaredSizesOfFalseAnswers) {
    const struct {
        uint32_t sub;
        uint8_t result;
        uint16_t size;
    } cases[] = {{cmd::kNoCallTrue170, 1, 4}, {cmd::kNoCallFalse111, 0, 4},
                 {cmd::kFixedTrue11, 1, 4},   {cmd::kFixedFalse34, 0, 4},
                 {cmd::kFixedFalse135, 0, 8}, {cmd::kFixedFalse163, 0, 6},
                 {cmd::kFixedFalse167, 0, 8}, {cmd::kFixedFalseZero159, 0, 8}};
    for (const auto& c : cases) {
        Answer a = call(c.sub, {1, 1, 1, 1});
        EXPECT_EQ(a.result, c.result) << c.sub;
        EXPECT_EQ(a.size, c.size) << c.sub;
        // No request argument is echoed back as data.
        for (uint8_t b : a.data)
            EXPECT_EQ(b, 0) << c.sub;
    }
}

TEST_F(HandlerTest, AFailedReadKeepsItsDeclaredSize) {
    Answer a = call(cmd::kGetPortType, {1, 17});  // port type of a port that does not exist
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.size, 8);
    a = call(cmd::kGetPortType, {1, 15});
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.word(0), SDK_PORT_TYPE_XG);
}

TEST_F(HandlerTest, MappingReadsReturnTheirWords) {
    Answer a = call(cmd::kLogical2PhyDevicePortID, {1, 16});
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 16);
    EXPECT_EQ(a.word(0), 0u);   // module
    EXPECT_EQ(a.word(1), 0u);   // device
    EXPECT_EQ(a.word(2), 25u);  // device port
    a = call(cmd::kPhyDevicePort2Logical, {0, 24});
    ASSERT_EQ(a.size, 12);
    EXPECT_EQ(a.word(0), 1u);
    EXPECT_EQ(a.word(1), 15u);
    a = call(cmd::kGetNextDevice, {0xFFFFFFFF});
    EXPECT_EQ(a.size, 8);
}

TEST_F(HandlerTest, TopologyRecordTravelsAsBytes) {
    const std::vector<uint8_t> record = {1, 1, 7, 9, 0, 0, 1, 0, 0, 8, 0, 0, 0};
    Answer a = call(cmd::kConfigTopologyInfo, {}, record);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(std::memcmp(DEV_SWDRV_OM().stacking_info, record.data(), 13), 0);
    a = call(cmd::kGetMyUnitId, {});
    EXPECT_EQ(a.word(0), 1u);
    a = call(cmd::kGetModuleInfoByUnit, {1, 1});
    EXPECT_EQ(a.word(0), 8u);  // the unit's second module id, byte 9
}

TEST_F(HandlerTest, TunnelModeReadIsOneByte) {
    ASSERT_EQ(call(cmd::kSetPortDot1qTunnelMode, {1, 3, DEV_SWDRV_TUNNEL_MODE_ACCESS}).result, 1);
    Answer a = call(cmd::kGetPortDot1qTunnelModeofLocalPort, {1, 3});
    EXPECT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 5);
    EXPECT_EQ(a.data[0], DEV_SWDRV_TUNNEL_MODE_ACCESS);
    a = call(cmd::kGetPortMaxFrameSize, {1, 3});
    ASSERT_EQ(a.size, 12);
    EXPECT_EQ(a.word(1), 1522u);  // tagged maximum: the port's MRU
}

TEST_F(HandlerTest, TwsiDataWriteAndReadUseTheirByteLayouts) {
    std::vector<uint8_t> w(20 - 4 + 3, 0);  // from payload offset 4
    w[7 - 4] = 0x20;                        // slave address at offset 7
    w[8 - 4] = 0;                           // type
    w[9 - 4] = 1;                           // offset valid
    be::put32(&w[12 - 4], 0x10);            // offset
    w[16 - 4] = 0;                          // not wide
    w[17 - 4] = 3;                          // length
    w[16] = 0xA1;                           // data from offset 20
    w[17] = 0xB2;
    w[18] = 0xC3;
    ASSERT_EQ(call(cmd::kTwsiDataWrite, {}, w).result, 1);
    EXPECT_EQ(twsi(0, 0x20, 0x11), 0xB2);

    std::vector<uint8_t> r(w.begin(), w.begin() + 14);
    Answer a = call(cmd::kTwsiDataRead, {}, r);
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 259);
    EXPECT_EQ(a.data[0], 0xA1);
    EXPECT_EQ(a.data[1], 0xB2);
    EXPECT_EQ(a.data[2], 0xC3);
    EXPECT_EQ(a.data[3], 0);  // only the length asked is read
    r[3] = 0x55;              // nobody answers there
    EXPECT_EQ(call(cmd::kTwsiDataRead, {}, r).result, 0);
}

TEST_F(HandlerTest, PhyRegisterSubCommands) {
    // 227: {register, value, mask} records of 16-bit words; register 4 of port 1's PHY.
    std::vector<uint8_t> ops(6);
    be::put16(&ops[0], 4);
    be::put16(&ops[2], 0x0C00);
    be::put16(&ops[4], 0x0C00);
    ASSERT_EQ(call(cmd::kDoPHYRegsTransactions, {1, 1, 1}, ops).result, 1);
    EXPECT_EQ(phy(1, 0, 4) & 0x0C00, 0x0C00);
    EXPECT_EQ(call(cmd::kDoPHYRegsTransactions, {1, 1, 129}).result,
              0);  // more records than a request carries

    Answer a = call(cmd::kGetMIIPhyRegByPage, {0, dp(1), 22, 0xFF, 0, 4});
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(a.size, 6);
    EXPECT_EQ(be::get16(a.data.data()) & 0x0C00, 0x0C00);
}

TEST_F(HandlerTest, PortMacAddressIsSixBytesAfterThePort) {
    const std::vector<uint8_t> mac = {0x00, 0x12, 0xCF, 0xAA, 0xBB, 0xCC};
    ASSERT_EQ(call(cmd::kSetPortMacAddr, {1, 2}, mac).result, 1);
    std::array<uint8_t, 6> expect = {0x00, 0x12, 0xCF, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(chipsim::misc(0).ports[dp(2)].mac_sa, expect);
    EXPECT_EQ(call(cmd::kSetPortMacAddr, {1, 2}, {0x01, 0, 0, 0, 0, 1}).result, 0);  // multicast
    EXPECT_EQ(chipsim::misc(0).ports[dp(2)].mac_sa, expect);
}

TEST_F(HandlerTest, TemperatureIsASignedWord) {
    chipsim::set_temperature(0, -5);
    Answer a = call(cmd::kGetAllPortAverageTemperature, {});
    ASSERT_EQ(a.result, 1);
    EXPECT_EQ(a.word(0), 0xFFFFFFFBu);
}

TEST_F(HandlerTest, AShortRequestReadsZerosNotTheLeftoversOfTheLastOne) {
    ASSERT_EQ(call(cmd::kCreateVlan, {10}).result, 1);
    ASSERT_EQ(call(cmd::kSetPortPVID, {1, 4, 10}).result, 1);
    dirty();
    // unit and port only: the PVID reads 0, which is refused, not 0x5A5A5A5A.
    console::Capture cap;
    EXPECT_EQ(call(cmd::kSetPortPVID, {1, 4}).result, 0);
    EXPECT_EQ(vport(4).pvid, 10);
    EXPECT_TRUE(cap.contains("VLAN id out of range"));
    dirty();
    EXPECT_EQ(call(cmd::kAddPortVlanSet, {1, 4}).result, 0);
    EXPECT_FALSE(member(10, 4));
    // A VLAN list cut short: the missing VLANs are not listed.
    ASSERT_EQ(call(cmd::kAddPortVlanSet, {1, 4, 10}).result, 1);
    dirty();
    ASSERT_EQ(call(cmd::kSetPortToVlanMemberSet, {1, 4}, std::vector<uint8_t>(1, 0)).result, 1);
    EXPECT_FALSE(member(10, 4));
}

TEST_F(HandlerTest, RefusedUnitsPortsAndVlansChangeNoChipState) {
    bring_up(two_device_board());
    ASSERT_EQ(call(cmd::kCreateVlan, {10}).result, 1);
    ASSERT_EQ(call(cmd::kAddPortVlanSet, {1, 1, 10}).result, 1);
    ASSERT_EQ(call(cmd::kAddPortVlanSet, {1, 9, 10}).result, 1);
    auto snapshot = [] {
        return std::make_tuple(chipsim::vlans(0), chipsim::vlans(1), chipsim::stp(0),
                               chipsim::stp(1), chipsim::misc(0), chipsim::misc(1));
    };
    const auto before = snapshot();
    const uint32_t port_subs[] = {cmd::kEnablePortAdmin,
                                  cmd::kDisablePortAdmin,
                                  cmd::kSetPortPVID,
                                  cmd::kDeletePortUntaggedVlanSet,
                                  cmd::kAddPortUntaggedVlanSet,
                                  cmd::kDeletePortVlanSet,
                                  cmd::kAddPortVlanSet,
                                  cmd::kSetPortDot1qTunnelMode,
                                  cmd::kSetPortDot1qTunnelTPID,
                                  cmd::kEnableIngressFilter,
                                  cmd::kDisableIngressFilter,
                                  cmd::kAdmitOnlyVlanTaggedFrames,
                                  cmd::kAdmitOnlyVlanUntaggedFrames,
                                  cmd::kAdmitAllFrames,
                                  cmd::kSetPortUserDefaultPriority,
                                  cmd::kSetPortLearningStatus,
                                  cmd::kAddDot1vProtocolPortEntry,
                                  cmd::kEnableInternalLoopback,
                                  cmd::kSetCopyInnerPri2OuterPri,
                                  cmd::kSetRspanVlanTag,
                                  cmd::kSetOamPduToCpu,
                                  cmd::kSetOamLoopback,
                                  cmd::kSetPortEgressBlock};
    for (auto [unit, port] : {std::pair{0u, 1u}, {3u, 1u}, {1u, 0u}, {1u, 17u}}) {
        for (uint32_t sub : port_subs)
            EXPECT_EQ(call(sub, {unit, port, 10, 1}).result, 0)
                << sub << " " << unit << "/" << port;
        EXPECT_EQ(call(cmd::kSetPortSTAStateWithMstidx, {0, unit, port, 5}).result, 0);
        EXPECT_EQ(call(cmd::kSetPortToVlanMemberSet, {unit, port}, vlan_list({10})).result, 0);
    }
    for (uint32_t vid : {0u, 4095u}) {
        for (uint32_t sub : {cmd::kDestroyVlan, cmd::kAddCpuToVlan, cmd::kDeleteCpuFromVlan,
                             cmd::kDeleteVlanFromSTAWithMstidx, cmd::kCreateVlanForVlanTrunking,
                             cmd::kSetVlanLearningStatus})
            EXPECT_EQ(call(sub, {vid, 1}).result, 0) << sub << " " << vid;
        // Creation answers TRUE and writes nothing.
        EXPECT_EQ(call(cmd::kCreateVlan, {vid}).result, 1) << vid;
        for (uint32_t sub :
             {cmd::kSetPortPVID, cmd::kDeletePortUntaggedVlanSet, cmd::kAddPortUntaggedVlanSet,
              cmd::kDeletePortVlanSet, cmd::kAddPortVlanSet, cmd::kSetPortVlanTunkingByVLAN})
            EXPECT_EQ(call(sub, {1, 1, vid, 1}).result, 0) << sub << " " << vid;
        EXPECT_EQ(call(cmd::kAddVlanToSTAWithMstidx, {vid, 1}).result, 0);
        EXPECT_EQ(call(cmd::kAddDot1vProtocolPortEntry, {1, 1, 0, vid}).result, 0);
    }
    EXPECT_TRUE(snapshot() == before);
}

TEST_F(HandlerTest, FlowControlByModeAndTheOtherSpecialRows) {
    EXPECT_EQ(call(cmd::kSetPortCfgFlowCtrlByMode, {1, 1, 1}).result, 1);
    EXPECT_TRUE(state(1).flow_control);
    EXPECT_EQ(call(cmd::kSetPortCfgFlowCtrlByMode, {1, 1, 2}).result, 1);
    EXPECT_FALSE(state(1).flow_control);
    EXPECT_EQ(call(cmd::kSetPortCfgFlowCtrlByMode, {1, 1, 3}).result, 0);
    console::Capture cap;
    EXPECT_EQ(call(cmd::kInit, {}).result, 0);  // the driver is initialised already
    EXPECT_TRUE(cap.contains(") Had been initialized.\n"));
    EXPECT_EQ(call(cmd::kEnableUMCASTIpTrap, {1}).result, 1);
    EXPECT_EQ(chipsim::traps(0).unreg_mc_cmd[SDK_UNREG_MC_IPV4], SDK_PACKET_CMD_TRAP_TO_CPU);
    EXPECT_EQ(call(cmd::kEnableUMCASTIpTrapAlt, {0}).result, 1);
    EXPECT_EQ(chipsim::traps(0).unreg_mc_cmd[SDK_UNREG_MC_IPV4], SDK_PACKET_CMD_FORWARD);
}

TEST_F(HandlerTest, CreatingEveryVlanForTrunkingKeepsTheExistingOnes) {
    ASSERT_EQ(call(cmd::kCreateVlan, {100}).result, 1);
    ASSERT_EQ(call(cmd::kAddPortUntaggedVlanSet, {1, 1, 100}).result, 1);
    ASSERT_EQ(call(cmd::kCreateAllVlansForVlanTrunking, {}).result, 1);
    chipsim::Vlans v = chipsim::vlans(0);
    for (uint32_t vid = 1; vid <= 4094; ++vid)
        ASSERT_TRUE(v.table[vid].valid) << vid;
    EXPECT_FALSE(v.table[0].valid);
    EXPECT_FALSE(v.table[4095].valid);
    EXPECT_TRUE(member(100, 1));
    // A VLAN that cannot be read stops the walk; nothing is created over it.
    ASSERT_TRUE(DEV_SWDRV_DestroyVlan(200));
    ASSERT_TRUE(DEV_SWDRV_DestroyVlan(300));
    chipsim::fail("sdkBrgVlanEntryRead", SDK_FAIL, 1, 199);
    EXPECT_EQ(call(cmd::kCreateAllVlansForVlanTrunking, {}).result, 0);
    EXPECT_FALSE(entry(200).valid);
    EXPECT_FALSE(entry(300).valid);
    EXPECT_EQ(call(cmd::kCreateAllVlansForVlanTrunking, {}).result, 1);
    EXPECT_TRUE(entry(300).valid);
}

}  // namespace
