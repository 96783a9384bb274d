// Trunks, storm control and mirroring in the switch chip driver, checked on the chip model's
// state: what each operation writes, what it refuses, and that a refusal writes nothing.
#include <cstring>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

namespace cmd = swdrv::subcmd;

bool same_trunks(const chipsim::Trunks& a, const chipsim::Trunks& b) {
    if (a.hash_mode != b.hash_mode || a.ip_hash != b.ip_hash || a.ipv6_mode != b.ipv6_mode ||
        a.mask != b.mask || a.active != b.active)
        return false;
    for (size_t i = 0; i < a.table.size(); ++i) {
        const chipsim::Trunk &x = a.table[i], &y = b.table[i];
        if (x.n_enabled != y.n_enabled || x.n_disabled != y.n_disabled) return false;
        for (uint32_t m = 0; m < x.n_enabled; ++m)
            if (x.enabled[m].port != y.enabled[m].port ||
                x.enabled[m].device != y.enabled[m].device)
                return false;
    }
    return true;
}

// A module-119 request straight into the handler: the result byte and msg_size.
std::pair<uint8_t, uint16_t> request(uint32_t sub, const std::vector<uint8_t>& args) {
    std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 8216, 0);
    uint8_t* p = ipcmsg::payload(buf.data());
    be::put32(p, sub);
    std::memcpy(p + 4, args.data(), args.size());
    ipcmsg::set_cmd(buf.data(), cmd::kModule);
    ipcmsg::set_msg_size(buf.data(), static_cast<uint16_t>(4 + args.size()));
    EXPECT_TRUE(DEV_SWDRV_HandleIPCReqMsg(buf.data()));
    return {p[0], ipcmsg::msg_size(buf.data())};
}
std::vector<uint8_t> words(std::initializer_list<uint32_t> w) {
    std::vector<uint8_t> out;
    for (uint32_t v : w) {
        out.resize(out.size() + 4);
        be::put32(out.data() + out.size() - 4, v);
    }
    return out;
}

// ---- Trunks (the two-device board: device 1 remaps trunk ids) -----------------------------
class TrunkTest : public SwdrvTest {
  protected:
    void SetUp() override { bring_up(two_device_board()); }
    static chipsim::Trunk trunk(uint8_t dev, uint16_t chip_id) {
        return chipsim::trunks(dev).table[chip_id];
    }
    static bool members(uint32_t id, std::vector<DEV_SWDRV_TrunkMember_T> m) {
        return DEV_SWDRV_SetTrunkPortMembers(id, static_cast<uint32_t>(m.size()), m.data());
    }
};

TEST_F(TrunkTest, MembersGoToEveryDeviceUnderItsTrunkIdAndReplaceTheList) {
    EXPECT_TRUE(DEV_SWDRV_CreateTrunk(3));
    ASSERT_TRUE(members(3, {{1, 1}, {1, 2}, {1, 9}}));
    for (auto [dev, id] : {std::pair<uint8_t, uint16_t>{0, 3}, {1, 70}}) {
        chipsim::Trunk t = trunk(dev, id);
        ASSERT_EQ(t.n_enabled, 3) << int(dev);
        EXPECT_EQ(t.n_disabled, 0);
        EXPECT_EQ(t.enabled[0].port, dp(1));
        EXPECT_EQ(t.enabled[0].device, chipsim::hw_dev_num(at(1).first));
        EXPECT_EQ(t.enabled[2].port, dp(9));
        EXPECT_EQ(t.enabled[2].device, chipsim::hw_dev_num(at(9).first));
    }
    ASSERT_TRUE(members(3, {{1, 4}}));
    EXPECT_EQ(trunk(1, 70).n_enabled, 1);
    EXPECT_TRUE(members(3, {}));  // an empty list empties the trunk
    EXPECT_EQ(trunk(0, 3).n_enabled, 0);
    EXPECT_EQ(trunk(1, 70).n_enabled, 0);
    ASSERT_TRUE(members(3, {{1, 4}}));
    EXPECT_TRUE(DEV_SWDRV_DestroyTrunk(3));
    EXPECT_EQ(trunk(0, 3).n_enabled + trunk(1, 70).n_enabled, 0);
}

TEST_F(TrunkTest, RefusalsWriteNothing) {
    ASSERT_TRUE(members(3, {{1, 1}, {1, 2}}));
    const chipsim::Trunks before0 = chipsim::trunks(0), before1 = chipsim::trunks(1);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_CreateTrunk(3));  // it has members
    EXPECT_FALSE(members(3, {{1, 5}, {1, 99}}));
    EXPECT_NE(cap.text().find("DEV_SWDRV_SetTrunkPortMembers(): Line = "), std::string::npos);
    EXPECT_NE(cap.text().find("DEV_SWDRV_Logical2PhyDevicePortID failed"), std::string::npos);
    std::vector<DEV_SWDRV_TrunkMember_T> nine(9, DEV_SWDRV_TrunkMember_T{1, 3});
    EXPECT_FALSE(members(3, nine));
    EXPECT_FALSE(members(0x10003, {{1, 5}}));
    for (uint32_t mode : {0u, 7u, 0xFFFFFFFFu})
        EXPECT_FALSE(DEV_SWDRV_SetTrunkLoadBalanceMode(mode)) << mode;
    EXPECT_TRUE(same_trunks(chipsim::trunks(0), before0));
    EXPECT_TRUE(same_trunks(chipsim::trunks(1), before1));

    // Through the handler: nine members, a truncated list (its members read as port 0).
    std::vector<uint8_t> nine_req = words({3, 9});
    for (int i = 0; i < 9; ++i)
        nine_req.insert(nine_req.end(), {0, 1, 0, 3});
    EXPECT_EQ(request(cmd::kSetTrunkPortMembers, nine_req),
              std::make_pair(uint8_t{0}, uint16_t{4}));
    EXPECT_EQ(request(cmd::kSetTrunkPortMembers, words({3, 2, 0x00010005})).first, 0);
    EXPECT_EQ(request(cmd::kSetTrunkLoadBalanceMode, words({7})).first, 0);
    EXPECT_TRUE(same_trunks(chipsim::trunks(0), before0));
    EXPECT_TRUE(same_trunks(chipsim::trunks(1), before1));
    std::vector<uint8_t> two = words({3, 2});
    two.insert(two.end(), {0, 1, 0, 5, 0, 1, 0, 6});
    EXPECT_EQ(request(cmd::kSetTrunkPortMembers, two).first, 1);
    EXPECT_EQ(trunk(1, 70).n_enabled, 2);
}

TEST_F(TrunkTest, LoadBalanceModesSetTheirMasksAndLeaveIpMasksForMacModes) {
    struct Case {
        uint32_t mode;
        uint8_t da, sa;
    } mac_cases[] = {{1, 0, 0x3F}, {2, 0x3F, 0}, {3, 0x3F, 0x3F}};
    for (const Case& c : mac_cases) {
        ASSERT_TRUE(DEV_SWDRV_SetTrunkLoadBalanceMode(c.mode));
        for (uint8_t dev : {0, 1}) {
            chipsim::Trunks t = chipsim::trunks(dev);
            EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_MAC_DA], c.da) << c.mode;
            EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_MAC_SA], c.sa) << c.mode;
            EXPECT_FALSE(t.ip_hash);
        }
    }
    ASSERT_TRUE(DEV_SWDRV_SetTrunkLoadBalanceMode(4));
    chipsim::Trunks t = chipsim::trunks(1);
    EXPECT_TRUE(t.ip_hash);
    EXPECT_EQ(t.ipv6_mode, 3u);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_MAC_DA], 0);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV4_DIP], 0);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV4_SIP], 0x3F);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV6_DIP], 0);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV6_SIP], 0x3F);
    ASSERT_TRUE(DEV_SWDRV_SetTrunkLoadBalanceMode(5));
    t = chipsim::trunks(0);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV4_SIP], 0);
    EXPECT_EQ(t.mask[SDK_TRUNK_HASH_FIELD_IPV6_DIP], 0x3F);
    // Mode 3 after mode 6: IP hashing off, the IP masks of mode 6 kept.
    ASSERT_TRUE(DEV_SWDRV_SetTrunkLoadBalanceMode(6));
    ASSERT_TRUE(DEV_SWDRV_SetTrunkLoadBalanceMode(3));
    for (uint8_t dev : {0, 1}) {
        t = chipsim::trunks(dev);
        EXPECT_FALSE(t.ip_hash);
        EXPECT_EQ(t.ipv6_mode, 3u);
        for (uint32_t f : {SDK_TRUNK_HASH_FIELD_IPV4_DIP, SDK_TRUNK_HASH_FIELD_IPV4_SIP,
                           SDK_TRUNK_HASH_FIELD_IPV6_DIP, SDK_TRUNK_HASH_FIELD_IPV6_SIP})
            EXPECT_EQ(t.mask[f], 0x3F) << f;
    }
}

TEST_F(TrunkTest, FirstDeviceFailureStopsTheWalkAndIsPrinted) {
    faults::set("sdkTrunkMembersSet", SDK_FAIL, 1);
    console::Capture cap;
    EXPECT_FALSE(members(3, {{1, 1}}));
    EXPECT_NE(cap.text().find("DEV_SWDRV_SetTrunkPortMembers(): Line = "), std::string::npos);
    EXPECT_EQ(trunk(1, 70).n_enabled, 0);  // the walk stopped at device 0
}

// ---- Storm control (default board) ---------------------------------------------------------
class StormTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        ASSERT_EQ(sdkBrgGenRateLimitSpeedCfgEnableSet(0, true), SDK_OK);
        ASSERT_EQ(sdkBrgGenPortRateLimitSpeedGranularitySet(0, dp(1), SDK_RATE_LIMIT_1G), SDK_OK);
        ASSERT_EQ(sdkBrgGenPortRateLimitSpeedGranularitySet(0, dp(2), SDK_RATE_LIMIT_100M), SDK_OK);
    }
    static SDK_RATE_LIMIT_PORT_CFG record(uint32_t front) {
        return chipsim::storm_port(at(front).first, dp(front));
    }
    static bool same(const SDK_RATE_LIMIT_PORT_CFG& a, const SDK_RATE_LIMIT_PORT_CFG& b) {
        return a.enableBc == b.enableBc && a.enableMc == b.enableMc &&
               a.enableMcReg == b.enableMcReg && a.enableUcUnk == b.enableUcUnk &&
               a.enableUcKnown == b.enableUcKnown && a.rateLimit == b.rateLimit;
    }
};

TEST_F(StormTest, GranularityPerRateModeAndSpeed) {
    uint32_t g = 0;
    const struct {
        uint32_t mode, port, expect;
    } cases[] = {{1, 1, 4000}, {1, 2, 500}, {2, 1, 40}, {2, 2, 16}, {0, 2, 16}};
    for (const auto& c : cases) {
        EXPECT_TRUE(DEV_SWDRV_GetPortStormGranularity(1, c.port, c.mode, &g));
        EXPECT_EQ(g, c.expect) << c.mode << "/" << c.port;
    }
    EXPECT_EQ(chipsim::ratelimit(0).rate_mode, 2u);  // the mode asked last is the device's
    // Without per-speed configuration the port's speed decides.
    ASSERT_EQ(sdkBrgGenRateLimitSpeedCfgEnableSet(0, false), SDK_OK);
    ASSERT_EQ(sdkPortSpeedSet(0, dp(3), SDK_PORT_SPEED_100), SDK_OK);
    EXPECT_EQ(DEV_SWDRV_GetPortStormGranularityFromChip(0, dp(3), 1), 500u);
    // A mode of its own: 0, the configuration untouched, the line printed.
    console::Capture cap;
    chipsim::RateLimit before = chipsim::ratelimit(0);
    EXPECT_FALSE(DEV_SWDRV_GetPortStormGranularity(1, 1, 3, &g));
    EXPECT_EQ(g, 0u);
    EXPECT_NE(cap.text().find("DEV_SWDRV_GetPortStormGranularityFromChip(): Line = "),
              std::string::npos);
    EXPECT_NE(cap.text().find("invalid mode"), std::string::npos);
    EXPECT_EQ(chipsim::ratelimit(0), before);
}

TEST_F(StormTest, ThresholdIsConvertedUpAndStoredWhileTheKindIsOff) {
    ASSERT_TRUE(DEV_SWDRV_EnableBroadcastStormControl(1, 1));
    ASSERT_TRUE(DEV_SWDRV_SetBroadcastStormControlThreshold(1, 1, 1000, 2));
    EXPECT_EQ(record(1).rateLimit, 25u);
    ASSERT_TRUE(DEV_SWDRV_SetBroadcastStormControlThreshold(1, 1, 1001, 2));
    EXPECT_EQ(record(1).rateLimit, 26u);
    EXPECT_TRUE(record(1).enableBc);
    EXPECT_FALSE(record(1).enableMc);

    // Multicast is off: its threshold is kept, not written, and applied when it is enabled.
    SDK_RATE_LIMIT_PORT_CFG before = record(1);
    ASSERT_TRUE(DEV_SWDRV_SetMulticastStormControlThreshold(1, 1, 4000, 2));
    EXPECT_TRUE(same(record(1), before));
    ASSERT_TRUE(DEV_SWDRV_EnableMulticastStormControl(1, 1));
    EXPECT_TRUE(record(1).enableMc);
    EXPECT_TRUE(record(1).enableMcReg);
    EXPECT_EQ(record(1).rateLimit, 100u);  // 4000 / 40: the one limit of the record
    ASSERT_TRUE(DEV_SWDRV_DisableMulticastStormControl(1, 1));
    EXPECT_FALSE(record(1).enableMc);
    EXPECT_FALSE(record(1).enableMcReg);
    EXPECT_EQ(record(1).rateLimit, 100u);  // disabling leaves the limit
    ASSERT_TRUE(DEV_SWDRV_EnableUnknownUnicastStormControl(1, 1));
    EXPECT_TRUE(record(1).enableUcUnk);
    ASSERT_TRUE(DEV_SWDRV_DisableUnknownUnicastStormControl(1, 1));
    EXPECT_FALSE(record(1).enableUcUnk);
}

TEST_F(StormTest, IngressRateLimitKeepsADisabledKindCounted) {
    ASSERT_TRUE(DEV_SWDRV_EnableBroadcastStormControl(1, 1));
    DEV_SWDRV_SetStormIngressRateLimitFlag(at(1).first, dp(1), true);
    ASSERT_TRUE(DEV_SWDRV_DisableBroadcastStormControl(1, 1));
    EXPECT_TRUE(record(1).enableBc);
    DEV_SWDRV_SetStormIngressRateLimitFlag(at(1).first, dp(1), false);
    ASSERT_TRUE(DEV_SWDRV_DisableBroadcastStormControl(1, 1));
    EXPECT_FALSE(record(1).enableBc);
}

TEST_F(StormTest, BadPortsAndChipFailuresChangeNothing) {
    ASSERT_TRUE(DEV_SWDRV_SetBroadcastStormControlThreshold(1, 1, 400, 2));
    ASSERT_TRUE(DEV_SWDRV_EnableBroadcastStormControl(1, 1));
    SDK_RATE_LIMIT_PORT_CFG before = record(1);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_EnableBroadcastStormControl(1, 99));
    EXPECT_FALSE(DEV_SWDRV_SetBroadcastStormControlThreshold(0, 1, 1000, 2));
    EXPECT_NE(cap.text().find("DEV_SWDRV_Logical2PhyDevicePortID failed"), std::string::npos);
    faults::set("sdkBrgGenPortRateLimitSet", SDK_FAIL, 1);
    EXPECT_FALSE(DEV_SWDRV_SetBroadcastStormControlThreshold(1, 1, 1000, 2));
    EXPECT_TRUE(same(record(1), before));
    // The stored threshold was not changed by the failure: enabling again writes 400's limit.
    ASSERT_TRUE(DEV_SWDRV_EnableBroadcastStormControl(1, 1));
    EXPECT_EQ(record(1).rateLimit, 10u);
    // Through the handler: the granularity as returned data.
    EXPECT_EQ(request(cmd::kGetPortStormGranularity, words({1, 2, 1})),
              std::make_pair(uint8_t{1}, uint16_t{8}));
}

// ---- Mirroring (default board) -------------------------------------------------------------
class MirrorTest : public SwdrvTest {
  protected:
    static uint32_t up(uint32_t port) { return 1u << 16 | port; }
    static bool same_table(const chipsim::Mirror& a, const chipsim::Mirror& b) {
        return std::memcmp(a.table.data(), b.table.data(), sizeof a.table) == 0;
    }
    static const DEV_SWDRV_Mirror_T& db() { return DEV_SWDRV_OM().mirror; }
    static chipsim::MirrorPort chip_port(uint32_t front) {
        return chipsim::mirror(at(front).first).ports[dp(front)];
    }
};

TEST_F(MirrorTest, SourcesShareAnAnalyzerEntryAndCountItsUsers) {
    ASSERT_TRUE(DEV_SWDRV_SetPortMirroring(up(1), up(5), 0));
    ASSERT_TRUE(DEV_SWDRV_SetPortMirroring(up(2), up(5), up(5)));
    EXPECT_EQ(db().analyzer[0].users, 3u);  // two ingress sources, one egress
    EXPECT_EQ(db().analyzer[0].port, dp(5));
    chipsim::Mirror m = chipsim::mirror(0);
    EXPECT_EQ(m.fwd_mode, 1u);
    EXPECT_EQ(m.table[0].portNum, dp(5));
    EXPECT_EQ(m.table[0].hwDevNum, chipsim::hw_dev_num(0));
    EXPECT_TRUE(chip_port(1).rx);
    EXPECT_FALSE(chip_port(1).tx);
    EXPECT_TRUE(chip_port(2).rx && chip_port(2).tx);
    ASSERT_TRUE(DEV_SWDRV_DeletePortMirroring(up(2)));
    EXPECT_EQ(db().analyzer[0].users, 1u);
    EXPECT_FALSE(chip_port(2).rx || chip_port(2).tx);
    EXPECT_TRUE(chip_port(1).rx);
    // Mirroring the same source again moves it, not counts it twice.
    ASSERT_TRUE(DEV_SWDRV_SetPortMirroring(up(1), up(6), 0));
    EXPECT_EQ(db().analyzer[0].users, 0u);
    EXPECT_EQ(db().analyzer[1].users, 1u);
    EXPECT_EQ(chip_port(1).rx_index, 1);
}

TEST_F(MirrorTest, SeventhDestinationIsRefusedAndUnitZeroIsNoDestination) {
    for (uint32_t i = 0; i < 6; ++i)
        ASSERT_TRUE(DEV_SWDRV_SetPortMirroring(up(1 + i), up(7 + i), 0)) << i;
    chipsim::Mirror before = chipsim::mirror(0);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_SetPortMirroring(up(13), up(14), 0));
    EXPECT_NE(cap.text().find("DEV_SWDRV_SetPortMirroring(): Line = "), std::string::npos);
    EXPECT_NE(cap.text().find("DEV_SWDRV_PortMirroringFindAnalyzerEntry failed"),
              std::string::npos);
    EXPECT_FALSE(chip_port(13).rx);
    EXPECT_TRUE(same_table(chipsim::mirror(0), before));
    // A destination of unit 0 (or port 0) names none: nothing is written.
    EXPECT_TRUE(DEV_SWDRV_SetPortMirroring(up(14), 5, 0));
    EXPECT_TRUE(DEV_SWDRV_SetPortMirroring(up(14), 1u << 16, 0));
    EXPECT_FALSE(chip_port(14).rx);
    EXPECT_TRUE(same_table(chipsim::mirror(0), before));
    // An existing destination still fits.
    EXPECT_TRUE(DEV_SWDRV_SetPortMirroring(up(13), up(7), 0));
}

TEST_F(MirrorTest, VlanMirroringNeedsOneDestinationAndMarksItsVlans) {
    for (uint32_t v : {10u, 20u})
        ASSERT_TRUE(DEV_SWDRV_CreateVlan(v));
    ASSERT_TRUE(DEV_SWDRV_AddVlanMirror(1, 5, 10));
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_AddVlanMirror(1, 6, 20));
    EXPECT_NE(cap.text().find("DEV_SWDRV_AddVlanMirror(): Line = "), std::string::npos);
    EXPECT_NE(cap.text().find("error_id=-1, arg = 5,6,1,1"), std::string::npos);
    EXPECT_FALSE(chipsim::vlan_entry(0, 20).info.mirrorToAnalyzer);
    ASSERT_TRUE(DEV_SWDRV_AddVlanMirror(1, 5, 20));
    EXPECT_TRUE(chipsim::vlan_entry(0, 10).info.mirrorToAnalyzer);
    EXPECT_TRUE(chipsim::vlan_entry(0, 20).info.mirrorToAnalyzer);
    chipsim::Mirror m = chipsim::mirror(0);
    EXPECT_TRUE(m.global_rx);
    EXPECT_EQ(m.global_rx_index, 6u);
    EXPECT_EQ(m.table[6].portNum, dp(5));
    // A VLAN created later reads the mirrored set.
    ASSERT_TRUE(DEV_SWDRV_AddVlanMirror(1, 5, 30));
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(30));
    EXPECT_TRUE(chipsim::vlan_entry(0, 30).info.mirrorToAnalyzer);

    EXPECT_FALSE(DEV_SWDRV_DeleteVlanMirror(1, 6, 10));
    for (uint32_t v : {10u, 20u})
        ASSERT_TRUE(DEV_SWDRV_DeleteVlanMirror(1, 5, v));
    EXPECT_FALSE(chipsim::vlan_entry(0, 10).info.mirrorToAnalyzer);
    EXPECT_TRUE(chipsim::mirror(0).global_rx);  // VLAN 30 is left
    ASSERT_TRUE(DEV_SWDRV_DeleteVlanMirror(1, 5, 30));
    EXPECT_FALSE(chipsim::mirror(0).global_rx);
    EXPECT_EQ(db().vlan_port, 0u);
    EXPECT_TRUE(DEV_SWDRV_DeleteVlanMirror(1, 6, 10));  // nothing in use: TRUE
    EXPECT_FALSE(DEV_SWDRV_AddVlanMirror(1, 5, 4095));
}

TEST_F(MirrorTest, MacMirrorDestinationSharesTheVlanAnalyzer) {
    // Alone: it turns the global analyzer on and off.
    ASSERT_TRUE(DEV_SWDRV_SetDestPortForMacMirror(1, 7, 1));
    EXPECT_TRUE(chipsim::mirror(0).global_rx);
    EXPECT_EQ(chipsim::mirror(0).table[6].portNum, dp(7));
    EXPECT_TRUE(DEV_SWDRV_SetDestPortForMacMirror(1, 7, 1));   // the same: no change
    EXPECT_FALSE(DEV_SWDRV_SetDestPortForMacMirror(1, 8, 1));  // another: mismatch
    ASSERT_TRUE(DEV_SWDRV_SetDestPortForMacMirror(1, 7, 0));
    EXPECT_FALSE(chipsim::mirror(0).global_rx);
    // With VLAN mirroring: only its destination fits, and removing it keeps the analyzer.
    ASSERT_TRUE(DEV_SWDRV_CreateVlan(10));
    ASSERT_TRUE(DEV_SWDRV_AddVlanMirror(1, 5, 10));
    EXPECT_FALSE(DEV_SWDRV_SetDestPortForMacMirror(1, 7, 1));
    ASSERT_TRUE(DEV_SWDRV_SetDestPortForMacMirror(1, 5, 1));
    EXPECT_EQ(db().mac_port, 5u);
    ASSERT_TRUE(DEV_SWDRV_SetDestPortForMacMirror(1, 5, 2));
    EXPECT_EQ(db().mac_port, 0u);
    EXPECT_TRUE(chipsim::mirror(0).global_rx);
    // Through the handler, the byte-wide mode of 72.
    std::vector<uint8_t> args = words({1, 5});
    args.push_back(1);
    EXPECT_EQ(request(cmd::kSetDestPortForMacMirrorByte, args).first, 1);
    EXPECT_EQ(db().mac_port, 5u);
}

}  // namespace
