#include "platform/containers/l_mq.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/console/console.h"

namespace {

// The receive queue of the CPU packet path: classes 0..9 to queues 0..9.
constexpr uint16_t kMap[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr uint32_t kWeights[10] = {1, 2, 4, 6, 6, 12, 14, 0, 0, 0};
constexpr uint32_t kCapacities[10] = {38, 38, 38, 38, 38, 38, 38, 38, 120, 30};

// Entries encode their queue and sequence number, so FIFO order can be checked.
void* entry(uint32_t queue, uint32_t seq) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + queue * 0x100 + seq));
}

std::vector<uint32_t> runs(std::initializer_list<std::pair<uint32_t, int>> list) {
    std::vector<uint32_t> v;
    for (auto [q, n] : list)
        v.insert(v.end(), n, q);
    return v;
}

class LMqTest : public ::testing::Test {
  protected:
    void SetUp() override { mq_ = L_MQ_Create(10, 10, 454, kMap, kWeights, kCapacities); }
    void TearDown() override { L_MQ_Destroy(mq_); }

    void fill(uint32_t queue, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_TRUE(L_MQ_Enq(mq_, entry(queue, in_[queue]++), queue));
    }
    // The queues of the next n dequeues (fewer when the queue set runs dry).
    std::vector<uint32_t> drain(size_t n) {
        std::vector<uint32_t> queues;
        void* e = nullptr;
        uint32_t q = 0;
        while (queues.size() < n && L_MQ_Deq(mq_, &e, &q)) {
            EXPECT_EQ(e, entry(q, out_[q]++)) << "queue " << q << " out of order";
            queues.push_back(q);
        }
        return queues;
    }

    L_MQ_T* mq_ = nullptr;
    uint32_t in_[10] = {};
    uint32_t out_[10] = {};
};

TEST_F(LMqTest, WeightedRoundsServeEachQueueItsWeight) {
    ASSERT_NE(mq_, nullptr);
    for (uint32_t q = 0; q < 7; ++q)
        fill(q, 30);
    auto round = runs({{6, 14}, {5, 12}, {4, 6}, {3, 6}, {2, 4}, {1, 2}, {0, 1}});
    EXPECT_EQ(drain(45), round);
    EXPECT_EQ(drain(45), round);
    // Queue 6 runs dry in the third round (30 = 14 + 14 + 2) and loses the rest of its turn.
    EXPECT_EQ(drain(20), runs({{6, 2}, {5, 6}, {4, 6}, {3, 6}}));

    // The turn is kept across calls: new entries for 6 wait until the round comes back.
    fill(6, 20);
    EXPECT_EQ(drain(17), runs({{2, 4}, {1, 2}, {0, 1}, {6, 10}}));
}

TEST_F(LMqTest, WeightZeroQueuesAreStrictAndServedFirst) {
    fill(0, 2);
    fill(6, 3);
    fill(7, 2);
    fill(9, 1);
    fill(8, 2);
    EXPECT_EQ(drain(6), runs({{9, 1}, {8, 2}, {7, 2}, {6, 1}}));
    fill(8, 1);  // arrives in the middle of queue 6's turn
    EXPECT_EQ(drain(10), runs({{8, 1}, {6, 2}, {0, 2}}));
}

TEST_F(LMqTest, DisabledQueuesKeepTakingEntriesUntilEnabled) {
    fill(6, 5);
    fill(2, 5);
    fill(7, 1);
    EXPECT_TRUE(L_MQ_DisableDeq(mq_, (1u << 6) | (1u << 7)));
    fill(6, 33);
    EXPECT_FALSE(L_MQ_Enq(mq_, entry(6, 99), 6));  // capacity 38
    EXPECT_EQ(drain(100), runs({{2, 5}}));
    EXPECT_EQ(L_MQ_GetQueueDepth(mq_, 6), 38u);
    EXPECT_TRUE(L_MQ_EnableDeq(mq_, 1u << 6));  // queue 7 stays disabled
    EXPECT_EQ(drain(100), runs({{6, 38}}));
    EXPECT_TRUE(L_MQ_EnableDeq(mq_, 1u << 7));
    EXPECT_EQ(drain(100), runs({{7, 1}}));

    // Full queues, unknown classes; a full ring wraps once room is made.
    fill(9, 30);
    EXPECT_FALSE(L_MQ_Enq(mq_, entry(9, 0), 9));
    EXPECT_FALSE(L_MQ_Enq(mq_, entry(0, 0), 10));
    EXPECT_EQ(drain(1), runs({{9, 1}}));
    fill(9, 1);
    EXPECT_EQ(drain(100), runs({{9, 30}}));
}

struct Dropped {
    std::vector<void*> entries;
};
void collect(void* e, void* cookie) {
    static_cast<Dropped*>(cookie)->entries.push_back(e);
}

TEST_F(LMqTest, MoveHeadDropsUpToAMarkedTailAcrossTheRingsWrap) {
    EXPECT_EQ(L_MQ_GetTailPointer(mq_, 3), 0u);  // empty
    fill(3, 36);
    EXPECT_EQ(drain(36).size(), 36u);  // the head is now near the end of the 38-slot ring
    fill(3, 1);
    uint32_t before_wrap = L_MQ_GetTailPointer(mq_, 3);
    fill(3, 3);  // the last slot, then the first slots again
    uint32_t marker = L_MQ_GetTailPointer(mq_, 3);
    EXPECT_NE(marker, 0u);
    fill(3, 2);
    // A position of queue 3 means nothing in another queue; ageing ignores disabling.
    EXPECT_FALSE(L_MQ_DoOperationAndMoveHead(mq_, 4, marker, collect, nullptr));
    L_MQ_DisableDeq(mq_, 1u << 3);
    Dropped dropped;
    ASSERT_TRUE(L_MQ_DoOperationAndMoveHead(mq_, 3, marker, collect, &dropped));
    EXPECT_EQ(dropped.entries,
              (std::vector<void*>{entry(3, 36), entry(3, 37), entry(3, 38), entry(3, 39)}));
    // Positions no longer in the queue change nothing.
    EXPECT_FALSE(L_MQ_DoOperationAndMoveHead(mq_, 3, marker, collect, &dropped));
    EXPECT_FALSE(L_MQ_DoOperationAndMoveHead(mq_, 3, before_wrap, collect, &dropped));
    EXPECT_FALSE(L_MQ_DoOperationAndMoveHead(mq_, 3, 0, collect, &dropped));
    EXPECT_EQ(dropped.entries.size(), 4u);
    L_MQ_EnableDeq(mq_, 1u << 3);
    out_[3] = 40;
    EXPECT_EQ(drain(10), runs({{3, 2}}));
}

TEST(LMq, ClassMapAndBadShapes) {
    const uint16_t map[3] = {1, 1, 0};
    const uint32_t weights[2] = {1, 1};
    const uint32_t caps[2] = {1, 2};
    L_MQ_T* mq = L_MQ_Create(2, 3, 3, map, weights, caps);
    int a = 0, b = 0;
    EXPECT_TRUE(L_MQ_Enq(mq, &a, 0));
    EXPECT_TRUE(L_MQ_Enq(mq, &b, 1));
    EXPECT_FALSE(L_MQ_Enq(mq, &b, 1));
    EXPECT_EQ(L_MQ_GetQueueDepth(mq, 1), 2u);
    L_MQ_Destroy(mq);

    console::Capture capture;
    const uint16_t bad_map[3] = {0, 2, 0};
    EXPECT_EQ(L_MQ_Create(2, 3, 3, bad_map, weights, caps), nullptr);
    EXPECT_EQ(L_MQ_Create(2, 3, 2, map, weights, caps), nullptr);  // capacities need 3
    EXPECT_EQ(L_MQ_Create(33, 3, 3, map, weights, caps), nullptr);
    EXPECT_TRUE(capture.contains("L_MQ_Create"));
    void* e = nullptr;
    EXPECT_FALSE(L_MQ_Deq(nullptr, &e, nullptr));
}

}  // namespace
