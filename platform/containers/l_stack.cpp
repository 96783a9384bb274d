#include "platform/containers/l_stack.h"

#include <new>
#include <vector>

#include "platform/console/console.h"

struct L_STACK_T {
    std::vector<uint32_t> values;  // reserved to the depth; never grows beyond it
    uint32_t depth;
};

L_STACK_T* L_STACK_Create(uint32_t depth) {
    if (depth == 0) {
        CONSOLE_Printf("L_STACK_Create: depth 0 is not a stack\r\n");
        return nullptr;
    }
    auto* stack = new (std::nothrow) L_STACK_T;
    if (stack == nullptr) return nullptr;
    try {
        stack->values.reserve(depth);
    } catch (const std::bad_alloc&) {
        delete stack;
        CONSOLE_Printf("L_STACK_Create: out of memory for depth %u\r\n", depth);
        return nullptr;
    }
    stack->depth = depth;
    return stack;
}

bool L_STACK_Push(L_STACK_T* stack, uint32_t value) {
    if (stack == nullptr || stack->values.size() >= stack->depth) return false;
    stack->values.push_back(value);
    return true;
}

bool L_STACK_Pop(L_STACK_T* stack, uint32_t* value) {
    if (stack == nullptr || value == nullptr || stack->values.empty()) return false;
    *value = stack->values.back();
    stack->values.pop_back();
    return true;
}

uint32_t L_STACK_GetCount(const L_STACK_T* stack) {
    return stack == nullptr ? 0 : static_cast<uint32_t>(stack->values.size());
}

void L_STACK_Destroy(L_STACK_T* stack) {
    delete stack;
}
