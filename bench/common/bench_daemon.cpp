#include "bench/common/bench_daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/instance/lifecycle.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace bench {

std::string program_dir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

Daemon::Daemon() : id_(40000 + ::getpid() % 9999) {
    console::set_quiet(true);
    instance::set_id(id_);
    std::string exe = program_dir() + "/driver_proc";
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd =
            ::open(instance::run_file("stdout.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cannot start %s in instance %d\n", exe.c_str(), id_);
        return;
    }
    ctl::attach();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (uint32_t key : {24u, 25u, 52u, 56u, 59u})
        while (!ipc::queue_exists(key) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ok_ = true;
}

Daemon::~Daemon() {
    instance::set_id(id_);
    lifecycle::stop(5000);
}

EchoServer::EchoServer(uint32_t queue_key, bool own_session) : key_(queue_key) {
    pid_ = ::fork();
    if (pid_ == 0) {
        if (own_session) ::setsid();
        SYSFUN_MsgQ_T q;
        if (SYSFUN_CreateMsgQ(key_, SYSFUN_MSGQ_BIDIRECTIONAL, &q) != SYSFUN_OK) ::_exit(1);
        std::vector<uint8_t> buf(sys_adpt::kMaxMsgSize);
        for (;;) {
            if (SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_WAIT_FOREVER, sys_adpt::kMaxPayload,
                                  buf.data()) == SYSFUN_OK) {
                ipcmsg::answer(buf.data(), false);
                SYSFUN_SendResponseMsg(q, buf.data());
            }
        }
    }
    while (pid_ > 0 && !ipc::queue_exists(key_))
        ::usleep(1000);
}

EchoServer::~EchoServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

bool TimeCollector::ReportContext(const Context& context) {
    output_options_ = OO_Tabular;  // the library turns colours on for a terminal
    return ConsoleReporter::ReportContext(context);
}

void TimeCollector::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& r : runs) {
        // A run that stopped on an error has no time worth comparing.
        if (r.run_type != Run::RT_Iteration || r.iterations == 0 || r.error_occurred) continue;
        // Wall time for a benchmark that asked for it, else the CPU time of its thread.
        const double t =
            r.run_name.time_type.empty() ? r.GetAdjustedCPUTime() : r.GetAdjustedRealTime();
        const double ns = t * (r.time_unit == benchmark::kNanosecond    ? 1.0
                               : r.time_unit == benchmark::kMicrosecond ? 1e3
                               : r.time_unit == benchmark::kMillisecond ? 1e6
                                                                        : 1e9);
        // Repetitions share a name: the best counts, as other load only ever adds time.
        auto [it, added] = ns_.emplace(r.benchmark_name(), ns);
        if (!added && ns < it->second) it->second = ns;
    }
    ConsoleReporter::ReportRuns(runs);
}

double TimeCollector::ns_per_iteration(const std::string& name) const {
    // Run names carry their arguments ("BM_X/min_time:1.000/real_time").
    for (const auto& [run, ns] : ns_)
        if (run == name || run.rfind(name + "/", 0) == 0) return ns;
    return 0.0;
}

double TimeCollector::min_ns_per_iteration(const std::string& prefix) const {
    double best = 0.0;
    for (const auto& [run, ns] : ns_)
        if (run.rfind(prefix, 0) == 0 && (best == 0.0 || ns < best)) best = ns;
    return best;
}

}  // namespace bench
