#include "platform/instance/ctl.h"

#include <cerrno>

#include "platform/instance/instance.h"
#include "platform/instance/shm.h"

namespace ctl {
namespace {

std::atomic<Block*> g_block{nullptr};
std::atomic<uint32_t> g_generation{1};

std::string block_name() {
    return instance::shm_name("ctl");
}

}  // namespace

Block* get() {
    return g_block.load(std::memory_order_acquire);
}

uint32_t generation() {
    return g_generation.load(std::memory_order_acquire);
}

bool create() {
    detach(false);
    void* p = shm::create(block_name(), sizeof(Block));
    if (!p) return false;
    Block* b = static_cast<Block*>(p);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&b->lock, &attr);
    for (auto& r : b->replies)
        pthread_mutex_init(&r.life, &attr);
    pthread_mutexattr_destroy(&attr);
    b->version = kVersion;
    b->magic = kMagic;
    g_generation.fetch_add(1);
    g_block.store(b, std::memory_order_release);
    return true;
}

bool attach() {
    if (get()) return true;
    void* p = shm::attach(block_name(), sizeof(Block));
    if (!p) return false;
    Block* b = static_cast<Block*>(p);
    if (b->magic != kMagic || b->version != kVersion) {
        shm::unmap(p, sizeof(Block));
        return false;
    }
    g_generation.fetch_add(1);
    g_block.store(b, std::memory_order_release);
    return true;
}

void detach(bool remove) {
    Block* b = g_block.exchange(nullptr);
    g_generation.fetch_add(1);
    if (b) shm::unmap(b, sizeof(Block));
    if (remove) shm::remove(block_name());
}

Guard::Guard(Block* b) : b_(b) {
    if (pthread_mutex_lock(&b_->lock) == EOWNERDEAD) pthread_mutex_consistent(&b_->lock);
}

Guard::~Guard() {
    pthread_mutex_unlock(&b_->lock);
}

}  // namespace ctl
