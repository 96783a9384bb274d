// The driver's debug menu "dev_amtrdrv": flush, ageing, the action engine's registers, the
// debug switches, the chip's table (every entry, or one slot), the address-update queue and
// the driver's limits.
#include <cstdio>

#include "drivers/amtrdrv/dev_amtrdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/backdoor/backdoor_mgr.h"

using namespace amtrdrv;

namespace {

const char* const kActionModes[] = {"AGE_WITH_REMOVAL", "AGE_WITHOUT_REMOVAL", "DELETING",
                                    "TRANSPLANTING"};

unsigned long ul(uint32_t v) {
    return static_cast<unsigned long>(v);
}

char key() {
    char line[16];
    if (!BACKDOOR_MGR_RequestKeyIn(line, sizeof line)) return 0;
    return line[0] ? line[0] : ' ';
}

void rc_line(const char* op, SDK_STATUS rc) {
    BACKDOOR_MGR_Printf("%s %s rc=%d\n", op, rc ? "failed" : "ok", static_cast<int>(rc));
}

void registers_menu() {
    for (;;) {
        uint32_t timeout = 0, trigger = 0, action = 0;
        sdkBrgFdbAgingTimeoutGet(0, &timeout);
        sdkBrgFdbMacTriggerModeGet(0, &trigger);
        sdkBrgFdbActionModeGet(0, &action);
        BACKDOOR_MGR_Printf("\n ageing timeout=%lu trigger mode=%lu(%s) action mode=%s\n",
                            ul(timeout), ul(trigger), trigger ? "TRIGGERED" : "AUTO",
                            action < 4 ? kActionModes[action] : "?");
        BACKDOOR_MGR_Print(
            "[1] Set ageing timeout\n[2] Set trigger mode\n[3] Set action mode\n"
            "[4] Get port learning status\n[5] Set port learning status\n[q] exit\n");
        switch (key()) {
            case 0:
            case 'q':
                return;
            case '1':
                rc_line("sdkBrgFdbAgingTimeoutSet",
                        sdkBrgFdbAgingTimeoutSet(0, BACKDOOR_LIB_RequestUI32("Timeout:", 300)));
                break;
            case '2':
                rc_line("sdkBrgFdbMacTriggerModeSet",
                        sdkBrgFdbMacTriggerModeSet(
                            0, BACKDOOR_LIB_RequestUI32("Mode(0:auto 1:triggered):", 0)));
                break;
            case '3':
                rc_line("sdkBrgFdbActionModeSet",
                        sdkBrgFdbActionModeSet(
                            0, BACKDOOR_LIB_RequestUI32("Mode(0:AGE_WITH_REMOVAL "
                                                        "1:AGE_WITHOUT_REMOVAL 2:DELETING "
                                                        "3:TRANSPLANTING):",
                                                        0)));
                break;
            case '4': {
                uint32_t port = BACKDOOR_LIB_RequestUI32("Phy port:", 0);
                bool status = false;
                uint32_t cmd = 0;
                SDK_STATUS rc = port > 0xFF ? SDK_BAD_PARAM
                                            : sdkBrgFdbPortLearnStatusGet(
                                                  0, static_cast<uint8_t>(port), &status, &cmd);
                if (rc)
                    rc_line("sdkBrgFdbPortLearnStatusGet", rc);
                else
                    BACKDOOR_MGR_Printf("learning=%d lock command=%lu\n", status ? 1 : 0, ul(cmd));
                break;
            }
            case '5': {
                uint32_t port = BACKDOOR_LIB_RequestUI32("Phy port:", 0);
                uint32_t status = BACKDOOR_LIB_RequestUI32("Learning(0:off 1:on):", 1);
                uint32_t cmd = BACKDOOR_LIB_RequestUI32(
                    "Lock command(0:drop 1:forward 2:trap 3:soft drop 4:mirror):", 1);
                rc_line("sdkBrgFdbPortLearnStatusSet",
                        port > 0xFF ? SDK_BAD_PARAM
                                    : sdkBrgFdbPortLearnStatusSet(0, static_cast<uint8_t>(port),
                                                                  status != 0, cmd));
                break;
            }
            default:
                break;
        }
        if (!backdoor::session_alive()) return;
    }
}

void print_entry_line(uint8_t dev, uint32_t index, const SDK_MAC_ENTRY_EXT& e, bool aged) {
    const uint8_t* m = e.key.macVlan.macAddr;
    uint32_t unit = 0, port = 0, trunk = 0;
    uint8_t is_trunk = 0;
    entry_location("DEV_AMTRDRV_BACKDOOR_Main", dev, e, &unit, &port, &trunk, &is_trunk);
    BACKDOOR_MGR_Printf("%02x-%02x-%02x-%02x-%02x-%02x  %-4u %2lu/%-6lu %-7u %-7lu %-9d %-8d %lu\n",
                        m[0], m[1], m[2], m[3], m[4], m[5], e.key.macVlan.vlanId, ul(unit),
                        ul(port), is_trunk, ul(trunk), e.isStatic ? 1 : 0, aged ? 0 : 1, ul(index));
}

void dump_all() {
    uint32_t dev = BACKDOOR_LIB_RequestUI32("Device:", 0);
    if (dev > 0xFF) return;
    BACKDOOR_MGR_Print(
        "\nMac                Vid Unit/Port IsTrunk TrunkId Is_Static age_flag Idx\n");
    unsigned long n = 0;
    for (uint32_t i = 0;; ++i) {
        bool valid = false, skip = false, aged = false;
        uint8_t assoc = 0;
        SDK_MAC_ENTRY_EXT e;
        if (sdkBrgFdbMacEntryRead(static_cast<uint8_t>(dev), i, &valid, &skip, &aged, &assoc, &e))
            break;
        if (!valid || skip) continue;
        print_entry_line(static_cast<uint8_t>(dev), i, e, aged);
        ++n;
    }
    BACKDOOR_MGR_Printf("%lu records\n", n);
}

void one_slot() {
    uint32_t dev = BACKDOOR_LIB_RequestUI32("Device:", 0);
    uint32_t index = BACKDOOR_LIB_RequestUI32("Index:", 0);
    bool valid = false, skip = false, aged = false;
    uint8_t assoc = 0;
    SDK_MAC_ENTRY_EXT e;
    SDK_STATUS rc = dev > 0xFF ? SDK_BAD_PARAM
                               : sdkBrgFdbMacEntryRead(static_cast<uint8_t>(dev), index, &valid,
                                                       &skip, &aged, &assoc, &e);
    if (rc) return rc_line("sdkBrgFdbMacEntryRead", rc);
    const uint8_t* m = e.key.macVlan.macAddr;
    BACKDOOR_MGR_Printf("valid=%d skip=%d aged=%d associatedDevNum=%u\n", valid, skip, aged, assoc);
    BACKDOOR_MGR_Printf("key: entryType=%lu mac=%02x-%02x-%02x-%02x-%02x-%02x vlanId=%u\n",
                        ul(e.key.entryType), m[0], m[1], m[2], m[3], m[4], m[5],
                        e.key.macVlan.vlanId);
    BACKDOOR_MGR_Printf(
        "dstInterface: type=%lu devNum=%u portNum=%u trunkId=%u vidx=%u vlanId=%u\n",
        ul(e.dstInterface.type), e.dstInterface.devPort.devNum, e.dstInterface.devPort.portNum,
        e.dstInterface.trunkId, e.dstInterface.vidx, e.dstInterface.vlanId);
    BACKDOOR_MGR_Printf(
        "isStatic=%d daCommand=%lu saCommand=%lu daRoute=%d "
        "mirrorToRxAnalyzerPortEn=%d sourceID=%lu userDefined=%lu\n",
        e.isStatic, ul(e.daCommand), ul(e.saCommand), e.daRoute, e.mirrorToRxAnalyzerPortEn,
        ul(e.sourceID), ul(e.userDefined));
    BACKDOOR_MGR_Printf(
        "daQosIndex=%lu saQosIndex=%lu daSecurityLevel=%lu saSecurityLevel=%lu "
        "appSpecificCpuCode=%d age=%d\n",
        ul(e.daQosIndex), ul(e.saQosIndex), ul(e.daSecurityLevel), ul(e.saSecurityLevel),
        e.appSpecificCpuCode, e.age);
}

void au_messages() {
    SDK_MAC_UPDATE_MSG_EXT msgs[10];
    uint32_t n = 10;
    if (SDK_STATUS rc = sdkBrgFdbAuMsgBlockGet(0, &n, msgs))
        return rc_line("sdkBrgFdbAuMsgBlockGet", rc);
    if (n == 0) return BACKDOOR_MGR_Print("AU queue is empty\n");
    for (uint32_t i = 0; i < n; ++i) {
        const SDK_MAC_UPDATE_MSG_EXT& a = msgs[i];
        const uint8_t* m = a.macEntry.key.macVlan.macAddr;
        BACKDOOR_MGR_Printf(
            "type=%lu mac=%02x-%02x-%02x-%02x-%02x-%02x vid=%u dev=%u port=%u found=%d index=%lu\n",
            ul(a.updType), m[0], m[1], m[2], m[3], m[4], m[5], a.macEntry.key.macVlan.vlanId,
            a.macEntry.dstInterface.devPort.devNum, a.macEntry.dstInterface.devPort.portNum,
            a.entryWasFound, ul(a.macEntryIndex));
    }
}

bool on_off() {
    return BACKDOOR_LIB_RequestUI32("Set value(0:off 1:on):", 0) != 0;
}

}  // namespace

void DEV_AMTRDRV_BACKDOOR_Main() {
    DEV_AMTRDRV_OM_T& om = DEV_AMTRDRV_OM();
    for (;;) {
        BACKDOOR_MGR_Print("\n[1] Delete all addr\n[2] Set ageing time\n[3] Registers op\n");
        BACKDOOR_MGR_Printf("[4] Set debug_flag(%d)\n", om.debug_flag.load() ? 1 : 0);
        BACKDOOR_MGR_Printf("[5] Set show_chip_err_msg(%d)\n", om.show_chip_err_msg.load() ? 1 : 0);
        BACKDOOR_MGR_Print(
            "[6] Dump all entries from ASIC\n[7] Get an entry from ASIC by given index\n"
            "[8] Try to get au msgs\n");
        BACKDOOR_MGR_Printf("[9] Set max retry count(%lu)\n", ul(om.max_retry_count));
        BACKDOOR_MGR_Printf("[b] change show_hash_depth_threshold, 0 is disable. (current=%lu)\n",
                            ul(om.show_hash_depth_threshold));
        BACKDOOR_MGR_Printf("[c] dev_amtrdrv_del_act_max_wait_timeout_tick (%lu)\n",
                            ul(om.del_act_max_wait_timeout_tick));
        BACKDOOR_MGR_Print("[q] exit\n");
        switch (key()) {
            case 0:
            case 'q':
                return;
            case '1':
                DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_ALL, 0, 0, 0);
                break;
            case '2':
                BACKDOOR_MGR_Print(
                    DEV_AMTRDRV_SetAgeingTime(BACKDOOR_LIB_RequestUI32("Input aging time:", 300))
                        ? "Sucess.\n"
                        : "Failed.\n");
                break;
            case '3':
                registers_menu();
                break;
            case '4':
                om.debug_flag = on_off();
                break;
            case '5':
                om.show_chip_err_msg = on_off();
                break;
            case '6':
                dump_all();
                break;
            case '7':
                one_slot();
                break;
            case '8':
                au_messages();
                break;
            case '9':
                om.max_retry_count = BACKDOOR_LIB_RequestUI32("Max retry count:", 2000);
                break;
            case 'b':
                om.show_hash_depth_threshold = BACKDOOR_LIB_RequestUI32("Threshold:", 0);
                break;
            case 'c':
                om.del_act_max_wait_timeout_tick = BACKDOOR_LIB_RequestUI32("Ticks:", 2);
                break;
            default:
                break;
        }
        if (!backdoor::session_alive()) return;
    }
}
