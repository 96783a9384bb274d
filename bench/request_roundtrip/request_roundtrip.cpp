// The round trip of a request through a driver group thread of the running daemon, against
// the floor of this design: the same message bounced between two processes over a bare
// queue. Prints "request_roundtrip ratio=R" with R = group-thread round trip / bare one.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bench/common/bench_daemon.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

constexpr uint32_t kGroupQueue = 24;
constexpr uint32_t kBareQueue = 4001;
constexpr uint16_t kModuleSwdrv = 119;

std::vector<uint8_t> request_message() {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + 16, 0);
    ipcmsg::set_cmd(m.data(), kModuleSwdrv);
    ipcmsg::set_msg_size(m.data(), 16);
    return m;  // sub-command 0 and three argument words
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

void BM_GroupThread(benchmark::State& state) { round_trips(state, kGroupQueue); }
void BM_BareQueue(benchmark::State& state) { round_trips(state, kBareQueue); }

// The other end of the bare ping-pong: answers every message as it stands.
pid_t start_echo_process() {
    pid_t pid = fork();
    if (pid == 0) {
        SYSFUN_MsgQ_T q;
        if (SYSFUN_CreateMsgQ(kBareQueue, SYSFUN_MSGQ_BIDIRECTIONAL, &q) != SYSFUN_OK) _exit(1);
        std::vector<uint8_t> buf(sys_adpt::kMaxMsgSize);
        for (;;) {
            if (SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_WAIT_FOREVER, sys_adpt::kMaxPayload,
                                  buf.data()) == SYSFUN_OK) {
                ipcmsg::answer(buf.data(), false);
                SYSFUN_SendResponseMsg(q, buf.data());
            }
        }
    }
    while (!ipc::queue_exists(kBareQueue)) usleep(1000);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Daemon daemon;
    if (!daemon.ok()) return 1;
    pid_t echo = start_echo_process();
    benchmark::RegisterBenchmark("BM_GroupThread", BM_GroupThread)->MinTime(1.0)->UseRealTime();
    benchmark::RegisterBenchmark("BM_BareQueue", BM_BareQueue)->MinTime(1.0)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    bench::TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    kill(echo, SIGKILL);
    waitpid(echo, nullptr, 0);
    double group = collector.ns_per_iteration("BM_GroupThread");
    double bare = collector.ns_per_iteration("BM_BareQueue");
    if (group <= 0 || bare <= 0) return 1;
    std::printf("request_roundtrip ratio=%.3f\n", group / bare);
    return 0;
}
