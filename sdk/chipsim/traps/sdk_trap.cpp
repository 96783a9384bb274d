// Control packets to the CPU: ICMPv6 types, IEEE reserved multicast, IGMP, unregistered
// multicast, IP multicast bridging, OAM PDUs, the CPU's packet rate.
#include "sdk/sdk_trap.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_netif.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::Traps;
using chipsim::with_device;
using chipsim::with_port;

namespace {

bool cmd_ok(uint32_t cmd) {
    return cmd <= SDK_PACKET_CMD_DROP;
}

template <typename Fn>
SDK_STATUS with_traps(const char* op, uint8_t dev, Fn fn) {
    return with_device(op, dev, [&](Device& d) { return fn(d.traps); });
}

}  // namespace

SDK_STATUS sdkBrgGenIcmpv6MsgTypeSet(uint8_t devNum, uint32_t index, uint8_t msgType,
                                     uint32_t cmd) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (index >= SDK_ICMPV6_SLOTS) return SDK_OUT_OF_RANGE;
        if (!cmd_ok(cmd)) return SDK_BAD_PARAM;
        t.icmpv6[index] = {msgType, cmd};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIcmpv6MsgTypeGet(uint8_t devNum, uint32_t index, uint8_t* msgType,
                                     uint32_t* cmd) {
    if (!msgType || !cmd) return SDK_BAD_PTR;
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (index >= SDK_ICMPV6_SLOTS) return SDK_OUT_OF_RANGE;
        *msgType = t.icmpv6[index].type;
        *cmd = t.icmpv6[index].cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIeeeReservedMcastTrapEnable(uint8_t devNum, bool enable) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        t.ieee_enable = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIeeeReservedMcastProtCmdSet(uint8_t devNum, uint32_t profileIndex,
                                                uint8_t protocol, uint32_t cmd) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (profileIndex >= SDK_IEEE_RSV_MC_PROFILES) return SDK_OUT_OF_RANGE;
        if (!cmd_ok(cmd)) return SDK_BAD_PARAM;
        t.ieee_cmd[profileIndex][protocol] = static_cast<uint8_t>(cmd);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIeeeReservedMcastProtCmdGet(uint8_t devNum, uint32_t profileIndex,
                                                uint8_t protocol, uint32_t* cmd) {
    if (!cmd) return SDK_BAD_PTR;
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (profileIndex >= SDK_IEEE_RSV_MC_PROFILES) return SDK_OUT_OF_RANGE;
        *cmd = t.ieee_cmd[profileIndex][protocol];
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenPortIeeeReservedMcastProfileIndexSet(uint8_t devNum, uint8_t portNum,
                                                         uint32_t profileIndex) {
    return with_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        if (profileIndex >= SDK_IEEE_RSV_MC_PROFILES) return SDK_OUT_OF_RANGE;
        d.traps.ieee_profile[portNum] = static_cast<uint8_t>(profileIndex);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIgmpCmdSet(uint8_t devNum, uint32_t cmd) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (!cmd_ok(cmd)) return SDK_BAD_PARAM;
        t.igmp_cmd = cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIgmpCmdGet(uint8_t devNum, uint32_t* cmd) {
    if (!cmd) return SDK_BAD_PTR;
    return with_traps(__func__, devNum, [&](Traps& t) {
        *cmd = t.igmp_cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenUnregMcastCmdSet(uint8_t devNum, uint32_t kind, uint32_t cmd) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (kind >= SDK_UNREG_MC_KINDS || !cmd_ok(cmd)) return SDK_BAD_PARAM;
        t.unreg_mc_cmd[kind] = cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenUnregMcastCmdGet(uint8_t devNum, uint32_t kind, uint32_t* cmd) {
    if (!cmd) return SDK_BAD_PTR;
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (kind >= SDK_UNREG_MC_KINDS) return SDK_BAD_PARAM;
        *cmd = t.unreg_mc_cmd[kind];
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgMcIpBridgingEnable(uint8_t devNum, bool enable) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        t.ip_mc_bridging = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkOamPortPduTrapEnableSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        d.traps.oam_pdu_trap[portNum] = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfCpuRateLimitSet(uint8_t devNum, uint32_t packetsPerSec) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        t.cpu_rate_limit = packetsPerSec;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIpLinkLocalMirrorToCpuEnable(uint8_t devNum, uint32_t ipVer, bool enable) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (ipVer > SDK_IP_VER_6) return SDK_BAD_PARAM;
        t.ip_ll_mirror[ipVer] = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenIpLinkLocalProtMirrorToCpuEnable(uint8_t devNum, uint32_t ipVer,
                                                     uint8_t protocol, bool enable) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (ipVer > SDK_IP_VER_6) return SDK_BAD_PARAM;
        t.ip_ll_prot[ipVer][protocol] = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenArpBcastToCpuCmdSet(uint8_t devNum, uint32_t cmd) {
    return with_traps(__func__, devNum, [&](Traps& t) {
        if (!cmd_ok(cmd)) return SDK_BAD_PARAM;
        t.arp_bcast_cmd = cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenArpBcastToCpuCmdGet(uint8_t devNum, uint32_t* cmd) {
    if (!cmd) return SDK_BAD_PTR;
    return with_traps(__func__, devNum, [&](Traps& t) {
        *cmd = t.arp_bcast_cmd;
        return SDK_OK;
    });
}
