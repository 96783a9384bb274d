#include "platform/lmm/l_mm.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/console/console.h"
#include "tests/platform/lmm/lmm_fixture.h"

namespace {

// A free function that records its calls.
std::atomic<int> g_freed{0};
std::atomic<uint32_t> g_freed_handle{0};
std::atomic<uint32_t> g_freed_pool{0};
std::atomic<bool> g_free_answer{true};

bool record_free(uint32_t handle, uint32_t pool_id) {
    g_freed.fetch_add(1);
    g_freed_handle.store(handle);
    g_freed_pool.store(pool_id);
    return g_free_answer.load();
}

class MrefTest : public PoolTest {
  protected:
    void SetUp() override {
        PoolTest::SetUp();
        g_freed = 0;
        g_freed_handle = 0;
        g_freed_pool = 0;
        g_free_answer = true;
        dma_ = static_cast<uint8_t*>(L_IPCMEM_AllocateDmaArea(L_IPCMEM_DMA_BLOCK_SIZE));
        ASSERT_NE(dma_, nullptr);
    }
    uint8_t* dma_ = nullptr;  // stands for a chip DMA buffer
};

TEST_F(MrefTest, TxBufferRecordIsBigEndianWithUserFieldsAt16And18) {
    L_MM_Mref_T* m = L_MM_AllocateTxBuffer(100, L_MM_USER_ID(37, 57));
    ASSERT_NE(m, nullptr);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(m);
    EXPECT_EQ(raw[16], 0);
    EXPECT_EQ(raw[17], 37);
    EXPECT_EQ(raw[18], 0);
    EXPECT_EQ(raw[19], 57);
    EXPECT_EQ(be::get32(raw + 20), 100u);  // pdu length
    m->cos = 5;
    EXPECT_EQ(raw[34], 5);
    EXPECT_EQ(L_MM_Mref_GetUserId(m), L_MM_USER_ID(37, 57));
    EXPECT_EQ(L_MM_Mref_GetRefCount(m), 1);

    uint32_t len = 0;
    uint8_t* pdu = static_cast<uint8_t*>(L_MM_Mref_GetPdu(m, &len));
    ASSERT_NE(pdu, nullptr);
    EXPECT_EQ(len, 100u);
    EXPECT_EQ(L_IPCMEM_GetOffset(pdu), be::get32(raw + 4));  // buffer offset, pdu at 0
    std::memset(pdu, 0x5A, len);

    // The offset a request carries names the same mref.
    uint32_t off = L_IPCMEM_GetOffset(m);
    EXPECT_EQ(L_MM_Mref_FromOffset(off), m);
    EXPECT_EQ(L_MM_Mref_FromOffset(off + 1), nullptr);
    EXPECT_EQ(L_MM_Mref_FromOffset(L_IPCMEM_GetOffset(pdu)), nullptr);

    EXPECT_EQ(L_MM_Mref_Release(&m), 0);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(L_MM_Mref_FromOffset(off), nullptr);
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_EQ(usage().mrefs.used, 0u);
}

TEST_F(MrefTest, ConstructedMrefCallsItsFreeFunctionOnceAtTheLastRelease) {
    ASSERT_TRUE(L_MM_SetFreeFunc(1, record_free));
    L_MM_Mref_T* m = L_MM_Mref_Construct(dma_, 1542, 0, 60, 1, 3, 0xABCD1234);
    ASSERT_NE(m, nullptr);
    uint32_t len = 0;
    EXPECT_EQ(L_MM_Mref_GetPdu(m, &len), dma_);  // no copy
    EXPECT_EQ(len, 60u);
    EXPECT_EQ(L_MM_Mref_GetUserId(m), 0u);

    ASSERT_TRUE(L_MM_Mref_AddRefCount(m, 2));
    L_MM_Mref_T* a = m;
    L_MM_Mref_T* b = m;
    L_MM_Mref_T* c = m;
    EXPECT_EQ(L_MM_Mref_Release(&a), 2);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(L_MM_Mref_Release(&b), 1);
    EXPECT_EQ(g_freed.load(), 0);
    EXPECT_EQ(L_MM_Mref_Release(&c), 0);
    EXPECT_EQ(g_freed.load(), 1);
    EXPECT_EQ(g_freed_handle.load(), 0xABCD1234u);
    EXPECT_EQ(g_freed_pool.load(), 3u);

    // A stale pointer: refused, and the data is not given back twice.
    console::Capture cap;
    L_MM_Mref_T* stale = m;
    EXPECT_EQ(L_MM_Mref_Release(&stale), -1);
    EXPECT_EQ(stale, nullptr);
    EXPECT_EQ(g_freed.load(), 1);
    EXPECT_TRUE(cap.contains("mref is not in use"));
    EXPECT_EQ(usage().mrefs.used, 0u);
}

TEST_F(MrefTest, PduCanStartInsideTheBuffer) {
    L_MM_Mref_T* m = L_MM_Mref_Construct(dma_, 1542, 2, 1540, 0, 0, 0);
    ASSERT_NE(m, nullptr);
    uint32_t len = 0;
    EXPECT_EQ(L_MM_Mref_GetPdu(m, &len), dma_ + 2);
    EXPECT_EQ(len, 1540u);
    EXPECT_EQ(L_MM_Mref_GetPdu(m, nullptr), dma_ + 2);
    EXPECT_EQ(L_MM_Mref_Release(&m), 0);  // type 0: nothing to give back
    EXPECT_EQ(g_freed.load(), 0);
}

TEST_F(MrefTest, DoubleReleaseAndUseAfterReleaseAreRefused) {
    L_MM_Mref_T* m = L_MM_AllocateTxBuffer(64, 135);
    ASSERT_NE(m, nullptr);
    L_MM_Mref_T* copy = m;
    EXPECT_EQ(L_MM_Mref_Release(&m), 0);

    console::Capture cap;
    L_MM_Mref_T* stale = copy;
    EXPECT_EQ(L_MM_Mref_Release(&stale), -1);
    EXPECT_EQ(stale, nullptr);
    EXPECT_EQ(L_MM_Mref_GetPdu(m, nullptr), nullptr);  // m was cleared by the release
    uint32_t len = 7;
    EXPECT_EQ(L_MM_Mref_GetPdu(copy, &len), nullptr);
    EXPECT_EQ(len, 7u);
    EXPECT_FALSE(L_MM_Mref_AddRefCount(copy, 1));
    EXPECT_EQ(L_MM_Mref_GetRefCount(copy), -1);
    EXPECT_FALSE(L_MM_Mref_SetUserId(copy, 1));
    EXPECT_EQ(L_MM_Mref_Release(nullptr), -1);
    L_MM_Mref_T* null_mref = nullptr;
    EXPECT_EQ(L_MM_Mref_Release(&null_mref), -1);
    EXPECT_TRUE(cap.contains("is not an mref in use"));
    EXPECT_EQ(buffers_used(), 0u);  // the buffer went back exactly once
}

TEST_F(MrefTest, ConstructRefusesDataOutsideThePoolOrTheBuffer) {
    console::Capture cap;
    uint8_t heap_like[256] = {};
    EXPECT_EQ(L_MM_Mref_Construct(heap_like, sizeof heap_like, 0, 64, 1, 0, 0), nullptr);
    EXPECT_TRUE(cap.contains("is not in the shared pool"));
    EXPECT_EQ(L_MM_Mref_Construct(nullptr, 64, 0, 64, 1, 0, 0), nullptr);
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 100, 40, 61, 1, 0, 0), nullptr);
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 100, 101, 0, 1, 0, 0), nullptr);
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 100, 1, 0xFFFFFFFF, 1, 0, 0), nullptr);
    EXPECT_TRUE(cap.contains("lies outside the buffer"));
    uint8_t* pool_end = static_cast<uint8_t*>(L_IPCMEM_GetPtr(L_IPCMEM_POOL_SIZE - 16));
    EXPECT_EQ(L_MM_Mref_Construct(pool_end, 32, 0, 16, 1, 0, 0), nullptr);
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 100, 0, 100, L_MM_MAX_FREE_FUNC, 0, 0), nullptr);
    EXPECT_TRUE(cap.contains("invalid mref type"));

    faults::set("_L_MM_Mref_Construct", 0);
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 100, 0, 100, 1, 0, 0), nullptr);
    faults::set("_L_MM_AllocateTxBuffer", 0);
    EXPECT_EQ(L_MM_AllocateTxBuffer(100, 1), nullptr);
    EXPECT_EQ(usage().mrefs.used, 0u);
    EXPECT_EQ(buffers_used(), 0u);
}

TEST_F(MrefTest, MissingOrFailingFreeFunctionStillEndsTheMref) {
    EXPECT_FALSE(L_MM_SetFreeFunc(0, record_free));
    EXPECT_FALSE(L_MM_SetFreeFunc(L_MM_MAX_FREE_FUNC, record_free));

    console::Capture cap;
    L_MM_Mref_T* m = L_MM_Mref_Construct(dma_, 64, 0, 64, 2, 0, 0x77);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(L_MM_Mref_Release(&m), 0);
    EXPECT_TRUE(cap.contains("no free function for mref type 2 (free handle 0x00000077)"));

    ASSERT_TRUE(L_MM_SetFreeFunc(2, record_free));
    g_free_answer = false;
    m = L_MM_Mref_Construct(dma_, 64, 0, 64, 2, 0, 0x78);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(L_MM_Mref_Release(&m), 0);
    EXPECT_EQ(g_freed.load(), 1);
    EXPECT_TRUE(cap.contains("free function of type 2 failed"));
    EXPECT_EQ(usage().mrefs.used, 0u);
}

TEST_F(MrefTest, MrefTableExhaustionAndRecovery) {
    std::vector<L_MM_Mref_T*> held;
    for (uint32_t i = 0; i < L_IPCMEM_MREF_COUNT; ++i) {
        L_MM_Mref_T* m = L_MM_Mref_Construct(dma_, 64, 0, 64, 0, 0, i);
        ASSERT_NE(m, nullptr) << "mref " << i;
        held.push_back(m);
    }
    console::Capture cap;
    EXPECT_EQ(L_MM_Mref_Construct(dma_, 64, 0, 64, 0, 0, 0), nullptr);
    // A transmit buffer without an mref gives its buffer back.
    EXPECT_EQ(L_MM_AllocateTxBuffer(64, 1), nullptr);
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_TRUE(cap.contains("no free mref"));

    L_MM_Mref_T* one = held.back();
    held.pop_back();
    ASSERT_EQ(L_MM_Mref_Release(&one), 0);
    L_MM_Mref_T* tx = L_MM_AllocateTxBuffer(64, 1);
    ASSERT_NE(tx, nullptr);
    held.push_back(tx);
    for (L_MM_Mref_T*& m : held)
        ASSERT_EQ(L_MM_Mref_Release(&m), 0);
    EXPECT_EQ(usage().mrefs.used, 0u);
    EXPECT_EQ(buffers_used(), 0u);
}

TEST_F(MrefTest, DebugMessagesFollowTheFlag) {
    console::Capture cap;
    L_MM_DebugPrintf("L_MM_Mref_Release() return fail.", "caller_fn", 42);
    EXPECT_EQ(cap.text(), "caller_fn(42): L_MM_Mref_Release() return fail.\r\n");

    cap.clear();
    L_MM_SetDebugFlag(false);
    L_MM_Mref_T* bogus = reinterpret_cast<L_MM_Mref_T*>(dma_);
    EXPECT_EQ(L_MM_Mref_Release(&bogus), -1);
    L_MM_DebugPrintf("L_MM_Mref_GetPdu() return NULL.", "caller_fn", 43);
    EXPECT_EQ(cap.text(), "");

    L_MM_SetDebugFlag(true);
    bogus = reinterpret_cast<L_MM_Mref_T*>(dma_);
    EXPECT_EQ(L_MM_Mref_Release(&bogus), -1);
    EXPECT_TRUE(cap.contains("mref is not in use"));
}

// Another process allocates and fills a buffer; this one reads it by offset.
TEST_F(MrefTest, BufferFilledByAnotherProcessIsReadByOffset) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        L_IPCMEM_Detach();  // attach afresh, by name, as a separate client would
        L_MM_Mref_T* m = L_MM_AllocateTxBuffer(1000, L_MM_USER_ID(37, 1));
        uint32_t len = 0;
        uint8_t* pdu = m ? static_cast<uint8_t*>(L_MM_Mref_GetPdu(m, &len)) : nullptr;
        if (!pdu || len != 1000) ::_exit(1);
        for (uint32_t i = 0; i < len; ++i)
            pdu[i] = static_cast<uint8_t>(i * 7);
        uint8_t msg[4];
        be::put32(msg, L_IPCMEM_GetOffset(m));
        ::_exit(::write(fds[1], msg, 4) == 4 ? 0 : 2);
    }
    ::close(fds[1]);
    uint8_t msg[4] = {};
    ASSERT_EQ(::read(fds[0], msg, 4), 4);
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    L_MM_Mref_T* m = L_MM_Mref_FromOffset(be::get32(msg));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(m->owner_pid), static_cast<uint32_t>(child));
    EXPECT_EQ(L_MM_Mref_GetUserId(m), L_MM_USER_ID(37, 1));
    uint32_t len = 0;
    const uint8_t* pdu = static_cast<const uint8_t*>(L_MM_Mref_GetPdu(m, &len));
    ASSERT_NE(pdu, nullptr);
    ASSERT_EQ(len, 1000u);
    for (uint32_t i = 0; i < len; ++i)
        ASSERT_EQ(pdu[i], static_cast<uint8_t>(i * 7)) << i;
    EXPECT_EQ(L_MM_Mref_Release(&m), 0);
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_EQ(usage().mrefs.used, 0u);
}

// Fills a buffer with a mark, lets others run, and checks nobody else wrote into it.
bool use_buffer_exclusively(uint32_t size, uint8_t mark) {
    L_MM_Mref_T* m = L_MM_AllocateTxBuffer(size, mark);
    if (!m) return false;
    uint32_t len = 0;
    uint8_t* pdu = static_cast<uint8_t*>(L_MM_Mref_GetPdu(m, &len));
    if (!pdu || len != size) return false;
    std::memset(pdu, mark, len);
    if (!L_MM_Mref_AddRefCount(m, 1)) return false;
    std::this_thread::yield();
    bool intact = true;
    for (uint32_t i = 0; i < len; ++i)
        intact = intact && pdu[i] == mark;
    L_MM_Mref_T* second = m;
    return intact && L_MM_Mref_Release(&m) == 1 && L_MM_Mref_Release(&second) == 0;
}

TEST_F(MrefTest, ThreadsAllocateAndReleaseConcurrently) {
    L_MM_SetDebugFlag(false);
    constexpr int kThreads = 8;
    constexpr int kRounds = 1500;
    std::atomic<int> errors{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &errors] {
            for (int i = 0; i < kRounds; ++i) {
                uint32_t size = 1 + static_cast<uint32_t>((i * 37 + t * 101) % 3000);
                if (!use_buffer_exclusively(size, static_cast<uint8_t>(t + 1))) errors++;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(errors.load(), 0);
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_EQ(usage().mrefs.used, 0u);
}

TEST_F(MrefTest, ConcurrentLastReleasesFreeExactlyOnce) {
    ASSERT_TRUE(L_MM_SetFreeFunc(1, record_free));
    constexpr int kHolders = 6;
    constexpr int kRounds = 200;
    std::atomic<int> zeros{0};
    std::atomic<int> failures{0};
    for (int r = 0; r < kRounds; ++r) {
        L_MM_Mref_T* m = L_MM_Mref_Construct(dma_, 64, 0, 64, 1, 0, static_cast<uint32_t>(r));
        ASSERT_NE(m, nullptr);
        ASSERT_TRUE(L_MM_Mref_AddRefCount(m, kHolders - 1));
        std::atomic<bool> go{false};
        std::vector<std::thread> holders;
        for (int h = 0; h < kHolders; ++h) {
            holders.emplace_back([m, &go, &zeros, &failures] {
                L_MM_Mref_T* mine = m;
                while (!go.load())
                    std::this_thread::yield();
                int32_t left = L_MM_Mref_Release(&mine);
                if (left == 0) zeros++;
                if (left < 0) failures++;
            });
        }
        go = true;
        for (auto& th : holders)
            th.join();
    }
    EXPECT_EQ(zeros.load(), kRounds);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(g_freed.load(), kRounds);
    EXPECT_EQ(usage().mrefs.used, 0u);
}

TEST_F(MrefTest, ProcessesAllocateConcurrently) {
    L_MM_SetDebugFlag(false);
    constexpr int kChildren = 3;
    constexpr int kRounds = 3000;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int bad = 0;
            for (int i = 0; i < kRounds; ++i)
                if (!use_buffer_exclusively(1 + (i * 13) % 2500, static_cast<uint8_t>(0x40 + c)))
                    bad++;
            ::_exit(bad == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    int bad = 0;
    for (int i = 0; i < kRounds; ++i)
        if (!use_buffer_exclusively(1 + (i * 11) % 2500, 0x7F)) bad++;
    EXPECT_EQ(bad, 0);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << pid;
    }
    EXPECT_EQ(buffers_used(), 0u);
    EXPECT_EQ(usage().mrefs.used, 0u);
}

}  // namespace
