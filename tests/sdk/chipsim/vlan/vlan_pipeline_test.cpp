// VLANs as frames meet them: classification by tag, priority tag and protocol, acceptable
// frame types and the ingress filter, tagging on egress, and the outer tag of tunnel access
// ports.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

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

}  // namespace
