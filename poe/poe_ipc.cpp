// The PoE management layer's way in: requests of module POE_DRV_MODULE_ID on the driver
// group's queue (layouts in poe_ipc.h).
#include "poe/poe_ipc.h"

#include <algorithm>
#include <cstring>

#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "poe/poe_drv.h"

namespace {

bool answer_reply(void* msg, int write_status) {
    uint8_t reply[POE_DRV_MSG_LEN];
    std::memset(reply, 0, sizeof reply);
    const int read_status = POE_DRV_ReadReply(reply, sizeof reply);
    ipcmsg::answer(msg, true, 8 + POE_DRV_MSG_LEN);
    ipcmsg::set_word(msg, 1, static_cast<uint32_t>(write_status));
    ipcmsg::set_word(msg, 2, static_cast<uint32_t>(read_status));
    std::memcpy(ipcmsg::payload(msg) + 12, reply, POE_DRV_MSG_LEN);
    return true;
}

}  // namespace

bool POE_DRV_HandleIPCReqMsg(void* msg) {
    const uint16_t size = ipcmsg::msg_size(msg);
    if (size < 4) {
        CONSOLE_Printf("%s(%d): request too short (%u bytes)\r\n", __func__, __LINE__, size);
        ipcmsg::answer(msg, false);
        return true;
    }
    POE_DRV_InitFromBoard();
    switch (ipcmsg::word(msg, 0)) {
        case POE_DRV_IPC_SEND: {
            uint8_t m[POE_DRV_MSG_LEN];
            const uint32_t len = size - 4u;
            std::memcpy(m, ipcmsg::payload(msg) + 4, std::min<uint32_t>(len, sizeof m));
            return answer_reply(msg, POE_DRV_WriteMessage(m, len));
        }
        case POE_DRV_IPC_READ:
            return answer_reply(msg, 0);
        case POE_DRV_IPC_POWER_GOOD: {
            bool good = false;
            const bool ok =
                size >= 8 && SWDRV_MONITOR_PDPortPowerStatus(ipcmsg::word(msg, 1), &good);
            ipcmsg::answer(msg, ok, 4);
            ipcmsg::set_word(msg, 1, good);
            return true;
        }
        default:
            CONSOLE_Printf("%s(%d): unknown sub-command %u\r\n", __func__, __LINE__,
                           ipcmsg::word(msg, 0));
            ipcmsg::answer(msg, false);
            return true;
    }
}
