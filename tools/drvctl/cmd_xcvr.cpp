// Transceivers: `transceiver` shows what the transceiver monitor holds for each cage, in the
// layout of `ethtool -m`; `sim sfp ...` plugs, pulls and changes the simulated modules.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/common/byteorder.h"
#include "platform/firmware/swdrv_om.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/xcvr_cmds.h"
#include "sdk/simproto/xcvr_eeprom.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace xc = chipsim::xcvr;

struct CageRow {
    uint32_t front, index, bus;
    bool module;
    uint8_t id;
};

int read_cages(Args& args, std::vector<CageRow>* out) {
    Response resp;
    if (int rc = sim_request_bytes(args, xc::cmd::kCages, {}, &resp)) return rc;
    const uint32_t n = resp.word(1);
    for (uint32_t i = 0; i < n; ++i) {
        size_t at = 8 + i * xc::cmd::kCageRecordSize;
        if (at + xc::cmd::kCageRecordSize > resp.payload.size()) break;
        const uint8_t* r = resp.payload.data() + at;
        out->push_back(CageRow{r[0], r[1], r[2], r[3] != 0, r[4]});
    }
    return kExitOk;
}

// ---- transceiver ---------------------------------------------------------------------------

struct Held {
    bool present = false, valid = false;
    uint8_t info[SWDRV_SFP_INFO_SIZE] = {};
    float f[31] = {};
    uint8_t los = 0;
    uint8_t raw[SWDRV_SFP_DDM_RAW_SIZE] = {};
};

const char* id_name(uint8_t id) {
    switch (id) {
        case 3:
            return "SFP";
        case 6:
            return "XFP";
        case 12:
            return "QSFP";
        case 13:
            return "QSFP+";
        default:
            return "unknown";
    }
}

const char* connector_name(uint8_t c) {
    switch (c) {
        case 0x01:
            return "SC";
        case 0x07:
            return "LC";
        case 0x0B:
            return "Optical pigtail";
        case 0x0C:
            return "MPO";
        case 0x21:
            return "Copper pigtail";
        case 0x22:
            return "RJ45";
        case 0x23:
            return "No separable connector";
        default:
            return "unknown or unspecified";
    }
}

std::string text(const uint8_t* p, size_t n) {
    std::string s(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), n));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void line(const char* name, const std::string& value) {
    std::printf("\t%-42s: %s\n", name, value.c_str());
}

std::string fmt(const char* f, double v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

std::string power(double dbm) {
    char b[64];
    std::snprintf(b, sizeof b, "%.4f mW / %.2f dBm", std::pow(10.0, dbm / 10), dbm);
    return b;
}

std::string temp(double c) {
    char b[64];
    std::snprintf(b, sizeof b, "%.2f degrees C / %.2f degrees F", c, c * 9 / 5 + 32);
    return b;
}

// One quantity: its value(s), the four flags and the four thresholds.
struct Quantity {
    const char* name;  // as ethtool names it
    int threshold;     // first threshold field
    std::string (*show)(double);
};

std::string show_ma(double v) {
    return fmt("%.3f mA", v);
}
std::string show_v(double v) {
    return fmt("%.4f V", v);
}

void show_flags(const Quantity& q, const Held& h, const std::vector<double>& values) {
    static const char* kinds[4] = {"high alarm", "low alarm", "high warning", "low warning"};
    for (int k = 0; k < 4; ++k) {
        const double t = h.f[q.threshold + k];
        bool on = false;
        for (double v : values)
            on = on || (k % 2 == 0 ? v > t : v < t);
        std::string name = std::string(q.name) + " " + kinds[k];
        line(name.c_str(), on ? "On" : "Off");
    }
}

void show_thresholds(const Quantity& q, const Held& h) {
    static const char* kinds[4] = {"high alarm threshold", "low alarm threshold",
                                   "high warning threshold", "low warning threshold"};
    for (int k = 0; k < 4; ++k) {
        std::string name = std::string(q.name) + " " + kinds[k];
        line(name.c_str(), q.show(h.f[q.threshold + k]));
    }
}

void show_module(const Held& h) {
    const uint8_t* in = h.info;
    const uint8_t id = in[1];
    const bool sfp = id == 3, qsfp = id == 12 || id == 13;
    char b[128];
    std::snprintf(b, sizeof b, "0x%02x (%s)", id, id_name(id));
    line("Identifier", b);
    std::snprintf(b, sizeof b, "0x%02x (%s)", in[2], connector_name(in[2]));
    line("Connector", b);
    std::string codes;
    for (int i = 0; i < 8; ++i) {
        std::snprintf(b, sizeof b, "%s0x%02x", i ? " " : "", in[3 + i]);
        codes += b;
    }
    line("Transceiver codes", codes);
    line("BR, Nominal", std::to_string(in[11] * 100) + "MBd");
    line("Length (SMF,km)", std::to_string(in[12]) + "km");
    line("Length (SMF)", std::to_string(in[13] * 100) + "m");
    line("Vendor name", text(in + 14, 16));
    std::snprintf(b, sizeof b, "%02x:%02x:%02x", in[31], in[32], in[33]);
    line("Vendor OUI", b);
    line("Vendor PN", text(in + 34, 16));
    line("Vendor rev", text(in + 51, sfp ? 4 : 2));
    const uint16_t wl = be::get16(in + 56);
    line("Laser wavelength", sfp ? std::to_string(wl) + "nm" : fmt("%.2fnm", wl / 20.0));
    line("Vendor SN", text(in + 58, 16));
    line("Date code", text(in + 75, 8));
    const bool ddm = in[83] & 0x40;
    line("Optical diagnostics support", ddm ? "Yes" : "No");
    if (!ddm) return;
    if (sfp) line("Calibration", (in[83] & 0x80) ? "External" : "Internal");
    if (id == 6) {
        std::snprintf(b, sizeof b, "0x%02x", in[84]);
        line("Auxiliary monitoring types", b);
    }
    const float* f = h.f;
    const int lanes = qsfp ? 4 : 1;
    std::vector<double> bias(f + 22, f + 22 + lanes), rx(f + 27, f + 27 + lanes);
    for (int l = 0; l < lanes; ++l) {
        std::string n = qsfp ? "Laser tx bias current (Channel " + std::to_string(l + 1) + ")"
                             : "Laser bias current";
        line(n.c_str(), show_ma(bias[l]));
    }
    if (!qsfp) line("Laser output power", power(f[26]));
    for (int l = 0; l < lanes; ++l) {
        std::string n = qsfp
                            ? "Rcvr signal avg optical power(Channel " + std::to_string(l + 1) + ")"
                            : "Receiver signal average optical power";
        line(n.c_str(), power(rx[l]));
    }
    line("Module temperature", temp(f[20]));
    line("Module voltage", show_v(f[21]));
    line("Receiver loss of signal", h.los ? "Yes" : "No");
    const Quantity bias_q{"Laser bias current", 8, show_ma};
    const Quantity tx_q{"Laser output power", 12, [](double v) { return power(v); }};
    const Quantity rx_q{"Laser rx power", 16, [](double v) { return power(v); }};
    const Quantity temp_q{"Module temperature", 0, [](double v) { return temp(v); }};
    const Quantity vcc_q{"Module voltage", 4, show_v};
    show_flags(bias_q, h, bias);
    if (!qsfp) show_flags(tx_q, h, {f[26]});
    show_flags(rx_q, h, rx);
    show_flags(temp_q, h, {f[20]});
    show_flags(vcc_q, h, {f[21]});
    show_thresholds(bias_q, h);
    if (!qsfp) show_thresholds(tx_q, h);
    show_thresholds(rx_q, h);
    show_thresholds(temp_q, h);
    show_thresholds(vcc_q, h);
}

void hex_dump(const uint8_t* p, size_t n) {
    std::printf("Offset\t\tValues\n------\t\t------");
    for (size_t i = 0; i < n; ++i) {
        if (i % 16 == 0) std::printf("\n0x%04zx:\t\t", i);
        std::printf("%02x ", p[i]);
    }
    std::printf("\n");
}

int read_held(Args& args, uint32_t index, Held* h) {
    Response resp;
    if (int rc =
            sim_request_bytes(args, SWDRV_OM_SIMCTL_SFP_READ, words_payload({1, index}), &resp))
        return rc;
    if (resp.payload.size() < 4 + SWDRV_OM_SFP_READ_SIZE) {
        std::fprintf(stderr, "drvctl: short answer from the switch\n");
        return kExitFailed;
    }
    const uint8_t* p = resp.payload.data() + 4;
    h->present = p[0];
    h->valid = p[1];
    std::memcpy(h->info, p + 4, SWDRV_SFP_INFO_SIZE);
    for (int i = 0; i < 31; ++i) {
        uint32_t v = be::get32(p + 92 + 4 * i);
        std::memcpy(&h->f[i], &v, sizeof v);
    }
    h->los = p[92 + 124];
    std::memcpy(h->raw, p + 92 + 128, SWDRV_SFP_DDM_RAW_SIZE);
    return kExitOk;
}

// ---- sim sfp --------------------------------------------------------------------------------

bool parse_double(const std::string& s, double* out) {
    char* end = nullptr;
    *out = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == 0 && std::isfinite(*out);
}

int32_t milli(double v) {
    return static_cast<int32_t>(std::lround(v * 1000));
}

// Options --temp --vcc --bias --tx --rx into readings; other options are handed to other().
int parse_readings(const std::vector<std::string>& w, size_t from, xc::Readings* r,
                   const std::function<int(const std::string&, const std::string*)>& other) {
    static const struct {
        const char* opt;
        uint32_t bit;
        double xc::Readings::*field;
    } kOpts[] = {{"--temp", xc::kReadTemp, &xc::Readings::temp_c},
                 {"--vcc", xc::kReadVcc, &xc::Readings::vcc_v},
                 {"--bias", xc::kReadBias, &xc::Readings::bias_ma},
                 {"--tx", xc::kReadTx, &xc::Readings::tx_dbm},
                 {"--rx", xc::kReadRx, &xc::Readings::rx_dbm}};
    for (size_t i = from; i < w.size(); ++i) {
        const std::string* value = i + 1 < w.size() ? &w[i + 1] : nullptr;
        bool done = false;
        for (const auto& o : kOpts) {
            if (w[i] != o.opt) continue;
            if (!value || !parse_double(*value, &(r->*o.field)))
                return usage_error(std::string(o.opt) + " needs a number");
            r->mask |= o.bit;
            ++i;
            done = true;
        }
        if (done) continue;
        int used = other(w[i], value);
        if (used < 0) return usage_error("unknown option " + w[i]);
        i += used;
    }
    return kExitOk;
}

int sfp_port(const std::string& s, uint32_t* port) {
    if (!parse_u32(s, port) || *port < 1 || *port > 16)
        return usage_error("PORT is a front port, 1 to 16");
    return kExitOk;
}

int sim_insert(Args& args, uint32_t port) {
    const auto& w = args.words;
    xc::Description d;
    std::string file;
    bool described = false;
    int rc = parse_readings(w, 3, &d.readings, [&](const std::string& o, const std::string* v) {
        auto need = [&](std::string* out) {
            if (!v) return -1;
            *out = *v;
            described = true;
            return 1;
        };
        if (o == "--file") return need(&file);
        if (o == "--type") return need(&d.type);
        if (o == "--vendor") return need(&d.vendor);
        if (o == "--pn") return need(&d.pn);
        if (o == "--serial") return need(&d.serial);
        if (o == "--rev") return need(&d.rev);
        if (o == "--date") return need(&d.date);
        if (o == "--wavelength") {
            if (!v || !parse_u32(*v, &d.wavelength_nm)) return -1;
            return 1;
        }
        if (o == "--external-cal") {
            d.external_cal = true;
            return 0;
        }
        return -1;
    });
    if (rc) return rc;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!file.empty()) {
        std::ifstream f(file, std::ios::binary);
        if (!f) return usage_error("cannot read " + file);
        std::vector<uint8_t> content((std::istreambuf_iterator<char>(f)),
                                     std::istreambuf_iterator<char>());
        xc::Image img;
        if (!xc::parse_file(content, &bytes, &error) || !xc::split(bytes, &img, &error)) {
            std::fprintf(stderr, "drvctl: %s: %s\n", file.c_str(), error.c_str());
            return kExitFailed;
        }
    } else {
        (void)described;
        xc::Image img;
        if (!xc::build(d, &img, &error)) return usage_error(error);
        bytes = xc::join(img);
    }
    std::vector<uint8_t> payload = words_payload({port, static_cast<uint32_t>(bytes.size())});
    payload.insert(payload.end(), bytes.begin(), bytes.end());
    Response resp;
    return sim_request_bytes(args, xc::cmd::kInsert, payload, &resp);
}

int sim_set(Args& args, uint32_t port) {
    xc::Readings r;
    int rc = parse_readings(args.words, 3, &r, [&](const std::string& o, const std::string* v) {
        if (o == "--lane" && v && parse_u32(*v, &r.lane) && r.lane <= 4) return 1;
        return -1;
    });
    if (rc) return rc;
    if (!r.mask) return usage_error("sim sfp set needs --temp, --vcc, --bias, --tx or --rx");
    Response resp;
    return sim_request_bytes(args, xc::cmd::kSet,
                             words_payload({port, r.mask, r.lane, uint32_t(milli(r.temp_c)),
                                            uint32_t(milli(r.vcc_v)), uint32_t(milli(r.bias_ma)),
                                            uint32_t(milli(r.tx_dbm)), uint32_t(milli(r.rx_dbm))}),
                             &resp);
}

}  // namespace

int cmd_sim_sfp(Args& args) {
    const auto& w = args.words;  // "sfp", verb, ...
    if (w.size() < 2) return usage_error("sim sfp needs insert, remove, set, fail, list or dump");
    const std::string& verb = w[1];
    Response resp;
    if (verb == "list") {
        std::vector<CageRow> cages;
        if (int rc = read_cages(args, &cages)) return rc;
        for (const CageRow& c : cages)
            std::printf("port %u: cage %u, bus %u: %s\n", c.front, c.index, c.bus,
                        c.module ? id_name(c.id) : "empty");
        return kExitOk;
    }
    uint32_t port;
    if (w.size() < 3) return usage_error("sim sfp " + verb + " needs a PORT");
    if (int rc = sfp_port(w[2], &port)) return rc;
    if (verb == "insert") return sim_insert(args, port);
    if (verb == "set") return sim_set(args, port);
    if (verb == "remove" && w.size() == 3)
        return sim_request_bytes(args, xc::cmd::kRemove, words_payload({port}), &resp);
    if (verb == "fail" && (w.size() == 4 || (w.size() == 5 && w[4] == "--id"))) {
        uint32_t n;
        if (!parse_u32(w[3], &n)) return usage_error("sim sfp fail PORT N [--id]");
        return sim_request_bytes(args, xc::cmd::kFail, words_payload({port, n, w.size() == 5}),
                                 &resp);
    }
    if (verb == "dump" && w.size() == 3) {
        if (int rc = sim_request_bytes(args, xc::cmd::kImage, words_payload({port}), &resp))
            return rc;
        const uint32_t n = resp.word(1);
        if (8 + n > resp.payload.size()) return kExitFailed;
        hex_dump(resp.payload.data() + 8, n);
        return kExitOk;
    }
    return usage_error("unknown sim sfp command");
}

int cmd_transceiver(Args& args) {
    const auto& w = args.words;
    bool raw = false;
    uint32_t only = 0;
    for (const std::string& a : w) {
        if (a == "--raw")
            raw = true;
        else if (int rc = sfp_port(a, &only))
            return rc;
    }
    std::vector<CageRow> cages;
    if (int rc = read_cages(args, &cages)) return rc;
    bool shown = false;
    for (const CageRow& c : cages) {
        if ((only && c.front != only) || c.index < 1 || c.index > SWDRV_OM_MAX_SFP) continue;
        Held h;
        if (int rc = read_held(args, c.index, &h)) return rc;
        shown = true;
        std::printf("Port %u (cage %u): %s%s\n", c.front, c.index,
                    h.present ? "module present" : "empty",
                    h.present ? (h.valid ? "" : ", identification not read") : "");
        if (!h.present) continue;
        if (raw) {
            std::printf("Information record:\n");
            hex_dump(h.info, SWDRV_SFP_INFO_SIZE);
            std::printf("Diagnostics image:\n");
            hex_dump(h.raw, SWDRV_SFP_DDM_RAW_SIZE);
        } else if (h.valid) {
            show_module(h);
        }
    }
    if (!shown) {
        std::fprintf(stderr, "drvctl: %s\n",
                     only ? "the port has no monitored transceiver cage" : "no monitored cages");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace drvctl
