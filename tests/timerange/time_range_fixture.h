// A private instance with the time range table brought up as the clock owner does, and
// helpers to build windows, times and raw views of the segment.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sysrsc/sysrsc_mgr.h"
#include "tests/support/test_instance.h"
#include "timerange/time_range_om.h"

namespace trtest {

inline TIME_RANGE_OM_Periodic_T window(uint8_t sd, uint8_t sh, uint8_t sm, uint8_t ss, uint8_t ed,
                                       uint8_t eh, uint8_t em, uint8_t es) {
    return TIME_RANGE_OM_Periodic_T{sd, sh, sm, ss, ed, eh, em, es};
}

inline TIME_RANGE_OM_Absolute_T moment(uint32_t w0, uint32_t w1 = 0, uint32_t w2 = 0) {
    TIME_RANGE_OM_Absolute_T a{};
    a.word[0] = w0;
    a.word[1] = w1;
    a.word[2] = w2;
    return a;
}

inline TIME_RANGE_OM_CurrentTime_T now_at(uint32_t weekday, uint32_t h, uint32_t m, uint32_t s,
                                          uint32_t absolute = 0) {
    TIME_RANGE_OM_CurrentTime_T t{};
    t.weekday = weekday;
    t.hour = h;
    t.minute = m;
    t.second = s;
    t.absolute = absolute;
    return t;
}

inline bool update(const TIME_RANGE_OM_CurrentTime_T& t) {
    uint8_t prev[TIME_RANGE_OM_BITMAP_SIZE], act[TIME_RANGE_OM_BITMAP_SIZE];
    return TIME_RANGE_OM_UpdateEntryStatus(&t, prev, act);
}

inline uint8_t* segment() {
    return static_cast<uint8_t*>(SYSRSC_MGR_GetShMem(TIME_RANGE_OM_SHMEM_SEGMENT_ID));
}

inline std::vector<uint8_t> raw_table() {
    return std::vector<uint8_t>(segment(), segment() + TIME_RANGE_OM_SHMEM_SIZE);
}

inline TIME_RANGE_OM_Entry_T entry(uint32_t index) {
    TIME_RANGE_OM_Entry_T e{};
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntry(index, &e), TIME_RANGE_OM_OK) << "entry " << index;
    return e;
}

inline uint32_t index_of(const char* name) {
    uint32_t i = 0xFFFF;
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntryIndexByName(name, &i), TIME_RANGE_OM_OK) << name;
    return i;
}

// The valid periodic windows of an entry, in slot order, with a check that they are packed.
inline std::vector<TIME_RANGE_OM_Periodic_T> windows_of(uint32_t index) {
    TIME_RANGE_OM_Entry_T e = entry(index);
    std::vector<TIME_RANGE_OM_Periodic_T> out;
    uint32_t n = 0;
    while (n < TIME_RANGE_OM_MAX_PERIODIC && e.periodic_valid[n])
        out.push_back(e.periodic[n++]);
    for (uint32_t i = n; i < TIME_RANGE_OM_MAX_PERIODIC; ++i)
        EXPECT_EQ(e.periodic_valid[i], 0) << "slot " << i << " valid after a free slot";
    return out;
}

inline bool same(const TIME_RANGE_OM_Periodic_T& a, const TIME_RANGE_OM_Periodic_T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class TimeRangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(TIME_RANGE_OM_Initiate_System_Resources());
        ASSERT_TRUE(TIME_RANGE_OM_InitiateSystemResources());
    }
    testing_support::TestInstance inst_;
};

}  // namespace trtest
