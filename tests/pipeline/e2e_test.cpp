// Scenarios through the running daemon: the switch is programmed with module-119 requests,
// frames go in and come out over the simulation-control queue, and drvctl injects from hex
// and pcap files and captures to pcap files.
#include <gtest/gtest.h>

#include <fstream>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/pipeline/frames.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using chipsim::Drop;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

namespace cmd = swdrv::subcmd;
constexpr uint32_t kUnit = 1;

struct Injection {
    bool answered = false;
    Drop drop = Drop::kNone;
    uint32_t vid = 0, flags = 0, cpu_code = 0;
    std::vector<uint32_t> ports;
    sc::Trace trace;  // when traced
};

class Switch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    void swdrv(std::vector<uint32_t> words) {
        Reply r = d.request(24, cmd::kModule, words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    // Ports 1..3 up, VLAN 10 with port 1 untagged (PVID 10) and port 2 tagged.
    void two_member_vlan() {
        for (uint32_t p : {1u, 2u, 3u})
            swdrv({cmd::kEnablePortAdmin, kUnit, p});
        swdrv({cmd::kCreateVlan, 10});
        swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 1, 10});
        swdrv({cmd::kAddPortVlanSet, kUnit, 2, 10});
        swdrv({cmd::kSetPortPVID, kUnit, 1, 10});
    }
    Injection inject(uint32_t port, const Bytes& frame, bool traced = false) {
        Bytes payload = sc::encode(sc::InjectRequest{port | (traced ? sc::kInjectTrace : 0),
                                                     static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        Injection out;
        if (!r.answered || r.result() != 1 || r.payload.size() < 4) return out;
        sc::Decoder dec(r.payload.data() + 4, r.payload.size() - 4);
        sc::InjectResult res;
        if (!sc::decode(dec, &res) || (traced && !sc::decode(dec, &out.trace))) return out;
        EXPECT_EQ(dec.left(), 0u) << "bytes after the injection's answer";
        out.answered = true;
        out.drop = static_cast<Drop>(res.drop);
        out.vid = res.vid;
        out.flags = res.flags;
        out.cpu_code = res.cpu_code;
        out.ports.assign(res.ports.begin(), res.ports.end());
        return out;
    }
    void capture(uint32_t bitmap, uint32_t cpu = 0) {
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kCaptureStart, {bitmap, cpu}).result(), 1);
    }
    // The captured frames: (front port, bytes).
    std::vector<std::pair<uint8_t, Bytes>> captured() {
        std::vector<std::pair<uint8_t, Bytes>> out;
        for (;;) {
            Reply r = d.request(simctl::kQueueKey, sc::kCaptureRead, {0});
            sc::CaptureStatus status;
            sc::CapturedHeader h;
            if (!r.answered || !sc::decode_reply(r.payload, &status) || status.waiting == 0)
                return out;
            sc::Decoder dec(r.payload.data() + 4, r.payload.size() - 4);
            if (!sc::decode(dec, &status) || !sc::decode(dec, &h)) return out;
            EXPECT_EQ(dec.left(), h.length);
            out.emplace_back(static_cast<uint8_t>(h.front), Bytes(dec.at(), dec.at() + dec.left()));
        }
    }
    uint64_t drops(uint32_t front, Drop why) {
        Reply r = d.request(simctl::kQueueKey, sc::kFrameCounters, {});
        sc::CountersReply counters;
        if (!sc::decode_reply(r.payload, &counters)) return ~uint64_t{0};
        for (const sc::CounterRecord& c : counters.items)
            if (c.front == front) return c.drops.at(static_cast<uint32_t>(why));
        return ~uint64_t{0};
    }
    // The address table: MAC last byte -> front port, for VLAN vid.
    std::map<uint8_t, uint8_t> fdb(uint16_t vid) {
        std::map<uint8_t, uint8_t> out;
        Reply r = d.request(simctl::kQueueKey, sc::kFdbRead, {0, 0});
        sc::FdbReply fdb;
        EXPECT_TRUE(sc::decode_reply(r.payload, &fdb));
        for (const sc::FdbRecord& e : fdb.items)
            if (e.vid == vid) out[e.key[5]] = e.front;
        return out;
    }

    Daemon d;
};

TEST_F(Switch, TaggedAndUntaggedMembersChangeTheTag) {
    two_member_vlan();
    capture(0b110);  // ports 2 and 3
    Frame f = untagged(kBroadcast, mac(1));
    Injection in = inject(1, f.bytes());
    ASSERT_TRUE(in.answered);
    EXPECT_EQ(in.vid, 10u);
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 2);
    EXPECT_EQ(tag_vid(out[0].second), 10);
    Bytes sent = f.bytes();
    EXPECT_TRUE(std::equal(sent.begin() + 12, sent.end(), out[0].second.begin() + 16));

    capture(0b001);
    in = inject(2, tagged(mac(1), mac(2), 10, 68).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{1});
    out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tag_vid(out[0].second), -1);
    EXPECT_EQ(out[0].second.size(), 64u);
}

TEST_F(Switch, ABlockingPortDropsAndDoesNotLearnThenLearningStopsFlooding) {
    two_member_vlan();
    swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 3, 10});
    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 2});  // blocking in instance 0
    Injection in = inject(1, untagged(kBroadcast, mac(1)).bytes());
    EXPECT_EQ(in.drop, Drop::kStpState);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_TRUE(fdb(10).empty());
    EXPECT_EQ(drops(1, Drop::kStpState), 1u);

    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 5});  // forwarding
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, (std::vector<uint32_t>{2, 3}));
    EXPECT_TRUE(in.flags & sc::kInjectFlagFlooded);
    inject(2, tagged(mac(1), mac(2), 10).bytes());
    std::map<uint8_t, uint8_t> learned = fdb(10);
    EXPECT_EQ(learned[1], 1);
    EXPECT_EQ(learned[2], 2);
    in = inject(1, untagged(mac(2), mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagFlooded);
}

TEST_F(Switch, IngressFilteringAndTheMruDrop) {
    two_member_vlan();
    swdrv({cmd::kEnableIngressFilter, kUnit, 3});
    EXPECT_EQ(inject(3, tagged(kBroadcast, mac(3), 10).bytes()).drop, Drop::kIngressFilter);
    EXPECT_EQ(drops(3, Drop::kIngressFilter), 1u);

    swdrv({cmd::kSetPortMTU, kUnit, 1, 1000});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 996).bytes()).ports, std::vector<uint32_t>{2});
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1), 997).bytes()).drop, Drop::kMru);
    EXPECT_EQ(drops(1, Drop::kMru), 1u);
}

TEST_F(Switch, MldReportsAreTrappedWithTheirSlotsCommandAndEapolAsPassThroughAsks) {
    two_member_vlan();
    capture(0, 1);  // the frames to the CPU
    swdrv({cmd::kEnableMLDTrap2CPU});
    Frame mld = mld_report(mac(1));
    Injection in = inject(1, mld.bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIcmpv6);
    std::vector<std::pair<uint8_t, Bytes>> out = captured();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].first, 0);  // the CPU
    EXPECT_EQ(out[0].second, mld.bytes());
    // The CPU packet driver took it from the CPU queue through the receive DMA.
    sc::NetifReply n;
    ASSERT_TRUE(sc::decode_reply(d.request(simctl::kQueueKey, sc::kNetif, {0}).payload, &n));
    EXPECT_EQ(n.waiting, 0u);
    EXPECT_EQ(n.buffers - n.free_buffers, 1u);  // filled: waiting for or held by the CPU

    swdrv({cmd::kSetEapolFramePassThrough, 0});  // any mode but 1 traps
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIeeeReserved);

    swdrv({cmd::kSetEapolFramePassThrough, 1});
    in = inject(1, eapol(mac(1)).bytes());
    EXPECT_EQ(in.ports, std::vector<uint32_t>{2});
    EXPECT_FALSE(in.flags & sc::kInjectFlagToCpu);
}

TEST_F(Switch, BadInjectionsAreRefusedOrDroppedAndCounted) {
    two_member_vlan();
    EXPECT_EQ(inject(1, Bytes(13, 0xFF)).drop, Drop::kRunt);
    Bytes cut = untagged(kBroadcast, mac(1)).bytes();
    cut[12] = 0x81;
    cut[13] = 0x00;
    cut.resize(16);
    EXPECT_EQ(inject(1, cut).drop, Drop::kTruncatedTag);
    EXPECT_FALSE(inject(17, untagged(kBroadcast, mac(1)).bytes()).answered);
    EXPECT_FALSE(inject(0, untagged(kBroadcast, mac(1)).bytes()).answered);
    // A length that does not match the bytes sent is refused.
    Bytes payload(8);
    be::put32(payload.data(), 1);
    be::put32(payload.data() + 4, 100);
    payload.resize(8 + 50);
    EXPECT_EQ(d.request_bytes(simctl::kQueueKey, sc::kInject, payload).result(), 0);
    // A pool offset outside the pool is refused.
    EXPECT_EQ(d.request(simctl::kQueueKey, sc::kInjectIpc, {1, 64, 0xFFFFFF00}).result(), 0);
    EXPECT_EQ(drops(1, Drop::kRunt), 1u);
    EXPECT_EQ(drops(1, Drop::kTruncatedTag), 1u);
    // The switch still serves.
    EXPECT_EQ(inject(1, untagged(kBroadcast, mac(1)).bytes()).ports, std::vector<uint32_t>{2});
}

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

namespace {

// The trace's event of a stage (the first one), or null.
const sc::TraceEvent* stage(const sc::Trace& t, const std::string& name) {
    for (const sc::TraceEvent& e : t.events)
        if (e.stage == name) return &e;
    return nullptr;
}

size_t position(const sc::Trace& t, const std::string& name) {
    for (size_t i = 0; i < t.events.size(); ++i)
        if (t.events[i].stage == name) return i;
    return t.events.size();
}

std::string hex_of(const Bytes& b) {
    std::string s;
    char two[3];
    for (uint8_t x : b) {
        std::snprintf(two, sizeof two, "%02x", x);
        s += two;
    }
    return s;
}

TEST_F(Switch, ATraceShowsTheBlockingPortsSoftDropAndTheTrapThatStillReachesTheCpu) {
    two_member_vlan();
    swdrv({cmd::kSetPortSTAStateWithMstidx, 0, kUnit, 1, 2});  // port 1 blocking
    swdrv({cmd::kSetEapolFramePassThrough, 0});  // reserved multicast 01-80-C2-00-00-03 trapped

    Injection in = inject(1, eapol(mac(1)).bytes(), true);
    ASSERT_TRUE(in.answered);
    const sc::Trace& t = in.trace;
    EXPECT_EQ(t.total, t.count);
    ASSERT_EQ(t.events.size(), t.count);
    const sc::TraceEvent* stp = stage(t, "stp_ingress");
    const sc::TraceEvent* traps = stage(t, "traps_control");
    const sc::TraceEvent* cpu = stage(t, "cpu_deliver");
    ASSERT_TRUE(stp && traps && cpu);
    EXPECT_LT(position(t, "port_ingress"), position(t, "vlan_ingress"));
    EXPECT_LT(position(t, "vlan_ingress"), position(t, "stp_ingress"));
    EXPECT_LT(position(t, "stp_ingress"), position(t, "traps_control"));
    EXPECT_LT(position(t, "traps_control"), position(t, "cpu_deliver"));
    EXPECT_EQ(stp->verdict, uint8_t(sc::Verdict::kSoftDrop));
    EXPECT_EQ(stp->reason, uint8_t(Drop::kStpState));
    EXPECT_EQ(stp->front, 1);
    EXPECT_EQ(traps->verdict, uint8_t(sc::Verdict::kTrap));
    EXPECT_EQ(traps->cpu_code, chipsim::kCpuCodeIeeeReserved);
    EXPECT_EQ(stage(t, "vlan_ingress")->note, "vid 10");
    EXPECT_EQ(cpu->front, 0);  // the CPU port
    EXPECT_TRUE(in.flags & sc::kInjectFlagToCpu);
    EXPECT_TRUE(in.ports.empty());
    EXPECT_EQ(in.cpu_code, chipsim::kCpuCodeIeeeReserved);

    // A BPDU, which the chip defaults trap with code 326: the trap overrides the soft drop.
    in = inject(1, bpdu(mac(1)).bytes(), true);
    ASSERT_TRUE(in.answered);
    ASSERT_TRUE(stage(in.trace, "traps_control"));
    EXPECT_EQ(stage(in.trace, "stp_ingress")->verdict, uint8_t(sc::Verdict::kSoftDrop));
    EXPECT_EQ(stage(in.trace, "traps_control")->verdict, uint8_t(sc::Verdict::kTrap));
    EXPECT_EQ(stage(in.trace, "traps_control")->cpu_code, 326u);
    EXPECT_TRUE(stage(in.trace, "cpu_deliver"));
    EXPECT_EQ(in.drop, Drop::kNone);

    // Untraced, the answer is the result alone (inject() checks nothing follows it).
    EXPECT_TRUE(inject(1, eapol(mac(1)).bytes()).answered);

    // drvctl prints the path, a line per stage, then the outcome.
    std::string out;
    const Bytes frame = eapol(mac(1)).bytes();
    const std::string size = std::to_string(frame.size());
    ASSERT_EQ(d.drvctl({"inject", "--trace", "1", hex_of(frame)}, &out), 0) << out;
    EXPECT_NE(out.find("trace of " + size + " bytes into port 1:"), std::string::npos) << out;
    auto line_of = [&](const std::string& stage_name) {
        size_t at = out.find(" " + stage_name + " ");
        if (at == std::string::npos) return std::string();
        size_t from = out.rfind('\n', at) + 1;
        return out.substr(from, out.find('\n', at) - from);
    };
    std::string stp_line = line_of("stp_ingress"), trap_line = line_of("traps_control");
    EXPECT_NE(stp_line.find("(port 1)"), std::string::npos) << out;
    EXPECT_NE(stp_line.find("soft-drop"), std::string::npos) << out;
    EXPECT_NE(stp_line.find("stp-state"), std::string::npos) << out;
    EXPECT_NE(trap_line.find(" trap "), std::string::npos) << out;
    EXPECT_NE(trap_line.find("cpu code " + std::to_string(chipsim::kCpuCodeIeeeReserved)),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("port 1: " + size + " bytes -> cpu (code " +
                       std::to_string(chipsim::kCpuCodeIeeeReserved) + "), VLAN 10"),
              std::string::npos)
        << out;
    EXPECT_LT(out.find(" stp_ingress "), out.find(" traps_control ")) << out;

    // The command table, from drvctl.
    ASSERT_EQ(d.drvctl({"sim", "help"}, &out), 0) << out;
    EXPECT_NE(out.find("32  inject          PORT LENGTH BYTES..."), std::string::npos) << out;
}

}  // namespace
