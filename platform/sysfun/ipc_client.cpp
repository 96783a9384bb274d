#include "platform/sysfun/ipc_client.h"

#include <unistd.h>

#include <algorithm>

#include "platform/common/types.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/msgq_route.h"
#include "platform/sysfun/reply_box.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"

namespace ipc {
namespace {

// A full queue blocks the sender; a server that stopped draining it must not hang the
// client for ever.
constexpr int kSendWaitMs = 5000;
// How often a requester waiting for its answer checks that the server still lives.
constexpr uint64_t kLivenessPeriodMs = 200;

uint32_t check_length(size_t len) {
    if (len < sys_adpt::kMsgHeaderSize) return SYSFUN_RESULT_MSG_TOO_SHORT;
    if (len > sys_adpt::kMaxMsgSize) return SYSFUN_RESULT_MSG_TOO_LONG;
    return SYSFUN_OK;
}

}  // namespace

Client::Client() = default;

Client::~Client() {
    if (box_ >= 0 && box_pid_ == sysfun::internal::self_pid()) reply::release(box_);
}

uint32_t Client::send(uint32_t key, const void* msg, size_t len) {
    if (!msg) return SYSFUN_RESULT_INVALID_ARG;
    if (uint32_t rc = check_length(len); rc != SYSFUN_OK) return rc;
    return msgq::send_keyed(key, msg, len, {}, kSendWaitMs);
}

uint32_t Client::request(uint32_t key, const void* msg, size_t len, void* resp, size_t resp_cap,
                         size_t* resp_len, int timeout_ms) {
    if (!msg || !resp || resp_cap < sys_adpt::kMsgHeaderSize || len < sys_adpt::kMsgHeaderSize)
        return SYSFUN_RESULT_INVALID_ARG;
    if (uint32_t rc = check_length(len); rc != SYSFUN_OK) return rc;
    if (!ctl::get()) return SYSFUN_RESULT_NO_INSTANCE;
    if (box_ < 0 || box_pid_ != sysfun::internal::self_pid()) {  // first, or in a forked child
        box_ = reply::acquire();
        box_pid_ = sysfun::internal::self_pid();
        if (box_ < 0) return SYSFUN_RESULT_NO_SPACE;
    }
    const uint64_t deadline = sysfun::internal::monotonic_ms() + static_cast<uint64_t>(timeout_ms);
    const msgq::ReplyTag tag = reply::arm(box_);
    // A queue that does not exist yet (a driver process still starting its threads) is
    // tried again until the time-out.
    int32_t server_pid = 0;
    for (;;) {
        uint64_t now = sysfun::internal::monotonic_ms();
        int wait =
            static_cast<int>(std::min<uint64_t>(deadline > now ? deadline - now : 0, kSendWaitMs));
        uint32_t rc = msgq::send_keyed(key, msg, len, tag, wait, &server_pid);
        if (rc == SYSFUN_OK) break;
        if (rc != SYSFUN_RESULT_PEER_GONE || sysfun::internal::monotonic_ms() >= deadline) {
            reply::disarm(box_);
            return rc;
        }
        ::usleep(10000);
    }
    // Wait in periods, so that a server that died with the request is noticed.
    for (;;) {
        uint64_t now = sysfun::internal::monotonic_ms();
        uint64_t until = std::min(deadline, now + kLivenessPeriodMs);
        const bool last = until >= deadline;
        uint32_t rc = reply::wait(box_, tag, resp, resp_cap, resp_len, until, last, server_pid);
        if (rc != SYSFUN_RESULT_TIMEOUT || last) return rc;
        if (!msgq::keyed_queue_alive(key)) {
            reply::disarm(box_);
            return SYSFUN_RESULT_PEER_GONE;
        }
    }
}

uint32_t notify(uint32_t key) {
    return msgq::note_datagram(key);
}

bool queue_exists(uint32_t key) {
    ctl::Block* b = ctl::get();
    return b && sysfun::internal::find_queue(b, key) != nullptr;
}

std::string queue_socket_name(uint32_t key) {
    return instance::socket_name("q" + std::to_string(key));
}

}  // namespace ipc
