#include "platform/instance/lifecycle.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace lifecycle {
namespace {

bool alive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The pid file names a driver process only while that process is one.
bool is_driver_process(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.rfind("DRIVER_PROC", 0) == 0 || name.rfind("driver_proc", 0) == 0;
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
    std::ifstream in(pid_file());
    int pid = 0;
    if (!(in >> pid)) return 0;
    return (alive(pid) && is_driver_process(pid)) ? pid : 0;
}

bool prepare_start() {
    if (int pid = running_pid()) {
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
    if (FILE* f = std::fopen(pid_file().c_str(), "w")) {
        std::fprintf(f, "%d\n", ::getpid());
        std::fclose(f);
    }
    if (ctl::Block* b = ctl::get()) b->daemon_pid.store(::getpid());
    console::set_log_file(console_log());
    ::signal(SIGPIPE, SIG_IGN);
    // Every thread created after this inherits the blocked signals; only the signal thread
    // takes them.
    static sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    pthread_t th;
    pthread_create(&th, nullptr, signal_thread, &set);
    pthread_detach(th);
    sysfun::set_exit_hook(cleanup);
}

void cleanup() {
    ctl::detach(true);
    instance::remove_shm_objects();
    std::ifstream in(pid_file());
    int pid = 0;
    if ((in >> pid) && (pid == ::getpid() || !alive(pid))) std::remove(pid_file().c_str());
}

bool stop(int timeout_ms) {
    int pid = running_pid();
    if (!pid) {
        cleanup();
        return false;
    }
    ::kill(pid, SIGTERM);
    for (int waited = 0; alive(pid) && waited < timeout_ms; waited += 20)
        ::usleep(20000);
    if (alive(pid)) {
        ::kill(pid, SIGKILL);
        for (int i = 0; alive(pid) && i < 100; ++i)
            ::usleep(10000);
    }
    cleanup();
    return true;
}

}  // namespace lifecycle
