// The firmware components modelled outside the driver program: what they answer and that
// they take what the caller hands over.
#include <gtest/gtest.h>

#include "platform/components/calllog.h"
#include "platform/firmware/firmware.h"
#include "platform/firmware/fs.h"
#include "platform/instance/instance.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "tests/support/test_instance.h"

#include <cstdio>
#include <cstring>

namespace {

TEST(Firmware, InterStackSendTakesTheMrefAndFailsForUnitsThatAreNotThere) {
    testing_support::TestInstance inst;
    ASSERT_TRUE(L_IPCMEM_Preinitialize_InitMemoryPool(0));
    auto in_use = [] {
        L_IPCMEM_Usage_T u{};
        L_IPCMEM_GetUsage(&u);
        return u.mrefs.used;
    };
    L_MM_Mref_T* m = L_MM_AllocateTxBuffer(64, 135);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(in_use(), 1u);
    EXPECT_FALSE(ISC_SendMcastReliable(0x2, 19, m, 6, 2, 300, 0));  // unit 2: no such unit
    EXPECT_EQ(in_use(), 0u);                                        // released all the same
    EXPECT_TRUE(calllog::received("ISC", "ISC_SendMcastReliable(units=0x2, service=19, len=64"));
    EXPECT_TRUE(ISC_SendMcastReliable(0x1, 19, L_MM_AllocateTxBuffer(8, 135), 6, 2, 300, 0));
    EXPECT_EQ(in_use(), 0u);
}

TEST(Firmware, StartupFileIsReadFromTheRunDirectoryOnly) {
    testing_support::TestInstance inst;
    char name[FS_MAX_FILE_NAME_LENGTH];
    ASSERT_TRUE(FS_GetStartupFilename(1, name));
    uint32_t size = 0;
    std::remove(instance::run_file(name).c_str());
    EXPECT_EQ(FS_GetFileInfo(1, name, &size), FS_RETURN_FILE_NOT_FOUND);
    FILE* f = std::fopen(instance::run_file(name).c_str(), "w");
    std::fputs("hello", f);
    std::fclose(f);
    ASSERT_EQ(FS_GetFileInfo(1, name, &size), FS_RETURN_OK);
    EXPECT_EQ(size, 5u);
    uint8_t buf[8] = {};
    uint32_t got = 0;
    ASSERT_EQ(FS_ReadFile(1, name, buf, 3, &got), FS_RETURN_OK);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::memcmp(buf, "hel", 3), 0);
    EXPECT_EQ(FS_GetFileInfo(1, "../../etc/passwd", &size), FS_RETURN_ERROR);
    std::remove(instance::run_file(name).c_str());
}

}  // namespace
