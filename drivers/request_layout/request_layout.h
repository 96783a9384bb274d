// The argument layout of a driver module's request sub-commands, as data: which payload bytes
// each argument occupies and what it means, and the size and fields of the returned data.
// A module's handler takes its declared reply sizes from its table, and drvctl prints the
// same table (`drvctl raw --help MODULE`). No dependency on any driver.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace reqlayout {

// How an argument is encoded. Multi-byte fields are big-endian.
enum class Width : uint8_t {
    kWord,   // 32-bit
    kU16,    // 16-bit
    kByte,   // one byte
    kBytes,  // `bytes` bytes (a record, a list, data)
};

struct Field {
    uint16_t offset = 0;  // from the start of the payload
    Width width = Width::kWord;
    uint16_t bytes = 4;
    const char* meaning = "";
};

constexpr Field word(uint16_t offset, const char* meaning) {
    return {offset, Width::kWord, 4, meaning};
}
constexpr Field u16(uint16_t offset, const char* meaning) {
    return {offset, Width::kU16, 2, meaning};
}
constexpr Field byte(uint16_t offset, const char* meaning) {
    return {offset, Width::kByte, 1, meaning};
}
constexpr Field bytes(uint16_t offset, uint16_t count, const char* meaning) {
    return {offset, Width::kBytes, count, meaning};
}

// The fields of a request or of its returned data, in payload order.
struct Fields {
    static constexpr size_t kMax = 8;
    std::array<Field, kMax> at{};
    uint8_t count = 0;

    constexpr Fields() = default;
    constexpr Fields(std::initializer_list<Field> list) {
        for (const Field& f : list)
            at[count++] = f;  // more than kMax fields fails to compile in a constant table
    }
    constexpr const Field* begin() const { return at.data(); }
    constexpr const Field* end() const { return at.data() + count; }
    constexpr bool empty() const { return count == 0; }
    // The first payload byte after the last field (4 when there is none: the sub-command).
    constexpr uint32_t end_offset() const {
        return count == 0 ? 4u : uint32_t{at[count - 1].offset} + at[count - 1].bytes;
    }
};

// One sub-command: its number, the operation it calls (or what it answers when it calls
// none), the request's arguments, and the returned data written from payload offset 4.
struct Row {
    uint32_t sub = 0;
    const char* name = "";
    Fields args;
    uint16_t reply_size = 0;  // msg_size of the answer is 4 + reply_size
    Fields reply;             // may be empty when the data has no fields worth naming
    const char* note = "";    // values, conditions, "not built yet"

    constexpr Row(uint32_t sub_, const char* name_, Fields args_ = {}, uint16_t reply_size_ = 0,
                  Fields reply_ = {}, const char* note_ = "")
        : sub(sub_),
          name(name_),
          args(args_),
          reply_size(reply_size_),
          reply(reply_),
          note(note_) {}
};

// The index of the row of `sub`, or -1. (Compile-time users take the index: comparing the
// address of a table entry with nullptr is not a constant expression under the sanitizers.)
constexpr int index_of(std::span<const Row> rows, uint32_t sub) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].sub == sub) return static_cast<int>(i);
    return -1;
}
// The row of `sub`, or nullptr.
constexpr const Row* find(std::span<const Row> rows, uint32_t sub) {
    int i = index_of(rows, sub);
    return i < 0 ? nullptr : &rows[static_cast<size_t>(i)];
}

// Whether the table is usable: sub-commands strictly ascending; in each row the fields lie in
// payload order without overlapping each other or the sub-command word, and the named reply
// fields fit the declared reply size.
constexpr bool well_formed(std::span<const Row> rows) {
    uint32_t last = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        if (i > 0 && r.sub <= last) return false;
        last = r.sub;
        for (const Fields* fs : {&r.args, &r.reply}) {
            uint32_t next = 4;
            for (const Field& f : *fs) {
                if (f.offset < next || f.bytes == 0) return false;
                next = uint32_t{f.offset} + f.bytes;
            }
        }
        if (r.reply.end_offset() > 4u + r.reply_size) return false;
    }
    return true;
}

// One row as text, as `drvctl raw --help` prints it: the number and name, then the request's
// fields ("4 unit, 8 port, 12 VLAN"; widths other than a word marked), then "-> [N]" and the
// returned fields, then the note. Lines after the first are indented.
std::string describe(const Row& row);

}  // namespace reqlayout
