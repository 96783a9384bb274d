// The two-wire bus: the system-wide semaphore 67 around every transfer, the read retries and
// their prints.
#include <atomic>
#include <thread>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class TwsiTest : public SwdrvTest {
  protected:
    bool read(uint32_t offset, uint8_t* b) {
        return DEV_SWDRV_TwsiDataRead(0x20, 0, 1, offset, 0, 1, b);
    }
    void expect_sem_free() {
        EXPECT_EQ(SYSFUN_TakeSem(twsi_sem_, SYSFUN_TIMEOUT_NOWAIT), SYSFUN_OK);
        SYSFUN_GiveSem(twsi_sem_);
    }
};

TEST_F(TwsiTest, ReadSucceedingOnItsThirdAttempt) {
    uint8_t b = 0x77;
    ASSERT_TRUE(DEV_SWDRV_TwsiDataWrite(0x20, 0, 1, 9, 0, &b, 1));
    DEV_SWDRV_OM().print_detail = true;
    chipsim::twsi_fail_next(0, 0x20, 2);
    console::Capture cap;
    b = 0;
    EXPECT_TRUE(read(9, &b));
    EXPECT_EQ(b, 0x77);
    EXPECT_EQ(cap.text(), "1 32 0 1 9\r\n1 32 0 1 9\r\nReturn TRUE, retry_count = 2\r\n");
    expect_sem_free();
}

TEST_F(TwsiTest, ElevenAttemptsAtMost) {
    uint8_t b;
    chipsim::twsi_fail_next(0, 0x20, 10);
    EXPECT_TRUE(read(0, &b));  // the eleventh attempt
    chipsim::twsi_fail_next(0, 0x20, 11);
    DEV_SWDRV_OM().print_detail = true;
    console::Capture cap;
    EXPECT_FALSE(read(0, &b));
    EXPECT_TRUE(cap.contains("Return FALSE, retry_count = 10\r\n"));
    EXPECT_TRUE(read(0, &b));
    DEV_SWDRV_OM().print_detail = false;
    cap.clear();
    chipsim::twsi_fail_next(0, 0x20, 11);
    EXPECT_FALSE(read(0, &b));
    EXPECT_EQ(cap.text(), "");
    expect_sem_free();
}

TEST_F(TwsiTest, WritesAreNotRetriedAndReportTheirArguments) {
    uint8_t b = 1;
    chipsim::twsi_fail_next(0, 0x20, 1);
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_TwsiDataWrite(0x20, 0, 1, 5, 0, &b, 1));
    EXPECT_TRUE(cap.contains(" , error_id=1, arg = 32,0,1,5,1\r\n"));
    EXPECT_TRUE(DEV_SWDRV_TwsiDataWrite(0x20, 0, 1, 5, 0, &b, 1));
    uint32_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_TwsiRegisterWrite(0x20, 0x40, 0x01020304));
    ASSERT_TRUE(DEV_SWDRV_TwsiRegisterRead(0x20, 0x40, &v));
    EXPECT_EQ(v, 0x01020304u);
    EXPECT_FALSE(DEV_SWDRV_TwsiRegisterRead(0x5F, 0, &v));
    expect_sem_free();
}

TEST_F(TwsiTest, WaitsForTheSharedSemaphore) {
    ASSERT_EQ(SYSFUN_TakeSem(twsi_sem_, SYSFUN_TIMEOUT_WAIT_FOREVER), SYSFUN_OK);
    std::atomic<bool> done{false};
    std::thread t([&] {
        uint8_t b;
        read(0, &b);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    SYSFUN_GiveSem(twsi_sem_);
    t.join();
    EXPECT_TRUE(done);
}

}  // namespace
