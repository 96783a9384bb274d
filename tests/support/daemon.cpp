#include "tests/support/daemon.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/common/byteorder.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/instance/lifecycle.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "tests/support/reaper_client.h"
#include "tests/support/test_instance.h"

namespace testing_support {

std::string driver_proc_path() {
    return DRIVER_PROC_BIN_DIR "/driver_proc";
}
std::string drvctl_path() {
    return DRIVER_PROC_BIN_DIR "/drvctl";
}

int run_program(const std::string& path, const std::vector<std::string>& args,
                const std::vector<std::string>& env, std::string* out, const std::string& input,
                int timeout_ms) {
    int out_pipe[2], in_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(in_pipe, O_CLOEXEC) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in_pipe[0], 0);
        ::dup2(out_pipe[1], 1);
        for (const std::string& e : env)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(in_pipe[0]);
    if (!input.empty() && ::write(in_pipe[1], input.data(), input.size()) < 0) {
    }
    ::close(in_pipe[1]);
    std::string collected;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[4096];
    for (;;) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now())
                                        .count());
        if (left <= 0) break;
        pollfd pfd{out_pipe[0], POLLIN, 0};
        if (::poll(&pfd, 1, left) <= 0) break;
        ssize_t n = ::read(out_pipe[0], buf, sizeof buf);
        if (n <= 0) break;
        collected.append(buf, static_cast<size_t>(n));
    }
    ::close(out_pipe[0]);
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            if (out) *out = collected;
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (out) *out = collected;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Daemon::Daemon(std::vector<std::string> env)
    : id_(TestInstance::unique_id()), env_(std::move(env)) {
    reap_daemon_on_exit(id_);
    instance::set_id(id_);
    env_.push_back("DRIVER_PROC_INSTANCE=" + std::to_string(id_));
}

Daemon::~Daemon() {
    stop();
    release_instance(id_);
}

int Daemon::start(int timeout_ms) {
    instance::set_id(id_);
    // The daemon's standard output goes to a file: the daemon keeps it open after main returns.
    std::string out_file = instance::run_file("stdout.log");
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        for (const std::string& e : env_)
            ::putenv(const_cast<char*>(e.c_str()));
        std::string path = driver_proc_path();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        ::execv(path.c_str(), argv);
        ::_exit(127);
    }
    started_ = true;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ctl::detach(false);
    ctl::attach();
    int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // main returns before the threads exist: wait until every queue is being served.
    for (uint32_t key : {24u, 25u, 52u, 56u, 59u, 1008u, 2015u, simctl::kQueueKey}) {
        while (rc == 0 && !ipc::queue_exists(key) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return rc;
}

void Daemon::stop() {
    if (!started_) return;
    instance::set_id(id_);
    lifecycle::stop(5000);
    started_ = false;
}

int Daemon::pid() const {
    instance::set_id(id_);
    return lifecycle::running_pid();
}

Reply Daemon::request_bytes(uint32_t queue_key, uint16_t cmd, const std::vector<uint8_t>& payload,
                            int timeout_ms) {
    instance::set_id(id_);
    std::vector<uint8_t> msg(ipcmsg::kHeaderSize + payload.size());
    ipcmsg::set_cmd(msg.data(), cmd);
    ipcmsg::set_msg_size(msg.data(), static_cast<uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), msg.begin() + ipcmsg::kHeaderSize);
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    ipc::Client client;
    Reply r;
    if (client.request(queue_key, msg.data(), msg.size(), resp.data(), resp.size(), &len,
                       timeout_ms) != SYSFUN_OK)
        return r;
    r.answered = true;
    r.msg_size = ipcmsg::msg_size(resp.data());
    size_t valid = std::min<size_t>(r.msg_size, len - ipcmsg::kHeaderSize);
    r.payload.assign(resp.begin() + ipcmsg::kHeaderSize,
                     resp.begin() + static_cast<long>(ipcmsg::kHeaderSize + valid));
    return r;
}

Reply Daemon::request(uint32_t queue_key, uint16_t cmd, const std::vector<uint32_t>& words,
                      int timeout_ms) {
    std::vector<uint8_t> payload(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i)
        be::put32(payload.data() + 4 * i, words[i]);
    return request_bytes(queue_key, cmd, payload, timeout_ms);
}

std::string Daemon::console() const {
    instance::set_id(id_);
    std::ifstream in(lifecycle::console_log());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Daemon::wait_console(const std::string& text, int timeout_ms) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (console().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

int Daemon::drvctl(const std::vector<std::string>& args, std::string* out, const std::string& input,
                   int timeout_ms) const {
    return run_program(drvctl_path(), args, env_, out, input, timeout_ms);
}

std::string Daemon::run_file(const std::string& name) const {
    instance::set_id(id_);
    return instance::run_file(name);
}

}  // namespace testing_support
