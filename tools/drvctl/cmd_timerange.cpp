// drvctl timerange: lists, creates, changes and deletes the time ranges of the running
// instance. It attaches the table in shared memory and its semaphore through the time range
// library, as any other user of time ranges does; the switch's clock keeps the active flags.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/instance/instance.h"
#include "timerange/time_range_om.h"
#include "tools/drvctl/drvctl.h"

namespace drvctl {
namespace {

const char* const kDayNames[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
const char* const kLongDayNames[] = {"sunday",   "monday", "tuesday", "wednesday",
                                     "thursday", "friday", "saturday"};

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int fail(const std::string& what, uint32_t rc, const std::string& reason) {
    std::fprintf(stderr, "drvctl: timerange %s: %s (result %u)\n", what.c_str(), reason.c_str(),
                 rc);
    return kExitFailed;
}

// ---- Parsing ----------------------------------------------------------------------------

bool parse_day(const std::string& word, uint8_t* day) {
    const std::string w = lower(word);
    for (uint8_t d = 0; d < 7; ++d) {
        if (w == kDayNames[d] || w == kLongDayNames[d]) {
            *day = d;
            return true;
        }
    }
    if (w == "daily")
        *day = TIME_RANGE_DAY_DAILY;
    else if (w == "weekdays")
        *day = TIME_RANGE_DAY_WEEKDAYS;
    else if (w == "weekend")
        *day = TIME_RANGE_DAY_WEEKEND;
    else {
        uint32_t code;
        if (!parse_u32(word, &code) || code > 255) return false;
        *day = static_cast<uint8_t>(code);
    }
    return true;
}

// HH:MM:SS of a day; 24:00:00 stands for the end of the day.
bool parse_time_of_day(const std::string& word, uint8_t* h, uint8_t* m, uint8_t* s) {
    unsigned hh, mm, ss;
    int used = 0;
    if (std::sscanf(word.c_str(), "%2u:%2u:%2u%n", &hh, &mm, &ss, &used) != 3 ||
        static_cast<size_t>(used) != word.size())
        return false;
    if (!((hh < 24 && mm < 60 && ss < 60) || (hh == 24 && mm == 0 && ss == 0))) return false;
    *h = static_cast<uint8_t>(hh);
    *m = static_cast<uint8_t>(mm);
    *s = static_cast<uint8_t>(ss);
    return true;
}

// YYYY-MM-DDTHH:MM:SS in local time, or "now", as seconds since the epoch (the clock of the
// switch's absolute time).
bool parse_moment(const std::string& word, uint32_t* out) {
    if (word == "now") {
        *out = static_cast<uint32_t>(std::time(nullptr));
        return true;
    }
    struct tm tm {};
    int used = 0;
    if (std::sscanf(word.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &used) != 6 ||
        static_cast<size_t>(used) != word.size())
        return false;
    const struct tm asked = tm;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    time_t t = std::mktime(&tm);
    // mktime normalises 2024-02-30 into March: such dates are refused.
    if (t == static_cast<time_t>(-1) || tm.tm_mday != asked.tm_mday ||
        tm.tm_mon + 1 != asked.tm_mon || tm.tm_min != asked.tm_min || tm.tm_sec != asked.tm_sec)
        return false;
    if (t < 0 || static_cast<long long>(t) > 0xFFFFFFFFLL) return false;
    *out = static_cast<uint32_t>(t);
    return true;
}

// ---- Formatting -------------------------------------------------------------------------

std::string day_text(uint8_t day) {
    if (day <= TIME_RANGE_DAY_SATURDAY) return kDayNames[day];
    if (day == TIME_RANGE_DAY_DAILY) return "daily";
    if (day == TIME_RANGE_DAY_WEEKDAYS) return "weekdays";
    if (day == TIME_RANGE_DAY_WEEKEND) return "weekend";
    return "day" + std::to_string(day);
}

std::string clock_text(uint8_t h, uint8_t m, uint8_t s) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", h, m, s);
    return buf;
}

std::string window_text(const TIME_RANGE_OM_Periodic_T& p) {
    std::string from =
        day_text(p.start_day) + " " + clock_text(p.start_hour, p.start_minute, p.start_second);
    std::string to = clock_text(p.end_hour, p.end_minute, p.end_second);
    // The end day is part of the window only when it starts on a single weekday.
    if (p.start_day <= TIME_RANGE_DAY_SATURDAY) to = day_text(p.end_day) + " " + to;
    return from + " - " + to;
}

std::string moment_text(uint32_t absolute) {
    time_t t = static_cast<time_t>(absolute);
    struct tm local {};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

// Why a window can never be active, or "" when it can.
std::string never_active_reason(const TIME_RANGE_OM_Periodic_T& p) {
    if (p.start_day > TIME_RANGE_DAY_WEEKEND) return "its start day code is above 9";
    if (p.start_day >= TIME_RANGE_DAY_DAILY) {
        const uint32_t a = p.start_hour * 3600u + p.start_minute * 60u + p.start_second;
        const uint32_t b = p.end_hour * 3600u + p.end_minute * 60u + p.end_second;
        if (a >= b)
            return "a daily, weekdays or weekend window runs from its start to its end time "
                   "within one day, and this one's start is not before its end";
        return "";
    }
    if (p.end_day > TIME_RANGE_DAY_SATURDAY)
        return "a window that starts on one weekday must end on one weekday (sun..sat)";
    return "";
}

void print_entry(uint32_t index, const TIME_RANGE_OM_Entry_T& e) {
    std::printf("%5u  %-32.32s  %-6s  %u\n", index, e.name, e.active ? "yes" : "no",
                uint32_t(e.ref_count));
    if (e.start_set || e.end_set)
        std::printf("       absolute  from %s to %s\n",
                    e.start_set ? moment_text(e.start.word[0]).c_str() : "(any time)",
                    e.end_set ? moment_text(e.end.word[0]).c_str() : "(any time)");
    bool any_periodic = false;
    for (uint32_t i = 0; i < TIME_RANGE_OM_MAX_PERIODIC; ++i) {
        if (!e.periodic_valid[i]) continue;
        any_periodic = true;
        std::string reason = never_active_reason(e.periodic[i]);
        std::printf("       periodic  %s%s\n", window_text(e.periodic[i]).c_str(),
                    reason.empty() ? "" : "  (never matches)");
    }
    if (!any_periodic && !e.start_set && !e.end_set)
        std::printf("       no windows: never active\n");
}

// ---- Sub-commands -----------------------------------------------------------------------

// The entry a word names: the entry with that name, else (when the word is a number 0..49)
// the entry at that index.
bool resolve(const std::string& word, uint32_t* index, TIME_RANGE_OM_Entry_T* e) {
    if (TIME_RANGE_OM_GetTimeRangeEntryIndexByName(word.c_str(), index) == TIME_RANGE_OM_OK &&
        TIME_RANGE_OM_GetTimeRangeEntry(*index, e) == TIME_RANGE_OM_OK)
        return true;
    uint32_t n;
    if (parse_u32(word, &n) && TIME_RANGE_OM_GetTimeRangeEntry(n, e) == TIME_RANGE_OM_OK) {
        *index = n;
        return true;
    }
    std::fprintf(stderr, "drvctl: timerange: no time range \"%s\"\n", word.c_str());
    return false;
}

int do_list() {
    uint32_t updates = 0;
    TIME_RANGE_OM_GetUpdateCount(&updates);
    std::vector<std::pair<uint32_t, TIME_RANGE_OM_Entry_T>> entries;
    int32_t i = -1;
    TIME_RANGE_OM_Entry_T e;
    while (TIME_RANGE_OM_GetNextTimeRangeEntry(&i, &e) == TIME_RANGE_OM_OK)
        entries.emplace_back(static_cast<uint32_t>(i), e);
    std::printf("time ranges: %zu of %u in use; ", entries.size(), TIME_RANGE_OM_MAX_ENTRIES);
    if (updates == 0)
        std::printf("the table has not been updated yet, so no entry is active\n");
    else
        std::printf("active as of the clock's update %u\n", updates);
    if (entries.empty()) return kExitOk;
    std::printf("index  %-32s  active  refs\n", "name");
    for (const auto& [index, entry] : entries)
        print_entry(index, entry);
    return kExitOk;
}

int do_create(const std::vector<std::string>& w) {
    if (w.size() != 2) return usage_error("timerange create needs a NAME");
    uint32_t rc = TIME_RANGE_OM_CreateTimeRangeEntry(w[1].c_str());
    if (rc == TIME_RANGE_OM_ERR_EXISTS) return fail("create", rc, "the name is already used");
    if (rc == TIME_RANGE_OM_ERR_NO_FREE_ENTRY)
        return fail("create", rc, "all 50 time ranges are in use");
    if (rc != TIME_RANGE_OM_OK) return fail("create", rc, "refused");
    uint32_t index = 0;
    TIME_RANGE_OM_Entry_T e{};
    if (TIME_RANGE_OM_GetTimeRangeEntryIndexByName(w[1].c_str(), &index) == TIME_RANGE_OM_OK &&
        TIME_RANGE_OM_GetTimeRangeEntry(index, &e) == TIME_RANGE_OM_OK)
        std::printf("created time range %u \"%.32s\"%s\n", index, e.name,
                    w[1].size() > TIME_RANGE_OM_NAME_LEN ? " (name cut to 32 characters)" : "");
    return kExitOk;
}

int do_create_index(const std::vector<std::string>& w) {
    uint32_t index;
    if (w.size() != 2 || !parse_u32(w[1], &index) || index >= TIME_RANGE_OM_MAX_ENTRIES)
        return usage_error("timerange create-index needs an INDEX from 0 to 49");
    uint32_t rc = TIME_RANGE_OM_MibCreateEmptyTimeRangeEntry(index);
    if (rc == TIME_RANGE_OM_ERR_INVALID) return fail("create-index", rc, "that index is in use");
    if (rc != TIME_RANGE_OM_OK) return fail("create-index", rc, "no free default name");
    TIME_RANGE_OM_Entry_T e{};
    TIME_RANGE_OM_GetTimeRangeEntry(index, &e);
    std::printf("created time range %u \"%.32s\"\n", index, e.name);
    return kExitOk;
}

int do_delete(const std::vector<std::string>& w) {
    if (w.size() != 2) return usage_error("timerange delete needs an ENTRY");
    uint32_t index;
    TIME_RANGE_OM_Entry_T e;
    if (!resolve(w[1], &index, &e)) return kExitFailed;
    uint32_t rc = TIME_RANGE_OM_DeleteTimeRangeEntry(index);
    if (rc == TIME_RANGE_OM_ERR_IN_USE)
        return fail("delete", rc, std::to_string(uint32_t(e.ref_count)) + " users hold it");
    if (rc != TIME_RANGE_OM_OK) return fail("delete", rc, "refused");
    std::printf("deleted time range %u \"%.32s\"\n", index, e.name);
    return kExitOk;
}

int do_rename(const std::vector<std::string>& w) {
    if (w.size() != 3) return usage_error("timerange rename needs an ENTRY and a NEWNAME");
    uint32_t index;
    TIME_RANGE_OM_Entry_T e;
    if (!resolve(w[1], &index, &e)) return kExitFailed;
    uint32_t rc = TIME_RANGE_OM_MibSetTimeRangeEntryName(index, w[2].c_str());
    if (rc == TIME_RANGE_OM_ERR_EXISTS) return fail("rename", rc, "the name is already used");
    if (rc == TIME_RANGE_OM_ERR_IN_USE)
        return fail("rename", rc, std::to_string(uint32_t(e.ref_count)) + " users hold it");
    if (rc != TIME_RANGE_OM_OK) return fail("rename", rc, "refused");
    TIME_RANGE_OM_GetTimeRangeEntry(index, &e);
    std::printf("time range %u is now \"%.32s\"\n", index, e.name);
    return kExitOk;
}

int do_absolute(const std::vector<std::string>& w) {
    if (w.size() < 2) return usage_error("timerange absolute needs an ENTRY");
    bool has_start = false, has_end = false;
    uint32_t start = 0, end = 0;
    for (size_t i = 2; i < w.size(); i += 2) {
        if (i + 1 >= w.size() || (w[i] != "--start" && w[i] != "--end"))
            return usage_error("timerange absolute takes --start T and --end T");
        bool is_start = w[i] == "--start";
        if (!parse_moment(w[i + 1], is_start ? &start : &end))
            return usage_error("bad moment \"" + w[i + 1] + "\" (YYYY-MM-DDTHH:MM:SS or now)");
        (is_start ? has_start : has_end) = true;
    }
    uint32_t index;
    TIME_RANGE_OM_Entry_T e;
    if (!resolve(w[1], &index, &e)) return kExitFailed;
    uint32_t rc;
    if (!has_start && !has_end) {
        rc = TIME_RANGE_OM_DestroyTimeRangeAbsolute(index);
    } else {
        TIME_RANGE_OM_Absolute_T s{}, t{};
        s.word[0] = start;
        t.word[0] = end;
        rc = TIME_RANGE_OM_SetTimeRangeAbsolute(index, has_start ? 0 : 1, has_end ? 0 : 1, &s, &t);
    }
    if (rc != TIME_RANGE_OM_OK) return fail("absolute", rc, "refused");
    TIME_RANGE_OM_GetTimeRangeEntry(index, &e);
    print_entry(index, e);
    return kExitOk;
}

int do_periodic(const std::vector<std::string>& w) {
    // ENTRY add|del DAY HH:MM:SS DAY HH:MM:SS; a daily, weekdays or weekend window may leave
    // out its end day (it does not matter for them).
    if ((w.size() != 6 && w.size() != 7) || (w[2] != "add" && w[2] != "del"))
        return usage_error("timerange periodic needs ENTRY add|del DAY HH:MM:SS [DAY] HH:MM:SS");
    TIME_RANGE_OM_Periodic_T p{};
    const bool short_form = w.size() == 6;
    const std::string& end_time = short_form ? w[5] : w[6];
    if (!parse_day(w[3], &p.start_day) || (!short_form && !parse_day(w[5], &p.end_day)))
        return usage_error("bad DAY (sun..sat, daily, weekdays, weekend or a code 0-255)");
    if (short_form) {
        if (p.start_day <= TIME_RANGE_DAY_SATURDAY)
            return usage_error("a window that starts on one weekday needs its end DAY");
        p.end_day = p.start_day;
    }
    if (!parse_time_of_day(w[4], &p.start_hour, &p.start_minute, &p.start_second) ||
        !parse_time_of_day(end_time, &p.end_hour, &p.end_minute, &p.end_second))
        return usage_error("bad time of day (HH:MM:SS, or 24:00:00 for the end of the day)");
    uint32_t index;
    TIME_RANGE_OM_Entry_T e;
    if (!resolve(w[1], &index, &e)) return kExitFailed;
    const bool add = w[2] == "add";
    uint32_t rc = add ? TIME_RANGE_OM_SetTimeRangePeriodic(index, &p)
                      : TIME_RANGE_OM_DestroyTimeRangePeriodic(index, &p);
    if (rc == TIME_RANGE_OM_ERR_PERIODIC_FULL)
        return fail("periodic", rc, "all 7 periodic windows are in use");
    if (rc == TIME_RANGE_OM_ERR_EXISTS) return fail("periodic", rc, "that window is already there");
    if (rc != TIME_RANGE_OM_OK) return fail("periodic", rc, "refused");
    if (add) {
        std::string reason = never_active_reason(p);
        if (!reason.empty())
            std::fprintf(stderr, "drvctl: note: window %s never matches: %s\n",
                         window_text(p).c_str(), reason.c_str());
    }
    TIME_RANGE_OM_GetTimeRangeEntry(index, &e);
    print_entry(index, e);
    return kExitOk;
}

// hold / release: take or drop a reference, as a component using the entry does.
int do_reference(const std::vector<std::string>& w, bool hold) {
    if (w.size() != 2) return usage_error("timerange hold|release needs an ENTRY");
    uint32_t index;
    TIME_RANGE_OM_Entry_T e;
    if (!resolve(w[1], &index, &e)) return kExitFailed;
    uint32_t rc = TIME_RANGE_OM_RequestTimeRangeEntry(e.name, hold ? 1 : 0, &index);
    if (rc != TIME_RANGE_OM_OK) return fail(hold ? "hold" : "release", rc, "refused");
    TIME_RANGE_OM_GetTimeRangeEntry(index, &e);
    std::printf("time range %u \"%.32s\": %u users\n", index, e.name, uint32_t(e.ref_count));
    return kExitOk;
}

}  // namespace

int cmd_timerange(Args& args) {
    const std::vector<std::string>& w = args.words;
    if (w.empty()) return usage_error("timerange needs a sub-command");
    const std::string& sub = w[0];
    if (sub != "list" && sub != "create" && sub != "create-index" && sub != "delete" &&
        sub != "rename" && sub != "absolute" && sub != "periodic" && sub != "hold" &&
        sub != "release")
        return usage_error("unknown timerange sub-command \"" + sub + "\"");
    if (!attach_instance()) return kExitNoResponse;
    if (!TIME_RANGE_OM_AttachSystemResources()) {
        std::fprintf(stderr,
                     "drvctl: instance %d has no time range table (its clock has not started)\n",
                     instance::id());
        return kExitFailed;
    }
    if (sub == "list") {
        if (w.size() != 1) return usage_error("timerange list takes no arguments");
        return do_list();
    }
    if (sub == "create") return do_create(w);
    if (sub == "create-index") return do_create_index(w);
    if (sub == "delete") return do_delete(w);
    if (sub == "rename") return do_rename(w);
    if (sub == "absolute") return do_absolute(w);
    if (sub == "periodic") return do_periodic(w);
    return do_reference(w, sub == "hold");
}

}  // namespace drvctl
