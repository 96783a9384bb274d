// Frame sizes after any sequence of jumbo, tunnel and extra-tag changes.
#include <random>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class FrameTest : public SwdrvTest {
  protected:
    static uint32_t mru(uint8_t dev, uint8_t port) {
        chipsim::PortState s;
        EXPECT_TRUE(chipsim::port_state(dev, port, &s));
        return s.mru;
    }
    static bool filter(uint8_t dev, uint8_t port) {
        chipsim::PortState s;
        chipsim::port_state(dev, port, &s);
        return s.oversize_filter;
    }
};

TEST_F(FrameTest, JumboOffWithTunnelAndExtraTagGives1530) {
    ASSERT_TRUE(DEV_SWDRV_EnableJumboFrame());
    EXPECT_EQ(mru(0, 0), 10240u);
    EXPECT_EQ(chipsim::token_bucket_mtu(0), 2u);
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMTU(1));
    ASSERT_TRUE(DEV_SWDRV_ModifyMaxFrameSize(true));
    ASSERT_TRUE(DEV_SWDRV_DisableJumboFrame());
    EXPECT_EQ(mru(0, 0), 1530u);
    EXPECT_FALSE(filter(0, 0));
    EXPECT_EQ(chipsim::token_bucket_mtu(0), 0u);
    uint32_t untagged = 0, tagged = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortMaxFrameSize(1, 1, &untagged, &tagged));
    EXPECT_EQ(untagged, 1530u);
    EXPECT_EQ(tagged, 1530u);
}

TEST_F(FrameTest, TunnelRoomChangesTheMrusOnceAndOnlyWithoutJumbo) {
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMTU(1));
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMTU(1));
    EXPECT_EQ(mru(0, 0), 1526u);
    EXPECT_FALSE(filter(0, 0));
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMTU(2));
    EXPECT_EQ(mru(0, 24), 1522u);
    EXPECT_TRUE(filter(0, 24));
    uint32_t untagged = 0, tagged = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortMaxFrameSize(1, 15, &untagged, &tagged));
    EXPECT_EQ(untagged, 1518u);
    EXPECT_EQ(tagged, 1522u);
    ASSERT_TRUE(DEV_SWDRV_EnableJumboFrame());
    ASSERT_TRUE(DEV_SWDRV_SetPortDot1qTunnelMTU(1));  // recorded only
    EXPECT_EQ(mru(0, 0), 10240u);
    EXPECT_EQ(DEV_SWDRV_OM().tunnel_room, 1);
    ASSERT_TRUE(DEV_SWDRV_SetSystemMTU(9000));
    EXPECT_EQ(mru(0, 25), 9000u);
    ASSERT_TRUE(DEV_SWDRV_SetPortMTU(1, 2, 2000));
    EXPECT_EQ(mru(0, 1), 2000u);
    EXPECT_FALSE(DEV_SWDRV_SetPortMTU(1, 2, 20001));
}

// After any sequence: without jumbo, every front port's MRU is 1522 plus 4 for each room
// that is on, with the filter on exactly below 1523; with jumbo, 10240 moved by the
// extra-tag changes made since.
TEST_F(FrameTest, AnySequenceKeepsTheSizesConsistent) {
    std::mt19937 rng(7);
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    ASSERT_TRUE(DEV_SWDRV_DisableJumboFrame());  // the defaults every port starts from
    int jumbo_base = 0;
    for (int step = 0; step < 300; ++step) {
        switch (rng() % 4) {
            case 0:
                DEV_SWDRV_EnableJumboFrame();
                jumbo_base = om.extra_tag_room;
                break;
            case 1:
                DEV_SWDRV_DisableJumboFrame();
                break;
            case 2:
                DEV_SWDRV_SetPortDot1qTunnelMTU(1 + rng() % 2);
                break;
            case 3:
                DEV_SWDRV_ModifyMaxFrameSize(rng() % 2);
                break;
        }
        uint32_t want = om.jumbo ? 10240 + 4 * (om.extra_tag_room - jumbo_base)
                                 : 1522 + 4 * om.tunnel_room + 4 * om.extra_tag_room;
        for (uint8_t port : {0, 8, 12, 24}) {
            ASSERT_EQ(mru(0, port), want) << "step " << step << " port " << int(port);
            ASSERT_EQ(filter(0, port), want < 1523) << "step " << step;
        }
    }
}

TEST_F(FrameTest, CascadePortsOnlyFollowTheExtraTagAndFabricPortsNothing) {
    bring_up(two_device_board());
    ASSERT_TRUE(DEV_SWDRV_EnableJumboFrame());
    ASSERT_TRUE(DEV_SWDRV_ModifyMaxFrameSize(true));
    EXPECT_EQ(mru(1, 0), 10244u);
    EXPECT_EQ(mru(0, 24), 10304u);  // cascade: the defaults' 10300 and the extra tag only
    EXPECT_EQ(mru(1, 24), 1522u);   // fabric: untouched
    ASSERT_TRUE(DEV_SWDRV_DisableJumboFrame());
    EXPECT_EQ(mru(1, 7), 1526u);
    EXPECT_EQ(mru(1, 23), 10304u);
}

}  // namespace
