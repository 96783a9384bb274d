#include "platform/backdoor/backdoor_registry.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/instance/instance.h"
#include "platform/instance/shm.h"

namespace backdoor {
namespace {

constexpr int kMaxMenus = 64;

// Shared table of registrations: name and queue key (big-endian), written only by the
// process that serves the menus.
struct SharedEntry {
    char name[BACKDOOR_MGR_NAME_LEN];
    be::U32 queue_key;
};
struct SharedTable {
    SharedEntry entries[kMaxMenus];
};

struct LocalMenu {
    BACKDOOR_MGR_MenuFunc_T func;
    uint32_t queue_key;
};
std::mutex g_mu;
std::map<std::string, LocalMenu>* g_local = nullptr;

SharedTable* table(bool create) {
    std::string name = instance::shm_name("backdoor");
    void* p = create ? shm::open_or_create(name, sizeof(SharedTable))
                     : shm::attach(name, sizeof(SharedTable));
    return static_cast<SharedTable*>(p);
}

}  // namespace

namespace registry {

bool add(const char* name, uint32_t queue_key, BACKDOOR_MGR_MenuFunc_T func) {
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_local) g_local = new std::map<std::string, LocalMenu>;
    (*g_local)[name] = LocalMenu{func, queue_key};
    SharedTable* t = table(true);
    if (!t) return false;
    SharedEntry* slot = nullptr;
    for (SharedEntry& e : t->entries) {
        if (std::strncmp(e.name, name, BACKDOOR_MGR_NAME_LEN) == 0 || (!slot && e.name[0] == 0)) {
            slot = &e;
            if (e.name[0] != 0) break;
        }
    }
    if (!slot) {
        CONSOLE_Printf("BACKDOOR_MGR: no room to register menu \"%s\"\r\n", name);
        shm::unmap(t, sizeof(SharedTable));
        return false;
    }
    std::strncpy(slot->name, name, BACKDOOR_MGR_NAME_LEN - 1);
    slot->queue_key = queue_key;
    shm::unmap(t, sizeof(SharedTable));
    return true;
}

BACKDOOR_MGR_MenuFunc_T find(const char* name, uint32_t* queue_key) {
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_local) return nullptr;
    auto it = g_local->find(name);
    if (it == g_local->end()) return nullptr;
    if (queue_key) *queue_key = it->second.queue_key;
    return it->second.func;
}

}  // namespace registry

std::vector<Registration> registrations() {
    std::vector<Registration> out;
    SharedTable* t = table(false);
    if (!t) return out;
    for (const SharedEntry& e : t->entries) {
        if (e.name[0] == 0) continue;
        out.push_back(
            Registration{std::string(e.name, strnlen(e.name, BACKDOOR_MGR_NAME_LEN)), e.queue_key});
    }
    shm::unmap(t, sizeof(SharedTable));
    return out;
}

}  // namespace backdoor
