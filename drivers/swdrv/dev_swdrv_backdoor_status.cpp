// The debug menu's pages of port status, cable tests and chip defaults.
#include "drivers/swdrv/dev_swdrv_backdoor.h"
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/backdoor/backdoor_mgr.h"

namespace swdrv {

void backdoor_show_status() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    BACKDOOR_MGR_Printf("speed-change hook %s\r\n", om.speed_hook ? "installed" : "none");
    for (const LocalDevice& d : local_devices()) {
        BACKDOOR_MGR_Printf("device %u: speed table %s, pause resolved %08lx %08lx\r\n", d.dev,
                            om.speed_table[d.dev] ? "yes" : "none",
                            static_cast<unsigned long>(om.fc_resolved[d.dev][1]),
                            static_cast<unsigned long>(om.fc_resolved[d.dev][0]));
        for (uint32_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p))
                BACKDOOR_MGR_Printf("  port %2lu: last speed code %lu\r\n",
                                    static_cast<unsigned long>(p),
                                    static_cast<unsigned long>(om.last_speed[d.dev][p]));
    }
}

void backdoor_show_cable() {
    for (uint32_t port = 1; port <= DEV_SWDRV_PORTS_PER_UNIT; ++port) {
        DEV_SWDRV_CableDiagResult_T r;
        if (!DEV_SWDRV_GetCableDiagResult(DEV_SWDRV_OM().my_unit_id, port, &r)) continue;
        BACKDOOR_MGR_Printf(
            "port %2lu: time %lu link %lu status %u %u %u %u distance %u %u %u %u%s%s\r\n",
            static_cast<unsigned long>(port), static_cast<unsigned long>(r.time),
            static_cast<unsigned long>(r.link_state), r.pair_status[0], r.pair_status[1],
            r.pair_status[2], r.pair_status[3], r.pair_distance[0], r.pair_distance[1],
            r.pair_distance[2], r.pair_distance[3], r.in_progress ? " (running)" : "",
            r.linked_test ? " (linked test)" : "");
    }
}

void backdoor_show_defaults() {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    BACKDOOR_MGR_Printf("hash lookup depth %lu\r\n",
                        static_cast<unsigned long>(om.hash_lookup_depth));
    for (const LocalDevice& d : local_devices()) {
        uint32_t depth = 0, res = 0, mtu = 0;
        sdkBrgFdbMaxLookupLenGet(d.dev, &depth);
        sdkNetIfCpuCodeRateLimiterWindowResolutionGet(d.dev, &res);
        sdkPortTxShaperTokenBucketMtuGet(d.dev, &mtu);
        BACKDOOR_MGR_Printf(
            "device %u: chip lookup depth %lu, limiter resolution %lu ns, "
            "token-bucket MTU %lu\r\n",
            d.dev, static_cast<unsigned long>(depth), static_cast<unsigned long>(res),
            static_cast<unsigned long>(mtu));
        for (uint32_t l = 1; l <= DEV_SWDRV_CPU_CODE_LIMITERS; ++l) {
            uint32_t window = 0, packets = 0;
            if (om.limiter_users[d.dev][l - 1] == 0) continue;
            sdkNetIfCpuCodeRateLimiterGet(d.dev, l, &window, &packets);
            BACKDOOR_MGR_Printf("  limiter %2lu: %lu codes, %lu packets per %lu units\r\n",
                                static_cast<unsigned long>(l),
                                static_cast<unsigned long>(om.limiter_users[d.dev][l - 1]),
                                static_cast<unsigned long>(packets),
                                static_cast<unsigned long>(window));
        }
    }
    uint32_t code = BACKDOOR_LIB_RequestUI32("CPU code to show (512: none)", 512);
    for (const LocalDevice& d : local_devices()) {
        SDK_CPU_CODE_ENTRY e{};
        if (sdkNetIfCpuCodeGet(d.dev, code, &e) == SDK_OK)
            BACKDOOR_MGR_Printf("device %u code %lu: queue %u, limiter %lu\r\n", d.dev,
                                static_cast<unsigned long>(code), e.tc,
                                static_cast<unsigned long>(e.rateLimiterIndex));
    }
}

void backdoor_run_cable_test() {
    uint32_t unit = BACKDOOR_LIB_RequestUI32("unit", 1);
    uint32_t port = BACKDOOR_LIB_RequestUI32("port", 1);
    BACKDOOR_MGR_Printf("%s\r\n", DEV_SWDRV_GetCableDiag(unit, port) ? "started" : "refused");
}

}  // namespace swdrv
