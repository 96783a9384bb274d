// drvctl's VLAN, spanning-tree and port commands against a running driver_proc: what they
// change on the chip, what the views show, and usage errors before anything is sent.
#include <gtest/gtest.h>

#include "tests/support/daemon.h"

namespace {

using testing_support::Daemon;

class DrvctlVlan : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d_.start(), 0); }
    // Runs drvctl; the exit status.
    int run(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string ignored;
        return d_.drvctl(args, out ? out : &ignored);
    }
    std::string show(const std::vector<std::string>& args) {
        std::string out;
        EXPECT_EQ(run(args, &out), 0);
        return out;
    }
    Daemon d_;
};

TEST_F(DrvctlVlan, BuildAVlanAndShowItFromTheChip) {
    for (auto args : std::vector<std::vector<std::string>>{{"vlan", "create", "10"},
                                                           {"vlan", "add", "10", "1"},
                                                           {"vlan", "add", "10", "2", "untagged"},
                                                           {"vlan", "add", "10", "3", "untagged"},
                                                           {"vlan", "add", "10", "cpu"},
                                                           {"vlan", "pvid", "2", "10"},
                                                           {"vlan", "accept", "1", "tagged"},
                                                           {"vlan", "filter", "1", "on"}})
        ASSERT_EQ(run(args), 0) << args[1];
    EXPECT_EQ(show({"vlan", "show"}),
              "vlan  group  untagged                    tagged\n"
              "  10      0  2-3                         1,cpu\n");
    std::string ports = show({"vlan", "ports"});
    EXPECT_NE(ports.find("   1     1  tagged    on      0x8100  -       0\n"), std::string::npos)
        << ports;
    EXPECT_NE(ports.find("   2    10  all       off     0x8100  -       0\n"), std::string::npos)
        << ports;
    ASSERT_EQ(run({"vlan", "remove", "10", "3"}), 0);
    EXPECT_NE(show({"vlan", "show", "10"}).find("  10      0  2   "), std::string::npos);
    ASSERT_EQ(run({"vlan", "destroy", "10"}), 0);
    EXPECT_EQ(show({"vlan", "show"}), "vlan  group  untagged                    tagged\n");
    // The switch's own refusal is an operation failure, not a usage error.
    EXPECT_EQ(run({"vlan", "add", "11", "1"}), 1);
}

TEST_F(DrvctlVlan, SpanningTreeModeStatesAndBindings) {
    ASSERT_EQ(run({"vlan", "create", "20"}), 0);
    ASSERT_EQ(run({"stp", "mode", "multiple"}), 0);
    ASSERT_EQ(run({"stp", "state", "4", "2", "listening"}), 0);
    ASSERT_EQ(run({"stp", "state", "4", "1", "forwarding"}), 0);
    ASSERT_EQ(run({"stp", "vlan", "20", "4"}), 0);
    std::string out = show({"stp", "show", "4"});
    EXPECT_NE(out.find("instance 4\nport  state\n   1  forwarding\n   2  blocking\n"),
              std::string::npos)
        << out;
    EXPECT_NE(show({"vlan", "show"}).find("  20      4  "), std::string::npos);
    ASSERT_EQ(run({"stp", "vlan", "20", "0"}), 0);
    EXPECT_NE(show({"vlan", "show"}).find("  20      0  "), std::string::npos);
}

TEST_F(DrvctlVlan, PortEnableAndConfiguration) {
    ASSERT_EQ(run({"port", "enable", "1"}), 0);
    ASSERT_EQ(run({"port", "config", "1", "speed", "100full", "autoneg", "off", "mtu", "2000"}), 0);
    std::string out = show({"ports"});
    EXPECT_NE(out.find("   1   0/0   up    up    100 full   100 full   off     "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" 2000 "), std::string::npos) << out;
    ASSERT_EQ(run({"port", "disable", "1"}), 0);
    EXPECT_NE(show({"ports"}).find("   1   0/0   down  down"), std::string::npos);
}

TEST_F(DrvctlVlan, BadNamesAndValuesAreUsageErrorsAndSendNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"vlan", "create", "0"},
        {"vlan", "create", "4095"},
        {"vlan", "add", "10", "17"},
        {"vlan", "add", "10", "0/1"},
        {"vlan", "add", "10", "1", "sideways"},
        {"vlan", "pvid", "1", "4095"},
        {"vlan", "accept", "1", "some"},
        {"vlan", "frobnicate"},
        {"stp", "mode", "rapid"},
        {"stp", "state", "32", "1", "forwarding"},
        {"stp", "state", "1", "1", "sleeping"},
        {"port", "config", "1", "autoneg", "off", "speed", "20full"},
        {"port", "config", "1", "mtu", "99999"},
        {"port", "enable", "17"},
    };
    std::string before = show({"ports"}) + show({"vlan", "show"}) + show({"vlan", "ports"});
    for (const auto& args : bad)
        EXPECT_EQ(run(args), 2) << args[0] << " " << args[1] << " " << args[2];
    // Not even the valid first setting of a refused configuration was sent.
    EXPECT_EQ(show({"ports"}) + show({"vlan", "show"}) + show({"vlan", "ports"}), before);
}

}  // namespace
