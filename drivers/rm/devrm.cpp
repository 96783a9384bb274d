#include "drivers/rm/devrm.h"

#include "platform/sysfun/ipc_msg.h"

bool DEVRM_EngineInitial() {
    return true;
}

bool DEVRM_PceHWTableInitial() {
    return true;
}

bool DEVRM_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}
