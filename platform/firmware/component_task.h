// A thread of a firmware component whose real work lives outside the driver program. It
// waits for events and answers the software watchdog, so the process has every thread it
// would have on the switch and the watchdog stays quiet.
#pragma once

#include <cstdint>

namespace firmware {

// Spawns the thread; monitor_id 0 when the watchdog does not monitor it. Records the
// creation in the component's call record. False when the thread cannot be spawned.
bool start_component_task(const char* component, const char* thread_name, uint32_t priority,
                          uint32_t monitor_id, uint32_t* thread_id);
// The loop such a thread runs (also used by drivers whose thread body comes later).
void idle_task_loop(uint32_t monitor_id);

}  // namespace firmware
