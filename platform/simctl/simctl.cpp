#include "platform/simctl/simctl.h"

#include <array>
#include <atomic>
#include <vector>

#include "platform/common/types.h"
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace simctl {
namespace {

std::array<std::atomic<Handler>, 256> g_handlers{};

void serve(void*) {
    SYSFUN_MsgQ_T q;
    uint32_t rc = SYSFUN_CreateMsgQ(kQueueKey, SYSFUN_MSGQ_BIDIRECTIONAL, &q);
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf("SIM_CONTROL: cannot create queue %u (rc=%u)\r\n", kQueueKey, rc);
        return;
    }
    std::vector<uint8_t> buf(sys_adpt::kMsgHeaderSize + kMaxPayload);
    for (;;) {
        rc = SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_WAIT_FOREVER, kMaxPayload, buf.data());
        if (rc != SYSFUN_OK) continue;
        if (dispatch(buf.data())) SYSFUN_SendResponseMsg(q, buf.data());
    }
}

}  // namespace

bool register_handler(uint16_t cmd, Handler handler) {
    if (cmd == 0 || cmd >= g_handlers.size()) return false;
    g_handlers[cmd].store(handler);
    return true;
}

bool dispatch(void* msgbuf) {
    uint16_t cmd = ipcmsg::cmd(msgbuf);
    Handler h = cmd < g_handlers.size() ? g_handlers[cmd].load() : nullptr;
    if (!h) {
        CONSOLE_Printf("SIM_CONTROL: no handler for command %u\r\n", cmd);
        return false;
    }
    return h(msgbuf);
}

bool start_server() {
    uint32_t tid;
    return SYSFUN_SpawnThread(90, 0, "SIM_CONTROL", 65536, 0, serve, nullptr, &tid) == SYSFUN_OK;
}

}  // namespace simctl
