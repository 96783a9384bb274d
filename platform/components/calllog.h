// The call record of the platform components. The firmware components that live outside the
// driver program (LAN, SWCTRL, AMTR, SYSDRV, LEDDRV, the client stubs, ...) are modelled as
// small components that record every call they receive here. The record is a shared-memory
// ring per component, so tests and `drvctl log COMPONENT` read it from another process.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace calllog {

constexpr int kComponents = 64;
constexpr int kRingEntries = 256;
constexpr int kTextLen = 112;

// Records one call received by `component`. Calls longer than kTextLen-1 are cut.
void record(const char* component, const char* text);
void recordf(const char* component, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Records a call as its numbers, put into its text when the record is read: `form`, a string
// that lives as long as the process (a literal), is the call's text with "%u" (decimal) or
// "%x" (hex) where each number goes, in order. For the
// paths that record every packet, where formatting a text per call costs more than the call.
// The form is kept in the shared segment (at most kForms of them), so a reader in another
// process formats it the same.
constexpr int kArgs = 8;
constexpr int kForms = 16;
void record_numbers(const char* component, const char* form, std::initializer_list<uint32_t> args);

struct Entry {
    uint64_t seq;  // 1 for the component's first call
    std::string text;
};
struct Component {
    std::string name;
    uint64_t calls;
};

// Components that received calls, with their call counts.
std::vector<Component> components();
// The most recent calls of a component, oldest first (at most kRingEntries).
std::vector<Entry> read(const std::string& component);
uint64_t count(const std::string& component);
// True when the component received a call whose text starts with `prefix`.
bool received(const std::string& component, const std::string& prefix);
// Forgets every record (the owner at start, tests).
void clear();

}  // namespace calllog
