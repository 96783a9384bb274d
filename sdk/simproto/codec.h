// The wire codec of the simulation-control protocol. A record lists its fields once, in wire
// order, with SIMPROTO_FIELDS; encode, decode and encoded_size work from that list, so the
// daemon that writes a record and the tools that read it share one layout.
//
// Field kinds: unsigned integers (big-endian, their own width); std::array of fields; Zero<N>
// (N zero bytes, skipped when read); std::string (u16 length, then the bytes); a nested
// record; std::vector<T> (as many elements as it holds: its length comes from elsewhere and
// the reader sizes it first); counted(vector, count) (the count is an earlier field of the
// record: the reader sizes the vector from it).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// Inside a record: its fields in wire order, each written `s.name`.
#define SIMPROTO_FIELDS(...)                  \
    template <typename S, typename V>         \
    static constexpr void visit(S& s, V& v) { \
        v(__VA_ARGS__);                       \
    }

namespace simproto {

using Bytes = std::vector<uint8_t>;

// N zero bytes on the wire (reserved room in a record).
template <size_t N>
struct Zero {};

// A vector whose element count is an earlier field of the record.
template <typename Vec, typename N>
struct Counted {
    Vec& items;
    N& count;
};
template <typename Vec, typename N>
constexpr Counted<Vec, N> counted(Vec& items, N& count) {
    return {items, count};
}

// Counts the bytes a record takes.
class Sizer {
  public:
    template <typename... F>
    constexpr void operator()(const F&... fields) {
        (add(fields), ...);
    }
    size_t size = 0;

  private:
    template <typename T>
    constexpr void add(const T& v) {
        if constexpr (std::is_integral_v<T>)
            size += sizeof(T);
        else
            T::visit(v, *this);
    }
    template <typename T, size_t N>
    constexpr void add(const std::array<T, N>& a) {
        for (const T& e : a)
            add(e);
    }
    template <size_t N>
    constexpr void add(const Zero<N>&) {
        size += N;
    }
    constexpr void add(const std::string& s) {
        size += 2 + (s.size() > 0xFFFF ? 0xFFFF : s.size());
    }
    template <typename T>
    constexpr void add(const std::vector<T>& v) {
        for (const T& e : v)
            add(e);
    }
    template <typename Vec, typename N>
    constexpr void add(const Counted<Vec, N>& c) {
        add(c.items);
    }
};

class Encoder {
  public:
    explicit Encoder(Bytes* out) : out_(out) {}
    template <typename... F>
    void operator()(const F&... fields) {
        (put(fields), ...);
    }

  private:
    template <typename T>
    void put(const T& v) {
        if constexpr (std::is_integral_v<T>) {
            for (size_t i = sizeof(T); i-- > 0;)
                out_->push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
        } else {
            T::visit(v, *this);
        }
    }
    template <typename T, size_t N>
    void put(const std::array<T, N>& a) {
        for (const T& e : a)
            put(e);
    }
    template <size_t N>
    void put(const Zero<N>&) {
        out_->insert(out_->end(), N, 0);
    }
    void put(const std::string& s) {
        const size_t n = s.size() > 0xFFFF ? 0xFFFF : s.size();
        put(static_cast<uint16_t>(n));
        out_->insert(out_->end(), s.begin(), s.begin() + static_cast<long>(n));
    }
    template <typename T>
    void put(const std::vector<T>& v) {
        for (const T& e : v)
            put(e);
    }
    template <typename Vec, typename N>
    void put(const Counted<Vec, N>& c) {
        put(c.items);
    }

    Bytes* out_;
};

class Decoder {
  public:
    Decoder(const uint8_t* data, size_t len) : p_(data), end_(data + len) {}
    explicit Decoder(const Bytes& b) : Decoder(b.data(), b.size()) {}
    template <typename... F>
    void operator()(F&&... fields) {
        (get(fields), ...);
    }
    bool ok() const { return ok_; }
    // The bytes not read yet (none once a read failed).
    size_t left() const { return ok_ ? static_cast<size_t>(end_ - p_) : 0; }
    const uint8_t* at() const { return p_; }

  private:
    template <typename T>
    void get(T& v) {
        if constexpr (std::is_integral_v<T>) {
            const uint8_t* b = p_;
            if (!take(sizeof(T))) return;
            uint64_t x = 0;
            for (size_t i = 0; i < sizeof(T); ++i)
                x = x << 8 | b[i];
            v = static_cast<T>(x);
        } else {
            T::visit(v, *this);
        }
    }
    template <typename T, size_t N>
    void get(std::array<T, N>& a) {
        for (T& e : a)
            get(e);
    }
    template <size_t N>
    void get(Zero<N>&) {
        take(N);
    }
    void get(std::string& s) {
        uint16_t n = 0;
        get(n);
        const uint8_t* b = p_;
        if (take(n)) s.assign(b, b + n);
    }
    template <typename T>
    void get(std::vector<T>& v) {
        for (T& e : v)
            get(e);
    }
    template <typename Vec, typename N>
    void get(Counted<Vec, N>& c) {
        // Never more elements than bytes left: a corrupt count cannot allocate without bound.
        if (!ok_ || c.count > left()) {
            ok_ = false;
            return;
        }
        c.items.resize(c.count);
        get(c.items);
    }
    bool take(size_t n) {
        if (!ok_ || static_cast<size_t>(end_ - p_) < n) {
            ok_ = false;
            return false;
        }
        p_ += n;
        return true;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    bool ok_ = true;
};

// Appends a record's bytes.
template <typename T>
void encode(const T& r, Bytes* out) {
    Encoder e(out);
    T::visit(r, e);
}
template <typename T>
Bytes encode(const T& r) {
    Bytes b;
    encode(r, &b);
    return b;
}
// Reads a record from the decoder's position; false (the decoder failed) when the bytes run
// out first.
template <typename T>
bool decode(Decoder& d, T* r) {
    T::visit(*r, d);
    return d.ok();
}
template <typename T>
bool decode(const uint8_t* data, size_t len, T* r) {
    Decoder d(data, len);
    return decode(d, r);
}
// Reads the record of a reply payload (its result word first).
template <typename T>
bool decode_reply(const Bytes& payload, T* r) {
    if (payload.size() < 4) return false;
    Decoder d(payload.data() + 4, payload.size() - 4);
    return decode(d, r);
}
// The bytes a record takes (with its vectors and strings as they are).
template <typename T>
constexpr size_t encoded_size(const T& r) {
    Sizer s;
    T::visit(r, s);
    return s.size;
}

}  // namespace simproto
