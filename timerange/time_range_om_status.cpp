// Activity evaluation: which entries are active at the current time.
#include <cstring>

#include "timerange/time_range_om_table.h"

using namespace time_range_om;

namespace {

uint32_t seconds_of_day(uint32_t hour, uint32_t minute, uint32_t second) {
    return hour * 3600 + minute * 60 + second;
}

bool is_weekday(uint8_t day) {
    return day <= TIME_RANGE_DAY_SATURDAY;
}

// Whether a periodic window covers weekday w (0 Sunday .. 6 Saturday) at second of day t.
// Start times are inclusive and end times exclusive.
bool window_matches(const TIME_RANGE_OM_Periodic_T& p, uint32_t w, uint32_t t) {
    const uint32_t s = p.start_day;
    uint32_t e = p.end_day;
    const uint32_t a = seconds_of_day(p.start_hour, p.start_minute, p.start_second);
    const uint32_t b = seconds_of_day(p.end_hour, p.end_minute, p.end_second);
    const bool in_day_window = a <= t && t < b;
    switch (s) {
        case TIME_RANGE_DAY_DAILY:
            return in_day_window;
        case TIME_RANGE_DAY_WEEKDAYS:
            return w >= 1 && w <= 5 && in_day_window;
        case TIME_RANGE_DAY_WEEKEND:
            return (w == 0 || w == 6) && in_day_window;
        default:
            break;
    }
    // A single start weekday needs a single end weekday; anything else never matches.
    if (!is_weekday(p.start_day) || !is_weekday(p.end_day)) return false;
    if (s == e) {
        if (a < b) return w == e && in_day_window;
        if (a == b) return w == e;
        return !(w == e && b < t && t < a);  // all week but the gap from b to a
    }
    // From day s at a to day e at b, possibly across the end of the week.
    if (e < s) {
        e += 7;
        if (w < s) w += 7;
    }
    return (s < w && w < e) || (w == s && a <= t) || (w == e && t < b);
}

bool entry_active(const TIME_RANGE_OM_Entry_T& e, uint32_t w, uint32_t t, uint32_t now_abs) {
    if (e.start_set && uint32_t(e.start.word[0]) > now_abs) return false;
    if (e.end_set && uint32_t(e.end.word[0]) < now_abs) return false;
    const bool has_absolute = e.start_set || e.end_set;
    bool has_periodic = false;
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_PERIODIC; ++i) {
        if (!e.periodic_valid[i]) continue;
        if (window_matches(e.periodic[i], w, t)) return true;
        has_periodic = true;
    }
    return !has_periodic && has_absolute;
}

void set_bit(uint8_t* bitmap, uint32_t index) {
    bitmap[index / 8] |= static_cast<uint8_t>(0x80u >> (index % 8));
}

}  // namespace

bool TIME_RANGE_OM_UpdateEntryStatus(const TIME_RANGE_OM_CurrentTime_T* now, uint8_t* previous,
                                     uint8_t* active) {
    if (!now || !previous || !active) return false;
    const uint32_t w = now->weekday;
    const uint32_t t = seconds_of_day(now->hour, now->minute, now->second);
    const uint32_t now_abs = now->absolute;
    Locked lock;
    TIME_RANGE_OM_Table_T* table = lock.table();
    if (!table) return false;
    std::memset(previous, 0, TIME_RANGE_OM_BITMAP_SIZE);
    std::memset(active, 0, TIME_RANGE_OM_BITMAP_SIZE);
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_ENTRIES; ++i) {
        TIME_RANGE_OM_Entry_T& e = table->entry[i];
        if (!e.valid) continue;
        if (e.active) set_bit(previous, i);
        e.active = entry_active(e, w, t, now_abs) ? 1 : 0;
        if (e.active) set_bit(active, i);
    }
    // The update count skips 0, which stays the mark of a table never updated.
    const uint32_t count = uint32_t(table->header) + 1;
    table->header = count == 0 ? 1 : count;
    return true;
}

bool TIME_RANGE_OM_BitmapHas(const uint8_t* bitmap, uint32_t index) {
    return bitmap && index < TIME_RANGE_OM_MAX_ENTRIES &&
           (bitmap[index / 8] & (0x80u >> (index % 8))) != 0;
}
