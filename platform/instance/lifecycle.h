// The life of a driver process's instance: start (refusing a second daemon, removing what a
// killed one left behind), running as the daemon, and stop (removing its own resources).
#pragma once

#include <string>

namespace lifecycle {

std::string pid_file();
std::string console_log();
// Process id of the instance's running daemon, or 0 when none is alive.
int running_pid();

// In `main`, before anything else: false (with the reason on the console) when a daemon of
// this instance is already running; otherwise removes stale resources and creates the
// instance's control block.
bool prepare_start();
// In the spawned driver process, before it creates any thread: records its pid (holding the
// pid file's lock), opens the console log and blocks SIGTERM/SIGINT/SIGHUP in every thread
// it will create.
void become_daemon();
// After the process's own threads exist: a thread that takes those signals, removes the
// instance's resources and ends the process.
void start_signal_thread();
// Removes the instance's resources: shared segments, control block, pid file.
void cleanup();
// The same on the daemon's way out, leaving its mappings in place for the threads that run
// until the process ends.
void remove_on_exit();
// From a client: asks the daemon to stop and waits up to timeout_ms for it to end (then
// kills it), and removes the instance's resources. False when no daemon was running.
bool stop(int timeout_ms);

}  // namespace lifecycle
