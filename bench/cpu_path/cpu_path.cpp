// Packets per second through the CPU receive path: frames pushed into the chip model's CPU
// queues (eight traffic classes, each within its driver queue's admission limit) go through the
// receive DMA, the SDK's event task, the gateway, the weighted queue and the receive task "NIC" to
// the LAN sink, which frees each at once, so every buffer goes back to the chip. The driver, the
// chip model and their threads run in this process, in a private instance of its own (the daemon's
// driver would share segment 6 and semaphore 17 with it).
//
// In the same run, the floor of any two-thread design: the same frames handed from one thread
// to another through a bounded queue (a mutex, two condition variables, 512 slots), the
// consumer dropping each copy.
//
// Prints, last, "cpu_path ratio=R" with R = time per packet through the receive path / time
// per frame of the bare hand-off (wall time, the best of five interleaved repetitions), after
// lines saying whether every DMA buffer was back in the pool at the end and whether the driver
// refused any packet (it must not: the windows keep within its admission limits).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/nicdrv/dev_nicdrv_shm.h"
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
// The frames go to the CPU on eight traffic classes, as a switch's CPU gets ARP, BPDUs, IGMP,
// ... on classes of their own; each class has its own CPU code and driver queue.
constexpr uint32_t kLanes = 8;
constexpr uint32_t kLaneCode[kLanes] = {37, 38, 39, 40, 41, 42, 43, 44};
// Packets of one class between the chip and the LAN sink at most: the driver admits 30
// packets of a queue that are not yet freed, and the receive task books the packets freed
// while it hands a batch (4) up only when it takes the next one, so a window of 24 keeps every
// packet admitted and counted.
constexpr uint64_t kWindow = 24;

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

// The sliding windows of the classes, as a chip's DMA rings refill when buffers come back.
class Windows {
  public:
    Windows() {
        for (uint32_t q = 0; q < kLanes; ++q)
            start_[q] = seen_[q] = packet_sinks::delivered("LAN", kLaneCode[q]);
    }
    // The next class with room in its window (by turns), or -1 when every window is full.
    int next() {
        for (uint32_t k = 0; k < kLanes; ++k) {
            const uint32_t q = (turn_ + k) % kLanes;
            // What was seen delivered is at most what was: the window only looks fuller.
            if (pushed_[q] - (seen_[q] - start_[q]) >= kWindow)
                seen_[q] = packet_sinks::delivered("LAN", kLaneCode[q]);
            if (pushed_[q] - (seen_[q] - start_[q]) < kWindow) {
                turn_ = q + 1;
                return static_cast<int>(q);
            }
        }
        return -1;
    }
    void pushed(uint32_t q) { ++pushed_[q]; }

  private:
    uint64_t start_[kLanes] = {}, seen_[kLanes] = {}, pushed_[kLanes] = {};
    uint32_t turn_ = 0;
};

// Every packet pushed reaches the LAN sink (and, freed there, gives its buffers back).
void BM_ReceivePath(benchmark::State& state) {
    if (!g_ready) return state.SkipWithError("the driver did not come up");
    const std::vector<uint8_t> f = arp_frame();
    uint64_t pushed = 0;
    const uint64_t start = packet_sinks::delivered("LAN");
    Windows windows;
    const std::clock_t cpu0 = std::clock();
    for (auto _ : state) {
        // With every window full, the next frames go in once half of them were delivered.
        int q;
        while ((q = windows.next()) < 0)
            if (!packet_sinks::wait_delivered("LAN", start + pushed - kLanes * kWindow / 2, 2000))
                return state.SkipWithError("the receive path stalled");
        uint32_t spins = 0;
        while (!chipsim::netif_push_cpu_frame(0, static_cast<uint8_t>(q), kLaneCode[q], 0, 1,
                                              f.data(), kFrameLen)) {
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
        windows.pushed(static_cast<uint32_t>(q));
        ++pushed;
    }
    for (uint32_t spins = 0; packet_sinks::delivered("LAN") - start < pushed; ++spins) {
        if (spins > 2000000) return state.SkipWithError("packets were lost on the way");
        std::this_thread::yield();
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // Processor time of every thread of the process (the driver's and the chip's included).
    state.counters["cpu_ns/packet"] = static_cast<double>(std::clock() - cpu0) * 1e9 /
                                      CLOCKS_PER_SEC / static_cast<double>(state.iterations());
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
    // Repetitions of both benchmarks interleaved, so that a burst of other load on the machine
    // does not fall on one side of the ratio only.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
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
    // Packets the driver refused (queue full or failed enqueue), by its own books.
    uint32_t refused = 0;
    if (void* seg = SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV)) {
        nicshm::State books(seg);
        for (uint32_t cos = 0; cos < nicshm::kClasses; ++cos)
            refused += books.get(nicshm::State::cos_field(cos, nicshm::kQeFull)) +
                       books.get(nicshm::State::cos_field(cos, nicshm::kEnFail));
    }
    std::printf("packets refused by the driver: %u\n", refused);
    const double path = times.ns_per_iteration("BM_ReceivePath"),
                 floor = times.ns_per_iteration("BM_BareHandoff");
    tear_down();
    if (path <= 0 || floor <= 0) {
        std::printf("cpu_path ratio=nan\n");
        return 1;
    }
    std::printf("cpu_path ratio=%.3f\n", path / floor);
    return st.free_buffers == st.buffers && refused == 0 ? 0 : 1;
}
