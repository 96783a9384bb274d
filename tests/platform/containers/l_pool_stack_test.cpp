#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/console/console.h"
#include "platform/containers/l_pt.h"
#include "platform/containers/l_stack.h"

namespace {

TEST(LPt, PoolHandsOutEveryBlockOnceThenRunsOut) {
    // 512 control records of fourteen 32-bit words, plus a tail too short for a block.
    std::vector<uint32_t> area(512 * 14 + 3);
    auto* base = reinterpret_cast<uint8_t*>(area.data());
    L_PT_Descriptor_T pool{base, static_cast<uint32_t>(area.size() * 4), 56, nullptr};
    ASSERT_TRUE(L_PT_Create(&pool));
    std::set<void*> blocks;
    for (int i = 0; i < 512; ++i) {
        auto* b = static_cast<uint8_t*>(L_PT_Allocate(&pool));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ((b - base) % 56, 0);
        EXPECT_LE(b - base, 511 * 56);
        blocks.insert(b);
    }
    EXPECT_EQ(blocks.size(), 512u);
    EXPECT_EQ(L_PT_Allocate(&pool), nullptr);

    uint8_t foreign[56];
    EXPECT_FALSE(L_PT_IsInArea(&pool, foreign));
    EXPECT_FALSE(L_PT_Free(&pool, foreign));
    EXPECT_FALSE(L_PT_Free(&pool, base + 56 + 4));  // inside a block
    EXPECT_TRUE(L_PT_IsInArea(&pool, base + 512 * 56));
    EXPECT_FALSE(L_PT_Free(&pool, base + 512 * 56));  // the short tail
    EXPECT_TRUE(L_PT_Free(&pool, base + 56));
    EXPECT_FALSE(L_PT_Free(&pool, base + 56));  // twice
    EXPECT_EQ(L_PT_Allocate(&pool), base + 56);
    for (void* b : blocks)
        EXPECT_TRUE(L_PT_Free(&pool, b));
    EXPECT_EQ(L_PT_GetFreeCount(&pool), 512u);
    L_PT_Destroy(&pool);
    EXPECT_EQ(L_PT_Allocate(&pool), nullptr);

    console::Capture capture;
    L_PT_Descriptor_T too_small{base, 16, 17, nullptr};
    L_PT_Descriptor_T zero_block{base, 16, 0, nullptr};
    EXPECT_FALSE(L_PT_Create(&too_small));
    EXPECT_FALSE(L_PT_Create(&zero_block));
    EXPECT_TRUE(capture.contains("L_PT_Create"));
}

TEST(LStack, FreeIndexStackOfDepth255) {
    L_STACK_T* s = L_STACK_Create(255);
    for (uint32_t i = 0; i < 255; ++i)
        ASSERT_TRUE(L_STACK_Push(s, i));
    EXPECT_FALSE(L_STACK_Push(s, 255));
    uint32_t v = 0;
    ASSERT_TRUE(L_STACK_Pop(s, &v));
    EXPECT_EQ(v, 254u);
    ASSERT_TRUE(L_STACK_Push(s, 77));  // a released number is handed out next
    for (uint32_t expect : {77u, 253u}) {
        ASSERT_TRUE(L_STACK_Pop(s, &v));
        EXPECT_EQ(v, expect);
    }
    while (L_STACK_GetCount(s) > 0)
        ASSERT_TRUE(L_STACK_Pop(s, &v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(L_STACK_Pop(s, &v));
    L_STACK_Destroy(s);

    console::Capture capture;
    EXPECT_EQ(L_STACK_Create(0), nullptr);
    EXPECT_TRUE(capture.contains("L_STACK_Create"));
    EXPECT_FALSE(L_STACK_Push(nullptr, 1));
}

}  // namespace
