#include "platform/components/faults.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

namespace faults {
namespace {

struct Fault {
    int64_t value = 0;
    uint32_t skip = 0;
    uint32_t count = 0;  // answers left; 0: for ever
};

std::mutex g_mu;
std::map<std::string, Fault>* g_map = nullptr;
std::vector<std::string>* g_record = nullptr;  // operations asking, while recorded
std::atomic<uint32_t> g_armed{
    0};  // faults in the table, plus one while recording (the lock-free check)
std::atomic<bool> g_env_read{false};  // the environment's faults are in the table

// Publishes what the lock-free check looks at. Caller holds g_mu.
void publish(const std::map<std::string, Fault>& t) {
    g_armed.store(static_cast<uint32_t>(t.size()) + (g_record ? 1u : 0u),
                  std::memory_order_release);
}

// The table, with the environment's faults read in on first use. Caller holds g_mu.
std::map<std::string, Fault>& table() {
    if (!g_map) {
        g_map = new std::map<std::string, Fault>;
        if (const char* env = std::getenv("DRIVER_PROC_PLATFORM_FAULTS")) {
            std::stringstream ss(env);
            std::string item;
            while (std::getline(ss, item, ',')) {
                auto eq = item.find('=');
                if (eq == std::string::npos) continue;
                (*g_map)[item.substr(0, eq)].value =
                    std::strtoll(item.c_str() + eq + 1, nullptr, 0);
            }
        }
        publish(*g_map);
        g_env_read.store(true, std::memory_order_release);
    }
    return *g_map;
}

}  // namespace

int64_t answer(const char* name, int64_t normal) {
    if (g_env_read.load(std::memory_order_acquire) && g_armed.load(std::memory_order_acquire) == 0)
        return normal;
    std::lock_guard<std::mutex> lock(g_mu);
    auto& t = table();
    if (g_record) g_record->push_back(name);
    auto it = t.find(name);
    if (it == t.end()) return normal;
    Fault& f = it->second;
    if (f.skip > 0) {
        --f.skip;
        return normal;
    }
    int64_t v = f.value;
    if (f.count > 0 && --f.count == 0) {
        t.erase(it);
        publish(t);
    }
    return v;
}

bool any() {
    if (!g_env_read.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(g_mu);
        table();
    }
    return g_armed.load(std::memory_order_acquire) != 0;
}

void set(const std::string& name, int64_t value, uint32_t count, uint32_t skip) {
    std::lock_guard<std::mutex> lock(g_mu);
    auto& t = table();
    t[name] = Fault{value, skip, count};
    publish(t);
}

void remove(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mu);
    auto& t = table();
    t.erase(name);
    publish(t);
}

void clear() {
    std::lock_guard<std::mutex> lock(g_mu);
    table().clear();
    publish(table());
}

void record(std::vector<std::string>* calls) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_record = calls;
    publish(table());
}

}  // namespace faults
