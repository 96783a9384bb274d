#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/components/calllog.h"
#include "tests/support/test_instance.h"

namespace {

TEST(CallLog, CallsRecordedInOneProcessAreReadInAnotherAndTheRingKeepsTheLatest) {
    testing_support::TestInstance inst;
    pid_t pid = fork();
    if (pid == 0) {
        for (int i = 1; i <= calllog::kRingEntries + 10; ++i)
            calllog::recordf("LAN", "call %d", i);
        calllog::record("SWCTRL", "SWCTRL_POM_Init()");
        _exit(0);
    }
    int status;
    waitpid(pid, &status, 0);
    ASSERT_EQ(calllog::count("LAN"), uint64_t(calllog::kRingEntries + 10));
    auto lan = calllog::read("LAN");
    ASSERT_EQ(lan.size(), size_t(calllog::kRingEntries));
    EXPECT_EQ(lan.front().text, "call 11");
    EXPECT_EQ(lan.back().text, "call " + std::to_string(calllog::kRingEntries + 10));
    EXPECT_EQ(lan.back().seq, uint64_t(calllog::kRingEntries + 10));
    EXPECT_TRUE(calllog::received("SWCTRL", "SWCTRL_POM_Init"));
    EXPECT_FALSE(calllog::received("SWCTRL", "SWCTRL_Other"));
    EXPECT_TRUE(calllog::read("NOBODY").empty());
    calllog::clear();
    EXPECT_EQ(calllog::count("LAN"), 0u);
}

}  // namespace
