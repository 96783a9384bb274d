#include "drivers/request_layout/request_layout.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace reqlayout {
namespace {

std::string field_text(const Field& f) {
    std::string s = std::to_string(f.offset) + " " + f.meaning;
    switch (f.width) {
        case Width::kWord:
            break;
        case Width::kU16:
            s += " (u16)";
            break;
        case Width::kByte:
            s += " (byte)";
            break;
        case Width::kBytes:
            s += " (" + std::to_string(f.bytes) + " bytes)";
            break;
    }
    return s;
}

}  // namespace

std::string describe(const Row& row) {
    // Pieces of text with what joins each to the one before it; lines break only between
    // pieces, and continuation lines start at the argument column.
    std::vector<std::pair<std::string, std::string>> pieces;
    for (const Field& f : row.args)
        pieces.push_back({pieces.empty() ? "" : ", ", field_text(f)});
    if (row.reply_size > 0 || !row.reply.empty()) {
        // The size stays on the line of the first returned field.
        std::string size = "-> [" + std::to_string(row.reply_size) + "]";
        if (!row.reply.empty()) size += " " + field_text(row.reply.at[0]);
        pieces.push_back({pieces.empty() ? "" : "  ", size});
        for (size_t i = 1; i < row.reply.count; ++i)
            pieces.push_back({", ", field_text(row.reply.at[i])});
    }
    if (*row.note) pieces.push_back({pieces.empty() ? "" : "; ", row.note});

    constexpr size_t kNameColumn = 6, kArgsColumn = 48, kWidth = 100;
    std::string num = std::to_string(row.sub);
    std::string out = std::string(kNameColumn - 2 - std::min(num.size(), kNameColumn - 2), ' ') +
                      num + "  " + row.name;
    if (pieces.empty()) return out;
    out.resize(std::max(out.size() + 2, kArgsColumn), ' ');
    size_t line_start = 0;
    bool first = true;
    for (auto& [sep, text] : pieces) {
        std::string join = first ? "" : sep;
        // One column is kept for the comma that may follow.
        if (!first && out.size() - line_start + join.size() + text.size() + 1 > kWidth) {
            while (!join.empty() && join.back() == ' ')
                join.pop_back();
            out += join + "\n";
            line_start = out.size();
            out.append(kArgsColumn, ' ');
            join.clear();
        }
        out += join + text;
        first = false;
    }
    return out;
}

}  // namespace reqlayout
