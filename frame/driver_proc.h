// The driver process: start-up, the order of initialisation, and the main thread.
#pragma once

#include <cstdint>

// Payload capacity of the main thread's buffer (0x968).
constexpr uint32_t DRIVER_PROC_MAIN_PAYLOAD_SIZE = 2408;
constexpr uint32_t DRIVER_PROC_MAIN_QUEUE_KEY = 1008;
constexpr uint16_t DRIVER_PROC_CMD_MEMORY_MENU = 90;

// The identifier of the init sync semaphore: set by main before the spawn.
extern uint32_t DRIVER_PROC_InitSyncSemId;

// main's body: 0 once the driver process has initialised, -1 when the spawn failed.
int DRIVER_PROC_Main();
void DRIVER_PROC_Daemonize_Entry(void* arg);
bool DRIVER_PROC_COMM_InitiateProcessResource();
void DRIVER_PROC_Main_Thread_Function_Entry();

// Platform resources of the system that other processes own on a switch: the keyed
// semaphores 17, 67 and 68 and the shared segments. Created at instance start.
bool DRIVER_PROC_CreateSystemResources();
