// Two processes on one table: what one writes the other sees, and concurrent operations
// under the shared semaphore never show a half-written record or lose an update.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tests/timerange/time_range_fixture.h"

namespace trtest {
namespace {

// Runs `body` in a forked child attached to the same instance; returns its exit status.
template <typename Body>
pid_t fork_child(Body body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int rc = TIME_RANGE_OM_AttachSystemResources() ? body() : 100;
        ::_exit(rc);
    }
    return pid;
}

int wait_child(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_F(TimeRangeTest, AnotherProcessSeesWhatOneWrote) {
    pid_t child = fork_child([] {
        if (TIME_RANGE_OM_CreateTimeRangeEntry("from-child") != 0) return 1;
        TIME_RANGE_OM_Periodic_T p = window(7, 8, 0, 0, 7, 17, 0, 0);
        if (TIME_RANGE_OM_SetTimeRangePeriodic(0, &p) != 0) return 2;
        TIME_RANGE_OM_CurrentTime_T t = now_at(1, 9, 0, 0);
        uint8_t prev[7], act[7];
        return TIME_RANGE_OM_UpdateEntryStatus(&t, prev, act) ? 0 : 3;
    });
    ASSERT_GT(child, 0);
    ASSERT_EQ(wait_child(child), 0);
    EXPECT_EQ(index_of("from-child"), 0u);
    uint32_t active = 0;
    ASSERT_EQ(TIME_RANGE_OM_IsTimeRangeEntryActive(0, &active), 0u);
    EXPECT_EQ(active, 1u);

    ASSERT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(0, "renamed-by-parent"), 0u);
    child = fork_child([] {
        uint32_t i;
        return TIME_RANGE_OM_GetTimeRangeEntryIndexByName("renamed-by-parent", &i) == 0 && i == 0
                   ? 0
                   : 1;
    });
    EXPECT_EQ(wait_child(child), 0);
}

// The writer's two names for entry 1; a record caught half-renamed holds neither.
const char kShortName[] = "short";
const char kLongName[] = "a-much-longer-name-of-32-chars!!";
// Both processes run for this long (or this many rounds, whichever comes first).
constexpr auto kStressTime = std::chrono::milliseconds(1000);
constexpr int kMaxRounds = 20'000'000;

// Checks one record as written by the writer below: both absolute bounds hold one value
// in all six words, the windows are packed and ascending, each window is eight equal bytes.
bool record_whole(uint32_t index, const TIME_RANGE_OM_Entry_T& e) {
    if (e.valid != 1 || e.active > 1) return false;
    const uint32_t v = e.start.word[0];
    for (int w = 0; w < 3; ++w)
        if (uint32_t(e.start.word[w]) != v || uint32_t(e.end.word[w]) != v) return false;
    uint32_t n = 0;
    while (n < TIME_RANGE_OM_MAX_PERIODIC && e.periodic_valid[n])
        ++n;
    for (uint32_t i = n; i < TIME_RANGE_OM_MAX_PERIODIC; ++i)
        if (e.periodic_valid[i]) return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* b = &e.periodic[i].start_day;
        for (int k = 1; k < 8; ++k)
            if (b[k] != b[0]) return false;
        if (i > 0 && e.periodic[i - 1].start_day >= b[0]) return false;
    }
    if (index == 1) {
        std::string name(e.name, strnlen(e.name, sizeof e.name));
        if (name != kShortName && name != kLongName) return false;
    }
    return true;
}

TEST_F(TimeRangeTest, ConcurrentWriterAndReaderInTwoProcessesStayConsistent) {
    for (const char* name : {"s0", kShortName, "s2"})
        ASSERT_EQ(TIME_RANGE_OM_CreateTimeRangeEntry(name), 0u);
    int ready[2], result[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(result), 0);

    // The child reads every record over and over and takes references on "s0"; the parent
    // rewrites the records and takes references too. The child reports its reference count
    // through a pipe and the number of broken records it saw as its exit status.
    pid_t child = fork_child([&] {
        char go = 'g';
        if (::write(ready[1], &go, 1) != 1) return 98;
        int torn = 0;
        uint32_t refs = 0;
        const auto deadline = std::chrono::steady_clock::now() + kStressTime;
        for (int round = 0; round < kMaxRounds && std::chrono::steady_clock::now() < deadline;
             ++round) {
            TIME_RANGE_OM_Entry_T e;
            int32_t i = -1;
            int seen = 0;
            while (TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e) == 0) {
                ++seen;
                if (!record_whole(static_cast<uint32_t>(i), e)) ++torn;
            }
            if (seen != 3) ++torn;
            uint32_t idx;
            if (TIME_RANGE_OM_RequestTimeRangeEntry("s0", 1, &idx) != 0 || idx != 0) ++torn;
            ++refs;
        }
        if (::write(result[1], &refs, sizeof refs) != sizeof refs) return 97;
        return torn > 90 ? 90 : torn;
    });
    ASSERT_GT(child, 0);
    char go = 0;
    ASSERT_EQ(::read(ready[0], &go, 1), 1);

    uint32_t parent_refs = 0;
    const auto deadline = std::chrono::steady_clock::now() + kStressTime;
    for (int round = 0; round < kMaxRounds && std::chrono::steady_clock::now() < deadline;
         ++round) {
        const uint32_t index = static_cast<uint32_t>(round % 3);
        const uint32_t v = static_cast<uint32_t>(round) * 0x01010101u;
        TIME_RANGE_OM_Absolute_T a = moment(v, v, v);
        ASSERT_EQ(TIME_RANGE_OM_SetTimeRangeAbsolute(index, 0, 0, &a, &a), 0u);
        const uint8_t b = static_cast<uint8_t>(round % 9 + 1);
        TIME_RANGE_OM_Periodic_T p = window(b, b, b, b, b, b, b, b);
        uint32_t rc = TIME_RANGE_OM_SetTimeRangePeriodic(index, &p);
        if (rc == TIME_RANGE_OM_ERR_PERIODIC_FULL || rc == TIME_RANGE_OM_ERR_EXISTS)
            ASSERT_EQ(TIME_RANGE_OM_DestroyTimeRangePeriodic(index, &p), 0u);
        else
            ASSERT_EQ(rc, 0u);
        ASSERT_EQ(TIME_RANGE_OM_MibSetTimeRangeEntryName(1, round % 2 ? kLongName : kShortName),
                  0u);
        ASSERT_TRUE(update(now_at(round % 7, 12, 0, 0, v)));
        uint32_t idx;
        ASSERT_EQ(TIME_RANGE_OM_RequestTimeRangeEntry("s0", 1, &idx), 0u);
        ++parent_refs;
    }
    uint32_t child_refs = 0;
    ASSERT_EQ(::read(result[0], &child_refs, sizeof child_refs),
              static_cast<ssize_t>(sizeof child_refs));
    EXPECT_EQ(wait_child(child), 0) << "records seen half-written";
    EXPECT_GT(child_refs, 0u);
    EXPECT_EQ(uint32_t(entry(0).ref_count), parent_refs + child_refs);
    for (int fd : {ready[0], ready[1], result[0], result[1]})
        ::close(fd);
}

}  // namespace
}  // namespace trtest
