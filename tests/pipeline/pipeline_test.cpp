// The bridging pipeline stage by stage: bad input, admission, classification and tagging,
// spanning tree, learning control, control packets, loopbacks, the internal link of the
// two-device board, counters and capture.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_misc.h"
#include "sdk/sdk_phy.h"
#include "sdk/sdk_port.h"
#include "tests/pipeline/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

TEST_F(PipelineTest, BadFramesAreDroppedAndCountedWithoutReadingPastTheirEnd) {
    vlan(1, {1, 2});
    Bytes runt(13, 0xFF);
    EXPECT_EQ(inject(1, runt).drop, Drop::kRunt);
    EXPECT_EQ(inject(1, Bytes{}).drop, Drop::kRunt);
    // The tag type, then the frame ends inside the tag.
    Bytes cut = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 1, 0x81, 0x00, 0x00};
    EXPECT_EQ(inject(1, cut).drop, Drop::kTruncatedTag);
    Bytes huge = untagged(kBroadcast, mac(1), 16384).bytes();
    ASSERT_EQ(sdkPortMruSet(0, dp(1), 16382), SDK_OK);
    EXPECT_EQ(inject(1, huge).drop, Drop::kTooLong);
    EXPECT_EQ(drops(1, Drop::kRunt), 2u);
    EXPECT_EQ(drops(1, Drop::kTruncatedTag), 1u);
    EXPECT_EQ(drops(1, Drop::kTooLong), 1u);
    EXPECT_EQ(chipsim::port_counters(0, dp(1)).rx_frames, 4u);
    EXPECT_EQ(chipsim::port_counters(0, dp(2)).tx_frames, 0u);
    EXPECT_EQ(fdb_entries(), 0u);  // nothing learned from any of them

    // A 14-byte frame is padded to the minimum, as the sender's MAC would have done.
    Bytes header = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 1, 0x88, 0xB5};
    chipsim::Injected r = inject(1, header);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    ASSERT_EQ(r.sent[0].bytes.size(), 60u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), r.sent[0].bytes.begin()));
    EXPECT_EQ(r.sent[0].bytes[59], 0);
    // A frame that ends right after a complete tag is padded too.
    Bytes tagged18 = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0,    0,
                      0,    0,    1,    0x81, 0,    0,    1, 0x88, 0xB5};
    EXPECT_EQ(out_ports(inject(1, tagged18)), std::vector<uint32_t>{2});
}

TEST_F(PipelineTest, RandomFramesNeverReadPastTheirEnd) {
    // Every feature that looks into frames switched on; frames of random bytes, biased to the
    // Ether types the stages parse, each in a buffer of exactly its size (AddressSanitizer).
    vlan(1, {1, 2}, {3}, 0, {SDK_CPU_PORT});
    vlan(7, {}, {1, 2});
    ASSERT_EQ(sdkBrgVlanProtoClassSet(0, 0, SDK_VLAN_ENCAP_RFC1042, 0x0800), SDK_OK);
    ASSERT_EQ(sdkBrgVlanProtoClassSet(0, 1, SDK_VLAN_ENCAP_LLC_OTHER, 0x4242), SDK_OK);
    ASSERT_EQ(sdkBrgVlanPortProtoVlanSet(0, dp(1), 0, true, 7), SDK_OK);
    ASSERT_EQ(sdkBrgVlanPortProtoVlanSet(0, dp(1), 1, true, 7), SDK_OK);
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    ASSERT_EQ(sdkBrgGenIcmpv6MsgTypeSet(0, 0, 143, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    ASSERT_EQ(sdkBrgMcIpBridgingEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkOamPortPduTrapEnableSet(0, dp(1), true), SDK_OK);
    std::mt19937 rng(42);
    const uint16_t types[] = {0x8100, 0x86DD, 0x0800, 0x8809, 0x0806, 0x0040, 0x88A8};
    uint64_t dropped = 0;
    for (int i = 0; i < 20000; ++i) {
        size_t len = rng() % 160;
        Bytes f(len);
        for (uint8_t& x : f)
            x = static_cast<uint8_t>(rng());
        if (len >= 14 && rng() % 4) {
            f[12] = static_cast<uint8_t>(types[rng() % 7] >> 8);
            f[13] = static_cast<uint8_t>(types[rng() % 7]);
        }
        if (len >= 18 && rng() % 3 == 0) {  // an IP packet inside a tag
            f[16] = rng() % 2 ? 0x86 : 0x08;
            f[17] = f[16] == 0x86 ? 0xDD : 0x00;
        }
        if (len >= 6 && rng() % 3 == 0) f[0] |= 1;  // multicast
        chipsim::Injected r = inject(1 + i % 3, f);
        ASSERT_TRUE(r.ok);
        dropped += r.drop != Drop::kNone;
    }
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(chipsim::port_counters(0, dp(1)).rx_frames +
                  chipsim::port_counters(0, dp(2)).rx_frames +
                  chipsim::port_counters(0, dp(3)).rx_frames,
              20000u);
}

TEST_F(PipelineTest, AdmissionByPortStateAndFrameSize) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkPortEnableSet(0, dp(3), false), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).drops[static_cast<uint32_t>(Drop::kEgressDown)], 1u);
    EXPECT_EQ(inject(3, untagged(kBroadcast, mac(3))).drop, Drop::kPortDown);
    chipsim::Partner gone;
    gone.present = false;
    ASSERT_TRUE(chipsim::set_partner(0, dp(2), gone));
    EXPECT_EQ(inject(2, untagged(kBroadcast, mac(2))).drop, Drop::kPortDown);

    // MRU counts the FCS: 1518 bytes + 4 pass an MRU of 1522, 1519 do not.
    ASSERT_EQ(sdkPortMruSet(0, dp(1), 1522), SDK_OK);
    ASSERT_EQ(sdkPortMruSet(0, dp(2), 1522), SDK_OK);
    ASSERT_TRUE(chipsim::set_partner(0, dp(2), chipsim::Partner{}));
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1518)).drop, Drop::kNone);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1519)).drop, Drop::kMru);
    // The oversize-untagged filter: untagged frames above 1518 bytes with their FCS.
    ASSERT_EQ(sdkBrgGenPortOversizUntagPktFilterEnableSet(0, dp(1), true), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 1514)).drop, Drop::kNone);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 1515)).drop, Drop::kOversizeUntagged);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 1, 1518)).drop, Drop::kNone);
    // The VLAN's MRU profile.
    ASSERT_EQ(sdkBrgVlanMruProfileValueSet(0, 0, 1000), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 997)).drop, Drop::kVlanMru);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 996)).drop, Drop::kNone);
}

TEST_F(PipelineTest, TaggingChangesBetweenTaggedAndUntaggedMembers) {
    vlan(10, {1}, {2});
    pvid(1, 10);
    Frame f = untagged(mac(2), mac(1));
    ASSERT_EQ(sdkBrgVlanPortDefaultUpSet(0, dp(1), 5), SDK_OK);
    chipsim::Injected r = inject(1, f);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    const Bytes& out = r.sent[0].bytes;
    ASSERT_EQ(out.size(), 68u);
    EXPECT_EQ(tag_vid(out), 10);
    EXPECT_EQ(out[14] >> 5, 5);  // the port's default priority
    Bytes in = f.bytes();
    EXPECT_TRUE(std::equal(in.begin() + 12, in.end(), out.begin() + 16));

    Frame back = tagged(mac(1), mac(2), 10, 68);
    back.pcp = 3;
    r = inject(2, back);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{1});
    EXPECT_EQ(r.sent[0].bytes.size(), 64u);
    EXPECT_EQ(tag_vid(r.sent[0].bytes), -1);
    // Removing the tag of a minimum-size frame pads it back to the minimum.
    r = inject(2, tagged(mac(1), mac(2), 10, 60));
    ASSERT_EQ(r.sent.size(), 1u);
    EXPECT_EQ(r.sent[0].bytes.size(), 60u);
}

TEST_F(PipelineTest, ClassificationByTagPriorityTagAndProtocol) {
    vlan(10, {1, 2});
    vlan(20, {1, 3});
    vlan(30, {1, 4});
    pvid(1, 10);
    // A priority-tagged frame joins the port VLAN and keeps its priority.
    Frame prio = tagged(kBroadcast, mac(1), 0);
    prio.pcp = 6;
    chipsim::Injected r = inject(1, prio);
    EXPECT_EQ(r.vid, 10);
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    // IPv6 frames of the port go to VLAN 20 by their protocol class; tagged ones keep theirs.
    ASSERT_EQ(sdkBrgVlanProtoClassSet(0, 1, SDK_VLAN_ENCAP_ETHERNET_II, 0x86DD), SDK_OK);
    ASSERT_EQ(sdkBrgVlanPortProtoVlanSet(0, dp(1), 1, true, 20), SDK_OK);
    Frame v6 = untagged(kBroadcast, mac(1));
    v6.type = 0x86DD;
    EXPECT_EQ(inject(1, v6).vid, 20);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).vid, 10);
    Frame v6tagged = tagged(kBroadcast, mac(1), 30);
    v6tagged.type = 0x86DD;
    EXPECT_EQ(out_ports(inject(1, v6tagged)), std::vector<uint32_t>{4});
    // VLAN 4095 and VLANs the chip does not hold are not switched.
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 4095)).drop, Drop::kInvalidVlan);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 99)).drop, Drop::kInvalidVlan);
}

TEST_F(PipelineTest, AcceptableFrameTypesAndIngressFilter) {
    vlan(10, {1, 2});
    vlan(20, {2, 3});
    pvid(1, 10);
    ASSERT_EQ(sdkBrgVlanPortAccFrameTypeSet(0, dp(1), SDK_VLAN_ACCEPT_TAGGED), SDK_OK);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kFrameType);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 0)).drop, Drop::kFrameType);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 10)).drop, Drop::kNone);
    ASSERT_EQ(sdkBrgVlanPortAccFrameTypeSet(0, dp(1), SDK_VLAN_ACCEPT_UNTAGGED), SDK_OK);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 10)).drop, Drop::kFrameType);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(1), 0)).drop, Drop::kNone);
    ASSERT_EQ(sdkBrgVlanPortAccFrameTypeSet(0, dp(1), SDK_VLAN_ACCEPT_ALL), SDK_OK);

    // Port 1 is not in VLAN 20: without the filter the frame goes on, with it it does not,
    // and its source is not learned.
    EXPECT_EQ(out_ports(inject(1, tagged(kBroadcast, mac(1), 20))), (std::vector<uint32_t>{2, 3}));
    ASSERT_EQ(sdkBrgVlanPortIngFltEnable(0, dp(1), true), SDK_OK);
    EXPECT_EQ(inject(1, tagged(kBroadcast, mac(7), 20)).drop, Drop::kIngressFilter);
    EXPECT_EQ(fdb_port(mac(7), 20), -1);
    EXPECT_EQ(drops(1, Drop::kIngressFilter), 1u);
}

TEST_F(PipelineTest, SpanningTreeStatesGateLearningAndForwarding) {
    vlan(1, {1, 2, 3});
    stp(1, SDK_STP_BLOCKING);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kStpState);
    EXPECT_EQ(fdb_port(mac(1), 1), -1);
    stp(1, SDK_STP_LEARNING);
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1))).drop, Drop::kStpState);
    EXPECT_EQ(fdb_port(mac(1), 1), dp(1));
    stp(1, SDK_STP_FORWARDING);
    stp(3, SDK_STP_BLOCKING);  // blocking on egress too
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(drops(3, Drop::kEgressStp), 1u);
    // The VLAN's group decides: in group 5 port 3 forwards.
    ASSERT_EQ(sdkBrgVlanToStpIdBind(0, 1, 5), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), (std::vector<uint32_t>{2, 3}));

    // A blocking port still hands BPDUs to the CPU when they are trapped; a disabled one not.
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 0, 0, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    stp(2, SDK_STP_BLOCKING, 5);
    chipsim::Injected r = inject(2, bpdu(mac(2)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIeeeReserved);
    stp(2, SDK_STP_DISABLED, 5);
    r = inject(2, bpdu(mac(2)));
    EXPECT_FALSE(r.to_cpu);
    EXPECT_EQ(r.drop, Drop::kStpState);
}

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

TEST_F(PipelineTest, ControlPacketsGoToTheCpuAsProgrammed) {
    vlan(1, {1, 2});
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    for (uint32_t profile = 0; profile < SDK_IEEE_RSV_MC_PROFILES; ++profile)
        ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, profile, 3, SDK_PACKET_CMD_TRAP_TO_CPU),
                  SDK_OK);
    chipsim::Injected r = inject(1, eapol(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIeeeReserved);
    // The port's profile decides.
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 2, 3, SDK_PACKET_CMD_FORWARD), SDK_OK);
    ASSERT_EQ(sdkBrgGenPortIeeeReservedMcastProfileIndexSet(0, dp(1), 2), SDK_OK);
    r = inject(1, eapol(mac(1)));
    EXPECT_FALSE(r.to_cpu);
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});

    // MLD reports by ICMPv6 type, behind a hop-by-hop header.
    EXPECT_FALSE(inject(1, mld_report(mac(1))).to_cpu);
    ASSERT_EQ(sdkBrgGenIcmpv6MsgTypeSet(0, 3, 143, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    r = inject(1, mld_report(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIcmpv6);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    r = inject(1, igmp_report(mac(1)));
    EXPECT_TRUE(r.to_cpu);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeIgmp);
    std::vector<chipsim::CpuFrame> cpu = chipsim::cpu_frames(0);
    ASSERT_EQ(cpu.size(), 3u);
    EXPECT_TRUE(cpu[1].mirrored);
    EXPECT_FALSE(cpu[2].mirrored);
    EXPECT_EQ(cpu[2].bytes, igmp_report(mac(1)).bytes());

    // Pause frames end in the MAC; unregistered multicast follows its command.
    Frame pause = untagged({0x01, 0x80, 0xC2, 0, 0, 1}, mac(1));
    pause.type = 0x8808;
    EXPECT_EQ(inject(1, pause).drop, Drop::kControl);
    ASSERT_EQ(sdkBrgGenUnregMcastCmdSet(0, SDK_UNREG_MC_NON_IP, SDK_PACKET_CMD_DROP), SDK_OK);
    EXPECT_EQ(inject(1, untagged({0x01, 0x11, 0x22, 0, 0, 1}, mac(1))).drop, Drop::kControl);
}

TEST_F(PipelineTest, TheCpuPortAsAVlanMemberGetsFloodedFramesOnce) {
    vlan(1, {1, 2}, {}, 0, {SDK_CPU_PORT});
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_TRUE(r.to_cpu);
    EXPECT_EQ(r.cpu_code, chipsim::kCpuCodeFlooded);
    ASSERT_EQ(sdkBrgGenIgmpCmdSet(0, SDK_PACKET_CMD_MIRROR_TO_CPU), SDK_OK);
    inject(1, igmp_report(mac(1)));
    std::vector<chipsim::CpuFrame> cpu = chipsim::cpu_frames(0);
    ASSERT_EQ(cpu.size(), 2u);  // one copy each, the mirrored IGMP report with its own code
    EXPECT_EQ(cpu[1].cpu_code, chipsim::kCpuCodeIgmp);
    chipsim::CpuFrame taken;
    ASSERT_TRUE(chipsim::take_cpu_frame(0, &taken));
    EXPECT_EQ(taken.cpu_code, chipsim::kCpuCodeFlooded);
    EXPECT_EQ(chipsim::cpu_frames(0).size(), 1u);
}

// What reaches the CPU is held to the rate limit (packets per second) and the CPU port's
// shaper (kbit/s), both over the model's clock; other ports' shapers hold what they send.
TEST_F(PipelineTest, RateLimitAndShapersHoldWhatLeavesOverModelTime) {
    vlan(1, {1, 2}, {}, 0, {SDK_CPU_PORT});
    auto flood = [&](int n) {
        for (int i = 0; i < n; ++i)
            inject(1, untagged(kBroadcast, mac(1)));
    };
    auto taken = [] {
        size_t n = chipsim::cpu_frames(0).size();
        chipsim::CpuFrame f;
        while (chipsim::take_cpu_frame(0, &f)) {
        }
        return n;
    };
    ASSERT_EQ(sdkNetIfCpuRateLimitSet(0, 20), SDK_OK);
    flood(200);
    EXPECT_EQ(taken(), 20u);
    EXPECT_EQ(chipsim::port_counters(0, dp(1)).drops[uint32_t(chipsim::Drop::kCpuRateLimit)], 180u);
    flood(50);
    EXPECT_EQ(taken(), 0u);  // the same second of model time
    chipsim::advance_clock(1);
    flood(50);
    EXPECT_EQ(taken(), 20u);
    ASSERT_EQ(sdkNetIfCpuRateLimitSet(0, 0), SDK_OK);

    // The CPU port shaped at 8 kbit/s (a byte per millisecond) with a 4 KB burst: the burst
    // takes 64 frames of 64 bytes, a second of model time 1000 bytes more (the model's clock
    // also runs in real time: a frame more is allowed for the test's own milliseconds).
    chipsim::advance_clock(1);
    ASSERT_EQ(sdkPortTxShaperProfileSet(0, SDK_CPU_PORT, 1, 8), SDK_OK);
    ASSERT_EQ(sdkPortTxShaperEnableSet(0, SDK_CPU_PORT, true), SDK_OK);
    flood(100);
    EXPECT_NEAR(double(taken()), 64.5, 0.5);
    chipsim::advance_clock(1);
    flood(100);
    EXPECT_NEAR(double(taken()), 15.5, 0.5);
    // The flooded copies to port 2 went on all the while; shaping port 2 holds them too.
    EXPECT_EQ(chipsim::port_counters(0, dp(2)).tx_frames, 500u);
    ASSERT_EQ(sdkPortTxShaperProfileSet(0, dp(2), 1, 8), SDK_OK);
    ASSERT_EQ(sdkPortTxShaperEnableSet(0, dp(2), true), SDK_OK);
    flood(100);
    EXPECT_NEAR(double(chipsim::port_counters(0, dp(2)).tx_frames), 564.5, 0.5);
    EXPECT_NEAR(
        double(chipsim::port_counters(0, dp(2)).drops[uint32_t(chipsim::Drop::kEgressShaper)]),
        35.5, 0.5);
}

// The link a port passes frames on is the MAC's: a port without a PHY runs at its configured
// speed; with polling off the MAC keeps the link it last polled; a combo port without
// auto-media-select sees only its copper side.
TEST_F(PipelineTest, TheMacsViewOfTheLinkDecidesWhatAPortPasses) {
    vlan(1, {9, 13, 14});
    auto passes = [&](uint32_t front) {
        return inject(front, untagged(kBroadcast, mac(front))).drop != chipsim::Drop::kPortDown;
    };
    auto [dev, p13] = at(13);
    chipsim::Partner gig;
    gig.abilities = chipsim::kAb1000Full;
    ASSERT_TRUE(chipsim::set_partner(dev, p13, gig));
    EXPECT_TRUE(passes(13));
    ASSERT_EQ(sdkPortSpeedSet(dev, p13, SDK_PORT_SPEED_100), SDK_OK);  // forced, no PHY
    EXPECT_FALSE(passes(13));
    gig.abilities |= chipsim::kAb100Full;
    ASSERT_TRUE(chipsim::set_partner(dev, p13, gig));
    EXPECT_TRUE(passes(13));
    EXPECT_EQ(chipsim::link(dev, p13).speed, SDK_PORT_SPEED_100);

    // Front port 9: a combo PHY, its partner on the fibre side.
    auto [dev9, p9] = at(9);
    chipsim::Partner fibre;
    fibre.fibre = true;
    ASSERT_TRUE(chipsim::set_partner(dev9, p9, fibre));
    EXPECT_TRUE(passes(9));
    uint32_t ams = 0;
    ASSERT_EQ(sdkPhySmiAutoMediaSelectGet(dev9, p9, &ams), SDK_OK);
    ASSERT_EQ(sdkPhySmiAutoMediaSelectSet(dev9, p9, ams & ~(1u << (p9 % 6))), SDK_OK);
    EXPECT_FALSE(passes(9));
    ASSERT_EQ(sdkPhySmiAutoMediaSelectSet(dev9, p9, ams), SDK_OK);
    EXPECT_TRUE(passes(9));
    // Polling off: the partner goes away, the MAC keeps the link it had.
    ASSERT_EQ(sdkPhyAutonegSmiSet(dev9, p9, false), SDK_OK);
    chipsim::Partner none;
    none.present = false;
    ASSERT_TRUE(chipsim::set_partner(dev9, p9, none));
    EXPECT_TRUE(passes(9));
    bool up = false;
    ASSERT_EQ(sdkPortLinkStatusGet(dev9, p9, &up), SDK_OK);
    EXPECT_TRUE(up);
    ASSERT_EQ(sdkPhyAutonegSmiSet(dev9, p9, true), SDK_OK);
    EXPECT_FALSE(passes(9));
}

TEST_F(PipelineTest, InternalLoopbackBringsFramesBackAndLoopsAreCut) {
    vlan(1, {1, 2, 3, 4});
    ASSERT_EQ(sdkPortInternalLoopbackEnableSet(0, dp(3), true), SDK_OK);
    // The copy to port 3 comes back in on port 3 and is flooded again (not to port 3).
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{1, 2, 2, 4, 4}));
    EXPECT_EQ(fdb_port(mac(1), 1), dp(3));  // the source moved to where it came back in
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).tx_frames, 1u);
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).rx_frames, 1u);
    // Two looped ports send a broadcast round for ever: the chip cuts it and counts it.
    ASSERT_EQ(sdkPortInternalLoopbackEnableSet(0, dp(4), true), SDK_OK);
    r = inject(1, untagged(kBroadcast, mac(1)));
    uint64_t loops = drops(3, Drop::kLoop) + drops(4, Drop::kLoop);
    EXPECT_GT(loops, 0u);
    EXPECT_LT(r.sent.size(), 2 * chipsim::kMaxHops);
}

TEST_F(PipelineTest, TunnelAccessPortsPushAnOuterTag) {
    vlan(100, {1}, {2});
    pvid(1, 100);
    ASSERT_EQ(sdkBrgNestVlanAccessPortSet(0, dp(1), true), SDK_OK);
    ASSERT_EQ(sdkBrgVlanPortTpidSet(0, dp(2), 0x88A8), SDK_OK);
    Frame customer = tagged(kBroadcast, mac(1), 7);
    customer.pcp = 4;
    ASSERT_EQ(sdkBrgVlanPortCopyInnerUpSet(0, dp(1), true), SDK_OK);
    chipsim::Injected r = inject(1, customer);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    const Bytes& out = r.sent[0].bytes;
    EXPECT_EQ(tag_vid(out, 0x88A8), 100);
    EXPECT_EQ(out[14] >> 5, 4);                 // the customer's priority copied outside
    EXPECT_EQ(out[16] << 8 | out[17], 0x8100);  // the customer tag inside
    EXPECT_EQ((out[18] << 8 | out[19]) & 0xFFF, 7);
    // Back from the provider side the outer tag comes off and the customer tag stays.
    r = inject(2, out);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{1});
    EXPECT_EQ(r.sent[0].bytes, customer.bytes());
}

TEST_F(PipelineTest, EgressBlockAndOamLoopback) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkBrgPortEgressBlockSet(0, dp(3), true), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{2});
    EXPECT_EQ(drops(3, Drop::kEgressBlock), 1u);
    ASSERT_EQ(sdkOamPortLoopbackEnableSet(0, dp(2), true), SDK_OK);
    Frame f = untagged(kBroadcast, mac(2));
    chipsim::Injected r = inject(2, f);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_EQ(r.sent[0].bytes, f.bytes());
}

TEST_F(PipelineTest, CountersAndCaptureRecordWhatPortsSend) {
    vlan(1, {1, 2, 3}, {}, 0, {SDK_CPU_PORT});
    chipsim::capture_ports(0, uint64_t{1} << dp(2) | uint64_t{1} << SDK_CPU_PORT);
    inject(1, untagged(kBroadcast, mac(1), 100));
    inject(1, untagged(mac(9), mac(1), 70));
    chipsim::PortCounters c1 = chipsim::port_counters(0, dp(1));
    chipsim::PortCounters c2 = chipsim::port_counters(0, dp(2));
    EXPECT_EQ(c1.rx_frames, 2u);
    EXPECT_EQ(c1.rx_bytes, 170u);
    EXPECT_EQ(c1.to_cpu, 2u);  // broadcast and unknown unicast both flood to the CPU port
    EXPECT_EQ(c2.tx_frames, 2u);
    EXPECT_EQ(c2.tx_bytes, 170u);
    EXPECT_EQ(c2.captured, 2u);
    EXPECT_EQ(chipsim::port_counters(0, dp(3)).captured, 0u);
    chipsim::CapturedFrame f;
    std::vector<uint8_t> ports;
    while (chipsim::take_captured(0, &f))
        ports.push_back(f.port);
    EXPECT_EQ(ports, (std::vector<uint8_t>{SDK_CPU_PORT, dp(2), SDK_CPU_PORT, dp(2)}));
    chipsim::capture_ports(0, 0);
    inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_FALSE(chipsim::take_captured(0, &f));
    chipsim::clear_frame_counters(0);
    EXPECT_EQ(chipsim::port_counters(0, dp(2)).tx_frames, 0u);
}

TEST_F(PipelineTest, FramesCrossTheInternalLinkOfTheTwoDeviceBoard) {
    bring_up(two_device_board());
    // Front ports 1 and 2 on device 0, 9 on device 1; cascade ports 24 (dev 0), 23 (dev 1).
    vlan(1, {1, 2}, {}, 0, {24});
    vlan(1, {9}, {}, 1, {23});
    chipsim::Injected r = inject(1, untagged(mac(9), mac(1)));
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 9}));
    const chipsim::FrameCopy* on9 = copy_on(r, 9);
    ASSERT_NE(on9, nullptr);
    EXPECT_EQ(on9->bytes, untagged(mac(9), mac(1)).bytes());  // untagged again on the far side
    // Device 1 learned the address as device 0's port.
    EXPECT_EQ(fdb_port(mac(1), 1, 1), dp(1));
    r = inject(9, untagged(mac(1), mac(9)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{1});
    EXPECT_EQ(fdb_port(mac(9), 1, 0), dp(9));
    EXPECT_EQ(chipsim::port_counters(0, 24).tx_frames, 1u);
    EXPECT_EQ(chipsim::port_counters(1, 23).rx_frames, 1u);
}

TEST_F(PipelineTest, TheDeviceMapDecidesWhereAFrameToTheOtherDeviceGoes) {
    bring_up(two_device_board());
    vlan(1, {1, 2}, {}, 0, {24});
    vlan(1, {9, 10}, {}, 1, {23});
    inject(1, untagged(mac(9), mac(1)));  // device 1 learns mac(1) behind device 0
    EXPECT_EQ(out_ports(inject(9, untagged(mac(1), mac(9)))), std::vector<uint32_t>{1});
    // A device map on device 1 that sends device 0's frames out of front port 10's device
    // port: the known unicast leaves there and never crosses.
    link_to_device(1, chipsim::hw_dev_num(0), dp(10));
    EXPECT_EQ(out_ports(inject(9, untagged(mac(1), mac(9)))), std::vector<uint32_t>{10});
    // A link to a port the device does not have: the frame goes nowhere.
    link_to_device(1, chipsim::hw_dev_num(0), 20);
    chipsim::Injected r = inject(9, untagged(mac(1), mac(9)));
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.drop, chipsim::Drop::kNoDestination);
}

TEST_F(PipelineTest, FramesWhileGroupThreadsReprogramTheChip) {
    vlan(1, {1, 2, 3});
    constexpr int kFrames = 3000;
    std::thread writer([] {
        for (int i = 0; i < kFrames / 10; ++i) {
            sdkBrgStpStateSet(0, dp(3), 0, i % 2 ? SDK_STP_FORWARDING : SDK_STP_BLOCKING);
            sdkBrgVlanMemberAdd(0, 1, dp(3), i % 3 == 0, 0);
            SDK_MAC_ENTRY_EXT e{};
            e.key.macVlan = {{2, 0, 0, 0, 1, static_cast<uint8_t>(i)}, 1};
            e.dstInterface.devPort = {0, dp(2)};
            sdkBrgFdbMacEntrySet(0, &e);
        }
    });
    std::thread reader([] {
        for (int i = 0; i < kFrames / 10; ++i) {
            chipsim::port_counters(0, dp(2));
            chipsim::fdb_stats(0);
        }
    });
    for (int i = 0; i < kFrames; ++i)
        inject(1 + i % 2, untagged(mac(static_cast<uint8_t>(i)), mac(static_cast<uint8_t>(i + 1))));
    writer.join();
    reader.join();
    EXPECT_EQ(
        chipsim::port_counters(0, dp(1)).rx_frames + chipsim::port_counters(0, dp(2)).rx_frames,
        static_cast<uint64_t>(kFrames));
}

}  // namespace
