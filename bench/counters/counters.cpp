// Reading the counters driver's records for every port of a 16-port unit through requests,
// against the floor of this design: the same size of message bounced between two processes
// over a bare queue. Prints "counters ratio=R" with R = the slowest record's time per read
// (one port) / the bare round trip.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/nmtrdrv/dev_nmtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

namespace cmd = nmtrdrv::subcmd;

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4002;
constexpr uint32_t kPorts = 16;

struct Record {
    const char* name;
    uint32_t code;
};
const Record kRecords[] = {
    {"if", cmd::kGetIfStats},       {"ifx", cmd::kGetIfXStats},
    {"rmon", cmd::kGetRmonStats},   {"etherlike", cmd::kGetEtherLikeStats},
    {"pause", cmd::kGetPauseStats},
};

// A request of the record's full size, as the requester sends it.
std::vector<uint8_t> request_message(uint32_t code, uint32_t port) {
    const reqlayout::Row* row = reqlayout::find(cmd::kRows, code);
    uint16_t size = static_cast<uint16_t>(4 + row->reply_size);
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + size, 0);
    ipcmsg::set_cmd(m.data(), cmd::kModule);
    ipcmsg::set_msg_size(m.data(), size);
    ipcmsg::set_word(m.data(), 0, code);
    ipcmsg::set_word(m.data(), 2, 1);
    ipcmsg::set_word(m.data(), 3, port);
    return m;
}

// One iteration reads the record of every port; the time per read is reported per port.
void BM_Record(benchmark::State& state, uint32_t code) {
    ipc::Client client;
    std::vector<std::vector<uint8_t>> msgs;
    for (uint32_t p = 1; p <= kPorts; ++p)
        msgs.push_back(request_message(code, p));
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    for (auto _ : state) {
        for (auto& m : msgs) {
            if (client.request(kGroupQueue, m.data(), m.size(), resp.data(), resp.size(), &len,
                               2000) != SYSFUN_OK ||
                ipcmsg::payload(resp.data())[0] != 1) {
                state.SkipWithError("the driver did not answer TRUE");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kPorts);
}

// The same messages, bounced by a process that answers them as they stand.
void BM_BareQueue(benchmark::State& state) {
    ipc::Client client;
    std::vector<std::vector<uint8_t>> msgs;
    for (uint32_t p = 1; p <= kPorts; ++p)
        msgs.push_back(request_message(cmd::kGetRmonStats, p));
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    for (auto _ : state) {
        for (auto& m : msgs) {
            if (client.request(kBareQueue, m.data(), m.size(), resp.data(), resp.size(), &len,
                               2000) != SYSFUN_OK) {
                state.SkipWithError("no response");
                return;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    bench::EchoServer echo(kBareQueue);
    // Rounds alternate between the records and the bare queue, and each side's best round
    // counts: a burst of load from elsewhere then hits both sides alike or neither.
    for (int round = 0; round < 3; ++round) {
        std::string r = "/round:" + std::to_string(round);
        for (const Record& rec : kRecords)
            benchmark::RegisterBenchmark((std::string("BM_Record_") + rec.name + r).c_str(),
                                         BM_Record, rec.code)
                ->MinTime(0.2)
                ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_BareQueue" + r).c_str(), BM_BareQueue)
            ->MinTime(0.2)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    double bare = collector.min_ns_per_iteration("BM_BareQueue/") / kPorts;
    if (bare <= 0) return 1;
    double worst = 0;
    for (const Record& rec : kRecords) {
        double t = collector.min_ns_per_iteration(std::string("BM_Record_") + rec.name + "/");
        if (t <= 0) return 1;
        std::printf("%s: %.0f ns per read\n", rec.name, t / kPorts);
        worst = std::max(worst, t / kPorts);
    }
    std::printf("bare round trip: %.0f ns\n", bare);
    std::printf("counters ratio=%.3f\n", worst / bare);
    return 0;
}
