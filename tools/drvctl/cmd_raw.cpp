#include <cstdio>
#include <span>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

struct ModuleLayout {
    uint16_t module;
    const char* title;
    std::span<const reqlayout::Row> rows;
};

// The modules whose sub-command layouts drvctl knows.
constexpr ModuleLayout kLayouts[] = {
    {swdrv::subcmd::kModule, "the switch chip driver", swdrv::subcmd::kRows},
};

// drvctl raw --help MODULE [SUB]: the layout of every sub-command of MODULE, or of one.
int raw_help(const std::vector<std::string>& w) {
    uint32_t module = 0, sub = 0;
    if (w.size() < 2 || w.size() > 3 || !parse_u32(w[1], &module) ||
        (w.size() == 3 && !parse_u32(w[2], &sub)))
        return usage_error("raw --help MODULE [SUB-COMMAND]");
    const ModuleLayout* m = nullptr;
    for (const ModuleLayout& l : kLayouts)
        if (l.module == module) m = &l;
    if (!m) {
        std::string known;
        for (const ModuleLayout& l : kLayouts)
            known += (known.empty() ? "" : ", ") + std::to_string(l.module);
        std::fprintf(stderr, "drvctl: no sub-command layouts known for module %u (known: %s)\n",
                     module, known.c_str());
        return kExitFailed;
    }
    if (w.size() == 3) {
        const reqlayout::Row* row = reqlayout::find(m->rows, sub);
        if (!row) {
            std::fprintf(stderr,
                         "drvctl: module %u has no sub-command %u: it is answered FALSE with "
                         "msg_size 4\n",
                         module, sub);
            return kExitFailed;
        }
        std::printf("%s\n", reqlayout::describe(*row).c_str());
        return kExitOk;
    }
    std::printf(
        "module %u (%s). Offsets are payload offsets; the sub-command word is at 0.\n"
        "Fields are 32-bit big-endian words unless marked (u16, byte, N bytes); flags are TRUE "
        "when non-zero;\n"
        "unit and port are 1-based logical numbers. A VLAN list has VLAN v in bit 7 - v %% 8 of "
        "byte v / 8.\n"
        "The answer: result in byte 0 (1 TRUE, 0 FALSE), returned data from offset 4, msg_size "
        "4 + [size].\n"
        "Missing request bytes read as zero. Sub-commands not listed are answered FALSE with "
        "msg_size 4.\n",
        module, m->title);
    for (const reqlayout::Row& row : m->rows)
        std::printf("%s\n", reqlayout::describe(row).c_str());
    return kExitOk;
}

}  // namespace

// drvctl raw MODULE [WORD ...]: prints exactly "size=N payload=HEX".
int cmd_raw(Args& args) {
    if (!args.words.empty() && args.words[0] == "--help") return raw_help(args.words);
    if (args.words.empty()) return usage_error("raw needs a MODULE");
    uint32_t module;
    if (!parse_u32(args.words[0], &module) || module > 0xFFFF)
        return usage_error("bad module id: " + args.words[0]);
    std::vector<uint32_t> words;
    for (size_t i = 1; i < args.words.size(); ++i) {
        uint32_t w;
        if (!parse_u32(args.words[i], &w)) return usage_error("bad word: " + args.words[i]);
        words.push_back(w);
    }
    Response resp;
    int rc = request(args.queue_key, static_cast<uint16_t>(module), words_payload(words),
                     args.timeout_ms, &resp);
    if (rc != kExitOk) return rc;
    std::printf("size=%u payload=%s\n", resp.msg_size,
                hex(resp.payload.data(), resp.payload.size()).c_str());
    return kExitOk;
}

}  // namespace drvctl
