#include "platform/containers/l_hash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <random>

#include "platform/console/console.h"

namespace {

// The multicast stream record: 10-byte key {VLAN, group, source} and a 16-bit VIDX.
using Record = std::array<uint8_t, 12>;
using Key = std::array<uint8_t, 10>;

Record record(uint16_t vid, uint32_t group, uint16_t vidx) {
    Record r{static_cast<uint8_t>(vid >> 8), static_cast<uint8_t>(vid)};
    for (int i = 0; i < 4; ++i)
        r[2 + i] = static_cast<uint8_t>(group >> (24 - 8 * i));
    r[10] = static_cast<uint8_t>(vidx >> 8);
    r[11] = static_cast<uint8_t>(vidx);
    return r;
}
Key key(uint16_t vid, uint32_t group) {
    Key k;
    std::memcpy(k.data(), record(vid, group, 0).data(), k.size());
    return k;
}
// The VIDX stored under the key, or -1 when there is none.
int lookup(L_HASH_T* h, const Key& k) {
    Record out{};
    if (!L_HASH_GetExactRecord(h, k.data(), out.data())) return -1;
    EXPECT_EQ(std::memcmp(out.data(), k.data(), k.size()), 0);
    return (out[10] << 8) | out[11];
}

TEST(LHash, FullTableRefusesNewKeysButUpdatesOldOnes) {
    L_HASH_T* h = L_HASH_Create(255, 10, 12);
    for (uint16_t i = 0; i < 255; ++i) {
        ASSERT_TRUE(L_HASH_SetRecordToHashOnly(h, record(1, 0xE0000000 + i, i).data()));
    }
    EXPECT_FALSE(L_HASH_SetRecordToHashOnly(h, record(1, 0xE0000000 + 255, 255).data()));
    for (uint16_t i = 0; i < 255; ++i)
        ASSERT_EQ(lookup(h, key(1, 0xE0000000 + i)), i);
    EXPECT_TRUE(L_HASH_SetRecordToHashOnly(h, record(1, 0xE0000007, 300).data()));
    EXPECT_EQ(lookup(h, key(1, 0xE0000007)), 300);
    EXPECT_EQ(L_HASH_GetRecordCount(h), 255u);
    // Keys differing in the VLAN bytes alone are distinct.
    EXPECT_EQ(lookup(h, key(0x101, 0xE0000007)), -1);
    EXPECT_TRUE(L_HASH_DeleteRecordFromHashOnly(h, key(1, 0xE0000003).data()));
    EXPECT_EQ(lookup(h, key(1, 0xE0000003)), -1);
    EXPECT_TRUE(L_HASH_SetRecordToHashOnly(h, record(2, 0xE0000003, 9).data()));
    EXPECT_FALSE(L_HASH_SetRecordToHashOnly(h, record(3, 0xE0000003, 9).data()));
    L_HASH_Destroy(h);
}

TEST(LHash, CollidingKeysShareABucketChain) {
    L_HASH_T* h = L_HASH_Create(5, 10, 12, 1);  // one bucket: every key collides
    for (uint16_t i = 0; i < 5; ++i)
        ASSERT_TRUE(L_HASH_SetRecordToHashOnly(h, record(i, 0, i).data()));
    // New keys go to the chain's head: remove from its middle, head and tail.
    for (uint16_t i : {2, 4, 0})
        EXPECT_TRUE(L_HASH_DeleteRecordFromHashOnly(h, key(i, 0).data()));
    EXPECT_FALSE(L_HASH_DeleteRecordFromHashOnly(h, key(0, 0).data()));
    EXPECT_EQ(lookup(h, key(1, 0)), 1);
    EXPECT_EQ(lookup(h, key(3, 0)), 3);
    for (uint16_t i = 10; i < 13; ++i)
        EXPECT_TRUE(L_HASH_SetRecordToHashOnly(h, record(i, 0, i).data()));
    EXPECT_FALSE(L_HASH_SetRecordToHashOnly(h, record(20, 0, 0).data()));
    L_HASH_Destroy(h);
}

TEST(LHash, RandomOperationsAgreeWithAMap) {
    L_HASH_T* h = L_HASH_Create(255, 10, 12, 7);  // few buckets: long chains
    std::map<Key, uint16_t> model;
    std::mt19937 rng(3);
    for (int round = 0; round < 20000; ++round) {
        auto vid = static_cast<uint16_t>(rng() % 4);
        uint32_t group = 0xE0000000 + rng() % 100;
        Key k = key(vid, group);
        switch (rng() % 3) {
            case 0: {
                bool fits = model.size() < 255 || model.count(k) != 0;
                auto vidx = static_cast<uint16_t>(round);
                EXPECT_EQ(L_HASH_SetRecordToHashOnly(h, record(vid, group, vidx).data()), fits);
                if (fits) model[k] = vidx;
                break;
            }
            case 1:
                EXPECT_EQ(L_HASH_DeleteRecordFromHashOnly(h, k.data()), model.erase(k) == 1);
                break;
            default:
                EXPECT_EQ(lookup(h, k), model.count(k) != 0 ? model[k] : -1);
        }
        ASSERT_EQ(L_HASH_GetRecordCount(h), model.size());
    }
    L_HASH_Destroy(h);
}

TEST(LHash, BadArguments) {
    console::Capture capture;
    EXPECT_EQ(L_HASH_Create(0, 10, 12), nullptr);
    EXPECT_EQ(L_HASH_Create(10, 13, 12), nullptr);
    EXPECT_TRUE(capture.contains("L_HASH_Create"));
    Record out{};
    EXPECT_FALSE(L_HASH_GetExactRecord(nullptr, out.data(), out.data()));
    EXPECT_FALSE(L_HASH_SetRecordToHashOnly(nullptr, out.data()));
}

}  // namespace
