// L_ptree: a Patricia tree (path-compressed binary trie) keyed by bit strings of up to the
// tree's maximum key length. Each node stands for one key (the first key_len bits of its key
// bytes, most significant bit of byte 0 first) and carries the caller's object in `info`.
//
// Locks. A node has a reference count, its lock. L_ptree_node_get and
// L_ptree_node_lookup return the node locked; the caller releases it with
// L_ptree_unlock_node. A node that has no info and no lock left is removed from the tree
// when it is unlocked, so the usual life of an entry is:
//   create: n = L_ptree_node_get(t, key, bits); n->info = obj;   (keep the lock for obj)
//   delete: n->info = nullptr; L_ptree_unlock_node(n);           (drops obj's lock)
// The tree also keeps info-less branching nodes of its own; they never reach the caller.
//
// Walks. L_ptree_top, L_ptree_next and L_ptree_next_until visit only nodes that carry info,
// in key order: a key comes before the longer keys it is a prefix of, otherwise the first
// differing bit decides (0 first); for keys of one length this is plain byte order. A walk
// holds a lock on the node it returned and moves it along: next/next_until unlock the node
// they are given and lock the one they return. So the current node's entry may be deleted
// during the walk (clear info, drop its own lock); a caller that stops a walk early
// unlocks the node it holds.
//
// Not thread-safe: callers that share a tree between threads lock around every call.
#pragma once

#include <cstdint>

struct L_ptree;

struct L_ptree_node {
    L_ptree_node* link[2];  // children: next bit 0, next bit 1
    L_ptree_node* parent;
    L_ptree* tree;
    void* info;        // the caller's object; set and cleared by the caller
    uint32_t lock;     // references held
    uint16_t key_len;  // key length in bits
    uint8_t* key;      // (key_len + 7) / 8 bytes, bits past key_len zero
};

// Makes an empty tree for keys of at most `max_key_bits` bits (1 to 65535); nullptr
// (with a console line) otherwise.
L_ptree* L_ptree_init(uint32_t max_key_bits);
// Frees every node and the tree. Objects in `info` are the caller's and are not touched;
// no node of the tree may be used afterwards.
void L_ptree_finish(L_ptree* tree);

// The node of exactly (key, key_bits), created when absent; locked. nullptr when key_bits
// exceeds the tree's maximum, an argument is null or memory runs out.
L_ptree_node* L_ptree_node_get(L_ptree* tree, const uint8_t* key, uint32_t key_bits);
// The node of exactly (key, key_bits) when it exists and carries info; locked. nullptr
// otherwise.
L_ptree_node* L_ptree_node_lookup(L_ptree* tree, const uint8_t* key, uint32_t key_bits);
// Takes one more lock on `node` and returns it.
L_ptree_node* L_ptree_lock_node(L_ptree_node* node);
// Drops one lock; the node leaves the tree when neither lock nor info remains. Unlocking a
// node that holds no lock prints a console line and changes nothing.
void L_ptree_unlock_node(L_ptree_node* node);

// The first node with info, locked; nullptr for a tree without entries.
L_ptree_node* L_ptree_top(L_ptree* tree);
// The node with info following `node` in key order, locked; nullptr at the end. Unlocks
// `node`.
L_ptree_node* L_ptree_next(L_ptree_node* node);
// Like L_ptree_next, but only nodes whose key starts with the key of `limit` (limit's own
// subtree) are returned; nullptr once the walk leaves it. Unlocks `node`, not `limit`.
// The entries with keys longer than a prefix P:
//   limit = L_ptree_node_get(t, P, bits);
//   for (n = L_ptree_next_until(L_ptree_lock_node(limit), limit); n != nullptr;
//        n = L_ptree_next_until(n, limit)) { ... }
//   L_ptree_unlock_node(limit);
L_ptree_node* L_ptree_next_until(L_ptree_node* node, L_ptree_node* limit);
// True when at least one node of the tree carries info.
bool L_ptree_has_info(const L_ptree* tree);
