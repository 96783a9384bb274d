#include "platform/containers/l_ptree.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "platform/console/console.h"

namespace {

std::array<uint8_t, 4> key32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

// The key as a 32-bit number; a shorter key holds only (key_len + 7) / 8 bytes.
uint32_t value32(const L_ptree_node* n) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < 4; ++i)
        v = (v << 8) | (i < (n->key_len + 7u) / 8 ? n->key[i] : 0);
    return v;
}

int bit(const uint8_t* key, uint32_t i) {
    return (key[i / 8] >> (7 - i % 8)) & 1;
}

// Checks the shape below `node` through the public fields: each child extends its parent's
// key on the side of its next bit, parent links agree, and no node the tree should have
// removed (no info, no lock, fewer than two children) is left. Returns the node count.
size_t check_shape(const L_ptree_node* node, const L_ptree_node* parent) {
    if (node == nullptr) return 0;
    EXPECT_EQ(node->parent, parent);
    if (parent != nullptr) {
        EXPECT_GT(node->key_len, parent->key_len);
        for (uint32_t i = 0; i < parent->key_len; ++i)
            EXPECT_EQ(bit(node->key, i), bit(parent->key, i));
        EXPECT_EQ(parent->link[bit(node->key, parent->key_len)], node);
    }
    if (node->info == nullptr && node->lock == 0) {
        EXPECT_TRUE(node->link[0] != nullptr && node->link[1] != nullptr) << "stale node";
    }
    return 1 + check_shape(node->link[0], node) + check_shape(node->link[1], node);
}

// Node count of the whole tree, reached from its first entry.
size_t tree_size(L_ptree* t) {
    L_ptree_node* n = L_ptree_top(t);
    if (n == nullptr) return 0;
    const L_ptree_node* root = n;
    while (root->parent != nullptr)
        root = root->parent;
    size_t size = check_shape(root, nullptr);
    L_ptree_unlock_node(n);
    return size;
}

// An entry keeps the get's lock as its own.
void add(L_ptree* t, const uint8_t* key, uint32_t bits, void* info) {
    L_ptree_node* n = L_ptree_node_get(t, key, bits);
    ASSERT_NE(n, nullptr);
    if (n->info != nullptr) L_ptree_unlock_node(n);
    n->info = info;
}

bool remove(L_ptree* t, const uint8_t* key, uint32_t bits) {
    L_ptree_node* n = L_ptree_node_lookup(t, key, bits);
    if (n == nullptr) return false;
    n->info = nullptr;
    L_ptree_unlock_node(n);  // the lookup's
    L_ptree_unlock_node(n);  // the entry's
    return true;
}

std::vector<uint32_t> walk32(L_ptree* t) {
    std::vector<uint32_t> keys;
    for (L_ptree_node* n = L_ptree_top(t); n != nullptr; n = L_ptree_next(n)) {
        keys.push_back(value32(n));
    }
    return keys;
}

TEST(LPtree, RandomInsertsAndDeletesWalkInKeyOrderLikeAMap) {
    L_ptree* t = L_ptree_init(32);
    std::map<uint32_t, int*> model;
    std::vector<int> objects(64);
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        uint32_t v = (rng() % 3000) * 0x10001u;  // long shared prefixes and early splits
        if (rng() % 3 != 0) {
            add(t, key32(v).data(), 32, &objects[round % 64]);
            model[v] = &objects[round % 64];
        } else {
            EXPECT_EQ(remove(t, key32(v).data(), 32), model.erase(v) == 1) << v;
        }
        if (round % 1000 == 0) tree_size(t);
    }
    std::vector<uint32_t> expected;
    for (auto& [k, obj] : model) {
        expected.push_back(k);
        L_ptree_node* n = L_ptree_node_lookup(t, key32(k).data(), 32);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->info, obj);
        L_ptree_unlock_node(n);
    }
    EXPECT_EQ(walk32(t), expected);
    EXPECT_LT(tree_size(t), 2 * expected.size());  // fewer branch nodes than entries

    for (uint32_t v : expected)
        ASSERT_TRUE(remove(t, key32(v).data(), 32));
    EXPECT_FALSE(L_ptree_has_info(t));
    EXPECT_EQ(L_ptree_top(t), nullptr);
    int obj = 0;
    add(t, key32(5).data(), 32, &obj);
    EXPECT_EQ(tree_size(t), 1u);  // nothing was left behind
    L_ptree_finish(t);
}

TEST(LPtree, LongKeysWalkInByteOrderAndByGroupPrefix) {
    L_ptree* t = L_ptree_init(256);
    std::map<std::array<uint8_t, 32>, int> model;
    std::mt19937 rng(11);
    int obj = 0;
    for (int i = 0; i < 500; ++i) {
        std::array<uint8_t, 32> k{0xFF};  // 16-byte group (4 of them), 16-byte source
        k[15] = static_cast<uint8_t>(rng() % 4);
        for (int b = 16; b < 32; ++b)
            k[b] = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : 0);
        add(t, k.data(), 256, &obj);
        model[k] = 0;
    }
    auto it = model.begin();
    for (L_ptree_node* n = L_ptree_top(t); n != nullptr; n = L_ptree_next(n), ++it) {
        ASSERT_NE(it, model.end());
        EXPECT_EQ(std::memcmp(n->key, it->first.data(), 32), 0);
    }
    EXPECT_EQ(it, model.end());

    std::array<uint8_t, 32> group{0xFF};
    group[15] = 2;
    L_ptree_node* limit = L_ptree_node_get(t, group.data(), 128);
    size_t in_group = 0;
    for (L_ptree_node* n = L_ptree_next_until(L_ptree_lock_node(limit), limit); n != nullptr;
         n = L_ptree_next_until(n, limit), ++in_group) {
        EXPECT_EQ(std::memcmp(n->key, group.data(), 16), 0);
    }
    size_t expected = 0;
    for (auto& [k, unused] : model)
        expected += std::memcmp(k.data(), group.data(), 16) == 0;
    EXPECT_EQ(in_group, expected);
    L_ptree_unlock_node(limit);
    L_ptree_finish(t);
}

TEST(LPtree, NextUntilStopsAtThePrefixBoundaries) {
    L_ptree* t = L_ptree_init(32);
    int obj = 0;
    const uint32_t keys[] = {0x0A00FFFF, 0x0A010000, 0x0A010001, 0x0A01FFFF, 0x0A020000, 0, ~0u};
    for (uint32_t v : keys)
        add(t, key32(v).data(), 32, &obj);
    auto under = [&](uint32_t prefix, uint32_t bits) {
        std::vector<uint32_t> found;
        L_ptree_node* limit = L_ptree_node_get(t, key32(prefix).data(), bits);
        for (L_ptree_node* n = L_ptree_next_until(L_ptree_lock_node(limit), limit); n != nullptr;
             n = L_ptree_next_until(n, limit)) {
            found.push_back(value32(n));
        }
        L_ptree_unlock_node(limit);
        return found;
    };
    EXPECT_EQ(under(0x0A010000, 16), (std::vector<uint32_t>{0x0A010000, 0x0A010001, 0x0A01FFFF}));
    EXPECT_EQ(under(0x0A000000, 8).size(), 5u);
    EXPECT_EQ(under(0x0C000000, 8), std::vector<uint32_t>{});
    EXPECT_EQ(under(0x0A010001, 32), std::vector<uint32_t>{});
    EXPECT_EQ(under(0, 0).size(), std::size(keys));
    EXPECT_EQ(tree_size(t), 2 * std::size(keys) - 1);  // the prefix nodes went with their locks

    // A prefix comes before its extensions; lookups match the length as well as the bits.
    add(t, key32(0x0A000000).data(), 8, &obj);
    EXPECT_EQ(walk32(t)[1], 0x0A000000u);
    EXPECT_EQ(L_ptree_node_lookup(t, key32(0x0A000000).data(), 16), nullptr);
    L_ptree_node* n = L_ptree_node_lookup(t, key32(0x0AFFFFFF).data(), 8);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->key_len, 8);
    L_ptree_unlock_node(n);
    L_ptree_finish(t);
}

TEST(LPtree, LocksKeepNodesAliveAndDeletionDuringAWalkIsSafe) {
    L_ptree* t = L_ptree_init(32);
    std::vector<int> objs(64);
    for (uint32_t v = 0; v < 64; ++v)
        add(t, key32(v * 977).data(), 32, &objs[v]);

    // A node got but given no info is invisible to lookups and walks and goes on unlock.
    L_ptree_node* bare = L_ptree_node_get(t, key32(1).data(), 32);
    EXPECT_EQ(L_ptree_node_get(t, key32(1).data(), 32), bare);
    EXPECT_EQ(bare->lock, 2u);
    EXPECT_EQ(L_ptree_node_lookup(t, key32(1).data(), 32), nullptr);
    EXPECT_EQ(walk32(t).size(), 64u);
    L_ptree_unlock_node(bare);
    L_ptree_unlock_node(bare);
    EXPECT_EQ(tree_size(t), 127u);

    // Delete the even keys while walking: the walk's lock keeps the current node.
    size_t visited = 0;
    for (L_ptree_node* n = L_ptree_top(t); n != nullptr; n = L_ptree_next(n), ++visited) {
        if (value32(n) % 2 == 0) {
            n->info = nullptr;
            L_ptree_unlock_node(n);
            EXPECT_EQ(n->lock, 1u);
        }
    }
    EXPECT_EQ(visited, 64u);
    std::vector<uint32_t> odd;
    for (uint32_t v = 0; v < 64; ++v) {
        if (v % 2 == 1) odd.push_back(v * 977);
    }
    EXPECT_EQ(walk32(t), odd);
    EXPECT_EQ(tree_size(t), 2 * odd.size() - 1);

    // Unlocking a node without locks is refused with a console line; the entry stays.
    console::Capture capture;
    L_ptree_node* last = L_ptree_node_lookup(t, key32(977).data(), 32);
    L_ptree_unlock_node(last);
    L_ptree_unlock_node(last);
    L_ptree_unlock_node(last);
    EXPECT_TRUE(capture.contains("not locked"));
    EXPECT_EQ(walk32(t), odd);
    L_ptree_finish(t);  // with entries left
}

TEST(LPtree, BadArguments) {
    console::Capture capture;
    EXPECT_EQ(L_ptree_init(0), nullptr);
    EXPECT_TRUE(capture.contains("L_ptree_init"));
    L_ptree* t = L_ptree_init(32);
    uint8_t key[8] = {};
    EXPECT_EQ(L_ptree_node_get(t, key, 33), nullptr);
    EXPECT_EQ(L_ptree_node_get(t, nullptr, 32), nullptr);
    EXPECT_EQ(L_ptree_node_lookup(t, key, 33), nullptr);
    EXPECT_EQ(L_ptree_next(nullptr), nullptr);
    L_ptree_finish(t);
}

}  // namespace
