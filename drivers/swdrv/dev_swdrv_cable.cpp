// Cable diagnostics: a test per port, in a thread of its own while the port's link is held
// down, polled through the cable-test semaphore so that one port's result is read at a time;
// fibre and disabled ports answer at once, a port linked at 1000 Mb/s is tested in place.
#include <cstdint>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/firmware/firmware.h"
#include "platform/sysfun/sysfun.h"

namespace {

using swdrv::DevPort;

constexpr uint32_t kPolls = 200;
constexpr uint32_t kPollTicks = 10;
constexpr uint32_t kAllOpenBelowMetres = 2;

// The port's record (ports 1..16 of this unit); nullptr for another port.
DEV_SWDRV_CableDiagResult_T* record(uint32_t port) {
    if (port < 1 || port > DEV_SWDRV_PORTS_PER_UNIT) return nullptr;
    return &DEV_SWDRV_OM().cable[port - 1];
}

// Stores the SDK's result: all four pairs open below 2 m is "no cable" (5, distance 0).
void store(DEV_SWDRV_CableDiagResult_T& r, const SDK_CABLE_STATUS& s) {
    bool all_open = true;
    for (uint32_t i = 0; i < 4; ++i)
        all_open = all_open && s.pairStatus[i] == SDK_CABLE_OPEN &&
                   s.pairDistance[i] < kAllOpenBelowMetres;
    for (uint32_t i = 0; i < 4; ++i) {
        r.pair_status[i] =
            all_open ? DEV_SWDRV_CABLE_ALL_OPEN : static_cast<uint16_t>(s.pairStatus[i]);
        r.pair_distance[i] = all_open ? 0 : static_cast<uint8_t>(s.pairDistance[i]);
    }
}

void set_all(DEV_SWDRV_CableDiagResult_T& r, uint16_t status) {
    for (uint32_t i = 0; i < 4; ++i)
        r.pair_status[i] = status;
}

bool link_up(const DevPort& dp) {
    bool up = false;
    if (SDK_STATUS rc = sdkPortLinkStatusGet(dp.dev, dp.port, &up))
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
    return up;
}

// The test under the PHY lock: false when the lock failed; the SDK's result in *rc.
bool locked_test(const DevPort& dp, uint32_t action, SDK_CABLE_STATUS* s, SDK_STATUS* rc) {
    if (!DEV_SWDRV_Phy_Lock(dp.dev, dp.port)) return false;
    *rc = sdkCableTestStatusGet(dp.dev, dp.port, action, s);
    if (!DEV_SWDRV_Phy_Unlock(dp.dev, dp.port)) SWDRV_STEP_ERR("DEV_SWDRV_Phy_Unlock failed");
    return true;
}

// Steps 3 and 4 of the test thread: start it, then poll for its result.
void run_test(const DevPort& dp, DEV_SWDRV_CableDiagResult_T& r) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    SDK_CABLE_STATUS s{};
    SDK_STATUS rc = SDK_OK;
    if (!locked_test(dp, SDK_CABLE_TEST_START, &s, &rc)) return;
    if (rc == SDK_NOT_SUPPORTED) {
        std::lock_guard<std::mutex> lock(om.cable_mu);
        set_all(r, DEV_SWDRV_CABLE_NOT_TESTABLE);
        return;
    }
    if (rc != SDK_OK) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return;
    }
    SYSFUN_TakeSem(om.cable_sem_id, SYSFUN_TIMEOUT_WAIT_FOREVER);
    for (uint32_t poll = 0; poll < kPolls; ++poll) {
        if (!locked_test(dp, SDK_CABLE_TEST_READ, &s, &rc)) break;
        if (rc == SDK_NOT_READY) {
            SYSFUN_Sleep(kPollTicks);
            continue;
        }
        SYSFUN_GiveSem(om.cable_sem_id);
        std::lock_guard<std::mutex> lock(om.cable_mu);
        r.time = SYS_TIME_GetRealTimeBySec();
        if (rc == SDK_OK)
            store(r, s);
        else
            SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return;
    }
    SYSFUN_GiveSem(om.cable_sem_id);
    std::lock_guard<std::mutex> lock(om.cable_mu);
    r.time = SYS_TIME_GetRealTimeBySec();
}

}  // namespace

void DEV_SWDRV_EncodeCableDiagResult(const DEV_SWDRV_CableDiagResult_T& r, uint8_t* out) {
    be::put32(out, r.time);
    be::put32(out + 4, r.link_state);
    for (uint32_t i = 0; i < 4; ++i) {
        be::put16(out + 8 + 2 * i, r.pair_status[i]);
        out[16 + i] = r.pair_distance[i];
    }
    out[20] = r.in_progress;
    out[21] = r.linked_test;
    out[22] = out[23] = 0;
}

void DEV_SWDRV_CableDiagTask(void* arg) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    const uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg));
    const uint32_t unit = a >> 16, port = a & 0xFFFF;
    DEV_SWDRV_CableDiagResult_T* r = record(port);
    DevPort dp;
    if (!r) return;
    if (SWDRV_TRANSLATE(unit, port, &dp)) {
        const bool up = link_up(dp);
        {
            std::lock_guard<std::mutex> lock(om.cable_mu);
            set_all(*r, 0);
            r->time = SYS_TIME_GetRealTimeBySec();
            r->link_state = up ? 1 : 2;
        }
        if (SDK_STATUS rc = sdkPortForceLinkDownEnableSet(dp.dev, dp.port, true))
            SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        run_test(dp, *r);
        if (SDK_STATUS rc = sdkPortForceLinkDownEnableSet(dp.dev, dp.port, false))
            SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
    }
    std::lock_guard<std::mutex> lock(om.cable_mu);
    r->in_progress = 0;
}

bool DEV_SWDRV_GetCableDiag(uint32_t unit, uint32_t port) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    DevPort dp;
    DEV_SWDRV_CableDiagResult_T* r = record(port);
    if (!r) return SWDRV_BAD_ARG("port out of 1..16");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    uint32_t medium = DEV_SWDRV_MEDIA_COPPER;
    bool enabled = false;
    if (!DEV_SWDRV_Phy_GetPortMediaActive(dp.dev, dp.port, &medium)) {
        SWDRV_STEP_ERR("DEV_SWDRV_Phy_GetPortMediaActive failed");
        return false;
    }
    if (SDK_STATUS rc = sdkPortEnableGet(dp.dev, dp.port, &enabled)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    const bool up = link_up(dp);
    uint32_t speed = SDK_PORT_SPEED_NA;
    if (up && sdkPortSpeedGet(dp.dev, dp.port, &speed) != SDK_OK) speed = SDK_PORT_SPEED_NA;
    std::unique_lock<std::mutex> lock(om.cable_mu);
    if (r->in_progress) return false;  // the running test owns the record
    if (medium == DEV_SWDRV_MEDIA_FIBRE || !enabled) {
        r->time = SYS_TIME_GetRealTimeBySec();
        r->link_state = up && medium == DEV_SWDRV_MEDIA_FIBRE ? 1 : 2;
        r->linked_test = 0;
        set_all(*r, DEV_SWDRV_CABLE_NOT_TESTABLE);
        return true;
    }
    if (up && speed == SDK_PORT_SPEED_1000) {
        r->linked_test = 1;
        lock.unlock();
        SDK_CABLE_STATUS s{};
        SDK_STATUS rc = SDK_OK;
        bool locked = DEV_SWDRV_Phy_Lock(dp.dev, dp.port);
        if (locked) {
            rc = sdkCableTestLinkedGigStatusGet(dp.dev, dp.port, &s);
            if (!DEV_SWDRV_Phy_Unlock(dp.dev, dp.port))
                SWDRV_STEP_ERR("DEV_SWDRV_Phy_Unlock failed");
        }
        if (!locked || rc != SDK_OK) {
            if (locked) SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
            return true;
        }
        lock.lock();
        r->time = SYS_TIME_GetRealTimeBySec();
        r->link_state = 1;
        store(*r, s);
        return true;
    }
    r->linked_test = 0;
    r->in_progress = 1;
    lock.unlock();
    uint32_t tid = 0;
    const uintptr_t arg = uintptr_t{unit} * 65536 + port;
    if (SYSFUN_SpawnThread(135, 0, "dev_swdrv_cable_daig_task", 20480, 0, DEV_SWDRV_CableDiagTask,
                           reinterpret_cast<void*>(arg), &tid) != SYSFUN_OK) {
        CONSOLE_Printf("\n%s(%d): Spawn DEV_SWDRV_CableDiagTask thread fail.\n", __func__,
                       __LINE__);
        lock.lock();
        r->in_progress = 0;
        return false;
    }
    return true;
}

bool DEV_SWDRV_GetCableDiagResult(uint32_t unit, uint32_t port,
                                  DEV_SWDRV_CableDiagResult_T* result) {
    DevPort dp;
    DEV_SWDRV_CableDiagResult_T* r = record(port);
    if (!result || !r) return SWDRV_BAD_ARG("port out of 1..16");
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    std::lock_guard<std::mutex> lock(DEV_SWDRV_OM().cable_mu);
    *result = *r;
    return true;
}
