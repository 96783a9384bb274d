// L_IPCMEM: the shared IPC memory pool of an instance. One POSIX shared-memory object
// ("ipcmem" in the instance namespace) that every process of the instance maps: a client
// process allocates a buffer in it, fills it and passes its offset in a request; the driver
// process turns the offset back into a pointer. Offsets, not pointers, cross process
// boundaries: the same offset names the same bytes in every process.
//
// The pool holds, from offset 0: a header with the allocation state (guarded by a
// process-shared robust mutex, so processes may allocate at the same time and one that dies
// holding the lock does not block the others), the table of L_MM memory references, packet
// buffers in three size classes, and an area of large fixed blocks from which the chip model
// carves its packet DMA buffers. Offset 0 is the header and is never handed out, so an offset
// of 0 means "no buffer".
#pragma once

#include <cstdint>

// Only pool 0 exists.
constexpr uint32_t L_IPCMEM_POOL_ID = 0;
// Size of the shared object.
constexpr uint32_t L_IPCMEM_POOL_SIZE = 8u << 20;
// Unit of the DMA area.
constexpr uint32_t L_IPCMEM_DMA_BLOCK_SIZE = 64u << 10;
constexpr uint32_t L_IPCMEM_DMA_BLOCK_COUNT = 64;
// Number of buffer size classes and of memory-reference records.
constexpr uint32_t L_IPCMEM_BUFFER_CLASSES = 3;
constexpr uint32_t L_IPCMEM_MREF_COUNT = 4096;

// Chip bring-up in the driver process (the pool's owner): maps the instance's pool, creating
// and initialising it when it is absent or not a valid pool. An existing valid pool is kept
// (the chip model may already have carved its DMA buffers from it). pool_id must be 0.
// FALSE, with a console line, on failure.
bool L_IPCMEM_Preinitialize_InitMemoryPool(uint32_t pool_id);

// Other processes attach on first use; these make it explicit. Attach is FALSE when the
// instance has no pool (its driver process has not brought the chip up). Detach unmaps it.
bool L_IPCMEM_Attach();
void L_IPCMEM_Detach();

// The pointer for an offset received in a request; nullptr for offset 0, an offset inside
// the header or beyond the pool, or when no pool is mapped. Prints nothing: the caller
// reports the bad request in its own words.
void* L_IPCMEM_GetPtr(uint32_t offset);
// As L_IPCMEM_GetPtr, and the whole range [offset, offset + len) must lie in the pool.
void* L_IPCMEM_GetPtrRange(uint32_t offset, uint32_t len);
// The offset of a pointer into the pool; 0 for a pointer outside it (or for nullptr).
uint32_t L_IPCMEM_GetOffset(const void* ptr);

// A buffer of at least `size` bytes from the smallest size class that has one free (larger
// classes are used when a class runs out). nullptr for size 0, a size larger than the largest
// class, or an exhausted pool.
void* L_IPCMEM_Allocate(uint32_t size);
// Returns a buffer of L_IPCMEM_Allocate. FALSE, with a console line, for a pointer that is
// not the start of an allocated buffer (a second free included).
bool L_IPCMEM_Free(void* buffer);
// Capacity of an allocated buffer (its class's block size); 0 when not one.
uint32_t L_IPCMEM_GetBufferSize(const void* buffer);

// Large fixed blocks for the chip model's packet DMA buffers: a contiguous run of
// L_IPCMEM_DMA_BLOCK_SIZE blocks holding `size` bytes, aligned to a block. Called in the
// owner during chip bring-up, so the pool is created when absent. nullptr when no run of
// that length is free.
void* L_IPCMEM_AllocateDmaArea(uint32_t size);
bool L_IPCMEM_FreeDmaArea(void* area);

// Usage snapshot (for debug menus and tests).
struct L_IPCMEM_AreaUsage_T {
    uint32_t block_size;
    uint32_t total;
    uint32_t used;
    uint32_t peak;
    uint32_t failures;  // allocations refused because the area was full
};
struct L_IPCMEM_Usage_T {
    L_IPCMEM_AreaUsage_T buffers[L_IPCMEM_BUFFER_CLASSES];
    L_IPCMEM_AreaUsage_T mrefs;
    L_IPCMEM_AreaUsage_T dma;
};
bool L_IPCMEM_GetUsage(L_IPCMEM_Usage_T* usage);
