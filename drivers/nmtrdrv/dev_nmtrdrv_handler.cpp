// The request handler of module 125: decodes the code in payload word 0, reads unit and port
// from offsets 8 and 12, and answers in the same buffer: the result in payload byte 0, the
// record from offset 8, msg_size from the code's layout row (dev_nmtrdrv_subcmd.h). Codes
// without a row are answered TRUE with msg_size 8.
#include <algorithm>
#include <array>
#include <cstring>

#include "drivers/nmtrdrv/dev_nmtrdrv.h"
#include "drivers/nmtrdrv/dev_nmtrdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/common/types.h"
#include "platform/sysfun/ipc_msg.h"

namespace {

namespace cmd = nmtrdrv::subcmd;

using Read = bool (*)(uint32_t unit, uint32_t port, uint8_t* record);

bool clear_port(uint32_t unit, uint32_t port, uint8_t*) {
    return DEV_NMTRDRV_ClearPortCounter(unit, port);
}
bool clear_all(uint32_t, uint32_t, uint8_t*) {
    return DEV_NMTRDRV_ClearAllCounters();
}
bool supported(uint32_t, uint32_t, uint8_t* record) {
    DEV_NMTRDRV_GetSupportedCounters(record);
    return true;
}

struct Op {
    uint32_t code;
    Read fn;
};
constexpr Op kOps[] = {
    {cmd::kClearPortCounter, clear_port},
    {cmd::kClearAllCounters, clear_all},
    {cmd::kGetIfStats, DEV_NMTRDRV_GetIfStats},
    {cmd::kGetIfXStats, DEV_NMTRDRV_GetIfXStats},
    {cmd::kGetRmonStats, DEV_NMTRDRV_GetRmonStats},
    {cmd::kGetEtherLikeStats, DEV_NMTRDRV_GetEtherLikeStats},
    {cmd::kGetPauseStats, DEV_NMTRDRV_GetPauseStats},
    {cmd::kGetSupportedCounters, supported},
    {cmd::kGetIfXStatsAlso, DEV_NMTRDRV_GetIfXStats},
};

// Every operation has a layout row and every row an operation; a mistake fails the build.
constexpr bool ops_match_rows() {
    if (std::size(kOps) != std::size(cmd::kRows)) return false;
    for (const Op& op : kOps)
        if (reqlayout::index_of(cmd::kRows, op.code) < 0) return false;
    return true;
}
static_assert(ops_match_rows());

// The bytes of the request the handler reads: code, unused word, unit, port.
constexpr uint32_t kArgBytes = 16;

}  // namespace

bool DEV_NMTRDRV_HandleIPCReqMsg(void* msgbuf) {
    if (!msgbuf) return false;
    uint8_t* payload = ipcmsg::payload(msgbuf);
    const uint32_t got = std::min<uint32_t>(ipcmsg::msg_size(msgbuf), sys_adpt::kMaxPayload);
    uint8_t in[kArgBytes] = {};
    std::memcpy(in, payload, std::min(got, kArgBytes));
    const uint32_t code = be::get32(in);
    const reqlayout::Row* row = reqlayout::find(cmd::kRows, code);
    const uint32_t size = row ? 4u + row->reply_size : cmd::kShortReply;
    // What the reply returns beyond what the request carried reads as zero, not as whatever
    // an earlier message left in the buffer.
    if (got < size) std::memset(payload + got, 0, size - got);
    bool ok = true;
    if (row) {
        const Op* op = std::find_if(std::begin(kOps), std::end(kOps),
                                    [&](const Op& o) { return o.code == code; });
        ok = op->fn(be::get32(in + 8), be::get32(in + 12), payload + cmd::kRecordOffset);
    }
    payload[0] = ok ? TRUE : FALSE;
    ipcmsg::set_msg_size(msgbuf, static_cast<uint16_t>(size));
    return true;
}
