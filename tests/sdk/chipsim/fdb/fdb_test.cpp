// The chip's MAC address table through its sdk* operations: buckets and slots, the skip and
// age flags, the action engine (ageing, deleting, transplanting) with its filters, and the
// messages the table sends the CPU.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <map>

#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk.h"
#include "tests/sdk/chipsim/support/chip_fixture.h"

namespace {

class FdbTest : public ChipTest {
  protected:
    static SDK_MAC_ENTRY_EXT entry(uint32_t n, uint16_t vid = 1, uint8_t port = 3) {
        SDK_MAC_ENTRY_EXT e{};
        e.key.macVlan = {{0x02, 0, 0, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                          static_cast<uint8_t>(n)},
                         vid};
        e.dstInterface.devPort = {0, port};
        return e;
    }
    static uint32_t bucket(const SDK_MAC_ENTRY_EXT& e) {
        uint32_t h = 0;
        EXPECT_EQ(sdkBrgFdbHashCalc(0, &e.key, &h), SDK_OK);
        return h;
    }
    // Entries whose keys share a bucket start (found by trying addresses).
    static std::vector<SDK_MAC_ENTRY_EXT> same_bucket(uint32_t want, uint32_t count) {
        std::vector<SDK_MAC_ENTRY_EXT> out;
        for (uint32_t n = 0; out.size() < count && n < (1u << 22); ++n) {
            SDK_MAC_ENTRY_EXT e = entry(n);
            if (bucket(e) == want) out.push_back(e);
        }
        EXPECT_EQ(out.size(), count);
        return out;
    }
    // Writes from the CPU: 0 written, 2 bucket full, 1 failed.
    static int set(const SDK_MAC_ENTRY_EXT& e) {
        if (sdkBrgFdbMacEntrySet(0, &e) != SDK_OK) return 1;
        bool completed = false, succeeded = false;
        if (sdkBrgFdbFromCpuAuMsgStatusGet(0, &completed, &succeeded) != SDK_OK || !completed)
            return 1;
        return succeeded ? 0 : 2;
    }
    // Starts a triggered walk and waits (boundedly) for it to end.
    static void run_walk(uint32_t mode) {
        ASSERT_EQ(sdkBrgFdbTrigActionStart(0, mode), SDK_OK);
        bool done = false;
        for (int i = 0; i < 2000 && !done; ++i) {
            ASSERT_EQ(sdkBrgFdbTrigActionStatusGet(0, &done), SDK_OK);
            if (!done) usleep(100);
        }
        ASSERT_TRUE(done);
    }
    static int32_t find(const SDK_MAC_ENTRY_EXT& e) {
        uint32_t index;
        SDK_MAC_ENTRY_EXT out;
        return sdkBrgFdbMacEntryFind(0, &e.key, &index, &out) == SDK_OK ? int32_t(index) : -1;
    }
    struct Slot {
        bool valid, skip, aged;
        SDK_MAC_ENTRY_EXT e;
    };
    static Slot read(uint32_t index) {
        Slot s{};
        uint8_t assoc;
        EXPECT_EQ(sdkBrgFdbMacEntryRead(0, index, &s.valid, &s.skip, &s.aged, &assoc, &s.e),
                  SDK_OK);
        return s;
    }
    static std::vector<SDK_MAC_UPDATE_MSG_EXT> au_messages() {
        std::vector<SDK_MAC_UPDATE_MSG_EXT> all(64);
        uint32_t n = 64;
        EXPECT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, all.data()), SDK_OK);
        all.resize(n);
        return all;
    }
};

TEST_F(FdbTest, AnAddressLivesInTheDepthSlotsFromItsBucket) {
    SDK_MAC_ENTRY_EXT e = entry(1);
    uint32_t b = bucket(e);
    std::vector<SDK_MAC_ENTRY_EXT> chain = same_bucket(b, 5);
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(set(chain[i]), 0) << i;
        EXPECT_EQ(find(chain[i]), int32_t((b + i) % SDK_FDB_SIZE));
    }
    EXPECT_EQ(set(chain[4]), 2);  // depth 4: the bucket is full
    EXPECT_EQ(find(chain[4]), -1);
    EXPECT_EQ(set(chain[1]), 0);  // rewriting an entry takes no new slot
    EXPECT_EQ(chipsim::fdb_stats(0).entries, 4u);
    // A deeper lookup finds room further on.
    ASSERT_EQ(sdkBrgFdbMaxLookupLenSet(0, 8), SDK_OK);
    EXPECT_EQ(set(chain[4]), 0);
    EXPECT_EQ(find(chain[4]), int32_t((b + 4) % SDK_FDB_SIZE));
    for (uint32_t bad : {0u, 2u, 6u, 36u})
        EXPECT_EQ(sdkBrgFdbMaxLookupLenSet(0, bad), SDK_BAD_PARAM);
    uint32_t depth = 0;
    ASSERT_EQ(sdkBrgFdbMaxLookupLenGet(0, &depth), SDK_OK);
    EXPECT_EQ(depth, 8u);
}

TEST_F(FdbTest, BucketsWrapAroundTheEndOfTheTable) {
    std::vector<SDK_MAC_ENTRY_EXT> chain = same_bucket(SDK_FDB_SIZE - 2, 3);
    for (const SDK_MAC_ENTRY_EXT& e : chain)
        ASSERT_EQ(set(e), 0);
    EXPECT_EQ(find(chain[2]), 0);
    EXPECT_TRUE(read(0).valid);
    bool valid, skip, aged;
    uint8_t assoc;
    SDK_MAC_ENTRY_EXT out;
    EXPECT_EQ(sdkBrgFdbMacEntryRead(0, SDK_FDB_SIZE, &valid, &skip, &aged, &assoc, &out),
              SDK_OUT_OF_RANGE);
    EXPECT_EQ(sdkBrgFdbMacEntryRead(0, SDK_FDB_SIZE - 1, &valid, &skip, &aged, &assoc, nullptr),
              SDK_BAD_PTR);
}

TEST_F(FdbTest, DeletedEntriesAreSkippedAndTheirSlotsReused) {
    std::vector<SDK_MAC_ENTRY_EXT> chain = same_bucket(100, 4);
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_EQ(set(chain[i]), 0);
    ASSERT_EQ(sdkBrgFdbMacEntryDelete(0, &chain[1].key), SDK_OK);
    Slot s = read(101);
    EXPECT_TRUE(s.valid);
    EXPECT_TRUE(s.skip);
    EXPECT_EQ(find(chain[2]), 102);  // found past the skipped slot
    EXPECT_EQ(find(chain[1]), -1);
    ASSERT_EQ(set(chain[3]), 0);
    EXPECT_EQ(find(chain[3]), 101);  // the skipped slot taken again
    // Deleting what is not there completes without success.
    ASSERT_EQ(sdkBrgFdbMacEntryDelete(0, &chain[1].key), SDK_OK);
    bool completed, succeeded;
    ASSERT_EQ(sdkBrgFdbFromCpuAuMsgStatusGet(0, &completed, &succeeded), SDK_OK);
    EXPECT_TRUE(completed);
    EXPECT_FALSE(succeeded);
    // An invalid slot ends the search: what lies beyond it is not found.
    ASSERT_EQ(sdkBrgFdbMacEntryInvalidate(0, 100), SDK_OK);
    EXPECT_EQ(find(chain[2]), -1);
}

TEST_F(FdbTest, SlotsWriteAndReadBackEveryField) {
    SDK_MAC_ENTRY_EXT e = entry(77, 4094, 0);
    e.dstInterface.type = SDK_INTERFACE_TRUNK;
    e.dstInterface.trunkId = 12;
    e.isStatic = true;
    e.daCommand = SDK_MAC_TABLE_CMD_TRAP_TO_CPU;
    e.saCommand = SDK_MAC_TABLE_CMD_SOFT_DROP;
    e.daRoute = true;
    e.mirrorToRxAnalyzerPortEn = true;
    e.sourceID = 31;
    e.userDefined = 15;
    e.daQosIndex = 127;
    e.saQosIndex = 64;
    e.daSecurityLevel = 7;
    e.saSecurityLevel = 3;
    e.appSpecificCpuCode = true;
    e.age = true;
    ASSERT_EQ(sdkBrgFdbMacEntryWrite(0, 5000, false, &e), SDK_OK);
    Slot s = read(5000);
    EXPECT_TRUE(s.valid);
    EXPECT_FALSE(s.skip);
    EXPECT_FALSE(s.aged);
    EXPECT_EQ(std::memcmp(&s.e.key.macVlan, &e.key.macVlan, sizeof e.key.macVlan), 0);
    EXPECT_EQ(s.e.dstInterface.type, SDK_INTERFACE_TRUNK);
    EXPECT_EQ(s.e.dstInterface.trunkId, 12);
    EXPECT_TRUE(s.e.isStatic && s.e.daRoute && s.e.mirrorToRxAnalyzerPortEn &&
                s.e.appSpecificCpuCode);
    EXPECT_EQ(s.e.daCommand, SDK_MAC_TABLE_CMD_TRAP_TO_CPU);
    EXPECT_EQ(s.e.saCommand, SDK_MAC_TABLE_CMD_SOFT_DROP);
    EXPECT_EQ(s.e.sourceID, 31u);
    EXPECT_EQ(s.e.userDefined, 15u);
    EXPECT_EQ(s.e.daQosIndex, 127u);
    EXPECT_EQ(s.e.saQosIndex, 64u);
    EXPECT_EQ(s.e.daSecurityLevel, 7u);
    EXPECT_EQ(s.e.saSecurityLevel, 3u);

    // IP multicast keys.
    SDK_MAC_ENTRY_EXT g{};
    g.key.entryType = SDK_MAC_ENTRY_KEY_IPV4_MCAST;
    g.key.ipMcast = {{10, 0, 0, 1}, {239, 1, 2, 3}, 20};
    g.dstInterface.type = SDK_INTERFACE_VIDX;
    g.dstInterface.vidx = 254;
    ASSERT_EQ(set(g), 0);
    uint32_t index;
    SDK_MAC_ENTRY_EXT out;
    ASSERT_EQ(sdkBrgFdbMacEntryFind(0, &g.key, &index, &out), SDK_OK);
    EXPECT_EQ(out.key.entryType, SDK_MAC_ENTRY_KEY_IPV4_MCAST);
    EXPECT_EQ(std::memcmp(&out.key.ipMcast, &g.key.ipMcast, sizeof g.key.ipMcast), 0);
    EXPECT_EQ(out.dstInterface.vidx, 254);

    // Values the chip cannot hold are refused and change nothing.
    std::vector<SDK_MAC_ENTRY_EXT> bad(8, entry(1));
    bad[0].key.macVlan.vlanId = 4096;
    bad[1].daCommand = 4;
    bad[2].saQosIndex = 128;
    bad[3].dstInterface.devPort.devNum = 32;
    bad[4].dstInterface.devPort.portNum = 26;
    bad[5].dstInterface.type = 9;
    bad[6].sourceID = 32;
    bad[7].key.entryType = 3;
    for (const SDK_MAC_ENTRY_EXT& b : bad) {
        EXPECT_EQ(sdkBrgFdbMacEntrySet(0, &b), SDK_BAD_PARAM);
        EXPECT_EQ(sdkBrgFdbMacEntryWrite(0, 1, false, &b), SDK_BAD_PARAM);
    }
    EXPECT_EQ(chipsim::fdb_stats(0).entries, 2u);
    EXPECT_EQ(sdkBrgFdbMacEntryWrite(0, SDK_FDB_SIZE, false, &e), SDK_OUT_OF_RANGE);
    EXPECT_EQ(sdkBrgFdbMacEntrySet(7, &e), SDK_NOT_PRESENT);
}

TEST_F(FdbTest, AutomaticAgeingTakesUnrefreshedDynamicEntriesInTwoPasses) {
    ASSERT_EQ(sdkBrgFdbAgingTimeoutSet(0, 60), SDK_OK);
    SDK_MAC_ENTRY_EXT dyn = entry(1), fresh = entry(2), stat = entry(3);
    dyn.age = true;
    fresh.age = true;
    stat.isStatic = true;
    for (const auto& e : {dyn, fresh, stat})
        ASSERT_EQ(set(e), 0);
    chipsim::advance_clock(60);  // first pass: age flags cleared
    EXPECT_TRUE(read(uint32_t(find(dyn))).aged);
    EXPECT_TRUE(au_messages().empty());
    fresh.age = true;
    ASSERT_EQ(set(fresh), 0);    // seen again
    chipsim::advance_clock(60);  // second pass: dyn goes
    EXPECT_EQ(find(dyn), -1);
    EXPECT_NE(find(fresh), -1);
    EXPECT_NE(find(stat), -1);
    std::vector<SDK_MAC_UPDATE_MSG_EXT> aa = au_messages();
    ASSERT_EQ(aa.size(), 1u);
    EXPECT_EQ(aa[0].updType, SDK_FDB_AU_AA);
    EXPECT_EQ(aa[0].macEntry.key.macVlan.macAddr[5], 1);
    EXPECT_EQ(aa[0].macEntry.dstInterface.devPort.portNum, 3);

    // Without removal the chip only reports; with messages off it reports nothing.
    ASSERT_EQ(sdkBrgFdbActionModeSet(0, SDK_FDB_ACTION_AGE_WITHOUT_REMOVAL), SDK_OK);
    chipsim::advance_clock(120);
    EXPECT_NE(find(fresh), -1);
    EXPECT_FALSE(au_messages().empty());
    ASSERT_EQ(sdkBrgFdbAAandTAToCpuSet(0, false), SDK_OK);
    chipsim::advance_clock(120);
    EXPECT_TRUE(au_messages().empty());
    // Triggered mode: no automatic passes at all.
    ASSERT_EQ(sdkBrgFdbActionModeSet(0, SDK_FDB_ACTION_AGE_WITH_REMOVAL), SDK_OK);
    ASSERT_EQ(sdkBrgFdbMacTriggerModeSet(0, SDK_FDB_TRIGGER_TRIG), SDK_OK);
    chipsim::advance_clock(1000);
    EXPECT_NE(find(fresh), -1);
    EXPECT_EQ(sdkBrgFdbAgingTimeoutSet(0, 0), SDK_BAD_PARAM);
    EXPECT_EQ(sdkBrgFdbMacTriggerModeSet(0, 2), SDK_BAD_PARAM);
}

TEST_F(FdbTest, TriggeredDeletingHonoursTheFilters) {
    // Port 3 and port 5 entries in VLANs 1 and 2, one static on port 3.
    std::vector<SDK_MAC_ENTRY_EXT> all = {entry(1, 1, 3), entry(2, 2, 3), entry(3, 1, 5),
                                          entry(4, 2, 5), entry(5, 1, 3)};
    all[4].isStatic = true;
    for (const auto& e : all)
        ASSERT_EQ(set(e), 0);
    ASSERT_EQ(sdkBrgFdbActionActiveInterfaceSet(0, 0, 1, 3, 0x7F), SDK_OK);  // port 3
    ASSERT_EQ(sdkBrgFdbActionActiveVlanSet(0, 1, 0xFFF), SDK_OK);            // VLAN 1
    run_walk(SDK_FDB_ACTION_DELETING);
    EXPECT_EQ(find(all[0]), -1);
    EXPECT_NE(find(all[1]), -1);  // other VLAN
    EXPECT_NE(find(all[2]), -1);  // other port
    EXPECT_NE(find(all[4]), -1);  // static
    ASSERT_EQ(sdkBrgFdbStaticDelEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveVlanSet(0, 0, 0), SDK_OK);
    run_walk(SDK_FDB_ACTION_DELETING);
    EXPECT_EQ(find(all[1]), -1);
    EXPECT_EQ(find(all[4]), -1);
    EXPECT_NE(find(all[3]), -1);
    // A device filter that matches no port entry deletes nothing.
    ASSERT_EQ(sdkBrgFdbActionActiveInterfaceSet(0, 0, 0, 0, 0), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionActiveDevSet(0, 9, 0x1F), SDK_OK);
    run_walk(SDK_FDB_ACTION_DELETING);
    EXPECT_EQ(chipsim::fdb_stats(0).entries, 2u);
    uint32_t dev, mask;
    ASSERT_EQ(sdkBrgFdbActionActiveDevGet(0, &dev, &mask), SDK_OK);
    EXPECT_EQ(dev, 9u);
    EXPECT_EQ(mask, 0x1Fu);
}

TEST_F(FdbTest, TransplantingMovesEntriesAndReportsThem) {
    ASSERT_EQ(set(entry(1, 1, 3)), 0);
    ASSERT_EQ(set(entry(2, 1, 4)), 0);
    SDK_INTERFACE_INFO from{}, to{};
    from.devPort = {0, 3};
    to.type = SDK_INTERFACE_TRUNK;
    to.trunkId = 2;
    ASSERT_EQ(sdkBrgFdbActionTransplantDataSet(0, &from, &to), SDK_OK);
    run_walk(SDK_FDB_ACTION_TRANSPLANTING);
    Slot s = read(uint32_t(find(entry(1))));
    EXPECT_EQ(s.e.dstInterface.type, SDK_INTERFACE_TRUNK);
    EXPECT_EQ(s.e.dstInterface.trunkId, 2);
    EXPECT_EQ(read(uint32_t(find(entry(2)))).e.dstInterface.devPort.portNum, 4);
    std::vector<SDK_MAC_UPDATE_MSG_EXT> ta = au_messages();
    ASSERT_EQ(ta.size(), 1u);
    EXPECT_EQ(ta[0].updType, SDK_FDB_AU_TA);
    EXPECT_TRUE(ta[0].entryWasFound);
    to.trunkId = 0;
    EXPECT_EQ(sdkBrgFdbActionTransplantDataSet(0, &from, &to), SDK_BAD_PARAM);
}

TEST_F(FdbTest, AStalledActionIsReportedRunningUntilItEnds) {
    ASSERT_EQ(set(entry(1)), 0);
    chipsim::set_fdb_action_stall(0, true);
    ASSERT_EQ(sdkBrgFdbTrigActionStart(0, SDK_FDB_ACTION_DELETING), SDK_OK);
    bool done = true;
    ASSERT_EQ(sdkBrgFdbTrigActionStatusGet(0, &done), SDK_OK);
    EXPECT_FALSE(done);
    EXPECT_EQ(sdkBrgFdbTrigActionStart(0, SDK_FDB_ACTION_DELETING), SDK_BAD_STATE);
    EXPECT_NE(find(entry(1)), -1);
    chipsim::set_fdb_action_stall(0, false);
    for (int i = 0; i < 2000 && !done; ++i) {
        ASSERT_EQ(sdkBrgFdbTrigActionStatusGet(0, &done), SDK_OK);
        if (!done) usleep(100);
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(find(entry(1)), -1);
}

TEST_F(FdbTest, DisablingActionsAbandonsAWalkUnderWay) {
    ASSERT_EQ(set(entry(1)), 0);
    chipsim::set_fdb_action_stall(0, true);
    ASSERT_EQ(sdkBrgFdbTrigActionStart(0, SDK_FDB_ACTION_DELETING), SDK_OK);
    ASSERT_EQ(sdkBrgFdbActionsEnableSet(0, false), SDK_OK);
    chipsim::set_fdb_action_stall(0, false);
    bool done = false;
    ASSERT_EQ(sdkBrgFdbTrigActionStatusGet(0, &done), SDK_OK);
    EXPECT_TRUE(done);
    EXPECT_NE(find(entry(1)), -1);  // abandoned before it ended
    ASSERT_EQ(sdkBrgFdbActionsEnableSet(0, true), SDK_OK);
    run_walk(SDK_FDB_ACTION_DELETING);
    EXPECT_EQ(find(entry(1)), -1);
}

TEST_F(FdbTest, AddressUpdateQueueHoldsAuDescCountMessages) {
    ASSERT_EQ(sdkBoardParamSet("au_desc_count", 3), SDK_OK);
    ASSERT_EQ(sdkBrgFdbAgingTimeoutSet(0, 10), SDK_OK);
    std::map<int32_t, uint8_t> by_slot;  // the ageing walk goes slot by slot
    for (uint32_t n = 1; n <= 5; ++n) {
        ASSERT_EQ(set(entry(n)), 0);
        by_slot[find(entry(n))] = static_cast<uint8_t>(n);
    }
    std::vector<uint8_t> order;
    for (const auto& [slot, n] : by_slot)
        order.push_back(n);
    chipsim::advance_clock(20);  // two passes: five aged addresses
    EXPECT_EQ(chipsim::fdb_stats(0).au_lost, 2u);
    SDK_MAC_UPDATE_MSG_EXT m[2];
    uint32_t n = 2;
    ASSERT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, m), SDK_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(m[0].macEntry.key.macVlan.macAddr[5], order[0]);  // oldest first
    EXPECT_EQ(m[1].macEntry.key.macVlan.macAddr[5], order[1]);
    n = 2;
    ASSERT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, m), SDK_OK);
    EXPECT_EQ(n, 1u);
    n = 0;
    EXPECT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, nullptr), SDK_OK);
    n = 1;
    EXPECT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, nullptr), SDK_BAD_PTR);
    SDK_SECUR_BREACH_MSG b;
    EXPECT_EQ(sdkSecurBreachMsgGet(0, &b), SDK_NOT_FOUND);
}

TEST_F(FdbTest, LearningControlPerPortAndFaults) {
    bool status = false;
    uint32_t cmd = 99;
    ASSERT_EQ(sdkBrgFdbPortLearnStatusGet(0, 3, &status, &cmd), SDK_OK);
    EXPECT_TRUE(status);  // the chip learns by itself at power-on
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, 3, false, SDK_LOCK_CMD_TRAP_TO_CPU), SDK_OK);
    ASSERT_EQ(sdkBrgFdbPortLearnStatusGet(0, 3, &status, &cmd), SDK_OK);
    EXPECT_FALSE(status);
    EXPECT_EQ(cmd, SDK_LOCK_CMD_TRAP_TO_CPU);
    EXPECT_EQ(sdkBrgFdbPortLearnStatusSet(0, 20, false, 1), SDK_BAD_PARAM);  // no such port
    EXPECT_EQ(sdkBrgFdbPortLearnStatusSet(0, 3, false, 9), SDK_BAD_PARAM);
    chipsim::fail("sdkBrgFdbMacEntryRead", SDK_FAIL);
    bool v, s, a;
    uint8_t assoc;
    SDK_MAC_ENTRY_EXT e;
    EXPECT_EQ(sdkBrgFdbMacEntryRead(0, 0, &v, &s, &a, &assoc, &e), SDK_FAIL);
    EXPECT_EQ(sdkBrgFdbMacEntryRead(0, 0, &v, &s, &a, &assoc, &e), SDK_OK);
}

TEST_F(FdbTest, LookupCostDoesNotGrowWithTheTable) {
    // Fill every slot; any key is then decided within its depth slots.
    SDK_MAC_ENTRY_EXT e = entry(0);
    for (uint32_t n = 0; chipsim::fdb_stats(0).entries < SDK_FDB_SIZE && n < 400000; ++n) {
        e = entry(n);
        sdkBrgFdbMacEntrySet(0, &e);
    }
    ASSERT_EQ(chipsim::fdb_stats(0).entries, SDK_FDB_SIZE);
    EXPECT_EQ(set(entry(999999)), 2);
    uint32_t depth = 0;
    ASSERT_EQ(sdkBrgFdbMaxLookupLenGet(0, &depth), SDK_OK);
    int32_t i = find(entry(5));
    ASSERT_GE(i, 0);
    uint32_t from = bucket(entry(5));
    EXPECT_LT((uint32_t(i) + SDK_FDB_SIZE - from) % SDK_FDB_SIZE, depth);
}

}  // namespace
