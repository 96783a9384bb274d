// L_PT: a pool of fixed-size blocks carved out of one area that the caller provides.
// Allocation and release cost O(1) and never touch the heap, which suits packet paths.
//
// The caller fills `buffer`, `buffer_len` and `partition_len` and calls L_PT_Create; the
// area then holds buffer_len / partition_len blocks, block i at buffer + i * partition_len
// (so partition_len should be a multiple of the alignment the caller's records need).
// L_PT_Free accepts only a block of this pool that is currently allocated: a pointer
// outside the area, into the middle of a block, or to a block already free is refused.
//
// Not thread-safe: callers that share a pool between threads lock around every call.
#pragma once

#include <cstdint>

struct L_PT_State;

struct L_PT_Descriptor_T {
    void* buffer;            // the area (owned by the caller, outlives the pool)
    uint32_t buffer_len;     // its size in bytes
    uint32_t partition_len;  // size of one block in bytes
    L_PT_State* state;       // bookkeeping, set by L_PT_Create
};

// Carves the area into blocks, all free. False (with a console line) for a null area, a
// block size of 0 or an area smaller than one block.
bool L_PT_Create(L_PT_Descriptor_T* desc);
// A free block, or nullptr when the pool is exhausted (or not created).
void* L_PT_Allocate(L_PT_Descriptor_T* desc);
// Returns a block to the pool; false when `block` is not an allocated block of this pool.
bool L_PT_Free(L_PT_Descriptor_T* desc, void* block);
// True when `p` lies inside the pool's area (whether or not it is a block start).
bool L_PT_IsInArea(const L_PT_Descriptor_T* desc, const void* p);
// Number of blocks free now.
uint32_t L_PT_GetFreeCount(const L_PT_Descriptor_T* desc);
// Releases the bookkeeping (not the area). The descriptor can be created again afterwards.
void L_PT_Destroy(L_PT_Descriptor_T* desc);
