// DEV_AMTRDRV, the address table driver, and its request handler (module 120).
#pragma once

bool DEV_AMTRDRV_Init();
// Relation step: the hardware-learning hooks and the "dev_amtrdrv" menu.
void DEV_AMTRDRV_Create_InterCSC_Relation();
bool DEV_AMTRDRV_HandleIPCReqMsg(void* msgbuf);
void DEV_AMTRDRV_BACKDOOR_Main();
