// The absolute window and the periodic windows of an entry: storing, ordering, removal.
#include "tests/timerange/time_range_fixture.h"

namespace trtest {
namespace {

class TimeRangeWindows : public TimeRangeTest {
  protected:
    void SetUp() override {
        TimeRangeTest::SetUp();
        ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("w"), TIME_RANGE_OM_OK);
    }
    uint32_t add(const TIME_RANGE_OM_Periodic_T& p) {
        return TIME_RANGE_OM_SetTimeRangePeriodic(0, &p);
    }
    uint32_t del(const TIME_RANGE_OM_Periodic_T& p) {
        return TIME_RANGE_OM_DestroyTimeRangePeriodic(0, &p);
    }
    void expect_windows(const std::vector<TIME_RANGE_OM_Periodic_T>& want) {
        std::vector<TIME_RANGE_OM_Periodic_T> got = windows_of(0);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_TRUE(same(got[i], want[i])) << "slot " << i;
    }
};

// Windows in ascending order of their bytes as unsigned numbers, first byte first.
const TIME_RANGE_OM_Periodic_T kSorted[] = {
    window(0, 23, 0, 0, 0, 23, 30, 0), window(1, 8, 0, 0, 1, 9, 0, 0),
    window(1, 8, 0, 0, 1, 17, 0, 0),   window(1, 17, 0, 0, 1, 8, 0, 0),
    window(7, 8, 0, 0, 7, 17, 0, 0),   window(9, 0, 0, 0, 9, 1, 0, 0),
    window(200, 0, 0, 0, 0, 0, 0, 0),  // above 127: unsigned order puts it last
};
const TIME_RANGE_OM_Periodic_T kSmallest = window(0, 0, 0, 0, 0, 0, 0, 0);

TEST_F(TimeRangeWindows, InsertionKeepsWindowsPackedAndSorted) {
    // In reverse order, each insertion moves every window up one slot.
    for (int i = 6; i >= 1; --i) {
        ASSERT_EQ(add(kSorted[i]), TIME_RANGE_OM_OK) << i;
        expect_windows(std::vector<TIME_RANGE_OM_Periodic_T>(kSorted + i, kSorted + 7));
    }
    EXPECT_EQ(add(kSorted[3]), TIME_RANGE_OM_ERR_EXISTS);
    ASSERT_EQ(add(kSorted[0]), TIME_RANGE_OM_OK);
    expect_windows(std::vector<TIME_RANGE_OM_Periodic_T>(kSorted, kSorted + 7));
    // Full: an 8th window is refused, an equal one too (the full check comes first).
    EXPECT_EQ(add(kSmallest), TIME_RANGE_OM_ERR_PERIODIC_FULL);
    EXPECT_EQ(add(kSorted[2]), TIME_RANGE_OM_ERR_PERIODIC_FULL);
    expect_windows(std::vector<TIME_RANGE_OM_Periodic_T>(kSorted, kSorted + 7));
}

TEST_F(TimeRangeWindows, InsertionInTheMiddleShiftsOnlyLargerWindows) {
    ASSERT_EQ(add(kSorted[0]), 0u);
    ASSERT_EQ(add(kSorted[4]), 0u);
    ASSERT_EQ(add(kSorted[6]), 0u);
    ASSERT_EQ(add(kSorted[2]), 0u);
    ASSERT_EQ(add(kSorted[5]), 0u);
    expect_windows({kSorted[0], kSorted[2], kSorted[4], kSorted[5], kSorted[6]});
}

TEST_F(TimeRangeWindows, RemovalKeepsTheRestPacked) {
    for (const auto& p : kSorted)
        ASSERT_EQ(add(p), 0u);
    ASSERT_EQ(del(kSorted[3]), TIME_RANGE_OM_OK);
    expect_windows({kSorted[0], kSorted[1], kSorted[2], kSorted[4], kSorted[5], kSorted[6]});
    ASSERT_EQ(del(kSorted[0]), TIME_RANGE_OM_OK);
    ASSERT_EQ(del(kSorted[6]), TIME_RANGE_OM_OK);
    expect_windows({kSorted[1], kSorted[2], kSorted[4], kSorted[5]});
    // The vacated slots hold nothing.
    TIME_RANGE_OM_Entry_T e = entry(0);
    for (int i = 4; i < 7; ++i)
        EXPECT_EQ(std::memcmp(&e.periodic[i], &kSmallest, 8), 0) << i;
    // Removing a window that is not there answers 0 and changes nothing.
    const std::vector<uint8_t> before = raw_table();
    EXPECT_EQ(del(kSorted[3]), TIME_RANGE_OM_OK);
    EXPECT_EQ(raw_table(), before);
    // A freed slot is usable again, in order.
    ASSERT_EQ(add(kSorted[0]), 0u);
    expect_windows({kSorted[0], kSorted[1], kSorted[2], kSorted[4], kSorted[5]});
}

TEST_F(TimeRangeWindows, AbsoluteBoundsAreSetClearedAndChecked) {
    TIME_RANGE_OM_Absolute_T s = moment(1000, 7, 8), e = moment(2000);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 0, 2, &s, &e), TIME_RANGE_OM_OK);
    TIME_RANGE_OM_Entry_T r = entry(0);
    EXPECT_EQ(r.start_set, 1);
    EXPECT_EQ(r.end_set, 1);  // any flag but 1 stores the bound
    EXPECT_EQ(uint32_t(r.start.word[1]), 7u);
    EXPECT_EQ(uint32_t(r.end.word[0]), 2000u);

    // Only the first word is compared.
    TIME_RANGE_OM_Absolute_T s_other_tail = moment(1000, 99, 99), e_other = moment(2001);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 0, 0, &s_other_tail, &e), 0u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 0, 0, &s, &e_other), 1u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 0, 1, &s, &e), 1u);
    // The check reads the absent flags as "0 means present".
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 0, 2, &s, &e), 1u);

    // Flag 1 clears the bound's set flag; the check then wants that bound absent.
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 1, 0, nullptr, &e), TIME_RANGE_OM_OK);
    r = entry(0);
    EXPECT_EQ(r.start_set, 0);
    EXPECT_EQ(r.end_set, 1);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 1, 0, &e_other, &e), 0u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 0, 0, &s, &e), 1u);

    ASSERT_EQ(TIME_RANGE_OM_DestroyTimeRangeAbsolute(0), TIME_RANGE_OM_OK);
    r = entry(0);
    EXPECT_EQ(r.start_set, 0);
    EXPECT_EQ(r.end_set, 0);
    EXPECT_EQ(uint32_t(r.end.word[0]), 0u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 1, 1, &s, &e), 0u);
}

}  // namespace
}  // namespace trtest
