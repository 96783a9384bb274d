// The round trip of a request through a driver group thread of the running daemon, against
// the kernel's own message queues: a SysV message-queue ping-pong of 64-byte messages between
// two processes, measured in the same run. Also measured: the bare queue ping-pong between
// two processes (our queues with nothing behind them) and the floor under it, a futex
// hand-off through shared memory.
//
// Prints "queue_pingpong_over_futex ratio=F" (bare queue / futex hand-off) and, last,
// "request_roundtrip ratio=R" with R = group-thread round trip / SysV ping-pong.
#include <benchmark/benchmark.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/msg.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "bench/common/roundtrip.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4001;
constexpr size_t kSysvBytes = 64;

// Sub-command 0 of module 119 is not served: answered at once.
void BM_GroupThread(benchmark::State& state) {
    bench::round_trips(state, kGroupQueue, bench::round_trip_message(swdrv::subcmd::kModule));
}
void BM_BareQueue(benchmark::State& state) {
    bench::round_trips(state, kBareQueue, bench::round_trip_message(swdrv::subcmd::kModule));
}

// Every partner process runs in a session of its own, as the daemon does, so that the
// scheduler treats all the partners of the comparison alike.
pid_t fork_partner() {
    pid_t pid = ::fork();
    if (pid == 0) ::setsid();
    return pid;
}

// ---- SysV message queue ping-pong --------------------------------------------------------

struct SysvMsg {
    long mtype;
    char text[kSysvBytes];
};

int g_sysv_queue = -1;

// A process that sends every message of type 1 back as type 2.
pid_t start_sysv_echo() {
    g_sysv_queue = ::msgget(IPC_PRIVATE, IPC_CREAT | 0600);
    if (g_sysv_queue < 0) return -1;
    pid_t pid = fork_partner();
    if (pid == 0) {
        SysvMsg m;
        for (;;) {
            if (::msgrcv(g_sysv_queue, &m, kSysvBytes, 1, 0) < 0) ::_exit(0);
            m.mtype = 2;
            if (::msgsnd(g_sysv_queue, &m, kSysvBytes, 0) < 0) ::_exit(0);
        }
    }
    return pid;
}

void BM_SysvPingPong(benchmark::State& state) {
    SysvMsg m{};
    for (auto _ : state) {
        m.mtype = 1;
        if (::msgsnd(g_sysv_queue, &m, kSysvBytes, 0) < 0 ||
            ::msgrcv(g_sysv_queue, &m, kSysvBytes, 2, 0) < 0) {
            state.SkipWithError("SysV queue failed");
            break;
        }
    }
}

// ---- Futex hand-off through shared memory -----------------------------------------------

std::atomic<uint32_t>* g_token = nullptr;  // 1: the other process's turn, 2: ours

void futex_wait(std::atomic<uint32_t>* w, uint32_t v) {
    ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(w), FUTEX_WAIT, v, nullptr, nullptr, 0);
}
void futex_wake(std::atomic<uint32_t>* w) {
    ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(w), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

pid_t start_futex_echo() {
    void* p = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return -1;
    g_token = new (p) std::atomic<uint32_t>(2);
    pid_t pid = fork_partner();
    if (pid == 0) {
        for (;;) {
            uint32_t v = g_token->load();
            if (v != 1) {
                futex_wait(g_token, v);
                continue;
            }
            g_token->store(2);
            futex_wake(g_token);
        }
    }
    return pid;
}

void BM_FutexHandOff(benchmark::State& state) {
    for (auto _ : state) {
        g_token->store(1);
        futex_wake(g_token);
        for (uint32_t v; (v = g_token->load()) != 2;)
            futex_wait(g_token, v);
    }
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    // The bare queue ping-pong's partner, in a session of its own like the daemon.
    bench::EchoServer echo(kBareQueue, true);
    pid_t sysv = start_sysv_echo();
    pid_t futex = start_futex_echo();
    if (sysv <= 0 || futex <= 0) return 1;
    // Rounds alternate between the four, and each one's best round counts: a burst of load
    // from elsewhere on the machine then hits all alike or none.
    const std::pair<const char*, void (*)(benchmark::State&)> benches[] = {
        {"BM_GroupThread", BM_GroupThread},
        {"BM_SysvPingPong", BM_SysvPingPong},
        {"BM_BareQueue", BM_BareQueue},
        {"BM_FutexHandOff", BM_FutexHandOff},
    };
    for (int round = 0; round < 9; ++round) {
        std::string r = "/round:" + std::to_string(round);
        for (const auto& [name, fn] : benches)
            benchmark::RegisterBenchmark((name + r).c_str(), fn)->MinTime(0.1)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    stop(sysv);
    stop(futex);
    ::msgctl(g_sysv_queue, IPC_RMID, nullptr);
    double group = collector.min_ns_per_iteration("BM_GroupThread/");
    double sysv_ns = collector.min_ns_per_iteration("BM_SysvPingPong/");
    double bare = collector.min_ns_per_iteration("BM_BareQueue/");
    double floor = collector.min_ns_per_iteration("BM_FutexHandOff/");
    if (group <= 0 || sysv_ns <= 0 || bare <= 0 || floor <= 0) return 1;
    std::printf("group thread %.0f ns, SysV ping-pong %.0f ns, bare queue %.0f ns, futex %.0f ns\n",
                group, sysv_ns, bare, floor);
    std::printf("queue_pingpong_over_futex ratio=%.3f\n", bare / floor);
    std::printf("request_roundtrip ratio=%.3f\n", group / sysv_ns);
    return 0;
}
