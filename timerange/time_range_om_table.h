// Internals of TIME_RANGE_OM shared by its source files: the attached table, the lock and
// record helpers.
#pragma once

#include <cstdint>

#include "timerange/time_range_om.h"

namespace time_range_om {

// Holds the table's semaphore while it lives. table() is null when this process has not
// attached the table or the semaphore could not be taken; the operation then answers
// TIME_RANGE_OM_ERR_INVALID and touches nothing.
class Locked {
  public:
    Locked();
    ~Locked();
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    TIME_RANGE_OM_Table_T* table() const { return table_; }

  private:
    TIME_RANGE_OM_Table_T* table_ = nullptr;
    uint32_t sem_ = 0;
};

// A name as it is stored: its first 32 characters, NUL-padded.
struct Name {
    char text[TIME_RANGE_OM_NAME_LEN + 1];
};
Name cut_name(const char* name);

inline bool index_ok(uint32_t index) {
    return index < TIME_RANGE_OM_MAX_ENTRIES;
}
// Clears every field, reference count included.
void reset_entry(TIME_RANGE_OM_Entry_T* e);
void store_name(TIME_RANGE_OM_Entry_T* e, const Name& name);
// Index of the valid entry with that name, or -1.
int find_by_name(const TIME_RANGE_OM_Table_T* t, const Name& name);

}  // namespace time_range_om
