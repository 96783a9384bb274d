// The multicast switching layer's task "MSL_TD" and its module interface.
#pragma once

#include <cstdint>

constexpr uint32_t MSL_QUEUE_KEY = 2015;

// Global initialisation at process start: the layer's semaphore. 0 or a negative error.
int32_t msl_task_global_init();
// Spawns "MSL_TD". True on success.
bool msl_task_create();
void msl_task_main(void* arg);
// The layer's debug menu, "msl" (registered with the layer's own queue key).
void msl_backdoor_main();
