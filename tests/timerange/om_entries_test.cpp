// The table's layout and the entry operations: creation, names, references, walking.
#include <string>

#include "tests/timerange/time_range_fixture.h"

namespace trtest {
namespace {

TEST_F(TimeRangeTest, RecordsAreLaidOutByteForByteBigEndian) {
    uint32_t seg = 0, size = 0;
    TIME_RANGE_OM_GetShMemInfo(&seg, &size);
    EXPECT_EQ(seg, 45u);
    EXPECT_EQ(size, 6604u);

    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("lab"), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("office"), TIME_RANGE_OM_OK);
    uint32_t idx = 0;
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("office", 1, &idx), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("office", 1, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(idx, 1u);
    TIME_RANGE_OM_Absolute_T start = moment(0x01020304, 0x0A0B0C0D, 0x11121314);
    TIME_RANGE_OM_Absolute_T end = moment(0xA1A2A3A4);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(1, 0, 0, &start, &end), TIME_RANGE_OM_OK);
    TIME_RANGE_OM_Periodic_T p = window(1, 2, 3, 4, 5, 6, 7, 8);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(1, &p), TIME_RANGE_OM_OK);
    ASSERT_TRUE(update(now_at(0, 0, 0, 0, 0x02000000)));  // inside the absolute window

    const uint8_t* r = segment() + 4 + 132;  // record 1
    const uint8_t refs[] = {0, 0, 0, 2};
    EXPECT_EQ(std::memcmp(r + 0, refs, 4), 0);
    EXPECT_EQ(r[4], 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(r + 5), "office");
    const uint8_t abs[] = {1,    2,    3,    4,    0x0A, 0x0B, 0x0C, 0x0D, 0x11, 0x12, 0x13, 0x14,
                           0xA1, 0xA2, 0xA3, 0xA4, 0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(std::memcmp(r + 40, abs, sizeof abs), 0);
    const uint8_t per[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::memcmp(r + 64, per, 8), 0);
    EXPECT_EQ(r[120], 1);  // start set
    EXPECT_EQ(r[121], 1);  // end set
    EXPECT_EQ(r[122], 1);  // slot 0 valid
    EXPECT_EQ(r[123], 0);
    EXPECT_EQ(r[129], 0);            // a periodic window exists and it does not match Sunday 00:00
    EXPECT_EQ(segment()[4 + 4], 1);  // record 0 valid
    const uint8_t one_update[] = {0, 0, 0, 1};
    EXPECT_EQ(std::memcmp(segment(), one_update, 4), 0);
}

TEST(TimeRangeAttach, OwnerInitialisesFirstThenOthersAttach) {
    {
        testing_support::TestInstance earlier;
        ASSERT_TRUE(TIME_RANGE_OM_Initiate_System_Resources());
        ASSERT_TRUE(TIME_RANGE_OM_InitiateSystemResources());
    }
    testing_support::TestInstance inst;
    // The view of the earlier instance is not used in this one; nobody attaches before the
    // owner has made the semaphore.
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("x"), TIME_RANGE_OM_ERR_INVALID);
    EXPECT_FALSE(update(now_at(0, 0, 0, 0)));
    EXPECT_FALSE(TIME_RANGE_OM_AttachSystemResources());
    EXPECT_FALSE(TIME_RANGE_OM_InitiateSystemResources());

    ASSERT_TRUE(TIME_RANGE_OM_Initiate_System_Resources());
    ASSERT_TRUE(TIME_RANGE_OM_InitiateSystemResources());
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("x"), TIME_RANGE_OM_OK);
    ASSERT_TRUE(update(now_at(0, 0, 0, 0)));
    // Attaching keeps records and header; the second initialiser clears the header only;
    // the first refuses a second run (its semaphore exists) and resets nothing.
    uint32_t count = 0;
    EXPECT_TRUE(TIME_RANGE_OM_AttachSystemResources());
    EXPECT_EQ(TIME_RANGE_OM_GetUpdateCount(&count), TIME_RANGE_OM_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(TIME_RANGE_OM_InitiateSystemResources());
    EXPECT_EQ(TIME_RANGE_OM_GetUpdateCount(&count), TIME_RANGE_OM_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(TIME_RANGE_OM_Initiate_System_Resources());
    EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryValid(0), TIME_RANGE_OM_OK);
}

TEST_F(TimeRangeTest, CreationFillsTheLowestFreeRecordAndStopsAtFifty) {
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry(("r" + std::to_string(i)).c_str()),
                  TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("r50"), TIME_RANGE_OM_ERR_NO_FREE_ENTRY);
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("r7"), TIME_RANGE_OM_ERR_EXISTS);  // name first
    EXPECT_EQ(index_of("r49"), 49u);

    // A freed record is reused, reset: nothing of its earlier life survives.
    TIME_RANGE_OM_Periodic_T p = window(7, 8, 0, 0, 7, 17, 0, 0);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(7, &p), TIME_RANGE_OM_OK);
    ASSERT_TRUE(update(now_at(1, 9, 0, 0)));
    ASSERT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(7), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("late"), TIME_RANGE_OM_OK);
    EXPECT_EQ(index_of("late"), 7u);
    TIME_RANGE_OM_Entry_T e = entry(7);
    EXPECT_EQ(e.periodic_valid[0], 0);
    EXPECT_EQ(e.active, 0);
    EXPECT_EQ(std::memcmp(&e.periodic[0], "\0\0\0\0\0\0\0\0", 8), 0);
    uint32_t idx;
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntryIndexByName("r7", &idx), TIME_RANGE_OM_ERR_INVALID);
}

TEST_F(TimeRangeTest, NamesAreCutToThirtyTwoCharacters) {
    const std::string base32 = "abcdefghijklmnopqrstuvwxyz012345";
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry((base32 + "-first").c_str()), TIME_RANGE_OM_OK);
    EXPECT_EQ(std::string(entry(0).name), base32);
    // The same 32 characters with another tail is the same name.
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry((base32 + "-second").c_str()),
              TIME_RANGE_OM_ERR_EXISTS);
    EXPECT_EQ(index_of((base32 + "-anything").c_str()), 0u);
    EXPECT_EQ(index_of(base32.c_str()), 0u);
    // 31 characters are a different name.
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry(base32.substr(0, 31).c_str()), TIME_RANGE_OM_OK);
    EXPECT_EQ(index_of(base32.substr(0, 31).c_str()), 1u);
    ASSERT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(1, (std::string(40, 'z')).c_str()),
              TIME_RANGE_OM_OK);
    EXPECT_EQ(std::string(entry(1).name), std::string(32, 'z'));
}

TEST_F(TimeRangeTest, CreationByIndexTakesTheLowestUnusedNumberAsName) {
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("1"), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("3"), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(10), TIME_RANGE_OM_OK);
    EXPECT_STREQ(entry(10).name, "2");
    ASSERT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(49), TIME_RANGE_OM_OK);
    EXPECT_STREQ(entry(49).name, "4");
    EXPECT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(10), TIME_RANGE_OM_ERR_INVALID);
    EXPECT_STREQ(entry(10).name, "2");
    EXPECT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(50), TIME_RANGE_OM_ERR_INVALID);
    // A name freed by deletion is taken again.
    ASSERT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(0), TIME_RANGE_OM_OK);
    EXPECT_STREQ(entry(0).name, "1");
    // The lowest free record for a name-created entry skips those made by index.
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("named"), TIME_RANGE_OM_OK);
    EXPECT_EQ(index_of("named"), 2u);
}

TEST_F(TimeRangeTest, RenamingAndDeletionFollowNamesAndReferences) {
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("held"), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("b"), TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(5, "c"), TIME_RANGE_OM_ERR_INVALID);
    EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(0, "b"), TIME_RANGE_OM_ERR_EXISTS);
    ASSERT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(1, "c"), TIME_RANGE_OM_OK);
    EXPECT_EQ(index_of("c"), 1u);
    uint32_t idx = 99;
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntryIndexByName("b", &idx), TIME_RANGE_OM_ERR_INVALID);

    // Two references: no deletion, no new name (renaming to its own name still answers 0).
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 1, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(idx, 0u);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 1, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(uint32_t(entry(0).ref_count), 2u);
    EXPECT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_ERR_IN_USE);
    EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(0, "other"), TIME_RANGE_OM_ERR_IN_USE);
    EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(0, "held"), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 0, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_ERR_IN_USE);
    // Any flag other than 1 releases; releasing at 0 stays at 0.
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 2, &idx), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 0, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(uint32_t(entry(0).ref_count), 0u);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 1, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_ERR_IN_USE);
    ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 0, &idx), TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_OK);
    EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryValid(0), TIME_RANGE_OM_ERR_INVALID);
    // A deleted entry cannot be requested.
    idx = 77;
    EXPECT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("held", 1, &idx), TIME_RANGE_OM_ERR_INVALID);
    EXPECT_EQ(idx, 77u);
}

TEST_F(TimeRangeTest, DeletionClearsTheActiveFlag) {
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("on"), TIME_RANGE_OM_OK);
    TIME_RANGE_OM_Absolute_T start = moment(100);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 0, 1, &start, nullptr), TIME_RANGE_OM_OK);
    ASSERT_TRUE(update(now_at(0, 0, 0, 0, 200)));
    uint32_t active = 0;
    ASSERT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, &active), TIME_RANGE_OM_OK);
    EXPECT_EQ(active, 1u);
    ASSERT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(0), TIME_RANGE_OM_OK);
    ASSERT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, &active), TIME_RANGE_OM_OK);
    EXPECT_EQ(active, 0u);
    // The deleted record still holds its window, but updates skip free records.
    TIME_RANGE_OM_CurrentTime_T t = now_at(0, 0, 0, 0, 300);
    uint8_t prev[TIME_RANGE_OM_BITMAP_SIZE], act[TIME_RANGE_OM_BITMAP_SIZE];
    ASSERT_TRUE(TIME_RANGE_OM_UpdateEntryStatus(&t, prev, act));
    EXPECT_FALSE(TIME_RANGE_OM_BitmapHas(act, 0));
    ASSERT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, &active), TIME_RANGE_OM_OK);
    EXPECT_EQ(active, 0u);
    TIME_RANGE_OM_Entry_T e;
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntry(0, &e), TIME_RANGE_OM_ERR_INVALID);
}

TEST_F(TimeRangeTest, GetNextWalksValidEntriesFromMinusOne) {
    TIME_RANGE_OM_Entry_T e;
    int32_t i = -1;
    EXPECT_EQ(TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e), TIME_RANGE_OM_ERR_NO_MORE);
    EXPECT_EQ(i, -1);
    for (uint32_t at : {0u, 3u, 7u, 49u})
        ASSERT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(at), 0u);
    std::vector<int32_t> seen;
    i = -1;
    while (TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e) == TIME_RANGE_OM_OK) {
        seen.push_back(i);
        EXPECT_EQ(e.valid, 1);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 3, 7, 49}));
    EXPECT_EQ(i, 49);
    i = 3;
    ASSERT_EQ(TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e), TIME_RANGE_OM_OK);
    EXPECT_EQ(i, 7);
    EXPECT_STREQ(e.name, "3");
    for (int32_t bad : {-2, 50, INT32_MIN}) {
        i = bad;
        EXPECT_EQ(TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e), TIME_RANGE_OM_ERR_INVALID) << bad;
        EXPECT_EQ(i, bad);
    }
    i = -1;
    EXPECT_EQ(TIME_RANGE_OM_GetNextTimeRangeEntry(&i, nullptr), TIME_RANGE_OM_ERR_INVALID);
    EXPECT_EQ(TIME_RANGE_OM_GetNextTimeRangeEntry(nullptr, &e), TIME_RANGE_OM_ERR_INVALID);
}

TEST_F(TimeRangeTest, BadIndexesAndMissingBuffersAnswerOneAndChangeNothing) {
    ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry("keep"), TIME_RANGE_OM_OK);
    TIME_RANGE_OM_Periodic_T p = window(7, 8, 0, 0, 7, 17, 0, 0);
    ASSERT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(0, &p), TIME_RANGE_OM_OK);
    const std::vector<uint8_t> before = raw_table();

    TIME_RANGE_OM_Absolute_T a = moment(1);
    TIME_RANGE_OM_Entry_T e;
    uint32_t out = 0;
    for (uint32_t bad : {50u, 51u, 1000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(bad), 1u);
        EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(bad, "x"), 1u);
        EXPECT_EQ(TIME_RANGE_OM_DeleteTimeRangeEntry(bad), 1u);
        EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryValid(bad), 1u);
        EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(bad, &out), 1u);
        EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntry(bad, &e), 1u);
        EXPECT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(bad, 0, 0, &a, &a), 1u);
        EXPECT_EQ(TIME_RANGE_OM_DestroyTimeRangeAbsolute(bad), 1u);
        EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(bad, 1, 1, &a, &a), 1u);
        EXPECT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(bad, &p), 1u);
        EXPECT_EQ(TIME_RANGE_OM_DestroyTimeRangePeriodic(bad, &p), 1u);
    }
    EXPECT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry(nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(0, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("keep", 1, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry(nullptr, 1, &out), 1u);
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntryIndexByName("keep", nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_GetTimeRangeEntry(0, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 0, 1, nullptr, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(0, 1, 0, &a, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(0, 1, 1, nullptr, &a), 1u);
    EXPECT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(0, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_DestroyTimeRangePeriodic(0, nullptr), 1u);
    EXPECT_EQ(TIME_RANGE_OM_GetUpdateCount(nullptr), 1u);
    uint8_t bitmap[TIME_RANGE_OM_BITMAP_SIZE];
    TIME_RANGE_OM_CurrentTime_T t = now_at(1, 9, 0, 0);
    EXPECT_FALSE(TIME_RANGE_OM_UpdateEntryStatus(nullptr, bitmap, bitmap));
    EXPECT_FALSE(TIME_RANGE_OM_UpdateEntryStatus(&t, nullptr, bitmap));
    EXPECT_FALSE(TIME_RANGE_OM_UpdateEntryStatus(&t, bitmap, nullptr));
    // Operations that need a valid entry refuse a free one.
    EXPECT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(1, 0, 0, &a, &a), 1u);
    EXPECT_EQ(TIME_RANGE_OM_SetTimeRangePeriodic(1, &p), 1u);
    EXPECT_EQ(TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(1, 1, 1, &a, &a), 1u);

    EXPECT_EQ(raw_table(), before);
}

}  // namespace
}  // namespace trtest
