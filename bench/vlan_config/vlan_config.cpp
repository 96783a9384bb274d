// VLAN configuration through the request protocol: all 4094 VLANs created, each with every
// front port as a member, one request per VLAN and per port, against the bare queue
// ping-pong between two processes measured in the same run. Prints "vlan_config ratio=R"
// with R = time per VLAN request / bare round trip.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4002;
namespace cmd = swdrv::subcmd;
constexpr uint32_t kFrontPorts = 16;
constexpr uint32_t kVlans = 4094;
// Per VLAN: its creation and one request per front port.
constexpr uint64_t kRequests = uint64_t{kVlans} * (1 + kFrontPorts);

std::vector<uint8_t> message(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + 4 * words.size(), 0);
    ipcmsg::set_cmd(m.data(), cmd::kModule);
    ipcmsg::set_msg_size(m.data(), static_cast<uint16_t>(4 * words.size()));
    for (size_t i = 0; i < words.size(); ++i)
        ipcmsg::set_word(m.data(), static_cast<uint32_t>(i), words[i]);
    return m;
}

void BM_VlanRequests(benchmark::State& state) {
    ipc::Client client;
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    uint32_t vid = 1, port = 0;  // port 0: the VLAN's creation is next
    for (auto _ : state) {
        auto msg = port == 0 ? message({cmd::kCreateVlan, vid})
                             : message({cmd::kAddPortVlanSet, 1, port, vid});
        if (client.request(kGroupQueue, msg.data(), msg.size(), resp.data(), resp.size(), &len,
                           2000) != SYSFUN_OK ||
            ipcmsg::payload(resp.data())[0] != 1) {
            state.SkipWithError("request refused or not answered");
            break;
        }
        if (++port > kFrontPorts) {
            port = 0;
            ++vid;
        }
    }
}

void BM_BareQueue(benchmark::State& state) {
    ipc::Client client;
    auto msg = message({0, 0, 0, 0});
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    for (auto _ : state) {
        if (client.request(kBareQueue, msg.data(), msg.size(), resp.data(), resp.size(), &len,
                           2000) != SYSFUN_OK) {
            state.SkipWithError("no response");
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    bench::EchoServer echo(kBareQueue);
    benchmark::RegisterBenchmark("BM_VlanRequests", BM_VlanRequests)
        ->Iterations(kRequests)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_BareQueue", BM_BareQueue)->MinTime(1.0)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    double vlan = collector.ns_per_iteration("BM_VlanRequests");
    double bare = collector.ns_per_iteration("BM_BareQueue");
    if (vlan <= 0 || bare <= 0) return 1;
    std::printf("vlan_config ratio=%.3f\n", vlan / bare);
    return 0;
}
