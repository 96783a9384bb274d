#include "platform/components/faults.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

namespace faults {
namespace {

std::mutex g_mu;
std::map<std::string, int64_t>* g_map = nullptr;
std::atomic<bool> g_any{false};

std::map<std::string, int64_t>& table() {
    if (!g_map) {
        g_map = new std::map<std::string, int64_t>;
        if (const char* env = std::getenv("DRIVER_PROC_PLATFORM_FAULTS")) {
            std::stringstream ss(env);
            std::string item;
            while (std::getline(ss, item, ',')) {
                auto eq = item.find('=');
                if (eq == std::string::npos) continue;
                (*g_map)[item.substr(0, eq)] = std::strtoll(item.c_str() + eq + 1, nullptr, 0);
            }
        }
        g_any = !g_map->empty();
    }
    return *g_map;
}

}  // namespace

int64_t answer(const char* name, int64_t normal) {
    std::lock_guard<std::mutex> lock(g_mu);
    auto& t = table();
    if (t.empty()) return normal;
    auto it = t.find(name);
    return it == t.end() ? normal : it->second;
}

bool any() {
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        std::lock_guard<std::mutex> lock(g_mu);
        table();
    });
    return g_any.load(std::memory_order_relaxed);
}

void set(const std::string& name, int64_t value) {
    std::lock_guard<std::mutex> lock(g_mu);
    table()[name] = value;
    g_any = true;
}

void clear() {
    std::lock_guard<std::mutex> lock(g_mu);
    table().clear();
    g_any = false;
}

}  // namespace faults
