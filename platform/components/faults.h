// Overrides for the answers of platform components, so that tests can drive the callers'
// failure paths: a test sets them in-process, and a daemon takes them from the environment
// variable DRIVER_PROC_PLATFORM_FAULTS ("NAME=VALUE,NAME=VALUE", NAME the operation's name).
#pragma once

#include <cstdint>
#include <string>

namespace faults {

// The overriding answer of operation `name`, or `normal` when none is set.
int64_t answer(const char* name, int64_t normal);
// True when any override is set (a cheap test for operations on a fast path).
bool any();
void set(const std::string& name, int64_t value);
void clear();

}  // namespace faults
