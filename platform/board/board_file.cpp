// The board-file parser (format in board.h).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/board/board.h"

namespace board {
namespace {

using Fields = std::map<std::string, std::string>;

struct ParseError {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) {
    throw ParseError{what};
}

uint32_t number(const std::string& text, const std::string& name, uint32_t max) {
    if (text.empty()) fail("empty value for " + name);
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno || *end || text[0] == '-') fail("bad number for " + name + ": " + text);
    if (v > max) fail(name + " out of range: " + text);
    return static_cast<uint32_t>(v);
}

class Statement {
  public:
    Statement(std::string keyword, Fields fields)
        : keyword_(std::move(keyword)), fields_(std::move(fields)) {}

    bool has(const std::string& name) const { return fields_.count(name) != 0; }
    std::string text(const std::string& name) {
        auto it = fields_.find(name);
        if (it == fields_.end()) fail(keyword_ + ": missing " + name);
        used_.push_back(name);
        return it->second;
    }
    uint32_t num(const std::string& name, uint32_t max) { return number(text(name), name, max); }
    uint32_t num(const std::string& name, uint32_t max, uint32_t dflt) {
        return has(name) ? num(name, max) : dflt;
    }
    bool flag(const std::string& name) { return has(name) && num(name, 1) != 0; }
    // Every field must have been understood.
    void done() const {
        for (const auto& [name, value] : fields_)
            if (std::find(used_.begin(), used_.end(), name) == used_.end())
                fail(keyword_ + ": unknown field " + name);
    }

  private:
    std::string keyword_;
    Fields fields_;
    std::vector<std::string> used_;
};

uint32_t port_bitmap(const std::string& list) {
    uint32_t bits = 0;
    std::stringstream ss(list);
    std::string item;
    while (std::getline(ss, item, ',')) {
        size_t dash = item.find('-');
        uint32_t lo = number(item.substr(0, dash), "ports", kDevicePorts - 1);
        uint32_t hi = dash == std::string::npos
                          ? lo
                          : number(item.substr(dash + 1), "ports", kDevicePorts - 1);
        if (hi < lo) fail("bad port range " + item);
        for (uint32_t p = lo; p <= hi; ++p)
            bits |= 1u << p;
    }
    return bits;
}

uint8_t port_type(const std::string& t) {
    if (t == "fe") return kPortTypeFe;
    if (t == "ge") return kPortTypeGe;
    if (t == "xg") return kPortTypeXg;
    fail("unknown port type " + t);
}

uint8_t if_mode(const std::string& m) {
    static const std::map<std::string, uint8_t> modes = {
        {"mii", kIfMii},     {"gmii", kIfGmii},           {"rgmii", kIfRgmii},
        {"sgmii", kIfSgmii}, {"qsgmii", kIfQsgmii},       {"1000basex", kIf1000BaseX},
        {"xgmii", kIfXgmii}, {"100basefx", kIf100BaseFx}, {"kr", kIfKr}};
    auto it = modes.find(m);
    if (it == modes.end()) fail("unknown interface mode " + m);
    return it->second;
}

class Parser {
  public:
    explicit Parser(Description* d) : d_(d) {}

    void statement(const std::string& kw, Statement& s) {
        if (kw == "board") {
            d_->name = s.text("name");
        } else if (kw == "system") {
            system(s);
        } else if (kw == "unit") {
            unit(s);
        } else {
            if (!u_) fail(kw + " before unit");
            if (kw == "device")
                device(s);
            else if (kw == "cascade")
                cascade(s);
            else if (kw == "stacking")
                stacking(s);
            else if (kw == "cpu")
                u_->cpu_device = dev_of(s).id;
            else if (kw == "port")
                port(s);
            else if (kw == "sfp")
                sfp(s);
            else if (kw == "cage")
                cage(s);
            else if (kw == "twsi" || kw == "mux")
                twsi(s, kw == "mux");
            else if (kw == "reg")
                u_->regs.push_back({s.num("addr", 0xFFFFFFFF), uint8_t(s.num("value", 0xFF))});
            else if (kw == "partner")
                partner(s);
            else if (kw == "poe")
                poe(s);
            else if (kw == "tap" || kw == "wire")
                attach(s, kw == "wire");
            else
                fail("unknown statement " + kw);
        }
        s.done();
    }

    void finish() {
        if (d_->units.empty()) fail("no unit");
        for (Unit& u : d_->units) {
            if (u.devices.empty()) fail("unit " + std::to_string(u.unit_id) + " has no device");
            std::sort(u.ports.begin(), u.ports.end(),
                      [](const Port& a, const Port& b) { return a.front < b.front; });
            u.num_ports = u.ports.empty() ? 0 : u.ports.back().front;
            u.port_map.fill(PortMapEntry{});
            for (const Port& p : u.ports)
                u.port_map[p.front - 1] = PortMapEntry{u.device(p.device)->hw_dev_num, p.device,
                                                       p.dev_port, p.phy_id, p.kind};
        }
        if (!d_->unit(d_->my_unit)) fail("no unit " + std::to_string(d_->my_unit));
    }

  private:
    void system(Statement& s) {
        if (s.has("mac")) {
            std::string mac = s.text("mac");
            unsigned b[6];
            char tail;
            if (std::sscanf(mac.c_str(), "%x:%x:%x:%x:%x:%x%c", &b[0], &b[1], &b[2], &b[3], &b[4],
                            &b[5], &tail) != 6)
                fail("bad mac " + mac);
            for (int i = 0; i < 6; ++i) {
                if (b[i] > 0xFF) fail("bad mac " + mac);
                d_->mac_address[i] = static_cast<uint8_t>(b[i]);
            }
        }
        if (s.has("serial")) d_->serial_number = s.text("serial");
        d_->start_address = s.num("start", 0xFFFFFFFF, d_->start_address);
        d_->boot_reason_address = s.num("boot_reason", 0xFFFFFFFF, d_->boot_reason_address);
    }

    void unit(Statement& s) {
        Unit u;
        u.unit_id = s.num("id", 8);
        if (u.unit_id != d_->units.size() + 1) fail("units must be numbered 1, 2, ... in order");
        u.board_id = s.num("board_id", 0xFFFFFFFF);
        if (u.unit_id == d_->my_unit) {
            d_->my_module_id = s.num("module", 0xFF, 0);
            d_->master_unit = s.num("master", 8, d_->master_unit);
        }
        d_->units.push_back(u);
        u_ = &d_->units.back();
    }

    const Device& dev_of(Statement& s) {
        const Device* d = u_->device(static_cast<uint8_t>(s.num("device", kMaxDevices - 1)));
        if (!d) fail("undeclared device");
        return *d;
    }

    uint8_t existing_port(Statement& s, const Device& d, const char* name) {
        uint32_t p = s.num(name, kDevicePorts - 1);
        if (!(d.existing_ports & (1u << p)))
            fail("device " + std::to_string(d.id) + " has no port " + std::to_string(p));
        return static_cast<uint8_t>(p);
    }

    void device(Statement& s) {
        Device d;
        d.id = static_cast<uint8_t>(s.num("id", kMaxDevices - 1));
        if (u_->device(d.id)) fail("device " + std::to_string(d.id) + " declared twice");
        if (d.id != u_->devices.size()) fail("devices must be numbered 0, 1, ... in order");
        d.hw_dev_num = static_cast<uint8_t>(s.num("hwdevnum", 31));
        d.family = static_cast<uint8_t>(s.num("family", 0xFF));
        d.revision = static_cast<uint8_t>(s.num("revision", 0xFF, 0));
        d.existing_ports = port_bitmap(s.text("ports"));
        d.serdes = s.num("serdes", 1, 1) != 0;
        d.phy_polling = s.num("polling", 1, 1) != 0;
        d.core_clock = s.num("core_clock", 1000, 200);
        d.trunk_remap = s.num("trunk_remap", 1, 0) != 0;
        if (d.core_clock == 0) fail("core_clock must not be 0");
        d.fdb_size = s.num("fdb_size", 65536, 16384);
        if (d.fdb_size < 4096 || (d.fdb_size & (d.fdb_size - 1)))
            fail("fdb_size must be a power of two from 4096 to 65536");
        u_->devices.push_back(d);
    }

    void cascade(Statement& s) {
        const Device& d = dev_of(s);
        uint8_t p = existing_port(s, d, "port");
        uint8_t type = static_cast<uint8_t>(s.num("type", 1, 0));
        if (u_->port_at(d.id, p)) fail("a front port cannot be a cascade port");
        u_->devices[d.id].cascade.push_back({p, type});
    }

    void stacking(Statement& s) {
        uint32_t which = s.num("which", 2);
        if (which < 1) fail("stacking which must be 1 or 2");
        const Device& d = dev_of(s);
        u_->stacking[which - 1] = DevPort{d.id, existing_port(s, d, "port")};
    }

    void port(Statement& s) {
        Port p;
        p.front = s.num("n", kMaxPortsPerUnit);
        if (p.front == 0) fail("front ports count from 1");
        if (u_->port(p.front)) fail("port " + std::to_string(p.front) + " declared twice");
        const Device& d = dev_of(s);
        p.device = d.id;
        p.dev_port = existing_port(s, d, "devport");
        if (u_->port_at(p.device, p.dev_port)) fail("device port used twice");
        p.phy_id = static_cast<uint8_t>(s.num("phy_id", 0xFE, 0));
        p.kind = static_cast<uint8_t>(s.num("kind", 0xFF, 6));
        p.type = port_type(s.text("type"));
        p.if_mode = if_mode(s.text("if"));
        if (s.has("phy")) {
            p.phy.cls = static_cast<uint16_t>(s.num("phy", 0x3F0));
            if (p.phy.cls & 0xF) fail("a PHY class has its low 4 bits clear");
            p.phy.revision = static_cast<uint8_t>(s.num("rev", 0xF, 0));
            p.phy.smi_interface = static_cast<uint8_t>(s.num("smi", 1));
            p.phy.address = static_cast<uint8_t>(s.num("addr", 31));
        }
        p.combo = s.flag("combo");
        u_->ports.push_back(p);
    }

    Port& port_ref(Statement& s, const char* name) {
        uint32_t front = s.num(name, kMaxPortsPerUnit);
        for (Port& p : u_->ports)
            if (p.front == front) return p;
        fail("undeclared port " + std::to_string(front));
    }

    void sfp(Statement& s) {
        Port& p = port_ref(s, "port");
        p.sfp = true;
        p.sfp_index = s.num("index", 255);
        if (!s.has("tx")) return;
        std::string m = s.text("tx");
        SfpTx& t = p.tx;
        p.sfp_tx = true;
        if (m == "none") {
            t.method = kSfpTxNone;
            return;
        }
        if (m == "twsi")
            t.method = kSfpTxTwsi;
        else if (m == "mux")
            t.method = kSfpTxMux;
        else if (m == "mem")
            t.method = kSfpTxMemory;
        else if (m == "bus")
            t.method = kSfpTxBus;
        else {
            t.method = static_cast<uint8_t>(number(m, "tx", 0xFF));
            return;
        }
        if (t.method == kSfpTxMemory) {
            t.offset = s.num("addr", 0xFFFFFFFF);
        } else {
            t.dev_addr = static_cast<uint8_t>(s.num("dev", 0x7F));
            t.offset = s.num("offset", 0xFFFF);
            t.data_len = static_cast<uint8_t>(s.num("len", 0xFF, 1));
        }
        if (t.method == kSfpTxMux) {
            t.mux_addr = static_cast<uint8_t>(s.num("mux", 0x7F));
            t.mux_channel = static_cast<uint8_t>(s.num("channel", 7));
        }
        if (t.method == kSfpTxBus) t.bus = static_cast<uint8_t>(s.num("bus", 7));
        t.mask = static_cast<uint8_t>(s.num("mask", 0xFF));
        t.disable_value = static_cast<uint8_t>(s.num("disable", 0xFF));
    }

    void cage(Statement& s) {
        Port& p = port_ref(s, "port");
        if (!p.sfp) fail("cage on a port without an sfp line");
        p.cage = true;
        p.present_addr = s.num("present", 0xFFFFFFFF);
        p.present_mask = static_cast<uint8_t>(s.num("mask", 0xFF));
        p.present_shift = static_cast<uint8_t>(s.num("shift", 7));
        p.eeprom_bus = static_cast<uint8_t>(s.num("bus", 0xFF));
    }

    void twsi(Statement& s, bool mux) {
        TwsiDevice t;
        t.bus = static_cast<uint8_t>(s.num("bus", 7));
        t.addr = static_cast<uint8_t>(s.num("addr", 0x7F));
        t.mux = mux;
        t.size = mux ? 1 : s.num("size", 65536, 256);
        if (t.size == 0) fail("size must not be 0");
        if (!mux && s.has("mux")) {
            t.behind = static_cast<uint8_t>(s.num("mux", 0x7F));
            t.channel = static_cast<uint8_t>(s.num("channel", 7));
        }
        if (!mux && s.has("init")) {
            std::stringstream ss(s.text("init"));
            std::string item;
            while (std::getline(ss, item, ',')) {
                size_t colon = item.find(':');
                if (colon == std::string::npos) fail("bad init item " + item);
                uint32_t off = number(item.substr(0, colon), "init", t.size - 1);
                t.init.push_back({off, uint8_t(number(item.substr(colon + 1), "init", 0xFF))});
            }
        }
        for (const TwsiDevice& o : u_->twsi)
            if (o.bus == t.bus && o.addr == t.addr && o.behind == t.behind &&
                o.channel == t.channel)
                fail("two-wire address used twice");
        for (uint8_t a : u_->poe.addrs)
            if (t.bus == u_->poe.bus && t.addr == a && t.behind == 0)
                fail("two-wire address used twice");
        u_->twsi.push_back(t);
    }

    void partner(Statement& s) {
        Port& p = port_ref(s, "port");
        p.partner = s.num("present", 1) != 0;
        if (s.has("medium")) {
            std::string m = s.text("medium");
            if (m != "copper" && m != "fibre") fail("unknown medium " + m);
            p.partner_fibre = m == "fibre";
        }
    }

    // tap port=N [name=IFNAME] [netns=NAME] | wire port=N peer=INSTANCE:PORT
    void attach(Statement& s, bool wire) {
        PortAttach a;
        a.front = s.num("port", kMaxPortsPerUnit);
        if (a.front == 0) fail("port 0 does not exist");
        a.wire = wire;
        if (wire) {
            const std::string peer = s.text("peer");
            const size_t colon = peer.find(':');
            if (colon == std::string::npos) fail("wire: peer is INSTANCE:PORT");
            a.peer_instance = number(peer.substr(0, colon), "peer", 99999);
            a.peer_port = number(peer.substr(colon + 1), "peer", kMaxPortsPerUnit);
        } else {
            if (s.has("name")) a.ifname = s.text("name");
            if (s.has("netns")) a.netns = s.text("netns");
        }
        for (const PortAttach& o : u_->attach)
            if (o.front == a.front) fail("port " + std::to_string(a.front) + " attached twice");
        u_->attach.push_back(a);
    }

    void poe(Statement& s) {
        PoeControllers& c = u_->poe;
        if (!c.addrs.empty()) fail("poe given twice");
        c.bus = static_cast<uint8_t>(s.num("bus", 7));
        uint32_t count = s.num("count", 8);
        c.ports_per_device = static_cast<uint8_t>(s.num("ports", 24));
        c.budget_watts = static_cast<uint16_t>(s.num("budget", 0xFFFF, 60));
        if (count == 0 || c.ports_per_device == 0) fail("poe count and ports must not be 0");
        if (count * c.ports_per_device > 96) fail("poe: more than 96 ports");
        std::stringstream ss(s.text("addr"));
        std::string item;
        while (std::getline(ss, item, ','))
            c.addrs.push_back(static_cast<uint8_t>(number(item, "addr", 0x7F)));
        if (c.addrs.size() == 1)
            for (uint32_t i = 1; i < count; ++i) {
                if (c.addrs[0] + i > 0x7F) fail("poe addresses beyond 0x7f");
                c.addrs.push_back(static_cast<uint8_t>(c.addrs[0] + i));
            }
        if (c.addrs.size() != count) fail("poe: count and addresses disagree");
        for (const TwsiDevice& o : u_->twsi)
            for (uint8_t a : c.addrs)
                if (o.bus == c.bus && o.addr == a && o.behind == 0)
                    fail("two-wire address used twice");
    }

    Description* d_;
    Unit* u_ = nullptr;
};

}  // namespace

bool parse(const std::string& text, Description* out, std::string* error) {
    Description d;
    d.units.clear();
    Parser parser(&d);
    std::stringstream in(text);
    std::string line;
    int n = 0;
    try {
        while (std::getline(in, line)) {
            ++n;
            if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
            std::stringstream ls(line);
            std::string kw, tok;
            if (!(ls >> kw)) continue;
            Fields fields;
            while (ls >> tok) {
                size_t eq = tok.find('=');
                if (eq == std::string::npos || eq == 0) fail("expected NAME=VALUE, got " + tok);
                if (!fields.emplace(tok.substr(0, eq), tok.substr(eq + 1)).second)
                    fail("field " + tok.substr(0, eq) + " given twice");
            }
            Statement s(kw, fields);
            parser.statement(kw, s);
        }
        n = 0;
        parser.finish();
    } catch (const ParseError& e) {
        if (error) *error = (n ? "line " + std::to_string(n) + ": " : std::string()) + e.what;
        return false;
    }
    *out = std::move(d);
    return true;
}

bool load_file(const std::string& path, Description* out, std::string* error) {
    std::ifstream f(path);
    if (!f) {
        if (error) *error = "cannot open the file";
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    return parse(ss.str(), out, error);
}

}  // namespace board
