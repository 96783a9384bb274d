#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/components/calllog.h"
#include "platform/firmware/packet_sinks.h"
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

// Calls recorded as numbers read as the text printf would have made of them, in this process
// and in another (the forms live in the segment), and after a clear, whose forms are gone.
TEST(CallLog, CallsRecordedAsNumbersReadAsTheirText) {
    testing_support::TestInstance inst;
    const uint32_t cases[][7] = {
        {0, 0, 0, 0, 0, 0, 0},
        {1, 26, 37, 1, 60, 0x10a0, 0xbeef},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    std::vector<std::string> want;
    for (const auto& k : cases) {
        char lan[256], iuc[256];
        std::snprintf(lan, sizeof lan, packet_sinks::kLanCallForm, k[0], k[1], k[2], k[3], k[4],
                      k[5], k[6]);
        std::snprintf(iuc, sizeof iuc, packet_sinks::kIucCallForm, k[0], k[1], k[2], k[4], k[5],
                      k[6]);
        want.push_back(std::string(lan).substr(0, calllog::kTextLen - 1));
        want.push_back(std::string(iuc).substr(0, calllog::kTextLen - 1));
    }
    pid_t pid = fork();
    if (pid == 0) {
        for (const auto& k : cases) {
            calllog::record_numbers("LAN", packet_sinks::kLanCallForm,
                                    {k[0], k[1], k[2], k[3], k[4], k[5], k[6]});
            calllog::record_numbers("LAN", packet_sinks::kIucCallForm,
                                    {k[0], k[1], k[2], k[4], k[5], k[6]});
        }
        _exit(0);
    }
    int status;
    waitpid(pid, &status, 0);
    std::vector<std::string> got;
    for (const calllog::Entry& e : calllog::read("LAN"))
        got.push_back(e.text);
    EXPECT_EQ(got, want);
    // Too few numbers leave zeros; a text record and a numbers record share the ring.
    calllog::record("LAN", "plain");
    calllog::record_numbers("LAN", "f(%u, %x)", {7});
    auto lan = calllog::read("LAN");
    ASSERT_GE(lan.size(), 2u);
    EXPECT_EQ(lan[lan.size() - 2].text, "plain");
    EXPECT_EQ(lan.back().text, "f(7, 0)");
    // After a clear, the forms this thread remembers are gone: the record still reads right.
    calllog::clear();
    calllog::record_numbers("SWCTRL", "g(%u)", {5});
    calllog::record_numbers("LAN", "f(%u, %x)", {8, 255});
    EXPECT_EQ(calllog::read("SWCTRL").at(0).text, "g(5)");
    EXPECT_EQ(calllog::read("LAN").at(0).text, "f(8, ff)");
}

// When the segment's table of forms is full, a new form is recorded as its bare text.
TEST(CallLog, FormsBeyondTheTableAreRecordedBare) {
    testing_support::TestInstance inst;
    std::vector<std::string> forms;
    for (int i = 0; i <= calllog::kForms; ++i)
        forms.push_back("form" + std::to_string(i) + "(%u)");
    for (const std::string& f : forms)
        calllog::record_numbers("LAN", f.c_str(), {uint32_t(f.size())});
    auto lan = calllog::read("LAN");
    ASSERT_EQ(lan.size(), forms.size());
    EXPECT_EQ(lan[0].text, "form0(9)");
    EXPECT_EQ(lan.back().text, forms.back());
}

}  // namespace
