#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "platform/watchdog/sw_watchdog_mgr.h"
#include "tests/support/test_instance.h"

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_running{0};

void answering(void*) {
    while (!g_stop) {
        uint32_t ev = 0;
        if (SYSFUN_ReceiveEvent(SW_WATCHDOG_EVENT_PING, 2, 5, &ev) == SYSFUN_OK)
            SW_WATCHDOG_MGR_ResetTimer(901);
    }
    --g_running;
}

void silent(void*) {
    while (!g_stop)
        SYSFUN_Sleep(1);
    --g_running;
}

TEST(Watchdog, NamesTheThreadThatMissesItsTimeoutAndOnlyThatOne) {
    testing_support::TestInstance inst;
    console::Capture cap;
    sw_watchdog::reset();
    sw_watchdog::set_period_ms(10);
    g_stop = false;
    g_running = 2;
    uint32_t good = 0, bad = 0;
    ASSERT_EQ(SYSFUN_SpawnThread(90, 0, "WD_GOOD", 0, 0, answering, nullptr, &good), SYSFUN_OK);
    ASSERT_EQ(SYSFUN_SpawnThread(90, 0, "WD_SILENT", 0, 0, silent, nullptr, &bad), SYSFUN_OK);
    ASSERT_TRUE(SW_WATCHDOG_MGR_RegisterMonitorThread(901, good, 5));
    ASSERT_TRUE(SW_WATCHDOG_MGR_RegisterMonitorThread(902, bad, 5));
    for (int i = 0; i < 300 && !cap.contains("WD_SILENT"); ++i)
        SYSFUN_Sleep(1);
    SYSFUN_Sleep(10);
    g_stop = true;
    while (g_running)
        SYSFUN_Sleep(1);  // the threads use the instance until they end
    EXPECT_TRUE(cap.contains("thread \"WD_SILENT\" (monitor id 902"));
    EXPECT_FALSE(cap.contains("WD_GOOD"));
    // Named once, not on every ping.
    std::string text = cap.text();
    EXPECT_EQ(text.find("WD_SILENT"), text.rfind("WD_SILENT"));
    EXPECT_FALSE(SW_WATCHDOG_MGR_ResetTimer(999));
    sw_watchdog::reset();
    sw_watchdog::set_period_ms(1000);
    SYSFUN_Sleep(2);
}

}  // namespace
