#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

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

TEST(CallLog, CallsAfterAClearGoToTheirOwnComponent) {
    testing_support::TestInstance inst;
    const char* const lan_name = "LAN";
    calllog::record(lan_name, "before");
    calllog::clear();
    // The ring LAN had is the first free one again, and SWCTRL, recorded by another thread,
    // takes it before this thread records LAN again.
    std::thread([] { calllog::record("SWCTRL", "swctrl call"); }).join();
    calllog::record(lan_name, "lan call");
    auto lan = calllog::read("LAN");
    auto swctrl = calllog::read("SWCTRL");
    ASSERT_EQ(lan.size(), 1u);
    ASSERT_EQ(swctrl.size(), 1u);
    EXPECT_EQ(lan[0].text, "lan call");
    EXPECT_EQ(swctrl[0].text, "swctrl call");
    // A text longer than a record is cut and stays terminated.
    calllog::record("LAN", std::string(3 * calllog::kTextLen, 'x').c_str());
    EXPECT_EQ(calllog::read("LAN").back().text, std::string(calllog::kTextLen - 1, 'x'));
}

}  // namespace
