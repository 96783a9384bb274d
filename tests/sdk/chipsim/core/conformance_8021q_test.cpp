// IEEE 802.1Q forwarding rules, one test per rule, written from the standard's text (clause
// numbers of 802.1Q-2018), with the chip programmed as a VLAN bridge would program it.
#include <gtest/gtest.h>

#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

class Dot1Q : public PipelineTest {};

// 8.6.1: a frame received on a port that is not Forwarding is not relayed; in Learning its
// source is learned, in Discarding it is not.
TEST_F(Dot1Q, ActiveTopologyEnforcement) {
    vlan(1, {1, 2, 3});
    stp(1, SDK_STP_BLOCKING);
    EXPECT_TRUE(inject(1, untagged(kBroadcast, mac(1))).sent.empty());
    EXPECT_EQ(fdb_port(mac(1), 1), -1);
    stp(1, SDK_STP_LEARNING);
    EXPECT_TRUE(inject(1, untagged(kBroadcast, mac(1))).sent.empty());
    EXPECT_EQ(fdb_port(mac(1), 1), dp(1));
    // Nor is a frame transmitted on a port that is not Forwarding.
    stp(1, SDK_STP_FORWARDING);
    stp(2, SDK_STP_LEARNING);
    EXPECT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))), std::vector<uint32_t>{3});
}

// 8.6.2, 6.9: untagged and priority-tagged frames are classified to the port's PVID; a tagged
// frame keeps its VID whatever the PVID.
TEST_F(Dot1Q, ClassificationOfUntaggedPriorityTaggedAndTaggedFrames) {
    vlan(5, {1}, {2});
    vlan(7, {}, {1, 3});
    pvid(1, 5);
    EXPECT_EQ(tag_vid(inject(1, untagged(kBroadcast, mac(1))).sent.at(0).bytes), 5);
    Frame prio = tagged(kBroadcast, mac(1), 0);
    prio.pcp = 5;
    chipsim::Injected r = inject(1, prio);
    ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
    EXPECT_EQ(tag_vid(r.sent[0].bytes), 5);
    EXPECT_EQ(r.sent[0].bytes[14] >> 5, 5);  // its priority is carried on
    EXPECT_EQ(out_ports(inject(1, tagged(kBroadcast, mac(1), 7))), std::vector<uint32_t>{3});
}

// 6.9.1: the drop eligible indicator of a tagged frame is carried on.
TEST_F(Dot1Q, DropEligibleIndicatorIsKept) {
    vlan(7, {}, {1, 2});
    Bytes f = tagged(kBroadcast, mac(1), 7).bytes();
    f[14] |= 0x10;  // DEI
    chipsim::Injected r = inject(1, f);
    ASSERT_EQ(r.sent.size(), 1u);
    EXPECT_TRUE(r.sent[0].bytes[14] & 0x10);
}

// 8.6.2: "Admit Only VLAN-tagged frames" discards untagged and priority-tagged frames.
TEST_F(Dot1Q, AdmitOnlyVlanTaggedFrames) {
    vlan(1, {1, 2});
    vlan(3, {}, {1, 2});
    ASSERT_EQ(sdkBrgVlanPortAccFrameTypeSet(0, dp(1), SDK_VLAN_ACCEPT_TAGGED), SDK_OK);
    EXPECT_TRUE(inject(1, untagged(kBroadcast, mac(1))).sent.empty());
    EXPECT_TRUE(inject(1, tagged(kBroadcast, mac(1), 0)).sent.empty());
    EXPECT_EQ(out_ports(inject(1, tagged(kBroadcast, mac(1), 3))), std::vector<uint32_t>{2});
}

// 8.6.2: with ingress filtering, a frame whose VID does not include the reception port in its
// member set is discarded (and not learned, 8.7).
TEST_F(Dot1Q, IngressFiltering) {
    vlan(3, {}, {2, 3});
    ASSERT_EQ(sdkBrgVlanPortIngFltEnable(0, dp(1), true), SDK_OK);
    EXPECT_TRUE(inject(1, tagged(kBroadcast, mac(1), 3)).sent.empty());
    EXPECT_EQ(fdb_port(mac(1), 3), -1);
}

// 9.6: the VID value FFF is reserved; a frame carrying it is discarded.
TEST_F(Dot1Q, ReservedVidIsDiscarded) {
    vlan(1, {1, 2});
    EXPECT_TRUE(inject(1, tagged(kBroadcast, mac(1), 0xFFF)).sent.empty());
}

// 8.6.3: a frame is never transmitted on the port it was received on.
TEST_F(Dot1Q, NeverBackOutOfTheReceptionPort) {
    vlan(1, {1, 2});
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), std::vector<uint32_t>{2});
    inject(1, untagged(kBroadcast, mac(2)));  // mac(2) learned on port 1
    EXPECT_TRUE(inject(1, untagged(mac(2), mac(1))).sent.empty());
}

// 8.6.3, 8.8: a frame for a learned individual address goes to that port only; for an unknown
// individual address or a group address, to every other port of the member set.
TEST_F(Dot1Q, KnownUnicastFilteredUnknownAndGroupFlooded) {
    vlan(1, {1, 2, 3, 4});
    vlan(2, {5, 6});
    EXPECT_EQ(out_ports(inject(1, untagged(mac(3), mac(1)))), (std::vector<uint32_t>{2, 3, 4}));
    inject(3, untagged(kBroadcast, mac(3)));
    EXPECT_EQ(out_ports(inject(1, untagged(mac(3), mac(1)))), std::vector<uint32_t>{3});
    EXPECT_EQ(out_ports(inject(1, untagged({0x01, 0, 0x5E, 0, 0, 9}, mac(1)))),
              (std::vector<uint32_t>{2, 3, 4}));
    // Flooding stays in the VLAN.
    pvid(5, 2);
    EXPECT_EQ(out_ports(inject(5, untagged(kBroadcast, mac(5)))), std::vector<uint32_t>{6});
}

// 8.6.4: frames are transmitted only on ports of the VID's member set: untagged on the members
// of its untagged set, tagged with the VID on the others.
TEST_F(Dot1Q, EgressMemberSetAndUntaggedSet) {
    vlan(9, {1, 2}, {3});
    pvid(1, 9);
    chipsim::Injected r = inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(tag_vid(copy_on(r, 2)->bytes), -1);
    EXPECT_EQ(tag_vid(copy_on(r, 3)->bytes), 9);
    // A learned address on a port outside the member set is not sent to.
    vlan(10, {1, 4});
    pvid(4, 10);
    inject(4, untagged(kBroadcast, mac(4)));
    SDK_MAC_ENTRY_EXT e{};
    e.key.macVlan = {{2, 0, 0, 0, 0, 4}, 9};
    e.dstInterface.devPort = {0, dp(4)};
    ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    EXPECT_TRUE(inject(1, untagged(mac(4), mac(1))).sent.empty());
}

// 6.9.3 (with 802.3 minimum frame size): removing a tag from a minimum-size frame pads it.
TEST_F(Dot1Q, UntaggingKeepsTheMinimumFrameSize) {
    vlan(9, {2}, {1});
    chipsim::Injected r = inject(1, tagged(kBroadcast, mac(1), 9, 60));
    ASSERT_EQ(r.sent.size(), 1u);
    EXPECT_EQ(r.sent[0].bytes.size(), 60u);
}

// 8.7: learning is by MAC address and VID (independent VLAN learning); group source addresses
// are never learned; a station seen on another port moves there.
TEST_F(Dot1Q, LearningIsPerVidAndFollowsTheStation) {
    vlan(1, {1, 2, 3});
    vlan(2, {1, 2, 3});
    inject(1, untagged(kBroadcast, mac(1)));
    inject(2, tagged(kBroadcast, mac(1), 2));
    EXPECT_EQ(fdb_port(mac(1), 1), dp(1));
    EXPECT_EQ(fdb_port(mac(1), 2), dp(2));
    inject(3, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(fdb_port(mac(1), 1), dp(3));
    inject(1, untagged(kBroadcast, {0x03, 0, 0, 0, 0, 1}));
    EXPECT_EQ(fdb_port({0x03, 0, 0, 0, 0, 1}, 1), -1);
}

// 8.8.3: a dynamic entry is not removed before the ageing time has passed since its station
// was last seen, and is gone within two ageing times (the chip's two-pass ageing).
TEST_F(Dot1Q, AgeingRemovesStaleEntriesNotBeforeTheAgeingTime) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkBrgFdbAgingTimeoutSet(0, 100), SDK_OK);
    inject(1, untagged(kBroadcast, mac(1)));
    inject(2, untagged(kBroadcast, mac(2)));
    chipsim::advance_clock(99);
    EXPECT_EQ(fdb_port(mac(1), 1), dp(1));
    inject(2, untagged(kBroadcast, mac(2)));  // mac(2) seen again
    chipsim::advance_clock(99);
    EXPECT_EQ(fdb_port(mac(2), 1), dp(2));
    chipsim::advance_clock(101);
    EXPECT_EQ(fdb_port(mac(1), 1), -1);
    EXPECT_EQ(fdb_port(mac(2), 1), -1);
    EXPECT_EQ(out_ports(inject(2, untagged(mac(1), mac(2)))), (std::vector<uint32_t>{1, 3}));
}

// 8.8.1: static entries are not aged and learning does not override them.
TEST_F(Dot1Q, StaticEntriesAreNeitherAgedNorLearnedOver) {
    vlan(1, {1, 2, 3});
    SDK_MAC_ENTRY_EXT e{};
    e.key.macVlan = {{2, 0, 0, 0, 0, 7}, 1};
    e.dstInterface.devPort = {0, dp(3)};
    e.isStatic = true;
    ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    ASSERT_EQ(sdkBrgFdbAgingTimeoutSet(0, 10), SDK_OK);
    inject(1, untagged(kBroadcast, mac(7)));
    chipsim::advance_clock(1000);
    EXPECT_EQ(fdb_port(mac(7), 1), dp(3));
    EXPECT_EQ(out_ports(inject(2, untagged(mac(7), mac(2)))), std::vector<uint32_t>{3});
}

// 8.6.1, 8.13: frames for the bridge's own protocol entities (BPDUs to 01-80-C2-00-00-00) are
// taken by the bridge even on a Discarding port, and never relayed.
TEST_F(Dot1Q, BpdusReachTheBridgeAndAreNotRelayed) {
    vlan(1, {1, 2});
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    for (uint8_t proto = 0; proto < 16; ++proto)
        ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 0, proto, SDK_PACKET_CMD_TRAP_TO_CPU),
                  SDK_OK);
    stp(1, SDK_STP_BLOCKING);
    chipsim::Injected r = inject(1, bpdu(mac(1)));
    EXPECT_TRUE(r.sent.empty());
    EXPECT_TRUE(r.to_cpu);
    stp(1, SDK_STP_FORWARDING);
    for (uint8_t proto = 0; proto < 16; ++proto) {
        Frame f = untagged({0x01, 0x80, 0xC2, 0, 0, proto}, mac(1));
        EXPECT_TRUE(inject(1, f).sent.empty()) << "01-80-C2-00-00-" << int(proto);
    }
}

}  // namespace
