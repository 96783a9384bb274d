// SYSFUN: the operating-system abstraction the drivers are written against — processes,
// threads, semaphores, keyed message queues, event bits, periodic timers, ticks and the
// serial console. Built on Linux processes, threads, POSIX semaphores in shared memory,
// Unix datagram sockets and futexes, inside the instance namespace (instance.h).
//
// Every call returns SYSFUN_OK (0) on success and a non-zero result code otherwise.
#pragma once

#include <cstdint>

// Result codes.
constexpr uint32_t SYSFUN_OK = 0;
constexpr uint32_t SYSFUN_RESULT_TIMEOUT = 1;        // a wait ended without what it waited for
constexpr uint32_t SYSFUN_RESULT_INVALID_ARG = 2;    // null out-parameter, bad handle or id
constexpr uint32_t SYSFUN_RESULT_NO_SPACE = 3;       // a registry of the instance is full
constexpr uint32_t SYSFUN_RESULT_OBJ_NOT_EXIST = 4;  // no semaphore, queue or thread of that key/id
constexpr uint32_t SYSFUN_RESULT_OBJ_EXIST = 5;      // the key is already taken
constexpr uint32_t SYSFUN_RESULT_SYSTEM_ERROR = 6;   // a Linux call failed
constexpr uint32_t SYSFUN_RESULT_NO_INSTANCE = 7;    // no instance control block is attached
constexpr uint32_t SYSFUN_RESULT_NO_MESSAGE = 55;    // receive: no message was waiting
constexpr uint32_t SYSFUN_RESULT_MSG_TOO_LONG = 56;  // refused: larger than the queue takes
constexpr uint32_t SYSFUN_RESULT_MSG_TOO_SHORT = 57;  // refused: shorter than a message header
constexpr uint32_t SYSFUN_RESULT_PEER_GONE = 58;      // the requester or the queue no longer exists

// Time-outs in ticks.
constexpr uint32_t SYSFUN_TIMEOUT_NOWAIT = 0;
constexpr uint32_t SYSFUN_TIMEOUT_WAIT_FOREVER = 0xFFFFFFFF;

// SYSFUN_ReceiveEvent flags: return as soon as any bit of the mask is pending.
constexpr uint32_t SYSFUN_EVENT_WAIT_ANY = 2;

// Message queue types of SYSFUN_CreateMsgQ.
constexpr uint32_t SYSFUN_MSGQ_UNIDIRECTIONAL = 0;
constexpr uint32_t SYSFUN_MSGQ_BIDIRECTIONAL = 1;

// Event raised on the owner of a keyed queue when a message arrives on it.
constexpr uint32_t SYSFUN_SYSTEM_EVENT_IPCMSG = 0x20000000;

struct SysfunMsgQ;
using SYSFUN_MsgQ_T = SysfunMsgQ*;
using SYSFUN_TaskEntry_T = void (*)(void* arg);

// ---- Processes and threads -------------------------------------------------------------
// Starts a new process (fork) running entry(arg); the child ends when entry returns.
uint32_t SYSFUN_SpawnProcess(uint32_t priority, uint32_t sched_policy, const char* name,
                             SYSFUN_TaskEntry_T entry, void* arg, uint32_t* task_id);
// Starts a thread running entry(arg). The thread is registered (name, priority, policy,
// stack size) before this returns, so events can be sent to *thread_id at once.
uint32_t SYSFUN_SpawnThread(uint32_t priority, uint32_t sched_policy, const char* name,
                            uint32_t stack_size, uint32_t task_option, SYSFUN_TaskEntry_T entry,
                            void* arg, uint32_t* thread_id);
uint32_t SYSFUN_TaskIdSelf();
// Records the priority (Linux applies real-time priorities only with privileges).
uint32_t SYSFUN_SetTaskPriority(uint32_t sched_policy, uint32_t task_id, uint32_t priority);
uint32_t SYSFUN_SuspendThreadSelf();
uint32_t SYSFUN_ResumeThread(uint32_t thread_id);
// Names the calling thread (used for threads not started by SYSFUN_SpawnThread).
void SYSFUN_RegisterThisThread(const char* name);

// ---- Semaphores -----------------------------------------------------------------------
// key 0: an anonymous semaphore (shared with processes spawned afterwards); any other key:
// a named one that other processes of the instance obtain with SYSFUN_GetSem.
uint32_t SYSFUN_CreateSem(uint32_t key, uint32_t initial_count, uint32_t sem_flags,
                          uint32_t* sem_id);
uint32_t SYSFUN_GetSem(uint32_t key, uint32_t* sem_id);
uint32_t SYSFUN_TakeSem(uint32_t sem_id, uint32_t timeout);
uint32_t SYSFUN_GiveSem(uint32_t sem_id);
uint32_t SYSFUN_DestroySem(uint32_t sem_id);

// ---- Message queues -------------------------------------------------------------------
// key 0 with type 0: a private queue. A non-zero key: a named queue that other processes of
// the instance send to; the creating thread owns it and receives its message event.
uint32_t SYSFUN_CreateMsgQ(uint32_t key, uint32_t queue_type, SYSFUN_MsgQ_T* handle);
uint32_t SYSFUN_DestroyMsgQ(SYSFUN_MsgQ_T handle);
uint32_t SYSFUN_GetMsgQKey(SYSFUN_MsgQ_T handle);
// Changes the event bits a message arriving on this queue raises on its owner.
uint32_t SYSFUN_SetMsgQEvent(SYSFUN_MsgQ_T handle, uint32_t event_bits);
// Receives one message (12-byte header + at most payload_capacity payload bytes) into
// buffer. The part of the buffer the message did not fill is cleared. Returns
// SYSFUN_RESULT_NO_MESSAGE when nothing arrived in time; a message that does not fit is
// dropped whole (SYSFUN_RESULT_MSG_TOO_LONG) and one shorter than the header too
// (SYSFUN_RESULT_MSG_TOO_SHORT), with the buffer cleared.
uint32_t __SYSFUN_ReceiveMsg(SYSFUN_MsgQ_T handle, uint32_t msg_type, uint32_t timeout,
                             uint32_t payload_capacity, void* buffer, const char* func, int line);
// Returns the buffer, rewritten with the response (header + msg_size payload bytes), to the
// process that sent the message last received on this queue. A requester that has gone away
// or does not read its answers gets nothing: SYSFUN_RESULT_PEER_GONE, nothing is queued.
uint32_t __SYSFUN_SendResponseMsg(SYSFUN_MsgQ_T handle, void* buffer, const char* func, int line);
// Sends a message (12-byte header + payload) to a queue of this process without waiting for
// an answer, and raises the queue's event on its owner. (Other processes send with
// ipc::Client, ipc_client.h.)
uint32_t SYSFUN_SendMsg(SYSFUN_MsgQ_T handle, const void* msg, uint32_t msg_len);
#define SYSFUN_ReceiveMsg(h, type, timeout, cap, buf) \
    __SYSFUN_ReceiveMsg((h), (type), (timeout), (cap), (buf), __FUNCTION__, __LINE__)
#define SYSFUN_SendResponseMsg(h, buf) __SYSFUN_SendResponseMsg((h), (buf), __FUNCTION__, __LINE__)

// ---- Events ---------------------------------------------------------------------------
// Takes the pending bits of mask. Timeout 0 polls; SYSFUN_TIMEOUT_WAIT_FOREVER waits for
// ever. Returns SYSFUN_RESULT_TIMEOUT (1) with *received 0 when no bit came in time.
uint32_t SYSFUN_ReceiveEvent(uint32_t event_mask, uint32_t flags, uint32_t timeout,
                             uint32_t* received);
// Sets bits for a thread of any process of the instance.
uint32_t SYSFUN_SendEvent(uint32_t thread_id, uint32_t event_bits);

// ---- Timers and time -----------------------------------------------------------------
// A periodic timer raises its event bits on the thread that created it.
void* SYSFUN_PeriodicTimer_Create();
bool SYSFUN_PeriodicTimer_Start(void* timer, uint32_t period_ticks, uint32_t event_bits);
bool SYSFUN_PeriodicTimer_Stop(void* timer);
bool SYSFUN_PeriodicTimer_Destroy(void* timer);
uint32_t SYSFUN_GetSysTick();  // 100 ticks a second, monotonic
uint32_t SYSFUN_MSecondToTick(uint32_t ms);
uint32_t SYSFUN_Sleep(uint32_t ticks);

// ---- Serial console and reboot --------------------------------------------------------
// The console is the process's standard input and output. A UART handle is 1.
uint32_t SYSFUN_OpenUART(uint32_t uart);
// Non-blocking: 0 and *ch when a character is waiting, else SYSFUN_RESULT_NO_MESSAGE.
uint32_t SYSFUN_UARTPollRxBuff(uint32_t uart, uint32_t count, char* ch);
uint32_t SYSFUN_CloseUART(uint32_t uart);
// Reloads the virtual switch: writes the boot record to the instance's run directory
// ("boot_record"), removes the instance's resources and ends the process. Does not return.
void SYSFUN_Reboot(const char* boot_record);
