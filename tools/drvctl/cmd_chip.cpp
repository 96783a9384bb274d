// Commands about the simulated chip, over the simulation-control queue: the ports with
// their configured and operational state, the PHY registers of a port, and the simulated
// world around the ports (link partners, silent PHYs, failing two-wire devices).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/simctl/simctl.h"
#include "sdk/sdk_port.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace sc = simproto;

const char* speed_name(uint8_t code) {
    switch (code) {
        case SDK_PORT_SPEED_10:
            return "10";
        case SDK_PORT_SPEED_100:
            return "100";
        case SDK_PORT_SPEED_1000:
            return "1000";
        case SDK_PORT_SPEED_10000:
            return "10G";
        default:
            return "-";
    }
}

bool parse_speed(const std::string& text, uint32_t* code) {
    static const struct {
        const char* name;
        uint32_t code;
    } speeds[] = {{"10", SDK_PORT_SPEED_10},
                  {"100", SDK_PORT_SPEED_100},
                  {"1000", SDK_PORT_SPEED_1000},
                  {"10000", SDK_PORT_SPEED_10000}};
    for (const auto& s : speeds)
        if (text == s.name) {
            *code = s.code;
            return true;
        }
    return false;
}

bool parse_abilities(const std::string& list, uint32_t* bits) {
    static const struct {
        const char* name;
        uint32_t bit;
    } names[] = {{"10h", sc::kAb10Half},       {"10f", sc::kAb10Full},
                 {"100h", sc::kAb100Half},     {"100f", sc::kAb100Full},
                 {"1000h", sc::kAb1000Half},   {"1000f", sc::kAb1000Full},
                 {"10000f", sc::kAb10000Full}, {"all", sc::kAbAll}};
    *bits = 0;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool found = false;
        for (const auto& n : names)
            if (item == n.name) {
                *bits |= n.bit;
                found = true;
            }
        if (!found) return false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

std::string abilities_text(uint32_t bits) {
    static const char* names[] = {"10h", "10f", "100h", "100f", "1000h", "1000f", "10000f"};
    if (bits == sc::kAbAll) return "all";
    std::string out;
    for (int i = 0; i < 7; ++i)
        if (bits & (1u << i)) out += std::string(out.empty() ? "" : ",") + names[i];
    return out.empty() ? "none" : out;
}

int port_arg(const std::string& text, uint32_t* port) {
    if (!parse_u32(text, port) || *port < 1 || *port > 16)
        return usage_error("PORT is a front port, 1 to 16");
    return kExitOk;
}

// sim cable PORT PAIR open|short|cross|ok METRES, or sim cable PORT none.
int sim_cable(Args& args) {
    const auto& w = args.words;
    const char* usage =
        "sim cable PORT A|B|C|D|all open|short|cross|ok METRES | sim cable PORT none";
    uint32_t port = 0, metres = 0, pair = 0, state = 0;
    if (w.size() < 3) return usage_error(usage);
    if (int rc = port_arg(w[1], &port)) return rc;
    Response resp;
    if (w.size() == 3 && w[2] == "none")
        return sim_request(args, sc::kCable, {port, 0, 0, 0}, &resp);
    static const char* const kStates[] = {"ok", "open", "short", "cross"};
    if (w.size() != 5 || !parse_u32(w[4], &metres) || metres > 1000) return usage_error(usage);
    if (w[2] == "all")
        pair = sc::kCableAllPairs;
    else if (w[2].size() == 1 && w[2][0] >= 'A' && w[2][0] <= 'D')
        pair = static_cast<uint32_t>(w[2][0] - 'A');
    else
        return usage_error(usage);
    for (uint32_t i = 0; i < 4; ++i)
        if (w[3] == kStates[i]) state = i + 1;
    if (state == 0) return usage_error(usage);
    return sim_request(args, sc::kCable, {port, pair, state, metres}, &resp);
}

int show_phy_page(const Response& resp, uint32_t port, uint32_t page) {
    sc::PhyDump d;
    if (int rc = read_reply(resp, &d)) return rc;
    std::printf("port %u: PHY class 0x%03x, page %u\n", port, d.phy_class, page);
    for (uint32_t r = 0; r < 32; ++r)
        std::printf("  %2u: 0x%04x%s", r, d.regs[r], r % 4 == 3 ? "\n" : "");
    return kExitOk;
}

// Reads a PHY register; prints its value.
int phy_read(Args& args, const std::vector<uint32_t>& words, sc::PhyValue* v);

int show_c45(Args& args, uint32_t port) {
    static const struct {
        uint32_t mmd, reg;
        const char* what;
    } regs[] = {{1, 0, "PMA control"},      {1, 1, "PMA status"},
                {1, 2, "identifier 2"},     {1, 3, "identifier 3"},
                {1, 9, "transmit disable"}, {1, 0xC309, "vendor control"},
                {3, 0xC040, "speed mode"},  {3, 0xC048, "speed mode"}};
    std::printf("port %u: clause-45 PHY\n", port);
    for (const auto& r : regs) {
        sc::PhyValue v;
        if (int rc = phy_read(args, {port, 1, r.mmd, r.reg}, &v)) return rc;
        std::printf("  %u.0x%04x: 0x%04x  %s\n", r.mmd, r.reg, v.value, r.what);
    }
    return kExitOk;
}

int phy_read(Args& args, const std::vector<uint32_t>& words, sc::PhyValue* v) {
    Response resp;
    if (int rc = sim_request(args, sc::kPhyRead, words, &resp)) return rc;
    return read_reply(resp, v);
}

}  // namespace

int cmd_ports(Args& args) {
    if (!args.words.empty()) return usage_error("ports takes no arguments");
    Response resp;
    if (int rc = sim_request(args, sc::kPorts, {}, &resp)) return rc;
    sc::List<sc::PortRecord> ports;
    if (int rc = read_reply(resp, &ports)) return rc;
    std::printf(
        "port dev/port admin link  config     oper       autoneg flowctl  mru   phy    "
        "partner\n");
    for (const sc::PortRecord& r : ports.items) {
        uint32_t f = r.flags;
        bool link = f & sc::kPortFlagLink;
        std::string cfg = std::string(speed_name(r.speed)) + (r.duplex ? " half" : " full");
        std::string oper =
            link ? std::string(speed_name(r.link_speed)) + (r.link_duplex ? " half" : " full")
                 : std::string("-");
        const char* fc = (f & sc::kPortFlagFlowControl) ? "on"
                         : (f & sc::kPortFlagFcAn)      ? "auto"
                                                        : "off";
        std::string partner = "none";
        if ((f & sc::kPortFlagPartner) && (f & sc::kPortFlagPartnerAutoneg))
            partner = "auto " + abilities_text(r.partner_abilities);
        else if (f & sc::kPortFlagPartner)
            partner = std::string("forced ") + speed_name(r.partner_speed) +
                      (r.partner_full ? " full" : " half");
        std::printf("%4u %3u/%-3u %-5s %-5s %-10s %-10s %-7s %-8s %-5u 0x%03x %s%s%s\n", r.front,
                    r.device, r.dev_port, (f & sc::kPortFlagAdmin) ? "up" : "down",
                    link ? "up" : "down", cfg.c_str(), oper.c_str(),
                    (f & sc::kPortFlagSpeedAn) ? "on" : "off", fc, r.mru, r.phy_class,
                    partner.c_str(), (f & sc::kPortFlagLinkFibre) ? " (fibre)" : "",
                    (f & sc::kPortFlagPhySilent) ? " [PHY silent]" : "");
    }
    return kExitOk;
}

int cmd_phy(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("phy needs a PORT");
    uint32_t port, a = 0, b = 0, c = 0;
    if (int rc = port_arg(w[0], &port)) return rc;
    if (w.size() <= 2 && (w.size() == 1 || w[1] != "c45")) {
        if (w.size() == 2 && !parse_u32(w[1], &a)) return usage_error("PAGE is a number");
        Response dump;
        int rc = sim_request(args, sc::kPhyDump, {port, a}, &dump, true);
        if (rc == kExitFailed) return show_c45(args, port);  // no clause-22 pages to dump
        if (rc == kExitOk) rc = show_phy_page(dump, port, a);
        return rc;
    }
    const std::string& op = w[1];
    Response resp;
    if (op == "read" && (w.size() == 3 || w.size() == 4)) {
        bool paged = w.size() == 4;
        if ((paged && !parse_u32(w[2], &a)) || !parse_u32(w[w.size() - 1], &b))
            return usage_error("phy PORT read [PAGE] REG");
        sc::PhyValue v;
        if (int rc = phy_read(args, {port, 0, a, b}, &v)) return rc;
        std::printf("0x%04x\n", v.value);
        return kExitOk;
    }
    if (op == "write" && (w.size() == 4 || w.size() == 5)) {
        bool paged = w.size() == 5;
        if ((paged && !parse_u32(w[2], &a)) || !parse_u32(w[w.size() - 2], &b) ||
            !parse_u32(w[w.size() - 1], &c))
            return usage_error("phy PORT write [PAGE] REG VALUE");
        return sim_request(args, sc::kPhyWrite, {port, 0, a, b, c}, &resp);
    }
    if (op == "c45" && (w.size() == 4 || w.size() == 5)) {
        if (!parse_u32(w[2], &a) || !parse_u32(w[3], &b) || (w.size() == 5 && !parse_u32(w[4], &c)))
            return usage_error("phy PORT c45 DEVICE REG [VALUE]");
        if (w.size() == 5) return sim_request(args, sc::kPhyWrite, {port, 1, a, b, c}, &resp);
        sc::PhyValue v;
        if (int rc = phy_read(args, {port, 1, a, b}, &v)) return rc;
        std::printf("0x%04x\n", v.value);
        return kExitOk;
    }
    return usage_error("unknown phy operation");
}

int cmd_sim(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("sim needs partner, cable, phy, twsi, poe, sfp or help");
    if (w[0] == "poe") return cmd_sim_poe(args);
    if (w[0] == "sfp") return cmd_sim_sfp(args);
    if (w[0] == "help" && w.size() == 1) {
        std::printf(
            "simulation-control commands (queue %u; `drvctl raw --queue %u CMD WORD...`):\n",
            simctl::kQueueKey, simctl::kQueueKey);
        for (const sc::Command& c : sc::kCommands)
            std::printf("  %2u  %-15s %s\n", c.id, c.name, c.usage);
        return kExitOk;
    }
    Response resp;
    if (w[0] == "partner" && w.size() >= 3) {
        uint32_t port;
        if (int rc = port_arg(w[1], &port)) return rc;
        if (int rc = sim_request(args, sc::kPartnerGet, {port}, &resp)) return rc;
        sc::PartnerRequest rq;
        rq.port = port;
        if (int rc = read_reply(resp, &rq.partner)) return rc;
        sc::Partner& p = rq.partner;
        for (size_t i = 2; i < w.size(); ++i) {
            const std::string& o = w[i];
            if (o == "up")
                p.present = 1;
            else if (o == "down")
                p.present = 0;
            else if (o == "auto")
                p.autoneg = 1;
            else if (o == "pause" || o == "nopause")
                p.pause = o == "pause";
            else if (o == "asym" || o == "noasym")
                p.asym_pause = o == "asym";
            else if (o == "fibre" || o == "copper")
                p.fibre = o == "fibre";
            else if (o == "abilities" && i + 1 < w.size()) {
                if (!parse_abilities(w[++i], &p.abilities)) return usage_error("unknown ability");
            } else if (o == "forced" && i + 1 < w.size()) {
                std::string s = w[++i];
                p.forced_full = 1;
                for (const char* suffix : {"half", "full"}) {
                    size_t at = s.size() >= 4 ? s.size() - 4 : 0;
                    if (s.compare(at, 4, suffix) == 0) {
                        p.forced_full = std::string(suffix) == "full";
                        s.resize(at);
                    }
                }
                if (!parse_speed(s, &p.forced_speed)) return usage_error("forced SPEED[half|full]");
                p.autoneg = 0;
            } else {
                return usage_error("unknown partner setting " + o);
            }
        }
        return sim_request_bytes(args, sc::kPartner, sc::encode(rq), &resp);
    }
    if (w[0] == "cable") return sim_cable(args);
    if (w[0] == "phy" && w.size() == 3 && (w[2] == "answer" || w[2] == "silent")) {
        uint32_t port;
        if (int rc = port_arg(w[1], &port)) return rc;
        return sim_request(args, sc::kPhyAnswer, {port, w[2] == "answer"}, &resp);
    }
    if (w[0] == "twsi" && w.size() == 5 && w[3] == "fail") {
        uint32_t bus, addr, n;
        if (!parse_u32(w[1], &bus) || !parse_u32(w[2], &addr) || !parse_u32(w[4], &n))
            return usage_error("sim twsi BUS ADDR fail N");
        return sim_request(args, sc::kTwsiFail, {bus, addr, n}, &resp);
    }
    return usage_error("unknown sim command");
}

}  // namespace drvctl
