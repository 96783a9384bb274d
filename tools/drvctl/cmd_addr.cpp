// drvctl addr: the address table through the address table driver's requests (module 120):
// the learned entries as the table scan returns them (all, or those of a VLAN or a port), a
// static entry added or deleted, a flush by port, VLAN or trunk, the ageing time, a lookup.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "drivers/amtrdrv/dev_amtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = amtrdrv::subcmd;

// Calls of code 3 a scan may take: every budget of 2000 empty slots answers one empty call.
constexpr int kMaxScanCalls = 4096;

bool parse_mac(const std::string& text, uint8_t mac[6]) {
    unsigned v[6];
    char sep[5];
    if (std::sscanf(text.c_str(), "%2x%c%2x%c%2x%c%2x%c%2x%c%2x", &v[0], &sep[0], &v[1], &sep[1],
                    &v[2], &sep[2], &v[3], &sep[3], &v[4], &sep[4], &v[5]) != 11)
        return false;
    for (char c : sep)
        if (c != ':' && c != '-') return false;
    for (int i = 0; i < 6; ++i)
        mac[i] = static_cast<uint8_t>(v[i]);
    return true;
}

std::vector<uint8_t> payload_of(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words) {
        uint8_t b[4];
        be::put32(b, w);
        out.insert(out.end(), b, b + 4);
    }
    return out;
}

// Sends a module-120 request; kExitFailed (said on stderr) when the driver answered FALSE.
int ask(Args& args, const std::vector<uint8_t>& payload, const char* what, Response* resp) {
    int rc = request(args.queue_key, cmd::kModule, payload, args.timeout_ms, resp);
    if (rc != kExitOk) return rc;
    if (resp->result() != 1) {
        std::fprintf(stderr, "drvctl: the switch refused to %s\n", what);
        return kExitFailed;
    }
    return kExitOk;
}

int show(Args& args) {
    uint32_t vid = 0;
    LogicalPort port{};
    bool by_vid = false, by_port = false;
    for (size_t i = 1; i + 1 < args.words.size(); i += 2) {
        const std::string& k = args.words[i];
        if (k == "vlan" && parse_vid(args.words[i + 1], &vid))
            by_vid = true;
        else if (k == "port" && parse_port(args.words[i + 1], &port))
            by_port = true;
        else
            return usage_error("addr show [vlan VID] [port PORT]");
    }
    if (args.words.size() % 2 == 0) return usage_error("addr show [vlan VID] [port PORT]");
    Response resp;
    if (int rc = ask(args, payload_of({cmd::kResetScan, 0}), "start a scan", &resp)) return rc;
    std::printf("%-17s %-4s %-9s %s\n", "MAC", "VLAN", "Port", "Type");
    uint32_t shown = 0;
    for (int call = 0; call < kMaxScanCalls; ++call) {
        if (int rc =
                request(args.queue_key, cmd::kModule,
                        payload_of({cmd::kGetEntries, cmd::kMaxRecords}), args.timeout_ms, &resp))
            return rc;
        if (resp.payload.size() < cmd::kCountOffset + 4) {
            std::fprintf(stderr, "drvctl: the scan's answer is cut short\n");
            return kExitFailed;
        }
        const uint32_t n = be::get32(resp.payload.data() + cmd::kCountOffset);
        for (uint32_t i = 0; i < n && i < cmd::kMaxRecords; ++i) {
            const uint8_t* r = resp.payload.data() + cmd::kRecordsOffset + cmd::kRecordSize * i;
            const uint16_t v = be::get16(r);
            if (by_vid && v != vid) continue;
            if (by_port && (r[12] || r[8] != port.unit || r[9] != port.port)) continue;
            char where[16];
            if (r[12])
                std::snprintf(where, sizeof where, "trunk %u", r[10] + 1u);
            else
                std::snprintf(where, sizeof where, "%u/%u", r[8], r[9]);
            std::printf("%02x:%02x:%02x:%02x:%02x:%02x %-4u %-9s %s\n", r[2], r[3], r[4], r[5],
                        r[6], r[7], v, where, r[13] == 1 ? "static" : "learned");
            ++shown;
        }
        // The end of the scan: a further call finds the cursor gone and returns nothing.
        if (n == 0) {
            Response next;
            if (int rc = request(args.queue_key, cmd::kModule, payload_of({cmd::kGetNextEntry}),
                                 args.timeout_ms, &next))
                return rc;
            if (next.payload.size() >= 4 && be::get32(next.payload.data()) == 1) break;
            if (next.payload.size() >= 20 && be::get32(next.payload.data()) == 0) {
                // An entry found by the probe: shown as the batches are.
                const uint8_t* r = next.payload.data() + 4;
                const uint16_t v = be::get16(r);
                if ((!by_vid || v == vid) &&
                    (!by_port || (!r[12] && r[8] == port.unit && r[9] == port.port))) {
                    std::printf("%02x:%02x:%02x:%02x:%02x:%02x %-4u %u/%-7u learned\n", r[2], r[3],
                                r[4], r[5], r[6], r[7], v, r[8], r[9]);
                    ++shown;
                }
            }
        }
    }
    std::printf("%u entries\n", shown);
    return kExitOk;
}

int add_or_delete(Args& args, bool add) {
    const char* use = add ? "addr add VID MAC PORT|trunk:N" : "addr delete VID MAC";
    uint32_t vid = 0;
    uint8_t mac[6];
    if (args.words.size() != (add ? 4u : 3u) || !parse_vid(args.words[1], &vid) ||
        !parse_mac(args.words[2], mac))
        return usage_error(use);
    Response resp;
    if (!add) {
        std::vector<uint8_t> p = payload_of({cmd::kDeleteAddr, vid});
        p.insert(p.end(), mac, mac + 6);
        return ask(args, p, "delete the address", &resp);
    }
    std::vector<uint8_t> p = payload_of({cmd::kSetEntry});
    p.resize(20, 0);
    uint8_t* r = p.data() + 4;
    be::put16(r, static_cast<uint16_t>(vid));
    std::memcpy(r + 2, mac, 6);
    const std::string& where = args.words[3];
    uint32_t trunk = 0;
    LogicalPort lp;
    if (where.rfind("trunk:", 0) == 0 && parse_u32(where.substr(6), &trunk) && trunk >= 1 &&
        trunk <= 256) {
        r[10] = static_cast<uint8_t>(trunk - 1);
        r[12] = 1;
    } else if (parse_port(where, &lp)) {
        r[8] = static_cast<uint8_t>(lp.unit);
        r[9] = static_cast<uint8_t>(lp.port);
    } else {
        return usage_error(use);
    }
    r[11] = 255;  // no QoS index
    r[13] = 1;    // static
    return ask(args, p, "write the entry", &resp);
}

int flush(Args& args) {
    const char* use = "addr flush port PORT | vlan VID | trunk N";
    if (args.words.size() != 3) return usage_error(use);
    const std::string& kind = args.words[1];
    Response resp;
    LogicalPort lp;
    uint32_t n = 0;
    if (kind == "port" && parse_port(args.words[2], &lp))
        return ask(args, payload_of({cmd::kDeleteDynamicByPortOrTrunk, lp.unit, lp.port, 0}),
                   "flush the port", &resp);
    if (kind == "vlan" && parse_vid(args.words[2], &n))
        return ask(args, payload_of({cmd::kDeleteByVlan, 0, 0, 0, n}), "flush the VLAN", &resp);
    if (kind == "trunk" && parse_u32(args.words[2], &n) && n >= 1)
        return ask(args, payload_of({cmd::kDeleteDynamicByPortOrTrunk, 0, 0, n}), "flush the trunk",
                   &resp);
    return usage_error(use);
}

int ageing(Args& args) {
    uint32_t s = 0;
    if (args.words.size() != 2 || !parse_u32(args.words[1], &s))
        return usage_error("addr ageing SECONDS");
    Response resp;
    return ask(args, payload_of({cmd::kSetAgeingTime, s}), "set the ageing time", &resp);
}

int lookup(Args& args) {
    uint32_t vid = 0;
    uint8_t mac[6];
    if (args.words.size() != 3 || !parse_vid(args.words[1], &vid) || !parse_mac(args.words[2], mac))
        return usage_error("addr lookup VID MAC");
    std::vector<uint8_t> p = payload_of({cmd::kLookUp, vid});
    p.insert(p.end(), mac, mac + 6);
    Response resp;
    if (int rc = request(args.queue_key, cmd::kModule, p, args.timeout_ms, &resp)) return rc;
    if (resp.result() != 1 || resp.payload.size() < 13) {
        std::printf("not found\n");
        return kExitFailed;
    }
    if (resp.payload[12])
        std::printf("trunk %u\n", be::get32(resp.payload.data() + 8) + 1);
    else
        std::printf("port %u\n", be::get32(resp.payload.data() + 4));
    return kExitOk;
}

}  // namespace

int cmd_addr(Args& args) {
    if (args.words.empty()) return usage_error("addr show|add|delete|flush|ageing|lookup ...");
    const std::string& verb = args.words[0];
    if (verb == "show") return show(args);
    if (verb == "add") return add_or_delete(args, true);
    if (verb == "delete") return add_or_delete(args, false);
    if (verb == "flush") return flush(args);
    if (verb == "ageing") return ageing(args);
    if (verb == "lookup") return lookup(args);
    return usage_error("unknown addr command " + verb);
}

}  // namespace drvctl
