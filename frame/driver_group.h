// The driver group: five threads that serve the request queues of the drivers, and the
// creation of every thread of the process.
#pragma once

#include <cstdint>

#include "platform/common/types.h"

// Payload capacity of a group thread's buffer.
constexpr uint32_t DRIVER_GROUP_PAYLOAD_SIZE = 8216;
constexpr uint32_t DRIVER_GROUP_BUFFER_SIZE = sys_adpt::kMsgHeaderSize + DRIVER_GROUP_PAYLOAD_SIZE;
constexpr int DRIVER_GROUP_NUM_THREADS = 5;

// Event bits of a group thread.
constexpr uint32_t DRIVER_GROUP_EVENT_WATCHDOG = 0x08000000;
constexpr uint32_t DRIVER_GROUP_EVENT_SET_TRANSITION_MODE = 0x10000000;
constexpr uint32_t DRIVER_GROUP_EVENT_MSG = 0x20000000;
constexpr uint32_t DRIVER_GROUP_EVENT_MODE_CHANGE = 0x40000000;
constexpr uint32_t DRIVER_GROUP_EVENT_ALL = 0x78000000;

constexpr uint32_t DRIVER_GROUP_WATCHDOG_ID = 52;
constexpr uint32_t DRIVER_GROUP_WATCHDOG_TIMEOUT = 10;

// One row of the thread table; the row is the thread's argument.
struct DRIVER_GROUP_ThreadRow_T {
    const char* name;
    uint32_t priority;
    uint32_t sched_policy;
    uint32_t stack_size;
    uint32_t task_option;
    uint32_t msgq_key;
    uint8_t* msgbuf;  // DRIVER_GROUP_BUFFER_SIZE bytes
};

const DRIVER_GROUP_ThreadRow_T* DRIVER_GROUP_GetThreadTable();

void DRIVER_GROUP_Create_All_Threads();
void DRIVER_GROUP_Mgr_Thread_Function_Entry(void* row);

// Dispatches one received message by its module id: runs the module's handler (under the
// module's mutex, timed where the module table says so). Returns true when a response is
// to be sent.
bool DRIVER_GROUP_Dispatch(uint8_t* msgbuf);
