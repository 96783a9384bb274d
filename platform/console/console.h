// The console. Every line the process prints goes through CONSOLE_Printf, so that it reaches
// the terminal, the instance's console log and, in tests, a capture hook in one place.
#pragma once

#include <functional>
#include <string>
#include <string_view>

void CONSOLE_Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Like puts(): the text followed by "\n".
void CONSOLE_Puts(const char* text);
// Raw text, written as it stands.
void CONSOLE_Write(std::string_view text);

namespace console {
// Also append everything to this file (the instance's console log). Empty path closes it.
void set_log_file(const std::string& path);
// Tests: receive every piece of console output; nullptr removes the hook.
using Hook = std::function<void(std::string_view)>;
void set_hook(Hook hook);
// Do not write to stdout (the log file and the hook still get everything).
void set_quiet(bool quiet);

// Collects console output while it lives (for tests).
class Capture {
  public:
    Capture();
    ~Capture();
    std::string text() const;
    bool contains(std::string_view s) const { return text().find(s) != std::string::npos; }
    void clear();

  private:
    struct State;
    State* state_;
};
}  // namespace console
