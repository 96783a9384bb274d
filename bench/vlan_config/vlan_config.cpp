// VLAN configuration through the request protocol: all 4094 VLANs created, each with every
// front port as a member, one request per VLAN and per port, against the bare queue
// ping-pong between two processes measured in the same run. Prints "vlan_config ratio=R"
// with R = time per VLAN request / bare round trip.
//
// The two are measured in alternation: after every block of VLANs, as many bare round trips
// as the block had requests. Each block gives a ratio of two measurements taken side by
// side, so a burst of other load on the machine weighs on both; R is the median of the
// blocks' ratios (the ratio of the totals is printed beside it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

constexpr uint32_t kBlockVlans = 256;  // VLANs per block: 16 blocks

// Time per request of each block of VLANs and of the bare round trips that followed it.
struct Block {
    double vlan_ns = 0, bare_ns = 0;
};
std::vector<Block> g_blocks;

using Clock = std::chrono::steady_clock;
double ns_since(Clock::time_point t0) {
    return std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
}

bool ask(ipc::Client& client, uint32_t queue, const std::vector<uint8_t>& msg,
         std::vector<uint8_t>& resp) {
    size_t len = 0;
    return client.request(queue, msg.data(), msg.size(), resp.data(), resp.size(), &len, 2000) ==
           SYSFUN_OK;
}

// n bare round trips; their time per round trip, or 0 when one is not answered.
double bare_round_trips(ipc::Client& client, uint64_t n, std::vector<uint8_t>& resp) {
    const auto msg = message({0, 0, 0, 0});
    const Clock::time_point t0 = Clock::now();
    for (uint64_t i = 0; i < n; ++i)
        if (!ask(client, kBareQueue, msg, resp)) return 0;
    return ns_since(t0) / static_cast<double>(n);
}

void BM_VlanRequests(benchmark::State& state) {
    ipc::Client client;
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    uint32_t vid = 1, port = 0;  // port 0: the VLAN's creation is next
    uint64_t in_block = 0;
    Clock::time_point block_start = Clock::now();
    g_blocks.clear();
    for (auto _ : state) {
        auto msg = port == 0 ? message({cmd::kCreateVlan, vid})
                             : message({cmd::kAddPortVlanSet, 1, port, vid});
        if (!ask(client, kGroupQueue, msg, resp) || ipcmsg::payload(resp.data())[0] != 1) {
            state.SkipWithError("request refused or not answered");
            break;
        }
        ++in_block;
        if (++port <= kFrontPorts) continue;
        port = 0;
        if (vid++ % kBlockVlans != 0 && vid <= kVlans) continue;
        // A block of VLANs done: the same number of bare round trips, outside the timing.
        Block b;
        b.vlan_ns = ns_since(block_start) / static_cast<double>(in_block);
        state.PauseTiming();
        b.bare_ns = bare_round_trips(client, in_block, resp);
        state.ResumeTiming();
        if (b.bare_ns <= 0) {
            state.SkipWithError("no response on the bare queue");
            break;
        }
        g_blocks.push_back(b);
        in_block = 0;
        block_start = Clock::now();
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
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (g_blocks.empty()) return 1;
    std::vector<double> ratios;
    double vlan = 0, bare = 0;
    for (const Block& b : g_blocks) {
        ratios.push_back(b.vlan_ns / b.bare_ns);
        vlan += b.vlan_ns;
        bare += b.bare_ns;
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    std::printf("%zu blocks of %u VLANs: %.0f ns per VLAN request, %.0f ns per bare round trip\n",
                g_blocks.size(), kBlockVlans, vlan / static_cast<double>(g_blocks.size()),
                bare / static_cast<double>(g_blocks.size()));
    std::printf("block ratios from %.3f to %.3f; ratio of the totals %.3f\n", ratios.front(),
                ratios.back(), vlan / bare);
    std::printf("vlan_config ratio=%.3f\n", median);
    return 0;
}
