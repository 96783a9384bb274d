#include "platform/containers/l_list.h"

#include <new>

void L_list_init(L_list* list, void (*del)(void* data)) {
    if (list == nullptr) return;
    list->head = nullptr;
    list->tail = nullptr;
    list->count = 0;
    list->del = del;
}

bool L_listnode_add(L_list* list, void* data) {
    if (list == nullptr) return false;
    auto* node = new (std::nothrow) L_listnode{nullptr, list->tail, data};
    if (node == nullptr) return false;
    if (list->tail != nullptr) {
        list->tail->next = node;
    } else {
        list->head = node;
    }
    list->tail = node;
    ++list->count;
    return true;
}

namespace {

void unlink(L_list* list, L_listnode* node) {
    if (node->prev != nullptr) {
        node->prev->next = node->next;
    } else {
        list->head = node->next;
    }
    if (node->next != nullptr) {
        node->next->prev = node->prev;
    } else {
        list->tail = node->prev;
    }
    --list->count;
    delete node;
}

}  // namespace

bool L_listnode_delete(L_list* list, void* data) {
    if (list == nullptr) return false;
    for (L_listnode* node = list->head; node != nullptr; node = node->next) {
        if (node->data == data) {
            unlink(list, node);
            return true;
        }
    }
    return false;
}

void* L_listnode_head(const L_list* list) {
    return list == nullptr || list->head == nullptr ? nullptr : list->head->data;
}

void* L_list_pop(L_list* list) {
    if (list == nullptr || list->head == nullptr) return nullptr;
    void* data = list->head->data;
    unlink(list, list->head);
    return data;
}

void L_list_delete_all_node(L_list* list) {
    if (list == nullptr) return;
    L_listnode* node = list->head;
    // Detach first so that a delete function that looks at the list sees it empty.
    list->head = nullptr;
    list->tail = nullptr;
    list->count = 0;
    while (node != nullptr) {
        L_listnode* next = node->next;
        if (list->del != nullptr) list->del(node->data);
        delete node;
        node = next;
    }
}
