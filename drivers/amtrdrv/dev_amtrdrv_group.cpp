// Group deletes through the chip's FDB action engine: on each local device the engine's
// settings are saved, the filter written, a deleting walk triggered and waited for (a bounded
// wait), and the settings restored, also after a walk that did not finish in time.
#include <chrono>
#include <thread>

#include "drivers/amtrdrv/dev_amtrdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"

using namespace amtrdrv;

namespace {

struct Filter {
    uint32_t dev = 0, dev_mask = 0;
    uint32_t is_trunk = 0, is_trunk_mask = 0, port = 0, port_mask = 0;
    uint16_t vid = 0, vid_mask = 0;
    bool static_del = false;
};

struct Saved {
    uint32_t action_mode = 0, trigger_mode = 0;
    uint32_t dev = 0, dev_mask = 0;
    uint16_t vid = 0, vid_mask = 0;
    uint32_t is_trunk = 0, is_trunk_mask = 0, port = 0, port_mask = 0;
};

bool is_port_type(uint32_t t) {
    return t == DEV_AMTRDRV_DEL_PORT_DYNAMIC || t == DEV_AMTRDRV_DEL_PORT_VLAN_DYNAMIC ||
           t == DEV_AMTRDRV_DEL_PORT;
}
bool is_trunk_type(uint32_t t) {
    return t == DEV_AMTRDRV_DEL_TRUNK_DYNAMIC || t == DEV_AMTRDRV_DEL_TRUNK;
}

bool make_filter(uint32_t type, uint32_t unit, uint32_t port_or_trunk, uint32_t vid, Filter* f) {
    if (is_port_type(type)) {
        uint32_t module = 0, dev = 0, phy = 0;
        if (!DEV_SWDRV_Logical2PhyDevicePortID(unit, port_or_trunk, &module, &dev, &phy)) {
            dbg("%s: failed to convert unit %d port %d to physical device port id\n",
                "DEV_AMTRDRV_DeleteGroupAddr", static_cast<int>(unit),
                static_cast<int>(port_or_trunk));
            return false;
        }
        *f = {module, 0x1F, 0, 1, phy, 0x7F, 0, 0, false};
    } else if (is_trunk_type(type)) {
        uint32_t chip_trunk =
            DEV_SWDRV_WorkaroundForTrunkId(0, static_cast<uint16_t>(port_or_trunk), 1);
        // Refused before any device's engine is touched, so its settings stay as they are.
        if (port_or_trunk == 0 || port_or_trunk > 0xFFFF || chip_trunk > 0x7F) {
            CONSOLE_Printf("%s: trunk %lu is beyond the chip's range\n",
                           "DEV_AMTRDRV_DeleteGroupAddr",
                           static_cast<unsigned long>(port_or_trunk));
            return false;
        }
        *f = {0, 0, 1, 1, chip_trunk, 0x7F, 0, 0, false};
    }
    if (type == DEV_AMTRDRV_DEL_PORT_VLAN_DYNAMIC || type == DEV_AMTRDRV_DEL_VLAN_DYNAMIC) {
        if (vid > 0xFFF) {
            CONSOLE_Printf("%s: invalid VLAN %lu\n", "DEV_AMTRDRV_DeleteGroupAddr",
                           static_cast<unsigned long>(vid));
            return false;
        }
        f->vid = static_cast<uint16_t>(vid);
        f->vid_mask = 0xFFF;
    }
    f->static_del = type == DEV_AMTRDRV_DEL_ALL || type == DEV_AMTRDRV_DEL_PORT ||
                    type == DEV_AMTRDRV_DEL_TRUNK;
    return true;
}

// Waits for the triggered walk; false when it failed or did not finish in time (actions are
// then stopped again).
bool wait_walk(uint8_t dev) {
    const uint32_t limit = DEV_AMTRDRV_OM().del_act_max_wait_timeout_tick;
    const uint32_t start = SYSFUN_GetSysTick();
    for (;;) {
        bool done = false;
        SDK_STATUS rc = sdkBrgFdbTrigActionStatusGet(dev, &done);
        if (rc == SDK_OK && done) return true;
        if (rc != SDK_OK || SYSFUN_GetSysTick() - start > limit) {
            if (rc == SDK_OK)
                dbg("%s: line %d processing time exceeds %d tick\n", "DEV_AMTRDRV_DeleteGroupAddr",
                    __LINE__, static_cast<int>(limit));
            sdkBrgFdbActionsEnableSet(dev, false);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

#define AMTR_STEP(call)                                                                    \
    do {                                                                                   \
        if (SDK_STATUS rc_ = (call)) {                                                     \
            chip_err("%s: line %d error rc=%d\n", "DEV_AMTRDRV_DeleteGroupAddr", __LINE__, \
                     static_cast<int>(rc_));                                               \
            return false;                                                                  \
        }                                                                                  \
    } while (0)

// One device: save, filter, trigger, wait, restore. `finished` tells whether the walk ended
// in time; false for a failed SDK call (the whole operation ends).
bool delete_on(uint8_t dev, const Filter& f, bool* finished) {
    Saved s;
    AMTR_STEP(sdkBrgFdbActionModeGet(dev, &s.action_mode));
    AMTR_STEP(sdkBrgFdbMacTriggerModeGet(dev, &s.trigger_mode));
    AMTR_STEP(sdkBrgFdbActionActiveDevGet(dev, &s.dev, &s.dev_mask));
    AMTR_STEP(sdkBrgFdbActionActiveVlanGet(dev, &s.vid, &s.vid_mask));
    AMTR_STEP(sdkBrgFdbActionActiveInterfaceGet(dev, &s.is_trunk, &s.is_trunk_mask, &s.port,
                                                &s.port_mask));
    AMTR_STEP(sdkBrgFdbActionsEnableSet(dev, false));
    AMTR_STEP(sdkBrgFdbActionActiveDevSet(dev, f.dev, f.dev_mask));
    AMTR_STEP(sdkBrgFdbActionActiveVlanSet(dev, f.vid, f.vid_mask));
    AMTR_STEP(
        sdkBrgFdbActionActiveInterfaceSet(dev, f.is_trunk, f.is_trunk_mask, f.port, f.port_mask));
    AMTR_STEP(sdkBrgFdbStaticDelEnable(dev, f.static_del));
    AMTR_STEP(sdkBrgFdbTrigActionStart(dev, SDK_FDB_ACTION_DELETING));
    *finished = wait_walk(dev);
    AMTR_STEP(
        sdkBrgFdbActionActiveInterfaceSet(dev, s.is_trunk, s.is_trunk_mask, s.port, s.port_mask));
    AMTR_STEP(sdkBrgFdbActionActiveDevSet(dev, s.dev, s.dev_mask));
    AMTR_STEP(sdkBrgFdbActionModeSet(dev, s.action_mode));
    AMTR_STEP(sdkBrgFdbActionActiveVlanSet(dev, s.vid, s.vid_mask));
    if (SDK_STATUS rc = sdkBrgFdbMacTriggerModeSet(dev, s.trigger_mode)) {
        chip_err("%s: line %d error rc=%d devid=%lu old_action_mode=%d\n",
                 "DEV_AMTRDRV_DeleteGroupAddr", __LINE__, static_cast<int>(rc),
                 static_cast<unsigned long>(dev), static_cast<int>(s.action_mode));
        return false;
    }
    AMTR_STEP(sdkBrgFdbActionsEnableSet(dev, true));
    return true;
}

}  // namespace

bool DEV_AMTRDRV_DeleteGroupAddr(uint32_t group_type, uint32_t unit, uint32_t port_or_trunk,
                                 uint32_t vid) {
    dbg("\r\n DEV_AMTRDRV_DeleteGroupAddr : group_type=%d, port_trunk=%ld, vlan=%ld \r\n",
        static_cast<int>(group_type), static_cast<long>(port_or_trunk), static_cast<long>(vid));
    if (group_type > DEV_AMTRDRV_DEL_TRUNK) {
        dbg("%s: Invalid group type %d\n", __func__, static_cast<int>(group_type));
        return false;
    }
    Filter f;
    if (!make_filter(group_type, unit, port_or_trunk, vid, &f)) return false;
    bool all_finished = true;
    for (uint8_t dev : local_devices()) {
        bool finished = false;
        if (!delete_on(dev, f, &finished)) return false;
        all_finished &= finished;
    }
    return all_finished;
}
