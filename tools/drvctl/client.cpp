#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/common/byteorder.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "tools/drvctl/drvctl.h"

#include "platform/simctl/simctl.h"

namespace drvctl {

bool parse_u32(const std::string& text, uint32_t* out) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno || *end || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

uint32_t Response::word(size_t i) const {
    return 4 * i + 4 <= payload.size() ? be::get32(payload.data() + 4 * i) : 0;
}

std::vector<uint8_t> words_payload(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> p(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i)
        be::put32(p.data() + 4 * i, words[i]);
    return p;
}

std::string hex(const uint8_t* data, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s.push_back(digits[data[i] >> 4]);
        s.push_back(digits[data[i] & 15]);
    }
    return s;
}

int sim_request_bytes(Args& args, uint16_t cmd, const std::vector<uint8_t>& payload, Response* resp,
                      bool quiet) {
    int rc = request(simctl::kQueueKey, cmd, payload, args.timeout_ms, resp);
    if (rc != kExitOk) return rc;
    if (resp->result() != 1) {
        if (!quiet) std::fprintf(stderr, "drvctl: the simulation refused the request\n");
        return kExitFailed;
    }
    return kExitOk;
}

int sim_request(Args& args, uint16_t cmd, const std::vector<uint32_t>& words, Response* resp,
                bool quiet) {
    return sim_request_bytes(args, cmd, words_payload(words), resp, quiet);
}

bool attach_instance() {
    if (ctl::attach()) return true;
    std::fprintf(stderr, "drvctl: no driver process is running in instance %d\n", instance::id());
    return false;
}

int request(uint32_t queue_key, uint16_t cmd, const std::vector<uint8_t>& payload, int timeout_ms,
            Response* resp) {
    if (!attach_instance()) return kExitNoResponse;
    if (payload.size() > sys_adpt::kMaxPayload) {
        std::fprintf(stderr, "drvctl: payload of %zu bytes is larger than a queue takes (%u)\n",
                     payload.size(), sys_adpt::kMaxPayload);
        return kExitUsage;
    }
    std::vector<uint8_t> msg(ipcmsg::kHeaderSize + payload.size());
    ipcmsg::set_cmd(msg.data(), cmd);
    ipcmsg::set_msg_size(msg.data(), static_cast<uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), msg.begin() + ipcmsg::kHeaderSize);
    std::vector<uint8_t> answer(sys_adpt::kMaxMsgSize);
    ipc::Client client;
    size_t len = 0;
    uint32_t rc = client.request(queue_key, msg.data(), msg.size(), answer.data(), answer.size(),
                                 &len, timeout_ms);
    if (rc != SYSFUN_OK) {
        if (rc == SYSFUN_RESULT_TIMEOUT)
            std::fprintf(stderr, "drvctl: no response on queue %u within %d ms\n", queue_key,
                         timeout_ms);
        else
            std::fprintf(stderr, "drvctl: cannot send to queue %u (rc=%u)\n", queue_key, rc);
        return kExitNoResponse;
    }
    resp->msg_size = ipcmsg::msg_size(answer.data());
    size_t valid = std::min<size_t>(resp->msg_size, len - ipcmsg::kHeaderSize);
    resp->payload.assign(answer.begin() + ipcmsg::kHeaderSize,
                         answer.begin() + static_cast<long>(ipcmsg::kHeaderSize + valid));
    return kExitOk;
}

}  // namespace drvctl
