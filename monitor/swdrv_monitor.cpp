#include "monitor/swdrv_monitor.h"

#include "platform/firmware/component_task.h"

void SWDRV_MONITOR_TaskMain(void*) {
    // The transceiver poll runs here once the transceiver monitor is built on the chip
    // model's cages; until then the thread answers its watchdog.
    firmware::idle_task_loop(SWDRV_MONITOR_WATCHDOG_ID);
}
