// The frame counters and the capture of what chosen ports send.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

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

}  // namespace
