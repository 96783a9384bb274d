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

#include "platform/lmm/l_ipcmem.h"
#include "platform/simctl/simctl.h"
#include "sdk/sdk_fdb.h"
#include "sdk/simproto/drops.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace sc = simproto;

constexpr uint32_t kMaxPort = 16;
constexpr uint32_t kInlineFrame = simctl::kMaxPayload - 8;

volatile sig_atomic_t g_stop = 0;
void on_signal(int) {
    g_stop = 1;
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

// "0/5 (port 3)": a device port and its front port, "cpu" or "internal".
std::string device_port(uint8_t dev, uint8_t port, uint8_t front) {
    return std::to_string(dev) + "/" + std::to_string(port) + " (" +
           (front == 0 || front == sc::kNoFrontPort ? port_name(front)
                                                    : "port " + port_name(front)) +
           ")";
}

// The path of a traced frame, one line per stage: where it was (device/port and the front
// port), the stage, the command of the pipeline after it, the drop reason and CPU code that
// command carries, the ports it is bound for, and what else the stage noted.
void print_trace(uint32_t port, size_t len, const sc::Trace& t) {
    std::printf("trace of %zu bytes into port %u:\n", len, port);
    std::printf("      %-16s %-18s %-10s %s\n", "device/port", "stage", "verdict",
                "reason, cpu code, bound for, note");
    size_t i = 0;
    const std::vector<sc::TracePort>* bound = nullptr;  // the last ports shown
    for (const sc::TraceEvent& e : t.events) {
        std::string detail;
        auto add = [&](const std::string& s) { detail += (detail.empty() ? "" : ", ") + s; };
        if (e.reason != 0) add(simproto::drop_name(static_cast<simproto::Drop>(e.reason)));
        if (e.cpu_code) add("cpu code " + std::to_string(e.cpu_code));
        // The ports it is bound for, when a stage changed them.
        auto same = [](const sc::TracePort& x, const sc::TracePort& y) {
            return x.dev_port == y.dev_port && x.front == y.front;
        };
        bool changed = !bound || bound->size() != e.ports.size() ||
                       !std::equal(e.ports.begin(), e.ports.end(), bound->begin(), same);
        bound = &e.ports;
        if (changed && !e.ports.empty()) {
            std::string ports;
            for (const sc::TracePort& p : e.ports)
                ports += (ports.empty() ? "" : ",") +
                         (p.front == sc::kNoFrontPort
                              ? std::to_string(e.dev) + "/" + std::to_string(p.dev_port)
                              : port_name(p.front));
            add("-> " + ports);
        }
        if (!e.note.empty() && e.note != "code " + std::to_string(e.cpu_code)) add(e.note);
        std::printf("  %2zu  %-16s %-18s %-10s %s\n", ++i,
                    device_port(e.dev, e.port, e.front).c_str(), e.stage.c_str(),
                    sc::verdict_name(e.verdict), detail.c_str());
    }
    if (t.total > t.events.size())
        std::printf("  ... %zu more stages did not fit the answer\n", t.total - t.events.size());
}

// Injects one frame: inline when it fits a message, through the shared IPC pool otherwise.
// Traced: prints each stage's decision before the outcome.
int inject_one(Args& args, uint32_t port, const std::vector<uint8_t>& frame, bool traced,
               uint32_t flags) {
    Response resp;
    int rc;
    const uint32_t port_word = port | flags | (traced ? sc::kInjectTrace : 0);
    if (frame.size() <= kInlineFrame) {
        std::vector<uint8_t> payload =
            sc::encode(sc::InjectRequest{port_word, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        rc = sim_request_bytes(args, sc::kInject, payload, &resp);
    } else {
        if (!attach_instance()) return kExitNoResponse;
        void* buf = L_IPCMEM_Allocate(static_cast<uint32_t>(frame.size()));
        if (!buf) {
            std::fprintf(stderr, "drvctl: no room for a frame of %zu bytes in the IPC pool\n",
                         frame.size());
            return kExitFailed;
        }
        std::memcpy(buf, frame.data(), frame.size());
        rc = sim_request_bytes(args, sc::kInjectIpc,
                               words_payload({port_word, static_cast<uint32_t>(frame.size()),
                                              L_IPCMEM_GetOffset(buf)}),
                               &resp);
        L_IPCMEM_Free(buf);
    }
    if (rc != kExitOk) return rc;
    sc::Decoder d(resp.payload.data() + 4, resp.payload.size() - 4);
    sc::InjectResult r;
    sc::Trace trace;
    if (!sc::decode(d, &r) || (traced && !sc::decode(d, &trace))) {
        std::fprintf(stderr, "drvctl: the simulation's answer is cut short\n");
        return kExitFailed;
    }
    if (traced) print_trace(port, frame.size(), trace);
    std::string where;
    for (uint8_t p : r.ports)
        where += (where.empty() ? "" : ",") + port_name(p);
    if (r.flags & sc::kInjectFlagToCpu)
        where += (where.empty() ? "" : " and ") + std::string("cpu (code ") +
                 std::to_string(r.cpu_code) + ")";
    std::printf("port %u: %zu bytes", port, frame.size());
    if (where.empty())
        std::printf(" dropped (%s)", simproto::drop_name(static_cast<simproto::Drop>(r.drop)));
    else
        std::printf(" -> %s", where.c_str());
    if (r.vid) std::printf(", VLAN %u", r.vid);
    if (r.flags & sc::kInjectFlagFlooded) std::printf(", flooded");
    if (r.flags & sc::kInjectFlagLearned) std::printf(", source learned");
    std::printf("\n");
    return kExitOk;
}

// Reads the oldest captured frame whole; false when none is waiting.
bool read_captured(Args& args, pcap::Record* rec, uint8_t* front, int* rc) {
    Response resp;
    uint32_t got = 0, len = 0;
    rec->bytes.clear();
    do {
        if ((*rc = sim_request_bytes(args, sc::kCaptureRead, words_payload({got}), &resp)) !=
            kExitOk)
            return false;
        sc::Decoder d(resp.payload.data() + 4, resp.payload.size() - 4);
        sc::CaptureStatus status;
        sc::CapturedHeader h;
        if (!sc::decode(d, &status) || status.waiting == 0) return false;
        if (!sc::decode(d, &h)) return false;
        *front = static_cast<uint8_t>(h.front);
        rec->time_ns = uint64_t{h.seconds} * 1000000000u + h.nanoseconds;
        len = h.length;
        if (d.left() == 0 && len > got) return false;  // the frame vanished
        rec->bytes.insert(rec->bytes.end(), d.at(), d.at() + d.left());
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
    if (int rc = sim_request_bytes(args, sc::kCaptureStart, words_payload({bitmap, cpu ? 1u : 0u}),
                                   &resp))
        return rc;
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int rc = kExitOk;
    while (!g_stop && f.frames < count && (!seconds || std::chrono::steady_clock::now() < end)) {
        if ((rc = drain(args, &f, count)) != kExitOk) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int stop_rc = sim_request_bytes(args, sc::kCaptureStop, {}, &resp);
    if (rc == kExitOk) rc = drain(args, &f, count);
    f.writer.close();
    std::printf("%u frames captured to %s\n", f.frames, out.c_str());
    return rc != kExitOk ? rc : stop_rc;
}

int show_counters(const Response& resp) {
    sc::CountersReply counters;
    if (int rc = read_reply(resp, &counters)) return rc;
    std::printf(
        "port  dev/port  rx frames   rx bytes  tx frames   tx bytes  to cpu  captured  "
        "dropped\n");
    std::string details;
    for (const sc::CounterRecord& r : counters.items) {
        if (r.front == sc::kNoFrontPort && !r.rx_frames && !r.tx_frames) continue;
        uint64_t dropped = 0;
        for (uint32_t k = 0; k < r.drops.size(); ++k) {
            uint64_t v = r.drops[k];
            dropped += v;
            if (v)
                details += "  port " + port_name(r.front) + ": " +
                           simproto::drop_name(static_cast<simproto::Drop>(k)) + " " +
                           std::to_string(v) + "\n";
        }
        std::printf(
            "%4s  %3u/%-4u %9llu %10llu %10llu %10llu %7llu %9llu %8llu\n",
            port_name(r.front).c_str(), r.device, r.dev_port,
            static_cast<unsigned long long>(r.rx_frames),
            static_cast<unsigned long long>(r.rx_bytes),
            static_cast<unsigned long long>(r.tx_frames),
            static_cast<unsigned long long>(r.tx_bytes), static_cast<unsigned long long>(r.to_cpu),
            static_cast<unsigned long long>(r.captured), static_cast<unsigned long long>(dropped));
    }
    if (!details.empty()) std::printf("drops:\n%s", details.c_str());
    return kExitOk;
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
        return sim_request_bytes(args, sc::kCaptureStart, words_payload({bitmap, cpu ? 1u : 0u}),
                                 &resp);
    }
    if (rest.size() == 1 && rest[0] == "stop") {
        if (out.empty()) return usage_error("capture stop needs --out FILE");
        CaptureFile f;
        if (!open_capture(out, (1u << kMaxPort) - 1, true, &f)) return kExitFailed;
        if (int rc = sim_request_bytes(args, sc::kCaptureStop, {}, &resp)) return rc;
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
        return sim_request_bytes(args, sc::kCountersClear, {}, &resp);
    if (!args.words.empty()) return usage_error("unexpected " + args.words[0]);
    if (int rc = sim_request_bytes(args, sc::kFrameCounters, {}, &resp)) return rc;
    if (int rc = show_counters(resp)) return rc;
    for (uint32_t dev = 0;; ++dev) {
        Response q;
        int rc =
            request(simctl::kQueueKey, sc::kCpuQueue, words_payload({dev}), args.timeout_ms, &q);
        if (rc != kExitOk) return rc;
        if (q.result() != 1) break;  // no such device
        sc::CpuQueueReply queue;
        if (int rc2 = read_reply(q, &queue)) return rc2;
        if (!queue.waiting) continue;
        std::printf("cpu queue of device %u: %u frames waiting\n", dev, queue.waiting);
        for (size_t i = 0; i < queue.items.size() && i < 16; ++i) {
            const sc::CpuFrameRecord& r = queue.items[i];
            std::printf("  from port %s, VLAN %u, code %u, %u bytes%s%s\n",
                        port_name(r.front).c_str(), r.vid, r.cpu_code, r.length,
                        r.flags & sc::kCpuFrameMirrored ? ", mirrored" : "",
                        r.flags & sc::kCpuFrameTagged ? ", tagged" : "");
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
    while (slot != sc::kFdbEnd) {
        Response resp;
        if (int rc = sim_request_bytes(args, sc::kFdbRead, words_payload({dev, slot}), &resp))
            return rc;
        sc::FdbReply fdb;
        if (int rc = read_reply(resp, &fdb)) return rc;
        for (const sc::FdbRecord& r : fdb.items) {
            std::string key = r.key_type == SDK_MAC_ENTRY_KEY_MAC_VID
                                  ? mac_text(r.key.data())
                                  : hex(r.key.data(), 4) + "/" + hex(r.key.data() + 4, 4);
            std::string dest =
                r.if_type == SDK_INTERFACE_PORT
                    ? (r.front != sc::kNoFrontPort
                           ? "port " + port_name(r.front)
                           : "dev " + std::to_string(r.dev) + "/" + std::to_string(r.port))
                    : std::string(kTypes[r.if_type & 3]) + " " + std::to_string(r.target);
            std::string flags = r.flags & sc::kFdbFlagStatic ? "static" : "dynamic";
            if (r.da_cmd) flags += std::string(" da:") + kCmds[r.da_cmd % 6];
            if (r.sa_cmd) flags += std::string(" sa:") + kCmds[r.sa_cmd % 6];
            std::printf("%5u  %-17s  %4u  %-11s  %s\n", r.slot, key.c_str(), r.vid, dest.c_str(),
                        flags.c_str());
            ++total;
        }
        slot = fdb.next;
    }
    std::printf("%u entries\n", total);
    return kExitOk;
}

int cmd_clock(Args& args) {
    uint32_t seconds, ms = 0;
    const auto& w = args.words;
    if ((w.size() != 2 && w.size() != 3) || w[0] != "advance" || !parse_u32(w[1], &seconds) ||
        (w.size() == 3 && !parse_u32(w[2], &ms)))
        return usage_error("clock advance SECONDS [MILLISECONDS]");
    Response resp;
    return sim_request_bytes(args, sc::kClockAdvance, words_payload({seconds, ms}), &resp);
}

int cmd_inject(Args& args) {
    std::vector<std::string> w = args.words;
    bool traced = !w.empty() && w[0] == "--trace";
    if (traced) w.erase(w.begin());
    // --bad-fcs: the frames arrive with a bad frame check sequence (a flag in the port word).
    uint32_t flags = 0;
    if (auto at = std::find(w.begin(), w.end(), std::string("--bad-fcs")); at != w.end()) {
        w.erase(at);
        flags = sc::kInjectBadFcs;
    }
    uint32_t port;
    if (w.size() < 2 || !parse_port(w[0], &port))
        return usage_error("give a front port (1 to 16) and a frame");
    if (w[1] == "--pcap") {
        if (w.size() != 3) return usage_error("--pcap FILE");
        std::vector<pcap::Record> recs;
        std::string error;
        if (!pcap::read_file(w[2], &recs, &error)) {
            std::fprintf(stderr, "drvctl: %s: %s\n", w[2].c_str(), error.c_str());
            return kExitFailed;
        }
        for (const pcap::Record& r : recs)
            if (int rc = inject_one(args, port, r.bytes, traced, flags)) return rc;
        std::printf("%zu frames injected\n", recs.size());
        return kExitOk;
    }
    std::vector<uint8_t> frame;
    if (!parse_hex(w, 1, &frame)) return usage_error("the frame is an even number of hex digits");
    if (frame.size() > 16384)
        return usage_error("a frame is at most 16384 bytes (" + std::to_string(frame.size()) +
                           " given)");
    return inject_one(args, port, frame, traced, flags);
}

}  // namespace drvctl
