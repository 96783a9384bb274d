// Injection through the running daemon: bad injections refused or dropped and counted, and a
// traced frame's path stage by stage as drvctl inject --trace prints it.
#include "tests/sdk/chipsim/support/switch_e2e_fixture.h"

namespace {

using namespace switch_e2e;

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
