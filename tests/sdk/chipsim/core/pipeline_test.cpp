// The hop loop as a whole: bad and random frames never read past their end with every stage
// that parses them switched on, and frames keep flowing while other threads reprogram the chip.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_port.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

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
