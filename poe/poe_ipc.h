// Requests of the PoE management layer to the PoE controller driver: module
// POE_DRV_MODULE_ID on the driver group's queue (24). Words are big-endian.
//
// | sub-command    | request payload                        | response payload              |
// |----------------|----------------------------------------|-------------------------------|
// | 1 SEND         | 0 sub-command, 4 the message's bytes   | 0 result (TRUE), 4 the        |
// |                | (msg_size - 4 of them; not 15 gives    | write's status (signed), 8    |
// |                | -4)                                    | the read's status, 12 the     |
// |                |                                        | reply's 15 bytes              |
// | 2 READ         | 0 sub-command                          | as SEND, 4 zero               |
// | 3 POWER_GOOD   | 0 sub-command, 4 PoE port (0..95)      | 0 result, 4 1 power good      |
#pragma once

#include <cstdint>

constexpr uint16_t POE_DRV_MODULE_ID = 124;
constexpr uint32_t POE_DRV_IPC_SEND = 1;
constexpr uint32_t POE_DRV_IPC_READ = 2;
constexpr uint32_t POE_DRV_IPC_POWER_GOOD = 3;

// Answers a request in its buffer; true: the answer is to be sent.
bool POE_DRV_HandleIPCReqMsg(void* msg);
