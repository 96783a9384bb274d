// L_STACK: a bounded stack of 32-bit values, used to keep free index numbers (the last
// number pushed is the first popped, so a released index is reused first).
//
// Not thread-safe: callers that share a stack between threads lock around every call.
#pragma once

#include <cstdint>

struct L_STACK_T;

// Makes an empty stack that holds up to `depth` values; nullptr for depth 0 or when
// memory runs out.
L_STACK_T* L_STACK_Create(uint32_t depth);
// Pushes a value; false when the stack is full (or null).
bool L_STACK_Push(L_STACK_T* stack, uint32_t value);
// Pops the top value into *value; false when the stack is empty (or an argument is null).
bool L_STACK_Pop(L_STACK_T* stack, uint32_t* value);
// Number of values held now (0 for a null stack).
uint32_t L_STACK_GetCount(const L_STACK_T* stack);
// Frees the stack. A null stack is ignored.
void L_STACK_Destroy(L_STACK_T* stack);
