// The driver's debug menu "dev_nmtrdrv": a port's RMON record, clearing a port, the chip's
// MAC counters of a port, one counter, and the device's egress counter sets.
#include <cstring>

#include "drivers/nmtrdrv/dev_nmtrdrv.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/common/byteorder.h"
#include "platform/stktplg/stktplg.h"
#include "sdk/sdk_counters.h"

namespace {

const char* const kRmonNames[] = {
    "etherStatsDropEvents",
    "etherStatsOctets",
    "etherStatsPkts",
    "etherStatsBroadcastPkts",
    "etherStatsMulticastPkts",
    "etherStatsCRCAlignErrors",
    "etherStatsUndersizePkts",
    "etherStatsOversizePkts",
    "etherStatsFragments",
    "etherStatsJabbers",
    "etherStatsCollisions",
    "etherStatsPkts64Octets",
    "etherStatsPkts65to127Octets",
    "etherStatsPkts128to255Octets",
    "etherStatsPkts256to511Octets",
    "etherStatsPkts512to1023Octets",
    "etherStatsPkts1024to1518Octets",
};
static_assert(sizeof kRmonNames / sizeof kRmonNames[0] * 8 == DEV_NMTRDRV_RMON_STATS_SIZE);

unsigned long hi(uint64_t v) {
    return static_cast<unsigned long>(v >> 32);
}
unsigned long lo(uint64_t v) {
    return static_cast<unsigned long>(v & 0xFFFFFFFFu);
}

uint32_t my_unit() {
    uint32_t unit = 1;
    STKTPLG_OM_GetMyUnitID(&unit);
    return unit;
}

void rmon_stats() {
    uint32_t port = BACKDOOR_LIB_RequestUI32("Port num(1 based)=", 0);
    uint8_t rec[DEV_NMTRDRV_RMON_STATS_SIZE] = {};
    if (!DEV_NMTRDRV_GetRmonStats(my_unit(), port, rec)) {
        BACKDOOR_MGR_Print("DEV_NMTRDRV_GetRmonStats returns false.\n");
        return;
    }
    for (uint32_t i = 0; i < sizeof kRmonNames / sizeof kRmonNames[0]; ++i)
        BACKDOOR_MGR_Printf("%s:[%lu][%lu]\n", kRmonNames[i],
                            static_cast<unsigned long>(be::get32(rec + 8 * i)),
                            static_cast<unsigned long>(be::get32(rec + 8 * i + 4)));
}

void clear_port() {
    uint32_t port = BACKDOOR_LIB_RequestUI32("Port num(1 based)=\n", 0);
    if (DEV_NMTRDRV_ClearPortCounter(my_unit(), port))
        BACKDOOR_MGR_Printf("Clear port %d counter ok.\n", static_cast<int>(port));
    else
        BACKDOOR_MGR_Printf("Clear port %d counter failed.\n", static_cast<int>(port));
}

void port_counters() {
    uint32_t port = BACKDOOR_LIB_RequestUI32("Phy port num(0 based)=", 0);
    SDK_PORT_MAC_COUNTER_SET set{};
    if (SDK_STATUS rc = sdkPortMacCountersOnPortGet(0, static_cast<uint8_t>(port), &set)) {
        BACKDOOR_MGR_Printf("sdkPortMacCountersOnPortGet failed rc=%d\n", static_cast<int>(rc));
        return;
    }
    for (uint32_t n = 0; n < SDK_MAC_COUNTERS; ++n)
        if (const char* name = sdkMacCounterName(n))
            BACKDOOR_MGR_Printf("%s:[%lu][%lu]\n", name, hi(set.counter[n]), lo(set.counter[n]));
}

void one_counter() {
    uint32_t port = BACKDOOR_LIB_RequestUI32("Phy port num(0 based)=", 0);
    uint32_t cntr = BACKDOOR_LIB_RequestUI32("Counter enum=", 0);
    uint64_t v = 0;
    if (SDK_STATUS rc = sdkMacCounterGet(0, static_cast<uint8_t>(port), cntr, &v)) {
        BACKDOOR_MGR_Printf("sdkMacCounterGet failed rc=%d\n", static_cast<int>(rc));
        return;
    }
    // The counter as the chip's two 32-bit registers (low first), then as one 64-bit value.
    BACKDOOR_MGR_Printf("cntrValue=[%lu][%lu]\n", lo(v), hi(v));
    BACKDOOR_MGR_Printf("cntrValue64=[%lu][%lu]\n", hi(v), lo(v));
    BACKDOOR_MGR_Printf("cntrValue64(in unsigned long long)=%llu\n",
                        static_cast<unsigned long long>(v));
}

void show_egress_sets() {
    BACKDOOR_MGR_Print("Dev Set Uc      Mc      Bc      brgDisc txqDisc Ctrl    FrwDrop\n");
    for (uint32_t dev = 0; dev < 256; ++dev) {
        for (uint8_t set = 0; set < SDK_EGRESS_CNT_SETS; ++set) {
            SDK_EGRESS_CNTRS c{};
            SDK_STATUS rc = sdkPortEgressCntrsGet(static_cast<uint8_t>(dev), set, &c);
            if (rc == SDK_NOT_PRESENT) return;
            if (rc != SDK_OK) continue;
            BACKDOOR_MGR_Printf("%-3lu %-3u %-7lu %-7lu %-7lu %-7lu %-7lu %-7lu %lu\n",
                                static_cast<unsigned long>(dev), set,
                                static_cast<unsigned long>(c.outUcFrames),
                                static_cast<unsigned long>(c.outMcFrames),
                                static_cast<unsigned long>(c.outBcFrames),
                                static_cast<unsigned long>(c.brgEgrFilterDisc),
                                static_cast<unsigned long>(c.txqFilterDisc),
                                static_cast<unsigned long>(c.outCtrlFrames),
                                static_cast<unsigned long>(c.egrFrwDropFrames));
        }
    }
}

void set_egress_mode() {
    uint32_t dev = BACKDOOR_LIB_RequestUI32("Dev=", 0);
    uint32_t set = BACKDOOR_LIB_RequestUI32("Set(0-1)=", 0);
    uint32_t mode = BACKDOOR_LIB_RequestUI32("Mode bitmap(1 port, 2 vlan, 4 tc, 8 dp)=", 0);
    uint32_t port = BACKDOOR_LIB_RequestUI32("Port=", 0);
    uint32_t vid = BACKDOOR_LIB_RequestUI32("Vlan=", 0);
    uint32_t tc = BACKDOOR_LIB_RequestUI32("Tc=", 0);
    uint32_t dp = BACKDOOR_LIB_RequestUI32("Dp=", 0);
    SDK_STATUS rc =
        dev > 0xFF || set > 0xFF || port > 0xFF || vid > 0xFFFF || tc > 0xFF || dp > 0xFF
            ? SDK_BAD_PARAM
            : sdkPortEgressCntrModeSet(static_cast<uint8_t>(dev), static_cast<uint8_t>(set), mode,
                                       static_cast<uint8_t>(port), static_cast<uint16_t>(vid),
                                       static_cast<uint8_t>(tc), static_cast<uint8_t>(dp));
    BACKDOOR_MGR_Printf("sdkPortEgressCntrModeSet %s rc=%d\n", rc ? "failed" : "ok",
                        static_cast<int>(rc));
}

// Reads one key of a menu; 0 when the session ended.
char key() {
    char line[16];
    if (!BACKDOOR_MGR_RequestKeyIn(line, sizeof line)) return 0;
    return line[0] ? line[0] : ' ';
}

void egress_menu() {
    for (;;) {
        show_egress_sets();
        BACKDOOR_MGR_Print("\n[s] sdkPortEgressCntrModeSet\n[q] exit\n");
        char k = key();
        if (k == 0 || k == 'q') return;
        if (k == 's') set_egress_mode();
    }
}

}  // namespace

void DEV_NMTRDRV_BACKDOOR_Main() {
    for (;;) {
        BACKDOOR_MGR_Print(
            "\n[1] Get Rmon Stats\n[2] Clear Port Counter\n"
            "[3] sdkPortMacCountersOnPortGet\n[4] sdkMacCounterGet\n"
            "[e] sdkPortEgressCntrsGet\n[q] exit\n");
        switch (key()) {
            case 0:
            case 'q':
                return;
            case '1':
                rmon_stats();
                break;
            case '2':
                clear_port();
                break;
            case '3':
                port_counters();
                break;
            case '4':
                one_counter();
                break;
            case 'e':
                egress_menu();
                break;
            default:
                break;
        }
        if (!backdoor::session_alive()) return;
    }
}
