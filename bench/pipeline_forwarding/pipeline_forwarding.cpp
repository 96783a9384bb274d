// Frames per second through the chip model's bridging pipeline, run in this process (the
// model is the same code the daemon runs; a daemon would only add the injection round trip):
// 64- and 1518-byte frames, unicast to a learned destination and broadcast flooded in a
// 16-port VLAN, with the MAC table holding only the flow's addresses and holding 16K entries.
// In the same run, the floor of any software L2 forwarding: a minimal learning switch that
// looks (MAC, VLAN) up in a hash map and copies the frame to its egress buffer.
//
// Before it, "pipeline_features ratio=R": the same 64-byte unicast frame to a destination
// behind a 4-member trunk, with storm control on for broadcast, multicast and unknown unicast
// on the ingress port (its limit far above the offered rate) and no mirroring, over the same
// minimal switch: what the trunk and storm-control stages cost when they are in use.
//
// Prints, last, "pipeline_forwarding ratio=R" with R = time per 64-byte unicast frame through
// the model (the larger of the two table sizes) / time per frame of the minimal switch. Times
// are CPU times, the best of nine interleaved repetitions, so that other load on the machine does
// not decide the ratio.
//
// The repeated flow takes the model's cached ingress decision after its first frame
// (sdk/chipsim/core/flow_cache.h), as a flow does in a software switch with a flow cache.
//
// For reference, not in the ratio: the same 64-byte unicast frame with that cache off (every
// frame through every stage), and injected into a running daemon over the simulation-control
// queue, what a test or drvctl pays per frame (wall time: the request round trip between two
// processes is most of it).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk.h"
#include "sdk/sdk_vlan.h"
#include "sdk/simproto/simctl_cmds.h"

namespace {

constexpr uint16_t kVlan = 1;
constexpr uint32_t kPorts = 16;
const uint8_t kSrc[6] = {0x02, 0, 0, 0, 0, 0x01};
const uint8_t kDst[6] = {0x02, 0, 0, 0, 0, 0x02};
const uint8_t kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

std::vector<uint8_t> frame(const uint8_t* dst, uint32_t len) {
    std::vector<uint8_t> f(len, 0);
    std::memcpy(f.data(), dst, 6);
    std::memcpy(f.data() + 6, kSrc, 6);
    f[12] = 0x08;  // IPv4
    f[14] = 0x45;
    f[23] = 17;  // UDP
    for (uint32_t i = 34; i < len; ++i)
        f[i] = static_cast<uint8_t>(i);
    return f;
}

uint8_t dev_port(uint32_t front) {
    uint8_t dev, port;
    chipsim::front_port(front, &dev, &port);
    return port;
}

// A fresh chip: every front port an untagged member of the VLAN, the flow's two addresses
// learned, and with `fill`, the table filled to all of its slots with other addresses.
bool set_up(bool fill) {
    chipsim::reset(board::default_board());
    if (sdkOsLayerInit() || sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0)) return false;
    SDK_PORTS_BMP members{};
    for (uint32_t p = 1; p <= kPorts; ++p)
        members.ports[0 + dev_port(p) / 32] |= 1u << (dev_port(p) % 32);
    SDK_PORTS_BMP none{};
    SDK_BRG_VLAN_INFO info{};
    info.learnEnable = 1;
    info.floodVidx = SDK_VLAN_FLOOD_ALL;
    if (sdkBrgVlanEntryWrite(0, kVlan, &members, &none, &info, nullptr)) return false;
    if (sdkBrgFdbAgingTimeoutSet(0, 65535)) return false;
    chipsim::Result r;
    std::vector<uint8_t> a = frame(kDst, 64), b = frame(kDst, 64);
    std::memcpy(b.data(), kSrc, 6);
    std::memcpy(b.data() + 6, kDst, 6);
    chipsim::receive(0, dev_port(1), a.data(), 64, &r);  // learns the source on port 1
    chipsim::receive(0, dev_port(2), b.data(), 64, &r);  // and the destination on port 2
    if (!fill) return chipsim::fdb_stats(0).entries == 2;
    std::mt19937_64 rng(1);
    SDK_MAC_ENTRY_EXT e{};
    e.key.macVlan.vlanId = kVlan;
    e.dstInterface.devPort.portNum = dev_port(3);
    // Counting the entries walks the table: count after each batch of writes, not each write.
    for (uint32_t tries = 0; chipsim::fdb_stats(0).entries < SDK_FDB_SIZE && tries < 2000000;) {
        for (uint32_t batch = 0; batch < 256; ++batch, ++tries) {
            uint64_t v = rng();
            for (int i = 0; i < 6; ++i)
                e.key.macVlan.macAddr[i] = static_cast<uint8_t>(v >> (8 * i));
            e.key.macVlan.macAddr[0] &= 0xFE;  // unicast
            if (sdkBrgFdbMacEntrySet(0, &e)) return false;
        }
    }
    return chipsim::fdb_stats(0).entries == SDK_FDB_SIZE;
}

// The flow-only chip with the destination behind a trunk of ports 2 to 5 and storm control on
// port 1 for every kind but known unicast.
bool set_up_features() {
    if (!set_up(false)) return false;
    SDK_TRUNK_MEMBER members[4];
    for (uint32_t i = 0; i < 4; ++i)
        members[i] = {dev_port(2 + i), chipsim::hw_dev_num(0)};
    if (sdkTrunkMembersSet(0, 1, 4, members, 0, nullptr)) return false;
    SDK_MAC_ENTRY_EXT e{};
    std::memcpy(e.key.macVlan.macAddr, kDst, 6);
    e.key.macVlan.vlanId = kVlan;
    e.dstInterface.type = SDK_INTERFACE_TRUNK;
    e.dstInterface.trunkId = 1;
    e.isStatic = true;
    if (sdkBrgFdbMacEntrySet(0, &e)) return false;
    SDK_RATE_LIMIT_GLOBAL_CFG g{1, 2, 32000, 32000, 12800, 32000};
    SDK_RATE_LIMIT_PORT_CFG storm{true, true, true, true, false, 0xFFFFFF};
    return sdkBrgGenRateLimitGlobalCfgSet(0, &g) == SDK_OK &&
           sdkBrgGenPortRateLimitSet(0, dev_port(1), &storm) == SDK_OK;
}

void BM_Features(benchmark::State& state) {
    if (!set_up_features()) {
        state.SkipWithError("cannot set the chip up");
        return;
    }
    std::vector<uint8_t> f = frame(kDst, 64);
    chipsim::Result r;
    uint8_t in = dev_port(1);
    for (auto _ : state) {
        chipsim::receive(0, in, f.data(), 64, &r);
        benchmark::DoNotOptimize(r.data.data());
    }
    if (r.sent.size() != 1) state.SkipWithError("the frame did not leave one trunk member");
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Model(benchmark::State& state, const uint8_t* dst, uint32_t len, bool fill) {
    if (!set_up(fill)) {
        state.SkipWithError("cannot set the chip up");
        return;
    }
    std::vector<uint8_t> f = frame(dst, len);
    chipsim::Result r;
    uint8_t in = dev_port(1);
    size_t expect = dst == kBroadcast ? kPorts - 1 : 1;
    for (auto _ : state) {
        chipsim::receive(0, in, f.data(), len, &r);
        benchmark::DoNotOptimize(r.data.data());
    }
    if (r.sent.size() != expect) state.SkipWithError("the frame did not go where expected");
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ModelUncached(benchmark::State& state) {
    chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kOff);
    BM_Model(state, kDst, 64, true);
    chipsim::set_flow_cache_mode(chipsim::FlowCacheMode::kOn);
}

// The minimal learning switch: one lookup, one copy.
struct MinimalSwitch {
    std::unordered_map<uint64_t, uint8_t> fdb;
    std::array<std::vector<uint8_t>, kPorts> egress;

    static uint64_t key(const uint8_t* mac, uint16_t vid) {
        uint64_t k = vid;
        for (int i = 0; i < 6; ++i)
            k = k << 8 | mac[i];
        return k;
    }
    MinimalSwitch() {
        for (auto& e : egress)
            e.resize(16384);
        fdb[key(kDst, kVlan)] = 1;
    }
    void forward(const uint8_t* f, uint32_t len) {
        auto it = fdb.find(key(f, kVlan));
        if (it != fdb.end()) std::memcpy(egress[it->second].data(), f, len);
    }
};

void BM_Minimal(benchmark::State& state, uint32_t len) {
    MinimalSwitch sw;
    std::vector<uint8_t> f = frame(kDst, len);
    for (auto _ : state) {
        sw.forward(f.data(), len);
        benchmark::DoNotOptimize(sw.egress[1].data());
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A request to the daemon; false when it is not answered or refused.
bool ask(ipc::Client& client, uint32_t queue, uint16_t cmd, const std::vector<uint8_t>& payload,
         std::vector<uint8_t>* resp) {
    std::vector<uint8_t> msg(ipcmsg::kHeaderSize + payload.size());
    ipcmsg::set_cmd(msg.data(), cmd);
    ipcmsg::set_msg_size(msg.data(), static_cast<uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), msg.begin() + ipcmsg::kHeaderSize);
    resp->assign(sys_adpt::kMaxMsgSize, 0);
    size_t len = 0;
    return client.request(queue, msg.data(), msg.size(), resp->data(), resp->size(), &len, 2000) ==
               SYSFUN_OK &&
           ipcmsg::payload(resp->data())[0] == 1;
}

std::vector<uint8_t> words(std::initializer_list<uint32_t> w) {
    std::vector<uint8_t> out;
    for (uint32_t v : w) {
        out.resize(out.size() + 4);
        be::put32(out.data() + out.size() - 4, v);
    }
    return out;
}

std::vector<uint8_t> injection(uint32_t front, const std::vector<uint8_t>& f) {
    std::vector<uint8_t> out = words({front, static_cast<uint32_t>(f.size())});
    out.insert(out.end(), f.begin(), f.end());
    return out;
}

// Ports 1 and 2 up, untagged members of VLAN 10 and in it by default; the destination
// learned on port 2.
bool set_up_daemon(ipc::Client& client) {
    namespace cmd = swdrv::subcmd;
    constexpr uint32_t kGroupQueue = 24, kUnit = 1, kVid = 10;
    std::vector<uint8_t> resp;
    if (!ask(client, kGroupQueue, cmd::kModule, words({cmd::kCreateVlan, kVid}), &resp))
        return false;
    for (uint32_t p : {1u, 2u}) {
        for (auto w : {words({cmd::kEnablePortAdmin, kUnit, p}),
                       words({cmd::kAddPortUntaggedVlanSet, kUnit, p, kVid}),
                       words({cmd::kSetPortPVID, kUnit, p, kVid})})
            if (!ask(client, kGroupQueue, cmd::kModule, w, &resp)) return false;
    }
    std::vector<uint8_t> back = frame(kSrc, 64);
    std::memcpy(back.data() + 6, kDst, 6);
    return ask(client, simctl::kQueueKey, chipsim::simcmd::kInject, injection(2, back), &resp);
}

void BM_DaemonInject(benchmark::State& state) {
    ipc::Client client;
    if (!set_up_daemon(client)) {
        state.SkipWithError("the daemon did not take the set-up");
        return;
    }
    std::vector<uint8_t> request = injection(1, frame(kDst, 64)), resp;
    for (auto _ : state) {
        if (!ask(client, simctl::kQueueKey, chipsim::simcmd::kInject, request, &resp)) {
            state.SkipWithError("injection not answered");
            return;
        }
    }
    simproto::InjectResult r;
    if (!simproto::decode(ipcmsg::payload(resp.data()) + 4, ipcmsg::msg_size(resp.data()) - 4u,
                          &r) ||
        r.ports != std::vector<uint8_t>{2})
        state.SkipWithError("the frame did not leave port 2");
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

struct Case {
    const char* name;
    const uint8_t* dst;
    uint32_t len;
    bool fill;
};
const Case kCases[] = {
    {"unicast/64/flow_only", kDst, 64, false},
    {"unicast/64/table_16K", kDst, 64, true},
    {"unicast/1518/flow_only", kDst, 1518, false},
    {"unicast/1518/table_16K", kDst, 1518, true},
    {"flood16/64/flow_only", kBroadcast, 64, false},
    {"flood16/64/table_16K", kBroadcast, 64, true},
    {"flood16/1518/flow_only", kBroadcast, 1518, false},
    {"flood16/1518/table_16K", kBroadcast, 1518, true},
};

}  // namespace

int main(int argc, char** argv) {
    console::set_quiet(true);
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark((std::string("BM_Model/") + c.name).c_str(), BM_Model, c.dst,
                                     c.len, c.fill)
            ->MinTime(0.1)
            ->Repetitions(9);
    benchmark::RegisterBenchmark("BM_Features", BM_Features)->MinTime(0.1)->Repetitions(9);
    benchmark::RegisterBenchmark("BM_ModelUncached", BM_ModelUncached)
        ->MinTime(0.1)
        ->Repetitions(9);
    for (uint32_t len : {64u, 1518u})
        benchmark::RegisterBenchmark(("BM_Minimal/" + std::to_string(len)).c_str(), BM_Minimal, len)
            ->MinTime(0.1)
            ->Repetitions(9);
    benchmark::RegisterBenchmark("BM_DaemonInject", BM_DaemonInject)
        ->MinTime(0.2)
        ->Repetitions(3)
        ->UseRealTime();
    // Repetitions of all benchmarks interleaved, so that a burst of other load on the machine
    // does not fall on one side of the ratio only.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    bench::TimeCollector times;
    benchmark::RunSpecifiedBenchmarks(&times);

    std::printf("\nframes per second (best of 9, CPU time):\n");
    for (const Case& c : kCases) {
        double ns = times.ns_per_iteration(std::string("BM_Model/") + c.name);
        std::printf("  model   %-24s %12.0f  (%.1f ns/frame)\n", c.name, ns > 0 ? 1e9 / ns : 0.0,
                    ns);
    }
    for (const char* m : {"BM_Minimal/64", "BM_Minimal/1518"}) {
        double ns = times.ns_per_iteration(m);
        std::printf("  minimal %-24s %12.0f  (%.1f ns/frame)\n", m + 11, ns > 0 ? 1e9 / ns : 0.0,
                    ns);
    }
    double features_ns = times.ns_per_iteration("BM_Features");
    std::printf("  model   %-24s %12.0f  (%.1f ns/frame)\n", "trunk4+storm/64",
                features_ns > 0 ? 1e9 / features_ns : 0.0, features_ns);
    double uncached_ns = times.ns_per_iteration("BM_ModelUncached");
    std::printf("  model   %-24s %12.0f  (%.1f ns/frame, flow cache off)\n", "unicast/64/table_16K",
                uncached_ns > 0 ? 1e9 / uncached_ns : 0.0, uncached_ns);
    double daemon_ns = times.ns_per_iteration("BM_DaemonInject");
    std::printf("  daemon  %-24s %12.0f  (%.1f ns/frame, injected over the queue)\n", "unicast/64",
                daemon_ns > 0 ? 1e9 / daemon_ns : 0.0, daemon_ns);
    double small = times.ns_per_iteration("BM_Model/unicast/64/flow_only");
    double full = times.ns_per_iteration("BM_Model/unicast/64/table_16K");
    double floor = times.ns_per_iteration("BM_Minimal/64");
    if (small <= 0 || full <= 0 || floor <= 0 || features_ns <= 0) return 1;
    std::printf("pipeline_forwarding table_16K/flow_only=%.3f (target at most 1.5)\n",
                full / small);
    std::printf("pipeline_features ratio=%.3f\n", features_ns / floor);
    std::printf("pipeline_forwarding ratio=%.3f\n", std::max(small, full) / floor);
    return 0;
}
