// The owner of the clock for the time range table: a platform component that brings
// shared-memory segment 45 up and keeps the entries' active flags live. On the virtual switch
// it runs in a process of its own ("TIME_RANGE_PROC"), started beside the driver process:
// the driver process exports the time-range operations but calls none of them.
//
// Its thread "TIME_RANGE" updates the table once a second from the host's local time
// (weekday and time of day for the periodic windows; seconds since the epoch, UTC, for the
// absolute bounds) and records every entry that turns active or inactive in the call log
// of component "TIME_RANGE" ("entry 3 'office' active", "entry 3 'office' inactive").
#pragma once

#include <ctime>

#include "timerange/time_range_om.h"

// Brings the table up and starts the thread, which updates the table at once and then
// every second. The order matters: TIME_RANGE_OM_Initiate_System_Resources first creates the
// semaphore (key 89), attaches the segment and resets the records; then
// TIME_RANGE_OM_InitiateSystemResources gets that semaphore and clears the header word.
// Needs the instance's control block. False (with a console line) on failure.
bool TIME_RANGE_CLOCK_Start();
// Starts the clock owner's own process, which runs TIME_RANGE_CLOCK_Start and lives until the
// calling thread ends; returns once the table is up. Call it while the caller is the only
// thread of its process. False (with a console line) when the process could not start it.
bool TIME_RANGE_CLOCK_StartProcess();
// Ends the thread and waits until it has gone (tests; a running switch never stops it).
void TIME_RANGE_CLOCK_Stop();

// The current-time record of moment t: local date, weekday and time of day, and t itself
// as the absolute time.
void TIME_RANGE_CLOCK_MakeCurrentTime(time_t t, TIME_RANGE_OM_CurrentTime_T* now);
// One update of the table at moment t, with its transitions recorded (what the thread does
// each second). False when the table is not attached.
bool TIME_RANGE_CLOCK_Update(time_t t);
