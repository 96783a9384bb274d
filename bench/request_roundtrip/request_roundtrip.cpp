// The round trip of a request through a driver group thread of the running daemon, against
// the floor of this design: the same message bounced between two processes over a bare
// queue. Prints "request_roundtrip ratio=R" with R = group-thread round trip / bare one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "bench/common/roundtrip.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"

namespace {

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4001;

// Sub-command 0 of module 119 is not served: answered at once.
void BM_GroupThread(benchmark::State& state) {
    bench::round_trips(state, kGroupQueue, bench::round_trip_message(swdrv::subcmd::kModule));
}
void BM_BareQueue(benchmark::State& state) {
    bench::round_trips(state, kBareQueue, bench::round_trip_message(swdrv::subcmd::kModule));
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
