// The thread "SWDRV_MONITOR" and the per-port presence poll.
#include "monitor/swdrv_monitor.h"

#include <cstdlib>
#include <cstring>

#include "monitor/monitor_internal.h"
#include "platform/firmware/firmware.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/watchdog/sw_watchdog_mgr.h"
#include "sdk/hwsvc/physical_addr_access.h"
#include "sdk/hwsvc/sys_hwcfg.h"

namespace swdrv_monitor {

ControlBlock& cb() {
    static ControlBlock c;
    return c;
}

}  // namespace swdrv_monitor

using swdrv_monitor::cb;
using swdrv_monitor::kMaxCage;

namespace {

constexpr uint32_t kDefaultPollMs = 1000;

uint32_t poll_period_ticks() {
    uint32_t ms = kDefaultPollMs;
    if (const char* e = std::getenv("DRIVER_PROC_SFP_POLL_MS"); e && *e)
        ms = static_cast<uint32_t>(std::strtoul(e, nullptr, 0));
    const uint32_t ticks = ms / 10;
    return ticks ? ticks : 1;
}

uint32_t my_unit() {
    uint32_t unit = 1;
    STKTPLG_OM_GetMyUnitID(&unit);
    return unit;
}

void set_present_bit(uint32_t unit, uint32_t port, bool present) {
    uint8_t bitmap[SWDRV_SFP_PRESENT_BITMAP_SIZE] = {};
    SWDRV_OM_GetPortSfpPresentStatusBitmaps(unit, bitmap);
    const uint32_t byte = 2 + (port - 1) / 8;
    if (byte >= sizeof bitmap) return;
    const uint8_t bit = static_cast<uint8_t>(0x80 >> ((port - 1) % 8));
    bitmap[byte] = present ? bitmap[byte] | bit : bitmap[byte] & ~bit;
    SWDRV_OM_SetPortSfpPresentStatusBitmaps(unit, bitmap);
}

// Forgets what the OM held about a module that has gone.
void clear_module(uint32_t unit, uint32_t idx) {
    static const uint8_t empty_info[SWDRV_SFP_INFO_SIZE] = {};
    static const uint8_t empty_raw[SWDRV_SFP_DDM_RAW_SIZE] = {};
    const SWDRV_SfpDdmInfo_T empty_ddm{};
    SWDRV_OM_SetPortSfpInfoValid(unit, idx, false);
    SWDRV_OM_SetPortSfpInfo(unit, idx, empty_info);
    SWDRV_OM_SetPortSfpDdmInfo(unit, idx, &empty_ddm);
    SWDRV_OM_SetPortSfpDdmInfoRaw(unit, idx, empty_raw);
}

}  // namespace

void SWDRV_MONITOR_Init() {
    swdrv_monitor::ControlBlock& c = cb();
    c = swdrv_monitor::ControlBlock{};
    uint32_t board_id = 0;
    if (STKTPLG_OM_GetUnitBoardID(my_unit(), &board_id)) {
        for (uint32_t idx = 1; idx <= kMaxCage; ++idx) {
            SYS_HWCFG_SfpPresentRegInfo_T reg;
            if (!SYS_HWCFG_GetSfpPresentRegInfo(board_id, idx, &reg)) continue;
            c.cage[idx].reg_valid = true;
            c.cage[idx].reg_addr = reg.addr;
            c.cage[idx].reg_mask = reg.mask;
            c.cage[idx].reg_shift = reg.shift;
        }
    }
    c.initialised = true;
}

void SWDRV_MONITOR_PortSfpPresent(uint32_t port, bool force) {
    swdrv_monitor::ControlBlock& c = cb();
    if (!c.initialised) SWDRV_MONITOR_Init();
    const uint32_t unit = my_unit();
    uint32_t idx = 0;
    if (!STKTPLG_POM_UserPortToSfpIndex(unit, port, &idx) || idx < 1 || idx > kMaxCage) return;
    uint32_t board_id;
    if (!STKTPLG_OM_GetUnitBoardID(unit, &board_id)) {
        CONSOLE_Printf("%s(%d): Failed to get my board id.\r\n", __func__, __LINE__);
        return;
    }
    swdrv_monitor::Cage& k = c.cage[idx];
    uint8_t value = 0;
    if (!k.reg_valid || !PHYSICAL_ADDR_ACCESS_Read(k.reg_addr, 1, 1, &value)) {
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_PRESENT,
                          "%s(%d): Access sfp present status for sfp %lu failed\r\n", __func__,
                          __LINE__, static_cast<unsigned long>(idx));
        return;
    }
    // Active low: a module pulls its bits to 0.
    bool present = false;
    if (((value & k.reg_mask) >> k.reg_shift) == 0) {
        const uint32_t now = SYSFUN_GetSysTick();
        if (k.seen_tick == 0)
            k.seen_tick = now ? now : 1;
        else if (now - k.seen_tick >= SWDRV_OM_GetSfpPresentDelay())
            k.confirmed = true;
        present = k.confirmed;
    } else {
        k.seen_tick = 0;
        k.confirmed = false;
    }

    bool stored = false, valid = false;
    SWDRV_OM_GetPortSfpPresent(unit, idx, &stored);
    if (present != stored || force) {
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_PRESENT,
                          "%s-%d unit:%ld, port:%2ld: status changes to %s\r\n", __func__, __LINE__,
                          static_cast<long>(unit), static_cast<long>(port),
                          present ? "present" : "not present");
        SWDRV_OM_SetPortSfpPresent(unit, idx, present);
        set_present_bit(unit, port, present);
        if (SWDRV_OM_GetOperatingMode() == 1)
            SYSFUN_SendEvent(SWDRV_OM_GetThreadId(), SWDRV_MONITOR_EVENT_SFP_CHANGE);
        if (present) {
            const bool ok = SWDRV_MONITOR_PortSfpInfo(unit, idx);
            SWDRV_OM_SetPortSfpInfoValid(unit, idx, ok);
            if (ok) SWDRV_SfpInserted(unit, idx);
        } else {
            clear_module(unit, idx);
            k.ddm_failures = 0;
            SWDRV_SfpRemoved(unit, idx);
        }
        return;
    }
    if (!present) return;
    SWDRV_OM_GetPortSfpInfoValid(unit, idx, &valid);
    if (!valid) {
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s-%d read SFP%ld EEPROM again for previous fail\r\n", __func__,
                          __LINE__, static_cast<long>(idx));
        if (SWDRV_MONITOR_PortSfpInfo(unit, idx)) {
            SWDRV_OM_SetPortSfpInfoValid(unit, idx, true);
            SWDRV_SfpInserted(unit, idx);
        }
        return;
    }
    if (c.poll_counter % swdrv_monitor::kDdmPollDivisor == 0)
        SWDRV_MONITOR_PortSfpDdmInfo(unit, idx);
}

void SWDRV_MONITOR_PollRound() {
    if (!cb().initialised) SWDRV_MONITOR_Init();
    ++cb().poll_counter;
    uint32_t ports = 0;
    if (!STKTPLG_POM_GetMaxPortNumberOnBoard(my_unit(), &ports)) return;
    for (uint32_t port = 1; port <= ports; ++port)
        SWDRV_MONITOR_PortSfpPresent(port, false);
}

uint32_t SWDRV_MONITOR_IsSfpRxLosAsserted(uint32_t unit, uint32_t sfp_index) {
    if (unit != 0) {
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s(%d): this api does not support on non-local unit(%lu).\r\n", __func__,
                          __LINE__, static_cast<unsigned long>(unit));
        return 0;
    }
    if (sfp_index < 1 || sfp_index > kMaxCage)
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR, "%s(%d): Invalid sfp_index: %lu\r\n", __func__,
                          __LINE__, static_cast<unsigned long>(sfp_index));
    return 0;
}

void SWDRV_MONITOR_TaskMain(void*) {
    SWDRV_MONITOR_Init();
    const uint32_t period = poll_period_ticks();
    uint32_t next = SYSFUN_GetSysTick() + period;
    for (;;) {
        const int32_t wait = static_cast<int32_t>(next - SYSFUN_GetSysTick());
        uint32_t events = 0;
        SYSFUN_ReceiveEvent(
            SW_WATCHDOG_EVENT_PING | SWDRV_MONITOR_EVENT_SFP_CHANGE, SYSFUN_EVENT_WAIT_ANY,
            wait > 0 ? static_cast<uint32_t>(wait) : SYSFUN_TIMEOUT_NOWAIT, &events);
        if (events & SW_WATCHDOG_EVENT_PING) SW_WATCHDOG_MGR_ResetTimer(SWDRV_MONITOR_WATCHDOG_ID);
        if (static_cast<int32_t>(SYSFUN_GetSysTick() - next) >= 0) {
            SWDRV_MONITOR_PollRound();
            next = SYSFUN_GetSysTick() + period;
        }
    }
}
