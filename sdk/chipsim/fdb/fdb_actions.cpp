// The address table's action engine (ageing, deleting, transplanting) and the model's clock
// that drives automatic ageing.
#include <time.h>

#include <algorithm>
#include <atomic>

#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/fdb/fdb.h"

namespace chipsim {
namespace {

std::atomic<uint64_t> g_clock_offset_ms{0};

bool selected(const Locked& d, const FdbSlot& s) {
    const FdbFilter& f = d->fdb.filter;
    uint16_t vid = static_cast<uint16_t>(s.key.word >> 48 & 0xFFF);
    if ((vid & f.vlan_mask) != (f.vlan & f.vlan_mask)) return false;
    uint32_t dev = s.if_type == SDK_INTERFACE_PORT ? s.dev : d->hw_dev_num;
    if ((dev & f.dev_mask) != (f.dev & f.dev_mask)) return false;
    uint32_t is_trunk = s.if_type == SDK_INTERFACE_TRUNK;
    uint32_t port = is_trunk ? s.target : s.port;
    return (is_trunk & f.is_trunk_mask) == (f.is_trunk & f.is_trunk_mask) &&
           (port & f.port_mask) == (f.port & f.port_mask);
}

bool on_interface(const FdbSlot& s, const SDK_INTERFACE_INFO& i) {
    if (s.if_type != i.type) return false;
    if (i.type == SDK_INTERFACE_PORT)
        return s.dev == i.devPort.devNum && s.port == i.devPort.portNum;
    return i.type == SDK_INTERFACE_TRUNK && s.target == i.trunkId;
}

}  // namespace

uint64_t clock_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000 +
           g_clock_offset_ms.load(std::memory_order_relaxed);
}

uint64_t clock_us() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000 +
           g_clock_offset_ms.load(std::memory_order_relaxed) * 1000;
}

void advance_clock(uint32_t seconds) {
    advance_clock_ms(uint64_t{seconds} * 1000);
}

void advance_clock_ms(uint64_t ms) {
    g_clock_offset_ms.fetch_add(ms, std::memory_order_relaxed);
    model().changes.fetch_add(1, std::memory_order_relaxed);  // frames look at the clock again
}

void fdb_walk(Locked d, uint32_t mode) {
    FdbTable& t = d->fdb;
    ++t.gen;
    for (uint32_t i = 0; i < t.size(); ++i) {
        FdbSlot& s = t.slots[i];
        if (!s.live() || !selected(d, s)) continue;
        bool is_static = s.flags & kFdbStatic;
        switch (mode) {
            case SDK_FDB_ACTION_AGE_WITH_REMOVAL:
            case SDK_FDB_ACTION_AGE_WITHOUT_REMOVAL:
                if (is_static) break;
                if (s.flags & kFdbAge) {
                    s.flags &= static_cast<uint8_t>(~kFdbAge);
                    break;
                }
                if (mode == SDK_FDB_ACTION_AGE_WITH_REMOVAL) s.flags |= kFdbSkip;
                if (d->aa_ta_to_cpu) fdb_au_push(d, SDK_FDB_AU_AA, s, static_cast<int32_t>(i));
                break;
            case SDK_FDB_ACTION_DELETING:
                if (!is_static || t.static_del) s.flags |= kFdbSkip;
                break;
            case SDK_FDB_ACTION_TRANSPLANTING:
                if (is_static || !on_interface(s, t.transplant_old)) break;
                s.if_type = static_cast<uint8_t>(t.transplant_new.type);
                if (s.if_type == SDK_INTERFACE_PORT) {
                    s.dev = t.transplant_new.devPort.devNum;
                    s.port = t.transplant_new.devPort.portNum;
                    s.target = 0;
                } else {
                    s.dev = s.port = 0;
                    s.target = t.transplant_new.trunkId;
                }
                if (d->aa_ta_to_cpu) fdb_au_push(d, SDK_FDB_AU_TA, s, static_cast<int32_t>(i));
                break;
        }
    }
}

void fdb_rearm(FdbTable& t, uint64_t now_ms) {
    bool automatic = t.trigger_mode == SDK_FDB_TRIGGER_AUTO && t.actions_enabled;
    t.next_pass_ms = automatic ? now_ms + uint64_t{t.aging_timeout} * 1000 : 0;
}

void fdb_trigger(Locked d, uint32_t mode) {
    FdbTable& t = d->fdb;
    t.action_pending = true;
    t.pending_mode = mode;
    t.action_done_us = clock_us() + (uint64_t{t.size()} * kWalkNsPerSlot + 999) / 1000;
}

void fdb_trigger_finish(Locked d) {
    FdbTable& t = d->fdb;
    if (!t.action_pending || t.action_stalled || clock_us() < t.action_done_us) return;
    t.action_pending = false;
    fdb_walk(d, t.pending_mode);
}

void fdb_trigger_abort(FdbTable& t) {
    t.action_pending = false;
}

void fdb_catch_up(Locked d, uint64_t now_ms) {
    FdbTable& t = d->fdb;
    if (t.action_pending) fdb_trigger_finish(d);
    if (t.trigger_mode != SDK_FDB_TRIGGER_AUTO || !t.actions_enabled) {
        t.next_pass_ms = 0;
        return;
    }
    if (t.next_pass_ms == 0) {
        fdb_rearm(t, now_ms);
        return;
    }
    if (now_ms < t.next_pass_ms) return;
    uint64_t period = uint64_t{t.aging_timeout} * 1000;
    uint64_t due = (now_ms - t.next_pass_ms) / period + 1;
    // Two passes take every unrefreshed dynamic entry; more would only repeat messages.
    for (uint64_t i = 0; i < std::min<uint64_t>(due, 2); ++i)
        fdb_walk(d, t.action_mode);
    t.next_pass_ms += due * period;
}

FdbStats fdb_stats(uint8_t dev) {
    return on_device(dev, FdbStats{}, [](Locked d) {
        fdb_catch_up(d, clock_ms());
        return FdbStats{fdb_count(d->fdb), d->fdb.learn_full, d->fdb.au_lost, d->fdb.breach_lost};
    });
}

void set_fdb_action_stall(uint8_t dev, bool stall) {
    on_device(dev, false, [&](Locked d) {
        FdbTable& t = d->fdb;
        t.action_stalled = stall;
        fdb_trigger_finish(d);
        return true;
    });
}

std::vector<AuMessage> au_messages(uint8_t dev) {
    return on_device(dev, std::vector<AuMessage>{}, [](Locked d) { return d->fdb.au_queue; });
}

}  // namespace chipsim
