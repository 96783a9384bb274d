// The ingress decision cache: a flow that repeats takes the cached decision and is still
// counted per frame, and every change that alters where a frame goes makes the next frame of
// the flow switch as the stages decide, never as the cache remembers.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk_counters.h"
#include "sdk/sdk_fdb.h"
#include "sdk/sdk_mirror.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using namespace frames;

class FlowCacheTest : public PipelineTest {
  protected:
    void SetUp() override {
        PipelineTest::SetUp();
        chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kOn);
        vlan(1, {1, 2, 3});
        // Both ends learned: 1 on port 1, 2 on port 2.
        ASSERT_EQ(out_ports(inject(1, untagged(kBroadcast, mac(1)))),
                  (std::vector<uint32_t>{2, 3}));
        ASSERT_EQ(out_ports(inject(2, untagged(mac(1), mac(2)))), std::vector<uint32_t>{1});
    }
    void TearDown() override {
        chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kOn);
        PipelineTest::TearDown();
    }
    static uint64_t hits() { return chipsim::flow_cache_stats(0).hits; }
    // Frames of the flow 1 -> 2 until one takes the cached decision; its output ports.
    static std::vector<uint32_t> warm() {
        uint64_t before = hits();
        std::vector<uint32_t> ports;
        for (int i = 0; i < 3 && hits() == before; ++i)
            ports = out_ports(inject(1, untagged(mac(2), mac(1))));
        EXPECT_GT(hits(), before) << "the flow never took a cached decision";
        return ports;
    }
};

TEST_F(FlowCacheTest, RepeatedFlowIsCachedAndStillCountedPerFrame) {
    ASSERT_EQ(warm(), std::vector<uint32_t>{2});
    auto rx = chipsim::port_counters(0, dp(1)).rx_frames;
    auto tx = chipsim::port_counters(0, dp(2)).tx_frames;
    auto mac_rx = chipsim::mac_counter(0, dp(1), SDK_UC_PKTS_RCV);
    uint64_t before = hits();
    for (int i = 0; i < 10; ++i) {
        chipsim::Injected r = inject(1, untagged(mac(2), mac(1)));
        ASSERT_EQ(out_ports(r), std::vector<uint32_t>{2});
        EXPECT_EQ(r.vid, 1);
        EXPECT_TRUE(r.learned);
        EXPECT_FALSE(r.flooded);
    }
    EXPECT_EQ(hits() - before, 10u);
    EXPECT_EQ(chipsim::port_counters(0, dp(1)).rx_frames - rx, 10u);
    EXPECT_EQ(chipsim::port_counters(0, dp(2)).tx_frames - tx, 10u);
    EXPECT_EQ(chipsim::mac_counter(0, dp(1), SDK_UC_PKTS_RCV) - mac_rx, 10u);

    // Another length, another tag or another destination is another flow.
    before = hits();
    EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1), 65))), std::vector<uint32_t>{2});
    EXPECT_EQ(out_ports(inject(1, tagged(mac(2), mac(1), 1))), std::vector<uint32_t>{2});
    EXPECT_EQ(out_ports(inject(1, untagged(mac(9), mac(1)))), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(hits(), before);

    // A traced frame meets every stage.
    before = hits();
    chipsim::Injected t = chipsim::inject(0, dp(1), untagged(mac(2), mac(1)).bytes(), true);
    EXPECT_EQ(hits(), before);
    bool looked_up = false;
    for (const chipsim::TraceEvent& e : t.trace)
        looked_up |= e.stage == "fdb_lookup";
    EXPECT_TRUE(looked_up);
}

TEST_F(FlowCacheTest, EveryChangeOfWhereTheFlowGoesIsSeenByTheNextFrame) {
    struct Case {
        const char* change;
        std::function<void(FlowCacheTest&)> apply;
        std::vector<uint32_t> ports;  // where the next frame of the flow goes
    };
    const Case cases[] = {
        {"the destination moves to port 3 (learned from a frame)",
         [](FlowCacheTest&) { inject(3, untagged(mac(1), mac(2))); },
         {3}},
        {"the destination is deleted",
         [](FlowCacheTest&) {
             SDK_MAC_ENTRY_KEY k{};
             Mac m = mac(2);
             std::copy(m.begin(), m.end(), k.macVlan.macAddr);
             k.macVlan.vlanId = 1;
             ASSERT_EQ(sdkBrgFdbMacEntryDelete(0, &k), SDK_OK);
         },
         {2, 3}},
        {"the destination ages out",
         [](FlowCacheTest&) {
             for (int i = 0; i < 3; ++i)
                 chipsim::advance_clock(300);
         },
         {2, 3}},
        {"the egress port leaves the VLAN",
         [](FlowCacheTest&) {
             vlan(1, {1, 3});
         },
         {}},
        {"the ingress port blocks", [](FlowCacheTest&) { stp(1, SDK_STP_BLOCKING); }, {}},
        {"the ingress port is classified to another VLAN",
         [](FlowCacheTest&) {
             vlan(5, {1, 2, 3});
             pvid(1, 5);
         },
         {2, 3}},
        {"the ingress port mirrors to port 3",
         [](FlowCacheTest&) {
             SDK_MIRROR_ANALYZER a{chipsim::hw_dev_num(0), dp(3)};
             ASSERT_EQ(sdkMirrorAnalyzerInterfaceSet(0, 2, &a), SDK_OK);
             ASSERT_EQ(sdkMirrorToAnalyzerForwardingModeSet(0, 1), SDK_OK);
             ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), true, 2), SDK_OK);
         },
         {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        TearDown();
        SetUp();
        ASSERT_EQ(warm(), std::vector<uint32_t>{2});
        c.apply(*this);
        EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), c.ports);
        // The same with the cache off: the stages' own answer.
        chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kOff);
        EXPECT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), c.ports);
    }
}

TEST_F(FlowCacheTest, FramesThatMeetStatefulStagesAreNeverCached) {
    // Each mirrored frame makes its own copy to the analyzer.
    SDK_MIRROR_ANALYZER a{chipsim::hw_dev_num(0), dp(3)};
    ASSERT_EQ(sdkMirrorAnalyzerInterfaceSet(0, 2, &a), SDK_OK);
    ASSERT_EQ(sdkMirrorToAnalyzerForwardingModeSet(0, 1), SDK_OK);
    ASSERT_EQ(sdkMirrorRxPortSet(0, dp(1), true, 2), SDK_OK);
    uint64_t before = hits();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(out_ports(inject(1, untagged(mac(2), mac(1)))), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(hits(), before);
    // A broadcast is flooded by the stages every time.
    for (int i = 0; i < 5; ++i)
        inject(1, untagged(kBroadcast, mac(1)));
    EXPECT_EQ(hits(), before);
}

TEST_F(FlowCacheTest, RandomTrafficAndChangesNeverMeetAStaleDecision) {
    // In verify mode every hit is switched by the stages as well and compared (a stale
    // decision aborts): a few flows among four ports, mixed with the changes a running switch
    // sees.
    chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kVerify);
    vlan(2, {3, 4}, {1, 2});
    std::mt19937 rng(7);
    uint64_t before = hits();
    for (int i = 0; i < 4000; ++i) {
        uint32_t in = 1 + rng() % 4;
        switch (rng() % 150) {
            case 0:
                vlan(1, {1, 2, 3, 4});
                break;
            case 1:
                vlan(1, {1, 2, 3});
                break;
            case 2:
                stp(in, rng() % 2 ? SDK_STP_FORWARDING : SDK_STP_LEARNING);
                break;
            case 3:
                pvid(in, static_cast<uint16_t>(1 + rng() % 2));
                break;
            case 4:
                chipsim::advance_clock(150);
                break;
            case 5:  // a host moves
                inject(in, untagged(kBroadcast, mac(static_cast<uint8_t>(1 + rng() % 4))));
                break;
            default: {
                // Host k sits on port k until it moves.
                Frame f = untagged(mac(static_cast<uint8_t>(1 + rng() % 4)),
                                   mac(static_cast<uint8_t>(in)));
                if (rng() % 3 == 0) f = tagged(f.dst, f.src, static_cast<uint16_t>(1 + rng() % 2));
                inject(in, f);
            }
        }
    }
    EXPECT_GT(hits() - before, 500u);
}

}  // namespace
