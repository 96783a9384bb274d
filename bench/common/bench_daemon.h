// Benchmarks run against their own driver process in a private instance, and report their
// result as a ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

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

// Collects the time per iteration (nanoseconds, real time) of every benchmark run, by name,
// while printing the usual console report.
class TimeCollector : public benchmark::ConsoleReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    // The time of the benchmark registered under `name` (0 when it did not run).
    double ns_per_iteration(const std::string& name) const;

private:
    std::map<std::string, double> ns_;
};

// The directory of the running program.
std::string program_dir();

}  // namespace bench
