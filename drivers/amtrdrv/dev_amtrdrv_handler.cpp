// The request handler of module 120: decodes the code in payload word 0 and its arguments
// from a zero-padded copy of the request, calls the operation and answers in the same buffer
// (dev_amtrdrv_subcmd.h gives each code's layout and reply size).
#include <algorithm>
#include <cstring>

#include "drivers/amtrdrv/dev_amtrdrv.h"
#include "drivers/amtrdrv/dev_amtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/common/types.h"
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/sdk.h"

namespace {

namespace cmd = amtrdrv::subcmd;

// The request bytes any code reads.
constexpr uint32_t kArgBytes = 32;

struct Request {
    uint8_t in[kArgBytes] = {};
    uint8_t* out;  // the payload, answered in place
    uint32_t word(uint32_t off) const { return be::get32(in + off); }
    DEV_AMTRDRV_AddrEntry record(uint32_t off) const {
        DEV_AMTRDRV_AddrEntry r;
        DEV_AMTRDRV_DecodeRecord(in + off, &r);
        return r;
    }
};

// Returns the status word (for the codes that answer one) or TRUE/FALSE.
uint32_t serve(uint32_t code, Request& q, bool* as_word) {
    *as_word = false;
    const uint8_t* mac = q.in + 8;
    switch (code) {
        case cmd::kSetAgeingTime:
            return DEV_AMTRDRV_SetAgeingTime(q.word(4));
        case cmd::kResetScan:
            return DEV_AMTRDRV_ResetScan();
        case cmd::kGetNextEntry:
            *as_word = true;
            return DEV_AMTRDRV_GetNextAddrTblEntry(q.out + 4);
        case cmd::kGetEntries: {
            *as_word = true;
            const uint32_t want = std::min(q.word(4), cmd::kMaxRecords);
            uint32_t n = 0;
            while (n < want && DEV_AMTRDRV_GetNextAddrTblEntry(q.out + cmd::kRecordsOffset +
                                                               n * cmd::kRecordSize) == 0)
                ++n;
            be::put32(q.out + cmd::kCountOffset, n);
            return n > 0 ? 0 : 1;
        }
        case cmd::kSetEntry:
            return DEV_AMTRDRV_SetAddrTblEntry(q.record(4));
        case cmd::kDeleteAddr:
        case cmd::kDeleteAddr2:
        case cmd::kDeleteAddr3:
            return DEV_AMTRDRV_DeleteAddr(q.word(4), mac);
        case cmd::kDeleteAllDynamic:
            return DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_ALL_DYNAMIC, 0, 0, 0);
        case cmd::kDeleteAll:
            return DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_ALL, 0, 0, 0);
        case cmd::kSetInterventionEntry:
            *as_word = true;
            return DEV_AMTRDRV_SetInterventionEntry(q.word(4), mac, q.in[14], q.word(16));
        case cmd::kAddVlanMac:
            return DEV_AMTRDRV_AddVlanMac(q.word(4), mac);
        case cmd::kLookUp:
        case cmd::kLookUpFirstDevice: {
            uint32_t port = 0, trunk = 0;
            uint8_t is_trunk = 0;
            const uint32_t vid = q.word(4);
            bool found = false;
            if (code == cmd::kLookUp) {
                found = DEV_AMTRDRV_ARLLookUp(vid, mac, &port, &trunk, &is_trunk);
            } else {
                uint8_t first = 0, count = 0;
                found = sdkCfgDevCountGet(&first, &count) == SDK_OK && count > 0 &&
                        DEV_AMTRDRV_ARLLookUpByDevId(first, vid, mac, &port, &trunk, &is_trunk);
            }
            const uint32_t at = code == cmd::kLookUp ? 4 : 8;
            if (found) {
                be::put32(q.out + at, port);
                be::put32(q.out + at + 4, trunk);
                q.out[at + 8] = is_trunk;
            }
            return found;
        }
        case cmd::kSetEntryWithAttribute:
            return DEV_AMTRDRV_SetMacEntryWithAttribute(q.record(4), q.word(20), q.in[24]);
        case cmd::kDeleteByPortOrTrunk:
        case cmd::kDeleteDynamicByPortOrTrunk: {
            const bool with_static = code == cmd::kDeleteByPortOrTrunk;
            const uint32_t trunk = q.word(12);
            if (trunk == 0)
                return DEV_AMTRDRV_DeleteGroupAddr(
                    with_static ? DEV_AMTRDRV_DEL_PORT : DEV_AMTRDRV_DEL_PORT_DYNAMIC, q.word(4),
                    q.word(8), 0);
            return DEV_AMTRDRV_DeleteGroupAddr(
                with_static ? DEV_AMTRDRV_DEL_TRUNK : DEV_AMTRDRV_DEL_TRUNK_DYNAMIC, 0, trunk, 0);
        }
        case cmd::kDeleteByVlan:
            return DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_VLAN_DYNAMIC, 0, 0, q.word(16));
        case cmd::kDeleteByPortVlan:
            return DEV_AMTRDRV_DeleteGroupAddr(DEV_AMTRDRV_DEL_PORT_VLAN_DYNAMIC, q.word(4),
                                               q.word(8), q.word(16));
        case cmd::kReadAndClearHitBit:
            q.out[4] = 0;
            return DEV_AMTRDRV_ReadAndClearLocalHitBit();
        case cmd::kSetEntryByDevice:
            *as_word = true;
            return DEV_AMTRDRV_SetAddrTblEntryByDevice(q.in[4], q.record(6));
        case cmd::kDeleteAddrByDevice:
            return DEV_AMTRDRV_DeleteAddrByDevice(q.in[4], q.word(8), q.in + 12);
        case cmd::kDisableHardwareLearning:
            return DEV_AMTRDRV_DisableHardwareLearning();
        case cmd::kAccepted1:
        case cmd::kAccepted3:
            return true;
        case cmd::kGetHashLookupDepth: {
            bool ok = false;
            be::put32(q.out + 4, DEV_AMTRDRV_GetHashLookupDepth(&ok));
            return ok;
        }
    }
    return false;
}

}  // namespace

bool DEV_AMTRDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    uint8_t* payload = ipcmsg::payload(msgbuf);
    const uint32_t got = std::min<uint32_t>(ipcmsg::msg_size(msgbuf), sys_adpt::kMaxPayload);
    Request q;
    q.out = payload;
    std::memcpy(q.in, payload, std::min(got, kArgBytes));
    const uint32_t code = got >= 4 ? be::get32(q.in) : 0xFFFFFFFF;
    const reqlayout::Row* row = reqlayout::find(cmd::kRows, code);
    if (row && code == cmd::kNullMacCount) {
        CONSOLE_Printf(" The number of valid null mac is %ld \r\n", 0L);
        return true;
    }
    if (!row || got < row->args.end_offset()) {
        if (row)
            CONSOLE_Printf("%s: request %lu carries %lu bytes, %lu needed\n",
                           "DEV_AMTRDRV_HandleIPCReqMsg", static_cast<unsigned long>(code),
                           static_cast<unsigned long>(got),
                           static_cast<unsigned long>(row->args.end_offset()));
        if (got < 4) std::memset(payload + got, 0, 4 - got);
        payload[0] = FALSE;  // the other bytes of the code word come back as sent
        ipcmsg::set_msg_size(msgbuf, 4);
        return true;
    }
    const uint32_t size = 4u + row->reply_size;
    // What the reply returns beyond what the request carried reads as zero.
    if (got < size) std::memset(payload + got, 0, size - got);
    bool as_word = false;
    const uint32_t result = serve(code, q, &as_word);
    if (as_word) {
        be::put32(payload, result);
    } else {
        payload[0] = result ? TRUE : FALSE;
    }
    ipcmsg::set_msg_size(msgbuf, static_cast<uint16_t>(size));
    return true;
}
