#include "platform/instance/lifecycle.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace lifecycle {
namespace {

// The daemon holds an exclusive lock on its pid file for as long as it lives. The kernel drops
// the lock when the process ends, even while it is a zombie nobody has reaped, so "running"
// means "the lock is held", not "the pid answers a signal".
int g_pid_fd = -1;
sigset_t g_stop_signals;

// The pid in the pid file when a process holds its lock; 0 otherwise.
int locked_pid() {
    int fd = ::open(pid_file().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    int pid = 0;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        char buf[32] = {};
        ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        pid = n > 0 ? std::atoi(buf) : 0;
        if (pid <= 0) pid = -1;  // held, but the daemon has not written its pid yet
    }
    ::close(fd);
    return pid;
}

// A process whose main thread has ended (a zombie, or being torn down) while its other
// threads still let go of its files, and with them the lock.
bool dying(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    size_t at = stat.rfind(')');
    if (at == std::string::npos || at + 2 >= stat.size()) return false;
    return stat[at + 2] == 'Z' || stat[at + 2] == 'X';
}

void* signal_thread(void* arg) {
    auto* set = static_cast<sigset_t*>(arg);
    int sig = 0;
    sigwait(set, &sig);
    CONSOLE_Printf("\r\ndriver_proc instance %d: stopped by signal %d\r\n", instance::id(), sig);
    sysfun::exit_process(0);
}

}  // namespace

std::string pid_file() {
    return instance::run_file("driver_proc.pid");
}
std::string console_log() {
    return instance::run_file("console.log");
}

int running_pid() {
    int pid = locked_pid();
    return pid > 0 && !dying(pid) ? pid : 0;
}

bool prepare_start() {
    int pid = locked_pid();
    // A daemon that was just killed holds the lock only until its last thread has gone.
    for (int i = 0; pid > 0 && dying(pid) && i < 500; ++i) {
        ::usleep(10000);
        pid = locked_pid();
    }
    if (pid) {
        CONSOLE_Printf("driver_proc: instance %d is already running (pid %d)\r\n", instance::id(),
                       pid);
        return false;
    }
    cleanup();
    if (!ctl::create()) {
        CONSOLE_Printf("driver_proc: cannot create the control block of instance %d\r\n",
                       instance::id());
        return false;
    }
    return true;
}

void become_daemon() {
    ::setsid();
    // The lock is taken before the pid is written; the descriptor stays open (and the lock
    // held) until the process ends.
    g_pid_fd = ::open(pid_file().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (g_pid_fd >= 0 && ::flock(g_pid_fd, LOCK_EX | LOCK_NB) != 0) {
        // Another daemon of the instance won the race since `main` looked.
        CONSOLE_Printf("driver_proc: instance %d is already running\r\n", instance::id());
        ::_exit(1);
    }
    if (g_pid_fd < 0) {
        CONSOLE_Printf("driver_proc: instance %d: cannot open %s\r\n", instance::id(),
                       pid_file().c_str());
    } else {
        char buf[32];
        int n = std::snprintf(buf, sizeof buf, "%d\n", ::getpid());
        if (::ftruncate(g_pid_fd, 0) != 0 ||
            ::pwrite(g_pid_fd, buf, static_cast<size_t>(n), 0) != n)
            CONSOLE_Printf("driver_proc: instance %d: cannot write %s\r\n", instance::id(),
                           pid_file().c_str());
    }
    if (ctl::Block* b = ctl::get()) b->daemon_pid.store(::getpid());
    console::set_log_file(console_log());
    ::signal(SIGPIPE, SIG_IGN);
    // Every thread created after this inherits the blocked signals; only the signal thread
    // takes them (a signal that comes before it exists waits for it).
    sigemptyset(&g_stop_signals);
    sigaddset(&g_stop_signals, SIGTERM);
    sigaddset(&g_stop_signals, SIGINT);
    sigaddset(&g_stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &g_stop_signals, nullptr);
    sysfun::set_exit_hook(remove_on_exit);
}

void start_signal_thread() {
    pthread_t th;
    if (pthread_create(&th, nullptr, signal_thread, &g_stop_signals) == 0) pthread_detach(th);
}

void cleanup() {
    ctl::detach(true);
    remove_on_exit();
}

void remove_on_exit() {
    // Names only: the daemon's other threads run until the process ends and may be waiting on
    // events in the control block, which must stay mapped under them.
    instance::remove_shm_objects();
    // The pid file goes only when this process holds its lock or nobody does.
    if (g_pid_fd >= 0 || locked_pid() == 0) std::remove(pid_file().c_str());
}

bool stop(int timeout_ms) {
    int pid = running_pid();
    if (!pid) {
        cleanup();
        return false;
    }
    ::kill(pid, SIGTERM);
    for (int waited = 0; locked_pid() == pid && waited < timeout_ms; waited += 20)
        ::usleep(20000);
    if (locked_pid() == pid) {
        ::kill(pid, SIGKILL);
        for (int i = 0; locked_pid() == pid && i < 100; ++i)
            ::usleep(10000);
    }
    cleanup();
    return true;
}

}  // namespace lifecycle
