// L_list: a doubly linked list of caller data pointers. The list head is a plain structure
// the caller embeds or allocates; L_list_init prepares it. Nodes are allocated by the list.
// Walk a list with `for (L_listnode* n = list->head; n != nullptr; n = n->next)`; the
// fields below are for reading, change the list only through these functions.
//
// Not thread-safe: callers that share a list between threads lock around every call.
#pragma once

#include <cstdint>

struct L_listnode {
    L_listnode* next;
    L_listnode* prev;
    void* data;
};

struct L_list {
    L_listnode* head;
    L_listnode* tail;
    uint32_t count;
    // Called on each element's data by L_list_delete_all_node; may be null.
    void (*del)(void* data);
};

// Empties the head structure (no nodes; it must not hold nodes yet) and sets the delete
// function.
void L_list_init(L_list* list, void (*del)(void* data));
// Appends `data` at the tail; false when the list is null or memory runs out.
bool L_listnode_add(L_list* list, void* data);
// Removes the first node whose data is `data` (the data itself is not freed); false when
// there is none.
bool L_listnode_delete(L_list* list, void* data);
// The data of the first node, or nullptr for an empty list.
void* L_listnode_head(const L_list* list);
// Removes the first node and returns its data (not freed); nullptr for an empty list.
void* L_list_pop(L_list* list);
// Removes every node, handing each node's data to the list's delete function when it has
// one. The list stays usable (empty).
void L_list_delete_all_node(L_list* list);
