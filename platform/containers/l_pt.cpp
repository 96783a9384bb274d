#include "platform/containers/l_pt.h"

#include <cstddef>
#include <new>
#include <vector>

#include "platform/console/console.h"

struct L_PT_State {
    uint32_t block_count;
    std::vector<uint32_t> free_blocks;  // indices of free blocks, used as a stack
    std::vector<bool> in_use;           // per block: handed out and not yet freed
};

bool L_PT_Create(L_PT_Descriptor_T* desc) {
    if (desc == nullptr) return false;
    if (desc->buffer == nullptr || desc->partition_len == 0 ||
        desc->buffer_len < desc->partition_len) {
        CONSOLE_Printf("L_PT_Create: bad pool (buffer %p, length %u, block %u)\r\n", desc->buffer,
                       desc->buffer_len, desc->partition_len);
        desc->state = nullptr;
        return false;
    }
    auto* state = new (std::nothrow) L_PT_State;
    if (state == nullptr) return false;
    state->block_count = desc->buffer_len / desc->partition_len;
    try {
        state->in_use.assign(state->block_count, false);
        state->free_blocks.reserve(state->block_count);
    } catch (const std::bad_alloc&) {
        CONSOLE_Printf("L_PT_Create: out of memory for %u blocks\r\n", state->block_count);
        delete state;
        desc->state = nullptr;
        return false;
    }
    // Pushed in reverse so that the first allocations come from the start of the area.
    for (uint32_t i = state->block_count; i-- > 0;)
        state->free_blocks.push_back(i);
    desc->state = state;
    return true;
}

void* L_PT_Allocate(L_PT_Descriptor_T* desc) {
    if (desc == nullptr || desc->state == nullptr || desc->state->free_blocks.empty()) {
        return nullptr;
    }
    L_PT_State* state = desc->state;
    uint32_t index = state->free_blocks.back();
    state->free_blocks.pop_back();
    state->in_use[index] = true;
    return static_cast<uint8_t*>(desc->buffer) + static_cast<size_t>(index) * desc->partition_len;
}

bool L_PT_IsInArea(const L_PT_Descriptor_T* desc, const void* p) {
    if (desc == nullptr || desc->buffer == nullptr || p == nullptr) return false;
    auto base = reinterpret_cast<uintptr_t>(desc->buffer);
    auto addr = reinterpret_cast<uintptr_t>(p);
    return addr >= base && addr - base < desc->buffer_len;
}

bool L_PT_Free(L_PT_Descriptor_T* desc, void* block) {
    if (desc == nullptr || desc->state == nullptr || !L_PT_IsInArea(desc, block)) return false;
    L_PT_State* state = desc->state;
    uintptr_t offset =
        reinterpret_cast<uintptr_t>(block) - reinterpret_cast<uintptr_t>(desc->buffer);
    if (offset % desc->partition_len != 0) return false;
    auto index = static_cast<uint32_t>(offset / desc->partition_len);
    // The tail of the area shorter than one block is not a block.
    if (index >= state->block_count || !state->in_use[index]) return false;
    state->in_use[index] = false;
    state->free_blocks.push_back(index);
    return true;
}

uint32_t L_PT_GetFreeCount(const L_PT_Descriptor_T* desc) {
    if (desc == nullptr || desc->state == nullptr) return 0;
    return static_cast<uint32_t>(desc->state->free_blocks.size());
}

void L_PT_Destroy(L_PT_Descriptor_T* desc) {
    if (desc == nullptr) return;
    delete desc->state;
    desc->state = nullptr;
}
