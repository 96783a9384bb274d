// TIME_RANGE_OM: the table of named time ranges in shared-memory segment 45. Any process of
// the instance that attaches (TIME_RANGE_OM_AttachSystemResources) sees and changes the same
// table; the shared semaphore with key 89 serialises every operation.
//
// A time range combines an optional absolute window (start and end moments, both inclusive)
// with up to 7 periodic windows (a day code and times of day). The owner of the clock calls
// TIME_RANGE_OM_UpdateEntryStatus with the current time; that recomputes every entry's
// active flag, which the other operations only read.
//
// Every record is laid out byte for byte and every multi-byte field is big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/common/byteorder.h"

constexpr uint32_t TIME_RANGE_OM_SHMEM_SEGMENT_ID = 45;
constexpr uint32_t TIME_RANGE_OM_SHMEM_SIZE = 6604;
constexpr uint32_t TIME_RANGE_OM_SEM_KEY = 89;

constexpr uint32_t TIME_RANGE_OM_MAX_ENTRIES = 50;
constexpr uint32_t TIME_RANGE_OM_MAX_PERIODIC = 7;
constexpr uint32_t TIME_RANGE_OM_NAME_LEN = 32;  // characters, without the NUL
constexpr uint32_t TIME_RANGE_OM_BITMAP_SIZE = 7;

// Result codes of the operations.
constexpr uint32_t TIME_RANGE_OM_OK = 0;
constexpr uint32_t TIME_RANGE_OM_ERR_INVALID = 1;  // bad index or argument, free entry, not found
constexpr uint32_t TIME_RANGE_OM_ERR_EXISTS = 2;   // name already used, or equal window present
constexpr uint32_t TIME_RANGE_OM_ERR_NO_FREE_ENTRY = 4;
constexpr uint32_t TIME_RANGE_OM_ERR_PERIODIC_FULL = 6;  // all 7 periodic slots used
constexpr uint32_t TIME_RANGE_OM_ERR_IN_USE = 8;         // reference count is not 0
constexpr uint32_t TIME_RANGE_OM_ERR_NO_MORE = 9;        // no further entry, no free default name

// Day codes of a periodic window.
constexpr uint8_t TIME_RANGE_DAY_SUNDAY = 0;  // 0..6: one weekday, Sunday to Saturday
constexpr uint8_t TIME_RANGE_DAY_SATURDAY = 6;
constexpr uint8_t TIME_RANGE_DAY_DAILY = 7;
constexpr uint8_t TIME_RANGE_DAY_WEEKDAYS = 8;  // Monday to Friday
constexpr uint8_t TIME_RANGE_DAY_WEEKEND = 9;   // Saturday and Sunday

// An absolute moment: three words, of which only the first is compared. The first word is
// the time in seconds since 1970-01-01T00:00:00 UTC (the system's real-time clock, as the
// clock owner reports it in TIME_RANGE_OM_CurrentTime_T::absolute); the other two are stored
// and never read (the tools write 0).
struct TIME_RANGE_OM_Absolute_T {
    be::U32 word[3];
};
static_assert(sizeof(TIME_RANGE_OM_Absolute_T) == 12);

// A periodic window: from start day and time to end day and time. The end day matters only
// when the start day is a single weekday (0..6).
struct TIME_RANGE_OM_Periodic_T {
    uint8_t start_day;
    uint8_t start_hour;
    uint8_t start_minute;
    uint8_t start_second;
    uint8_t end_day;
    uint8_t end_hour;
    uint8_t end_minute;
    uint8_t end_second;
};
static_assert(sizeof(TIME_RANGE_OM_Periodic_T) == 8);

// One time range (132 bytes).
struct TIME_RANGE_OM_Entry_T {
    be::U32 ref_count;  // users that requested the entry
    uint8_t valid;      // 1: in use, 0: free
    char name[TIME_RANGE_OM_NAME_LEN + 1];
    uint8_t pad1[2];
    TIME_RANGE_OM_Absolute_T start;
    TIME_RANGE_OM_Absolute_T end;
    TIME_RANGE_OM_Periodic_T periodic[TIME_RANGE_OM_MAX_PERIODIC];  // packed, ascending
    uint8_t start_set;
    uint8_t end_set;
    uint8_t periodic_valid[TIME_RANGE_OM_MAX_PERIODIC];
    uint8_t active;
    uint8_t pad2[2];
};
static_assert(sizeof(TIME_RANGE_OM_Entry_T) == 132);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, valid) == 4);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, name) == 5);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, start) == 40);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, end) == 52);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, periodic) == 64);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, start_set) == 120);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, end_set) == 121);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, periodic_valid) == 122);
static_assert(offsetof(TIME_RANGE_OM_Entry_T, active) == 129);
static_assert(alignof(TIME_RANGE_OM_Entry_T) == 1);

// The whole segment. The header word counts the status updates since the table was
// initialised (0: never updated), so readers can tell whether the active flags are live.
struct TIME_RANGE_OM_Table_T {
    be::U32 header;
    TIME_RANGE_OM_Entry_T entry[TIME_RANGE_OM_MAX_ENTRIES];
};
static_assert(sizeof(TIME_RANGE_OM_Table_T) == TIME_RANGE_OM_SHMEM_SIZE);
static_assert(offsetof(TIME_RANGE_OM_Table_T, entry) == 4);

// The current time handed to the update. The update reads weekday (0 Sunday .. 6 Saturday),
// hour, minute, second and absolute (same clock as TIME_RANGE_OM_Absolute_T::word[0]); the
// clock owner fills year, month (1..12) and day of month for the record's readers.
struct TIME_RANGE_OM_CurrentTime_T {
    be::U32 year;
    be::U32 month;
    be::U32 day;
    be::U32 weekday;
    be::U32 hour;
    be::U32 minute;
    be::U32 second;
    be::U32 absolute;
};
static_assert(sizeof(TIME_RANGE_OM_CurrentTime_T) == 32);

// ---- Initialisation and attachment ------------------------------------------------------
// The owner of the table calls these two, in this order, once at start:
// Creates the semaphore with key 89 (initial count 1), attaches segment 45 and resets all
// 50 records. False when the semaphore cannot be made or the segment cannot be attached.
bool TIME_RANGE_OM_Initiate_System_Resources();
// Attaches segment 45, gets the shared semaphore (key 89) and sets the header word to 0.
// False when either is missing.
bool TIME_RANGE_OM_InitiateSystemResources();
// Any other user of the table (another component or process): the same without touching
// the header word.
bool TIME_RANGE_OM_AttachSystemResources();
// Segment id 45 and size 6604 (either pointer may be null).
void TIME_RANGE_OM_GetShMemInfo(uint32_t* segment_id, uint32_t* size);

// ---- Entries ----------------------------------------------------------------------------
// Names longer than 32 characters are cut to their first 32 before they are stored or
// compared. A null name or out-pointer answers TIME_RANGE_OM_ERR_INVALID.
uint32_t TIME_RANGE_OM_CreateTimeRangeEntry(const char* name);
// Creates the entry at `index`, named with the lowest decimal number 1..50 no entry uses.
uint32_t TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(uint32_t index);
uint32_t TIME_RANGE_OM_MibSetTimeRangeEntryName(uint32_t index, const char* name);
uint32_t TIME_RANGE_OM_DeleteTimeRangeEntry(uint32_t index);
// add 1 takes a reference on the named entry, any other value releases one (never below 0).
uint32_t TIME_RANGE_OM_RequestTimeRangeEntry(const char* name, uint32_t add, uint32_t* index);
uint32_t TIME_RANGE_OM_GetTimeRangeEntryIndexByName(const char* name, uint32_t* index);
uint32_t TIME_RANGE_OM_IsTimeRangeEntryValid(uint32_t index);
uint32_t TIME_RANGE_OM_IsTimeRangeEntryActive(uint32_t index, uint32_t* active);
uint32_t TIME_RANGE_OM_GetTimeRangeEntry(uint32_t index, TIME_RANGE_OM_Entry_T* entry);
// *index -1 starts from the first entry; on success *index is the entry returned.
uint32_t TIME_RANGE_OM_GetNextTimeRangeEntry(int32_t* index, TIME_RANGE_OM_Entry_T* entry);
// The number of status updates since initialisation (the header word).
uint32_t TIME_RANGE_OM_GetUpdateCount(uint32_t* count);

// ---- Windows ----------------------------------------------------------------------------
// A bound whose absent flag is 1 is cleared; any other flag stores the bound and sets it
// (its pointer may then not be null).
uint32_t TIME_RANGE_OM_SetTimeRangeAbsolute(uint32_t index, uint32_t start_absent,
                                            uint32_t end_absent,
                                            const TIME_RANGE_OM_Absolute_T* start,
                                            const TIME_RANGE_OM_Absolute_T* end);
uint32_t TIME_RANGE_OM_DestroyTimeRangeAbsolute(uint32_t index);
// 0 when the entry's absolute window is exactly the one described, else 1.
uint32_t TIME_RANGE_OM_CheckTimeRangeAbsoluteEntry(uint32_t index, uint32_t start_absent,
                                                   uint32_t end_absent,
                                                   const TIME_RANGE_OM_Absolute_T* start,
                                                   const TIME_RANGE_OM_Absolute_T* end);
uint32_t TIME_RANGE_OM_SetTimeRangePeriodic(uint32_t index, const TIME_RANGE_OM_Periodic_T* window);
uint32_t TIME_RANGE_OM_DestroyTimeRangePeriodic(uint32_t index,
                                                const TIME_RANGE_OM_Periodic_T* window);

// ---- Status -----------------------------------------------------------------------------
// Recomputes the active flag of every valid entry at `now`. Entry i is bit (7 - i % 8) of
// byte i / 8 of the 7-byte bitmaps: `previous` gets the entries active before the update,
// `active` those active after it. False (and nothing changed) when an argument is missing
// or the table is not attached.
bool TIME_RANGE_OM_UpdateEntryStatus(const TIME_RANGE_OM_CurrentTime_T* now, uint8_t* previous,
                                     uint8_t* active);
// True when entry `index` is set in a 7-byte entry bitmap.
bool TIME_RANGE_OM_BitmapHas(const uint8_t* bitmap, uint32_t index);
