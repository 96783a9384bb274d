#include "drivers/swdrvl4/dev_swdrvl4.h"

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/sysfun/ipc_msg.h"

bool DEV_SWDRVL4_Init() {
    return true;
}

bool DEV_SWDRVL4_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}

void DEV_SWDRVL4_BACKDOOR_Main() {
    backdoor::run_menu("dev_swdrvl4", {});
}
