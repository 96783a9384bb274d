// The transmit half of DEV_NICDRV_GATEWAY: a packet of the shared IPC pool copied into a DMA
// buffer of the gateway's pool and sent from the CPU to a port, a list of ports, or another
// unit's CPU over the stacking ports.
#include <cstring>
#include <vector>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/console/console.h"
#include "platform/lmm/l_mm.h"
#include "platform/stktplg/stktplg.h"

namespace nicdrv {
namespace {

// Binds the transmit event on the first send; false when that fails.
bool bind_tx_event() {
    ControlBlock& c = cb();
    if (c.tx_bound) return true;
    const uint32_t events[1] = {SDK_EVENT_TX_BUFFER_QUEUE};
    if (sdkEventBind(events, 1, &c.tx_handle) != SDK_OK) return false;
    ++c.tx_bind_count;
    c.tx_bound = true;
    return true;
}

// The parameters common to every send, with the tag fields from the packet's own tag.
SDK_NET_TX_PARAMS base_params(const uint8_t* pkt, uint32_t len, void* buf, bool iuc) {
    SDK_NET_TX_PARAMS p{};
    p.packetIsTagged = true;
    p.cookie = buf;
    p.recalcCrc = true;
    p.txQueue = 3;
    p.evReqHndl = cb().tx_handle;
    p.invokeTxBufferQueueEvent = false;
    p.cascadeTagType = SDK_NET_CASCADE_TAG_EXTENDED;
    const uint16_t tci = len >= 16 ? be::get16(pkt + 14) : 0;
    p.vpt = iuc ? 0 : static_cast<uint8_t>(tci >> 13);
    p.cfiBit = static_cast<uint8_t>(tci >> 12 & 1);
    p.vid = tci & 0xFFF;
    p.dropOnSource = iuc;
    p.packetIsLooped = false;
    p.cascadeCmd = SDK_NET_CASCADE_CMD_FROM_CPU;
    p.dstInterface.type = SDK_INTERFACE_PORT;
    p.tc = iuc ? 0 : 3;
    p.dp = 0;
    p.egrFilterEn = false;
    p.cascadeControl = true;
    p.egrFilterRegistered = false;
    return p;
}

uint32_t send_len(uint32_t len) {
    return len + 4 < kMinSendLen ? kMinSendLen : len + 4;
}

// A DMA buffer holding the packet (zero-padded to its send length); nullptr with the
// console line when the pool has none.
uint8_t* take_buffer(const uint8_t* pkt, uint32_t len) {
    auto* buf = static_cast<uint8_t*>(sdkPoolGetBuf(cb().tx_pool));
    if (!buf) {
        CONSOLE_Printf("%s: sdkPoolGetBuf() has no available buffer.\r\n", "DEV_NICDRV_GATEWAY");
        return nullptr;
    }
    std::memcpy(buf, pkt, len);
    std::memset(buf + len, 0, send_len(len) - len);
    return buf;
}

bool give_buffer(uint8_t* buf) {
    if (SDK_STATUS rc = sdkPoolFreeBuf(cb().tx_pool, buf)) {
        CONSOLE_Printf("%s(%d) sdkPoolFreeBuf() Fail: %d.\n", "DEV_NICDRV_GATEWAY", __LINE__,
                       static_cast<int>(rc));
        return false;
    }
    return true;
}

SDK_STATUS send(uint32_t device, const SDK_NET_TX_PARAMS& p, uint8_t* buf, uint32_t len) {
    uint8_t* bufs[1] = {buf};
    uint32_t lens[1] = {send_len(len)};
    return sdkNetIfSdmaSyncTxPacketSend(static_cast<uint8_t>(device), &p, bufs, lens, 1);
}

void watch_port(const SDK_NET_TX_PARAMS& p, uint32_t chip, const uint8_t* pkt, uint32_t len) {
    CONSOLE_Printf(
        "[chipId]%lu[isTagged]%d[txQueue]%d[vid]%d[vpt]%d[tagType]%d[devNum]%d\r\n"
        "[devPort.devNum]%d[devPort.portNum]%d[vlanId]%d[pkt_len]%lu [pkt]",
        static_cast<unsigned long>(chip), p.packetIsTagged ? 1 : 0, p.txQueue, p.vid, p.vpt,
        static_cast<int>(p.cascadeTagType), p.srcDev, p.dstInterface.devPort.devNum,
        p.dstInterface.devPort.portNum, p.dstInterface.vlanId, static_cast<unsigned long>(len));
    for (uint32_t i = 0; i < len; ++i)
        CONSOLE_Printf("%02x", pkt[i]);
    CONSOLE_Printf("\r\n");
}

void watch_iuc(const SDK_NET_TX_PARAMS& p, uint32_t chip, uint32_t len) {
    CONSOLE_Printf(
        "[chipId]%lu[isTagged]%d[txQueue]%d[vid]%d[vpt]%d[tagType]%d\r\n[srcId]%lu[srcDev]%hu"
        "[dstIsTagged]%hu[mailbox]%hu\r\ndstInterface:[type]%d[devNum]:%hu[devPort.devNum]%hu"
        "[devPort.portNum]%hu[vlanId]%hu\r\nextDestInfo:[multiDest.mirrorToAllCPUs]%hu\r\n"
        "[tc]%hu[dp]%d[egrFilterEn]%hu[cascadeControl]%hu[egrFilterRegistered]%hu\r\n"
        "[pkt_len]%lu [pkt]\r\n",
        static_cast<unsigned long>(chip), p.packetIsTagged ? 1 : 0, p.txQueue, p.vid, p.vpt,
        static_cast<int>(p.cascadeTagType), static_cast<unsigned long>(p.srcId),
        static_cast<unsigned short>(p.srcDev), static_cast<unsigned short>(p.dstIsTagged),
        static_cast<unsigned short>(p.mailBoxToNeighborCPU), static_cast<int>(p.dstInterface.type),
        static_cast<unsigned short>(p.dstInterface.devPort.devNum),
        static_cast<unsigned short>(p.dstInterface.devPort.devNum),
        static_cast<unsigned short>(p.dstInterface.devPort.portNum),
        static_cast<unsigned short>(p.dstInterface.vlanId),
        static_cast<unsigned short>(p.mirrorToAllCPUs), static_cast<unsigned short>(p.tc), p.dp,
        static_cast<unsigned short>(p.egrFilterEn), static_cast<unsigned short>(p.cascadeControl),
        static_cast<unsigned short>(p.egrFilterRegistered), static_cast<unsigned long>(len));
}

bool watching(uint32_t setting) {
    const uint32_t w = cb().tx_watch;
    return w == setting || w == 9;
}

// A packet too big for one DMA buffer cannot be sent.
bool fits(uint32_t len) {
    if (send_len(len) <= kTxBufSize) return true;
    CONSOLE_Printf("%s: packet of %lu bytes does not fit a %d-byte buffer.\r\n",
                   "DEV_NICDRV_GATEWAY", static_cast<unsigned long>(len),
                   static_cast<int>(kTxBufSize));
    ++cb().gw.send_unknown_reason_drop;
    return false;
}

bool fail(L_MM_Mref_T* mref) {
    PacketSendOut_MREF_ReleaseReference(mref);
    return false;
}

}  // namespace
}  // namespace nicdrv

using namespace nicdrv;

void PacketSendOut_MREF_ReleaseReference(L_MM_Mref_T* mref) {
    if (mref && L_MM_Mref_Release(&mref) < 0)
        L_MM_DebugPrintf("L_MM_Mref_Release() return fail.", __func__, __LINE__);
}

uint32_t DEV_NICDRV_GATEWAY_TxBindCount() {
    return cb().tx_bind_count;
}
SDK_POOL_ID DEV_NICDRV_GATEWAY_TxPool() {
    return cb().tx_pool;
}

bool DEV_NICDRV_GATEWAY_SendPacketByPort(uint32_t unit, uint32_t port, const uint8_t* packet,
                                         uint32_t length, L_MM_Mref_T* mref) {
    ControlBlock& c = cb();
    if (!packet || !fits(length) || !bind_tx_event()) return fail(mref);
    uint32_t me = 0, mod1 = 0, dev1 = 0, port1 = 0, mod = 0, dev = 0, pp = 0;
    if (!STKTPLG_POM_GetMyUnitID(&me) ||
        !DEV_SWDRV_Logical2PhyDevicePortID(me, 1, &mod1, &dev1, &port1) ||
        !DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &mod, &dev, &pp))
        return fail(mref);
    SDK_NET_TX_PARAMS p = base_params(packet, length, nullptr, false);
    p.dstInterface.devPort.devNum = static_cast<uint8_t>(mod);
    p.dstInterface.devPort.portNum = static_cast<uint8_t>(pp);
    p.dstInterface.vlanId = p.vid;
    p.srcId = mod;
    p.srcDev = 0;
    p.dstIsTagged = false;
    ++c.gw.send_by_port;
    if (watching(3)) watch_port(p, dev1, packet, length);
    uint8_t* buf = take_buffer(packet, length);
    if (!buf) return fail(mref);
    p.cookie = buf;
    bool ok = true;
    if (SDK_STATUS rc = send(dev1, p, buf, length)) {
        if (c.sdk_err_msg)
            CONSOLE_Printf("send DEV_NICDRV_GATEWAY_SendPacketByPort Fail: %d \r\n",
                           static_cast<int>(rc));
        ok = false;
    }
    ok = give_buffer(buf) && ok;
    PacketSendOut_MREF_ReleaseReference(mref);
    return ok;
}

bool DEV_NICDRV_GATEWAY_SendPacketByPortList(uint32_t count, const uint8_t* port_bitmap,
                                             const uint8_t* untagged_bitmap, const uint8_t* packet,
                                             uint32_t length, L_MM_Mref_T* mref) {
    ControlBlock& c = cb();
    if (count == 0 || !port_bitmap || !untagged_bitmap || !packet) return fail(mref);
    uint32_t me = 0, mod1 = 0, dev1 = 0, port1 = 0;
    if (!STKTPLG_POM_GetMyUnitID(&me) ||
        !DEV_SWDRV_Logical2PhyDevicePortID(me, 1, &mod1, &dev1, &port1))
        return fail(mref);
    if (!fits(length) || !bind_tx_event()) return fail(mref);
    struct Dest {
        uint32_t mod, port, dev;
        bool tagged;
    };
    std::vector<Dest> dests;
    uint32_t found = 0;
    for (uint32_t pos = 1; pos <= 16 && found < count; ++pos) {
        const uint32_t unit = (pos + 15) / 16, port = (pos - 1) % 16 + 1;
        uint32_t max = 0;
        if (!STKTPLG_POM_UnitExist(unit) || !STKTPLG_POM_GetMaxPortNumberOnBoard(unit, &max))
            continue;
        if (STKTPLG_POM_IsOptionModule()) {
            uint32_t extra = 0;
            if (STKTPLG_POM_GetLocalModulePortNumber(&extra)) max += extra;
        }
        if (port > max) continue;
        uint32_t mod = 0, dev = 0, pp = 0;
        if (!DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &mod, &dev, &pp)) return fail(mref);
        const uint8_t bit = static_cast<uint8_t>(0x80 >> ((pos - 1) % 8));
        if (!(port_bitmap[(pos - 1) / 8] & bit) || unit != me) continue;
        dests.push_back({mod, pp, dev, !(untagged_bitmap[(pos - 1) / 8] & bit)});
        ++found;
    }
    uint8_t* buf = take_buffer(packet, length);
    if (!buf) return fail(mref);
    bool ok = true;
    for (const Dest& d : dests) {
        SDK_NET_TX_PARAMS p = base_params(packet, length, buf, false);
        p.dstInterface.devPort.devNum = static_cast<uint8_t>(d.mod);
        p.dstInterface.devPort.portNum = static_cast<uint8_t>(d.port);
        p.dstInterface.vlanId = p.vid;
        p.srcId = d.mod;
        p.srcDev = static_cast<uint8_t>(d.mod);
        p.dstIsTagged = d.tagged;
        ++c.gw.send_by_port;
        if (watching(3)) watch_port(p, d.dev, packet, length);
        SDK_STATUS rc = send(d.dev, p, buf, length);
        if (rc == SDK_NO_RESOURCE) {
            ++c.gw.send_no_resource_drop;
            ok = false;
        } else if (rc != SDK_OK) {
            ++c.gw.send_unknown_reason_drop;
            if (c.sdk_err_msg)
                CONSOLE_Printf("%s[%d] send DEV_NICDRV_GATEWAY_SendPacketByPortList Fail rv=%d\r\n",
                               "DEV_NICDRV_GATEWAY_SendPacketByPortList", __LINE__,
                               static_cast<int>(rc));
            ok = false;
            break;
        }
    }
    ok = give_buffer(buf) && ok;
    PacketSendOut_MREF_ReleaseReference(mref);
    return ok;
}

bool DEV_NICDRV_GATEWAY_SendXbarPacketByPortList(L_MM_Mref_T* mref) {
    PacketSendOut_MREF_ReleaseReference(mref);
    return true;
}

bool DEV_NICDRV_GATEWAY_FillFromCPUTxParams(uint16_t dst_unit, uint16_t uplink_downlink,
                                            SDK_NET_TX_PARAMS* params) {
    static const char* fn = "DEV_NICDRV_GATEWAY_FillFromCPUTxParams";
    if (!params) {
        CONSOLE_Printf("%s(%d):pcktParams_p is NULL.\r\n", fn, __LINE__);
        return false;
    }
    if (uplink_downlink != 1 && uplink_downlink != 2) {
        CONSOLE_Printf("%s(%d):Invalid value of uplink_downlink(%hu).\r\n", fn, __LINE__,
                       uplink_downlink);
        return false;
    }
    uint32_t me = 0, mod = 0, cpu_dev = 0;
    if (!STKTPLG_POM_GetMyUnitID(&me) || !DEV_SWDRV_GetModuleIdFromLocalDeviceId(me, 0, &mod)) {
        CONSOLE_Printf("%s(%d):Failed to get module id for local unit\r\n", fn, __LINE__);
        return false;
    }
    DEV_SWDRV_GetCpuEnabledDevIdByUnit(me, &cpu_dev);
    params->srcId = mod;
    params->srcDev = static_cast<uint8_t>(mod + cpu_dev);
    if (dst_unit == nicdrv_iuc::kNeighbours) {
        params->srcId = 31;
        uint32_t dev = 0, port = 0;
        if (!STKTPLG_OM_GetStackingPortPhyDevPortId(uplink_downlink, &dev, &port)) {
            CONSOLE_Printf(
                "%s(%d):Failed to get device id and phy port of stakcing "
                "port(uplink_downlink=%hu)\r\n",
                fn, __LINE__, uplink_downlink);
            return false;
        }
        params->dstInterface.devPort.devNum = static_cast<uint8_t>(mod + dev);
        params->dstInterface.devPort.portNum = static_cast<uint8_t>(port);
        params->dstIsTagged = true;
        params->mailBoxToNeighborCPU = true;
        return true;
    }
    if (dst_unit == nicdrv_iuc::kAll) return true;
    uint32_t dst_dev = 0, dst_mod = 0;
    if (!DEV_SWDRV_GetCpuEnabledDevIdByUnit(dst_unit, &dst_dev)) {
        CONSOLE_Printf("%s(%d):Failed to get dst device id for unit %lu\r\n", fn, __LINE__,
                       static_cast<unsigned long>(dst_unit));
        return false;
    }
    if (!DEV_SWDRV_GetModuleIdFromLocalDeviceId(dst_unit, dst_dev, &dst_mod)) {
        CONSOLE_Printf("%s(%d):Failed to get dst module id for unit %lu\r\n", fn, __LINE__,
                       static_cast<unsigned long>(dst_unit));
        return false;
    }
    params->dstInterface.devPort.devNum = static_cast<uint8_t>(dst_mod + dst_dev);
    params->dstInterface.devPort.portNum = SDK_CPU_PORT;
    params->dstIsTagged = true;
    return true;
}

bool DEV_NICDRV_GATEWAY_SendIUCPacket(L_MM_Mref_T* mref, uint16_t dst_unit, uint8_t port_mask) {
    ControlBlock& c = cb();
    static const char* fn = "DEV_NICDRV_GATEWAY_SendIUCPacket";
    if (dst_unit != 1 && dst_unit != nicdrv_iuc::kNeighbours && dst_unit != nicdrv_iuc::kOther &&
        dst_unit != nicdrv_iuc::kAll) {
        CONSOLE_Printf("DEV_NICDRV_GATEWAY_SendIUCPacket dest-unit error(dst_unit=%hu)\r\n",
                       dst_unit);
        return fail(mref);
    }
    if (!bind_tx_event()) return fail(mref);
    uint32_t up_dev = 0, up_port = 0, down_dev = 0, down_port = 0;
    if (!STKTPLG_OM_GetStackingPortPhyDevPortId(1, &up_dev, &up_port)) {
        CONSOLE_Printf("%s: Failed to get device id of up stacking port\r\n", fn);
        return fail(mref);
    }
    if (!STKTPLG_OM_GetStackingPortPhyDevPortId(2, &down_dev, &down_port)) {
        CONSOLE_Printf("%s: Failed to get device id of down stacking port\r\n", fn);
        return fail(mref);
    }
    uint32_t len = 0;
    auto* pkt = static_cast<const uint8_t*>(L_MM_Mref_GetPdu(mref, &len));
    if (!pkt) {
        L_MM_DebugPrintf("L_MM_Mref_GetPdu() return NULL.", fn, __LINE__);
        return fail(mref);
    }
    if (!fits(len)) return fail(mref);
    uint8_t* buf = take_buffer(pkt, len);
    if (!buf) return fail(mref);
    bool ok = true;
    auto one = [&](uint16_t which, uint32_t dev) {
        SDK_NET_TX_PARAMS p = base_params(pkt, len, buf, true);
        if (!DEV_NICDRV_GATEWAY_FillFromCPUTxParams(dst_unit, which, &p)) return false;
        if (watching(6)) watch_iuc(p, dev, len);
        if (SDK_STATUS rc = send(dev, p, buf, len)) {
            CONSOLE_Printf("%s Fail: %d \r\n", fn, static_cast<int>(rc));
            return false;
        }
        ++c.gw.send_iuc;
        return true;
    };
    if (dst_unit == nicdrv_iuc::kNeighbours) {
        if ((port_mask & 1) && !one(1, up_dev))
            ok = false;
        else if ((port_mask & 2) && !one(2, down_dev))
            ok = false;
    } else {
        ok = one(1, up_dev);
    }
    ok = give_buffer(buf) && ok;
    PacketSendOut_MREF_ReleaseReference(mref);
    return ok;
}
