// The PoE message layer over the simulated PoE controllers of a fresh default board: front
// ports 1-8 on controller 0 (0x30), 9-16 on controller 1 (0x31), bus 2, 60 W each.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/board/board.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "poe/poe_drv.h"
#include "poe/poe_internal.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/poe/poe_controller.h"
#include "sdk/chipsim/twsi/board_io.h"
#include "sdk/poe_regs.h"

namespace poe_test {

constexpr uint8_t kBus = 2;
inline int g_writes = 0;

inline bool bus_read(uint8_t addr, uint16_t reg, uint8_t* data, uint32_t len) {
    return chipsim::bus_read(kBus, addr, true, reg, true, len, data) == SDK_OK;
}
inline bool bus_write(uint8_t addr, uint16_t reg, const uint8_t* data, uint32_t len) {
    ++g_writes;
    return chipsim::bus_write(kBus, addr, true, reg, true, data, len) == SDK_OK;
}

using Bytes = std::vector<uint8_t>;

// A message with its checksum: bytes 0-3, then bytes 4.. padded with 0x4E.
inline Bytes msg(uint8_t key, uint8_t subject, uint8_t s1, Bytes rest = {}, uint8_t echo = 7) {
    Bytes m(POE_DRV_MSG_LEN);
    POE_DRV_BuildMessage(m.data(), key, echo, subject, s1, rest.data(),
                         static_cast<uint32_t>(rest.size()));
    return m;
}
inline Bytes port_req(uint8_t code, uint8_t port) {
    return msg(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_PORT, code, {port});
}
inline Bytes port_cmd(uint8_t code, uint8_t port, Bytes data = {}) {
    data.insert(data.begin(), port);
    return msg(POE_DRV_KEY_COMMAND, POE_DRV_SUBJECT_PORT, code, data);
}
inline Bytes global_req(uint8_t code, Bytes rest = {}) {
    return msg(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_GLOBAL, code, rest);
}
inline Bytes global_cmd(uint8_t code, Bytes rest = {}) {
    return msg(POE_DRV_KEY_COMMAND, POE_DRV_SUBJECT_GLOBAL, code, rest);
}

class PoeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chipsim::reset(board::default_board());
        const board::PoeControllers& poe = board::current().my().poe;
        std::vector<POE_DRV_Device_T> table;
        for (uint8_t a : poe.addrs)
            table.push_back({poe.ports_per_device, a});
        ASSERT_TRUE(
            POE_DRV_Init(table.data(), static_cast<uint32_t>(table.size()), bus_read, bus_write));
        g_writes = 0;
    }

    int send(const Bytes& m) {
        return POE_DRV_WriteMessage(m.data(), static_cast<uint32_t>(m.size()));
    }
    Bytes reply() {
        Bytes r(POE_DRV_MSG_LEN);
        EXPECT_EQ(POE_DRV_ReadReply(r.data(), POE_DRV_MSG_LEN), 0);
        return r;
    }
    // Sends a request that must answer with telemetry; returns the reply.
    Bytes ask(const Bytes& m) {
        EXPECT_EQ(send(m), 0);
        Bytes r = reply();
        EXPECT_EQ(r[0], POE_DRV_KEY_TELEMETRY);
        return r;
    }
    static uint16_t w(const Bytes& r, int at) { return be::get16(r.data() + at); }
    static uint16_t reg(uint8_t dev, uint16_t addr) {
        uint16_t v = 0;
        EXPECT_TRUE(chipsim::poe::reg(dev, addr, &v));
        return v;
    }
    console::Capture console_;
};

}  // namespace poe_test
