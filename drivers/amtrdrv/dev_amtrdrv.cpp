// The driver's control block, start-up, ageing, hardware learning, the switch's own entries
// and the new-address events.
#include "drivers/amtrdrv/dev_amtrdrv.h"

#include <cstring>

#include "drivers/amtrdrv/dev_amtrdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/firmware/firmware.h"
#include "platform/stktplg/stktplg.h"

using namespace amtrdrv;

namespace {

DEV_AMTRDRV_OM_T g_om;

constexpr uint32_t kInitRegister = 0x06000038;
constexpr uint8_t kCpuPort = SDK_CPU_PORT;

// The switch's own entry for a VLAN on a device: static, to the CPU port of the device's
// module. False (with the line) when the unit or module id is not known.
bool cpu_entry(const char* func, uint8_t dev, uint32_t vid, const uint8_t mac[6],
               SDK_MAC_ENTRY_EXT* e) {
    uint32_t unit = 0, module = 0;
    if (!STKTPLG_OM_GetMyUnitID(&unit)) {
        dbg("%s[%d]: STKTPLG_OM_GetMyUnitID failed\n", func, __LINE__);
        return false;
    }
    if (!DEV_SWDRV_GetModuleIdFromLocalDeviceId(unit, dev, &module)) {
        dbg("%s[%d]: DEV_SWDRV_GetModuleIdFromLocalDeviceId failed\n", func, __LINE__);
        return false;
    }
    *e = SDK_MAC_ENTRY_EXT{};
    e->key = mac_key(vid, mac);
    e->dstInterface.type = SDK_INTERFACE_PORT;
    e->dstInterface.devPort.devNum = static_cast<uint8_t>(module);
    e->dstInterface.devPort.portNum = kCpuPort;
    e->isStatic = true;
    e->age = true;
    return true;
}

// The SDK's event layer calls this for each new-address message.
void brg_secur_event(uint8_t dev, const uint8_t mac[6], uint16_t vid, uint8_t port, uint32_t code) {
    DEV_AMTRDRV_HandleBrgSecurEvent(dev, mac, vid, port, code);
}

}  // namespace

DEV_AMTRDRV_OM_T& DEV_AMTRDRV_OM() {
    return g_om;
}

void DEV_AMTRDRV_OM_Reset() {
    g_om.scan_device = -1;
    g_om.scan_index = g_om.scan_skipped = 0;
    g_om.hash_depth = 0;
    for (auto& h : g_om.handlers)
        h = nullptr;
    g_om.handler_count = 0;
    g_om.max_retry_count = 2000;
    g_om.del_act_max_wait_timeout_tick = 2;
    g_om.show_hash_depth_threshold = 0;
    g_om.debug_flag = false;
    g_om.show_chip_err_msg = false;
}

bool DEV_AMTRDRV_Init() {
    std::vector<uint8_t> devs = local_devices();
    uint32_t depth = 0;
    bool have_depth = false;
    if (!devs.empty()) {
        if (SDK_STATUS rc = sdkBrgFdbMaxLookupLenGet(devs.front(), &depth))
            chip_err("%s[%d]: sdkBrgFdbMaxLookupLenGet failed on dev %lu with rc=%d", __func__,
                     __LINE__, static_cast<unsigned long>(devs.front()), static_cast<int>(rc));
        else
            have_depth = true;
    }
    for (uint8_t dev : devs) {
        uint32_t v = 0;
        SDK_STATUS rc = sdkHwRegRead(dev, SDK_PORT_GROUPS_ALL, kInitRegister, &v);
        if (rc == SDK_OK) rc = sdkHwRegWrite(dev, SDK_PORT_GROUPS_ALL, kInitRegister, v | 0x1F);
        if (rc != SDK_OK) {
            chip_err("%s(): Line = %d , error_id=%d\r\n", __func__, __LINE__, static_cast<int>(rc));
            return false;
        }
        if (have_depth) g_om.hash_depth = depth;
    }
    return true;
}

void DEV_AMTRDRV_Create_InterCSC_Relation() {
    if (SDK_STATUS rc = sdkEventSecurBreachBind(brg_secur_event))
        chip_err("%s: sdkEventSecurBreachBind failed rc=%d\n", __func__, static_cast<int>(rc));
    DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler(AMTRDRV_MGR_AnnounceNA_N_SecurityCheck);
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("dev_amtrdrv", 24, DEV_AMTRDRV_BACKDOOR_Main);
}

void DEV_AMTRDRV_Register_NA_N_SecurityCheck_Handler(DEV_AMTRDRV_SecurityCheckHandler handler) {
    uint32_t n = g_om.handler_count.load(std::memory_order_relaxed);
    if (n >= DEV_AMTRDRV_MAX_SECURITY_HANDLERS) {
        dbg("%s: the num of brg security register is out of range \n", __func__);
        return;
    }
    g_om.handlers[n] = handler;
    g_om.handler_count.store(n + 1, std::memory_order_release);
}

void DEV_AMTRDRV_HandleBrgSecurEvent(uint8_t device, const uint8_t mac[6], uint16_t vid,
                                     uint8_t port, uint32_t) {
    uint32_t unit = 0, lport = 0;
    if (!DEV_SWDRV_PhyDevicePort2Logical(device, port, &unit, &lport)) {
        dbg("%s[%d] Failed to convert dev %d devPort %d\n", __func__, __LINE__, device, port);
        return;
    }
    dbg("%s: macSa=%x-%x-%x-%x-%x-%x, vlan=%lu, unit=%lu, port=%lu \n", __func__, mac[0], mac[1],
        mac[2], mac[3], mac[4], mac[5], static_cast<unsigned long>(vid),
        static_cast<unsigned long>(unit), static_cast<unsigned long>(lport));
    const uint32_t n = g_om.handler_count.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < n; ++i) {
        uint16_t result[3] = {0, 0, 0};
        g_om.handlers[i](result, mac, vid, 0, lport, unit);
    }
}

bool DEV_AMTRDRV_SetAgeingTime(uint32_t seconds) {
    if (seconds != 0 && (seconds < 10 || seconds > 844)) {
        dbg("%s: invalid value=%lu\n", __func__, static_cast<unsigned long>(seconds));
        return false;
    }
    for (uint8_t dev : local_devices()) {
        SDK_STATUS rc = SDK_OK;
        if (seconds == 0) {
            rc = sdkBrgFdbMacTriggerModeSet(dev, SDK_FDB_TRIGGER_TRIG);
        } else {
            rc = sdkBrgFdbAgingTimeoutSet(dev, seconds);
            if (rc == SDK_OK) rc = sdkBrgFdbMacTriggerModeSet(dev, SDK_FDB_TRIGGER_AUTO);
            if (rc == SDK_OK) rc = sdkBrgFdbActionModeSet(dev, SDK_FDB_ACTION_AGE_WITH_REMOVAL);
        }
        if (rc != SDK_OK) {
            chip_err("%s(%lu): device_id=%lu rc=%d\n", __func__,
                     static_cast<unsigned long>(seconds), static_cast<unsigned long>(dev),
                     static_cast<int>(rc));
            return false;
        }
    }
    return true;
}

bool DEV_AMTRDRV_DisableHardwareLearning() {
    uint32_t unit = 0;
    if (!STKTPLG_OM_GetMyUnitID(&unit)) {
        dbg("%s[%d]: STKTPLG_OM_GetMyUnitID failed\n", __func__, __LINE__);
        return false;
    }
    bool ok = true;
    for (uint32_t port = 1; port <= 15; ++port) {
        uint32_t module = 0, dev = 0, phy = 0;
        if (!DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &module, &dev, &phy)) continue;
        if (SDK_STATUS rc =
                sdkBrgFdbPortLearnStatusSet(static_cast<uint8_t>(dev), static_cast<uint8_t>(phy),
                                            false, SDK_LOCK_CMD_FORWARD)) {
            chip_err("%s[%d] sdkBrgFdbPortLearnStatusSet failed. device %lu phy_port %lu rc %d\n",
                     __func__, __LINE__, static_cast<unsigned long>(dev),
                     static_cast<unsigned long>(phy), static_cast<int>(rc));
            ok = false;
        }
    }
    return ok;
}

bool DEV_AMTRDRV_AddVlanMac(uint32_t vid, const uint8_t mac[6]) {
    for (uint8_t dev : local_devices()) {
        SDK_MAC_ENTRY_EXT e;
        if (!cpu_entry(__func__, dev, vid, mac, &e)) return false;
        e.daCommand = SDK_MAC_TABLE_CMD_TRAP_TO_CPU;
        e.saCommand = SDK_MAC_TABLE_CMD_FORWARD;
        if (DEV_AMTRDRV_sdkBrgFdbMacEntrySet(dev, &e) != DEV_AMTRDRV_WRITE_OK) {
            dbg("\r\n%s: DEV_AMTRDRV_sdkBrgFdbMacEntrySet failed on dev %lu\r\n", __func__,
                static_cast<unsigned long>(dev));
            return false;
        }
    }
    return true;
}

uint32_t DEV_AMTRDRV_SetInterventionEntry(uint32_t vid, const uint8_t mac[6], uint8_t selector,
                                          uint32_t mode) {
    uint32_t da = 0, sa = 0;
    switch (mode) {
        case 1:
            da = SDK_MAC_TABLE_CMD_SOFT_DROP, sa = SDK_MAC_TABLE_CMD_TRAP_TO_CPU;
            break;
        case 2:
            da = SDK_MAC_TABLE_CMD_TRAP_TO_CPU, sa = SDK_MAC_TABLE_CMD_SOFT_DROP;
            break;
        case 3:
            da = SDK_MAC_TABLE_CMD_TRAP_TO_CPU, sa = SDK_MAC_TABLE_CMD_TRAP_TO_CPU;
            break;
        default:
            dbg("%s[%d]: Invalid mode %lu\n", __func__, __LINE__, static_cast<unsigned long>(mode));
            return DEV_AMTRDRV_WRITE_FAILED;
    }
    std::vector<uint8_t> devs = local_devices();
    if (devs.empty()) return DEV_AMTRDRV_WRITE_FAILED;
    if (selector == DEV_AMTRDRV_DEV_OTHERS) devs.erase(devs.begin());
    for (uint8_t dev : devs) {
        SDK_MAC_ENTRY_EXT old;
        uint32_t index = 0;
        // A routing entry of the same address stays as it is on this device.
        if (DEV_AMTRDRV_sdkBrgFdbMacEntryRead(dev, vid, mac, &old, &index) && old.daRoute) continue;
        SDK_MAC_ENTRY_EXT e;
        if (!cpu_entry(__func__, dev, vid, mac, &e)) return DEV_AMTRDRV_WRITE_FAILED;
        e.daCommand = da;
        e.saCommand = sa;
        if (uint32_t r = DEV_AMTRDRV_sdkBrgFdbMacEntrySet(dev, &e)) return r;
    }
    return DEV_AMTRDRV_WRITE_OK;
}

bool DEV_AMTRDRV_ReadAndClearLocalHitBit() {
    dbg("%s[%d] Should not call this API.\n", __func__, __LINE__);
    return true;
}

uint32_t DEV_AMTRDRV_GetHashLookupDepth(bool* ok) {
    std::vector<uint8_t> devs = local_devices();
    uint32_t depth = 0;
    SDK_STATUS rc = devs.empty() ? SDK_NOT_PRESENT : sdkBrgFdbMaxLookupLenGet(devs.front(), &depth);
    if (rc != SDK_OK) {
        chip_err("%s[%d]: sdkBrgFdbMaxLookupLenGet failed on dev %lu with rc=%d", __func__,
                 __LINE__, static_cast<unsigned long>(devs.empty() ? 0 : devs.front()),
                 static_cast<int>(rc));
        *ok = false;
        return 0;
    }
    *ok = true;
    return depth;
}
