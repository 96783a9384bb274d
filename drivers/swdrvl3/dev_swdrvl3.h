// DEV_SWDRVL3, the multicast forwarding driver (L2 multicast groups), and its request
// handler (module 127).
#pragma once

bool DEV_SWDRVL3_HandleIPCReqMsg(void* msgbuf);
