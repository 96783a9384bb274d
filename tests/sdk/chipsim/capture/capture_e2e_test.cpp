// drvctl injecting from hex and pcap files, capturing to pcap files and showing counters,
// through the running daemon.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/sdk/chipsim/support/switch_e2e_fixture.h"

namespace {

using namespace switch_e2e;

TEST_F(Switch, DrvctlInjectsCapturesAndShowsCounters) {
    two_member_vlan();
    std::string out;
    ASSERT_EQ(d.drvctl({"capture", "start", "2"}, &out), 0) << out;
    ASSERT_EQ(d.drvctl({"inject", "1", "ffffffffffff", "02:00:00:00:00:01", "0800", "45"}, &out), 0)
        << out;
    EXPECT_NE(out.find("port 1: 15 bytes -> 2, VLAN 10, flooded"), std::string::npos) << out;
    std::string pcap_file = d.run_file("cap.pcap");
    ASSERT_EQ(d.drvctl({"capture", "stop", "--out", pcap_file}, &out), 0) << out;
    EXPECT_NE(out.find("1 frames captured"), std::string::npos) << out;
    std::vector<pcap::Record> recs;
    std::string error;
    ASSERT_TRUE(pcap::read_file(pcap_file, &recs, &error)) << error;
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].bytes.size(), 64u);
    EXPECT_EQ(tag_vid(recs[0].bytes), 10);

    // What was captured goes back in from a file.
    ASSERT_EQ(d.drvctl({"inject", "2", "--pcap", pcap_file}, &out), 0) << out;
    EXPECT_NE(out.find("port 2: 64 bytes -> 1"), std::string::npos) << out;

    // A 16 KB frame travels through the IPC pool and is dropped as too long.
    std::string huge = "ffffffffffff020000000001" + std::string(2 * (16384 - 12), 'a');
    ASSERT_EQ(d.drvctl({"inject", "1", huge}, &out), 0) << out;
    EXPECT_NE(out.find("16384 bytes dropped (too-long)"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"frames"}, &out), 0) << out;
    EXPECT_NE(out.find("port 1: too-long 1"), std::string::npos) << out;

    std::string bad = d.run_file("bad.pcap");
    std::ofstream(bad) << "not a capture";
    EXPECT_EQ(d.drvctl({"inject", "1", "--pcap", bad}, &out), 1);
    EXPECT_EQ(d.drvctl({"inject", "1", "abc"}, &out), 2);
    EXPECT_EQ(d.drvctl({"inject", "99", "ffff"}, &out), 2);
    EXPECT_EQ(d.drvctl({"capture", "1-x", "--out", pcap_file}, &out), 2);
}

}  // namespace
