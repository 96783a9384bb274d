// Starts the real driver_proc in a private instance and talks to it from this process, as a
// client of another process would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Paths of the programs under test (set by the build).
std::string driver_proc_path();
std::string drvctl_path();

struct Reply {
    bool answered = false;
    uint16_t msg_size = 0;
    std::vector<uint8_t> payload;  // msg_size bytes
    uint8_t result() const { return payload.empty() ? 0xFF : payload[0]; }
};

class Daemon {
  public:
    // Extra environment for the daemon ("NAME=VALUE").
    explicit Daemon(std::vector<std::string> env = {});
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Runs driver_proc; returns its exit status, or -2 when main did not return within
    // timeout_ms (it is then killed).
    int start(int timeout_ms = 20000);
    void stop();
    int instance() const { return id_; }
    int pid() const;  // the serving daemon's pid (0 when none)

    // A request of 32-bit words to a queue; waits up to timeout_ms for the answer.
    Reply request(uint32_t queue_key, uint16_t cmd, const std::vector<uint32_t>& words,
                  int timeout_ms = 2000);
    Reply request_bytes(uint32_t queue_key, uint16_t cmd, const std::vector<uint8_t>& payload,
                        int timeout_ms = 2000);
    // The daemon's console output so far.
    std::string console() const;
    // Waits until the console holds `text`.
    bool wait_console(const std::string& text, int timeout_ms = 5000) const;
    // Runs drvctl with these arguments in this instance; returns its exit status and output.
    int drvctl(const std::vector<std::string>& args, std::string* out,
               const std::string& input = "", int timeout_ms = 20000) const;
    std::string run_file(const std::string& name) const;

  private:
    int id_;
    std::vector<std::string> env_;
    bool started_ = false;
};

// Runs a program with arguments and extra environment; collects its standard output.
int run_program(const std::string& path, const std::vector<std::string>& args,
                const std::vector<std::string>& env, std::string* out, const std::string& input,
                int timeout_ms);

}  // namespace testing_support
