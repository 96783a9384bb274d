// Injected faults: the answer of any operation, platform or chip SDK, can be overridden by
// name, so that tests drive the callers' failure paths. A test arms them in-process; a daemon
// takes them from the environment variable DRIVER_PROC_PLATFORM_FAULTS
// ("NAME=VALUE,NAME=VALUE", NAME the operation's name; such faults last for ever).
//
// The path with no fault armed is one relaxed atomic load: operations on the frame path and
// on different chip devices never meet on a lock for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faults {

// The overriding answer of operation `name`, or `normal` when none is armed. An armed fault
// lets `skip` calls pass first, then answers `value` `count` times (0: for ever).
int64_t answer(const char* name, int64_t normal);
void set(const std::string& name, int64_t value, uint32_t count = 0, uint32_t skip = 0);
// Disarms one fault, or all of them.
void remove(const std::string& name);
// True when any fault is armed (a cheap test for operations on a fast path).
bool any();
void clear();
// Tests: while `calls` is set, the name of every operation that asks for its answer is
// appended to it, in call order (nullptr stops the recording).
void record(std::vector<std::string>* calls);

}  // namespace faults
