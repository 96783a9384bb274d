#include "drivers/amtrdrv/dev_amtrdrv.h"

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/sysfun/ipc_msg.h"

bool DEV_AMTRDRV_Init() {
    return true;
}

void DEV_AMTRDRV_Create_InterCSC_Relation() {
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_amtrdrv", 24, DEV_AMTRDRV_BACKDOOR_Main);
}

bool DEV_AMTRDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    ipcmsg::answer(msgbuf, false);
    return true;
}

void DEV_AMTRDRV_BACKDOOR_Main() {
    backdoor::run_menu("dev_amtrdrv", {});
}
