#include "drivers/swdrvl3/dev_swdrvl3.h"

#include "platform/sysfun/ipc_msg.h"

bool DEV_SWDRVL3_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}
