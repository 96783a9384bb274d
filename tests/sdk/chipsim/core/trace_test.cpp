// A traced injection over the simulation-control channel, decoded as drvctl decodes it: the
// path of a BPDU from a blocking port, and of a frame flooded to several ports.
#include <string>
#include <vector>

#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

namespace sc = simproto;
using chipsim::Drop;
using namespace frames;

class TraceTest : public PipelineTest {
  protected:
    // Injects a frame at a front port with the trace flag; false when refused or cut short.
    bool traced(uint32_t front, const Bytes& frame) {
        std::vector<uint8_t> buf(ipcmsg::kHeaderSize + simctl::kMaxPayload, 0);
        sc::Bytes payload = sc::encode(
            sc::InjectRequest{front | sc::kInjectTrace, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        ipcmsg::set_cmd(buf.data(), sc::kInject);
        ipcmsg::set_msg_size(buf.data(), static_cast<uint16_t>(payload.size()));
        std::copy(payload.begin(), payload.end(), ipcmsg::payload(buf.data()));
        if (!simctl::dispatch(buf.data()) || ipcmsg::payload(buf.data())[0] != 1) return false;
        const uint8_t* p = ipcmsg::payload(buf.data());
        sc::Decoder d(p + 4, ipcmsg::msg_size(buf.data()) - 4u);
        return sc::decode(d, &result) && sc::decode(d, &trace) && d.left() == 0;
    }
    // The stages in the order they decided.
    std::vector<std::string> stages() const {
        std::vector<std::string> s;
        for (const sc::TraceEvent& e : trace.events)
            s.push_back(e.stage);
        return s;
    }
    const sc::TraceEvent& event(const std::string& stage) const {
        for (const sc::TraceEvent& e : trace.events)
            if (e.stage == stage) return e;
        ADD_FAILURE() << "no " << stage << " in the trace";
        return trace.events.at(0);
    }

    sc::InjectResult result;
    sc::Trace trace;
};

TEST_F(TraceTest, ABpduFromABlockingPortIsSoftDroppedThenTrappedToTheCpu) {
    vlan(1, {1, 2, 3});
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastTrapEnable(0, true), SDK_OK);
    ASSERT_EQ(sdkBrgGenIeeeReservedMcastProtCmdSet(0, 0, 0, SDK_PACKET_CMD_TRAP_TO_CPU), SDK_OK);
    stp(2, SDK_STP_BLOCKING);
    ASSERT_TRUE(traced(2, bpdu(mac(2)).bytes()));
    // Learning does not apply to a blocking port, so it records nothing.
    EXPECT_EQ(stages(), (std::vector<std::string>{"port_ingress", "vlan_ingress", "stp_ingress",
                                                  "traps_control", "cpu_deliver"}));
    EXPECT_FALSE(result.flags & sc::kInjectFlagLearned);
    const sc::TraceEvent& blocked = event("stp_ingress");
    EXPECT_EQ(blocked.verdict, uint8_t(sc::Verdict::kSoftDrop));
    EXPECT_EQ(blocked.reason, uint8_t(Drop::kStpState));
    EXPECT_EQ(blocked.front, 2);
    EXPECT_EQ(blocked.port, dp(2));
    const sc::TraceEvent& trap = event("traps_control");
    EXPECT_EQ(trap.verdict, uint8_t(sc::Verdict::kTrap));
    EXPECT_EQ(trap.cpu_code, chipsim::kCpuCodeIeeeReserved);
    EXPECT_EQ(event("cpu_deliver").front, 0);
    EXPECT_TRUE(result.flags & sc::kInjectFlagToCpu);
    EXPECT_EQ(result.count, 0u);
    EXPECT_EQ(trace.total, trace.count);

    // Disabled, the port drops it hard: no trap looks at it any more.
    stp(2, SDK_STP_DISABLED);
    ASSERT_TRUE(traced(2, bpdu(mac(2)).bytes()));
    EXPECT_EQ(stages(), (std::vector<std::string>{"port_ingress", "vlan_ingress", "stp_ingress"}));
    EXPECT_EQ(event("stp_ingress").verdict, uint8_t(sc::Verdict::kHardDrop));
    EXPECT_EQ(result.drop, uint32_t(Drop::kStpState));
}

TEST_F(TraceTest, AFloodNamesEveryPortItIsBoundForAndEachEgressDecision) {
    vlan(1, {1, 2, 3}, {4});
    stp(3, SDK_STP_BLOCKING);  // blocks on egress
    ASSERT_TRUE(traced(1, untagged(kBroadcast, mac(1)).bytes()));
    const sc::TraceEvent& lookup = event("fdb_lookup");
    std::vector<uint8_t> fronts;
    for (const sc::TracePort& p : lookup.ports)
        fronts.push_back(p.front);
    EXPECT_EQ(fronts, (std::vector<uint8_t>{2, 3, 4}));
    EXPECT_EQ(lookup.note, "flooded");
    int sent = 0, stp_blocked = 0;
    for (const sc::TraceEvent& e : trace.events) {
        if (e.stage == "egress") ++sent;
        if (e.stage == "stp_egress" && e.front == 3) ++stp_blocked;
    }
    EXPECT_EQ(sent, 2);
    EXPECT_EQ(stp_blocked, 1);
    EXPECT_EQ(result.ports, (std::vector<uint8_t>{2, 4}));
}

}  // namespace
