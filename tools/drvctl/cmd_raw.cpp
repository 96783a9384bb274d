#include <cstdio>

#include "tools/drvctl/commands.h"

namespace drvctl {

// drvctl raw MODULE [WORD ...]: prints exactly "size=N payload=HEX".
int cmd_raw(Args& args) {
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
