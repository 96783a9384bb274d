// Big-endian encoding helpers. Every multi-byte field that crosses a process boundary
// (requests, responses, shared-memory records, messages) is big-endian, as on the switch's
// processor. Never copy a host struct onto a wire buffer: use these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace be {

inline uint16_t get16(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    return static_cast<uint16_t>((b[0] << 8) | b[1]);
}
inline uint32_t get32(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
inline void put16(void* p, uint16_t v) {
    auto b = static_cast<uint8_t*>(p);
    b[0] = static_cast<uint8_t>(v >> 8);
    b[1] = static_cast<uint8_t>(v);
}
inline void put32(void* p, uint32_t v) {
    auto b = static_cast<uint8_t*>(p);
    b[0] = static_cast<uint8_t>(v >> 24);
    b[1] = static_cast<uint8_t>(v >> 16);
    b[2] = static_cast<uint8_t>(v >> 8);
    b[3] = static_cast<uint8_t>(v);
}

// Fields of a shared-memory record that one process writes and another reads without a
// lock: whole-field atomic accesses, so a reader never sees a torn value. The field must be
// aligned to its size.
inline uint32_t atomic_get32(const void* p) {
    uint32_t v = __atomic_load_n(static_cast<const uint32_t*>(p), __ATOMIC_ACQUIRE);
    return get32(&v);
}
inline void atomic_put32(void* p, uint32_t v) {
    uint32_t raw;
    put32(&raw, v);
    __atomic_store_n(static_cast<uint32_t*>(p), raw, __ATOMIC_RELEASE);
}
inline uint8_t atomic_get8(const void* p) {
    return __atomic_load_n(static_cast<const uint8_t*>(p), __ATOMIC_ACQUIRE);
}
inline void atomic_put8(void* p, uint8_t v) {
    __atomic_store_n(static_cast<uint8_t*>(p), v, __ATOMIC_RELEASE);
}

// A big-endian field inside a record that is laid out byte for byte (shared memory).
// Reads and writes convert; the object itself is 2 or 4 plain bytes with alignment 1.
struct U16 {
    uint8_t b[2];
    operator uint16_t() const { return get16(b); }
    U16& operator=(uint16_t v) {
        put16(b, v);
        return *this;
    }
};
struct U32 {
    uint8_t b[4];
    operator uint32_t() const { return get32(b); }
    U32& operator=(uint32_t v) {
        put32(b, v);
        return *this;
    }
};
static_assert(sizeof(U16) == 2 && alignof(U16) == 1);
static_assert(sizeof(U32) == 4 && alignof(U32) == 1);

}  // namespace be
