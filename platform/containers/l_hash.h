// L_HASH: an exact-match hash table of fixed-size records. A record is `record_len` bytes
// whose first `key_len` bytes are its key; records are copied in and out, never referenced.
// All storage is taken at creation, so a full table refuses new keys instead of growing.
// Keys that hash to the same bucket are chained; any number of them may collide.
//
// Not thread-safe: callers that share a table between threads lock around every call.
#pragma once

#include <cstdint>

struct L_HASH_T;

// Makes a table for up to `capacity` records. `bucket_count` 0 picks one bucket per
// record of capacity. nullptr (with a console line) for a zero capacity or key length, or
// a key longer than the record.
L_HASH_T* L_HASH_Create(uint32_t capacity, uint32_t key_len, uint32_t record_len,
                        uint32_t bucket_count = 0);
// Copies the record whose key equals `key` (key_len bytes) into `record` (record_len
// bytes); false when no record has that key.
bool L_HASH_GetExactRecord(L_HASH_T* hash, const void* key, void* record);
// Stores `record`, replacing the record with the same key if there is one. False when
// the key is new and the table is full.
bool L_HASH_SetRecordToHashOnly(L_HASH_T* hash, const void* record);
// Removes the record whose key equals `key`; false when there is none.
bool L_HASH_DeleteRecordFromHashOnly(L_HASH_T* hash, const void* key);
// Number of records held now (0 for a null table).
uint32_t L_HASH_GetRecordCount(const L_HASH_T* hash);
// Frees the table. A null table is ignored.
void L_HASH_Destroy(L_HASH_T* hash);
