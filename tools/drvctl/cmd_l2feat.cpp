// Trunks, storm control and mirroring. Every change is one module-119 request to the switch
// chip driver, the bytes `drvctl raw 119 ...` would send; `show` reads the chip model over
// the simulation-control queue.
#include <cstdio>
#include <map>
#include <string>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = swdrv::subcmd;
namespace sc = simproto;

// A module-119 request whose payload is given as bytes.
int swdrv_bytes(Args& args, const std::vector<uint8_t>& payload, const std::string& what) {
    Response r;
    int rc = request(args.queue_key, cmd::kModule, payload, args.timeout_ms, &r);
    if (rc != kExitOk) return rc;
    if (r.result() != 1) {
        std::fprintf(stderr, "drvctl: the switch refused to %s\n", what.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

bool parse_device(const std::vector<std::string>& w, size_t at, uint32_t* dev) {
    *dev = 0;
    return w.size() <= at || (parse_u32(w[at], dev) && *dev <= 0xFF);
}

int trunk_show(Args& args, uint32_t dev) {
    Response resp;
    if (int rc = sim_request(args, sc::kTrunks, {dev}, &resp)) return rc;
    sc::TrunksReply t;
    if (int rc = read_reply(resp, &t)) return rc;
    std::printf("device %u: hash on %s, IP hashing %s, IPv6 mode %u\n", dev,
                t.hash_mode ? "the ingress port" : "packet data", t.ip_hash ? "on" : "off",
                t.ipv6_mode);
    std::printf(
        "masks: MAC DA 0x%02x, MAC SA 0x%02x, IPv4 DIP 0x%02x, IPv4 SIP 0x%02x, "
        "IPv6 DIP 0x%02x, IPv6 SIP 0x%02x\n",
        t.masks[0], t.masks[1], t.masks[5], t.masks[6], t.masks[7], t.masks[8]);
    std::map<uint32_t, std::string> trunks;
    for (const sc::TrunkMemberRecord& m : t.items) {
        std::string& s = trunks[m.trunk];
        if (!s.empty()) s += ", ";
        s += m.front ? std::to_string(m.front)
                     : "d" + std::to_string(m.device) + "/" + std::to_string(m.port);
        if (!m.enabled) s += " (disabled)";
    }
    std::printf("trunk  members\n");
    for (const auto& [id, members] : trunks)
        std::printf("%5u  %s\n", id, members.c_str());
    return kExitOk;
}

const std::map<std::string, std::array<uint32_t, 3>> kStormKinds = {
    {"broadcast",
     {cmd::kEnableBroadcastStormControl, cmd::kDisableBroadcastStormControl,
      cmd::kSetBroadcastStormControlThreshold}},
    {"multicast",
     {cmd::kEnableMulticastStormControl, cmd::kDisableMulticastStormControl,
      cmd::kSetMulticastStormControlThreshold}},
    {"unknown-unicast",
     {cmd::kEnableUnknownUnicastStormControl, cmd::kDisableUnknownUnicastStormControl,
      cmd::kSetUnknownUnicastStormControlThreshold}}};

int storm_show(Args& args) {
    Response resp;
    if (int rc = sim_request(args, sc::kStorm, {}, &resp)) return rc;
    sc::List<sc::StormRecord> ports;
    if (int rc = read_reply(resp, &ports)) return rc;
    std::printf("port  counts                          limit  per second        drops\n");
    for (const sc::StormRecord& r : ports.items) {
        std::string kinds;
        auto add = [&](uint8_t bit, const char* name) {
            if (!(r.kinds & bit)) return;
            if (!kinds.empty()) kinds += ",";
            kinds += name;
        };
        add(sc::kStormBc, "bc");
        add(sc::kStormMc, "mc");
        add(sc::kStormMcReg, "reg-mc");
        add(sc::kStormUcUnk, "unk-uc");
        add(sc::kStormUcKnown, "uc");
        std::string rate = r.granularity ? std::to_string(uint64_t{r.limit} * r.granularity) +
                                               (r.bytes ? " bytes" : " packets")
                                         : "-";
        std::printf("%4u  %-30s %6u  %-16s %6llu\n", r.front, kinds.empty() ? "-" : kinds.c_str(),
                    r.limit, rate.c_str(), static_cast<unsigned long long>(r.drops));
    }
    return kExitOk;
}

int mirror_show(Args& args, uint32_t dev) {
    Response resp;
    if (int rc = sim_request(args, sc::kMirror, {dev}, &resp)) return rc;
    sc::MirrorReply m;
    if (int rc = read_reply(resp, &m)) return rc;
    std::printf("device %u: forwarding mode %u (%s), global ingress analyzer %s", dev, m.fwd_mode,
                m.fwd_mode ? "analyzer table" : "single analyzers", m.global_rx ? "on" : "off");
    if (m.global_rx) std::printf(" (entry %u)", m.global_index);
    std::printf("\nanalyzer table:");
    for (uint32_t i = 0; i < 7; ++i)
        std::printf(" %u=d%u/%u", i, m.table[2 * i], m.table[2 * i + 1]);
    std::printf("\nsingle analyzers: ingress d%u/%u, egress d%u/%u\n", m.single[0], m.single[1],
                m.single[2], m.single[3]);
    std::printf("port  ingress  egress\n");
    for (const sc::MirrorPortRecord& r : m.items) {
        std::string port = r.front
                               ? std::to_string(r.front)
                               : "d" + std::to_string(r.device) + "/" + std::to_string(r.dev_port);
        auto dir = [&](uint8_t bit, uint8_t index) {
            return (r.flags & bit) ? "entry " + std::to_string(index) : std::string("-");
        };
        std::printf("%4s  %-7s  %s\n", port.c_str(), dir(sc::kMirrorRx, r.rx_index).c_str(),
                    dir(sc::kMirrorTx, r.tx_index).c_str());
    }
    return kExitOk;
}

// A mirror destination: "-" (none) or a port, as (unit << 16 | port).
bool parse_dest(const std::string& text, uint32_t* out) {
    LogicalPort lp;
    if (text == "-") {
        *out = 0;
        return true;
    }
    if (!parse_port(text, &lp)) return false;
    *out = lp.unit << 16 | lp.port;
    return true;
}

}  // namespace

int cmd_trunk(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("trunk needs an operation");
    const std::string& op = w[0];
    uint32_t id = 0;
    if (op == "show") {
        uint32_t dev = 0;
        if (w.size() > 2 || !parse_device(w, 1, &dev)) return usage_error("trunk show [DEVICE]");
        return trunk_show(args, dev);
    }
    if (op == "balance") {
        uint32_t mode = 0;
        if (w.size() != 2 || !parse_u32(w[1], &mode)) return usage_error("trunk balance MODE");
        return swdrv_request(args, {cmd::kSetTrunkLoadBalanceMode, mode},
                             "set load-balance mode " + w[1]);
    }
    if (w.size() < 2 || !parse_u32(w[1], &id)) return usage_error("trunk " + op + " ID ...");
    if (op == "create" || op == "destroy") {
        if (w.size() != 2) return usage_error("trunk " + op + " ID");
        return swdrv_request(args, {op == "create" ? cmd::kCreateTrunk : cmd::kDestroyTrunk, id},
                             op + " trunk " + w[1]);
    }
    if (op == "members") {
        std::vector<uint8_t> payload =
            words_payload({cmd::kSetTrunkPortMembers, id, static_cast<uint32_t>(w.size() - 2)});
        for (size_t i = 2; i < w.size(); ++i) {
            LogicalPort lp;
            if (!parse_port(w[i], &lp)) return usage_error("PORT is 1 to 16 or UNIT/PORT");
            uint8_t b[4];
            be::put16(b, static_cast<uint16_t>(lp.unit));
            be::put16(b + 2, static_cast<uint16_t>(lp.port));
            payload.insert(payload.end(), b, b + 4);
        }
        return swdrv_bytes(args, payload, "set the members of trunk " + w[1]);
    }
    return usage_error("unknown trunk operation \"" + op + "\"");
}

int cmd_storm(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("storm needs an operation");
    const std::string& op = w[0];
    if (op == "show") {
        if (w.size() != 1) return usage_error("storm show takes no arguments");
        return storm_show(args);
    }
    LogicalPort lp;
    if (op == "granularity") {
        uint32_t mode = 0;
        if (w.size() < 2 || w.size() > 3 || !parse_port(w[1], &lp) ||
            (w.size() == 3 && !parse_u32(w[2], &mode)))
            return usage_error("storm granularity PORT [RATE-MODE]");
        Response resp;
        if (int rc = swdrv_request(args, {cmd::kGetPortStormGranularity, lp.unit, lp.port, mode},
                                   "read the granularity", &resp))
            return rc;
        std::printf("granularity %u\n", resp.word(1));
        return kExitOk;
    }
    if (w.size() < 3 || !parse_port(w[1], &lp) || !kStormKinds.count(w[2]))
        return usage_error("storm " + op + " PORT broadcast|multicast|unknown-unicast ...");
    const auto& subs = kStormKinds.at(w[2]);
    if ((op == "on" || op == "off") && w.size() == 3)
        return swdrv_request(args, {subs[op == "on" ? 0 : 1], lp.unit, lp.port},
                             "switch " + w[2] + " storm control " + op);
    if (op == "threshold") {
        uint32_t rate = 0, mode = 0;
        if (w.size() < 4 || w.size() > 5 || !parse_u32(w[3], &rate) ||
            (w.size() == 5 && !parse_u32(w[4], &mode)))
            return usage_error("storm threshold PORT KIND RATE [RATE-MODE]");
        return swdrv_request(args, {subs[2], lp.unit, lp.port, rate, mode},
                             "set the " + w[2] + " threshold");
    }
    return usage_error("unknown storm operation \"" + op + "\"");
}

int cmd_mirror(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("mirror needs an operation");
    const std::string& op = w[0];
    uint32_t src = 0, rx = 0, tx = 0, vid = 0;
    LogicalPort lp;
    if (op == "show") {
        uint32_t dev = 0;
        if (w.size() > 2 || !parse_device(w, 1, &dev)) return usage_error("mirror show [DEVICE]");
        return mirror_show(args, dev);
    }
    if (op == "port") {
        if (w.size() != 4 || !parse_dest(w[1], &src) || !src || !parse_dest(w[2], &rx) ||
            !parse_dest(w[3], &tx))
            return usage_error("mirror port SOURCE INGRESS-DEST|- EGRESS-DEST|-");
        return swdrv_request(args, {cmd::kSetPortMirroring, src, rx, tx}, "mirror port " + w[1]);
    }
    if (op == "delete") {
        if (w.size() != 2 || !parse_dest(w[1], &src) || !src)
            return usage_error("mirror delete SOURCE");
        return swdrv_request(args, {cmd::kDeletePortMirroring, src}, "stop mirroring port " + w[1]);
    }
    if (op == "vlan") {
        if (w.size() != 4 || (w[1] != "add" && w[1] != "remove") || !parse_vid(w[2], &vid) ||
            !parse_port(w[3], &lp))
            return usage_error("mirror vlan add|remove VID DEST");
        return swdrv_request(
            args,
            {w[1] == "add" ? cmd::kAddVlanMirror : cmd::kDeleteVlanMirror, lp.unit, lp.port, vid},
            w[1] + " VLAN " + w[2] + " mirroring");
    }
    if (op == "mac") {
        if (w.size() != 3 || !parse_port(w[1], &lp) || (w[2] != "on" && w[2] != "off"))
            return usage_error("mirror mac DEST on|off");
        return swdrv_request(
            args, {cmd::kSetDestPortForMacMirror, lp.unit, lp.port, w[2] == "on" ? 1u : 0u},
            "set the MAC mirror destination");
    }
    return usage_error("unknown mirror operation \"" + op + "\"");
}

}  // namespace drvctl
