// DEV_SWDRVL4, the QoS driver (class of service, queues, port isolation), and its request
// handler (module 121).
#pragma once

bool DEV_SWDRVL4_Init();
bool DEV_SWDRVL4_HandleIPCReqMsg(void* msgbuf);
// The driver's debug menu, "dev_swdrvl4".
void DEV_SWDRVL4_BACKDOOR_Main();
