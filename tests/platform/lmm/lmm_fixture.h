// A fresh instance with its own shared pool for each test.
#pragma once

#include <gtest/gtest.h>

#include "platform/components/faults.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "tests/support/test_instance.h"

class PoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
        L_MM_SetDebugFlag(true);
    }
    void TearDown() override {
        faults::clear();
        for (uint32_t t = 1; t < L_MM_MAX_FREE_FUNC; ++t)
            L_MM_SetFreeFunc(t, nullptr);
    }

    static L_IPCMEM_Usage_T usage() {
        L_IPCMEM_Usage_T u{};
        EXPECT_TRUE(L_IPCMEM_GetUsage(&u));
        return u;
    }
    static uint32_t buffers_used() {
        L_IPCMEM_Usage_T u = usage();
        uint32_t n = 0;
        for (const auto& b : u.buffers)
            n += b.used;
        return n;
    }

    testing_support::TestInstance inst_;
};
