// Frames through the simulated chip, over the simulation-control queue: injecting a frame
// (hex or a pcap file) at a front port, capturing what ports send to a pcap file, the
// per-port frame counters and the CPU queue, the chip's MAC address table, and the model's
// clock that drives ageing.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/common/byteorder.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/simctl/simctl.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/sdk_fdb.h"
#include "sdk/simproto/drops.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace sc = chipsim::simcmd;

constexpr uint32_t kMaxPort = 16;
constexpr uint32_t kInlineFrame = simctl::kMaxPayload - 8;

volatile sig_atomic_t g_stop = 0;
void on_signal(int) {
    g_stop = 1;
}

// A simulation-control request with a byte payload; kExitFailed when it was refused.
int sim(Args& args, uint16_t cmd, const std::vector<uint8_t>& payload, Response* resp) {
    int rc = request(simctl::kQueueKey, cmd, payload, args.timeout_ms, resp);
    if (rc != kExitOk) return rc;
    if (resp->result() != 1) {
        std::fprintf(stderr, "drvctl: the simulation refused the request\n");
        return kExitFailed;
    }
    return kExitOk;
}

uint64_t get64(const uint8_t* p) {
    return uint64_t{be::get32(p)} << 32 | be::get32(p + 4);
}

bool parse_port(const std::string& text, uint32_t* port) {
    return parse_u32(text, port) && *port >= 1 && *port <= kMaxPort;
}

// "1,3-5,cpu" or "all": a front-port bitmap (bit p-1) and whether the CPU is wanted.
bool parse_ports(const std::string& text, uint32_t* bitmap, bool* cpu) {
    *bitmap = 0;
    *cpu = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        std::string item = text.substr(pos, comma == std::string::npos ? comma : comma - pos);
        size_t dash = item.find('-');
        uint32_t lo, hi;
        if (item == "cpu") {
            *cpu = true;
        } else if (item == "all") {
            *bitmap |= (1u << kMaxPort) - 1;
        } else if (dash != std::string::npos) {
            if (!parse_port(item.substr(0, dash), &lo) || !parse_port(item.substr(dash + 1), &hi) ||
                lo > hi)
                return false;
            for (uint32_t p = lo; p <= hi; ++p)
                *bitmap |= 1u << (p - 1);
        } else {
            if (!parse_port(item, &lo)) return false;
            *bitmap |= 1u << (lo - 1);
        }
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return *bitmap || *cpu;
}

// Hex digits with optional separators (blanks, ':', '-', '.').
bool parse_hex(const std::vector<std::string>& words, size_t from, std::vector<uint8_t>* out) {
    std::string digits;
    for (size_t i = from; i < words.size(); ++i)
        for (char c : words[i]) {
            if (c == ':' || c == '-' || c == '.' || c == ' ') continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            digits.push_back(c);
        }
    if (digits.empty() || digits.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < digits.size(); i += 2)
        out->push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

std::string port_name(uint8_t front) {
    if (front == 0) return "cpu";
    if (front == sc::kNoFrontPort) return "internal";
    return std::to_string(front);
}

std::string mac_text(const uint8_t* m) {
    char b[18];
    std::snprintf(b, sizeof b, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return b;
}

// Injects one frame: inline when it fits a message, through the shared IPC pool otherwise.
int inject_one(Args& args, uint32_t port, const std::vector<uint8_t>& frame) {
    Response resp;
    int rc;
    if (frame.size() <= kInlineFrame) {
        std::vector<uint8_t> payload = words_payload({port, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        rc = sim(args, sc::kInject, payload, &resp);
    } else {
        if (!attach_instance()) return kExitNoResponse;
        void* buf = L_IPCMEM_Allocate(static_cast<uint32_t>(frame.size()));
        if (!buf) {
            std::fprintf(stderr, "drvctl: no room for a frame of %zu bytes in the IPC pool\n",
                         frame.size());
            return kExitFailed;
        }
        std::memcpy(buf, frame.data(), frame.size());
        rc =
            sim(args, sc::kInjectIpc,
                words_payload({port, static_cast<uint32_t>(frame.size()), L_IPCMEM_GetOffset(buf)}),
                &resp);
        L_IPCMEM_Free(buf);
    }
    if (rc != kExitOk) return rc;
    auto drop = static_cast<simproto::Drop>(resp.word(1));
    uint32_t vid = resp.word(2), flags = resp.word(3), code = resp.word(4), n = resp.word(5);
    std::string where;
    for (uint32_t i = 0; i < n && 24 + i < resp.payload.size(); ++i)
        where += (i ? "," : "") + port_name(resp.payload[24 + i]);
    if (flags & sc::kInjectFlagToCpu)
        where +=
            (where.empty() ? "" : " and ") + std::string("cpu (code ") + std::to_string(code) + ")";
    std::printf("port %u: %zu bytes", port & ~sc::kInjectBadFcs, frame.size());
    if (where.empty())
        std::printf(" dropped (%s)", simproto::drop_name(drop));
    else
        std::printf(" -> %s", where.c_str());
    if (vid) std::printf(", VLAN %u", vid);
    if (flags & sc::kInjectFlagFlooded) std::printf(", flooded");
    if (flags & sc::kInjectFlagLearned) std::printf(", source learned");
    std::printf("\n");
    return kExitOk;
}

// Reads the oldest captured frame whole; false when none is waiting.
bool read_captured(Args& args, pcap::Record* rec, uint8_t* front, int* rc) {
    Response resp;
    uint32_t got = 0, len = 0;
    rec->bytes.clear();
    do {
        if ((*rc = sim(args, sc::kCaptureRead, words_payload({got}), &resp)) != kExitOk)
            return false;
        if (resp.word(1) == 0) return false;
        *front = static_cast<uint8_t>(resp.word(2));
        rec->time_ns = uint64_t{resp.word(3)} * 1000000000u + resp.word(4);
        len = resp.word(5);
        size_t from = 4 + sc::kCaptureHeader;
        if (resp.payload.size() <= from && len > got) return false;  // the frame vanished
        rec->bytes.insert(rec->bytes.end(), resp.payload.begin() + static_cast<long>(from),
                          resp.payload.end());
        got = static_cast<uint32_t>(rec->bytes.size());
    } while (got < len);
    rec->orig_len = len;
    return true;
}

struct CaptureFile {
    pcap::Writer writer;
    std::vector<uint8_t> iface_of;  // interface index by front port (0: the CPU)
    uint32_t frames = 0;
};

bool open_capture(const std::string& path, uint32_t bitmap, bool cpu, CaptureFile* f) {
    std::vector<std::string> names;
    f->iface_of.assign(kMaxPort + 1, 0);
    for (uint32_t p = 1; p <= kMaxPort; ++p) {
        if (!(bitmap >> (p - 1) & 1)) continue;
        f->iface_of[p] = static_cast<uint8_t>(names.size());
        names.push_back("port" + std::to_string(p));
    }
    if (cpu || names.empty()) {
        f->iface_of[0] = static_cast<uint8_t>(names.size());
        names.push_back("cpu");
    }
    std::string error;
    if (!f->writer.open(path, names, &error)) {
        std::fprintf(stderr, "drvctl: %s\n", error.c_str());
        return false;
    }
    return true;
}

// Moves every captured frame waiting in the switch to the file (at most `limit` in all).
int drain(Args& args, CaptureFile* f, uint32_t limit) {
    pcap::Record rec;
    uint8_t front = 0;
    int rc = kExitOk;
    while (f->frames < limit && read_captured(args, &rec, &front, &rc)) {
        rec.interface = front <= kMaxPort ? f->iface_of[front] : 0;
        f->writer.write(rec);
        ++f->frames;
        const uint8_t* b = rec.bytes.data();
        std::printf("%-4s %5zu bytes  %s > %s", port_name(front).c_str(), rec.bytes.size(),
                    rec.bytes.size() >= 12 ? mac_text(b + 6).c_str() : "?",
                    rec.bytes.size() >= 12 ? mac_text(b).c_str() : "?");
        if (rec.bytes.size() >= 16 && b[12] == 0x81 && b[13] == 0x00)
            std::printf("  vlan %u", (b[14] << 8 | b[15]) & 0xFFF);
        std::printf("\n");
    }
    std::fflush(stdout);
    return rc;
}

int capture_live(Args& args, uint32_t bitmap, bool cpu, const std::string& out, uint32_t count,
                 uint32_t seconds) {
    CaptureFile f;
    if (!open_capture(out, bitmap, cpu, &f)) return kExitFailed;
    Response resp;
    if (int rc = sim(args, sc::kCaptureStart, words_payload({bitmap, cpu ? 1u : 0u}), &resp))
        return rc;
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int rc = kExitOk;
    while (!g_stop && f.frames < count && (!seconds || std::chrono::steady_clock::now() < end)) {
        if ((rc = drain(args, &f, count)) != kExitOk) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int stop_rc = sim(args, sc::kCaptureStop, {}, &resp);
    if (rc == kExitOk) rc = drain(args, &f, count);
    f.writer.close();
    std::printf("%u frames captured to %s\n", f.frames, out.c_str());
    return rc != kExitOk ? rc : stop_rc;
}

void show_counters(const Response& resp) {
    uint32_t n = resp.word(1), reasons = resp.word(2);
    uint32_t rec = sc::kCounterRecordHeader + reasons * 8;
    std::printf(
        "port  dev/port  rx frames   rx bytes  tx frames   tx bytes  to cpu  captured  "
        "dropped\n");
    std::string details;
    for (uint32_t i = 0; i < n; ++i) {
        size_t at = 12 + size_t{i} * rec;
        if (at + rec > resp.payload.size()) break;
        const uint8_t* r = resp.payload.data() + at;
        if (r[0] == sc::kNoFrontPort && !get64(r + 4) && !get64(r + 20)) continue;
        uint64_t dropped = 0;
        for (uint32_t k = 0; k < reasons; ++k) {
            uint64_t v = get64(r + sc::kCounterRecordHeader + 8 * k);
            dropped += v;
            if (v)
                details += "  port " + port_name(r[0]) + ": " +
                           simproto::drop_name(static_cast<simproto::Drop>(k)) + " " +
                           std::to_string(v) + "\n";
        }
        std::printf("%4s  %3u/%-4u %9llu %10llu %10llu %10llu %7llu %9llu %8llu\n",
                    port_name(r[0]).c_str(), r[1], r[2],
                    static_cast<unsigned long long>(get64(r + 4)),
                    static_cast<unsigned long long>(get64(r + 12)),
                    static_cast<unsigned long long>(get64(r + 20)),
                    static_cast<unsigned long long>(get64(r + 28)),
                    static_cast<unsigned long long>(get64(r + 36)),
                    static_cast<unsigned long long>(get64(r + 44)),
                    static_cast<unsigned long long>(dropped));
    }
    if (!details.empty()) std::printf("drops:\n%s", details.c_str());
}

}  // namespace

int cmd_capture(Args& args) {
    const std::vector<std::string>& w = args.words;
    std::string out;
    uint32_t count = 0xFFFFFFFF, seconds = 0;
    std::vector<std::string> rest;
    for (size_t i = 0; i < w.size(); ++i) {
        bool has_value = i + 1 < w.size();
        if (w[i] == "--out" && has_value) {
            out = w[++i];
        } else if (w[i] == "--count" && has_value) {
            if (!parse_u32(w[++i], &count) || count == 0) return usage_error("bad --count");
        } else if (w[i] == "--seconds" && has_value) {
            if (!parse_u32(w[++i], &seconds) || seconds == 0) return usage_error("bad --seconds");
        } else if (w[i].rfind("--", 0) == 0) {
            return usage_error("unknown option " + w[i]);
        } else {
            rest.push_back(w[i]);
        }
    }
    uint32_t bitmap = 0;
    bool cpu = false;
    Response resp;
    if (rest.size() == 2 && rest[0] == "start") {
        if (!parse_ports(rest[1], &bitmap, &cpu)) return usage_error("bad PORTS: " + rest[1]);
        return sim(args, sc::kCaptureStart, words_payload({bitmap, cpu ? 1u : 0u}), &resp);
    }
    if (rest.size() == 1 && rest[0] == "stop") {
        if (out.empty()) return usage_error("capture stop needs --out FILE");
        CaptureFile f;
        if (!open_capture(out, (1u << kMaxPort) - 1, true, &f)) return kExitFailed;
        if (int rc = sim(args, sc::kCaptureStop, {}, &resp)) return rc;
        int rc = drain(args, &f, count);
        f.writer.close();
        std::printf("%u frames captured to %s\n", f.frames, out.c_str());
        return rc;
    }
    if (rest.size() != 1 || out.empty()) return usage_error("give PORTS and --out FILE");
    if (!parse_ports(rest[0], &bitmap, &cpu)) return usage_error("bad PORTS: " + rest[0]);
    return capture_live(args, bitmap, cpu, out, count, seconds);
}

int cmd_frames(Args& args) {
    Response resp;
    if (args.words.size() == 1 && args.words[0] == "--clear")
        return sim(args, sc::kCountersClear, {}, &resp);
    if (!args.words.empty()) return usage_error("unexpected " + args.words[0]);
    if (int rc = sim(args, sc::kFrameCounters, {}, &resp)) return rc;
    show_counters(resp);
    for (uint32_t dev = 0;; ++dev) {
        Response q;
        int rc =
            request(simctl::kQueueKey, sc::kCpuQueue, words_payload({dev}), args.timeout_ms, &q);
        if (rc != kExitOk) return rc;
        if (q.result() != 1) break;  // no such device
        uint32_t waiting = q.word(1), m = q.word(2);
        if (!waiting) continue;
        std::printf("cpu queue of device %u: %u frames waiting\n", dev, waiting);
        for (uint32_t i = 0; i < m && i < 16; ++i) {
            const uint8_t* r = q.payload.data() + 12 + i * sc::kCpuRecordSize;
            if (12 + (i + 1) * sc::kCpuRecordSize > q.payload.size()) break;
            std::printf("  from port %s, VLAN %u, code %u, %u bytes%s%s\n", port_name(r[0]).c_str(),
                        be::get16(r + 4), be::get32(r + 8), be::get32(r + 12),
                        r[2] & 1 ? ", mirrored" : "", r[2] & 2 ? ", tagged" : "");
        }
    }
    return kExitOk;
}

int cmd_fdb(Args& args) {
    uint32_t dev = 0;
    if (args.words.size() > 1 || (args.words.size() == 1 && !parse_u32(args.words[0], &dev)))
        return usage_error("fdb [DEVICE]");
    static const char* kTypes[] = {"port", "trunk", "vidx", "vlan"};
    static const char* kCmds[] = {"fwd", "drop", "mirror", "trap", "?", "soft-drop"};
    uint32_t slot = 0, total = 0;
    std::printf(" slot  address            vlan  destination  flags\n");
    while (slot != 0xFFFFFFFF) {
        Response resp;
        if (int rc = sim(args, sc::kFdbRead, words_payload({dev, slot}), &resp)) return rc;
        uint32_t n = resp.word(2);
        for (uint32_t i = 0; i < n; ++i) {
            size_t at = 12 + size_t{i} * sc::kFdbRecordSize;
            if (at + sc::kFdbRecordSize > resp.payload.size()) break;
            const uint8_t* r = resp.payload.data() + at;
            std::string key = r[14] == SDK_MAC_ENTRY_KEY_MAC_VID
                                  ? mac_text(r + 4)
                                  : hex(r + 4, 4) + "/" + hex(r + 8, 4);
            std::string dest =
                r[16] == SDK_INTERFACE_PORT
                    ? (r[19] != sc::kNoFrontPort
                           ? "port " + port_name(r[19])
                           : "dev " + std::to_string(r[17]) + "/" + std::to_string(r[18]))
                    : std::string(kTypes[r[16] & 3]) + " " + std::to_string(be::get16(r + 20));
            std::string flags = r[15] & sc::kFdbFlagStatic ? "static" : "dynamic";
            if (r[22]) flags += std::string(" da:") + kCmds[r[22] % 6];
            if (r[23]) flags += std::string(" sa:") + kCmds[r[23] % 6];
            std::printf("%5u  %-17s  %4u  %-11s  %s\n", be::get32(r), key.c_str(),
                        be::get16(r + 12), dest.c_str(), flags.c_str());
            ++total;
        }
        slot = resp.word(1);
    }
    std::printf("%u entries\n", total);
    return kExitOk;
}

int cmd_clock(Args& args) {
    uint32_t seconds;
    if (args.words.size() != 2 || args.words[0] != "advance" || !parse_u32(args.words[1], &seconds))
        return usage_error("clock advance SECONDS");
    Response resp;
    return sim(args, sc::kClockAdvance, words_payload({seconds}), &resp);
}

int cmd_inject(Args& args) {
    // --bad-fcs: the frames arrive with a bad frame check sequence (a flag in the port word).
    uint32_t bad_fcs = 0;
    if (auto at = std::find(args.words.begin(), args.words.end(), std::string("--bad-fcs"));
        at != args.words.end()) {
        args.words.erase(at);
        bad_fcs = sc::kInjectBadFcs;
    }
    const std::vector<std::string>& w = args.words;
    uint32_t port;
    if (w.size() < 2 || !parse_port(w[0], &port))
        return usage_error("give a front port (1 to 16) and a frame");
    port |= bad_fcs;
    if (w[1] == "--pcap") {
        if (w.size() != 3) return usage_error("--pcap FILE");
        std::vector<pcap::Record> recs;
        std::string error;
        if (!pcap::read_file(w[2], &recs, &error)) {
            std::fprintf(stderr, "drvctl: %s: %s\n", w[2].c_str(), error.c_str());
            return kExitFailed;
        }
        for (const pcap::Record& r : recs)
            if (int rc = inject_one(args, port, r.bytes)) return rc;
        std::printf("%zu frames injected\n", recs.size());
        return kExitOk;
    }
    std::vector<uint8_t> frame;
    if (!parse_hex(w, 1, &frame)) return usage_error("the frame is an even number of hex digits");
    if (frame.size() > 16384)
        return usage_error("a frame is at most 16384 bytes (" + std::to_string(frame.size()) +
                           " given)");
    return inject_one(args, port, frame);
}

}  // namespace drvctl
