// drvctl poe: messages of the PoE management layer to the PoE controller driver of the
// running switch (module POE_DRV_MODULE_ID), and drvctl sim poe: powered devices plugged
// into the simulated PoE controllers and their faults.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "poe/poe_drv.h"
#include "poe/poe_ipc.h"
#include "sdk/simproto/poe_simcmd.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace sc = simproto;

struct Exchange {
    int write_status = 0;
    int read_status = 0;
    uint8_t reply[POE_DRV_MSG_LEN] = {};
};

const char* state_name(uint8_t s) {
    static const char* const names[] = {"no device", "delivering power", "denied power", "disabled",
                                        "overload"};
    return s < 5 ? names[s] : "?";
}

// A message with its checksum (echo 1): key, subject, subject 1, then bytes 4..
std::vector<uint8_t> message(uint8_t key, uint8_t subject, uint8_t s1,
                             std::vector<uint8_t> rest = {}) {
    std::vector<uint8_t> m(POE_DRV_MSG_LEN);
    POE_DRV_BuildMessage(m.data(), key, 1, subject, s1, rest.data(),
                         static_cast<uint32_t>(rest.size()));
    return m;
}

int exchange(Args& args, uint32_t sub, const std::vector<uint8_t>& msg, Exchange* out) {
    if (!attach_instance()) return kExitNoResponse;
    std::vector<uint8_t> payload = words_payload({sub});
    payload.insert(payload.end(), msg.begin(), msg.end());
    Response resp;
    if (int rc = request(24, POE_DRV_MODULE_ID, payload, args.timeout_ms, &resp)) return rc;
    if (resp.result() != 1 || resp.payload.size() < 12 + POE_DRV_MSG_LEN) {
        std::fprintf(stderr, "drvctl: the PoE driver refused the request\n");
        return kExitFailed;
    }
    out->write_status = static_cast<int32_t>(resp.word(1));
    out->read_status = static_cast<int32_t>(resp.word(2));
    for (uint32_t i = 0; i < POE_DRV_MSG_LEN; ++i)
        out->reply[i] = resp.payload[12 + i];
    return kExitOk;
}

void print_status(const char* what, int status) {
    if (const char* text = POE_DRV_StatusText(status)) {
        std::printf("%s: ", what);
        std::printf(text, status);
    }
}

// Prints the reply as hex, then what it says; false when there is none.
bool print_reply(const Exchange& x) {
    if (x.read_status != 0) {
        print_status("read", x.read_status);
        return false;
    }
    const uint8_t* r = x.reply;
    std::printf("%s\n", hex(r, POE_DRV_MSG_LEN).c_str());
    const bool sum_ok = POE_DRV_Checksum(r) == be::get16(r + 13);
    if (r[0] == POE_DRV_KEY_REPORT)
        std::printf("report, echo %u: status 0x%04x%s\n", r[1], be::get16(r + 2),
                    sum_ok ? "" : " (bad checksum)");
    else
        std::printf("%s, echo %u: data %s%s\n", r[0] == POE_DRV_KEY_TELEMETRY ? "telemetry" : "?",
                    r[1], hex(r + 2, 11).c_str(), sum_ok ? "" : " (bad checksum)");
    if (x.write_status != 0) print_status("write", x.write_status);
    return true;
}

// A telemetry reply to a request, or a failure said on stderr.
int ask(Args& args, const std::vector<uint8_t>& msg, Exchange* x) {
    if (int rc = exchange(args, POE_DRV_IPC_SEND, msg, x)) return rc;
    if (x->write_status != 0 && x->write_status != POE_DRV_ERR_COMM_REPORT) {
        print_status("write", x->write_status);  // no reply was built
        return kExitFailed;
    }
    if (x->read_status != 0 || x->reply[0] != POE_DRV_KEY_TELEMETRY) {
        print_reply(*x);
        return kExitFailed;
    }
    std::printf("%s\n", hex(x->reply, POE_DRV_MSG_LEN).c_str());
    return kExitOk;
}

bool parse_hex(std::string text, std::vector<uint8_t>* out) {
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)) && c != ':') digits += c;
    if (digits.size() % 2) return false;
    for (size_t i = 0; i < digits.size(); i += 2) {
        char* end = nullptr;
        std::string byte = digits.substr(i, 2);
        unsigned long v = std::strtoul(byte.c_str(), &end, 16);
        if (*end || !std::isxdigit(static_cast<unsigned char>(byte[0]))) return false;
        out->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

int poe_send(Args& args) {
    std::string text;
    for (size_t i = 1; i < args.words.size(); ++i)
        text += args.words[i];
    std::vector<uint8_t> msg;
    if (text.empty() || !parse_hex(text, &msg)) return usage_error("poe send HEX");
    // 13 bytes: the checksum is added.
    if (msg.size() == 13) {
        msg.resize(POE_DRV_MSG_LEN);
        be::put16(msg.data() + 13, POE_DRV_Checksum(msg.data()));
    }
    Exchange x;
    if (int rc = exchange(args, POE_DRV_IPC_SEND, msg, &x)) return rc;
    if (x.write_status != 0 && x.write_status != POE_DRV_ERR_COMM_REPORT) {
        // Nothing was answered: the reply store still holds an earlier reply.
        print_status("write", x.write_status);
        return kExitFailed;
    }
    if (!print_reply(x)) {
        if (x.write_status) print_status("write", x.write_status);
        return kExitFailed;
    }
    return x.write_status == 0 ? kExitOk : kExitFailed;
}

int poe_port(Args& args) {
    uint32_t port;
    if (args.words.size() != 2 || !parse_u32(args.words[1], &port) || port < 1 || port > 96)
        return usage_error("poe port PORT (1-96)");
    const uint8_t p = static_cast<uint8_t>(port - 1);
    Exchange x;
    if (int rc = ask(args, message(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_PORT, 0x0B, {p}), &x))
        return rc;
    const uint8_t* r = x.reply;
    std::printf("port %u: %s, %s, class %u%s, priority %s, allocated %u.%u W, limit %u.%u W\n",
                port, r[2] ? "enabled" : "disabled", state_name(r[3]), r[4],
                r[8] ? ", detected" : ", nothing detected",
                r[7] == 2   ? "critical"
                : r[7] == 1 ? "high"
                            : "low",
                be::get16(r + 5) / 10, be::get16(r + 5) % 10, be::get16(r + 9) / 10,
                be::get16(r + 9) % 10);
    if (int rc = ask(args, message(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_PORT, 0x0E, {p}), &x))
        return rc;
    std::printf("port %u: %u.%u V, %u mA, %u.%u W\n", port, be::get16(r + 2) / 10,
                be::get16(r + 2) % 10, be::get16(r + 4), be::get16(r + 6) / 10,
                be::get16(r + 6) % 10);
    return kExitOk;
}

int poe_status(Args& args) {
    Exchange x;
    const uint8_t* r = x.reply;
    if (int rc = ask(args, message(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_GLOBAL, 0x0B, {0x17}), &x))
        return rc;
    std::printf("supply: %u.%u V, consumed %u.%u W, allocated %u.%u W of %u W, power bank %u\n",
                be::get16(r + 9) / 10, be::get16(r + 9) % 10, be::get16(r + 2) / 10,
                be::get16(r + 2) % 10, be::get16(r + 6) / 10, be::get16(r + 6) % 10,
                be::get16(r + 4), r[8]);
    if (int rc = ask(args, message(POE_DRV_KEY_REQUEST, POE_DRV_SUBJECT_GLOBAL, 0x1E, {0x21}), &x))
        return rc;
    const uint32_t ports = be::get16(r + 5);
    std::printf(
        "system: power %s, auto-restore %s, %u controllers, %u ports, %u powered, %u "
        "denied\n",
        r[2] ? "on" : "off", r[3] ? "on" : "off", r[4], ports, r[7], r[8]);
    std::string good;
    for (uint32_t p = 0; p < ports; ++p) {
        Response resp;
        if (int rc = request(24, POE_DRV_MODULE_ID, words_payload({POE_DRV_IPC_POWER_GOOD, p}),
                             args.timeout_ms, &resp))
            return rc;
        if (resp.result() != 1) {
            std::fprintf(stderr, "drvctl: power-good status of port %u unreadable\n", p + 1);
            return kExitFailed;
        }
        if (resp.word(1)) good += (good.empty() ? "" : ",") + std::to_string(p + 1);
    }
    std::printf("power good: %s\n", good.empty() ? "none" : good.c_str());
    return kExitOk;
}

int sim(Args& args, uint16_t cmd, const std::vector<uint32_t>& words) {
    Response resp;
    return sim_request(args, cmd, words, &resp);
}

// Watts with at most one decimal, in 0.1 W.
bool parse_watts(const std::string& text, uint32_t* tenths) {
    unsigned whole = 0, frac = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%u%n", &whole, &used) != 1) return false;
    if (static_cast<size_t>(used) < text.size()) {
        int used2 = 0;
        if (text[used] != '.' ||
            std::sscanf(text.c_str() + used + 1, "%1u%n", &frac, &used2) != 1 ||
            static_cast<size_t>(used + 1 + used2) != text.size())
            return false;
    }
    *tenths = whole * 10 + frac;
    return whole < 6000 && *tenths > 0;
}

}  // namespace

int cmd_poe(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("poe needs send, port or status");
    if (w[0] == "send") return poe_send(args);
    if (w[0] == "port") return poe_port(args);
    if (w[0] == "status" && w.size() == 1) return poe_status(args);
    return usage_error("unknown poe command");
}

int cmd_sim_poe(Args& args) {
    const auto& w = args.words;  // "poe", ...
    uint32_t port = 0, cls = 0, tenths = 0, dev = 0;
    if (w.size() >= 3 && w[1] == "attach") {
        if (!parse_u32(w[2], &port) || port < 1 || port > 96)
            return usage_error("sim poe attach PORT --class 0..4 [--watts W]");
        bool have_class = false;
        for (size_t i = 3; i < w.size(); ++i) {
            if (w[i] == "--class" && i + 1 < w.size()) {
                if (!parse_u32(w[++i], &cls) || cls > 4) return usage_error("--class 0..4");
                have_class = true;
            } else if (w[i] == "--watts" && i + 1 < w.size()) {
                if (!parse_watts(w[++i], &tenths)) return usage_error("--watts W (0.1 to 5999.9)");
            } else {
                return usage_error("unknown attach option " + w[i]);
            }
        }
        if (!have_class) return usage_error("sim poe attach PORT --class 0..4 [--watts W]");
        return sim(args, sc::kPoeAttach, {port, cls, tenths});
    }
    if (w.size() == 3 && w[1] == "detach") {
        if (!parse_u32(w[2], &port) || port < 1 || port > 96)
            return usage_error("sim poe detach PORT");
        return sim(args, sc::kPoeDetach, {port});
    }
    if (w.size() == 4 && w[1] == "fault") {
        const uint32_t f = w[3] == "none" ? 0 : w[3] == "silent" ? 1 : w[3] == "flaky" ? 2 : 3;
        if (!parse_u32(w[2], &dev) || dev > 7 || f > 2)
            return usage_error("sim poe fault DEVICE none|silent|flaky");
        return sim(args, sc::kPoeFault, {dev, f});
    }
    return usage_error("unknown sim poe command");
}

}  // namespace drvctl
