// The recursive PHY lock: nesting, the PHY polling switch, other threads, refusals.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class PhyLockTest : public SwdrvTest {
  protected:
    static bool polling(uint32_t front) { return state(front).smi_polling; }
    // Runs fn on another thread; a deadlock ends the test program with a message.
    template <typename Fn>
    static bool within_seconds(int seconds, Fn fn) {
        auto f = std::async(std::launch::async, fn);
        if (f.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
            std::fprintf(stderr, "deadlock: the operation did not finish\n");
            std::_Exit(1);
        }
        return f.get();
    }
};

TEST_F(PhyLockTest, NestedLevelsKeepThePollingOffUntilTheOutermostUnlock) {
    uint32_t media = chipsim::auto_media_select(0, 9);
    ASSERT_NE(media & (1u << (9 % 6)), 0u);  // combo port 10 selects media automatically
    ASSERT_TRUE(DEV_SWDRV_Phy_Lock(0, 0));
    EXPECT_FALSE(polling(1));
    EXPECT_EQ(chipsim::auto_media_select(0, 9) & (1u << 3), 0u);
    ASSERT_TRUE(DEV_SWDRV_Phy_Lock(0, 8));
    ASSERT_TRUE(DEV_SWDRV_Phy_Unlock(0, 8));
    EXPECT_FALSE(polling(1));
    EXPECT_EQ(DEV_SWDRV_OM().phy_lock_depth, 1);
    ASSERT_TRUE(DEV_SWDRV_Phy_Unlock(0, 0));
    EXPECT_TRUE(polling(1));
    EXPECT_EQ(chipsim::auto_media_select(0, 9), media);
    EXPECT_EQ(DEV_SWDRV_OM().phy_lock_owner, 0u);
}

TEST_F(PhyLockTest, AnOperationHoldingTheLockCallsAnotherThatTakesIt) {
    bool ok = within_seconds(5, [] {
        if (!DEV_SWDRV_Phy_Lock(0, 0)) return false;
        bool inner = DEV_SWDRV_Phy_SetPortEnable(0, 0, true) &&
                     DEV_SWDRV_Phy_SetPortPowerSaveMode(0, 0, true);
        return DEV_SWDRV_Phy_Unlock(0, 0) && inner;
    });
    EXPECT_TRUE(ok);
    EXPECT_FALSE(phy(1, 0, 0) & 0x0800);
    EXPECT_TRUE(polling(1));
}

TEST_F(PhyLockTest, OtherThreadsWaitAndCannotUnlock) {
    ASSERT_TRUE(DEV_SWDRV_Phy_Lock(0, 0));
    std::atomic<bool> done{false};
    bool unlocked_by_other = true;
    std::thread([&] { unlocked_by_other = DEV_SWDRV_Phy_Unlock(0, 0); }).join();
    EXPECT_FALSE(unlocked_by_other);
    std::thread t([&] {
        DEV_SWDRV_Phy_SetPortEnable(0, 1, true);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    ASSERT_TRUE(DEV_SWDRV_Phy_Unlock(0, 0));
    t.join();
    EXPECT_TRUE(done);
    EXPECT_FALSE(phy(2, 0, 0) & 0x0800);
}

TEST_F(PhyLockTest, LockingPutsAPagedPhyOnPageZero) {
    ASSERT_TRUE(chipsim::phy_write(0, 0, 0, 22, 6));
    ASSERT_EQ(chipsim::phy_page(0, 0), 6);
    ASSERT_TRUE(DEV_SWDRV_Phy_Lock(0, 0));
    EXPECT_EQ(chipsim::phy_page(0, 0), 0);
    DEV_SWDRV_Phy_Unlock(0, 0);
}

TEST_F(PhyLockTest, AnUnknownPhyClassIsRefusedAndTheLockReleased) {
    DEV_SWDRV_OM().phy_id[0][0] = 0x0C30;  // class 0x030
    console::Capture cap;
    EXPECT_FALSE(DEV_SWDRV_Phy_Lock(0, 0));
    EXPECT_TRUE(cap.contains(" , error_id=16\r\n"));
    EXPECT_EQ(DEV_SWDRV_OM().phy_lock_depth, 0);
    EXPECT_TRUE(polling(1));
    EXPECT_FALSE(DEV_SWDRV_Phy_SetPortEnable(0, 0, true));
    bool other = within_seconds(5, [] {
        bool ok = DEV_SWDRV_Phy_Lock(0, 1);
        return ok && DEV_SWDRV_Phy_Unlock(0, 1);
    });
    EXPECT_TRUE(other);
}

}  // namespace
