// The address table through the running daemon: learning from traffic read back by the
// driver's scan, new addresses on a port without learning announced to the address-management
// layer at the event layer's pace, entries written by requests steering unicast, ageing on
// the model's clock, flushes, and drvctl's addr commands.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "drivers/amtrdrv/dev_amtrdrv_subcmd.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"
#include "tests/support/frames.h"

namespace {

namespace sc = simproto;
namespace sw = swdrv::subcmd;
namespace cmd = amtrdrv::subcmd;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

Mac src_mac(uint32_t n) {
    return {0x02,
            0x00,
            0x00,
            static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 8),
            static_cast<uint8_t>(n)};
}

struct Learned {
    uint16_t vid;
    Mac mac;
    uint8_t unit, port;
    bool operator<(const Learned& o) const {
        return std::tie(vid, mac, unit, port) < std::tie(o.vid, o.mac, o.unit, o.port);
    }
};

class AddrE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 0);
        // Ports 1 to 3 in VLAN 10, untagged.
        for (uint32_t p : {1u, 2u, 3u})
            swdrv({sw::kEnablePortAdmin, 1, p});
        swdrv({sw::kCreateVlan, 10});
        for (uint32_t p : {1u, 2u, 3u}) {
            swdrv({sw::kAddPortUntaggedVlanSet, 1, p, 10});
            swdrv({sw::kSetPortPVID, 1, p, 10});
        }
    }
    void swdrv(std::vector<uint32_t> words) {
        Reply r = d.request(24, sw::kModule, words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    Reply amtr(std::vector<uint32_t> words) {
        Reply r = d.request(24, cmd::kModule, words);
        EXPECT_TRUE(r.answered);
        return r;
    }
    Reply amtr_bytes(const Bytes& payload) {
        Reply r = d.request_bytes(24, cmd::kModule, payload);
        EXPECT_TRUE(r.answered);
        return r;
    }
    // The front ports a frame went out of (empty when it was dropped).
    std::vector<uint32_t> inject(uint32_t port, const Bytes& frame) {
        Bytes payload = sc::encode(sc::InjectRequest{port, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        EXPECT_TRUE(r.answered && r.result() == 1 && r.payload.size() >= 4);
        sc::Decoder dec(r.payload.data() + 4, r.payload.size() - 4);
        sc::InjectResult res;
        EXPECT_TRUE(sc::decode(dec, &res));
        return {res.ports.begin(), res.ports.end()};
    }
    // Every learned entry, through the driver's scan (codes 1 and 3).
    std::set<Learned> scan() {
        std::set<Learned> out;
        EXPECT_EQ(amtr({cmd::kResetScan, 0}).result(), 1);
        // Each empty call is one read budget of 2000 slots; 16K slots need at most 9.
        for (int call = 0, empty = 0; call < 400 && empty < 12; ++call) {
            Reply r = amtr({cmd::kGetEntries, 150});
            if (r.payload.size() != 2408) {
                ADD_FAILURE() << "reply of " << r.payload.size() << " bytes";
                break;
            }
            uint32_t n = be::get32(r.payload.data() + cmd::kCountOffset);
            empty = n == 0 ? empty + 1 : 0;
            for (uint32_t i = 0; i < n; ++i) {
                const uint8_t* p = r.payload.data() + 4 + 16 * i;
                Learned l{be::get16(p), {}, p[8], p[9]};
                std::copy(p + 2, p + 8, l.mac.begin());
                out.insert(l);
            }
        }
        return out;
    }
    size_t announcements(std::string* text = nullptr) {
        std::string out;
        EXPECT_EQ(d.drvctl({"log", "AMTRDRV"}, &out), 0);
        size_t n = 0;
        for (size_t at = 0;
             (at = out.find("AMTRDRV_MGR_AnnounceNA_N_SecurityCheck(", at)) != std::string::npos;
             ++at)
            ++n;
        if (text) *text = out;
        return n;
    }
    Daemon d;
};

TEST_F(AddrE2e, AThousandSourcesAreLearnedAndReturnedByTheScan) {
    for (uint32_t n = 0; n < 1000; ++n)
        inject(1, untagged(kBroadcast, src_mac(n)).bytes());
    std::set<Learned> all = scan();
    EXPECT_EQ(all.size(), 1000u);
    for (const Learned& l : all) {
        EXPECT_EQ(l.vid, 10);
        EXPECT_EQ(l.unit, 1);
        EXPECT_EQ(l.port, 1);
    }
    EXPECT_EQ(all.count(Learned{10, src_mac(999), 1, 1}), 1u);
}

TEST_F(AddrE2e, NewSourcesOnAPortWithoutLearningReachTheAddressLayerPaced) {
    swdrv({sw::kSetPortLearningStatus, 1, 2, 0});
    const size_t before = announcements();
    const auto t0 = std::chrono::steady_clock::now();
    for (uint32_t n = 1; n <= 3; ++n)
        inject(2, untagged(kBroadcast, src_mac(0x500 + n)).bytes());
    std::string log;
    for (int i = 0; i < 200 && announcements(&log) < before + 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    ASSERT_EQ(announcements(&log), before + 3) << log;
    // One message, then the event layer's pause before the next: the third comes after two.
    EXPECT_GE(elapsed, std::chrono::milliseconds(2 * 200));
    EXPECT_NE(log.find("mac=02-00-00-00-05-01, vid=10, reason=0, port=2, unit=1"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("mac=02-00-00-00-05-03, vid=10, reason=0, port=2, unit=1"),
              std::string::npos);
    // Not learned by the chip.
    EXPECT_TRUE(scan().empty());
}

TEST_F(AddrE2e, EntriesWrittenByRequestsSteerUnicastAndAgeingRestoresFlooding) {
    const Mac target = src_mac(0x77);
    // Unknown destination: flooded to the other members.
    EXPECT_EQ(inject(1, untagged(target, src_mac(1)).bytes()), (std::vector<uint32_t>{2, 3}));
    Bytes rec(20, 0);
    be::put32(rec.data(), cmd::kSetEntry);
    be::put16(rec.data() + 4, 10);
    std::copy(target.begin(), target.end(), rec.begin() + 6);
    rec[12] = 1;    // unit
    rec[13] = 3;    // port
    rec[15] = 255;  // no QoS index
    rec[17] = 2;    // dynamic
    ASSERT_EQ(amtr_bytes(rec).result(), 1);
    EXPECT_EQ(inject(1, untagged(target, src_mac(1)).bytes()), (std::vector<uint32_t>{3}));
    // Learned from traffic: port 2's source goes out of port 2 only.
    inject(2, untagged(kBroadcast, src_mac(2)).bytes());
    EXPECT_EQ(inject(1, untagged(src_mac(2), src_mac(1)).bytes()), (std::vector<uint32_t>{2}));
    // Ageing every 10 s: two periods of model time without the address take it out.
    EXPECT_EQ(amtr({cmd::kSetAgeingTime, 10}).result(), 1);
    inject(2, untagged(kBroadcast, src_mac(2)).bytes());
    ASSERT_EQ(d.request(simctl::kQueueKey, sc::kClockAdvance, {10}).result(), 1);
    EXPECT_EQ(scan().size(), 2u);  // one pass only marks them
    ASSERT_EQ(d.request(simctl::kQueueKey, sc::kClockAdvance, {20}).result(), 1);
    EXPECT_TRUE(scan().empty());
    EXPECT_EQ(inject(1, untagged(src_mac(2), src_mac(9)).bytes()), (std::vector<uint32_t>{2, 3}));
}

TEST_F(AddrE2e, AFlushByPortRemovesThatPortsLearnedEntriesOnly) {
    for (uint32_t n = 0; n < 20; ++n)
        inject(1 + n % 2, untagged(kBroadcast, src_mac(n)).bytes());
    std::string out;
    ASSERT_EQ(d.drvctl({"addr", "add", "10", "02:00:00:00:00:aa", "1"}, &out), 0) << out;
    ASSERT_EQ(d.drvctl({"addr", "flush", "port", "1"}, &out), 0) << out;
    std::set<Learned> left = scan();
    EXPECT_EQ(left.size(), 10u);
    for (const Learned& l : left)
        EXPECT_EQ(l.port, 2);
    // The static entry stays: it still steers its address to port 1.
    EXPECT_EQ(inject(2, untagged(src_mac(0xaa), src_mac(1)).bytes()), (std::vector<uint32_t>{1}));
    ASSERT_EQ(d.drvctl({"addr", "show", "port", "2"}, &out), 0);
    EXPECT_NE(out.find("10 entries"), std::string::npos) << out;
    ASSERT_EQ(d.drvctl({"addr", "lookup", "10", "02:00:00:00:00:aa"}, &out), 0);
    EXPECT_EQ(out, "port 1\n");
    ASSERT_EQ(d.drvctl({"addr", "delete", "10", "02:00:00:00:00:aa"}, &out), 0);
    EXPECT_NE(d.drvctl({"addr", "lookup", "10", "02:00:00:00:00:aa"}, &out), 0);
    EXPECT_EQ(d.drvctl({"addr", "ageing", "9"}, &out), 1);
    ASSERT_EQ(d.drvctl({"addr", "flush", "vlan", "10"}, &out), 0);
    EXPECT_TRUE(scan().empty());
}

TEST_F(AddrE2e, TheDebugMenuDumpsTheChipsTableAndSetsItsSwitches) {
    for (uint32_t n = 0; n < 3; ++n)
        inject(3, untagged(kBroadcast, src_mac(0x900 + n)).bytes());
    std::string out;
    ASSERT_EQ(d.drvctl({"menu", "dev_amtrdrv"}, &out, "6\n0\n8\n4\n1\n9\n10\nq\n"), 0) << out;
    EXPECT_NE(
        out.find("\nMac                Vid Unit/Port IsTrunk TrunkId Is_Static age_flag Idx\n"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("02-00-00-00-09-02  10    1/3"), std::string::npos) << out;
    EXPECT_NE(out.find("3 records\n"), std::string::npos);
    EXPECT_NE(out.find("AU queue is empty\n"), std::string::npos);
    EXPECT_NE(out.find("[4] Set debug_flag(1)\n"), std::string::npos);
    EXPECT_NE(out.find("[9] Set max retry count(10)\n"), std::string::npos);
}

}  // namespace
