// The system restart task "SYSDRV": reloads the switch when another part of the firmware
// sends it an event.
#pragma once

#include <cstdint>

// Restart types.
constexpr uint32_t SYSDRV_RESTART_COLD = 1;
constexpr uint32_t SYSDRV_RESTART_WARM = 3;
constexpr uint32_t SYSDRV_RESTART_COLD_ALT = 5;

// Events of the task.
constexpr uint32_t SYSDRV_EVENT_WATCHDOG = 0x08000000;
constexpr uint32_t SYSDRV_EVENT_COLD_RESTART = 0x02;
constexpr uint32_t SYSDRV_EVENT_WARM_RESTART = 0x04;
constexpr uint32_t SYSDRV_EVENT_TIMER = 0x10;
constexpr uint32_t SYSDRV_EVENT_MARK = 0x20;
constexpr uint32_t SYSDRV_EVENT_COLD_AFTER_GRACE = 0x40;
constexpr uint32_t SYSDRV_EVENT_WARM_AFTER_GRACE = 0x80;
constexpr uint32_t SYSDRV_EVENT_MASK = 0x080000F6;

constexpr uint32_t SYSDRV_WATCHDOG_ID = 48;

// Fields of the restart-control record (shared segment 3).
constexpr uint32_t SYSDRV_REC_OFF_CONTROL = 0;    // 32-bit
constexpr uint32_t SYSDRV_REC_OFF_THREAD_ID = 4;  // 32-bit
constexpr uint32_t SYSDRV_REC_OFF_KEEP_PENDING = 17;
constexpr uint32_t SYSDRV_REC_OFF_MARK = 18;

void SYSDRV_TASK_CreateTask();
// Performs one reload; returns only when the reload could not start.
void SYSDRV_TASK_ReStartSystem(uint32_t type);
void SYSDRV_TASK_TaskMain(void* arg);
