// drvctl nic: the CPU packet path of the running switch. `send` puts a frame in the shared
// IPC pool and sends it from the CPU with a module-37 request; `capture` writes the packets
// the driver delivers to the packet layers to a pcap file; `free` releases a delivered
// packet's mref from this process, as a packet layer of another process would.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "drivers/nicdrv/dev_nicdrv_cmd.h"
#include "drivers/nicdrv/dev_nicdrv_pmgr.h"
#include "platform/common/byteorder.h"
#include "platform/firmware/packet_capture.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "sdk/simproto/pcap.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace cmd = nicdrv_cmd;

// "1,2,5" into positions 1..16; false for anything else.
bool parse_list(const std::string& text, std::vector<uint32_t>* out) {
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        std::string one =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        uint32_t p = 0;
        if (!parse_u32(one, &p) || p < 1 || p > cmd::kListPositions) return false;
        out->push_back(p);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return !out->empty();
}

bool parse_bytes(const std::vector<std::string>& words, std::vector<uint8_t>* out) {
    std::string all;
    for (const std::string& w : words)
        all += w;
    if (all.empty() || all.size() % 2) return false;
    for (size_t i = 0; i < all.size(); i += 2) {
        char* end = nullptr;
        std::string two = all.substr(i, 2);
        unsigned long v = std::strtoul(two.c_str(), &end, 16);
        if (*end) return false;
        out->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

int send(Args& args) {
    std::vector<uint32_t> ports, untagged;
    std::vector<std::string> hexwords;
    const std::vector<std::string>& w = args.words;
    for (size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "--untagged" && i + 1 < w.size()) {
            if (!parse_list(w[++i], &untagged)) return usage_error("bad --untagged list");
        } else if (ports.empty()) {
            if (!parse_list(w[i], &ports)) return usage_error("bad PORTS: " + w[i]);
        } else {
            hexwords.push_back(w[i]);
        }
    }
    std::vector<uint8_t> frame;
    if (ports.empty() || !parse_bytes(hexwords, &frame))
        return usage_error("give PORTS and the frame as hex");
    if (!attach_instance() || !L_IPCMEM_Attach()) {
        std::fprintf(stderr, "drvctl: the switch's IPC pool is not there\n");
        return kExitNoResponse;
    }
    L_MM_Mref_T* mref = L_MM_AllocateTxBuffer(static_cast<uint32_t>(frame.size()), 0);
    uint32_t len = 0;
    auto* pdu = mref ? static_cast<uint8_t*>(L_MM_Mref_GetPdu(mref, &len)) : nullptr;
    if (!pdu) {
        std::fprintf(stderr, "drvctl: no room in the IPC pool\n");
        return kExitFailed;
    }
    std::memcpy(pdu, frame.data(), frame.size());
    std::vector<uint8_t> p(cmd::kRequestSize, 0);
    if (ports.size() == 1 && untagged.empty()) {
        be::put32(&p[0], cmd::kSendPacketByPort);
        be::put32(&p[cmd::kPortUnit], 1);
        be::put32(&p[cmd::kPortPort], ports[0]);
        be::put32(&p[cmd::kPortData], L_IPCMEM_GetOffset(pdu));
        be::put32(&p[cmd::kPortLength], static_cast<uint32_t>(frame.size()));
        be::put32(&p[cmd::kPortMref], L_IPCMEM_GetOffset(mref));
    } else {
        be::put32(&p[0], cmd::kSendPacketByPortList);
        be::put32(&p[cmd::kListCount], static_cast<uint32_t>(ports.size()));
        for (uint32_t q : ports)
            p[cmd::kListPorts + (q - 1) / 8] |= static_cast<uint8_t>(0x80 >> ((q - 1) % 8));
        for (uint32_t q : untagged)
            p[cmd::kListUntagged + (q - 1) / 8] |= static_cast<uint8_t>(0x80 >> ((q - 1) % 8));
        be::put32(&p[cmd::kListData], L_IPCMEM_GetOffset(pdu));
        be::put32(&p[cmd::kListLength], static_cast<uint32_t>(frame.size()));
        be::put32(&p[cmd::kListMref], L_IPCMEM_GetOffset(mref));
    }
    // The driver owns the mref from here on, answered or not.
    Response resp;
    if (int rc = request(24, cmd::kModule, p, args.timeout_ms, &resp)) return rc;
    std::printf("%s\n", resp.result() ? "sent" : "refused");
    return resp.result() ? kExitOk : kExitFailed;
}

int capture(Args& args) {
    std::string out;
    uint32_t count = 0xFFFFFFFF, seconds = 10;
    const std::vector<std::string>& w = args.words;
    for (size_t i = 1; i < w.size(); ++i) {
        const bool has = i + 1 < w.size();
        if (w[i] == "--out" && has)
            out = w[++i];
        else if (w[i] == "--count" && has) {
            if (!parse_u32(w[++i], &count) || !count) return usage_error("bad --count");
        } else if (w[i] == "--seconds" && has) {
            if (!parse_u32(w[++i], &seconds) || !seconds) return usage_error("bad --seconds");
        } else
            return usage_error("unknown word " + w[i]);
    }
    if (out.empty()) return usage_error("give --out FILE");
    if (!attach_instance()) return kExitNoResponse;
    std::vector<std::string> ifaces;
    for (uint32_t p = 1; p <= cmd::kListPositions; ++p)
        ifaces.push_back("port " + std::to_string(p));
    ifaces.push_back("stacking");
    pcap::Writer writer;
    std::string error;
    if (!writer.open(out, ifaces, &error)) {
        std::fprintf(stderr, "drvctl: %s\n", error.c_str());
        return kExitFailed;
    }
    uint64_t next = 0, lost = 0;
    if (!packet_capture::start(&next)) return kExitFailed;
    uint32_t got = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (got < count && std::chrono::steady_clock::now() < until) {
        std::vector<packet_capture::Packet> pkts;
        packet_capture::read(&next, &pkts, &lost);
        for (const auto& k : pkts) {
            if (got == count) break;
            ++got;
            std::printf("%u %s unit %u port %u cpu-code %u %u bytes\n", got, k.sink, k.unit, k.port,
                        k.cpu_code, k.length);
            pcap::Record r;
            r.time_ns = k.time_ns;
            r.orig_len = k.length;
            r.bytes = k.bytes;
            r.interface =
                k.port >= 1 && k.port <= cmd::kListPositions ? k.port - 1 : cmd::kListPositions;
            writer.write(r);
        }
        std::fflush(stdout);
        if (pkts.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    packet_capture::stop();
    writer.close();
    std::printf("%u packets captured to %s%s\n", got, out.c_str(),
                lost ? (" (" + std::to_string(lost) + " lost)").c_str() : "");
    return kExitOk;
}

int free_mref(Args& args) {
    uint32_t off = 0;
    if (args.words.size() != 2 || !parse_u32(args.words[1], &off)) return usage_error("give MREF");
    if (!attach_instance() || !L_IPCMEM_Attach()) return kExitNoResponse;
    DEV_NICDRV_PMGR_RegisterMrefFree();
    L_MM_Mref_T* m = L_MM_Mref_FromOffset(off);
    if (!m) {
        std::fprintf(stderr, "drvctl: no mref at 0x%x\n", off);
        return kExitFailed;
    }
    const int32_t left = L_MM_Mref_Release(&m);
    std::printf("released: %d references left\n", static_cast<int>(left));
    return left >= 0 ? kExitOk : kExitFailed;
}

}  // namespace

int cmd_nic(Args& args) {
    const std::string sub = args.words.empty() ? "" : args.words[0];
    if (sub == "send") return send(args);
    if (sub == "capture") return capture(args);
    if (sub == "free") return free_mref(args);
    return usage_error("nic send|capture|free");
}

}  // namespace drvctl
