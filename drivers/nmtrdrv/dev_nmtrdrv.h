// DEV_NMTRDRV, the counters driver, and its request handler (module 125).
#pragma once

bool DEV_NMTRDRV_HandleIPCReqMsg(void* msgbuf);
// The driver's debug menu, "dev_nmtrdrv".
void DEV_NMTRDRV_BACKDOOR_Main();
