// A lock kept on an error path hangs the next operation that wants it. Every served module-119
// request (subcmd_cases.h) is sent with each chip operation it calls failing in turn; after
// each, every lock of the switch chip driver must be free again within a short deadline, or
// the test fails at once naming the lock, the request and the operation that failed (and
// frees the lock, so the cases after it still run).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/components/faults.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/sdk_os.h"
#include "tests/drivers/swdrv/handler/subcmd_cases.h"

namespace {

namespace cmd = swdrv::subcmd;
using subcmd_cases::Bytes;
using subcmd_cases::Case;

constexpr uint32_t kDeadlineMs = 500;

// Runs take() on another thread (the PHY lock is recursive for the thread holding it); true
// when it got the lock (and gave it back) in time.
bool taken_elsewhere(const std::function<bool()>& take) {
    auto f = std::async(std::launch::async, take);
    return f.wait_for(std::chrono::milliseconds(2 * kDeadlineMs)) == std::future_status::ready &&
           f.get();
}

struct Lock {
    const char* name;
    std::function<bool()> take_and_give;  // with a deadline of kDeadlineMs
    std::function<void()> force_release;
};

const std::vector<Lock>& locks() {
    static const std::vector<Lock> all = {
        {"the PHY lock",
         [] {
             SDK_OS_SEM sem = DEV_SWDRV_OM().phy_lock_sem;
             if (!sem) return true;
             if (sdkOsSemWait(sem, kDeadlineMs) != SDK_OK) return false;
             sdkOsSemSignal(sem);
             return true;
         },
         [] {
             DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
             om.phy_lock_depth = 0;
             om.phy_lock_owner = 0;
             sdkOsSemSignal(om.phy_lock_sem);
         }},
        {"the port semaphore",
         [] {
             const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
             if (SYSFUN_TakeSem(om.port_sem_id, SYSFUN_MSecondToTick(kDeadlineMs)) != SYSFUN_OK)
                 return false;
             SYSFUN_GiveSem(om.port_sem_id);
             return true;
         },
         [] { SYSFUN_GiveSem(DEV_SWDRV_OM().port_sem_id); }},
        {"the two-wire bus semaphore (key 67)",
         [] {
             const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
             if (SYSFUN_TakeSem(om.twsi_sem_id, SYSFUN_MSecondToTick(kDeadlineMs)) != SYSFUN_OK)
                 return false;
             SYSFUN_GiveSem(om.twsi_sem_id);
             return true;
         },
         [] { SYSFUN_GiveSem(DEV_SWDRV_OM().twsi_sem_id); }},
    };
    return all;
}

class LockReleaseTest : public SwdrvTest {
  protected:
    void start(const Case& c) {
        // The driver's start creates the port semaphore again: give the slot back.
        if (DEV_SWDRV_OM().port_sem_ok) SYSFUN_DestroySem(DEV_SWDRV_OM().port_sem_id);
        bring_up(c.two_devices ? two_device_board() : board::default_board());
        subcmd_cases::common_setup();
        if (c.setup) c.setup();
    }
    void send(const Case& c) {
        std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 8216, 0);
        uint8_t* p = ipcmsg::payload(buf.data());
        be::put32(p, c.sub);
        std::copy(c.request.begin(), c.request.end(), p + 4);
        ipcmsg::set_cmd(buf.data(), cmd::kModule);
        ipcmsg::set_msg_size(buf.data(), static_cast<uint16_t>(4 + c.request.size()));
        DEV_SWDRV_HandleIPCReqMsg(buf.data());
    }
    // The chip operations the request calls, each with the calls of it to let pass before the
    // one that fails: every call when there are few, else the first two and the last of each.
    // Not the semaphore operations themselves: a failed give is not an error path of the
    // driver's.
    std::vector<std::pair<std::string, uint32_t>> failure_points(const Case& c) {
        std::vector<std::string> calls;
        start(c);
        faults::record(&calls);
        send(c);
        faults::record(nullptr);
        std::map<std::string, uint32_t> count;
        for (const std::string& op : calls)
            ++count[op];
        std::vector<std::pair<std::string, uint32_t>> points;
        for (auto& [op, n] : count)
            for (uint32_t k = 0; k < n && op.rfind("sdkOsSem", 0) != 0; ++k)
                if (calls.size() <= 64 || k < 2 || k + 1 == n) points.emplace_back(op, k);
        return points;
    }
};

TEST_F(LockReleaseTest, EveryErrorPathOfEveryRequestGivesItsLocksBack) {
    size_t tried = 0;
    for (const Case& c : subcmd_cases::cases()) {
        if (c.sub == cmd::kCreateAllVlansForVlanTrunking) continue;  // 4094 times one request
        for (const auto& [op, skip] : failure_points(c)) {
            start(c);
            chipsim::fail(op, SDK_FAIL, 1, skip);
            // A lock kept earlier in the same request can hang the request itself.
            auto done = std::async(std::launch::async, [&] { send(c); });
            if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
                std::string held;
                for (const Lock& l : locks()) {
                    if (taken_elsewhere(l.take_and_give)) continue;
                    held += std::string(", ") + l.name + " held";
                    l.force_release();
                }
                ADD_FAILURE() << "sub-command " << c.sub << " (" << cmd::row(c.sub)->name
                              << ") hangs after failing at call " << skip + 1 << " of " << op
                              << held;
                if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
                    std::fprintf(stderr, "a request hangs on a lock the test cannot free\n");
                    std::_Exit(1);
                }
            }
            chipsim::clear_faults();
            ++tried;
            for (const Lock& l : locks()) {
                if (taken_elsewhere(l.take_and_give)) continue;
                ADD_FAILURE() << l.name << " is still held after sub-command " << c.sub << " ("
                              << cmd::row(c.sub)->name << ") failed at call " << skip + 1 << " of "
                              << op;
                l.force_release();
            }
        }
    }
    EXPECT_GT(tried, 100u);
}

}  // namespace
