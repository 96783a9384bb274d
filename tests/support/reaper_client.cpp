#include "tests/support/reaper_client.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace testing_support {
namespace {

std::mutex g_mu;
int g_fd = -1;      // the pipe to this process's reaper
pid_t g_owner = 0;  // the process that started it (a forked child starts its own)

// Starts the reaper; caller holds g_mu.
void start_reaper() {
    if (g_owner == ::getpid()) return;
    if (g_fd >= 0) ::close(g_fd);  // the parent's pipe, inherited by a fork
    g_fd = -1;
    g_owner = ::getpid();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls until exec: the test process may have threads.
        ::setsid();
        ::dup2(fds[0], 0);
        int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) ::dup2(devnull, 1);
        ::syscall(SYS_close_range, 3u, ~0u, 0u);
        const char* path = TEST_REAPER_PATH;
        char* argv[] = {const_cast<char*>(path), nullptr};
        ::execv(path, argv);
        ::_exit(127);
    }
    ::close(fds[0]);
    if (pid < 0) {
        ::close(fds[1]);
        return;
    }
    g_fd = fds[1];
}

void tell(char op, int id) {
    std::lock_guard<std::mutex> lock(g_mu);
    if (op != 'r') start_reaper();
    if (g_fd < 0 || g_owner != ::getpid()) return;
    std::string line = std::string(1, op) + " " + std::to_string(id) + "\n";
    if (::write(g_fd, line.data(), line.size()) < 0) std::perror("test_reaper pipe");
}

}  // namespace

void reap_instance_on_exit(int id) {
    tell('i', id);
}
void reap_daemon_on_exit(int id) {
    tell('d', id);
}
void release_instance(int id) {
    tell('r', id);
}

}  // namespace testing_support
