#include "platform/containers/l_hash.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/console/console.h"

namespace {
constexpr uint32_t kNone = 0xFFFFFFFF;
}

struct L_HASH_T {
    uint32_t capacity;
    uint32_t key_len;
    uint32_t record_len;
    uint32_t count;
    uint32_t free_head;             // first unused slot, chained through next
    std::vector<uint32_t> buckets;  // first slot of each bucket's chain
    std::vector<uint32_t> next;     // per slot: next slot of its chain (or free list)
    std::vector<uint8_t> records;   // capacity * record_len bytes
};

namespace {

// FNV-1a over the key bytes.
uint32_t hash_key(const L_HASH_T* hash, const void* key) {
    auto bytes = static_cast<const uint8_t*>(key);
    uint32_t h = 2166136261u;
    for (uint32_t i = 0; i < hash->key_len; ++i) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h % static_cast<uint32_t>(hash->buckets.size());
}

uint8_t* slot_record(L_HASH_T* hash, uint32_t slot) {
    return hash->records.data() + static_cast<size_t>(slot) * hash->record_len;
}

// Finds the slot holding `key`; *prev gets the slot before it in the chain (kNone at the
// chain's start).
uint32_t find_slot(L_HASH_T* hash, const void* key, uint32_t bucket, uint32_t* prev) {
    uint32_t before = kNone;
    for (uint32_t slot = hash->buckets[bucket]; slot != kNone; slot = hash->next[slot]) {
        if (std::memcmp(slot_record(hash, slot), key, hash->key_len) == 0) {
            if (prev != nullptr) *prev = before;
            return slot;
        }
        before = slot;
    }
    return kNone;
}

}  // namespace

L_HASH_T* L_HASH_Create(uint32_t capacity, uint32_t key_len, uint32_t record_len,
                        uint32_t bucket_count) {
    if (capacity == 0 || capacity == kNone || key_len == 0 || key_len > record_len) {
        CONSOLE_Printf("L_HASH_Create: bad table (capacity %u, key %u, record %u)\r\n", capacity,
                       key_len, record_len);
        return nullptr;
    }
    auto* hash = new (std::nothrow) L_HASH_T;
    if (hash == nullptr) return nullptr;
    hash->capacity = capacity;
    hash->key_len = key_len;
    hash->record_len = record_len;
    hash->count = 0;
    try {
        hash->buckets.assign(bucket_count == 0 ? capacity : bucket_count, kNone);
        hash->next.resize(capacity);
        hash->records.assign(static_cast<size_t>(capacity) * record_len, 0);
    } catch (const std::bad_alloc&) {
        CONSOLE_Printf("L_HASH_Create: out of memory for %u records\r\n", capacity);
        delete hash;
        return nullptr;
    }
    for (uint32_t slot = 0; slot < capacity; ++slot) {
        hash->next[slot] = slot + 1 < capacity ? slot + 1 : kNone;
    }
    hash->free_head = 0;
    return hash;
}

bool L_HASH_GetExactRecord(L_HASH_T* hash, const void* key, void* record) {
    if (hash == nullptr || key == nullptr || record == nullptr) return false;
    uint32_t slot = find_slot(hash, key, hash_key(hash, key), nullptr);
    if (slot == kNone) return false;
    std::memcpy(record, slot_record(hash, slot), hash->record_len);
    return true;
}

bool L_HASH_SetRecordToHashOnly(L_HASH_T* hash, const void* record) {
    if (hash == nullptr || record == nullptr) return false;
    uint32_t bucket = hash_key(hash, record);
    uint32_t slot = find_slot(hash, record, bucket, nullptr);
    if (slot == kNone) {
        if (hash->free_head == kNone) return false;
        slot = hash->free_head;
        hash->free_head = hash->next[slot];
        hash->next[slot] = hash->buckets[bucket];
        hash->buckets[bucket] = slot;
        ++hash->count;
    }
    std::memcpy(slot_record(hash, slot), record, hash->record_len);
    return true;
}

bool L_HASH_DeleteRecordFromHashOnly(L_HASH_T* hash, const void* key) {
    if (hash == nullptr || key == nullptr) return false;
    uint32_t bucket = hash_key(hash, key);
    uint32_t prev = kNone;
    uint32_t slot = find_slot(hash, key, bucket, &prev);
    if (slot == kNone) return false;
    if (prev == kNone) {
        hash->buckets[bucket] = hash->next[slot];
    } else {
        hash->next[prev] = hash->next[slot];
    }
    hash->next[slot] = hash->free_head;
    hash->free_head = slot;
    --hash->count;
    return true;
}

uint32_t L_HASH_GetRecordCount(const L_HASH_T* hash) {
    return hash == nullptr ? 0 : hash->count;
}

void L_HASH_Destroy(L_HASH_T* hash) {
    delete hash;
}
