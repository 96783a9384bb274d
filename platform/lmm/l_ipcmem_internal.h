// Between L_IPCMEM and L_MM: the table of memory-reference records inside the pool.
#pragma once

#include <cstdint>
#include <functional>

namespace lmm_pool {

constexpr uint32_t kMrefRecordSize = 64;

// A zero-filled record from the table; nullptr when the table is full or no pool is mapped.
void* alloc_mref_record();
// Returns a record; false when `record` is not an allocated record of the table.
bool free_mref_record(void* record);
// Index of the record starting at p; -1 when p is not the start of a record of the table.
int32_t mref_index(const void* p);
// Calls fn(index, record) for every allocated record, under the pool lock.
void for_each_mref(const std::function<void(uint32_t, void*)>& fn);

}  // namespace lmm_pool
