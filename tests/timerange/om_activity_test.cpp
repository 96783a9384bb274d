// Whether an entry is active at a moment, as tables of cases taken from the rules:
// periodic windows by day code (start inclusive, end exclusive), one-weekday windows with
// equal and inverted times, spans across days and the week, absolute bounds (inclusive)
// and their combination with periodic windows.
#include <optional>

#include "tests/timerange/time_range_fixture.h"

namespace trtest {
namespace {

enum Day : uint8_t { SUN, MON, TUE, WED, THU, FRI, SAT, DAILY, WEEKDAYS, WEEKEND };
using Windows = std::vector<TIME_RANGE_OM_Periodic_T>;

struct At {
    uint32_t weekday, h, m, s;
};

struct Case {
    Windows periodic;
    At at;
    bool on;
    uint32_t now = 0;  // absolute time
    std::optional<uint32_t> start = {}, end = {};
};

class TimeRangeActivity : public TimeRangeTest {
  protected:
    // Builds entry 0 afresh from the case and tells whether the update makes it active.
    bool active(const Case& c) {
        TIME_RANGE_OM_DeleteTimeRangeEntry(0);
        EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("case"), TIME_RANGE_OM_OK);
        for (const auto& p : c.periodic)
            EXPECT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(0, &p), 0u);
        TIME_RANGE_OM_Absolute_T s = moment(c.start.value_or(0)), e = moment(c.end.value_or(0));
        EXPECT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, c.start ? 0 : 1, c.end ? 0 : 1, &s, &e),
                  0u);
        EXPECT_TRUE(update(now_at(c.at.weekday, c.at.h, c.at.m, c.at.s, c.now)));
        uint32_t flag = 7;
        EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, &flag), 0u);
        EXPECT_LE(flag, 1u);
        return flag == 1;
    }
    void check(const std::vector<Case>& cases) {
        for (size_t i = 0; i < cases.size(); ++i) {
            const At& at = cases[i].at;
            EXPECT_EQ(active(cases[i]), cases[i].on) << "case " << i << ": day " << at.weekday
                                                     << " " << at.h << ":" << at.m << ":" << at.s;
        }
    }
};

TEST_F(TimeRangeActivity, EveryDayCodeAgainstEveryWeekdayAtTheEdges) {
    const struct {
        uint8_t code;
        bool on[7];  // weekday 0..6 belongs to the day code
    } codes[] = {
        {DAILY, {1, 1, 1, 1, 1, 1, 1}},   {WEEKDAYS, {0, 1, 1, 1, 1, 1, 0}},
        {WEEKEND, {1, 0, 0, 0, 0, 0, 1}}, {SUN, {1, 0, 0, 0, 0, 0, 0}},
        {MON, {0, 1, 0, 0, 0, 0, 0}},     {TUE, {0, 0, 1, 0, 0, 0, 0}},
        {WED, {0, 0, 0, 1, 0, 0, 0}},     {THU, {0, 0, 0, 0, 1, 0, 0}},
        {FRI, {0, 0, 0, 0, 0, 1, 0}},     {SAT, {0, 0, 0, 0, 0, 0, 1}},
    };
    std::vector<Case> cases;
    for (const auto& c : codes) {
        // One-weekday windows end on their own day; a day class ignores its end day (here 200).
        Windows p = {window(c.code, 8, 0, 0, c.code <= SAT ? c.code : 200, 17, 0, 0)};
        for (uint32_t w = 0; w < 7; ++w) {
            cases.push_back({p, {w, 7, 59, 59}, false});
            cases.push_back({p, {w, 8, 0, 0}, c.on[w]});
            cases.push_back({p, {w, 16, 59, 59}, c.on[w]});
            cases.push_back({p, {w, 17, 0, 0}, false});
            // A day class never runs past its end time, even when that is before its start.
            if (c.code >= DAILY)
                cases.push_back(
                    {{window(c.code, 22, 0, 0, c.code, 6, 0, 0)}, {w, 23, 0, 0}, false});
        }
    }
    check(cases);
}

TEST_F(TimeRangeActivity, OneWeekdayWindowsWithEqualOrInvertedTimes) {
    const Windows wed_all_day = {window(WED, 10, 0, 0, WED, 10, 0, 0)};
    // Wednesday 17:00 to Wednesday 08:00: all week but Wednesday strictly between the two.
    const Windows wed_gap = {window(WED, 17, 0, 0, WED, 8, 0, 0)};
    std::vector<Case> cases = {
        {wed_gap, {WED, 7, 59, 59}, true}, {wed_gap, {WED, 8, 0, 0}, true},
        {wed_gap, {WED, 8, 0, 1}, false},  {wed_gap, {WED, 16, 59, 59}, false},
        {wed_gap, {WED, 17, 0, 0}, true},  {wed_gap, {TUE, 12, 0, 0}, true},
        {wed_gap, {THU, 12, 0, 0}, true},  {wed_gap, {SAT, 23, 59, 59}, true},
    };
    for (uint32_t w = 0; w < 7; ++w)
        for (At at : {At{w, 0, 0, 0}, At{w, 9, 59, 59}, At{w, 10, 0, 0}, At{w, 23, 59, 59}})
            cases.push_back({wed_all_day, at, w == WED});
    check(cases);
}

TEST_F(TimeRangeActivity, SpansAcrossDaysAndAcrossTheWeek) {
    const Windows mon_wed = {window(MON, 9, 0, 0, WED, 17, 0, 0)};
    const Windows mon_tue = {window(MON, 18, 0, 0, TUE, 6, 0, 0)};
    const Windows fri_mon = {window(FRI, 18, 0, 0, MON, 6, 0, 0)};  // end day code < start
    const Windows sat_sun = {window(SAT, 12, 0, 0, SUN, 12, 0, 0)};
    const Windows sun_sat = {window(SUN, 0, 0, 0, SAT, 23, 59, 59)};
    const Windows sat_fri = {window(SAT, 0, 0, 0, FRI, 23, 0, 0)};  // all week but Fri 23-24
    check({
        {mon_wed, {MON, 8, 59, 59}, false},  {mon_wed, {MON, 9, 0, 0}, true},
        {mon_wed, {TUE, 0, 0, 0}, true},     {mon_wed, {WED, 16, 59, 59}, true},
        {mon_wed, {WED, 17, 0, 0}, false},   {mon_wed, {THU, 12, 0, 0}, false},
        {mon_wed, {SUN, 12, 0, 0}, false},   {mon_tue, {MON, 12, 0, 0}, false},
        {mon_tue, {TUE, 12, 0, 0}, false},   {fri_mon, {FRI, 17, 59, 59}, false},
        {fri_mon, {FRI, 18, 0, 0}, true},    {fri_mon, {SAT, 0, 0, 0}, true},
        {fri_mon, {SAT, 12, 0, 0}, true},    {fri_mon, {SUN, 23, 59, 59}, true},
        {fri_mon, {MON, 5, 59, 59}, true},   {fri_mon, {MON, 6, 0, 0}, false},
        {fri_mon, {TUE, 12, 0, 0}, false},   {fri_mon, {THU, 20, 0, 0}, false},
        {sat_sun, {SAT, 11, 59, 59}, false}, {sat_sun, {SAT, 12, 0, 0}, true},
        {sat_sun, {SUN, 11, 59, 59}, true},  {sat_sun, {SUN, 12, 0, 0}, false},
        {sat_sun, {MON, 0, 0, 0}, false},    {sun_sat, {SUN, 0, 0, 0}, true},
        {sun_sat, {WED, 12, 0, 0}, true},    {sun_sat, {SAT, 23, 59, 59}, false},
        {sat_fri, {SUN, 3, 0, 0}, true},     {sat_fri, {FRI, 22, 59, 59}, true},
        {sat_fri, {FRI, 23, 0, 0}, false},   {sat_fri, {SAT, 0, 0, 0}, true},
    });
}

TEST_F(TimeRangeActivity, UnknownDayCodesAreStoredButNeverMatch) {
    std::vector<Case> cases;
    for (uint8_t code : {10, 11, 127, 128, 255})
        for (uint32_t w = 0; w < 7; ++w) {
            cases.push_back({{window(code, 0, 0, 0, code, 23, 59, 59)}, {w, 12, 0, 0}, false});
            cases.push_back({{window(MON, 0, 0, 0, code, 23, 59, 59)}, {w, 12, 0, 0}, false});
        }
    // A one-weekday start with a day-class end is not a span either.
    cases.push_back({{window(MON, 8, 0, 0, DAILY, 17, 0, 0)}, {MON, 9, 0, 0}, false});
    check(cases);
    EXPECT_TRUE(same(windows_of(0)[0], window(MON, 8, 0, 0, DAILY, 17, 0, 0)));
}

TEST_F(TimeRangeActivity, AbsoluteBoundsAreInclusiveAndCombineWithPeriodicWindows) {
    const At tue{TUE, 12, 0, 0}, tue_night{TUE, 18, 0, 0};
    const Windows office = {window(WEEKDAYS, 8, 0, 0, WEEKDAYS, 17, 0, 0)};
    const Windows never = {window(12, 0, 0, 0, 12, 23, 0, 0)};
    // The window that matches sits in the second slot.
    const Windows sun_or_tue = {window(SUN, 0, 0, 0, SUN, 1, 0, 0),
                                window(TUE, 0, 0, 0, TUE, 0, 0, 0)};
    check({
        {{}, tue, false, 1500},  // no window at all
        {{}, tue, false, 999, 1000},
        {{}, tue, true, 1000, 1000},
        {{}, tue, true, 0xFFFFFFFF, 1000},
        {{}, tue, true, 0, {}, 1000},
        {{}, tue, true, 1000, {}, 1000},
        {{}, tue, false, 1001, {}, 1000},
        {{}, tue, false, 999, 1000, 2000},
        {{}, tue, true, 1000, 1000, 2000},
        {{}, tue, true, 2000, 1000, 2000},
        {{}, tue, false, 2001, 1000, 2000},
        {{}, tue, false, 1500, 2000, 1000},         // start after end
        {{}, tue, false, 0x7FFFFFFF, 0x80000000u},  // compared unsigned
        {{}, tue, true, 0x7FFFFFFF, {}, 0x80000000u},
        {office, tue, true},
        {office, tue_night, false},
        {office, tue, true, 1500, 1000, 2000},
        {office, tue_night, false, 1500, 1000, 2000},
        {office, tue, false, 999, 1000, 2000},
        {office, tue, false, 2001, 1000, 2000},
        {never, tue, false, 5000, 1000},  // a window that never matches still counts
        {sun_or_tue, tue, true, 1500, 1000, 2000},
    });
}

TEST_F(TimeRangeActivity, BitmapsReportBeforeAndAfterForEveryEntry) {
    // Entries 0, 7, 8 and 49 are active (their start is 0); 1 has no window; the rest free.
    TIME_RANGE_OM_Absolute_T zero = moment(0);
    for (uint32_t i : {0u, 1u, 7u, 8u, 49u}) {
        ASSERT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(i), 0u);
        if (i != 1) {
            ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(i, 0, 1, &zero, nullptr), 0u);
        }
    }
    TIME_RANGE_OM_CurrentTime_T t = now_at(MON, 12, 0, 0, 100);
    uint8_t prev[7], act[7];
    std::memset(prev, 0xFF, sizeof prev);
    std::memset(act, 0xFF, sizeof act);
    ASSERT_TRUE(TIME_RANGE_OM_UpdateEntryStatus(&t, prev, act));
    const uint8_t none[7] = {};
    const uint8_t want[7] = {0x81, 0x80, 0, 0, 0, 0, 0x40};
    EXPECT_EQ(std::memcmp(prev, none, 7), 0);
    EXPECT_EQ(std::memcmp(act, want, 7), 0);

    // Entry 8 ends before the next update: it leaves the active bitmap only.
    TIME_RANGE_OM_Absolute_T end = moment(150);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(8, 0, 0, &zero, &end), 0u);
    t.absolute = 200;
    ASSERT_TRUE(TIME_RANGE_OM_UpdateEntryStatus(&t, prev, act));
    const uint8_t want_after[7] = {0x81, 0x00, 0, 0, 0, 0, 0x40};
    EXPECT_EQ(std::memcmp(prev, want, 7), 0);
    EXPECT_EQ(std::memcmp(act, want_after, 7), 0);
    uint32_t count = 0;
    ASSERT_EQ(TIME_RANGE_OM_GetUpdateCount(&count), 0u);
    EXPECT_EQ(count, 2u);
}

}  // namespace
}  // namespace trtest
