// Mirroring as the pipeline applies it: copies of port and VLAN traffic to the analyzer.
#include "tests/sdk/chipsim/support/l2feat_fixture.h"

namespace {

using frames::mac;

class MirrorPipelineTest : public L2FeatPipelineTest {
  protected:
    void SetUp() override {
        L2FeatPipelineTest::SetUp();
        SDK_MIRROR_ANALYZER a{chipsim::hw_dev_num(0), dp(6)};
        ASSERT_EQ(sdkMirrorAnalyzerInterfaceSet(0, 2, &a), SDK_OK);
        ASSERT_EQ(sdkMirrorToAnalyzerForwardingModeSet(0, 1), SDK_OK);
        inject(2, frames::untagged(frames::kBroadcast, mac(0x02)));  // learn port 2
    }
};

TEST_F(MirrorPipelineTest, PortMirroringCopiesBothDirectionsAsReceivedAndSent) {
    vlan(10, {1}, {2, 6});
    pvid(1, 10);
    inject(2, frames::tagged(frames::kBroadcast, mac(0x22), 10));
    ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), true, 2), SDK_OK);
    auto in = frames::untagged(mac(0x22), mac(0x01));
    auto r = inject(1, in);
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    ASSERT_NE(copy_on(r, 6), nullptr);
    EXPECT_EQ(copy_on(r, 6)->bytes, in.bytes());           // as received: untagged
    EXPECT_EQ(frames::tag_vid(copy_on(r, 2)->bytes), 10);  // the switched copy tagged
    ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), false, 0), SDK_OK);
    ASSERT_EQ(sdkMirrorTxPortSet(0, dp(2), true, 2), SDK_OK);
    r = inject(1, in);
    ASSERT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    EXPECT_EQ(copy_on(r, 6)->bytes, copy_on(r, 2)->bytes);  // as sent: tagged
    // Nothing sent out of port 2, nothing mirrored.
    EXPECT_TRUE(out_ports(inject(1, frames::untagged(mac(0x01, 0x03), mac(0x01)))).size() >= 1);
    ASSERT_EQ(sdkMirrorTxPortSet(0, dp(2), false, 0), SDK_OK);
    EXPECT_EQ(out_ports(inject(1, in)), (std::vector<uint32_t>{2}));
}

TEST_F(MirrorPipelineTest, VlanMirroringCopiesOnlyThatVlansFrames) {
    vlan(20, {}, {1, 2});  // the analyzer port is no member
    SDK_PORTS_BMP members{}, tagged{};
    SDK_BRG_VLAN_INFO info{};
    bool valid = false;
    ASSERT_EQ(sdkBrgVlanEntryRead(0, 20, &members, &tagged, &info, &valid, nullptr), SDK_OK);
    info.mirrorToAnalyzer = 1;
    ASSERT_EQ(sdkBrgVlanEntryWrite(0, 20, &members, &tagged, &info, nullptr), SDK_OK);
    auto in20 = frames::tagged(mac(0x02), mac(0x01), 20);
    // The global analyzer off: no copy.
    EXPECT_EQ(out_ports(inject(1, in20)), (std::vector<uint32_t>{2}));
    ASSERT_EQ(sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(0, true, 2), SDK_OK);
    auto r = inject(1, in20);
    EXPECT_EQ(out_ports(r), (std::vector<uint32_t>{2, 6}));
    EXPECT_EQ(copy_on(r, 6)->bytes, in20.bytes());
    EXPECT_EQ(out_ports(inject(1, frames::untagged(mac(0x02), mac(0x01)))),
              (std::vector<uint32_t>{2}));
}

}  // namespace
