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

constexpr uint32_t kMagic = 0x43414C32;
constexpr int kNameLen = 24;

struct Ring {
    char name[kNameLen];
    uint64_t total;
    struct Line {
        uint64_t seq;
        uint32_t form;  // 0: the call is in `text`; else its form's number + 1, with `args`
        union {
            char text[kTextLen];
            uint32_t args[kArgs];
        };
    } lines[kRingEntries];
};

struct Segment {
    std::atomic<uint32_t> magic;
    pthread_mutex_t lock;
    uint32_t generation;  // raised by clear(), which forgets the rings threads remember
    char forms[kForms][kTextLen];
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
const Mapping* mapping(bool create) {
    const int inst = instance::id();
    // Every call record passes here: the mapping of this instance without the lock.
    if (Mapping* m = g_map.load(std::memory_order_acquire); m && m->instance == inst) return m;
    std::lock_guard<std::mutex> lock(g_mu);
    Mapping* m = g_map.load(std::memory_order_acquire);
    if (m && m->instance == inst) return m;
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
    m = new Mapping{s, inst};
    g_map.store(m, std::memory_order_release);
    return m;
}

Segment* segment(bool create) {
    const Mapping* m = mapping(create);
    return m ? m->seg : nullptr;
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

// What a thread last looked up, by address (callers pass literals), valid while the mapping
// (one per instance mapped, never reused) and the segment's generation are the same.
struct Remembered {
    const Mapping* map = nullptr;
    uint32_t generation = 0;
    const char* key = nullptr;
    int index = -1;
};
thread_local Remembered t_ring, t_form;

bool fresh(const Remembered& r, const Mapping* m, const char* key) {
    return r.map == m && r.key == key && r.generation == m->seg->generation && r.index >= 0;
}

// The ring of a component, added when new. Caller holds the lock.
Ring* ring_of(const Mapping* m, const char* component) {
    Segment* s = m->seg;
    if (fresh(t_ring, m, component)) return &s->rings[t_ring.index];
    Ring* r = find(s, component, true);
    if (r) t_ring = Remembered{m, s->generation, component, static_cast<int>(r - s->rings)};
    return r;
}

// The number of a form in the segment's table, added when new; -1 when the table is full.
// Caller holds the lock.
int form_of(const Mapping* m, const char* form) {
    if (fresh(t_form, m, form)) return t_form.index;
    Segment* s = m->seg;
    for (int i = 0; i < kForms; ++i) {
        char* f = s->forms[i];
        if (f[0] == 0) std::snprintf(f, kTextLen, "%s", form);
        if (std::strncmp(f, form, kTextLen - 1) == 0) {
            t_form = Remembered{m, s->generation, form, i};
            return i;
        }
    }
    return -1;
}

// The next line of a component's ring, numbered. Caller holds the lock.
Ring::Line* next_line(const Mapping* m, const char* component) {
    Ring* r = ring_of(m, component);
    if (!r) return nullptr;
    Ring::Line& line = r->lines[r->total % kRingEntries];
    line.seq = ++r->total;
    return &line;
}

void put_text(Ring::Line& line, const char* text) {
    line.form = 0;
    const size_t n = text ? strnlen(text, sizeof line.text - 1) : 0;
    std::memcpy(line.text, text ? text : "", n);
    line.text[n] = 0;
}

// A line's call as text: its numbers put into its form, cut to kTextLen - 1 characters.
std::string text_of(const Segment* s, const Ring::Line& line) {
    if (line.form == 0 || line.form > static_cast<uint32_t>(kForms))
        return std::string(line.text, strnlen(line.text, sizeof line.text));
    const char* f = s->forms[line.form - 1];
    std::string out;
    int arg = 0;
    for (size_t i = 0; i < kTextLen && f[i]; ++i) {
        if (f[i] == '%' && (f[i + 1] == 'u' || f[i + 1] == 'x')) {
            char num[16];
            const uint32_t v = arg < kArgs ? line.args[arg++] : 0;
            std::snprintf(num, sizeof num, f[i + 1] == 'u' ? "%u" : "%x", v);
            out += num;
            ++i;
        } else {
            out += f[i];
        }
    }
    if (out.size() > kTextLen - 1) out.resize(kTextLen - 1);
    return out;
}

}  // namespace

void record(const char* component, const char* text) {
    const Mapping* m = mapping(true);
    if (!m || !component) return;
    Locked l(m->seg);
    if (Ring::Line* line = next_line(m, component)) put_text(*line, text);
}

void record_numbers(const char* component, const char* form, std::initializer_list<uint32_t> args) {
    const Mapping* m = mapping(true);
    if (!m || !component || !form) return;
    Locked l(m->seg);
    const int f = form_of(m, form);
    Ring::Line* line = next_line(m, component);
    if (!line) return;
    if (f < 0) return put_text(*line, form);  // no room for another form: the bare form
    line->form = static_cast<uint32_t>(f) + 1;
    int i = 0;
    for (uint32_t v : args)
        if (i < kArgs) line->args[i++] = v;
    while (i < kArgs)
        line->args[i++] = 0;
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
        out.push_back(Entry{line.seq, text_of(s, line)});
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
    std::memset(s->forms, 0, sizeof s->forms);
    ++s->generation;
}

}  // namespace calllog
