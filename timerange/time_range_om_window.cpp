// Window operations: the absolute window and the packed, sorted periodic windows.
#include <cstring>

#include "timerange/time_range_om_table.h"

using namespace time_range_om;

namespace {

// Windows are ordered by their 8 bytes compared as unsigned bytes, first byte first.
int compare(const TIME_RANGE_OM_Periodic_T& a, const TIME_RANGE_OM_Periodic_T& b) {
    return std::memcmp(&a, &b, sizeof a);
}

uint32_t used_slots(const TIME_RANGE_OM_Entry_T& e) {
    uint32_t n = 0;
    while (n < TIME_RANGE_OM_MAX_PERIODIC && e.periodic_valid[n])
        ++n;
    return n;
}

}  // namespace

uint32_t TIME_RANGE_OM_SetTimeRangeAbsolute(uint32_t index, uint32_t start_absent,
                                            uint32_t end_absent,
                                            const TIME_RANGE_OM_Absolute_T* start,
                                            const TIME_RANGE_OM_Absolute_T* end) {
    if (!index_ok(index)) return TIME_RANGE_OM_ERR_INVALID;
    if ((start_absent != 1 && !start) || (end_absent != 1 && !end))
        return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table() || !lock.table()->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = lock.table()->entry[index];
    if (start_absent == 1) {
        e.start_set = 0;
    } else {
        e.start = *start;
        e.start_set = 1;
    }
    if (end_absent == 1) {
        e.end_set = 0;
    } else {
        e.end = *end;
        e.end_set = 1;
    }
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_DestroyTimeRangeAbsolute(uint32_t index) {
    if (!index_ok(index)) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = lock.table()->entry[index];
    std::memset(&e.start, 0, sizeof e.start);
    std::memset(&e.end, 0, sizeof e.end);
    e.start_set = 0;
    e.end_set = 0;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(uint32_t index, uint32_t start_absent,
                                                   uint32_t end_absent,
                                                   const TIME_RANGE_OM_Absolute_T* start,
                                                   const TIME_RANGE_OM_Absolute_T* end) {
    if (!index_ok(index) || !start || !end) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    const TIME_RANGE_OM_Entry_T& e = lock.table()->entry[index];
    if (!e.valid) return TIME_RANGE_OM_ERR_INVALID;
    if (bool(e.start_set) != (start_absent == 0) || bool(e.end_set) != (end_absent == 0))
        return TIME_RANGE_OM_ERR_INVALID;
    if (e.start_set && uint32_t(e.start.word[0]) != uint32_t(start->word[0]))
        return TIME_RANGE_OM_ERR_INVALID;
    if (e.end_set && uint32_t(e.end.word[0]) != uint32_t(end->word[0]))
        return TIME_RANGE_OM_ERR_INVALID;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_SetTimeRangePeriodic(uint32_t index,
                                            const TIME_RANGE_OM_Periodic_T* window) {
    if (!index_ok(index) || !window) return TIME_RANGE_OM_ERR_INVALID;
    const TIME_RANGE_OM_Periodic_T w = *window;
    Locked lock;
    if (!lock.table() || !lock.table()->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = lock.table()->entry[index];
    const uint32_t used = used_slots(e);
    if (used == TIME_RANGE_OM_MAX_PERIODIC) return TIME_RANGE_OM_ERR_PERIODIC_FULL;
    uint32_t at = 0;
    while (at < used && compare(e.periodic[at], w) < 0)
        ++at;
    if (at < used && compare(e.periodic[at], w) == 0) return TIME_RANGE_OM_ERR_EXISTS;
    for (uint32_t i = used; i > at; --i)
        e.periodic[i] = e.periodic[i - 1];
    e.periodic[at] = w;
    e.periodic_valid[used] = 1;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_DestroyTimeRangePeriodic(uint32_t index,
                                                const TIME_RANGE_OM_Periodic_T* window) {
    if (!index_ok(index) || !window) return TIME_RANGE_OM_ERR_INVALID;
    const TIME_RANGE_OM_Periodic_T w = *window;
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = lock.table()->entry[index];
    const uint32_t used = used_slots(e);
    for (uint32_t at = 0; at < used; ++at) {
        if (compare(e.periodic[at], w) != 0) continue;
        for (uint32_t i = at; i + 1 < used; ++i)
            e.periodic[i] = e.periodic[i + 1];
        std::memset(&e.periodic[used - 1], 0, sizeof e.periodic[0]);
        e.periodic_valid[used - 1] = 0;
        break;
    }
    return TIME_RANGE_OM_OK;
}
