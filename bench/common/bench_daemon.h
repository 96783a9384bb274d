// Benchmarks run against their own driver process in a private instance, and report their
// result as a ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

namespace bench {

// Starts build/bin/driver_proc (beside the benchmark program) in a private instance and
// stops it when destroyed. The calling process joins the instance as a client.
class Daemon {
  public:
    Daemon();
    ~Daemon();
    bool ok() const { return ok_; }
    int instance() const { return id_; }

  private:
    int id_;
    bool ok_ = false;
};

// The other end of the bare queue ping-pong that the request benchmarks measure themselves
// against: a process that answers every message on its keyed queue as it stands, through
// the same queue operations as the driver group. Killed when destroyed.
class EchoServer {
  public:
    // own_session: the server runs in a session of its own, as the daemon does (on a busy
    // machine a partner in the benchmark's session is woken sooner than one outside it).
    explicit EchoServer(uint32_t queue_key, bool own_session = false);
    ~EchoServer();
    uint32_t key() const { return key_; }

  private:
    uint32_t key_;
    int pid_ = -1;
};

// Collects the time per iteration (nanoseconds) of every benchmark run, by name, while printing
// the usual console report: wall time for benchmarks registered with UseRealTime, else CPU
// time; the best of a benchmark's repetitions.
class TimeCollector : public benchmark::ConsoleReporter {
  public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    // The time of the benchmark registered under `name` (0 when it did not run).
    double ns_per_iteration(const std::string& name) const;
    // The shortest time among the benchmarks whose names start with `prefix` (0: none ran).
    double min_ns_per_iteration(const std::string& prefix) const;

  private:
    std::map<std::string, double> ns_;
};

// The directory of the running program.
std::string program_dir();

}  // namespace bench
