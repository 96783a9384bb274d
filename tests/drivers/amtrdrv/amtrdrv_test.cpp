// The address table driver against the chip model: writes with collisions, the scan and its
// budget, group deletes through the action engine, ageing, CPU entries, events and the
// request handler's answers to bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drivers/amtrdrv/dev_amtrdrv.h"
#include "drivers/amtrdrv/dev_amtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/common/types.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

namespace cmd = amtrdrv::subcmd;

struct Mac6 {
    uint8_t b[6];
};
Mac6 mac_of(uint32_t n) {
    return {{0x02, 0x10, static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)}};
}

DEV_AMTRDRV_AddrEntry record(uint32_t n, uint16_t vid, uint8_t port, bool is_static = false) {
    DEV_AMTRDRV_AddrEntry r;
    r.vid = vid;
    std::memcpy(r.mac, mac_of(n).b, 6);
    r.unit = 1;
    r.port = port;
    r.qos_index = 255;
    r.entry_type = is_static ? 1 : 2;
    return r;
}
DEV_AMTRDRV_AddrEntry trunk_record(uint32_t n, uint16_t vid, uint8_t trunk, bool is_static) {
    DEV_AMTRDRV_AddrEntry r = record(n, vid, 1, is_static);
    r.is_trunk = 1;
    r.trunk_id = static_cast<uint8_t>(trunk - 1);
    return r;
}

std::vector<DEV_AMTRDRV_AddrEntry> g_events;
void sink(uint16_t* result, const uint8_t* mac, uint32_t vid, uint32_t reason, uint32_t port,
          uint32_t unit) {
    EXPECT_EQ(result[0] | result[1] | result[2], 0);
    EXPECT_EQ(reason, 0u);
    DEV_AMTRDRV_AddrEntry r;
    std::memcpy(r.mac, mac, 6);
    r.vid = static_cast<uint16_t>(vid);
    r.port = static_cast<uint8_t>(port);
    r.unit = static_cast<uint8_t>(unit);
    g_events.push_back(r);
}

class AmtrdrvTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        DEV_AMTRDRV_OM_Reset();
        ASSERT_TRUE(DEV_AMTRDRV_Init());
        g_events.clear();
    }
    // A request through the handler: the payload as sent, the answer's payload (msg_size bytes).
    static std::vector<uint8_t> request(const std::vector<uint8_t>& payload) {
        std::vector<uint8_t> msg(sys_adpt::kMaxMsgSize, 0xEE);
        ipcmsg::set_cmd(msg.data(), cmd::kModule);
        ipcmsg::set_msg_size(msg.data(), static_cast<uint16_t>(payload.size()));
        std::memcpy(ipcmsg::payload(msg.data()), payload.data(), payload.size());
        EXPECT_TRUE(DEV_AMTRDRV_HandleIPCReqMsg(msg.data()));
        const uint8_t* p = ipcmsg::payload(msg.data());
        return {p, p + ipcmsg::msg_size(msg.data())};
    }
    static std::vector<uint8_t> words(std::initializer_list<uint32_t> ws) {
        std::vector<uint8_t> out;
        for (uint32_t w : ws) {
            uint8_t b[4];
            be::put32(b, w);
            out.insert(out.end(), b, b + 4);
        }
        return out;
    }
    static std::vector<uint8_t> with_record(uint32_t code, const DEV_AMTRDRV_AddrEntry& r) {
        std::vector<uint8_t> p = words({code});
        p.resize(20);
        DEV_AMTRDRV_EncodeRecord(r, p.data() + 4);
        return p;
    }
    static bool present(const DEV_AMTRDRV_AddrEntry& r) {
        SDK_MAC_ENTRY_KEY k{};
        std::memcpy(k.macVlan.macAddr, r.mac, 6);
        k.macVlan.vlanId = r.vid;
        uint32_t index;
        SDK_MAC_ENTRY_EXT e;
        return sdkBrgFdbMacEntryFind(0, &k, &index, &e) == SDK_OK;
    }
    // Addresses in VLAN 1 whose bucket starts at the same slot.
    static std::vector<uint32_t> same_bucket(uint32_t count) {
        std::vector<uint32_t> out;
        uint32_t want = 0;
        for (uint32_t n = 1; out.size() < count && n < (1u << 22); ++n) {
            SDK_MAC_ENTRY_KEY k{};
            std::memcpy(k.macVlan.macAddr, mac_of(n).b, 6);
            k.macVlan.vlanId = 1;
            uint32_t h = 0;
            EXPECT_EQ(sdkBrgFdbHashCalc(0, &k, &h), SDK_OK);
            if (out.empty()) want = h;
            if (h == want) out.push_back(n);
        }
        return out;
    }
};

TEST_F(AmtrdrvTest, AFullBucketIsACollisionWithTheMacPrinted) {
    DEV_AMTRDRV_OM().debug_flag = true;
    const uint32_t depth = DEV_AMTRDRV_OM().hash_depth;
    ASSERT_EQ(depth, 4u);  // the chip's default
    std::vector<uint32_t> ns = same_bucket(depth + 1);
    ASSERT_EQ(ns.size(), depth + 1);
    for (uint32_t i = 0; i < depth; ++i)
        ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(ns[i], 1, 2)));
    console::Capture cap;
    const Mac6 m = mac_of(ns[depth]);
    std::vector<uint8_t> p = words({cmd::kSetInterventionEntry, 1});
    p.insert(p.end(), m.b, m.b + 6);
    p.push_back(DEV_AMTRDRV_DEV_ALL);
    p.push_back(0);
    std::vector<uint8_t> mode = words({3});
    p.insert(p.end(), mode.begin(), mode.end());
    std::vector<uint8_t> r = request(p);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(be::get32(r.data()), DEV_AMTRDRV_WRITE_COLLISION);
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", m.b[0], m.b[1], m.b[2], m.b[3],
                  m.b[4], m.b[5]);
    EXPECT_TRUE(cap.contains(std::string("collision occur ") + text)) << cap.text();
    EXPECT_FALSE(DEV_AMTRDRV_SetAddrTblEntry(record(ns[depth], 1, 2)));
    // The entries already in the bucket are found by the hash lookup, the last slot too.
    uint32_t port = 0, trunk = 0;
    uint8_t is_trunk = 9;
    EXPECT_TRUE(DEV_AMTRDRV_ARLLookUp(1, mac_of(ns[depth - 1]).b, &port, &trunk, &is_trunk));
    EXPECT_EQ(port, 2u);
    EXPECT_EQ(is_trunk, 0);
}

TEST_F(AmtrdrvTest, TheScanReturnsLearnedEntriesOnlyInBatchesOfAtMost150) {
    for (uint32_t n = 0; n < 200; ++n)
        ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(n, 7, 3)));
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(1000, 7, 3, true)));
    ASSERT_EQ(request(words({cmd::kResetScan, 0}))[0], 1);
    // An exhausted read budget also answers status 1 with no record: the caller goes on for
    // as many calls as the table can need.
    uint32_t total = 0;
    for (int call = 0; call < 20; ++call) {
        std::vector<uint8_t> r = request(words({cmd::kGetEntries, 1000000}));
        ASSERT_EQ(r.size(), 2408u);
        const uint32_t n = be::get32(r.data() + cmd::kCountOffset);
        EXPECT_LE(n, cmd::kMaxRecords);
        for (uint32_t i = 0; i < n; ++i) {
            DEV_AMTRDRV_AddrEntry e;
            DEV_AMTRDRV_DecodeRecord(r.data() + 4 + 16 * i, &e);
            EXPECT_NE(std::memcmp(e.mac, mac_of(1000).b, 6), 0) << "a static entry was returned";
            EXPECT_EQ(e.vid, 7);
            EXPECT_EQ(e.unit, 1);
            EXPECT_EQ(e.port, 3);
            EXPECT_EQ(e.entry_type, 0);
        }
        EXPECT_EQ(be::get32(r.data()), n > 0 ? 0u : 1u);
        total += n;
    }
    EXPECT_EQ(total, 200u);
}

TEST_F(AmtrdrvTest, AnEmptyScanUsesItsBudgetThenEnds) {
    ASSERT_TRUE(DEV_AMTRDRV_ResetScan());
    uint8_t rec[16] = {};
    uint32_t budgets = 0, status = 0;
    while ((status = DEV_AMTRDRV_GetNextAddrTblEntry(rec)) == DEV_AMTRDRV_SCAN_BUDGET)
        ++budgets;
    EXPECT_EQ(status, DEV_AMTRDRV_SCAN_END);
    EXPECT_EQ(budgets, SDK_FDB_SIZE / 2000);
    EXPECT_EQ(DEV_AMTRDRV_GetNextAddrTblEntry(rec), DEV_AMTRDRV_SCAN_END);
    // N = 0: no record, status 1, count 0.
    ASSERT_TRUE(DEV_AMTRDRV_ResetScan());
    std::vector<uint8_t> r = request(words({cmd::kGetEntries, 0}));
    EXPECT_EQ(be::get32(r.data()), 1u);
    EXPECT_EQ(be::get32(r.data() + cmd::kCountOffset), 0u);
}

TEST_F(AmtrdrvTest, TheScanAndTheLookupFollowTheBoardsTableSize) {
    board::Description b = board::default_board();
    b.units[0].devices[0].fdb_size = 2 * SDK_FDB_SIZE;
    bring_up(b);
    DEV_AMTRDRV_OM_Reset();
    ASSERT_TRUE(DEV_AMTRDRV_Init());
    uint32_t size = 0;
    ASSERT_EQ(sdkCfgTableNumEntriesGet(0, SDK_CFG_TABLE_FDB, &size), SDK_OK);
    EXPECT_EQ(size, 2 * SDK_FDB_SIZE);
    ASSERT_TRUE(DEV_AMTRDRV_ResetScan());
    uint8_t rec[16] = {};
    uint32_t budgets = 0;
    while (DEV_AMTRDRV_GetNextAddrTblEntry(rec) == DEV_AMTRDRV_SCAN_BUDGET)
        ++budgets;
    EXPECT_EQ(budgets, 2 * SDK_FDB_SIZE / 2000);
    // Addresses whose buckets lie in the upper half are written and found.
    uint32_t upper = 0;
    for (uint32_t n = 0; n < 64; ++n) {
        SDK_MAC_ENTRY_KEY k{};
        std::memcpy(k.macVlan.macAddr, mac_of(n << 14).b, 6);
        k.macVlan.vlanId = 1;
        uint32_t h = 0;
        ASSERT_EQ(sdkBrgFdbHashCalc(0, &k, &h), SDK_OK);
        ASSERT_LT(h, 2 * SDK_FDB_SIZE);
        if (h < SDK_FDB_SIZE) continue;
        ++upper;
        ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(n << 14, 1, 2)));
        uint32_t port = 0, trunk = 0;
        uint8_t is_trunk = 0;
        EXPECT_TRUE(DEV_AMTRDRV_ARLLookUp(1, mac_of(n << 14).b, &port, &trunk, &is_trunk));
    }
    EXPECT_GT(upper, 0u);
}

TEST_F(AmtrdrvTest, Codes22And23DeleteByPortWithTrunkZeroAndByTrunkOtherwise) {
    const auto port1_dyn = record(1, 5, 1), port1_static = record(2, 5, 1, true);
    const auto port2_dyn = record(3, 5, 2);
    const auto trunk2_dyn = trunk_record(4, 5, 2, false),
               trunk2_static = trunk_record(5, 5, 2, true);
    for (const auto& r : {port1_dyn, port1_static, port2_dyn, trunk2_dyn, trunk2_static})
        ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(r));
    struct Case {
        uint32_t code, unit, port, trunk;
        std::vector<bool> after;  // port1_dyn, port1_static, port2_dyn, trunk2_dyn, trunk2_static
    };
    const Case cases[] = {
        {cmd::kDeleteDynamicByPortOrTrunk, 1, 1, 0, {false, true, true, true, true}},
        {cmd::kDeleteDynamicByPortOrTrunk, 1, 2, 2, {false, true, true, false, true}},
        {cmd::kDeleteByPortOrTrunk, 1, 2, 2, {false, true, true, false, false}},
        {cmd::kDeleteByPortOrTrunk, 1, 1, 0, {false, false, true, false, false}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> r = request(words({c.code, c.unit, c.port, c.trunk}));
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(r[0], 1) << c.code << " trunk " << c.trunk;
        int i = 0;
        for (const auto& e : {port1_dyn, port1_static, port2_dyn, trunk2_dyn, trunk2_static})
            EXPECT_EQ(present(e), c.after[i++]) << "code " << c.code << " entry " << i;
    }
}

TEST_F(AmtrdrvTest, VlanAndPortVlanDeletesKeepOtherVlans) {
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(1, 5, 1)));
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(2, 6, 1)));
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(3, 6, 2)));
    EXPECT_EQ(request(words({cmd::kDeleteByPortVlan, 1, 1, 0, 6}))[0], 1);
    EXPECT_TRUE(present(record(1, 5, 1)));
    EXPECT_FALSE(present(record(2, 6, 1)));
    EXPECT_TRUE(present(record(3, 6, 2)));
    EXPECT_EQ(request(words({cmd::kDeleteByVlan, 0, 0, 0, 5}))[0], 1);
    EXPECT_FALSE(present(record(1, 5, 1)));
    EXPECT_TRUE(present(record(3, 6, 2)));
}

TEST_F(AmtrdrvTest, AnInterventionEntryLeavesARoutingEntryAlone) {
    const Mac6 m = mac_of(77);
    SDK_MAC_ENTRY_EXT route{};
    std::memcpy(route.key.macVlan.macAddr, m.b, 6);
    route.key.macVlan.vlanId = 9;
    route.dstInterface.devPort = {0, 4};
    route.daRoute = true;
    route.isStatic = true;
    ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &route), SDK_OK);
    EXPECT_EQ(DEV_AMTRDRV_SetInterventionEntry(9, m.b, DEV_AMTRDRV_DEV_ALL, 3),
              DEV_AMTRDRV_WRITE_OK);
    uint32_t index;
    SDK_MAC_ENTRY_EXT e;
    ASSERT_EQ(sdkBrgFdbMacEntryFind(0, &route.key, &index, &e), SDK_OK);
    EXPECT_TRUE(e.daRoute);
    EXPECT_EQ(e.daCommand, SDK_MAC_TABLE_CMD_FORWARD);
    EXPECT_EQ(e.dstInterface.devPort.portNum, 4);
    // Without a routing entry the CPU entry is written with the mode's commands.
    const Mac6 other = mac_of(78);
    EXPECT_EQ(DEV_AMTRDRV_SetInterventionEntry(9, other.b, DEV_AMTRDRV_DEV_FIRST, 1), 0u);
    SDK_MAC_ENTRY_KEY k = route.key;
    std::memcpy(k.macVlan.macAddr, other.b, 6);
    ASSERT_EQ(sdkBrgFdbMacEntryFind(0, &k, &index, &e), SDK_OK);
    EXPECT_EQ(e.daCommand, SDK_MAC_TABLE_CMD_SOFT_DROP);
    EXPECT_EQ(e.saCommand, SDK_MAC_TABLE_CMD_TRAP_TO_CPU);
    EXPECT_EQ(e.dstInterface.devPort.portNum, SDK_CPU_PORT);
    EXPECT_TRUE(e.isStatic);
    EXPECT_EQ(DEV_AMTRDRV_SetInterventionEntry(9, other.b, DEV_AMTRDRV_DEV_ALL, 4),
              DEV_AMTRDRV_WRITE_FAILED);
}

TEST_F(AmtrdrvTest, TheSixthHandlerIsRefusedAndEventsReachTheOthersInOrder) {
    DEV_AMTRDRV_OM().debug_flag = true;
    for (int i = 0; i < 5; ++i)
        DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler(sink);
    console::Capture cap;
    DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler(sink);
    EXPECT_TRUE(
        cap.contains("DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler: the num of brg "
                     "security register is out of range \n"));
    EXPECT_EQ(DEV_AMTRDRV_OM().handler_count.load(), 5u);
    const Mac6 m = mac_of(5);
    DEV_AMTRDRV_HandleBrgSecurEvent(at(3).first, m.b, 12, dp(3), SDK_SECUR_BREACH_NEW_ADDRESS);
    ASSERT_EQ(g_events.size(), 5u);
    EXPECT_EQ(g_events[0].unit, 1);
    EXPECT_EQ(g_events[0].port, 3);
    EXPECT_EQ(g_events[0].vid, 12);
    EXPECT_EQ(std::memcmp(g_events[0].mac, m.b, 6), 0);
    // A device port that is no front port is dropped.
    g_events.clear();
    DEV_AMTRDRV_HandleBrgSecurEvent(0, m.b, 12, 60, SDK_SECUR_BREACH_NEW_ADDRESS);
    EXPECT_TRUE(g_events.empty());
}

TEST_F(AmtrdrvTest, AgeingTimeBoundsAndWhatTheChipIsGiven) {
    struct Case {
        uint32_t seconds;
        bool ok;
    };
    for (const Case& c : {Case{9, false}, Case{845, false}, Case{10, true}, Case{844, true},
                          Case{0xFFFFFFFF, false}}) {
        ASSERT_TRUE(DEV_AMTRDRV_SetAgeingTime(300));
        EXPECT_EQ(DEV_AMTRDRV_SetAgeingTime(c.seconds), c.ok) << c.seconds;
        uint32_t timeout = 0, trigger = 9, action = 9;
        ASSERT_EQ(sdkBrgFdbAgingTimeoutGet(0, &timeout), SDK_OK);
        ASSERT_EQ(sdkBrgFdbMacTriggerModeGet(0, &trigger), SDK_OK);
        ASSERT_EQ(sdkBrgFdbActionModeGet(0, &action), SDK_OK);
        EXPECT_EQ(timeout, c.ok ? c.seconds : 300u);
        EXPECT_EQ(trigger, SDK_FDB_TRIGGER_AUTO);
        EXPECT_EQ(action, SDK_FDB_ACTION_AGE_WITH_REMOVAL);
    }
    EXPECT_TRUE(DEV_AMTRDRV_SetAgeingTime(0));
    uint32_t trigger = 0;
    ASSERT_EQ(sdkBrgFdbMacTriggerModeGet(0, &trigger), SDK_OK);
    EXPECT_EQ(trigger, SDK_FDB_TRIGGER_TRIG);
}

TEST_F(AmtrdrvTest, AGroupDeleteThatNeverFinishesRestoresTheEngineAndFails) {
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(record(1, 5, 1)));
    ASSERT_EQ(sdkBrgFdbActionModeSet(0, SDK_FDB_ACTION_AGE_WITHOUT_REMOVAL), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveVlanSet(0, 33, 0xFF), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveDevSet(0, 3, 0x3), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveInterfaceSet(0, 1, 1, 9, 0xF), SDK_OK);
    chipsim::set_fdb_action_stall(0, true);
    EXPECT_FALSE(DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_ALL, 0, 0, 0));
    chipsim::set_fdb_action_stall(0, false);
    EXPECT_TRUE(present(record(1, 5, 1)));  // the walk was abandoned
    uint32_t mode = 0, trigger = 9, dev = 0, dev_mask = 0, t = 0, tm = 0, p = 0, pm = 0;
    uint16_t vid = 0, vid_mask = 0;
    bool enabled = false;
    ASSERT_EQ(sdkBrgFdbActionModeGet(0, &mode), SDK_OK);
    ASSERT_EQ(sdkBrgFdbMacTriggerModeGet(0, &trigger), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveVlanGet(0, &vid, &vid_mask), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveDevGet(0, &dev, &dev_mask), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveInterfaceGet(0, &t, &tm, &p, &pm), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionsEnableGet(0, &enabled), SDK_OK);
    EXPECT_EQ(mode, SDK_FDB_ACTION_AGE_WITHOUT_REMOVAL);
    EXPECT_EQ(trigger, SDK_FDB_TRIGGER_AUTO);
    EXPECT_EQ(vid, 33);
    EXPECT_EQ(vid_mask, 0xFF);
    EXPECT_EQ(dev, 3u);
    EXPECT_EQ(dev_mask, 3u);
    EXPECT_EQ(t, 1u);
    EXPECT_EQ(p, 9u);
    EXPECT_EQ(pm, 0xFu);
    EXPECT_TRUE(enabled);
    // And one that finishes deletes.
    EXPECT_TRUE(DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_ALL, 0, 0, 0));
    EXPECT_FALSE(present(record(1, 5, 1)));
}

TEST_F(AmtrdrvTest, BadInputIsAnsweredFalseWithinTheReply) {
    // A port that does not convert, a trunk beyond the chip's range, a QoS index it cannot hold.
    EXPECT_EQ(request(with_record(cmd::kSetEntry, record(1, 1, 99)))[0], 0);
    EXPECT_EQ(request(with_record(cmd::kSetEntry, trunk_record(1, 1, 200, false)))[0], 0);
    DEV_AMTRDRV_AddrEntry qos = record(1, 1, 2);
    qos.qos_index = 200;
    EXPECT_EQ(request(with_record(cmd::kSetEntry, qos))[0], 0);
    EXPECT_EQ(request(words({cmd::kDeleteDynamicByPortOrTrunk, 1, 1, 300}))[0], 0);
    EXPECT_EQ(request(words({cmd::kDeleteByVlan, 0, 0, 0, 5000}))[0], 0);
    EXPECT_EQ(request(words({cmd::kDeleteDynamicByPortOrTrunk, 1, 99, 0}))[0], 0);
    // The engine was left as it was: actions still enabled.
    bool enabled = false;
    ASSERT_EQ(sdkBrgFdbActionsEnableGet(0, &enabled), SDK_OK);
    EXPECT_TRUE(enabled);
    // Selectors 0 and 4 name no device: nothing written, status 0 (the unit has devices).
    for (uint8_t sel : {uint8_t{0}, uint8_t{4}}) {
        std::vector<uint8_t> p = words({cmd::kSetEntryByDevice});
        p.resize(22);
        p[4] = sel;
        DEV_AMTRDRV_EncodeRecord(record(50, 1, 2), p.data() + 6);
        std::vector<uint8_t> r = request(p);
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(be::get32(r.data()), 0u);
        EXPECT_FALSE(present(record(50, 1, 2)));
    }
    // Truncated payloads: FALSE, msg_size 4, nothing done.
    std::vector<uint8_t> p = with_record(cmd::kSetEntry, record(51, 1, 2));
    p.resize(12);
    std::vector<uint8_t> r = request(p);
    EXPECT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], 0);
    EXPECT_FALSE(present(record(51, 1, 2)));
    EXPECT_EQ(request({0, 0})[0], 0);
    EXPECT_EQ(request(words({cmd::kGetEntries})).size(), 4u);
    EXPECT_EQ(request(words({99})).size(), 4u);
    // Code 20 leaves the payload as received.
    EXPECT_EQ(request(words({cmd::kNullMacCount, 7})), words({cmd::kNullMacCount, 7}));
}

TEST_F(AmtrdrvTest, LookupsDepthAndHardwareLearning) {
    ASSERT_TRUE(DEV_AMTRDRV_SetAddrTblEntry(trunk_record(8, 4, 3, false)));
    std::vector<uint8_t> p = words({cmd::kLookUp, 4});
    const Mac6 m = mac_of(8);
    p.insert(p.end(), m.b, m.b + 6);
    std::vector<uint8_t> r = request(p);
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(be::get32(r.data() + 8), 2u);  // 0-based trunk id of trunk 3
    EXPECT_EQ(r[12], 1);
    be::put32(p.data(), cmd::kLookUpFirstDevice);
    r = request(p);
    ASSERT_EQ(r.size(), 20u);
    EXPECT_EQ(be::get32(r.data() + 12), 2u);
    EXPECT_EQ(r[16], 1);
    r = request(words({cmd::kGetHashLookupDepth}));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(be::get32(r.data() + 4), 4u);
    EXPECT_EQ(request(words({cmd::kDisableHardwareLearning}))[0], 1);
    bool learn = true;
    uint32_t lock = 0;
    ASSERT_EQ(sdkBrgFdbPortLearnStatusGet(at(1).first, dp(1), &learn, &lock), SDK_OK);
    EXPECT_FALSE(learn);
    EXPECT_EQ(lock, SDK_LOCK_CMD_FORWARD);
    uint32_t reg = 0;
    ASSERT_EQ(sdkHwRegRead(0, SDK_PORT_GROUPS_ALL, 0x06000038, &reg), SDK_OK);
    EXPECT_EQ(reg & 0x1F, 0x1Fu);
}

}  // namespace
