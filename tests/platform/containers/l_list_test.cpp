#include "platform/containers/l_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The data in order, checking the back links, tail and count on the way.
std::vector<void*> contents(const L_list& list) {
    std::vector<void*> v;
    const L_listnode* prev = nullptr;
    for (const L_listnode* n = list.head; n != nullptr; prev = n, n = n->next) {
        EXPECT_EQ(n->prev, prev);
        v.push_back(n->data);
    }
    EXPECT_EQ(list.tail, prev);
    EXPECT_EQ(list.count, v.size());
    return v;
}

std::vector<void*> deleted;
void record_delete(void* data) {
    deleted.push_back(data);
}

TEST(LList, AddDeletePopAndDeleteAll) {
    int a = 0, b = 0, c = 0, d = 0;
    L_list list;
    L_list_init(&list, record_delete);
    EXPECT_EQ(L_list_pop(&list), nullptr);
    for (int* p : {&a, &b, &c, &d, &a})
        ASSERT_TRUE(L_listnode_add(&list, p));
    EXPECT_EQ(L_listnode_head(&list), &a);
    EXPECT_TRUE(L_listnode_delete(&list, &c));  // middle
    EXPECT_TRUE(L_listnode_delete(&list, &a));  // head, the first of two
    EXPECT_EQ(contents(list), (std::vector<void*>{&b, &d, &a}));
    EXPECT_TRUE(L_listnode_delete(&list, &a));  // tail
    EXPECT_FALSE(L_listnode_delete(&list, &a));
    EXPECT_EQ(L_list_pop(&list), &b);
    EXPECT_EQ(contents(list), (std::vector<void*>{&d}));
    EXPECT_TRUE(deleted.empty());  // the caller got the data back

    L_listnode_add(&list, &c);
    L_list_delete_all_node(&list);
    EXPECT_EQ(deleted, (std::vector<void*>{&d, &c}));
    EXPECT_EQ(contents(list), std::vector<void*>{});
    EXPECT_TRUE(L_listnode_add(&list, &a));  // still usable
    EXPECT_EQ(L_list_pop(&list), &a);
    EXPECT_FALSE(L_listnode_add(nullptr, &a));
    EXPECT_EQ(L_list_pop(nullptr), nullptr);
}

}  // namespace
