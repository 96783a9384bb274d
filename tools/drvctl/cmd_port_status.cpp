// `drvctl port status [PORT]` and `drvctl port cable-test PORT`: port status and cable tests
// through module-119 requests, as the switch-control layers poll them.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = swdrv::subcmd;

const char* speed_name(uint32_t v) {
    static const char* const kNames[] = {"-",   "-",    "10",   "10",  "100",
                                         "100", "1000", "1000", "10G", "10G"};
    return v < 10 ? kNames[v] : "?";
}
const char* duplex_name(uint32_t v) {
    return v < 2 || v > 9 ? "-" : (v % 2 == 0 ? "half" : "full");
}
const char* flow_name(uint32_t v) {
    switch (v) {
        case 2:
            return "backpressure";
        case 3:
            return "802.3x";
        case 4:
            return "off";
    }
    return "?";
}
const char* pair_name(uint32_t v) {
    static const char* const kNames[] = {"test failed", "ok",       "open",       "short",
                                         "crosstalk",   "no cable", "not tested", "not testable"};
    return v < 8 ? kNames[v] : "?";
}

// One word returned by a per-port read; false when the switch refused it (no such port).
bool port_word(Args& args, uint32_t sub, const LogicalPort& lp, uint32_t* out) {
    Response resp;
    if (request(args.queue_key, cmd::kModule, words_payload({sub, lp.unit, lp.port}),
                args.timeout_ms, &resp) != kExitOk ||
        resp.result() != 1)
        return false;
    *out = resp.word(1);
    return true;
}

int status(Args& args) {
    const auto& w = args.words;
    LogicalPort one;
    if (w.size() > 2 || (w.size() == 2 && !parse_port(w[1], &one)))
        return usage_error("port status [PORT]: PORT is 1 to 16 or UNIT/PORT");
    std::printf("%-6s %-5s %-6s %-6s %-13s %s\n", "port", "link", "speed", "duplex", "flow-control",
                "media");
    int shown = 0;
    for (uint32_t p = 1; p <= 16; ++p) {
        LogicalPort lp{one.unit, p};
        if (w.size() == 2 && p != one.port) continue;
        uint32_t link = 0, sd = 0, fc = 0, media = 0;
        if (!port_word(args, cmd::kGetPortLinkStatus, lp, &link)) continue;
        if (!port_word(args, cmd::kGetPortOperSpeedDuplex, lp, &sd)) sd = 0;
        if (!port_word(args, cmd::kGetPortFlowCtrl, lp, &fc)) fc = 0;
        if (!port_word(args, cmd::kGetPortMediaActive, lp, &media)) media = 0;
        std::string name =
            lp.unit == 1 ? std::to_string(p) : std::to_string(lp.unit) + "/" + std::to_string(p);
        std::printf("%-6s %-5s %-6s %-6s %-13s %s\n", name.c_str(), link ? "up" : "down",
                    link ? speed_name(sd) : "-", link ? duplex_name(sd) : "-",
                    link ? flow_name(fc) : "-",
                    media == 1 ? "copper" : (media == 2 ? "fibre" : "-"));
        ++shown;
    }
    if (shown == 0) {
        std::fprintf(stderr, "drvctl: the switch reported no port\n");
        return kExitFailed;
    }
    return kExitOk;
}

int cable_test(Args& args) {
    const auto& w = args.words;
    LogicalPort lp;
    if (w.size() != 2 || !parse_port(w[1], &lp))
        return usage_error("port cable-test PORT: PORT is 1 to 16 or UNIT/PORT");
    Response resp;
    if (int rc = swdrv_request(args, {cmd::kGetCableDiag, lp.unit, lp.port},
                               "start a cable test (one may be running on the port)", &resp))
        return rc;
    // A test thread runs until its result is in (at most 200 polls of 100 ms).
    bool complete = resp.word(7) == 1;
    for (int i = 0; !complete && i < 250; ++i) {
        usleep(100 * 1000);
        if (int rc = swdrv_request(args, {cmd::kGetCableDiagResult, lp.unit, lp.port},
                                   "read the cable test's result", &resp))
            return rc;
        complete = resp.payload.size() >= 4 + 24 && resp.payload[4 + 20] == 0;
    }
    if (!complete || resp.payload.size() < 4 + 24) {
        std::fprintf(stderr, "drvctl: the cable test did not finish\n");
        return kExitFailed;
    }
    const uint8_t* rec = resp.payload.data() + 4;
    std::printf("port %s: link %s before the test%s\n", w[1].c_str(),
                be::get32(rec + 4) == 1 ? "up" : "down",
                rec[21] ? " (tested while linked at 1000 Mb/s)" : "");
    for (uint32_t i = 0; i < 4; ++i) {
        uint32_t st = be::get16(rec + 8 + 2 * i);
        std::printf("  pair %c: %-12s %u m\n", 'A' + i, pair_name(st), rec[16 + i]);
    }
    return kExitOk;
}

}  // namespace

int cmd_port_status(Args& args) {
    return args.words[0] == "status" ? status(args) : cable_test(args);
}

}  // namespace drvctl
