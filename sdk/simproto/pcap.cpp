// pcap and pcapng files: the fields are read with the byte order the file declares and every
// length is checked against what is left of the file before it is used.
#include "sdk/simproto/pcap.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace pcap {
namespace {

constexpr uint32_t kMagicMicro = 0xA1B2C3D4;
constexpr uint32_t kMagicNano = 0xA1B23C4D;
constexpr uint32_t kNgSection = 0x0A0D0D0A;
constexpr uint32_t kNgByteOrder = 0x1A2B3C4D;
constexpr uint32_t kNgInterface = 1;
constexpr uint32_t kNgSimplePacket = 3;
constexpr uint32_t kNgEnhancedPacket = 6;
constexpr uint16_t kNgOptEnd = 0;
constexpr uint16_t kNgOptIfName = 2;
constexpr uint16_t kNgOptTsResol = 9;
constexpr uint32_t kLinkEthernet = 1;

// Reads fields of the file's byte order.
struct Reader {
    const uint8_t* p;
    size_t len;
    bool swap = false;

    uint32_t u32(size_t at) const {
        uint32_t v;
        std::memcpy(&v, p + at, 4);
        return swap ? __builtin_bswap32(v) : v;
    }
    uint16_t u16(size_t at) const {
        uint16_t v;
        std::memcpy(&v, p + at, 2);
        return swap ? __builtin_bswap16(v) : v;
    }
};

bool fail(std::string* error, const std::string& why, size_t at) {
    *error = why + " at offset " + std::to_string(at);
    return false;
}

bool parse_classic(Reader r, bool nanos, std::vector<Record>* out, std::string* error) {
    if (r.len < 24) return fail(error, "pcap file header cut short", 0);
    if (r.u32(20) != kLinkEthernet) return fail(error, "link type is not Ethernet", 20);
    for (size_t at = 24; at < r.len;) {
        if (r.len - at < 16) return fail(error, "record header cut short", at);
        uint32_t caplen = r.u32(at + 8), orig = r.u32(at + 12);
        if (caplen > kMaxRecord || caplen > orig) return fail(error, "bad record length", at + 8);
        if (r.len - at - 16 < caplen) return fail(error, "record cut short", at);
        Record rec;
        uint64_t frac = r.u32(at + 4);
        rec.time_ns = uint64_t{r.u32(at)} * 1000000000u + (nanos ? frac : frac * 1000);
        rec.orig_len = orig;
        rec.bytes.assign(r.p + at + 16, r.p + at + 16 + caplen);
        out->push_back(std::move(rec));
        at += 16 + caplen;
    }
    return true;
}

struct NgInterface {
    uint32_t snaplen = 0;
    uint64_t units_per_sec = 1000000;
};

// Options of an interface block: only the time-stamp resolution matters here.
bool ng_options(const Reader& r, size_t at, size_t end, NgInterface* i, std::string* error) {
    while (at + 4 <= end) {
        uint16_t code = r.u16(at), n = r.u16(at + 2);
        if (code == kNgOptEnd) return true;
        if (end - at - 4 < n) return fail(error, "option cut short", at);
        if (code == kNgOptTsResol && n >= 1) {
            uint8_t v = r.p[at + 4];
            uint64_t units = 1;
            for (uint32_t k = 0; k < (v & 0x7F) && units < 1000000000000000000ull; ++k)
                units *= (v & 0x80) ? 2 : 10;
            i->units_per_sec = units;
        }
        at += 4 + ((n + 3u) & ~3u);
    }
    return true;
}

uint64_t to_ns(uint64_t stamp, uint64_t units_per_sec) {
    constexpr uint64_t kNs = 1000000000u;
    if (units_per_sec == 0) return 0;
    if (units_per_sec >= kNs) return stamp / (units_per_sec / kNs);
    return stamp / units_per_sec * kNs + stamp % units_per_sec * kNs / units_per_sec;
}

bool parse_ng(Reader r, std::vector<Record>* out, std::string* error) {
    std::vector<NgInterface> ifs;
    for (size_t at = 0; at < r.len;) {
        if (r.len - at < 12) return fail(error, "block cut short", at);
        uint32_t type;
        std::memcpy(&type, r.p + at, 4);
        if (type == kNgSection) {  // a new section may change the byte order
            uint32_t bom;
            std::memcpy(&bom, r.p + at + 8, 4);
            if (bom == kNgByteOrder)
                r.swap = false;
            else if (__builtin_bswap32(bom) == kNgByteOrder)
                r.swap = true;
            else
                return fail(error, "bad byte-order magic", at + 8);
            ifs.clear();
        } else {
            type = r.u32(at);
        }
        uint32_t blen = r.u32(at + 4);
        if (blen < 12 || blen % 4 || blen > r.len - at)
            return fail(error, "bad block length", at + 4);
        size_t body = at + 8, end = at + blen - 4;
        if (type == kNgInterface) {
            if (end - body < 8) return fail(error, "interface block cut short", at);
            if (r.u16(body) != kLinkEthernet) return fail(error, "link type is not Ethernet", body);
            NgInterface i;
            i.snaplen = r.u32(body + 4);
            if (!ng_options(r, body + 8, end, &i, error)) return false;
            ifs.push_back(i);
        } else if (type == kNgEnhancedPacket || type == kNgSimplePacket) {
            bool enhanced = type == kNgEnhancedPacket;
            size_t head = enhanced ? 20 : 4;
            if (end - body < head) return fail(error, "packet block cut short", at);
            uint32_t ifx = enhanced ? r.u32(body) : 0;
            if (ifx >= ifs.size()) return fail(error, "packet of an undeclared interface", at);
            uint32_t orig = r.u32(body + (enhanced ? 16 : 0));
            uint32_t caplen = enhanced ? r.u32(body + 12) : orig;
            if (!enhanced && ifs[0].snaplen && caplen > ifs[0].snaplen) caplen = ifs[0].snaplen;
            if (caplen > kMaxRecord || (enhanced && caplen > orig))
                return fail(error, "bad packet length", at);
            if (end - body - head < caplen) return fail(error, "packet data cut short", at);
            Record rec;
            if (enhanced)
                rec.time_ns = to_ns(uint64_t{r.u32(body + 4)} << 32 | r.u32(body + 8),
                                    ifs[ifx].units_per_sec);
            rec.orig_len = orig;
            rec.interface = ifx;
            rec.bytes.assign(r.p + body + head, r.p + body + head + caplen);
            out->push_back(std::move(rec));
        }
        at += blen;
    }
    return true;
}

void put(std::FILE* f, const void* p, size_t n) {
    std::fwrite(p, 1, n, f);
}
void put32(std::FILE* f, uint32_t v) {
    put(f, &v, 4);  // pcap files are written in the host's byte order, as tcpdump does
}
void put16(std::FILE* f, uint16_t v) {
    put(f, &v, 2);
}

}  // namespace

bool parse(const uint8_t* data, size_t len, std::vector<Record>* out, std::string* error) {
    out->clear();
    if (len < 4) return fail(error, "not a pcap file (too short)", 0);
    Reader r{data, len};
    uint32_t magic;
    std::memcpy(&magic, data, 4);
    if (magic == kNgSection) return parse_ng(r, out, error);
    for (bool swap : {false, true}) {
        uint32_t m = swap ? __builtin_bswap32(magic) : magic;
        r.swap = swap;
        if (m == kMagicMicro) return parse_classic(r, false, out, error);
        if (m == kMagicNano) return parse_classic(r, true, out, error);
    }
    return fail(error, "not a pcap or pcapng file (bad magic)", 0);
}

bool read_file(const std::string& path, std::vector<Record>* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    return parse(data.data(), data.size(), out, error);
}

Writer::~Writer() {
    close();
}

bool Writer::open(const std::string& path, const std::vector<std::string>& interfaces,
                  std::string* error) {
    close();
    f_ = std::fopen(path.c_str(), "wb");
    if (!f_) {
        *error = "cannot create " + path;
        return false;
    }
    ng_ = path.size() >= 7 && path.compare(path.size() - 7, 7, ".pcapng") == 0;
    if (!ng_) {
        put32(f_, kMagicMicro);
        put16(f_, 2);
        put16(f_, 4);
        put32(f_, 0);
        put32(f_, 0);
        put32(f_, kMaxRecord);
        put32(f_, kLinkEthernet);
        return true;
    }
    put32(f_, kNgSection);
    put32(f_, 28);
    put32(f_, kNgByteOrder);
    put16(f_, 1);
    put16(f_, 0);
    put32(f_, 0xFFFFFFFF);  // section length unknown
    put32(f_, 0xFFFFFFFF);
    put32(f_, 28);
    for (const std::string& name : interfaces) {
        uint32_t name_len = static_cast<uint32_t>(name.size());
        uint32_t padded = (name_len + 3) & ~3u;
        uint32_t blen = 20 + 4 + padded + 4;
        put32(f_, kNgInterface);
        put32(f_, blen);
        put16(f_, kLinkEthernet);
        put16(f_, 0);
        put32(f_, kMaxRecord);
        put16(f_, kNgOptIfName);
        put16(f_, static_cast<uint16_t>(name_len));
        put(f_, name.data(), name_len);
        put(f_, "\0\0\0", padded - name_len);
        put32(f_, kNgOptEnd);  // end of options (code 0, length 0)
        put32(f_, blen);
    }
    return true;
}

bool Writer::write(const Record& r) {
    if (!f_) return false;
    uint32_t caplen = static_cast<uint32_t>(r.bytes.size());
    uint32_t orig = r.orig_len ? r.orig_len : caplen;
    uint64_t us = r.time_ns / 1000;
    if (!ng_) {
        put32(f_, static_cast<uint32_t>(us / 1000000));
        put32(f_, static_cast<uint32_t>(us % 1000000));
        put32(f_, caplen);
        put32(f_, orig);
        put(f_, r.bytes.data(), caplen);
    } else {
        uint32_t padded = (caplen + 3) & ~3u;
        uint32_t blen = 32 + padded;
        put32(f_, kNgEnhancedPacket);
        put32(f_, blen);
        put32(f_, r.interface);
        put32(f_, static_cast<uint32_t>(us >> 32));
        put32(f_, static_cast<uint32_t>(us));
        put32(f_, caplen);
        put32(f_, orig);
        put(f_, r.bytes.data(), caplen);
        put(f_, "\0\0\0", padded - caplen);
        put32(f_, blen);
    }
    return !std::ferror(f_);
}

bool Writer::close() {
    if (!f_) return true;
    bool ok = !std::ferror(f_);
    ok = std::fclose(f_) == 0 && ok;
    f_ = nullptr;
    return ok;
}

}  // namespace pcap
