#include "platform/console/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Log files are cut back to nothing past this size (the previous log is kept as .1).
constexpr off_t kMaxLogBytes = 16 << 20;

struct ConsoleState {
    std::mutex mu;
    int log_fd = -1;
    std::string log_path;
    off_t log_bytes = 0;
    bool quiet = false;
    console::Hook hook;
};

ConsoleState& state() {
    static ConsoleState* s = new ConsoleState;  // never destroyed: threads print at exit
    return *s;
}

void write_all(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w <= 0) return;  // a closed terminal or full disk must not stop the driver
        p += w;
        n -= static_cast<size_t>(w);
    }
}

void rotate_locked(ConsoleState& s) {
    ::close(s.log_fd);
    std::string old = s.log_path + ".1";
    ::rename(s.log_path.c_str(), old.c_str());
    s.log_fd =
        ::open(s.log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    s.log_bytes = 0;
}

}  // namespace

void CONSOLE_Write(std::string_view text) {
    ConsoleState& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.quiet) write_all(STDOUT_FILENO, text.data(), text.size());
    if (s.log_fd >= 0) {
        if (s.log_bytes > kMaxLogBytes) rotate_locked(s);
        if (s.log_fd >= 0) write_all(s.log_fd, text.data(), text.size());
        s.log_bytes += static_cast<off_t>(text.size());
    }
    if (s.hook) s.hook(text);
}

void CONSOLE_Printf(const char* fmt, ...) {
    char stack_buf[512];
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = vsnprintf(stack_buf, sizeof stack_buf, fmt, ap);
    va_end(ap);
    if (n < 0) {
        va_end(ap2);
        return;
    }
    if (static_cast<size_t>(n) < sizeof stack_buf) {
        va_end(ap2);
        CONSOLE_Write(std::string_view(stack_buf, static_cast<size_t>(n)));
        return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    vsnprintf(big.data(), big.size(), fmt, ap2);
    va_end(ap2);
    CONSOLE_Write(std::string_view(big.data(), static_cast<size_t>(n)));
}

void CONSOLE_Puts(const char* text) {
    std::string line(text);
    line.push_back('\n');
    CONSOLE_Write(line);
}

namespace console {

void set_log_file(const std::string& path) {
    ConsoleState& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.log_fd >= 0) ::close(s.log_fd);
    s.log_fd = -1;
    s.log_path = path;
    s.log_bytes = 0;
    if (!path.empty())
        s.log_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
}

void set_hook(Hook hook) {
    ConsoleState& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.hook = std::move(hook);
}

void set_quiet(bool quiet) {
    ConsoleState& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.quiet = quiet;
}

struct Capture::State {
    std::mutex mu;
    std::string text;
};

Capture::Capture() : state_(new State) {
    State* st = state_;
    set_hook([st](std::string_view t) {
        std::lock_guard<std::mutex> lock(st->mu);
        st->text.append(t);
    });
}

Capture::~Capture() {
    set_hook(nullptr);
    delete state_;
}

std::string Capture::text() const {
    std::lock_guard<std::mutex> lock(state_->mu);
    return state_->text;
}

void Capture::clear() {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->text.clear();
}

}  // namespace console
