// A fresh chip model of the default board, brought up by sdkSystemInit, for every test.
#pragma once

#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk.h"

class ChipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chipsim::reset(board::default_board());
        ASSERT_EQ(sdkOsLayerInit(), SDK_OK);
        ASSERT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_OK);
    }
    void TearDown() override { chipsim::clear_faults(); }

    // Device port of a front port of the default board.
    static uint8_t dp(uint32_t front) {
        uint8_t dev, port;
        EXPECT_TRUE(chipsim::front_port(front, &dev, &port));
        return port;
    }
    static chipsim::PortState state(uint8_t port) {
        chipsim::PortState s;
        EXPECT_TRUE(chipsim::port_state(0, port, &s));
        return s;
    }
};
