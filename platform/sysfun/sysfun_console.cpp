// The serial console (the process's standard input) and the reload.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace {

std::mutex g_hook_mu;
std::function<void(const std::string&)> g_reboot_hook;
std::function<void()> g_exit_hook;

}  // namespace

uint32_t SYSFUN_OpenUART(uint32_t /*uart*/) {
    return 1;
}

uint32_t SYSFUN_UARTPollRxBuff(uint32_t uart, uint32_t count, char* ch) {
    if (uart != 1 || count == 0 || !ch) return SYSFUN_RESULT_INVALID_ARG;
    pollfd pfd{STDIN_FILENO, POLLIN, 0};
    if (::poll(&pfd, 1, 0) <= 0) return SYSFUN_RESULT_NO_MESSAGE;
    return ::read(STDIN_FILENO, ch, 1) == 1 ? SYSFUN_OK : SYSFUN_RESULT_NO_MESSAGE;
}

uint32_t SYSFUN_CloseUART(uint32_t uart) {
    return uart == 1 ? SYSFUN_OK : SYSFUN_RESULT_INVALID_ARG;
}

void SYSFUN_Reboot(const char* boot_record) {
    std::string record = boot_record ? boot_record : "";
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard<std::mutex> lock(g_hook_mu);
        hook = g_reboot_hook;
    }
    if (hook) {
        hook(record);
        return;
    }
    std::string path = instance::run_file("boot_record");
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fprintf(f, "%s\n", record.c_str());
        std::fclose(f);
    }
    CONSOLE_Printf("\r\nReloading: boot record \"%s\" written to %s\r\n", record.c_str(),
                   path.c_str());
    sysfun::exit_process(0);
}

namespace sysfun {

void set_reboot_hook(std::function<void(const std::string&)> hook) {
    std::lock_guard<std::mutex> lock(g_hook_mu);
    g_reboot_hook = std::move(hook);
}

void set_exit_hook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(g_hook_mu);
    g_exit_hook = std::move(hook);
}

void exit_process(int status) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(g_hook_mu);
        hook = g_exit_hook;
    }
    if (hook) hook();
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace sysfun
