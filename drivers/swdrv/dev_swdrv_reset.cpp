// The chip's defaults, written once at driver start (DEV_SWDRV_Reset): control protocols to
// the CPU and their CPU codes, the CPU code table and its rate limiters, CPU port shaping,
// security and sanity checks, buffers, the address table's hash lookup depth from the
// start-up file, the per-port defaults and the rate-limit records. No step stops the
// sequence: each failure is printed and the next step runs.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "drivers/swdrv/dev_swdrv_ratemode.h"
#include "platform/stktplg/stktplg.h"

namespace {

using swdrv::LocalDevice;

constexpr const char* kFunc = "DEV_SWDRV_Reset";
constexpr uint8_t kIeeeTrapped[] = {0, 2, 3, 14, 33};
constexpr uint32_t kCpuMru = 1600;
constexpr uint32_t kCascadeMru = 10300;
constexpr uint32_t kVlanMru0 = 10240;
// Buffer limits of every device (global Xon/Xoff, in buffers).
constexpr uint32_t kXonLimit = 0x200;
constexpr uint32_t kXoffLimit = 0x300;

void check(int line, SDK_STATUS rc) {
    if (rc != SDK_OK) swdrv::print_sdk_err(kFunc, line, rc);
}
#define RESET_CHECK(rc) check(__LINE__, (rc))

struct StackingPorts {
    uint32_t dev[2] = {0xFF, 0xFF}, port[2] = {0xFF, 0xFF};
    bool is(uint32_t d, uint32_t p) const {
        return (dev[0] == d && port[0] == p) || (dev[1] == d && port[1] == p);
    }
};

StackingPorts stacking_ports() {
    StackingPorts s;
    for (uint32_t i = 0; i < 2; ++i) {
        if (!STKTPLG_OM_GetStackingPortPhyDevPortId(i + 1, &s.dev[i], &s.port[i])) {
            swdrv::print_step_err(kFunc, __LINE__,
                                  "Failed to get device id and phy port of stacking port");
            s.dev[i] = s.port[i] = 0xFF;
        }
    }
    return s;
}

void ieee_reserved(uint8_t dev) {
    SDK_STATUS rc = sdkBrgGenIeeeReservedMcastTrapEnable(dev, true);
    for (uint32_t profile = 0; profile < SDK_IEEE_RSV_MC_PROFILES; ++profile)
        for (uint8_t proto : kIeeeTrapped)
            rc |= sdkBrgGenIeeeReservedMcastProtCmdSet(dev, profile, proto,
                                                       SDK_PACKET_CMD_TRAP_TO_CPU);
    rc |= sdkNetIfCpuCodeIeeeReservedMcastProtSet(dev, 0, 326);
    RESET_CHECK(rc);
}

void link_local(uint8_t dev, uint32_t ip_ver) {
    SDK_STATUS rc = sdkBrgGenIpLinkLocalMirrorToCpuEnable(dev, ip_ver, true);
    for (uint32_t proto = 0; proto < 256; ++proto)
        rc |= sdkBrgGenIpLinkLocalProtMirrorToCpuEnable(dev, ip_ver, static_cast<uint8_t>(proto),
                                                        true);
    rc |= sdkNetIfCpuCodeIpLinkLocalProtSet(dev, ip_ver, 1, 435);
    rc |= sdkNetIfCpuCodeIpLinkLocalProtSet(dev, ip_ver, 13, 434);
    RESET_CHECK(rc);
}

void app_specific_codes(uint8_t dev) {
    SDK_STATUS rc = sdkNetIfAppSpecificCpuCodeTcpSynSet(dev, true);
    const uint8_t protos[] = {89, 103, 112};
    for (uint32_t i = 0; i < 3; ++i)
        rc |= sdkNetIfAppSpcfcCpuCodeIpPrtclSet(dev, i, protos[i], 410);
    rc |= sdkNetIfAppSpcfcCpuCodeDstPrtRngSet(dev, 0, 520, 521, 410);
    rc |= sdkNetIfAppSpcfcCpuCodeDstPrtRngSet(dev, 1, 1985, 1985, 410);
    RESET_CHECK(rc);
}

void security(uint8_t dev) {
    SDK_STATUS rc = SDK_OK;
    for (uint32_t event : {SDK_SECUR_BREACH_INVALID_VLAN, SDK_SECUR_BREACH_INVALID_SA,
                           SDK_SECUR_BREACH_MOVED_STATIC})
        rc |= sdkBrgSecurBreachEventDropModeSet(dev, event, SDK_SECUR_DROP_HARD);
    rc |= sdkBrgSecurBreachEventDropModeSet(dev, SDK_SECUR_BREACH_NEW_ADDRESS, SDK_SECUR_DROP_SOFT);
    rc |= sdkBrgVlanValidCheckEnableSet(dev, true);
    rc |= sdkBrgSecurBreachMovedStaticAddrSet(dev, true);
    rc |= sdkSecProtSanityCheckSet(dev, SDK_SANITY_ICMP_FRAG, true);
    for (uint32_t c : {SDK_SANITY_SIP_EQ_DIP, SDK_SANITY_TCP_SYN_FIN, SDK_SANITY_TCP_FRAG_OFFSET1,
                       SDK_SANITY_TCP_PORT_ZERO, SDK_SANITY_TCP_NULL})
        rc |= sdkSecProtSanityCheckSet(dev, c, false);
    RESET_CHECK(rc);
}

// Congestion notification: the board's hook when installed; the virtual board's devices have
// no congestion threshold in their buffer profile, so only the panic pause is set (off).
void congestion_defaults(uint8_t dev) {
    RESET_CHECK(sdkPortPanicPauseThresholdsSet(dev, 0, 0));
}

// The port's VLAN defaults: port VLAN 1, every frame type, no ingress filter.
SDK_STATUS vlan_defaults(uint8_t dev, uint8_t port) {
    SDK_STATUS rc = sdkBrgVlanPortVidSet(dev, port, 1);
    rc |= sdkBrgVlanPortAccFrameTypeSet(dev, port, 1);
    rc |= sdkBrgVlanPortIngFltEnable(dev, port, false);
    uint32_t unit = 0, front = 0;
    if (rc == SDK_OK && DEV_SWDRV_PhyDevicePort2Logical(dev, port, &unit, &front) && front >= 1 &&
        front <= DEV_SWDRV_PORTS_PER_UNIT)
        DEV_SWDRV_OM().pvid[front - 1] = 1;
    return rc;
}

void port_defaults(const LocalDevice& d, const StackingPorts& stacking) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p) {
        if (!d.has(p)) continue;
        SDK_STATUS rc = vlan_defaults(d.dev, p);
        if (DEV_SWDRV_IsCascadingPort(d.dev, p)) {
            RESET_CHECK(rc | sdkPortMruSet(d.dev, p, kCascadeMru));
            continue;
        }
        if (stacking.is(d.dev, p)) {
            RESET_CHECK(rc);
            continue;
        }
        rc |= sdkPortTxBindPortToSchedulerProfileSet(d.dev, p, 0);
        rc |= sdkBrgGenPortOversizUntagPktFilterEnableSet(d.dev, p, true);
        rc |= sdkBrgVlanMruProfileValueSet(d.dev, 0, kVlanMru0);
        uint32_t type = 0;
        rc |= sdkPortTypeGet(d.dev, p, &type);
        if (type == SDK_PORT_TYPE_FE || type == SDK_PORT_TYPE_GE) {
            rc |= sdkPortSpeedAutoNegEnableSet(d.dev, p, true);
            rc |= sdkPortFlowCntrlAutoNegEnableSet(d.dev, p, true, om.pause_adv[d.dev][p] != 0);
            om.autoneg_cfg[d.dev][p] = 1;
        }
        rc |= sdkBrgFdbNaToCpuPerPortSet(d.dev, p, false);
        RESET_CHECK(rc);
    }
}

}  // namespace

bool DEV_SWDRV_InitBufferSettings(uint32_t device_id) {
    if (device_id >= DEV_SWDRV_MAX_DEVICES) return SWDRV_BAD_ARG("no such device");
    if (SDK_STATUS rc =
            sdkPortGlobalXonXoffLimitSet(static_cast<uint8_t>(device_id), kXonLimit, kXoffLimit)) {
        swdrv::print_sdk_err(kFunc, __LINE__, rc);
        return false;
    }
    return true;
}

void DEV_SWDRV_Reset() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    om.hash_lookup_depth = DEV_SWDRV_ReadHashLookupDepth();
    const StackingPorts stacking = stacking_ports();
    const std::vector<LocalDevice> devices = swdrv::local_devices();
    for (const LocalDevice& d : devices)
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p)
            if (d.has(p) && !DEV_SWDRV_IsCascadingPort(d.dev, p) && stacking.is(d.dev, p))
                RESET_CHECK(sdkPortMacCountersEnable(d.dev, p, true));
    for (const LocalDevice& d : devices) {
        ieee_reserved(d.dev);
        link_local(d.dev, SDK_IP_VER_4);
        RESET_CHECK(sdkPortMruSet(d.dev, SDK_CPU_PORT, kCpuMru) |
                    sdkBrgGenArpBcastToCpuCmdSet(d.dev, SDK_PACKET_CMD_MIRROR_TO_CPU));
        DEV_SWDRV_InitCpuCodeMap2Tc(d.dev);
        app_specific_codes(d.dev);
        DEV_SWDRV_InitCpuPortRateLimit(d.dev);
        security(d.dev);
        DEV_SWDRV_InitBufferSettings(d.dev);
        congestion_defaults(d.dev);
        RESET_CHECK(sdkPortTxWrrGlobalParamSet(d.dev, 1, 1) |
                    sdkBrgFdbAAandTAToCpuSet(d.dev, false) |
                    sdkBrgFdbMaxLookupLenSet(d.dev, om.hash_lookup_depth) |
                    sdkCscdTagSrcDevFilterSet(d.dev, false));
        port_defaults(d, stacking);
    }
    for (const LocalDevice& d : devices)
        link_local(d.dev, SDK_IP_VER_6);
    for (const LocalDevice& d : devices)
        RESET_CHECK(swdrv::rate_mode_defaults(d.dev));
    if (!DEV_SWDRV_InitMcastForwardingDefaults())
        swdrv::print_step_err(kFunc, __LINE__, "DEV_SWDRV_InitMcastForwardingDefaults failed");
}

bool DEV_SWDRV_InitMcastForwardingDefaults() {
    // The multicast forwarding driver's defaults are its own: it fills this in.
    return true;
}
