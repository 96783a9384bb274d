// The clock owner: it brings the table up in the right order, and its thread keeps the
// active flags live from the host's time and records the transitions.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <thread>

#include "platform/components/calllog.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "tests/timerange/time_range_fixture.h"
#include "timerange/clock/time_range_clock.h"

namespace trtest {
namespace {

TEST(TimeRangeClock, CurrentTimeIsLocalTimeWithEpochSeconds) {
    const time_t t = 1704114307;  // 2024-01-01T13:05:07Z, a Monday
    TIME_RANGE_OM_CurrentTime_T now{};
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TIME_RANGE_CLOCK_MakeCurrentTime(t, &now);
    EXPECT_EQ(uint32_t(now.year), 2024u);
    EXPECT_EQ(uint32_t(now.month), 1u);
    EXPECT_EQ(uint32_t(now.day), 1u);
    EXPECT_EQ(uint32_t(now.weekday), 1u);
    EXPECT_EQ(uint32_t(now.hour), 13u);
    EXPECT_EQ(uint32_t(now.minute), 5u);
    EXPECT_EQ(uint32_t(now.second), 7u);
    EXPECT_EQ(uint32_t(now.absolute), 1704114307u);
    // Eleven hours east of UTC it is already Tuesday, 00:05:07; the absolute time is the same.
    ::setenv("TZ", "XYZ-11", 1);
    ::tzset();
    TIME_RANGE_CLOCK_MakeCurrentTime(t, &now);
    EXPECT_EQ(uint32_t(now.weekday), 2u);
    EXPECT_EQ(uint32_t(now.hour), 0u);
    EXPECT_EQ(uint32_t(now.absolute), 1704114307u);
    ::unsetenv("TZ");
    ::tzset();
}

bool wait_for(const std::function<bool()>& cond, int ms) {
    for (int waited = 0; waited < ms && !cond(); waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return cond();
}

bool clock_thread_running() {
    for (const auto& t : sysfun::list_threads())
        if (t.name == "TIME_RANGE") return true;
    return false;
}

TEST(TimeRangeClock, StartBringsTheTableUpAndKeepsItLive) {
    testing_support::TestInstance inst;
    calllog::clear();
    std::memset(segment(), 0xAB, TIME_RANGE_OM_SHMEM_SIZE);  // gone after start
    ASSERT_TRUE(TIME_RANGE_CLOCK_Start());
    uint32_t sem = 0;
    EXPECT_EQ(SYSFUN_GetSem(TIME_RANGE_OM_SEM_KEY, &sem), SYSFUN_OK);
    EXPECT_TRUE(clock_thread_running());
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_ENTRIES; ++i)
        EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryValid(i), TIME_RANGE_OM_ERR_INVALID) << i;
    // The thread updates at once and then every second, counting from 0.
    uint32_t first = 0, later = 0;
    ASSERT_TRUE(wait_for([&] { return TIME_RANGE_OM_GetUpdateCount(&first) == 0 && first; }, 1000));
    EXPECT_LT(first, 5u);

    // An absolute window that started a minute ago turns the entry on; ending it 30 s ago
    // turns it off. Both transitions are recorded.
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("now-on"), 0u);
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    TIME_RANGE_OM_Absolute_T start = moment(now - 60), end = moment(now - 30);
    uint32_t flag = 0;
    auto active = [&] { return TIME_RANGE_OM_IsTimeRangeEntryActive(0, &flag) == 0 && flag; };
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 0, 1, &start, nullptr), 0u);
    EXPECT_TRUE(wait_for(active, 2500));
    EXPECT_TRUE(
        wait_for([] { return calllog::received("TIME_RANGE", "entry 0 'now-on' active"); }, 500));
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 0, 0, &start, &end), 0u);
    EXPECT_TRUE(wait_for([&] { return !active(); }, 2500));
    EXPECT_TRUE(
        wait_for([] { return calllog::received("TIME_RANGE", "entry 0 'now-on' inactive"); }, 500));
    ASSERT_EQ(TIME_RANGE_OM_GetUpdateCount(&later), 0u);
    EXPECT_GT(later, first);

    console::Capture cap;
    EXPECT_FALSE(TIME_RANGE_CLOCK_Start());
    EXPECT_TRUE(cap.contains("already running"));
    TIME_RANGE_CLOCK_Stop();
    EXPECT_FALSE(clock_thread_running());
}

TEST(TimeRangeClock, StartFailsWhenTheSemaphoreKeyIsTaken) {
    testing_support::TestInstance inst;
    uint32_t sem = 0;
    ASSERT_EQ(SYSFUN_CreateSem(TIME_RANGE_OM_SEM_KEY, 1, 0, &sem), SYSFUN_OK);
    console::Capture cap;
    EXPECT_FALSE(TIME_RANGE_CLOCK_Start());
    EXPECT_TRUE(cap.contains("TIME_RANGE_OM_Initiate_System_Resources failed"));
    EXPECT_FALSE(clock_thread_running());
}

}  // namespace
}  // namespace trtest
