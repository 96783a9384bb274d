// A private platform instance, a fresh chip model and a fresh driver control block per test,
// brought up the way the process start does it: chip bring-up, all ports down, driver init.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrv/dev_swdrv_om.h"
#include "platform/components/faults.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk.h"
#include "tests/support/boards.h"
#include "tests/support/test_instance.h"

class SwdrvTest : public ::testing::Test {
  protected:
    void SetUp() override { bring_up(board::default_board()); }
    void TearDown() override {
        chipsim::clear_faults();
        faults::clear();
    }

    // before_init runs on the powered-on model, before the driver touches it.
    void bring_up(const board::Description& b, const std::function<void()>& before_init = {}) {
        chipsim::reset(b);
        DEV_SWDRV_OM_Reset();
        if (!sem_created_) {
            ASSERT_EQ(SYSFUN_CreateSem(67, 1, 0, &twsi_sem_), SYSFUN_OK);
            sem_created_ = true;
        }
        if (before_init) before_init();
        console::Capture cap;
        DEV_SWDRV_ChipInit();
        DEV_SWDRV_DisableAllPortAdmin();
        DEV_SWDRV_Init();
        start_console_ = cap.text();
    }

    // (device, device port) of a front port.
    static std::pair<uint8_t, uint8_t> at(uint32_t front) {
        uint8_t dev = 0, port = 0;
        EXPECT_TRUE(chipsim::front_port(front, &dev, &port));
        return {dev, port};
    }
    static uint8_t dp(uint32_t front) { return at(front).second; }
    static chipsim::PortState state(uint32_t front) {
        chipsim::PortState s;
        EXPECT_TRUE(chipsim::port_state(at(front).first, dp(front), &s));
        return s;
    }
    static uint16_t phy(uint32_t front, uint8_t page, uint8_t reg) {
        uint16_t v = 0;
        EXPECT_TRUE(chipsim::phy_reg(at(front).first, dp(front), page, reg, &v));
        return v;
    }
    static uint16_t c45(uint32_t front, uint8_t mmd, uint16_t reg) {
        uint16_t v = 0;
        EXPECT_TRUE(chipsim::phy_c45_reg(at(front).first, dp(front), mmd, reg, &v));
        return v;
    }
    static bool link_up(uint32_t front) { return chipsim::link(at(front).first, dp(front)).up; }
    static uint8_t twsi(uint8_t bus, uint8_t addr, uint32_t offset) {
        uint8_t v = 0;
        EXPECT_TRUE(chipsim::twsi_byte(bus, addr, offset, &v));
        return v;
    }

    testing_support::TestInstance inst_;
    uint32_t twsi_sem_ = 0;
    bool sem_created_ = false;
    std::string start_console_;
};
