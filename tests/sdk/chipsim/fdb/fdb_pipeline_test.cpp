// The address table as frames meet it: learning and station moves, controlled learning with
// its messages and lock command, and the commands of static entries.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, LearningTurnsFloodingIntoUnicastAndFollowsStationMoves) {
    vlan(1, {1, 2, 3, 4});
    EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), (std::vector<uint32_t>{2, 3, 4}));
    chipsim::Injected r = inject(2, untagged(mac(1), mac(2)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{1});
    EXPECT_FALSE(r.flooded);
    EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), std::vector<uint32_t>{2});
    // The station moves to port 3.
    inject(3, untagged(kBroadcast, mac(2)));
    EXPECT_EQ(fdb_port(mac(2), 1), dp(3));
    EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), std::vector<uint32_t>{3});
    // A frame for an address on the port it came in on goes nowhere.
    EXPECT_EQ(inject(3, untagged(mac(2), mac(9))).drop, Drop::kNoDestination);
    // Group and zero source addresses are never learned.
    inject(1, untagged(kBroadcast, {0x01, 0, 0x5E, 0, 0, 1}));
    inject(1, untagged(kBroadcast, {0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fdb_entries(), 3u);
    // The same address in another VLAN is another entry.
    vlan(2, {1, 4});
    inject(4, tagged(kBroadcast, mac(2), 2));
    EXPECT_EQ(fdb_port(mac(2), 2), dp(4));
    EXPECT_EQ(fdb_port(mac(2), 1), dp(3));
}

TEST_F(PipelineTest, ControlledLearningReportsNewAddressesAndAppliesTheLockCommand) {
    vlan(1, {1, 2});
    ASSERT_EQ(sdkBrgFdbNaToCpuPerPortSet(0, dp(1), true), SDK_OK);
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, dp(1), false, SDK_LOCK_CMD_DROP), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kLearnLock);
    EXPECT_EQ(fdb_port(mac(1), 1), -1);
    SDK_SECUR_BREACH_MSG b;
    ASSERT_EQ(sdkSecurBreachMsgGet(0, &b), SDK_OK);
    EXPECT_EQ(b.code, SDK_SECUR_BREACH_NEW_ADDRESS);
    EXPECT_EQ(b.port, dp(1));
    EXPECT_EQ(b.vlan, 1);
    EXPECT_EQ(b.macSa[5], 1);
    SDK_MAC_UPDATE_MSG_EXT au[4];
    uint32_t n = 4;
    ASSERT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, au), SDK_OK);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(au[0].updType, SDK_FDB_AU_NA);
    EXPECT_FALSE(au[0].entryWasFound);
    EXPECT_EQ(au[0].macEntry.dstInterface.devPort.portNum, dp(1));

    // The CPU learns it for the chip: the next frame is known and forwarded.
    SDK_MAC_ENTRY_EXT e{};
    e.key.macVlan = {{2, 0, 0, 0, 0, 1}, 1};
    e.dstInterface.devPort = {0, dp(1)};
    ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(sdkSecurBreachMsgGet(0, &b), SDK_NOT_FOUND);

    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, dp(1), false, SDK_LOCK_CMD_TRAP_TO_CPU), SDK_OK);
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(5)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeNewAddress);
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, dp(1), false, SDK_LOCK_CMD_FORWARD), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(6)))), std::vector<uint32_t>{2});

    // Automatic learning reports what it learned when the port asks for it.
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, dp(1), true, SDK_LOCK_CMD_FORWARD), SDK_OK);
    n = 4;
    ASSERT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, au), SDK_OK);  // the earlier ones
    inject(1, untagged(kBroadcast, mac(7)));
    n = 4;
    ASSERT_EQ(sdkBrgFdbAuMsgBlockGet(0, &n, au), SDK_OK);
    ASSERT_EQ(n, 1u);
    EXPECT_TRUE(au[0].entryWasFound);
    EXPECT_EQ(au[0].macEntry.key.macVlan.macAddr[5], 7);
    EXPECT_EQ(fdb_port(mac(7), 1), dp(1));
}

// The drop lock command drops a new address as the new-address event's drop mode says: a soft
// drop lets a mirror to the CPU from another stage through as a trap, a hard drop does not.
TEST_F(PipelineTest, TheLockCommandDropFollowsTheNewAddressEventsDropMode) {
    vlan(1, {1, 2});
    ASSERT_EQ(sdkBrgFdbPortLearnStatusSet(0, dp(1), false, SDK_LOCK_CMD_DROP), SDK_OK);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    for (uint32_t mode : {SDK_SECUR_DROP_SOFT, SDK_SECUR_DROP_HARD}) {
        SCOPED_TRACE(mode == SDK_SECUR_DROP_SOFT ? "soft" : "hard");
        ASSERT_EQ(sdkBrgSecurBreachEventDropModeSet(0, SDK_SECUR_BREACH_NEW_ADDRESS, mode), SDK_OK);
        chipsim::Injected r = inject(1, igmp_report(mac(0x40)));
        EXPECT_TRUE(r.sent.empty());
        EXPECT_EQ(r.to_cpu, mode == SDK_SECUR_DROP_SOFT);
        if (mode == SDK_SECUR_DROP_SOFT) {
            EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIgmp);
        } else {
            EXPECT_EQ(r.drop, Drop::kLearnLock);
        }
        EXPECT_EQ(fdb_port(mac(0x40), 1), -1);
    }
}

TEST_F(PipelineTest, AddressEntriesCommandsAndStaticEntries) {
    vlan(1, {1, 2, 3});
    auto entry = [](uint8_t last, uint8_t port, uint32_t da, uint32_t sa, bool is_static) {
        SDK_MAC_ENTRY_EXT e{};
        e.key.macVlan = {{2, 0, 0, 0, 0, last}, 1};
        e.dstInterface.devPort = {0, port};
        e.daCommand = da;
        e.saCommand = sa;
        e.isStatic = is_static;
        ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    };
    entry(0x10, SDK_CPU_PORT, SDK_MAC_TABLE_CMD_TRAP_TO_CPU, 0, true);  // the switch's own MAC
    chipsim::Injected r = inject(1, untagged(mac(0x10), mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeMacDaTrap);
    ASSERT_EQ(chipsim::cpu_frames(0).size(), 1u);
    EXPECT_EQ(chipsim::cpu_frames(0)[0].src_port, dp(1));

    entry(0x11, dp(2), SDK_MAC_TABLE_CMD_DROP, 0, true);
    EXPECT_EQ(inject(1, untagged(mac(0x11), mac(1))).drop, Drop::kDaCommand);
    entry(0x12, dp(3), 0, SDK_MAC_TABLE_CMD_DROP, true);
    EXPECT_EQ(inject(3, untagged(kBroadcast, mac(0x12))).drop, Drop::kSaCommand);
    entry(0x13, dp(3), SDK_MAC_TABLE_CMD_MIRROR_TO_CPU, 0, false);
    r = inject(1, untagged(mac(0x13), mac(1)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{3});
    EXPECT_TRUE(r.to_cpu);

    // A static entry is not moved by a frame from elsewhere; the frame is still switched.
    entry(0x14, dp(3), 0, 0, true);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(0x14)))), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(fdb_port(mac(0x14), 1), dp(3));
}

}  // namespace
