// A fresh default board with its cages empty, the object manager forgotten and the monitor
// reset, in a private instance (the call record lives there), for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "monitor/swdrv_monitor.h"
#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/firmware/swdrv_om.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/xcvr/cages.h"
#include "tests/support/test_instance.h"

class MonitorTest : public ::testing::Test {
  protected:
    // Port 9 is cage 1, port 10 cage 2 on the default board.
    static constexpr uint32_t kPort = 9;
    static constexpr uint32_t kCage = 1;

    void SetUp() override {
        chipsim::reset(board::default_board());
        SWDRV_OM_ResetSfp();
        SWDRV_OM_SetDebugFlag(0);
        present_delay(0);
        SWDRV_MONITOR_Init();
    }
    void TearDown() override {
        faults::clear();
        SWDRV_OM_SetDebugFlag(0);
    }

    static void present_delay(uint32_t ticks) { faults::set("SWDRV_OM_GetSfpPresentDelay", ticks); }

    static chipsim::xcvr::Image image(const chipsim::xcvr::Description& d) {
        chipsim::xcvr::Image img;
        std::string error;
        EXPECT_TRUE(chipsim::xcvr::build(d, &img, &error)) << error;
        return img;
    }
    static void plug(uint32_t port, const chipsim::xcvr::Image& img) {
        std::string error;
        ASSERT_TRUE(chipsim::xcvr::insert(port, img, &error)) << error;
    }
    static void poll(int rounds) {
        for (int i = 0; i < rounds; ++i)
            SWDRV_MONITOR_PollRound();
    }
    // Plugs a module and polls until the monitor has confirmed it (the delay is 0: seen on
    // the first round, confirmed on the second).
    static void plug_and_confirm(uint32_t port, const chipsim::xcvr::Image& img) {
        plug(port, img);
        poll(2);
    }

    static bool present(uint32_t cage = kCage) {
        bool p = false;
        EXPECT_TRUE(SWDRV_OM_GetPortSfpPresent(1, cage, &p));
        return p;
    }
    static bool valid(uint32_t cage = kCage) {
        bool v = false;
        EXPECT_TRUE(SWDRV_OM_GetPortSfpInfoValid(1, cage, &v));
        return v;
    }
    static std::vector<uint8_t> info(uint32_t cage = kCage) {
        std::vector<uint8_t> b(SWDRV_SFP_INFO_SIZE);
        EXPECT_TRUE(SWDRV_OM_GetPortSfpInfo(1, cage, b.data()));
        return b;
    }
    static SWDRV_SfpDdmInfo_T ddm(uint32_t cage = kCage) {
        SWDRV_SfpDdmInfo_T d{};
        EXPECT_TRUE(SWDRV_OM_GetPortSfpDdmInfo(1, cage, &d));
        return d;
    }
    static std::vector<uint8_t> raw(uint32_t cage = kCage) {
        std::vector<uint8_t> b(SWDRV_SFP_DDM_RAW_SIZE);
        EXPECT_TRUE(SWDRV_OM_GetPortSfpDdmInfoRaw(1, cage, b.data()));
        return b;
    }
    static std::string field(const std::vector<uint8_t>& rec, size_t off, size_t len) {
        return std::string(reinterpret_cast<const char*>(rec.data() + off), len);
    }
    // Position of the first call of the switch-control layer that starts with prefix (-1: none).
    static int call_at(const std::string& prefix) {
        std::vector<calllog::Entry> calls = calllog::read("SWDRV");
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].text.rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
    static int calls(const std::string& prefix) {
        int n = 0;
        for (const calllog::Entry& e : calllog::read("SWDRV"))
            n += e.text.rfind(prefix, 0) == 0;
        return n;
    }

  private:
    testing_support::TestInstance instance_;
};
