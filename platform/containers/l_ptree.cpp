#include "platform/containers/l_ptree.h"

#include <cstdlib>
#include <cstring>

#include "platform/console/console.h"

struct L_ptree {
    L_ptree_node* top;
    uint32_t max_key_bits;
};

namespace {

uint32_t key_bytes(uint32_t bits) {
    return (bits + 7) / 8;
}

int bit_at(const uint8_t* key, uint32_t index) {
    return (key[index / 8] >> (7 - index % 8)) & 1;
}

// Length of the common prefix of two keys, at most the shorter length.
uint32_t common_bits(const uint8_t* a, uint32_t a_bits, const uint8_t* b, uint32_t b_bits) {
    uint32_t limit = a_bits < b_bits ? a_bits : b_bits;
    uint32_t i = 0;
    while (i + 8 <= limit && a[i / 8] == b[i / 8])
        i += 8;
    while (i < limit && bit_at(a, i) == bit_at(b, i))
        ++i;
    return i;
}

// True when the node's key is a prefix of (key, key_bits).
bool node_is_prefix_of(const L_ptree_node* node, const uint8_t* key, uint32_t key_bits) {
    return node->key_len <= key_bits &&
           common_bits(node->key, node->key_len, key, key_bits) == node->key_len;
}

L_ptree_node* node_new(L_ptree* tree, const uint8_t* key, uint32_t key_bits) {
    uint32_t bytes = key_bytes(key_bits);
    auto* node = static_cast<L_ptree_node*>(std::calloc(1, sizeof(L_ptree_node) + bytes));
    if (node == nullptr) return nullptr;
    node->tree = tree;
    node->key_len = static_cast<uint16_t>(key_bits);
    node->key = reinterpret_cast<uint8_t*>(node + 1);
    if (bytes > 0) {
        std::memcpy(node->key, key, bytes);
        if (key_bits % 8 != 0) {
            node->key[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - key_bits % 8));
        }
    }
    return node;
}

// Hangs `child` below `parent` (or at the top of the tree) on the side of its next bit.
void attach(L_ptree* tree, L_ptree_node* parent, L_ptree_node* child) {
    child->parent = parent;
    if (parent == nullptr) {
        tree->top = child;
    } else {
        parent->link[bit_at(child->key, parent->key_len)] = child;
    }
}

// Removes a node that has neither info nor lock, unless it still joins two subtrees; a
// branching node left with a single child goes too.
void node_delete(L_ptree_node* node) {
    while (node != nullptr && node->lock == 0 && node->info == nullptr &&
           (node->link[0] == nullptr || node->link[1] == nullptr)) {
        L_ptree_node* child = node->link[0] != nullptr ? node->link[0] : node->link[1];
        L_ptree_node* parent = node->parent;
        if (child != nullptr) child->parent = parent;
        if (parent == nullptr) {
            node->tree->top = child;
        } else {
            parent->link[parent->link[0] == node ? 0 : 1] = child;
        }
        std::free(node);
        node = parent;
    }
}

// The node after `node` in key order, info or not.
L_ptree_node* successor(L_ptree_node* node) {
    if (node->link[0] != nullptr) return node->link[0];
    if (node->link[1] != nullptr) return node->link[1];
    while (node->parent != nullptr) {
        if (node->parent->link[0] == node && node->parent->link[1] != nullptr) {
            return node->parent->link[1];
        }
        node = node->parent;
    }
    return nullptr;
}

}  // namespace

L_ptree* L_ptree_init(uint32_t max_key_bits) {
    if (max_key_bits == 0 || max_key_bits > 0xFFFF) {
        CONSOLE_Printf("L_ptree_init: bad key length %u\r\n", max_key_bits);
        return nullptr;
    }
    auto* tree = static_cast<L_ptree*>(std::calloc(1, sizeof(L_ptree)));
    if (tree == nullptr) return nullptr;
    tree->max_key_bits = max_key_bits;
    return tree;
}

void L_ptree_finish(L_ptree* tree) {
    if (tree == nullptr) return;
    L_ptree_node* node = tree->top;
    while (node != nullptr) {
        if (node->link[0] != nullptr) {
            node = node->link[0];
        } else if (node->link[1] != nullptr) {
            node = node->link[1];
        } else {
            L_ptree_node* parent = node->parent;
            if (parent != nullptr) parent->link[parent->link[0] == node ? 0 : 1] = nullptr;
            std::free(node);
            node = parent;
        }
    }
    std::free(tree);
}

L_ptree_node* L_ptree_node_get(L_ptree* tree, const uint8_t* key, uint32_t key_bits) {
    if (tree == nullptr || key == nullptr || key_bits > tree->max_key_bits) return nullptr;

    L_ptree_node* match = nullptr;
    L_ptree_node* node = tree->top;
    while (node != nullptr && node_is_prefix_of(node, key, key_bits)) {
        if (node->key_len == key_bits) return L_ptree_lock_node(node);
        match = node;
        node = node->link[bit_at(key, node->key_len)];
    }

    if (node == nullptr) {
        L_ptree_node* created = node_new(tree, key, key_bits);
        if (created == nullptr) return nullptr;
        attach(tree, match, created);
        return L_ptree_lock_node(created);
    }

    // `node` diverges from the key (or extends it): a node at their common prefix takes
    // node's place and gets node, and the new key when it is longer, as children.
    uint32_t common = common_bits(node->key, node->key_len, key, key_bits);
    L_ptree_node* branch = node_new(tree, key, common);
    if (branch == nullptr) return nullptr;
    L_ptree_node* leaf = nullptr;
    if (common < key_bits) {
        leaf = node_new(tree, key, key_bits);
        if (leaf == nullptr) {
            std::free(branch);
            return nullptr;
        }
    }
    attach(tree, match, branch);
    attach(tree, branch, node);
    if (leaf != nullptr) attach(tree, branch, leaf);
    return L_ptree_lock_node(leaf != nullptr ? leaf : branch);
}

L_ptree_node* L_ptree_node_lookup(L_ptree* tree, const uint8_t* key, uint32_t key_bits) {
    if (tree == nullptr || key == nullptr || key_bits > tree->max_key_bits) return nullptr;
    L_ptree_node* node = tree->top;
    while (node != nullptr && node_is_prefix_of(node, key, key_bits)) {
        if (node->key_len == key_bits) {
            return node->info != nullptr ? L_ptree_lock_node(node) : nullptr;
        }
        node = node->link[bit_at(key, node->key_len)];
    }
    return nullptr;
}

L_ptree_node* L_ptree_lock_node(L_ptree_node* node) {
    if (node != nullptr) ++node->lock;
    return node;
}

void L_ptree_unlock_node(L_ptree_node* node) {
    if (node == nullptr) return;
    if (node->lock == 0) {
        CONSOLE_Printf("L_ptree_unlock_node: node of %u bits is not locked\r\n", node->key_len);
        return;
    }
    if (--node->lock == 0) node_delete(node);
}

L_ptree_node* L_ptree_top(L_ptree* tree) {
    if (tree == nullptr) return nullptr;
    L_ptree_node* node = tree->top;
    while (node != nullptr && node->info == nullptr)
        node = successor(node);
    return L_ptree_lock_node(node);
}

L_ptree_node* L_ptree_next_until(L_ptree_node* node, L_ptree_node* limit) {
    if (node == nullptr) return nullptr;
    // Key order keeps a subtree together: the first node outside limit's ends the walk.
    auto inside = [limit](const L_ptree_node* n) {
        return limit == nullptr || node_is_prefix_of(limit, n->key, n->key_len);
    };
    L_ptree_node* next = successor(node);
    while (next != nullptr && inside(next) && next->info == nullptr)
        next = successor(next);
    if (next != nullptr && !inside(next)) next = nullptr;
    // The next node is found before this one is let go of: letting go may free it.
    L_ptree_lock_node(next);
    L_ptree_unlock_node(node);
    return next;
}

L_ptree_node* L_ptree_next(L_ptree_node* node) {
    return L_ptree_next_until(node, nullptr);
}

bool L_ptree_has_info(const L_ptree* tree) {
    if (tree == nullptr) return false;
    for (L_ptree_node* node = tree->top; node != nullptr; node = successor(node)) {
        if (node->info != nullptr) return true;
    }
    return false;
}
