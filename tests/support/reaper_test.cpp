// A test process that dies, however it dies, leaves no daemon running and no shared-memory
// object of its instances behind: the test support's reaper ends them.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/instance/instance.h"
#include "platform/instance/lifecycle.h"
#include "tests/support/daemon.h"
#include "tests/support/test_instance.h"

namespace {

int shm_objects(int id) {
    std::string prefix = "driver_proc." + std::to_string(id) + ".";
    int n = 0;
    if (DIR* d = ::opendir("/dev/shm")) {
        while (dirent* e = ::readdir(d))
            n += std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0;
        ::closedir(d);
    }
    return n;
}

int daemon_pid(int id) {
    instance::set_id(id);
    return lifecycle::running_pid();
}

TEST(Reaper, ADeadTestProcessLeavesNoDaemonAndNoSharedMemory) {
    const struct {
        const char* how;
        void (*end)();
    } endings[] = {
        {"killed", [] { ::kill(::getpid(), SIGKILL); }},
        {"crashed", [] { std::abort(); }},
        {"ended without its destructors", [] { ::_exit(0); }},
    };
    for (const auto& e : endings) {
        SCOPED_TRACE(e.how);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            rlimit no_core{0, 0};
            ::setrlimit(RLIMIT_CORE, &no_core);
            // Leaked on purpose: the process ends without destroying them.
            auto* d = new testing_support::Daemon();
            auto* inst = new testing_support::TestInstance();
            int ids[2] = {d->instance(), inst->id()};
            if (d->start() != 0) ids[0] = -1;
            if (::write(fds[1], ids, sizeof ids) != sizeof ids) ::_exit(2);
            e.end();
        }
        ::close(fds[1]);
        int ids[2] = {0, 0};
        ASSERT_EQ(::read(fds[0], ids, sizeof ids), static_cast<ssize_t>(sizeof ids));
        ::close(fds[0]);
        ASSERT_GT(ids[0], 0) << "the daemon did not start";
        ::waitpid(child, nullptr, 0);
        bool gone = false;
        for (int i = 0; i < 500 && !gone; ++i) {
            gone = daemon_pid(ids[0]) == 0 && shm_objects(ids[0]) == 0 && shm_objects(ids[1]) == 0;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(daemon_pid(ids[0]), 0);
        EXPECT_EQ(shm_objects(ids[0]), 0);
        EXPECT_EQ(shm_objects(ids[1]), 0);
    }
}

}  // namespace
