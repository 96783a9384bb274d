// The chip model's MAC counters as frames pass: sizes, kinds, errors, drops, wrapping, the
// capture with clear-on-read, and the egress counter sets.
#include <gtest/gtest.h>

#include "tests/sdk/chipsim/support/counters_fixture.h"

namespace {

using namespace frames;

TEST_F(CountersTest, GoodFramesCountBySizeAndKindOnBothSides) {
    struct Case {
        uint32_t len;  // without FCS
        char kind;
        SDK_MAC_COUNTER bucket;
        uint32_t wire;
    };
    const Case cases[] = {
        {20, 'u', SDK_PKTS_64_OCTETS, 64},  // padded by the sender
        {60, 'm', SDK_PKTS_64_OCTETS, 64},
        {61, 'b', SDK_PKTS_65TO127_OCTETS, 65},
        {123, 'u', SDK_PKTS_65TO127_OCTETS, 127},
        {124, 'm', SDK_PKTS_128TO255_OCTETS, 128},
        {300, 'b', SDK_PKTS_256TO511_OCTETS, 304},
        {1019, 'u', SDK_PKTS_512TO1023_OCTETS, 1023},
        {1020, 'm', SDK_PKTS_1024TOMAX_OCTETS, 1024},
        {1514, 'b', SDK_PKTS_1024TOMAX_OCTETS, 1518},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.len << " bytes, kind " << c.kind);
        const SDK_MAC_COUNTER rcv = c.kind == 'u'   ? SDK_UC_PKTS_RCV
                                    : c.kind == 'm' ? SDK_MC_PKTS_RCV
                                                    : SDK_BRDC_PKTS_RCV;
        const SDK_MAC_COUNTER sent = c.kind == 'u'   ? SDK_UC_PKTS_SENT
                                     : c.kind == 'm' ? SDK_MC_PKTS_SENT
                                                     : SDK_BRDC_PKTS_SENT;
        uint64_t bucket = count(1, c.bucket), octets = count(1, SDK_GOOD_OCTETS_RCV);
        uint64_t kind = count(1, rcv), out_kind = count(2, sent);
        uint64_t out_octets = count(2, SDK_GOOD_OCTETS_SENT);
        chipsim::Result r = receive(1, of_kind(c.kind, c.len).bytes());
        ASSERT_EQ(r.sent.size(), 2u);  // flooded to ports 2 and 3
        EXPECT_EQ(count(1, c.bucket), bucket + 1);
        EXPECT_EQ(count(1, SDK_GOOD_OCTETS_RCV), octets + c.wire);
        EXPECT_EQ(count(1, rcv), kind + 1);
        EXPECT_EQ(count(2, sent), out_kind + 1);
        EXPECT_EQ(count(2, SDK_GOOD_OCTETS_SENT), out_octets + c.wire);
        EXPECT_EQ(count(3, sent), count(2, sent));
    }
    EXPECT_EQ(count(1, SDK_BAD_OCTETS_RCV), 0u);
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 0u);
    EXPECT_EQ(count(2, SDK_UC_PKTS_RCV), 0u);  // what a port sends is not what it receives
}

TEST_F(CountersTest, ErroredFramesCountAsTheirErrorAndGoNowhere) {
    struct Case {
        uint32_t len;
        bool bad_fcs;
        SDK_MAC_COUNTER counter;
        chipsim::Drop drop;
        uint32_t wire;
    };
    const Case cases[] = {
        {10, false, SDK_UNDERSIZE_PKTS, chipsim::Drop::kRunt, 14},
        {10, true, SDK_FRAGMENTS_PKTS, chipsim::Drop::kBadFcs, 14},
        {100, true, SDK_BAD_CRC, chipsim::Drop::kBadFcs, 104},
        {chipsim::kMaxFrame + 1, false, SDK_OVERSIZE_PKTS, chipsim::Drop::kTooLong,
         chipsim::kMaxFrame + 5},
        {chipsim::kMaxFrame + 1, true, SDK_JABBER_PKTS, chipsim::Drop::kBadFcs,
         chipsim::kMaxFrame + 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.len << " bytes, bad FCS " << c.bad_fcs);
        uint64_t before = count(1, c.counter), bad = count(1, SDK_BAD_OCTETS_RCV);
        Bytes f = of_kind('u', c.len).bytes();
        f.resize(c.len);
        chipsim::Result r = receive(1, f, c.bad_fcs);
        EXPECT_TRUE(r.sent.empty());
        EXPECT_EQ(r.drop, c.drop);
        EXPECT_EQ(count(1, c.counter), before + 1);
        EXPECT_EQ(count(1, SDK_BAD_OCTETS_RCV), bad + c.wire);
    }
    // A frame of a good size with a bad FCS is still in its size bucket; none is good.
    EXPECT_EQ(count(1, SDK_PKTS_65TO127_OCTETS), 1u);
    EXPECT_EQ(count(1, SDK_GOOD_OCTETS_RCV), 0u);
    EXPECT_EQ(count(1, SDK_UC_PKTS_RCV), 0u);
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 0u);  // the MAC's discards are not drop events
}

TEST_F(CountersTest, BridgeDiscardsAreDropEventsAndADownPortCountsNothing) {
    receive(1, tagged(mac(9), mac(1), 99).bytes());  // a VLAN the chip does not hold
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 1u);
    EXPECT_EQ(count(1, SDK_UC_PKTS_RCV), 1u);  // the MAC received it well
    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 1));
    chipsim::Result r = receive(1, of_kind('u', 60).bytes());
    EXPECT_EQ(r.drop, chipsim::Drop::kPortDown);
    EXPECT_EQ(count(1, SDK_UC_PKTS_RCV), 1u);
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 1u);
}

TEST_F(CountersTest, PauseFramesCountAsFlowControlNotMulticast) {
    Frame pause = untagged({0x01, 0x80, 0xC2, 0x00, 0x00, 0x01}, mac(1), 60);
    pause.type = 0x8808;
    pause.payload = {0x00, 0x01, 0xFF, 0xFF};
    receive(1, pause.bytes());
    EXPECT_EQ(count(1, SDK_GOOD_FC_RCV), 1u);
    EXPECT_EQ(count(1, SDK_MC_PKTS_RCV), 0u);
    EXPECT_EQ(count(1, SDK_GOOD_OCTETS_RCV), 64u);
    EXPECT_EQ(count(1, SDK_DROP_EVENTS), 0u);  // consumed by the MAC, not discarded
}

TEST_F(CountersTest, CountersAreSixtyFourBitsAndWrap) {
    set(1, SDK_GOOD_OCTETS_RCV, ~uint64_t{0} - 10);
    set(1, SDK_UC_PKTS_RCV, ~uint64_t{0});
    receive(1, of_kind('u', 60).bytes());
    EXPECT_EQ(count(1, SDK_GOOD_OCTETS_RCV), 53u);
    EXPECT_EQ(count(1, SDK_UC_PKTS_RCV), 0u);
}

TEST_F(CountersTest, CaptureWithClearOnReadSnapshotsAndClears) {
    auto [dev, port] = at(1);
    set(1, SDK_BAD_CRC, 7);
    set(2, SDK_BAD_CRC, 9);
    uint64_t v = 0;
    // Reads leave the counters alone until clear-on-read is on.
    ASSERT_EQ(sdkMacCounterGet(dev, port, SDK_BAD_CRC, &v), SDK_OK);
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(sdkMacCounterGet(dev, port, 3, &v), SDK_BAD_PARAM);  // names no counter
    ASSERT_EQ(sdkPortMacCountersClearOnReadSet(dev, port, true), SDK_OK);
    ASSERT_TRUE(chipsim::set_capture_delay(dev, 2));
    ASSERT_EQ(sdkPortMacCountersCaptureTriggerSet(dev, port), SDK_OK);
    EXPECT_EQ(count(1, SDK_BAD_CRC), 0u);
    EXPECT_EQ(count(2, SDK_BAD_CRC), 9u);
    SDK_PORT_MAC_COUNTER_SET snap{};
    EXPECT_EQ(sdkPortMacCountersCaptureOnPortGet(dev, port, &snap), SDK_BAD_STATE);
    EXPECT_EQ(sdkPortMacCountersCaptureTriggerSet(dev, port), SDK_BAD_STATE);
    bool done = true;
    for (bool expected : {false, true, true}) {
        ASSERT_EQ(sdkPortMacCountersCaptureTriggerGet(dev, port, &done), SDK_OK);
        EXPECT_EQ(done, expected);
    }
    ASSERT_EQ(sdkPortMacCountersCaptureOnPortGet(dev, port, &snap), SDK_OK);
    EXPECT_EQ(snap.counter[SDK_BAD_CRC], 7u);
    // A single read clears what it read, and only that.
    set(1, SDK_COLLISIONS, 3);
    set(1, SDK_LATE_COLLISIONS, 4);
    ASSERT_EQ(sdkMacCounterGet(dev, port, SDK_COLLISIONS, &v), SDK_OK);
    EXPECT_EQ(v, 3u);
    EXPECT_EQ(count(1, SDK_COLLISIONS), 0u);
    EXPECT_EQ(count(1, SDK_LATE_COLLISIONS), 4u);
    ASSERT_EQ(sdkPortMacCountersClearOnReadSet(dev, port, false), SDK_OK);
    ASSERT_EQ(sdkMacCounterGet(dev, port, SDK_LATE_COLLISIONS, &v), SDK_OK);
    EXPECT_EQ(count(1, SDK_LATE_COLLISIONS), 4u);
}

TEST_F(CountersTest, EgressSetsCountTheCopiesTheirModeSelects) {
    auto [dev, p2] = at(2);
    ASSERT_EQ(sdkPortEgressCntrModeSet(dev, 0, SDK_EGRESS_CNT_PORT, p2, 0, 0, 0), SDK_OK);
    ASSERT_EQ(sdkPortEgressCntrModeSet(dev, 1, SDK_EGRESS_CNT_VLAN, 0, 2, 0, 0), SDK_OK);
    EXPECT_EQ(sdkPortEgressCntrModeSet(dev, 2, 0, 0, 0, 0, 0), SDK_BAD_PARAM);
    ASSERT_EQ(sdkBrgPortEgressBlockSet(dev, dp(3), true), SDK_OK);
    receive(1, of_kind('u', 60).bytes());
    receive(1, of_kind('b', 60).bytes());
    receive(1, of_kind('m', 60).bytes());
    SDK_EGRESS_CNTRS c{};
    ASSERT_EQ(sdkPortEgressCntrsGet(dev, 0, &c), SDK_OK);
    EXPECT_EQ(c.outUcFrames, 1u);
    EXPECT_EQ(c.outBcFrames, 1u);
    EXPECT_EQ(c.outMcFrames, 1u);
    EXPECT_EQ(c.egrFrwDropFrames, 0u);  // port 3's discards are not port 2's
    ASSERT_EQ(sdkPortEgressCntrsGet(dev, 0, &c), SDK_OK);
    EXPECT_EQ(c.outUcFrames, 0u);  // the read cleared them
    ASSERT_EQ(sdkPortEgressCntrsGet(dev, 1, &c), SDK_OK);
    EXPECT_EQ(c.outUcFrames + c.outBcFrames + c.outMcFrames, 0u);  // VLAN 2: none
    ASSERT_EQ(sdkPortEgressCntrModeSet(dev, 1, 0, 0, 0, 0, 0), SDK_OK);
    receive(1, of_kind('u', 60).bytes());
    ASSERT_EQ(sdkPortEgressCntrsGet(dev, 1, &c), SDK_OK);
    EXPECT_EQ(c.outUcFrames, 1u);
    EXPECT_EQ(c.egrFrwDropFrames, 1u);  // the copy for port 3
}

}  // namespace
