// Transceiver EEPROM images: what a pluggable module holds on its two-wire interface, built
// from a short description or loaded from a file (the hex dump `ethtool -m DEV hex on`
// prints, or raw bytes), and the diagnostic readings written into them the way the module's
// own monitor would.
//
// Layouts: SFP (identifier 3) has address A0h (identification) and A2h (diagnostics), 256
// bytes each. XFP (6) has one address: the lower page (diagnostics) and upper page 01 (its
// identification). QSFP (12) and QSFP+ (13) have the lower page, upper page 00
// (identification) and upper page 03 (thresholds), selected by byte 127.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chipsim::xcvr {

constexpr uint8_t kIdSfp = 3;
constexpr uint8_t kIdXfp = 6;
constexpr uint8_t kIdQsfp = 12;
constexpr uint8_t kIdQsfpPlus = 13;

struct Image {
    std::vector<uint8_t> a0;     // 256: SFP A0h; XFP, QSFP: lower page and upper page 00/01
    std::vector<uint8_t> a2;     // SFP A2h (256), or empty: the module has no A2h address
    std::vector<uint8_t> page3;  // QSFP upper page 03 (128), or empty
    uint8_t id() const { return a0.empty() ? 0 : a0[0]; }
    bool paged() const { return id() == kIdQsfp || id() == kIdQsfpPlus; }
};

// Diagnostic readings in engineering units. Only the quantities whose bit is in `mask` are
// written; lane 0 writes every lane of a QSFP, 1 to 4 one lane.
constexpr uint32_t kReadTemp = 1, kReadVcc = 2, kReadBias = 4, kReadTx = 8, kReadRx = 16;
struct Readings {
    uint32_t mask = 0;
    uint32_t lane = 0;
    double temp_c = 0;
    double vcc_v = 0;
    double bias_ma = 0;
    double tx_dbm = 0;
    double rx_dbm = 0;
};

// A module to build.
struct Description {
    std::string type = "sfp";  // sfp, xfp, qsfp, qsfp+
    std::string vendor = "VIRTUAL OPTICS";
    std::string pn = "VO-SFP-LX";
    std::string serial = "VO00000001";
    std::string rev = "A";
    std::string date = "260101";
    uint32_t wavelength_nm = 1310;
    bool external_cal = false;  // SFP only: calibration constants in A2h
    Readings readings{
        kReadTemp | kReadVcc | kReadBias | kReadTx | kReadRx, 0, 35.0, 3.3, 6.0, -2.0, -7.0};
};

// Builds the module. False with *error for an unknown type or a field that does not fit.
bool build(const Description& d, Image* out, std::string* error);

// The bytes of a file: an ethtool hex dump ("0x0000: 03 04 ..." lines) when the text holds
// one, raw bytes otherwise. False with *error for a dump with gaps or bad hex.
bool parse_file(const std::vector<uint8_t>& content, std::vector<uint8_t>* bytes,
                std::string* error);
// Splits a module's bytes by its identifier: SFP 256 (A0h only) or 512 (A0h, A2h); XFP 256;
// QSFP 256 (no page 03), 384 (page 03 follows) or 640 (pages 01 to 03 follow, as ethtool
// dumps them); any other identifier 256 or 512 laid out as an SFP. False with *error for
// any other size (a truncated image).
bool split(const std::vector<uint8_t>& bytes, Image* out, std::string* error);
// The module's bytes as split() takes them.
std::vector<uint8_t> join(const Image& img);

// Writes readings into the diagnostics area of a module (SFP: A2h; XFP, QSFP: the lower
// page), as raw values that the module's calibration turns back into the readings. `a0` is
// the identification (SFP A0h: its byte 92 says whether the module is externally
// calibrated). False when the module has no diagnostics area.
bool write_readings(uint8_t id, const std::vector<uint8_t>& a0, std::vector<uint8_t>* diag,
                    const Readings& r);

}  // namespace chipsim::xcvr
