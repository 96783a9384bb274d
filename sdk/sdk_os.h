// The SDK's operating-system layer: binary semaphores and task identity.
#pragma once

#include "sdk/sdk_types.h"

struct SdkOsSem;
using SDK_OS_SEM = SdkOsSem*;

// Initial state of a binary semaphore.
constexpr uint32_t SDK_OS_SEMB_EMPTY = 0;
constexpr uint32_t SDK_OS_SEMB_FULL = 1;
// Time-out of sdkOsSemWait in milliseconds; SDK_OS_WAIT_FOREVER waits for ever.
constexpr uint32_t SDK_OS_WAIT_FOREVER = 0;

SDK_STATUS sdkOsLayerInit();
SDK_STATUS sdkOsSemBinCreate(const char* name, uint32_t init, SDK_OS_SEM* sem);
SDK_STATUS sdkOsSemDelete(SDK_OS_SEM sem);
// SDK_TIMEOUT when the time-out passed.
SDK_STATUS sdkOsSemWait(SDK_OS_SEM sem, uint32_t timeout_ms);
SDK_STATUS sdkOsSemSignal(SDK_OS_SEM sem);
// A number that identifies the calling thread (never 0).
SDK_STATUS sdkOsTaskGetSelf(uint32_t* task_id);
