// The round trip of a request through a driver group thread of the running daemon, against
// the floor of this design: the same message bounced between two processes over a bare
// queue. Prints "request_roundtrip ratio=R" with R = group-thread round trip / bare one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4001;

std::vector<uint8_t> request_message() {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + 16, 0);
    ipcmsg::set_cmd(m.data(), swdrv::subcmd::kModule);
    ipcmsg::set_msg_size(m.data(), 16);
    return m;  // sub-command 0 (not served: answered at once) and three argument words
}

void round_trips(benchmark::State& state, uint32_t key) {
    ipc::Client client;
    auto msg = request_message();
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    for (auto _ : state) {
        if (client.request(key, msg.data(), msg.size(), resp.data(), resp.size(), &len, 2000) !=
            SYSFUN_OK) {
            state.SkipWithError("no response");
            break;
        }
    }
}

void BM_GroupThread(benchmark::State& state) {
    round_trips(state, kGroupQueue);
}
void BM_BareQueue(benchmark::State& state) {
    round_trips(state, kBareQueue);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    bench::EchoServer echo(kBareQueue);
    // Rounds alternate between the two, and each side's best round counts: a burst of load
    // from elsewhere on the machine then hits both sides alike or neither.
    for (int round = 0; round < 5; ++round) {
        std::string r = "/round:" + std::to_string(round);
        benchmark::RegisterBenchmark(("BM_GroupThread" + r).c_str(), BM_GroupThread)
            ->MinTime(0.3)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_BareQueue" + r).c_str(), BM_BareQueue)
            ->MinTime(0.3)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    double group = collector.min_ns_per_iteration("BM_GroupThread/");
    double bare = collector.min_ns_per_iteration("BM_BareQueue/");
    if (group <= 0 || bare <= 0) return 1;
    std::printf("request_roundtrip ratio=%.3f\n", group / bare);
    return 0;
}
