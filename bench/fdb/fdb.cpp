// The address table through requests, in one run: 16,000 addresses written (code 6), the
// whole table scanned (codes 1, 3), each address looked up (code 19), and everything flushed
// (code 8), each next to the bare request round trip (a message bounced between two processes
// over a bare queue) measured in the same run. Prints "fdb ratio=R" with R = the larger of
// (time per write) and (time per lookup) over the bare round trip.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "bench/common/roundtrip.h"
#include "drivers/amtrdrv/dev_amtrdrv_subcmd.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/board/board.h"
#include "platform/common/byteorder.h"
#include "platform/common/types.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "sdk/sdk_fdb.h"

namespace {

namespace cmd = amtrdrv::subcmd;

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4003;
constexpr uint32_t kAddresses = 16000;
constexpr uint16_t kVlan = 1;

// Consecutive addresses land in consecutive buckets: no bucket overflows.
void put_mac(uint8_t* at, uint32_t n) {
    const uint8_t mac[6] = {0x02,
                            0x00,
                            0x00,
                            static_cast<uint8_t>(n >> 16),
                            static_cast<uint8_t>(n >> 8),
                            static_cast<uint8_t>(n)};
    std::copy(mac, mac + 6, at);
}

std::vector<uint8_t> message(uint32_t payload_size) {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + payload_size, 0);
    ipcmsg::set_cmd(m.data(), cmd::kModule);
    ipcmsg::set_msg_size(m.data(), static_cast<uint16_t>(payload_size));
    return m;
}

struct Client {
    ipc::Client ipc;
    std::vector<uint8_t> resp = std::vector<uint8_t>(sys_adpt::kMaxMsgSize);
    // The answer's payload, or nullptr when none came.
    const uint8_t* ask(const std::vector<uint8_t>& m) {
        size_t len = 0;
        if (ipc.request(kGroupQueue, m.data(), m.size(), resp.data(), resp.size(), &len, 5000) !=
            SYSFUN_OK)
            return nullptr;
        return ipcmsg::payload(resp.data());
    }
    bool ok(const std::vector<uint8_t>& m) {
        const uint8_t* p = ask(m);
        return p && p[0] == 1;
    }
};

std::vector<uint8_t> words(std::initializer_list<uint32_t> ws) {
    std::vector<uint8_t> m = message(static_cast<uint32_t>(4 * ws.size()));
    uint32_t i = 0;
    for (uint32_t w : ws)
        ipcmsg::set_word(m.data(), i++, w);
    return m;
}

void BM_Write(benchmark::State& state) {
    Client c;
    if (!c.ok(words({cmd::kSetAgeingTime, 0}))) return state.SkipWithError("ageing off refused");
    std::vector<uint8_t> m = message(20);
    uint8_t* rec = ipcmsg::payload(m.data()) + 4;
    be::put32(ipcmsg::payload(m.data()), cmd::kSetEntry);
    be::put16(rec, kVlan);
    rec[8] = 1;     // unit
    rec[11] = 255;  // no QoS index
    rec[13] = 2;    // dynamic
    for (auto _ : state) {
        for (uint32_t n = 0; n < kAddresses; ++n) {
            put_mac(rec + 2, n);
            rec[9] = static_cast<uint8_t>(1 + n % 8);  // ports 1..8
            if (!c.ok(m)) return state.SkipWithError("a write was refused");
        }
    }
}

void BM_Scan(benchmark::State& state) {
    Client c;
    for (auto _ : state) {
        if (!c.ok(words({cmd::kResetScan, 0}))) return state.SkipWithError("no scan");
        uint32_t got = 0;
        for (int call = 0; got < kAddresses && call < 1000; ++call) {
            const uint8_t* p = c.ask(words({cmd::kGetEntries, cmd::kMaxRecords}));
            if (!p) return state.SkipWithError("no answer");
            got += be::get32(p + cmd::kCountOffset);
        }
        // The slots after the last address, to the end of the table.
        const uint8_t* p = nullptr;
        for (int call = 0; call < 10; ++call) {
            p = c.ask(words({cmd::kGetNextEntry}));
            if (!p || be::get32(p) == 1) break;
        }
        if (got != kAddresses || !p || be::get32(p) != 1)
            return state.SkipWithError("the scan did not return every address");
    }
}

void BM_Lookup(benchmark::State& state) {
    Client c;
    std::vector<uint8_t> m = message(14);
    be::put32(ipcmsg::payload(m.data()), cmd::kLookUp);
    be::put32(ipcmsg::payload(m.data()) + 4, kVlan);
    for (auto _ : state) {
        for (uint32_t n = 0; n < kAddresses; ++n) {
            put_mac(ipcmsg::payload(m.data()) + 8, n);
            const uint8_t* p = c.ask(m);
            if (!p || p[0] != 1 || be::get32(p + 4) != 1 + n % 8)
                return state.SkipWithError("an address was not found where it was written");
        }
    }
}

void BM_Flush(benchmark::State& state) {
    Client c;
    for (auto _ : state)
        if (!c.ok(words({cmd::kDeleteAllDynamic}))) return state.SkipWithError("flush failed");
    // The table is empty now: nothing is found.
    std::vector<uint8_t> m = message(14);
    be::put32(ipcmsg::payload(m.data()), cmd::kLookUp);
    be::put32(ipcmsg::payload(m.data()) + 4, kVlan);
    put_mac(ipcmsg::payload(m.data()) + 8, 7);
    const uint8_t* p = c.ask(m);
    if (!p || p[0] != 0) state.SkipWithError("an address survived the flush");
}

void BM_BareQueue(benchmark::State& state) {
    bench::round_trips(state, kBareQueue, bench::round_trip_message(cmd::kModule));
}
void BM_GroupThread(benchmark::State& state) {
    bench::round_trips(state, kGroupQueue, bench::round_trip_message(swdrv::subcmd::kModule));
}

// Runs a benchmark function for one iteration: its time (nanoseconds), 0 when it failed.
double once(void (*fn)(benchmark::State&), const char* name) {
    benchmark::RegisterBenchmark(name, fn)->Iterations(1)->UseRealTime();
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::ClearRegisteredBenchmarks();
    return collector.min_ns_per_iteration(name);
}
// The best of three runs; 0 when one failed.
double best_of_3(void (*fn)(benchmark::State&), const char* name) {
    double best = 0;
    for (int i = 0; i < 3; ++i) {
        double ns = once(fn, name);
        if (ns <= 0) return 0;
        best = best == 0 ? ns : std::min(best, ns);
    }
    return best;
}

// A board file: the default board with every device's table doubled.
std::string doubled_board() {
    std::string text = board::default_board_text(), out;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (line.rfind("device ", 0) == 0) line += " fdb_size=" + std::to_string(2 * SDK_FDB_SIZE);
        out += line + "\n";
        at = end + 1;
    }
    std::string path = "/tmp/fdb_bench_" + std::to_string(::getpid()) + ".board";
    std::ofstream(path) << out;
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    double bare = 0, group = 0, write = 0, scan = 0, lookup = 0, flush = 0;
    {
        bench::Daemon daemon;
        if (!daemon.ok()) return 1;
        bench::EchoServer echo(kBareQueue);
        // Rounds in order (write, scan, lookup, flush), each with the round trips beside it;
        // each side's best round counts.
        for (int round = 0; round < 3; ++round) {
            std::string r = "/round:" + std::to_string(round);
            using Fn = void (*)(benchmark::State&);
            const std::pair<const char*, Fn> phases[] = {{"BM_Write", BM_Write},
                                                         {"BM_Scan", BM_Scan},
                                                         {"BM_Lookup", BM_Lookup},
                                                         {"BM_Flush", BM_Flush}};
            for (const auto& [name, fn] : phases)
                benchmark::RegisterBenchmark((name + r).c_str(), fn)->Iterations(1)->UseRealTime();
            benchmark::RegisterBenchmark(("BM_BareQueue" + r).c_str(), BM_BareQueue)
                ->MinTime(0.3)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("BM_GroupThread" + r).c_str(), BM_GroupThread)
                ->MinTime(0.3)
                ->UseRealTime();
        }
        bench::TimeCollector collector;
        benchmark::RunSpecifiedBenchmarks(&collector);
        benchmark::ClearRegisteredBenchmarks();
        bare = collector.min_ns_per_iteration("BM_BareQueue/");
        group = collector.min_ns_per_iteration("BM_GroupThread/");
        write = collector.min_ns_per_iteration("BM_Write/") / kAddresses;
        scan = collector.min_ns_per_iteration("BM_Scan/");
        lookup = collector.min_ns_per_iteration("BM_Lookup/") / kAddresses;
        flush = collector.min_ns_per_iteration("BM_Flush/");
    }
    if (bare <= 0 || write <= 0 || scan <= 0 || lookup <= 0 || flush <= 0) return 1;
    // The same addresses in a table of twice the slots: the scan and the flush walk it all.
    const std::string board_file = doubled_board();
    ::setenv("DRIVER_PROC_BOARD", board_file.c_str(), 1);
    double scan2 = 0, flush2 = 0;
    {
        bench::Daemon daemon;
        if (!daemon.ok()) return 1;
        if (once(BM_Write, "BM_Write_2x") <= 0) return 1;
        scan2 = best_of_3(BM_Scan, "BM_Scan_2x");
        // Each flush empties the table: the addresses are written again before the next.
        flush2 = once(BM_Flush, "BM_Flush_2x");
        for (int i = 0; i < 2 && flush2 > 0; ++i)
            if (once(BM_Write, "BM_Write_2x") > 0)
                flush2 = std::min(flush2, once(BM_Flush, "BM_Flush_2x"));
    }
    ::unlink(board_file.c_str());
    if (scan2 <= 0 || flush2 <= 0) return 1;
    std::printf("bare round trip:       %.0f ns\n", bare);
    std::printf("group-thread request:  %.0f ns (%.2fx bare)\n", group, group / bare);
    std::printf("write:                 %.0f ns per address (%.2fx bare)\n", write, write / bare);
    std::printf("lookup:                %.0f ns per address (%.2fx bare)\n", lookup, lookup / bare);
    std::printf("scan of the table:     %.2f ms; twice the slots %.2f ms (%.2fx)\n", scan / 1e6,
                scan2 / 1e6, scan2 / scan);
    std::printf("flush:                 %.2f ms; twice the slots %.2f ms (%.2fx)\n", flush / 1e6,
                flush2 / 1e6, flush2 / flush);
    std::printf("fdb ratio=%.3f\n", std::max(write, lookup) / bare);
    return 0;
}
