// The instance namespace. Every key, shared segment, socket and file of one running driver
// process lives under the instance number taken from DRIVER_PROC_INSTANCE (default 0), so
// tests, benchmarks and the units of a simulated stack can run side by side.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace instance {

constexpr int kMaxInstance = 99999;

namespace detail {
extern std::atomic<int> g_id;  // -1 until the number was chosen or read
int read_id();
}  // namespace detail

// The instance number: set_id() if it was called, else DRIVER_PROC_INSTANCE, else 0. Inline:
// every lookup of a shared segment asks for it, on the packet paths several times a packet.
inline int id() {
    const int v = detail::g_id.load(std::memory_order_acquire);
    return v >= 0 ? v : detail::read_id();
}
// Chooses the instance for this process (tests, tools with --instance). Also exports it to
// DRIVER_PROC_INSTANCE so that child processes inherit it.
void set_id(int id);
// Parses an instance number; false when the text is not one.
bool parse_id(const char* text, int* out);

// The instance's run directory (created on demand): $DRIVER_PROC_RUN_ROOT/<id>, where the
// run root defaults to /tmp/driver_proc. Holds the pid file, the console log, the start-up
// file and the boot record of a reload.
std::string run_dir();
std::string run_file(std::string_view name);

// Name of a POSIX shared-memory object of this instance: "/driver_proc.<id>.<what>".
std::string shm_name(std::string_view what);
// Abstract Unix socket name of this instance, without the leading NUL.
std::string socket_name(std::string_view what);

// Removes every shared-memory object of this instance (stale or own).
void remove_shm_objects();

}  // namespace instance
