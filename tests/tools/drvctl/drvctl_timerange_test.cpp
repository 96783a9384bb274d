// drvctl timerange against a table of this test's instance: the sub-commands change the
// table through the library and list it back in words.
#include <cstdio>
#include <cstdlib>

#include "tests/timerange/time_range_fixture.h"
#include "tools/drvctl/commands.h"

namespace trtest {
namespace {

struct Result {
    int rc;
    std::string out, err;
    bool says(const std::string& s) const {
        return out.find(s) != std::string::npos || err.find(s) != std::string::npos;
    }
};

Result drvctl_timerange(std::vector<std::string> words) {
    drvctl::Args args;
    args.words = std::move(words);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int rc = drvctl::cmd_timerange(args);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    return Result{rc, out, testing::internal::GetCapturedStderr()};
}

class DrvctlTimeRange : public TimeRangeTest {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        TimeRangeTest::SetUp();
    }
};

TEST_F(DrvctlTimeRange, BuildsEntriesFromWordsAndListsThem) {
    EXPECT_TRUE(drvctl_timerange({"create", "office"}).says("created time range 0 \"office\""));
    ASSERT_EQ(
        drvctl_timerange({"periodic", "office", "add", "fri", "18:00:00", "Monday", "06:00:00"}).rc,
        0);
    ASSERT_EQ(drvctl_timerange({"periodic", "0", "add", "weekdays", "08:00:00", "24:00:00"}).rc, 0);
    ASSERT_EQ(drvctl_timerange({"absolute", "office", "--start", "2024-01-01T00:00:00", "--end",
                                "2024-12-31T23:59:59"})
                  .rc,
              0);
    std::vector<TIME_RANGE_OM_Periodic_T> w = windows_of(0);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_TRUE(same(w[0], window(5, 18, 0, 0, 1, 6, 0, 0)));
    EXPECT_TRUE(same(w[1], window(8, 8, 0, 0, 8, 24, 0, 0)));
    EXPECT_EQ(uint32_t(entry(0).start.word[0]), 1704067200u);
    EXPECT_EQ(uint32_t(entry(0).end.word[0]), 1735689599u);

    Result r = drvctl_timerange({"list"});
    EXPECT_EQ(r.rc, 0);
    for (const char* part :
         {"1 of 50 in use", "not been updated yet",
          "from 2024-01-01T00:00:00 to 2024-12-31T23:59:59",
          "periodic  fri 18:00:00 - mon 06:00:00", "periodic  weekdays 08:00:00 - 24:00:00"})
        EXPECT_TRUE(r.says(part)) << part << " in\n" << r.out;
    // Saturday 2024-06-01 12:00 UTC is inside the absolute window and the weekend span.
    ASSERT_TRUE(update(now_at(6, 12, 0, 0, 1717243200)));
    r = drvctl_timerange({"list"});
    EXPECT_TRUE(r.says("as of the clock's update 1")) << r.out;
    EXPECT_TRUE(r.says("office                            yes")) << r.out;

    ASSERT_EQ(
        drvctl_timerange({"periodic", "office", "del", "weekdays", "08:00:00", "24:00:00"}).rc, 0);
    EXPECT_EQ(windows_of(0).size(), 1u);
    ASSERT_EQ(drvctl_timerange({"absolute", "office"}).rc, 0);
    EXPECT_EQ(entry(0).start_set + entry(0).end_set, 0);
}

TEST_F(DrvctlTimeRange, NamesIndexesAndReferences) {
    ASSERT_EQ(drvctl_timerange({"create-index", "4"}).rc, 0);
    // A word is a name first: "1" is entry 4 (named "1"), not index 1.
    ASSERT_EQ(drvctl_timerange({"rename", "1", "lab"}).rc, 0);
    EXPECT_STREQ(entry(4).name, "lab");
    EXPECT_TRUE(drvctl_timerange({"create", "lab"}).says("already used"));
    ASSERT_EQ(drvctl_timerange({"hold", "4"}).rc, 0);
    Result r = drvctl_timerange({"delete", "lab"});
    EXPECT_EQ(r.rc, drvctl::kExitFailed);
    EXPECT_TRUE(r.says("(result 8)")) << r.err;
    ASSERT_EQ(drvctl_timerange({"release", "lab"}).rc, 0);
    EXPECT_TRUE(drvctl_timerange({"delete", "4"}).says("deleted time range 4 \"lab\""));
    EXPECT_EQ(TIME_RANGE_OM_IsTimeRangeEntryValid(4), 1u);
    EXPECT_TRUE(drvctl_timerange({"delete", "lab"}).says("no time range \"lab\""));
    EXPECT_TRUE(drvctl_timerange({"create", std::string(40, 'n')}).says("cut to 32"));
}

TEST_F(DrvctlTimeRange, BadWordsAreUsageErrorsAndChangeNothing) {
    ASSERT_EQ(drvctl_timerange({"create", "t"}).rc, 0);
    const std::vector<uint8_t> before = raw_table();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"create"},
        {"create-index", "50"},
        {"periodic", "t", "add", "funday", "08:00:00", "fri", "09:00:00"},
        {"periodic", "t", "add", "mon", "25:00:00", "fri", "09:00:00"},
        {"periodic", "t", "add", "mon", "8:00", "fri", "09:00:00"},
        {"periodic", "t", "add", "mon", "08:00:00", "09:00:00"},  // a weekday needs its end day
        {"periodic", "t", "add", "daily", "08:00:00", "24:00:01"},
        {"periodic", "t", "move", "daily", "08:00:00", "09:00:00"},
        {"absolute", "t", "--start", "2024-02-30T00:00:00"},
        {"absolute", "t", "--start", "yesterday"},
        {"absolute", "t", "--middle", "2024-01-01T00:00:00"},
    };
    for (const auto& words : bad)
        EXPECT_EQ(drvctl_timerange(words).rc, drvctl::kExitUsage)
            << ::testing::PrintToString(words);
    EXPECT_EQ(raw_table(), before);
    // A window the table accepts but that can never match is stored, with a warning.
    Result r = drvctl_timerange({"periodic", "t", "add", "daily", "22:00:00", "06:00:00"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.says("never matches")) << r.err;
    EXPECT_EQ(windows_of(0).size(), 1u);
}

TEST(DrvctlTimeRangeNoTable, SaysSoWhenTheInstanceHasNoTable) {
    testing_support::TestInstance inst;
    Result r = drvctl_timerange({"list"});
    EXPECT_EQ(r.rc, drvctl::kExitFailed);
    EXPECT_TRUE(r.says("has no time range table")) << r.err;
}

}  // namespace
}  // namespace trtest
