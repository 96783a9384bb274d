// The transceiver monitor's thread "SWDRV_MONITOR".
#pragma once

constexpr unsigned SWDRV_MONITOR_WATCHDOG_ID = 46;

void SWDRV_MONITOR_TaskMain(void* arg);
