// Hooks into SYSFUN for the process frame and for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sysfun {

// Replaces what SYSFUN_Reboot does (tests): the hook gets the boot record and SYSFUN_Reboot
// returns after it instead of ending the process.
void set_reboot_hook(std::function<void(const std::string&)> hook);
// Tests: SYSFUN_Sleep sleeps at most `ticks` (0: as long as asked), so that code with long
// fixed pauses (the reload's) runs in test time.
void set_sleep_limit(uint32_t ticks);
// Runs before a reload ends the process (the daemon removes its instance's resources).
void set_exit_hook(std::function<void()> hook);
// Runs the exit hook (if any) and ends the process with the given status.
[[noreturn]] void exit_process(int status);

// Internal to SYSFUN: the calling thread's registration, made on first use.
struct ThreadInfo {
    uint32_t tid;
    std::string name;
    uint32_t priority;
    uint32_t policy;
    uint32_t stack_size;
    int pid;
};
// Every thread registered with the instance (for drvctl and tests).
std::vector<ThreadInfo> list_threads();
// The registered name of a thread, or "" when it is not registered.
std::string thread_name(uint32_t tid);

// The key of the queue from which the calling thread last received a message (0: none yet).
// A request handler uses it to know which queue it is serving.
uint32_t received_queue_key();

}  // namespace sysfun
