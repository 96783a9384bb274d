#include "msl/msl_task.h"

#include <vector>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/common/types.h"
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace {

struct MslControl {
    uint32_t sem_id = 0;
    uint32_t task_id = 0;
};
MslControl g_msl;

constexpr uint16_t kCmdBackdoor = 118;

}  // namespace

int32_t msl_task_global_init() {
    if (SYSFUN_CreateSem(0, 1, 0, &g_msl.sem_id) != SYSFUN_OK) {
        CONSOLE_Printf("[MSL-ERROR] %s[%d]%sfail to create semaphore\n", __FUNCTION__, __LINE__,
                       " ");
        return -6;
    }
    return 0;
}

bool msl_task_create() {
    if (SYSFUN_SpawnThread(135, 0, "MSL_TD", 20480, 0, msl_task_main, nullptr, &g_msl.task_id) !=
        SYSFUN_OK) {
        CONSOLE_Printf("\r\nMSL Task Spawn fail");
        return false;
    }
    return true;
}

void msl_task_main(void*) {
    SYSFUN_MsgQ_T q;
    if (SYSFUN_CreateMsgQ(MSL_QUEUE_KEY, SYSFUN_MSGQ_BIDIRECTIONAL, &q) != SYSFUN_OK) {
        CONSOLE_Printf("[MSL-ERROR] %s[%d]%sfail to create message queue\n", __FUNCTION__, __LINE__,
                       " ");
        return;
    }
    std::vector<uint8_t> buf(sys_adpt::kMaxMsgSize);
    for (;;) {
        uint32_t events = 0;
        SYSFUN_ReceiveEvent(SYSFUN_SYSTEM_EVENT_IPCMSG, SYSFUN_EVENT_WAIT_ANY,
                            SYSFUN_TIMEOUT_WAIT_FOREVER, &events);
        while (SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_NOWAIT, sys_adpt::kMaxPayload, buf.data()) ==
               SYSFUN_OK) {
            // The snooping and MVR requests are served by the layer's state machine, built
            // on the multicast forwarding driver; until then only the debug menu is.
            if (ipcmsg::cmd(buf.data()) == kCmdBackdoor) {
                if (BACKDOOR_MGR_HandleIPCMsg(buf.data())) SYSFUN_SendResponseMsg(q, buf.data());
            } else {
                CONSOLE_Printf("[MSL-ERROR] %s[%d]%srequest %u is not served\n", __FUNCTION__,
                               __LINE__, " ", ipcmsg::cmd(buf.data()));
            }
        }
    }
}

void msl_backdoor_main() {
    backdoor::run_menu("msl", {});
}
