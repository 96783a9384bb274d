// Module 37: sends from the CPU and received packets given back, from other processes.
#include <algorithm>
#include <cstring>

#include "drivers/nicdrv/dev_nicdrv_cmd.h"
#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "platform/console/console.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "platform/sysfun/ipc_msg.h"

using namespace nicdrv;
namespace cmd = nicdrv_cmd;

namespace {

// A refused request: the mref, when it names one, is still released (every send owns it).
bool refuse(uint32_t code, const char* why, L_MM_Mref_T* mref) {
    CONSOLE_Printf("%s: request %lu refused: %s\r\n", "DEV_NICDRV_HandleIPCReqMsg",
                   static_cast<unsigned long>(code), why);
    ++cb().gw.send_unknown_reason_drop;
    PacketSendOut_MREF_ReleaseReference(mref);
    return false;
}

// The packet of a send: `len` bytes at pool offset `off`, wholly inside the pool.
const uint8_t* packet_at(uint32_t off, uint32_t len) {
    if (len == 0) return nullptr;
    return static_cast<const uint8_t*>(L_IPCMEM_GetPtrRange(off, len));
}

bool send_port(uint32_t code, const uint8_t* r) {
    L_MM_Mref_T* mref = L_MM_Mref_FromOffset(be::get32(r + cmd::kPortMref));
    const uint32_t len = be::get32(r + cmd::kPortLength);
    const uint8_t* pkt = packet_at(be::get32(r + cmd::kPortData), len);
    if (!pkt) return refuse(code, "packet outside the IPC pool or empty", mref);
    return DEV_NICDRV_GATEWAY_SendPacketByPort(be::get32(r + cmd::kPortUnit),
                                               be::get32(r + cmd::kPortPort), pkt, len, mref);
}

bool send_list(uint32_t code, const uint8_t* r) {
    L_MM_Mref_T* mref = L_MM_Mref_FromOffset(be::get32(r + cmd::kListMref));
    if (code == cmd::kReleaseByPortList) {
        PacketSendOut_MREF_ReleaseReference(mref);
        return true;
    }
    if (code == cmd::kSendXbarPacketByPortList)
        return DEV_NICDRV_GATEWAY_SendXbarPacketByPortList(mref);
    const uint32_t len = be::get32(r + cmd::kListLength);
    const uint8_t* pkt = packet_at(be::get32(r + cmd::kListData), len);
    if (!pkt) return refuse(code, "packet outside the IPC pool or empty", mref);
    ++cb().gw.send_by_port_list;
    return DEV_NICDRV_GATEWAY_SendPacketByPortList(be::get32(r + cmd::kListCount),
                                                   r + cmd::kListPorts, r + cmd::kListUntagged, pkt,
                                                   len, mref);
}

}  // namespace

bool DEV_NICDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    // Fields past what the request carried read as zero.
    uint8_t r[cmd::kRequestSize] = {};
    std::memcpy(r, ipcmsg::payload(msgbuf),
                std::min<uint32_t>(ipcmsg::msg_size(msgbuf), cmd::kRequestSize));
    const uint32_t code = be::get32(r);
    bool ok = false;
    switch (code) {
        case cmd::kSendPacketToPort:
            ++cb().gw.send_to_port;
            ok = send_port(code, r);
            break;
        case cmd::kSendPacketByPort:
            ok = send_port(code, r);
            break;
        case cmd::kSendPacketByPortList:
        case cmd::kReleaseByPortList:
        case cmd::kSendXbarPacketByPortList:
            ok = send_list(code, r);
            break;
        case cmd::kAcceptOnly:
            ok = true;
            break;
        case cmd::kSendIUCPacket: {
            L_MM_Mref_T* mref = L_MM_Mref_FromOffset(be::get32(r + cmd::kIucMref));
            if (!mref) {
                ok = refuse(code, "no mref at that offset", nullptr);
                break;
            }
            ok = DEV_NICDRV_GATEWAY_SendIUCPacket(mref, be::get16(r + cmd::kIucUnit),
                                                  r[cmd::kIucMask]);
            break;
        }
        case cmd::kFreeRxPacket:
            ok = DEV_NICDRV_GATEWAY_FreePacket(be::get32(r + cmd::kFreeInfo));
            break;
        default:
            // Not recognised: the 32-bit result word 1.
            ipcmsg::set_word(msgbuf, 0, 1);
            ipcmsg::set_msg_size(msgbuf, 4);
            return true;
    }
    ipcmsg::answer(msgbuf, ok);
    return true;
}
