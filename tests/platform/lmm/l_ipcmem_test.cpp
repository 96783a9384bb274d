#include "platform/lmm/l_ipcmem.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/console/console.h"
#include "tests/platform/lmm/lmm_fixture.h"
#include "tests/support/test_instance.h"

namespace {

TEST(IpcMemSetup, ClientsFindNoPoolUntilTheOwnerCreatesIt) {
    testing_support::TestInstance inst;
    console::Capture cap;
    EXPECT_FALSE(L_IPCMEM_Attach());
    EXPECT_EQ(L_IPCMEM_GetPtr(0x10000), nullptr);
    EXPECT_EQ(L_IPCMEM_Allocate(64), nullptr);
    EXPECT_TRUE(cap.contains("no shared memory pool"));

    EXPECT_FALSE(L_IPCMEM_Preinitialize_InitMemoryPool(1));
    EXPECT_TRUE(cap.contains("no memory pool 1"));
    ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
    EXPECT_TRUE(L_IPCMEM_Attach());

    // A second bring-up keeps the pool and what is allocated in it.
    void* buf = L_IPCMEM_Allocate(64);
    ASSERT_NE(buf, nullptr);
    std::memcpy(buf, "kept", 5);
    uint32_t off = L_IPCMEM_GetOffset(buf);
    ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
    EXPECT_STREQ(static_cast<char*>(L_IPCMEM_GetPtr(off)), "kept");
    EXPECT_TRUE(L_IPCMEM_Free(L_IPCMEM_GetPtr(off)));
}

TEST(IpcMemSetup, DmaAreaTakenBeforeBringUpSurvivesIt) {
    // The chip model carves its DMA buffers before the pool's bring-up step runs.
    testing_support::TestInstance inst;
    void* dma = L_IPCMEM_AllocateDmaArea(512 * 1544);
    ASSERT_NE(dma, nullptr);
    ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
    L_IPCMEM_Usage_T u{};
    ASSERT_TRUE(L_IPCMEM_GetUsage(&u));
    EXPECT_EQ(u.dma.used, (512u * 1544 + L_IPCMEM_DMA_BLOCK_SIZE - 1) / L_IPCMEM_DMA_BLOCK_SIZE);
    EXPECT_EQ(L_IPCMEM_GetPtr(L_IPCMEM_GetOffset(dma)), dma);
    EXPECT_TRUE(L_IPCMEM_FreeDmaArea(dma));
}

TEST(IpcMemSetup, PoolLeftByADeadOwnerIsReplaced) {
    testing_support::TestInstance inst;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        L_IPCMEM_Detach();
        bool ok = L_IPCMEM_Preinitialize_InitMemoryPool(0) && L_IPCMEM_Allocate(100) != nullptr;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A client still sees the old pool, with the dead owner's buffer.
    ASSERT_TRUE(L_IPCMEM_Attach());
    L_IPCMEM_Usage_T u{};
    ASSERT_TRUE(L_IPCMEM_GetUsage(&u));
    EXPECT_EQ(u.buffers[0].used, 1u);
    // A new owner starts from a fresh pool.
    L_IPCMEM_Detach();
    ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
    ASSERT_TRUE(L_IPCMEM_GetUsage(&u));
    EXPECT_EQ(u.buffers[0].used, 0u);
}

using IpcMemTest = PoolTest;

TEST_F(IpcMemTest, OffsetsOutsideThePoolGiveNull) {
    void* buf = L_IPCMEM_Allocate(300);
    ASSERT_NE(buf, nullptr);
    uint32_t off = L_IPCMEM_GetOffset(buf);
    EXPECT_NE(off, 0u);
    EXPECT_EQ(L_IPCMEM_GetPtr(off), buf);
    EXPECT_EQ(L_IPCMEM_GetPtrRange(off, 300), buf);

    EXPECT_EQ(L_IPCMEM_GetPtr(0), nullptr);   // "no buffer"
    EXPECT_EQ(L_IPCMEM_GetPtr(64), nullptr);  // the pool's own header
    EXPECT_EQ(L_IPCMEM_GetPtr(L_IPCMEM_POOL_SIZE), nullptr);
    EXPECT_EQ(L_IPCMEM_GetPtr(0xFFFFFFFF), nullptr);
    EXPECT_NE(L_IPCMEM_GetPtr(L_IPCMEM_POOL_SIZE - 1), nullptr);
    EXPECT_EQ(L_IPCMEM_GetPtrRange(L_IPCMEM_POOL_SIZE - 10, 11), nullptr);
    EXPECT_EQ(L_IPCMEM_GetPtrRange(off, 0xFFFFFFF0), nullptr);

    int local = 0;
    EXPECT_EQ(L_IPCMEM_GetOffset(&local), 0u);
    EXPECT_EQ(L_IPCMEM_GetOffset(nullptr), 0u);
    EXPECT_TRUE(L_IPCMEM_Free(buf));
}

TEST_F(IpcMemTest, BuffersComeFromTheSmallestClassThatHasOne) {
    L_IPCMEM_Usage_T u = usage();
    const uint32_t small = u.buffers[0].block_size;
    const uint32_t large = u.buffers[L_IPCMEM_BUFFER_CLASSES - 1].block_size;

    void* a = L_IPCMEM_Allocate(1);
    void* b = L_IPCMEM_Allocate(small + 1);
    void* c = L_IPCMEM_Allocate(large);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(L_IPCMEM_GetBufferSize(a), small);
    EXPECT_EQ(L_IPCMEM_GetBufferSize(b), u.buffers[1].block_size);
    EXPECT_EQ(L_IPCMEM_GetBufferSize(c), large);
    // Buffers do not overlap.
    std::memset(a, 0xA1, small);
    std::memset(b, 0xB2, small + 1);
    std::memset(c, 0xC3, large);
    EXPECT_EQ(static_cast<uint8_t*>(a)[small - 1], 0xA1);
    EXPECT_EQ(static_cast<uint8_t*>(b)[small], 0xB2);

    console::Capture cap;
    EXPECT_EQ(L_IPCMEM_Allocate(0), nullptr);
    EXPECT_EQ(L_IPCMEM_Allocate(large + 1), nullptr);
    EXPECT_TRUE(cap.contains("invalid buffer size"));
    for (void* p : {a, b, c})
        EXPECT_TRUE(L_IPCMEM_Free(p));
    EXPECT_EQ(buffers_used(), 0u);
}

TEST_F(IpcMemTest, ExhaustedPoolRecoversWhenBuffersComeBack) {
    L_IPCMEM_Usage_T u = usage();
    uint32_t total = 0;
    for (const auto& b : u.buffers)
        total += b.total;

    std::vector<void*> held;
    for (uint32_t i = 0; i < total; ++i) {
        void* p = L_IPCMEM_Allocate(10);  // small requests spill into the larger classes
        ASSERT_NE(p, nullptr) << "allocation " << i;
        held.push_back(p);
    }
    console::Capture cap;
    EXPECT_EQ(L_IPCMEM_Allocate(10), nullptr);
    EXPECT_TRUE(cap.contains("no free buffer of 10 bytes"));
    EXPECT_GT(usage().buffers[0].failures, 0u);

    void* back = held[held.size() / 2];
    ASSERT_TRUE(L_IPCMEM_Free(back));
    void* again = L_IPCMEM_Allocate(10);
    EXPECT_EQ(again, back);
    for (void* p : held)
        ASSERT_TRUE(L_IPCMEM_Free(p));
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_EQ(usage().buffers[0].peak, u.buffers[0].total);
}

TEST_F(IpcMemTest, FreeRefusesWhatItDidNotHandOut) {
    void* p = L_IPCMEM_Allocate(100);
    ASSERT_NE(p, nullptr);
    console::Capture cap;
    EXPECT_FALSE(L_IPCMEM_Free(static_cast<uint8_t*>(p) + 1));
    EXPECT_TRUE(L_IPCMEM_Free(p));
    EXPECT_FALSE(L_IPCMEM_Free(p));  // second free
    int local = 0;
    EXPECT_FALSE(L_IPCMEM_Free(&local));
    EXPECT_FALSE(L_IPCMEM_Free(nullptr));
    EXPECT_TRUE(cap.contains("is not an allocated buffer"));
    EXPECT_EQ(buffers_used(), 0u);
}

TEST_F(IpcMemTest, DmaAreasAreBlockAlignedRunsThatDoNotOverlap) {
    void* rx = L_IPCMEM_AllocateDmaArea(512 * 1544);
    void* tx = L_IPCMEM_AllocateDmaArea(128 * 576);
    ASSERT_TRUE(rx && tx);
    uint32_t rx_off = L_IPCMEM_GetOffset(rx);
    uint32_t tx_off = L_IPCMEM_GetOffset(tx);
    EXPECT_EQ(rx_off % L_IPCMEM_DMA_BLOCK_SIZE, 0u);
    EXPECT_EQ(tx_off % L_IPCMEM_DMA_BLOCK_SIZE, 0u);
    EXPECT_TRUE(tx_off >= rx_off + 512 * 1544 || rx_off >= tx_off + 128 * 576);
    EXPECT_NE(L_IPCMEM_GetPtrRange(rx_off, 512 * 1544), nullptr);

    // Whatever is left can be taken as one run; then nothing more.
    uint32_t left = L_IPCMEM_DMA_BLOCK_COUNT - usage().dma.used;
    void* rest = L_IPCMEM_AllocateDmaArea(left * L_IPCMEM_DMA_BLOCK_SIZE);
    ASSERT_NE(rest, nullptr);
    console::Capture cap;
    EXPECT_EQ(L_IPCMEM_AllocateDmaArea(1), nullptr);
    EXPECT_TRUE(cap.contains("no free DMA area"));

    EXPECT_TRUE(L_IPCMEM_FreeDmaArea(tx));
    EXPECT_FALSE(L_IPCMEM_FreeDmaArea(tx));  // second free
    EXPECT_FALSE(L_IPCMEM_FreeDmaArea(static_cast<uint8_t*>(rx) + L_IPCMEM_DMA_BLOCK_SIZE));
    EXPECT_EQ(L_IPCMEM_AllocateDmaArea(128 * 576), tx);
    EXPECT_EQ(L_IPCMEM_AllocateDmaArea(L_IPCMEM_DMA_BLOCK_SIZE * L_IPCMEM_DMA_BLOCK_COUNT + 1),
              nullptr);
    for (void* p : {rx, tx, rest})
        EXPECT_TRUE(L_IPCMEM_FreeDmaArea(p));
    EXPECT_EQ(usage().dma.used, 0u);
}

}  // namespace
