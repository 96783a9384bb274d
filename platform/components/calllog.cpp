#include "platform/components/calllog.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/instance/instance.h"
#include "platform/instance/shm.h"

namespace calllog {
namespace {

constexpr uint32_t kMagic = 0x43414C4C;
constexpr int kNameLen = 24;

struct Ring {
    char name[kNameLen];
    uint64_t total;
    struct Line {
        uint64_t seq;
        char text[kTextLen];
    } lines[kRingEntries];
};

struct Segment {
    std::atomic<uint32_t> magic;
    pthread_mutex_t lock;
    Ring rings[kComponents];
};

// The mapped segment of an instance. Mappings of earlier instances stay allocated (not
// mapped), so that a reader of g_map never follows a freed pointer.
struct Mapping {
    Segment* seg;
    int instance;
};
std::mutex g_mu;
std::atomic<Mapping*> g_map{nullptr};

class Locked {
  public:
    explicit Locked(Segment* s) : s_(s) {
        if (pthread_mutex_lock(&s_->lock) == EOWNERDEAD) pthread_mutex_consistent(&s_->lock);
    }
    ~Locked() { pthread_mutex_unlock(&s_->lock); }

  private:
    Segment* s_;
};

// Maps the instance's segment, creating it when `create` is set and it does not exist.
Segment* segment(bool create) {
    const int inst = instance::id();
    // Every call record passes here: the mapping of this instance without the lock.
    if (Mapping* m = g_map.load(std::memory_order_acquire); m && m->instance == inst) return m->seg;
    std::lock_guard<std::mutex> lock(g_mu);
    Mapping* m = g_map.load(std::memory_order_acquire);
    if (m && m->instance == inst) return m->seg;
    if (m) {
        shm::unmap(m->seg, sizeof(Segment));
        g_map.store(nullptr, std::memory_order_release);
    }
    std::string name = instance::shm_name("calllog");
    void* p =
        create ? shm::open_or_create(name, sizeof(Segment)) : shm::attach(name, sizeof(Segment));
    if (!p) return nullptr;
    auto* s = static_cast<Segment*>(p);
    uint32_t expected = 0;
    if (s->magic.load() != kMagic && create && s->magic.compare_exchange_strong(expected, 1)) {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(&s->lock, &attr);
        pthread_mutexattr_destroy(&attr);
        s->magic.store(kMagic);
    }
    while (s->magic.load() == 1) {
    }  // another process is initialising it
    if (s->magic.load() != kMagic) {
        shm::unmap(p, sizeof(Segment));
        return nullptr;
    }
    g_map.store(new Mapping{s, inst}, std::memory_order_release);
    return s;
}

bool named(const Ring& r, const char* name) {
    return r.name[0] != 0 && std::strncmp(r.name, name, sizeof r.name - 1) == 0;
}

Ring* find(Segment* s, const char* name, bool add) {
    for (Ring& r : s->rings) {
        if (r.name[0] == 0) {
            if (!add) return nullptr;
            std::snprintf(r.name, sizeof r.name, "%s", name);
            return &r;
        }
        if (named(r, name)) return &r;
    }
    return nullptr;
}

// The ring a thread last recorded into, by the component name's address (callers pass
// literals): checked against the ring's name under the lock, since clear() empties rings.
struct LastRing {
    const Segment* seg = nullptr;
    const char* component = nullptr;
    Ring* ring = nullptr;
};
thread_local LastRing t_last;

}  // namespace

void record(const char* component, const char* text) {
    Segment* s = segment(true);
    if (!s || !component) return;
    Locked l(s);
    Ring* r = t_last.seg == s && t_last.component == component && named(*t_last.ring, component)
                  ? t_last.ring
                  : find(s, component, true);
    if (!r) return;
    t_last = LastRing{s, component, r};
    Ring::Line& line = r->lines[r->total % kRingEntries];
    line.seq = ++r->total;
    const size_t n = text ? strnlen(text, sizeof line.text - 1) : 0;
    std::memcpy(line.text, text ? text : "", n);
    line.text[n] = 0;
}

void recordf(const char* component, const char* fmt, ...) {
    char buf[kTextLen];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    record(component, buf);
}

std::vector<Component> components() {
    std::vector<Component> out;
    Segment* s = segment(false);
    if (!s) return out;
    Locked l(s);
    for (Ring& r : s->rings) {
        if (r.name[0] == 0) break;
        out.push_back(Component{r.name, r.total});
    }
    return out;
}

std::vector<Entry> read(const std::string& component) {
    std::vector<Entry> out;
    Segment* s = segment(false);
    if (!s) return out;
    Locked l(s);
    Ring* r = find(s, component.c_str(), false);
    if (!r) return out;
    uint64_t first = r->total > kRingEntries ? r->total - kRingEntries : 0;
    for (uint64_t i = first; i < r->total; ++i) {
        const Ring::Line& line = r->lines[i % kRingEntries];
        out.push_back(Entry{line.seq, line.text});
    }
    return out;
}

uint64_t count(const std::string& component) {
    Segment* s = segment(false);
    if (!s) return 0;
    Locked l(s);
    Ring* r = find(s, component.c_str(), false);
    return r ? r->total : 0;
}

bool received(const std::string& component, const std::string& prefix) {
    for (const Entry& e : read(component))
        if (e.text.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

void clear() {
    Segment* s = segment(true);
    if (!s) return;
    Locked l(s);
    std::memset(s->rings, 0, sizeof s->rings);
}

}  // namespace calllog
