// The board files shipped beside the default board, loaded for tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/board/board.h"

inline board::Description two_device_board() {
    board::Description d;
    std::string error;
    EXPECT_TRUE(board::load_file(BOARDS_DIR "/two-device.board", &d, &error)) << error;
    return d;
}
