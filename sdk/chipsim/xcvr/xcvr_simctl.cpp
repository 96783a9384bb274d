// The transceiver cages' simulation-control commands (layouts in xcvr_cmds.h).
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/simctl_util.h"
#include "sdk/chipsim/xcvr/cages.h"
#include "sdk/simproto/simctl_reply.h"
#include "sdk/simproto/xcvr_cmds.h"

namespace chipsim {
namespace {

using simreply::answer;
using simreply::word;

bool insert_cmd(void* msg) {
    uint32_t port, len;
    if (!word(msg, 0, &port) || !word(msg, 1, &len) || len > simctl::kMaxPayload - 8 ||
        ipcmsg::msg_size(msg) < 8 + len)
        return answer(msg, false);
    const uint8_t* p = ipcmsg::payload(msg) + 8;
    std::vector<uint8_t> bytes(p, p + len);
    xcvr::Image img;
    std::string error;
    if (!xcvr::split(bytes, &img, &error) || !xcvr::insert(port, img, &error)) {
        CONSOLE_Printf("SIM_CONTROL: sfp insert port %u: %s\r\n", port, error.c_str());
        return answer(msg, false);
    }
    return answer(msg, true);
}

bool remove_cmd(void* msg) {
    uint32_t port;
    return answer(msg, word(msg, 0, &port) && xcvr::remove(port));
}

bool set_cmd(void* msg) {
    uint32_t port, mask, lane;
    if (!word(msg, 0, &port) || !word(msg, 1, &mask) || !word(msg, 2, &lane) || lane > 4)
        return answer(msg, false);
    auto milli = [&](uint32_t i) { return static_cast<int32_t>(word(msg, i)) / 1000.0; };
    xcvr::Readings r{mask, lane, milli(3), milli(4), milli(5), milli(6), milli(7)};
    return answer(msg, xcvr::set_readings(port, r));
}

bool fail_cmd(void* msg) {
    uint32_t port, n;
    if (!word(msg, 0, &port) || !word(msg, 1, &n)) return answer(msg, false);
    return answer(msg, xcvr::fail_reads(port, n, word(msg, 2) != 0));
}

bool cages_cmd(void* msg) {
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0;
    for (const xcvr::Cage& c : xcvr::cages()) {
        uint8_t* r = out + 8 + n * xcvr::cmd::kCageRecordSize;
        if (8 + (n + 1) * xcvr::cmd::kCageRecordSize > simctl::kMaxPayload) break;
        std::memset(r, 0, xcvr::cmd::kCageRecordSize);
        xcvr::Image img;
        const bool in = xcvr::module(c.front, &img);
        r[0] = static_cast<uint8_t>(c.front);
        r[1] = static_cast<uint8_t>(c.index);
        r[2] = c.bus;
        r[3] = in ? 1 : 0;
        r[4] = in ? img.id() : 0;
        ++n;
    }
    be::put32(out + 4, n);
    return answer(msg, true, 4 + n * xcvr::cmd::kCageRecordSize);
}

bool image_cmd(void* msg) {
    uint32_t port;
    xcvr::Image img;
    if (!word(msg, 0, &port) || !xcvr::module(port, &img)) return answer(msg, false);
    std::vector<uint8_t> b = xcvr::join(img);
    uint8_t* out = ipcmsg::payload(msg);
    be::put32(out + 4, static_cast<uint32_t>(b.size()));
    std::memcpy(out + 8, b.data(), b.size());
    return answer(msg, true, 4 + static_cast<uint32_t>(b.size()));
}

}  // namespace

void register_xcvr_simctl() {
    simctl_register(xcvr::cmd::kInsert, insert_cmd);
    simctl_register(xcvr::cmd::kRemove, remove_cmd);
    simctl_register(xcvr::cmd::kSet, set_cmd);
    simctl_register(xcvr::cmd::kFail, fail_cmd);
    simctl_register(xcvr::cmd::kCages, cages_cmd);
    simctl_register(xcvr::cmd::kImage, image_cmd);
}

}  // namespace chipsim
