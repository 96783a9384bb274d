// drvctl counters: the ports' statistics as the counters driver (module 125) reports them, in
// the interface table's shape or as RMON Ethernet statistics, cleared on request, or watched
// as rates per second.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "drivers/nmtrdrv/dev_nmtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = nmtrdrv::subcmd;

struct Column {
    const char* name;
    uint32_t offset;  // in the record
};

// The interface table (code 3), as a network engineer reads it.
const Column kIfColumns[] = {
    {"InOctets", 0},   {"InUcast", 8},   {"InNUcast", 16},  {"InDiscards", 24}, {"InErrors", 32},
    {"OutOctets", 48}, {"OutUcast", 56}, {"OutNUcast", 64}, {"OutErrors", 80},
};
// The high-capacity counters (code 4), Ethernet-like statistics (code 6), pause (code 7).
const Column kHcColumns[] = {
    {"HCInOctets", 32},  {"HCInUcast", 40},  {"HCInMcast", 48},  {"HCInBcast", 56},
    {"HCOutOctets", 64}, {"HCOutUcast", 72}, {"HCOutMcast", 80}, {"HCOutBcast", 88},
};
const Column kEtherLikeColumns[] = {
    {"FCSErrors", 8},       {"SingleCollisions", 16},    {"DeferredTransmissions", 40},
    {"LateCollisions", 48}, {"ExcessiveCollisions", 56}, {"InternalMacTxErrors", 64},
    {"FrameTooLongs", 80},  {"InternalMacRxErrors", 88},
};
const Column kPauseColumns[] = {{"InPauseFrames", 8}, {"OutPauseFrames", 16}};
const Column kRmonColumns[] = {
    {"DropEvents", 0},       {"Octets", 8},          {"Pkts", 16},          {"BroadcastPkts", 24},
    {"MulticastPkts", 32},   {"CRCAlignErrors", 40}, {"UndersizePkts", 48}, {"OversizePkts", 56},
    {"Fragments", 64},       {"Jabbers", 72},        {"Collisions", 80},    {"Pkts64", 88},
    {"Pkts65to127", 96},     {"Pkts128to255", 104},  {"Pkts256to511", 112}, {"Pkts512to1023", 120},
    {"Pkts1024to1518", 128},
};

// A module-125 request for (unit, port); the record (from payload offset 8) on TRUE.
// kExitFailed when the driver answered FALSE.
int ask(Args& args, uint32_t code, const LogicalPort& lp, std::vector<uint8_t>* record) {
    Response resp;
    int rc = request(args.queue_key, cmd::kModule, words_payload({code, 0, lp.unit, lp.port}),
                     args.timeout_ms, &resp);
    if (rc != kExitOk) return rc;
    if (resp.result() != 1) return kExitFailed;
    if (record) {
        size_t from = std::min<size_t>(cmd::kRecordOffset, resp.payload.size());
        record->assign(resp.payload.begin() + static_cast<long>(from), resp.payload.end());
        record->resize(std::max<size_t>(record->size(), 256), 0);
    }
    return kExitOk;
}

uint64_t field(const std::vector<uint8_t>& rec, uint32_t offset) {
    return uint64_t{be::get32(rec.data() + offset)} << 32 | be::get32(rec.data() + offset + 4);
}

template <size_t N>
void print_fields(const std::vector<uint8_t>& rec, const Column (&cols)[N]) {
    for (const Column& c : cols)
        std::printf("  %-22s %" PRIu64 "\n", c.name, field(rec, c.offset));
}

template <size_t N>
void print_header(const Column (&cols)[N]) {
    std::printf("%-5s", "Port");
    for (const Column& c : cols)
        std::printf(" %14s", c.name);
    std::printf("\n");
}

template <size_t N>
void print_row(const LogicalPort& lp, const std::vector<uint8_t>& rec, const Column (&cols)[N]) {
    std::printf("%-5u", lp.port);
    for (const Column& c : cols)
        std::printf(" %14" PRIu64, field(rec, c.offset));
    std::printf("\n");
}

// One port in full: every record the driver gives.
int show_port(Args& args, const LogicalPort& lp, bool rmon) {
    std::vector<uint8_t> rec;
    struct Part {
        uint32_t code;
        const char* title;
        const Column* cols;
        size_t n;
    };
    std::vector<Part> parts;
    if (rmon)
        parts = {{cmd::kGetRmonStats, "RMON Ethernet statistics", kRmonColumns,
                  std::size(kRmonColumns)}};
    else
        parts = {
            {cmd::kGetIfStats, "Interface counters", kIfColumns, std::size(kIfColumns)},
            {cmd::kGetIfXStats, "High-capacity counters", kHcColumns, std::size(kHcColumns)},
            {cmd::kGetEtherLikeStats, "Ethernet-like statistics", kEtherLikeColumns,
             std::size(kEtherLikeColumns)},
            {cmd::kGetPauseStats, "Pause frames", kPauseColumns, std::size(kPauseColumns)},
        };
    std::printf("Port %u/%u\n", lp.unit, lp.port);
    for (const Part& part : parts) {
        if (int rc = ask(args, part.code, lp, &rec)) {
            if (rc == kExitFailed)
                std::fprintf(stderr, "drvctl: counters: port %u/%u has no counters\n", lp.unit,
                             lp.port);
            return rc;
        }
        std::printf(" %s\n", part.title);
        for (size_t i = 0; i < part.n; ++i)
            std::printf("  %-22s %" PRIu64 "\n", part.cols[i].name,
                        field(rec, part.cols[i].offset));
    }
    return kExitOk;
}

std::vector<LogicalPort> all_ports(uint32_t unit) {
    std::vector<LogicalPort> out;
    for (uint32_t p = 1; p <= 16; ++p)
        out.push_back({unit, p});
    return out;
}

// Every port as one table; ports the driver has no counters for are left out.
int show_table(Args& args, const std::vector<LogicalPort>& ports, bool rmon) {
    rmon ? print_header(kRmonColumns) : print_header(kIfColumns);
    std::vector<uint8_t> rec;
    for (const LogicalPort& lp : ports) {
        int rc = ask(args, rmon ? cmd::kGetRmonStats : cmd::kGetIfStats, lp, &rec);
        if (rc == kExitFailed) continue;
        if (rc) return rc;
        rmon ? print_row(lp, rec, kRmonColumns) : print_row(lp, rec, kIfColumns);
    }
    return kExitOk;
}

// Rates per second of the interface counters, one line per port and second.
int watch(Args& args, const std::vector<LogicalPort>& ports, uint32_t seconds) {
    std::vector<std::vector<uint8_t>> last(ports.size());
    for (size_t i = 0; i < ports.size(); ++i)
        if (int rc = ask(args, cmd::kGetIfStats, ports[i], &last[i]); rc && rc != kExitFailed)
            return rc;
    std::printf("%-5s %14s %14s %14s %14s %14s %14s %14s\n", "Port", "InBits/s", "InPkts/s",
                "InErrors/s", "OutBits/s", "OutPkts/s", "OutErrors/s", "InDiscards/s");
    auto start = std::chrono::steady_clock::now();
    for (uint32_t s = 1; seconds == 0 || s <= seconds; ++s) {
        std::this_thread::sleep_until(start + std::chrono::seconds(s));
        for (size_t i = 0; i < ports.size(); ++i) {
            std::vector<uint8_t> now;
            int rc = ask(args, cmd::kGetIfStats, ports[i], &now);
            if (rc == kExitFailed || last[i].empty()) continue;
            if (rc) return rc;
            auto d = [&](uint32_t off) { return field(now, off) - field(last[i], off); };
            std::printf("%-5u %14" PRIu64 " %14" PRIu64 " %14" PRIu64 " %14" PRIu64 " %14" PRIu64
                        " %14" PRIu64 " %14" PRIu64 "\n",
                        ports[i].port, 8 * d(0), d(8) + d(16), d(32), 8 * d(48), d(56) + d(64),
                        d(80), d(24));
            last[i] = std::move(now);
        }
        std::fflush(stdout);
    }
    return kExitOk;
}

}  // namespace

int cmd_counters(Args& args) {
    bool rmon = false, clear = false, watching = false, have_port = false;
    uint32_t seconds = 0;
    LogicalPort lp;
    const std::vector<std::string>& w = args.words;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] == "--rmon")
            rmon = true;
        else if (w[i] == "--clear")
            clear = true;
        else if (w[i] == "--watch")
            watching = true;
        else if (w[i] == "--seconds" && i + 1 < w.size()) {
            if (!parse_u32(w[++i], &seconds) || seconds == 0)
                return usage_error("--seconds takes a number of seconds from 1");
        } else if (!have_port && parse_port(w[i], &lp))
            have_port = true;
        else
            return usage_error("unexpected " + w[i]);
    }
    if (clear + watching + rmon > 1) return usage_error("--clear, --watch and --rmon go alone");
    if (seconds && !watching) return usage_error("--seconds goes with --watch");
    if (clear) {
        int rc = have_port ? ask(args, cmd::kClearPortCounter, lp, nullptr)
                           : ask(args, cmd::kClearAllCounters, lp, nullptr);
        if (rc == kExitFailed)
            std::fprintf(stderr, "drvctl: counters: the driver could not clear %s\n",
                         have_port ? "the port's counters" : "every port's counters");
        return rc;
    }
    std::vector<LogicalPort> ports = have_port ? std::vector<LogicalPort>{lp} : all_ports(1);
    if (watching) return watch(args, ports, seconds);
    if (have_port) return show_port(args, lp, rmon);
    return show_table(args, ports, rmon);
}

}  // namespace drvctl
