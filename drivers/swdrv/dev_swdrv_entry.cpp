// The request handler of module 119. The handler of the request protocol is built on the
// operations of this driver by the request-handler work; until then every sub-command is
// answered FALSE.
#include <cstring>

#include "drivers/swdrv/dev_swdrv.h"
#include "platform/sysfun/ipc_msg.h"

bool DEV_SWDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    std::memset(ipcmsg::payload(msgbuf), 0, 4);
    ipcmsg::set_msg_size(msgbuf, 4);
    return true;
}
