// Control packets to the CPU, set on every local device: MLD, router advertisements and
// redirects (ICMPv6 type table), EAPOL (IEEE reserved multicast), IGMP, unregistered
// multicast, IP multicast bridging, OAM PDUs, and the CPU's packet rate and port rate.
#include <algorithm>
#include <initializer_list>

#include "drivers/swdrv/dev_swdrv_internal.h"

namespace {

// Slots of the ICMPv6 message-type table and the types they hold.
constexpr uint8_t kIcmpv6Types[] = {130, 131, 132, 143, 134, 137};
constexpr uint32_t kMldSlots[] = {0, 1, 2, 3};
constexpr uint32_t kRaRrSlots[] = {4, 5};
constexpr uint8_t kEapolProtocol = 3;

// Writes device by device; the first device whose (ORed) result is not SDK_OK ends the walk
// with FALSE, the devices already written staying as they are.
template <typename Write>
bool walk_devices(const char* func, int line, Write write) {
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        if (SDK_STATUS rc = write(d.dev)) {
            swdrv::print_sdk_err(func, line, rc);
            return false;
        }
    }
    return true;
}

template <size_t N>
bool set_icmpv6(const char* func, int line, const uint32_t (&slots)[N], uint32_t cmd) {
    return walk_devices(func, line, [&](uint8_t dev) {
        SDK_STATUS rc = SDK_OK;
        for (uint32_t slot : slots)
            rc |= sdkBrgGenIcmpv6MsgTypeSet(dev, slot, kIcmpv6Types[slot], cmd);
        return rc;
    });
}

// The packet command of a (to the CPU, trap) request; false for a trap that does not go to
// the CPU.
bool to_cpu_cmd(bool to_cpu, bool trap, uint32_t* cmd) {
    if (!to_cpu && trap) return false;
    *cmd = !to_cpu ? SDK_PACKET_CMD_FORWARD
                   : (trap ? SDK_PACKET_CMD_TRAP_TO_CPU : SDK_PACKET_CMD_MIRROR_TO_CPU);
    return true;
}

// The packet command of a (to the CPU, flood) request for unregistered multicast.
uint32_t unreg_cmd(bool to_cpu, bool flood) {
    if (to_cpu) return flood ? SDK_PACKET_CMD_MIRROR_TO_CPU : SDK_PACKET_CMD_TRAP_TO_CPU;
    return flood ? SDK_PACKET_CMD_FORWARD : SDK_PACKET_CMD_DROP;
}

bool set_unreg(const char* func, int line, std::initializer_list<uint32_t> kinds, uint32_t cmd) {
    return swdrv::on_every_device(func, line, [&](uint8_t dev) {
        SDK_STATUS rc = SDK_OK;
        for (uint32_t kind : kinds)
            rc |= sdkBrgGenUnregMcastCmdSet(dev, kind, cmd);
        return rc;
    });
}

bool set_igmp(const char* func, int line, uint32_t cmd) {
    return swdrv::on_every_device(func, line,
                                  [&](uint8_t dev) { return sdkBrgGenIgmpCmdSet(dev, cmd); });
}

}  // namespace

bool DEV_SWDRV_EnableMLDTrap2CPU() {
    return set_icmpv6(__func__, __LINE__, kMldSlots, SDK_PACKET_CMD_TRAP_TO_CPU);
}

bool DEV_SWDRV_DisableMLDTrap2CPU() {
    return set_icmpv6(__func__, __LINE__, kMldSlots, SDK_PACKET_CMD_FORWARD);
}

bool DEV_SWDRV_TrapMLDToCPU(bool to_cpu, bool trap) {
    uint32_t cmd;
    if (!to_cpu_cmd(to_cpu, trap, &cmd)) return false;
    return set_icmpv6(__func__, __LINE__, kMldSlots, cmd);
}

bool DEV_SWDRV_SetRaAndRrTrap2CPU(uint32_t mode) {
    return set_icmpv6(__func__, __LINE__, kRaRrSlots,
                      mode == 1 ? SDK_PACKET_CMD_TRAP_TO_CPU : SDK_PACKET_CMD_FORWARD);
}

bool DEV_SWDRV_SetEapolFramePassThrough(uint32_t mode) {
    uint32_t cmd = mode == 1 ? SDK_PACKET_CMD_FORWARD : SDK_PACKET_CMD_TRAP_TO_CPU;
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        for (uint32_t profile = 0; profile < SDK_IEEE_RSV_MC_PROFILES; ++profile) {
            if (SDK_STATUS rc =
                    sdkBrgGenIeeeReservedMcastProtCmdSet(d.dev, profile, kEapolProtocol, cmd)) {
                SWDRV_SDK_ERR(rc);
                return false;
            }
        }
    }
    return true;
}

bool DEV_SWDRV_EnableIgmpTrap() {
    return set_igmp(__func__, __LINE__, SDK_PACKET_CMD_TRAP_TO_CPU);
}

bool DEV_SWDRV_DisableIgmpTrap() {
    return set_igmp(__func__, __LINE__, SDK_PACKET_CMD_FORWARD);
}

bool DEV_SWDRV_TrapIGMPToCPU(bool to_cpu, bool trap) {
    uint32_t cmd;
    if (!to_cpu_cmd(to_cpu, trap, &cmd)) return SWDRV_BAD_ARG("a trap must go to the CPU");
    return set_igmp(__func__, __LINE__, cmd);
}

bool DEV_SWDRV_EnableUMCASTIpTrap(bool enable) {
    return set_unreg(__func__, __LINE__, {SDK_UNREG_MC_IPV4, SDK_UNREG_MC_IPV6},
                     enable ? SDK_PACKET_CMD_TRAP_TO_CPU : SDK_PACKET_CMD_FORWARD);
}

bool DEV_SWDRV_EnableUMCASTMacTrap() {
    return set_unreg(__func__, __LINE__, {SDK_UNREG_MC_NON_IP}, SDK_PACKET_CMD_TRAP_TO_CPU);
}

bool DEV_SWDRV_DisableUMCASTMacTrap() {
    return set_unreg(__func__, __LINE__, {SDK_UNREG_MC_NON_IP}, SDK_PACKET_CMD_FORWARD);
}

bool DEV_SWDRV_TrapUnknownIpMcastToCPU(bool to_cpu, bool flood) {
    return set_unreg(__func__, __LINE__, {SDK_UNREG_MC_IPV4}, unreg_cmd(to_cpu, flood));
}

bool DEV_SWDRV_TrapUnknownIpv6McastToCPU(bool to_cpu, bool flood) {
    return set_unreg(__func__, __LINE__, {SDK_UNREG_MC_IPV6}, unreg_cmd(to_cpu, flood));
}

bool DEV_SWDRV_EnableIPMC() {
    return SWDRV_ON_EVERY_DEVICE([](uint8_t dev) { return sdkBrgMcIpBridgingEnable(dev, true); });
}

bool DEV_SWDRV_DisableIPMC() {
    return SWDRV_ON_EVERY_DEVICE([](uint8_t dev) { return sdkBrgMcIpBridgingEnable(dev, false); });
}

bool DEV_SWDRV_SetOamPduToCpu(uint32_t unit, uint32_t port, bool enable) {
    swdrv::DevPort dp;
    if (!SWDRV_TRANSLATE(unit, port, &dp)) return false;
    if (SDK_STATUS rc = sdkOamPortPduTrapEnableSet(dp.dev, dp.port, enable)) {
        SWDRV_SDK_ERR_ARGS(rc, dp.dev, dp.port);
        return false;
    }
    return true;
}

bool DEV_SWDRV_SetCpuRateLimit(uint32_t packets_per_sec) {
    return SWDRV_ON_EVERY_DEVICE(
        [&](uint8_t dev) { return sdkNetIfCpuRateLimitSet(dev, packets_per_sec); });
}

bool DEV_SWDRV_SetCpuPortRate(uint32_t rate_kbps) {
    return SWDRV_ON_EVERY_DEVICE([&](uint8_t dev) {
        if (rate_kbps == 0) return sdkPortTxShaperEnableSet(dev, SDK_CPU_PORT, false);
        // A burst of about 4 ms at the rate, in 4 KB units, at least one.
        uint32_t burst = std::max<uint32_t>(1, std::min<uint32_t>(4095, rate_kbps / 8192));
        SDK_STATUS rc = sdkPortTxShaperProfileSet(dev, SDK_CPU_PORT, burst, rate_kbps);
        return rc ? rc : sdkPortTxShaperEnableSet(dev, SDK_CPU_PORT, true);
    });
}
