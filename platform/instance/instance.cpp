#include "platform/instance/instance.h"

#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace instance {

std::atomic<int> detail::g_id{-1};

namespace {

std::string run_root() {
    const char* root = std::getenv("DRIVER_PROC_RUN_ROOT");
    return (root && *root) ? std::string(root) : std::string("/tmp/driver_proc");
}

void make_dirs(const std::string& path) {
    std::string cur;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!cur.empty()) ::mkdir(cur.c_str(), 0755);
        }
        if (i < path.size()) cur.push_back(path[i]);
    }
}

}  // namespace

bool parse_id(const char* text, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno || *end || v < 0 || v > kMaxInstance) return false;
    *out = static_cast<int>(v);
    return true;
}

int detail::read_id() {
    int parsed = 0;
    if (!parse_id(std::getenv("DRIVER_PROC_INSTANCE"), &parsed)) parsed = 0;
    detail::g_id.store(parsed, std::memory_order_release);
    return parsed;
}

void set_id(int v) {
    detail::g_id.store(v, std::memory_order_release);
    ::setenv("DRIVER_PROC_INSTANCE", std::to_string(v).c_str(), 1);
}

std::string run_dir() {
    std::string dir = run_root() + "/" + std::to_string(id());
    make_dirs(dir);
    return dir;
}

std::string run_file(std::string_view name) {
    return run_dir() + "/" + std::string(name);
}

std::string shm_name(std::string_view what) {
    return "/driver_proc." + std::to_string(id()) + "." + std::string(what);
}

std::string socket_name(std::string_view what) {
    return "driver_proc." + std::to_string(id()) + "." + std::string(what);
}

void remove_shm_objects() {
    std::string prefix = "driver_proc." + std::to_string(id()) + ".";
    DIR* d = ::opendir("/dev/shm");
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        // Appended rather than `"/" + std::string(...)`: GCC 12 at -O3 sees a false overlap
        // (-Wrestrict) in the inlined insert of that form.
        std::string path = "/";
        path += e->d_name;
        ::shm_unlink(path.c_str());
    }
    ::closedir(d);
}

}  // namespace instance
