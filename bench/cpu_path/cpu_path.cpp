// Packets per second through the CPU receive path: frames pushed into the chip model's CPU
// queue go through the receive DMA, the SDK's event task, the gateway, the weighted queue and
// the receive task "NIC" to the LAN sink, which frees each at once, so every buffer goes back
// to the chip. The driver, the chip model and their threads run in this process, in a private
// instance of its own (the daemon's driver would share segment 6 and semaphore 17 with it).
//
// In the same run, the floor of any two-thread design: the same frames handed from one thread
// to another through a bounded queue (a mutex, two condition variables, 512 slots), the
// consumer dropping each copy.
//
// Prints, last, "cpu_path ratio=R" with R = time per packet through the receive path / time
// per frame of the bare hand-off (wall time, the best of five interleaved repetitions), after
// a line saying whether every DMA buffer was back in the pool at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/console/console.h"
#include "platform/firmware/packet_sinks.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "sdk/chipsim/chipsim.h"

namespace {

constexpr uint32_t kFrameLen = 64;
constexpr uint32_t kQueueSlots = 512;
// Packets between the chip and the LAN sink at most: the driver admits 30 packets of a queue
// that are not yet freed, and one packet delivered may still be on its way to being freed, so
// a window of 28 keeps every packet admitted and counted.
constexpr uint64_t kWindow = 28;

std::vector<uint8_t> arp_frame() {
    std::vector<uint8_t> f(kFrameLen, 0);
    std::memset(f.data(), 0xFF, 6);
    const uint8_t src[6] = {0x02, 0, 0, 0, 0, 1};
    std::memcpy(f.data() + 6, src, 6);
    f[12] = 0x08;
    f[13] = 0x06;
    return f;
}

bool g_ready = false;

bool bring_up() {
    instance::set_id(40000 + static_cast<int>(::getpid() % 9999));
    instance::remove_shm_objects();
    if (!ctl::create()) return false;
    console::set_quiet(true);
    chipsim::reset();
    uint32_t id;
    if (SYSFUN_CreateSem(67, 1, 0, &id) != SYSFUN_OK ||
        SYSFUN_CreateSem(17, 1, 0, &id) != SYSFUN_OK)
        return false;
    if (!SYSRSC_MGR_AttachSystemResources()) return false;
    DEV_SWDRV_ChipInit();
    DEV_SWDRV_Init();
    if (!DEV_NICDRV_Init() || !DEV_NICDRV_CreateTask()) return false;
    packet_sinks::set_hold(0);  // the LAN layer frees every packet at once
    return true;
}

void tear_down() {
    ctl::detach(true);
    instance::remove_shm_objects();
}

// Every packet pushed reaches the LAN sink (and, freed there, gives its buffers back).
void BM_ReceivePath(benchmark::State& state) {
    if (!g_ready) return state.SkipWithError("the driver did not come up");
    const std::vector<uint8_t> f = arp_frame();
    uint64_t pushed = 0;
    const uint64_t start = packet_sinks::delivered("LAN");
    for (auto _ : state) {
        // A sliding window, as a chip's DMA ring refills when buffers come back: with kWindow
        // frames on their way, the next ones go in once half of them were delivered.
        if (pushed - (packet_sinks::delivered("LAN") - start) >= kWindow &&
            !packet_sinks::wait_delivered("LAN", start + pushed - kWindow / 2, 2000))
            return state.SkipWithError("the receive path stalled");
        uint32_t spins = 0;
        while (!chipsim::netif_push_cpu_frame(0, 0, 37, 0, 1, f.data(), kFrameLen)) {
            if (++spins > 2000000) {
                const chipsim::NetifStats st = chipsim::netif_stats(0);
                std::fprintf(
                    stderr,
                    "stalled: up %d, %u buffers, %u free, %u ready, %u held, %llu handed, "
                    "%llu delivered\n",
                    st.up, st.buffers, st.free_buffers, st.ready, st.held_by_cpu,
                    static_cast<unsigned long long>(st.rx_packets),
                    static_cast<unsigned long long>(packet_sinks::delivered("LAN") - start));
                return state.SkipWithError("the receive path stalled");
            }
            std::this_thread::yield();
        }
        ++pushed;
    }
    for (uint32_t spins = 0; packet_sinks::delivered("LAN") - start < pushed; ++spins) {
        if (spins > 2000000) return state.SkipWithError("packets were lost on the way");
        std::this_thread::yield();
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The bare hand-off of the same frames between two threads through a bounded queue.
void BM_BareHandoff(benchmark::State& state) {
    const std::vector<uint8_t> f = arp_frame();
    std::mutex mu;
    std::condition_variable not_empty, not_full;
    std::deque<std::vector<uint8_t>> q;
    bool done = false;
    uint64_t consumed = 0;
    std::thread consumer([&] {
        std::unique_lock<std::mutex> lock(mu);
        for (;;) {
            not_empty.wait(lock, [&] { return done || !q.empty(); });
            if (q.empty()) return;
            std::vector<uint8_t> copy = std::move(q.front());
            q.pop_front();
            ++consumed;
            not_full.notify_one();
            benchmark::DoNotOptimize(copy.data());
        }
    });
    for (auto _ : state) {
        std::vector<uint8_t> copy(f);
        std::unique_lock<std::mutex> lock(mu);
        not_full.wait(lock, [&] { return q.size() < kQueueSlots; });
        q.push_back(std::move(copy));
        not_empty.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(mu);
        done = true;
    }
    not_empty.notify_one();
    consumer.join();
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    g_ready = bring_up();
    for (const char* name : {"BM_ReceivePath", "BM_BareHandoff"}) {
        auto* b = benchmark::RegisterBenchmark(
            name, std::string(name) == "BM_ReceivePath" ? BM_ReceivePath : BM_BareHandoff);
        b->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(false)->MinTime(0.2);
    }
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector times;
    benchmark::RunSpecifiedBenchmarks(&times);
    // Every DMA buffer back with the chip once the last packet was freed.
    chipsim::NetifStats st{};
    for (int i = 0; i < 1000; ++i) {
        st = chipsim::netif_stats(0);
        if (st.free_buffers == st.buffers && st.ready == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("receive buffers back in the pool: %u of %u (%s)\n", st.free_buffers, st.buffers,
                st.free_buffers == st.buffers ? "none lost" : "LOST");
    const double path = times.ns_per_iteration("BM_ReceivePath"),
                 floor = times.ns_per_iteration("BM_BareHandoff");
    tear_down();
    if (path <= 0 || floor <= 0) {
        std::printf("cpu_path ratio=nan\n");
        return 1;
    }
    std::printf("cpu_path ratio=%.3f\n", path / floor);
    return st.free_buffers == st.buffers ? 0 : 1;
}
