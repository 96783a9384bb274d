#include "drivers/nmtrdrv/dev_nmtrdrv.h"

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/sysfun/ipc_msg.h"

bool DEV_NMTRDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}

void DEV_NMTRDRV_BACKDOOR_Main() {
    backdoor::run_menu("dev_nmtrdrv", {});
}
