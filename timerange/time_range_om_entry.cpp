// Entry operations: create, name, delete, reference and read time ranges.
#include <cstdio>
#include <cstring>

#include "timerange/time_range_om_table.h"

using namespace time_range_om;

uint32_t TIME_RANGE_OM_CreateTimeRangeEntry(const char* name) {
    if (!name) return TIME_RANGE_OM_ERR_INVALID;
    const Name n = cut_name(name);
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t) return TIME_RANGE_OM_ERR_INVALID;
    if (find_by_name(t, n) >= 0) return TIME_RANGE_OM_ERR_EXISTS;
    for (auto& e : t->entry) {
        if (e.valid) continue;
        reset_entry(&e);
        store_name(&e, n);
        e.valid = 1;
        return TIME_RANGE_OM_OK;
    }
    return TIME_RANGE_OM_ERR_NO_FREE_ENTRY;
}

uint32_t TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(uint32_t index) {
    if (!index_ok(index)) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t || t->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    for (unsigned long number = 1; number <= TIME_RANGE_OM_MAX_ENTRIES; ++number) {
        char text[TIME_RANGE_OM_NAME_LEN + 1];
        std::snprintf(text, sizeof text, "%lu", number);
        const Name n = cut_name(text);
        if (find_by_name(t, n) >= 0) continue;
        TIME_RANGE_OM_Entry_T& e = t->entry[index];
        reset_entry(&e);
        store_name(&e, n);
        e.valid = 1;
        return TIME_RANGE_OM_OK;
    }
    return TIME_RANGE_OM_ERR_NO_MORE;
}

uint32_t TIME_RANGE_OM_MibSetTimeRangeEntryName(uint32_t index, const char* name) {
    if (!index_ok(index) || !name) return TIME_RANGE_OM_ERR_INVALID;
    const Name n = cut_name(name);
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t || !t->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    int holder = find_by_name(t, n);
    if (holder >= 0)
        return holder == static_cast<int>(index) ? TIME_RANGE_OM_OK : TIME_RANGE_OM_ERR_EXISTS;
    if (t->entry[index].ref_count != 0) return TIME_RANGE_OM_ERR_IN_USE;
    store_name(&t->entry[index], n);
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_DeleteTimeRangeEntry(uint32_t index) {
    if (!index_ok(index)) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = t->entry[index];
    if (e.ref_count != 0) return TIME_RANGE_OM_ERR_IN_USE;
    e.active = 0;
    e.valid = 0;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_RequestTimeRangeEntry(const char* name, uint32_t add, uint32_t* index) {
    if (!name || !index) return TIME_RANGE_OM_ERR_INVALID;
    const Name n = cut_name(name);
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t) return TIME_RANGE_OM_ERR_INVALID;
    int i = find_by_name(t, n);
    if (i < 0) return TIME_RANGE_OM_ERR_INVALID;
    TIME_RANGE_OM_Entry_T& e = t->entry[i];
    uint32_t refs = e.ref_count;
    if (add == 1)
        e.ref_count = refs + 1;
    else if (refs > 0)
        e.ref_count = refs - 1;
    *index = static_cast<uint32_t>(i);
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_GetTimeRangeEntryIndexByName(const char* name, uint32_t* index) {
    if (!name || !index) return TIME_RANGE_OM_ERR_INVALID;
    const Name n = cut_name(name);
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    int i = find_by_name(lock.table(), n);
    if (i < 0) return TIME_RANGE_OM_ERR_INVALID;
    *index = static_cast<uint32_t>(i);
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_IsTimeRangeEntryValid(uint32_t index) {
    if (!index_ok(index)) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table() || !lock.table()->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_IsTimeRangeEntryActive(uint32_t index, uint32_t* active) {
    if (!index_ok(index) || !active) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table()) return TIME_RANGE_OM_ERR_INVALID;
    *active = lock.table()->entry[index].active ? 1 : 0;
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_GetTimeRangeEntry(uint32_t index, TIME_RANGE_OM_Entry_T* entry) {
    if (!index_ok(index) || !entry) return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    if (!lock.table() || !lock.table()->entry[index].valid) return TIME_RANGE_OM_ERR_INVALID;
    std::memcpy(entry, &lock.table()->entry[index], sizeof *entry);
    return TIME_RANGE_OM_OK;
}

uint32_t TIME_RANGE_OM_GetNextTimeRangeEntry(int32_t* index, TIME_RANGE_OM_Entry_T* entry) {
    if (!index || !entry) return TIME_RANGE_OM_ERR_INVALID;
    const int32_t from = *index;
    if (from < -1 || from >= static_cast<int32_t>(TIME_RANGE_OM_MAX_ENTRIES))
        return TIME_RANGE_OM_ERR_INVALID;
    Locked lock;
    TIME_RANGE_OM_Table_T* t = lock.table();
    if (!t) return TIME_RANGE_OM_ERR_INVALID;
    for (int32_t i = from + 1; i < static_cast<int32_t>(TIME_RANGE_OM_MAX_ENTRIES); ++i) {
        if (!t->entry[i].valid) continue;
        std::memcpy(entry, &t->entry[i], sizeof *entry);
        *index = i;
        return TIME_RANGE_OM_OK;
    }
    return TIME_RANGE_OM_ERR_NO_MORE;
}
