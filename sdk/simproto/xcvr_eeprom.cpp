#include "sdk/simproto/xcvr_eeprom.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace chipsim::xcvr {
namespace {

void put16(std::vector<uint8_t>& m, size_t at, uint16_t v) {
    m[at] = static_cast<uint8_t>(v >> 8);
    m[at + 1] = static_cast<uint8_t>(v);
}

void put_float(std::vector<uint8_t>& m, size_t at, float f) {
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    for (int i = 0; i < 4; ++i)
        m[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

float get_float(const std::vector<uint8_t>& m, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | m[at + i];
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

// A text field, padded with blanks. False when the text is longer than the field.
bool put_text(std::vector<uint8_t>& m, size_t at, size_t len, const std::string& s) {
    if (s.size() > len) return false;
    for (size_t i = 0; i < len; ++i)
        m[at + i] = i < s.size() ? static_cast<uint8_t>(s[i]) : ' ';
    return true;
}

uint8_t checksum(const std::vector<uint8_t>& m, size_t from, size_t to) {
    unsigned sum = 0;
    for (size_t i = from; i <= to; ++i)
        sum += m[i];
    return static_cast<uint8_t>(sum);
}

// The calibration a module applies to its raw readings.
struct Cal {
    double rx[5] = {0, 0, 0, 1, 0};  // Rx4, Rx3, Rx2, Rx1, Rx0
    double bias_slope = 1, tx_slope = 1, temp_slope = 1, vcc_slope = 1;
    double bias_off = 0, tx_off = 0, temp_off = 0, vcc_off = 0;
};

Cal calibration(uint8_t id, const std::vector<uint8_t>& a0, const std::vector<uint8_t>& diag) {
    Cal c;
    if (id != kIdSfp || a0.size() < 93 || !(a0[92] & 0x40) || !(a0[92] & 0x10)) return c;
    for (int i = 0; i < 5; ++i)
        c.rx[i] = get_float(diag, 56 + 4 * i);
    auto slope = [&](size_t at) { return (diag[at] << 8 | diag[at + 1]) / 256.0; };
    auto off = [&](size_t at) {
        return static_cast<double>(int16_t(diag[at] << 8 | diag[at + 1]));
    };
    c.bias_slope = slope(76), c.bias_off = off(78);
    c.tx_slope = slope(80), c.tx_off = off(82);
    c.temp_slope = slope(84), c.temp_off = off(86);
    c.vcc_slope = slope(88), c.vcc_off = off(90);
    return c;
}

uint16_t clamp_u16(double v) {
    if (!(v > 0)) return 0;
    if (v > 65535) return 65535;
    return static_cast<uint16_t>(std::lround(v));
}

// Raw readings for values in engineering units (the inverse of the module's calibration).
uint16_t raw_temp(const Cal& c, double celsius) {
    double v = c.temp_slope > 0 ? (celsius * 256 - c.temp_off) / c.temp_slope : 0;
    v = std::clamp(v, -32768.0, 32767.0);
    return static_cast<uint16_t>(static_cast<int16_t>(std::lround(v)));
}
uint16_t raw_linear(double value, double scale, double slope, double off) {
    return slope > 0 ? clamp_u16((value * scale - off) / slope) : 0;
}
double dbm_to_tenth_uw(double dbm) {
    return std::pow(10.0, (dbm - 30) / 10) * 1e7;
}
uint16_t raw_rx(const Cal& c, double dbm) {
    const double target = dbm_to_tenth_uw(dbm);
    auto poly = [&](double r) {
        return (((c.rx[0] * r + c.rx[1]) * r + c.rx[2]) * r + c.rx[3]) * r + c.rx[4];
    };
    double lo = 0, hi = 65535;
    if (!(poly(hi) > poly(lo))) return 0;  // not a rising curve: nothing sensible to write
    for (int i = 0; i < 60; ++i) {
        double mid = (lo + hi) / 2;
        (poly(mid) < target ? lo : hi) = mid;
    }
    return clamp_u16(lo);
}

// Thresholds: high alarm, low alarm, high warning, low warning.
struct Limits {
    double temp[4] = {70, -10, 65, -5};
    double vcc[4] = {3.6, 3.0, 3.5, 3.1};
    double bias[4] = {15, 1, 12, 2};
    double tx[4] = {2, -11, 1, -10};
    double rx[4] = {0, -25, -1, -24};
};

void write_limits(std::vector<uint8_t>& m, const Cal& c, size_t temp, size_t vcc, size_t bias,
                  size_t tx, size_t rx) {
    Limits l;
    for (int i = 0; i < 4; ++i) {
        put16(m, temp + 2 * i, raw_temp(c, l.temp[i]));
        put16(m, vcc + 2 * i, raw_linear(l.vcc[i], 10000, c.vcc_slope, c.vcc_off));
        put16(m, bias + 2 * i, raw_linear(l.bias[i], 500, c.bias_slope, c.bias_off));
        if (tx) put16(m, tx + 2 * i, raw_linear(dbm_to_tenth_uw(l.tx[i]), 1, c.tx_slope, c.tx_off));
        put16(m, rx + 2 * i, raw_rx(c, l.rx[i]));
    }
}

// The identification fields shared by XFP and QSFP (upper page, from byte 128).
bool upper_ident(std::vector<uint8_t>& m, uint8_t id, const Description& d) {
    m[128] = id;
    m[130] = 0x07;  // LC
    m[140] = 103;   // nominal bit rate, 100 Mb/s units
    m[142] = 10;    // km
    bool ok = put_text(m, 148, 16, d.vendor) && put_text(m, 168, 16, d.pn) &&
              put_text(m, 184, 2, d.rev) && put_text(m, 196, 16, d.serial) &&
              put_text(m, 212, 8, d.date);
    m[165] = 0x00, m[166] = 0x12, m[167] = 0xcf;
    put16(m, 186, static_cast<uint16_t>(std::min<uint32_t>(d.wavelength_nm * 20, 65535)));
    m[191] = checksum(m, 128, 190);
    m[223] = checksum(m, 192, 222);
    return ok;
}

}  // namespace

bool write_readings(uint8_t id, const std::vector<uint8_t>& a0, std::vector<uint8_t>* diag,
                    const Readings& r) {
    if (!diag || diag->size() < 128 || a0.size() < 256) return false;
    std::vector<uint8_t>& m = *diag;
    Cal c = calibration(id, a0, m);
    if (id == kIdQsfp || id == kIdQsfpPlus) {
        if (r.mask & kReadTemp) put16(m, 22, raw_temp(c, r.temp_c));
        if (r.mask & kReadVcc) put16(m, 26, raw_linear(r.vcc_v, 10000, 1, 0));
        for (uint32_t lane = 1; lane <= 4; ++lane) {
            if (r.lane && r.lane != lane) continue;
            if (r.mask & kReadRx) put16(m, 34 + 2 * (lane - 1), raw_rx(c, r.rx_dbm));
            if (r.mask & kReadBias) put16(m, 42 + 2 * (lane - 1), raw_linear(r.bias_ma, 500, 1, 0));
        }
        return true;
    }
    if (r.mask & kReadTemp) put16(m, 96, raw_temp(c, r.temp_c));
    if (r.mask & kReadBias) put16(m, 100, raw_linear(r.bias_ma, 500, c.bias_slope, c.bias_off));
    if (r.mask & kReadTx)
        put16(m, 102, raw_linear(dbm_to_tenth_uw(r.tx_dbm), 1, c.tx_slope, c.tx_off));
    if (r.mask & kReadRx) put16(m, 104, raw_rx(c, r.rx_dbm));
    if (r.mask & kReadVcc) {
        uint16_t v = raw_linear(r.vcc_v, 10000, c.vcc_slope, c.vcc_off);
        if (id != kIdXfp) {
            put16(m, 98, v);
        } else {
            // The auxiliary input whose type is 7 carries the supply voltage.
            uint8_t types = a0[222];
            if ((types >> 4) == 7) put16(m, 106, v);
            if ((types & 0xF) == 7) put16(m, 108, v);
        }
    }
    return true;
}

bool build(const Description& d, Image* out, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    Image img;
    img.a0.assign(256, 0);
    std::vector<uint8_t>& a0 = img.a0;
    Cal cal;
    if (d.type == "sfp") {
        a0[0] = kIdSfp;
        a0[1] = 0x04;
        a0[2] = 0x07;  // LC
        a0[6] = 0x02;  // 1000BASE-LX
        a0[11] = 0x01;
        a0[12] = 13;  // 1300 Mb/s
        a0[14] = 10;
        a0[15] = 100;
        if (!put_text(a0, 20, 16, d.vendor) || !put_text(a0, 40, 16, d.pn) ||
            !put_text(a0, 56, 4, d.rev) || !put_text(a0, 68, 16, d.serial) ||
            !put_text(a0, 84, 8, d.date))
            return fail(
                "a text field is too long (vendor and part number 16, revision 4, "
                "serial 16, date 8)");
        a0[37] = 0x00, a0[38] = 0x12, a0[39] = 0xcf;
        put16(a0, 60, static_cast<uint16_t>(std::min<uint32_t>(d.wavelength_nm, 65535)));
        a0[63] = checksum(a0, 0, 62);
        a0[92] = d.external_cal ? 0x58 : 0x68;
        a0[93] = 0xF0;
        a0[94] = 0x08;
        a0[95] = checksum(a0, 64, 94);
        img.a2.assign(256, 0);
        std::vector<uint8_t>& a2 = img.a2;
        if (d.external_cal) {
            // A receive curve of 2 x reading, and slopes and offsets that differ from the
            // defaults so that a reader that ignores them gets the values wrong.
            put_float(a2, 56, 0), put_float(a2, 60, 0), put_float(a2, 64, 0);
            put_float(a2, 68, 2.0f), put_float(a2, 72, 0);
            put16(a2, 76, 0x0200), put16(a2, 78, 0);       // bias: x2
            put16(a2, 80, 0x0080), put16(a2, 82, 100);     // tx: x0.5 + 100
            put16(a2, 84, 0x0100), put16(a2, 86, 0xFF00);  // temp: -1 degree C
            put16(a2, 88, 0x00C0), put16(a2, 90, 0);       // vcc: x0.75
            cal = calibration(kIdSfp, a0, a2);
        }
        write_limits(a2, cal, 0, 8, 16, 24, 32);
        a2[95] = checksum(a2, 0, 94);
        write_readings(kIdSfp, a0, &a2, d.readings);
    } else if (d.type == "xfp") {
        if (d.external_cal) return fail("only an SFP is externally calibrated");
        if (!upper_ident(a0, kIdXfp, d)) return fail("a text field is too long");
        a0[0] = kIdXfp;
        a0[127] = 1;
        a0[222] = 0x70;  // AUX1: supply voltage
        write_limits(a0, cal, 0, 8, 16, 24, 32);
        // The thresholds sit where the monitor reads them (from byte 0), but byte 0 is the
        // identifier: the temperature high alarm keeps it as its high byte.
        a0[0] = kIdXfp;
        write_readings(kIdXfp, a0, &a0, d.readings);
    } else if (d.type == "qsfp" || d.type == "qsfp+") {
        if (d.external_cal) return fail("only an SFP is externally calibrated");
        uint8_t id = d.type == "qsfp" ? kIdQsfp : kIdQsfpPlus;
        if (!upper_ident(a0, id, d)) return fail("a text field is too long");
        a0[0] = id;
        a0[127] = 0;
        img.page3.assign(256, 0);  // built at full-page offsets, trimmed below
        write_limits(img.page3, cal, 128, 144, 184, 0, 176);
        img.page3.erase(img.page3.begin(), img.page3.begin() + 128);
        write_readings(id, a0, &a0, d.readings);
    } else {
        return fail("unknown module type " + d.type + " (sfp, xfp, qsfp or qsfp+)");
    }
    *out = std::move(img);
    return true;
}

bool parse_file(const std::vector<uint8_t>& content, std::vector<uint8_t>* bytes,
                std::string* error) {
    std::string text(content.begin(), content.end());
    bool dump = false;
    std::vector<uint8_t> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 2, "0x") != 0) continue;
        size_t colon = line.find(':', start);
        if (colon == std::string::npos) continue;
        char* end = nullptr;
        unsigned long off = std::strtoul(line.c_str() + start, &end, 16);
        if (end != line.c_str() + colon) continue;
        dump = true;
        if (off != out.size()) {
            if (error)
                *error = "the hex dump has a gap or overlap at offset " + std::to_string(off);
            return false;
        }
        std::istringstream vals(line.substr(colon + 1));
        std::string tok;
        while (vals >> tok) {
            if (tok.size() != 2 || !std::isxdigit(static_cast<unsigned char>(tok[0])) ||
                !std::isxdigit(static_cast<unsigned char>(tok[1]))) {
                if (error) *error = "bad byte '" + tok + "' in the hex dump";
                return false;
            }
            out.push_back(static_cast<uint8_t>(std::strtoul(tok.c_str(), nullptr, 16)));
        }
    }
    *bytes = dump ? std::move(out) : content;
    return true;
}

bool split(const std::vector<uint8_t>& b, Image* out, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (b.empty()) return fail("the image is empty");
    Image img;
    const uint8_t id = b[0];
    const size_t n = b.size();
    if (n < 256) return fail("the image is truncated: " + std::to_string(n) + " bytes");
    img.a0.assign(b.begin(), b.begin() + 256);
    if (id == kIdXfp) {
        if (n != 256) return fail("an XFP image is 256 bytes, not " + std::to_string(n));
    } else if (id == kIdQsfp || id == kIdQsfpPlus) {
        if (n == 384)
            img.page3.assign(b.begin() + 256, b.end());
        else if (n == 640)
            img.page3.assign(b.begin() + 512, b.end());
        else if (n != 256)
            return fail("a QSFP image is 256, 384 or 640 bytes, not " + std::to_string(n));
    } else {
        if (n == 512)
            img.a2.assign(b.begin() + 256, b.end());
        else if (n != 256)
            return fail("an SFP image is 256 or 512 bytes, not " + std::to_string(n));
    }
    *out = std::move(img);
    return true;
}

std::vector<uint8_t> join(const Image& img) {
    std::vector<uint8_t> b = img.a0;
    b.insert(b.end(), img.a2.begin(), img.a2.end());
    b.insert(b.end(), img.page3.begin(), img.page3.end());
    return b;
}

}  // namespace chipsim::xcvr
