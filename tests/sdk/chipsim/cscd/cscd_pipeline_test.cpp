// Frames across the internal link of the two-device board, and the device map that decides
// where a frame for the other device goes.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using chipsim::Drop;
using namespace frames;

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

}  // namespace
