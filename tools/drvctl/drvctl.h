// drvctl, the client of a running driver process. Each command lives in its own file as a
// function `int cmd_xxx(drvctl::Args&)` and is listed in commands.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sysfun/ipc_client.h"
#include "sdk/simproto/codec.h"

namespace drvctl {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the switch said no, or an operation failed
constexpr int kExitUsage = 2;
constexpr int kExitNoResponse = 3;

struct Args {
    std::vector<std::string> words;  // the command's words, options removed
    uint32_t queue_key = 24;         // --queue KEY
    int timeout_ms = 2000;           // --timeout MS
    bool queue_given = false;
};

// Prints "drvctl: <message>" and the command's usage on stderr; returns kExitUsage.
int usage_error(const std::string& message);
// Parses a 32-bit unsigned number, decimal or 0x hex.
bool parse_u32(const std::string& text, uint32_t* out);

// A response to a request.
struct Response {
    uint16_t msg_size = 0;
    std::vector<uint8_t> payload;  // the msg_size valid payload bytes
    uint32_t word(size_t i) const;
    uint8_t result() const { return payload.empty() ? 0 : payload[0]; }
};

// Reads the record of a simulation-control reply; kExitFailed, said on stderr, when the reply
// is cut short.
template <typename T>
int read_reply(const Response& resp, T* r) {
    if (simproto::decode_reply(resp.payload, r)) return kExitOk;
    std::fprintf(stderr, "drvctl: the simulation's answer is cut short\n");
    return kExitFailed;
}

// Sends a request (module `cmd`, payload bytes) to a queue of the instance and waits for the
// answer. Prints the reason on stderr and returns kExitNoResponse when none came, kExitOk
// with *resp filled otherwise.
int request(uint32_t queue_key, uint16_t cmd, const std::vector<uint8_t>& payload, int timeout_ms,
            Response* resp);
// Sends a simulation-control command (the queue simctl::kQueueKey). kExitOk with the answer;
// kExitFailed when the simulation refused it (said on stderr unless quiet).
int sim_request_bytes(Args& args, uint16_t cmd, const std::vector<uint8_t>& payload, Response* resp,
                      bool quiet = false);
int sim_request(Args& args, uint16_t cmd, const std::vector<uint32_t>& words, Response* resp,
                bool quiet = false);
// The payload of big-endian 32-bit words.
std::vector<uint8_t> words_payload(const std::vector<uint32_t>& words);
// Lower-case hex of bytes, no separators.
std::string hex(const uint8_t* data, size_t n);
// Attaches to the running instance's control block; prints why not and returns false.
bool attach_instance();

}  // namespace drvctl
