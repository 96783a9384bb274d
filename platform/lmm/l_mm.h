// L_MM: packet buffers. A packet travels between layers and processes as a memory reference
// ("mref"): a 64-byte record in the shared IPC pool (l_ipcmem.h) that names a buffer in the
// same pool, the packet data (pdu) inside it, its owner and a reference count. An mref crosses
// a process boundary as its pool offset (L_IPCMEM_GetOffset / L_MM_Mref_FromOffset).
//
// Two kinds of mref:
//  - transmit buffers (_L_MM_AllocateTxBuffer): the buffer is allocated from the pool with
//    the mref and returned to it when the last reference is released;
//  - constructed mrefs (_L_MM_Mref_Construct): wrap data that already lies in the pool, such
//    as a chip DMA buffer, without copying. At the last release the free function registered
//    for the mref's type is called with the free handle and the pool id, so the data can go
//    back to whoever owns it (the chip, for a received packet).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/common/byteorder.h"

constexpr uint32_t L_MM_MREF_MAGIC = 0x4D524546;  // "MREF"

// Kinds of mref (the record's kind byte).
constexpr uint8_t L_MM_KIND_TX_BUFFER = 1;
constexpr uint8_t L_MM_KIND_CONSTRUCTED = 2;

// The mref record. Every field is big-endian except the reference count: it is a host-order
// atomic, because releases from several threads and processes must decrement it without a
// lock, and every process of an instance runs on the same host.
struct L_MM_Mref_T {
    be::U32 magic;                    //  0: L_MM_MREF_MAGIC while the mref exists
    be::U32 buffer_offset;            //  4: pool offset of the buffer
    be::U32 buffer_size;              //  8: bytes of the buffer
    be::U32 pdu_offset;               // 12: start of the packet data, from the buffer's start
    be::U16 user_id_high;             // 16: user field 1 (upper half of the user id)
    be::U16 user_id_low;              // 18: user field 2 (lower half of the user id)
    be::U32 pdu_len;                  // 20: bytes of packet data
    be::U32 free_handle;              // 24: free info given to the free function
    be::U32 pool_id;                  // 28: pool id / cookie; a transmit buffer's size class
    uint8_t kind;                     // 32: L_MM_KIND_*
    uint8_t free_func_id;             // 33: the type given to _L_MM_Mref_Construct
    uint8_t cos;                      // 34: class of service of a received packet
    uint8_t reserved;                 // 35
    std::atomic<uint32_t> ref_count;  // 36: host order, see above
    be::U32 owner_pid;                // 40: process that made the mref
    be::U32 caller_line;              // 44: source line that made it
    char caller[16];                  // 48: function that made it, NUL-terminated, cut short
};
static_assert(sizeof(L_MM_Mref_T) == 64);
static_assert(offsetof(L_MM_Mref_T, user_id_high) == 16);
static_assert(offsetof(L_MM_Mref_T, user_id_low) == 18);
static_assert(offsetof(L_MM_Mref_T, cos) == 34);
static_assert(offsetof(L_MM_Mref_T, ref_count) == 36);

// A user id is the two user fields: the high half lands at offset 16, the low half at 18.
constexpr uint32_t L_MM_USER_ID(uint16_t field16, uint16_t field18) {
    return (uint32_t{field16} << 16) | field18;
}

// Free functions, by mref type. Type 0 means "nothing to give back"; types 1 to
// L_MM_MAX_FREE_FUNC-1 call the function registered for them in the releasing process.
using L_MM_FreeFunc_T = bool (*)(uint32_t free_handle, uint32_t pool_id);
constexpr uint32_t L_MM_FREE_FUNC_NONE = 0;
constexpr uint32_t L_MM_MAX_FREE_FUNC = 16;
// Registers (or, with nullptr, removes) the free function of a type. FALSE for type 0 or out
// of range.
bool L_MM_SetFreeFunc(uint32_t type, L_MM_FreeFunc_T func);
L_MM_FreeFunc_T L_MM_GetFreeFunc(uint32_t type);

// A transmit buffer of `size` bytes with its mref: pdu at offset 0, pdu length `size`,
// reference count 1. nullptr on failure.
L_MM_Mref_T* _L_MM_AllocateTxBuffer(uint32_t size, uint32_t user_id, const char* caller = nullptr,
                                    int line = 0);
// Wraps [buffer, buffer + buffer_len), which must lie in the pool, in a new mref with the
// pdu at pdu_offset, reference count 1 and user id 0. nullptr on failure.
L_MM_Mref_T* _L_MM_Mref_Construct(void* buffer, uint32_t buffer_len, uint32_t pdu_offset,
                                  uint32_t pdu_len, uint32_t type, uint32_t pool_id,
                                  uint32_t free_info, const char* caller = nullptr, int line = 0);
// Start of the packet data, and its length in *pdu_len (when not nullptr). nullptr for an
// mref that does not exist.
void* _L_MM_Mref_GetPdu(L_MM_Mref_T* mref, uint32_t* pdu_len, const char* caller = nullptr,
                        int line = 0);
// Drops one reference and sets *mref to nullptr. Returns the references left, or -1 when
// *mref is not an existing mref (a second release of the last reference included). At 0 the
// buffer goes back to the pool, or the free function of a constructed mref is called.
int32_t _L_MM_Mref_Release(L_MM_Mref_T** mref, const char* caller = nullptr, int line = 0);

#define L_MM_AllocateTxBuffer(size, user_id) \
    _L_MM_AllocateTxBuffer((size), (user_id), __FUNCTION__, __LINE__)
#define L_MM_Mref_Construct(buf, buf_len, pdu_off, pdu_len, type, pool_id, free_info)            \
    _L_MM_Mref_Construct((buf), (buf_len), (pdu_off), (pdu_len), (type), (pool_id), (free_info), \
                         __FUNCTION__, __LINE__)
#define L_MM_Mref_GetPdu(mref, pdu_len) _L_MM_Mref_GetPdu((mref), (pdu_len), __FUNCTION__, __LINE__)
#define L_MM_Mref_Release(mref_pp) _L_MM_Mref_Release((mref_pp), __FUNCTION__, __LINE__)

// Adds `inc` references (for a holder that passes the mref on and keeps it). FALSE for an
// mref that does not exist, inc 0, or a count that would overflow.
bool L_MM_Mref_AddRefCount(L_MM_Mref_T* mref, uint32_t inc);
// References held, or -1 for an mref that does not exist.
int32_t L_MM_Mref_GetRefCount(const L_MM_Mref_T* mref);
// Sets or reads the two user fields as one user id. Set is FALSE and Get 0 for an mref that
// does not exist.
bool L_MM_Mref_SetUserId(L_MM_Mref_T* mref, uint32_t user_id);
uint32_t L_MM_Mref_GetUserId(const L_MM_Mref_T* mref);
// The mref at a pool offset received in a request; nullptr when no mref exists there.
L_MM_Mref_T* L_MM_Mref_FromOffset(uint32_t offset);
// True when mref points at an existing mref record of the pool.
bool L_MM_Mref_IsValid(const L_MM_Mref_T* mref);

// Prints "function(line): message" on the console while debug messages are on (the default;
// the debug menu switches them). The library's own failure reasons go the same way.
void L_MM_DebugPrintf(const char* message, const char* function, int line);
void L_MM_SetDebugFlag(bool on);
bool L_MM_GetDebugFlag();

// The memory library's debug menu for a menu request (command 90) received on the driver
// process's main queue: the payload holds a BACKDOOR_MGR_REQ_* request. Runs the menu for the
// client it names; TRUE then, with msg_size 4 and TRUE in payload byte 0. FALSE, with a
// console line, for a malformed request or a client that cannot be reached.
bool L_MM_BACKDOOR_BackDoorMenu4Process(void* msgbuf);
