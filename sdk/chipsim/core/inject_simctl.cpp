// The simulation-control commands of frames into the chip and the frame counters.
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool injection(void* msg, const uint8_t* frame, uint32_t len, uint8_t dev, uint8_t port,
               bool bad_fcs) {
    Result r;
    if (!receive(dev, port, frame, len, &r, bad_fcs)) return answer(msg, false);
    uint8_t* out = ipcmsg::payload(msg);
    be::put32(out + 4, static_cast<uint32_t>(r.drop));
    be::put32(out + 8, r.vid);
    be::put32(out + 12, (r.flooded ? sc::kInjectFlagFlooded : 0) |
                            (r.learned ? sc::kInjectFlagLearned : 0) |
                            (r.to_cpu ? sc::kInjectFlagToCpu : 0));
    be::put32(out + 16, r.cpu_code);
    uint32_t n = 0;
    for (const Sent& s : r.sent)
        if (24 + n < simctl::kMaxPayload) out[24 + n++] = front_of(s.dev, s.port);
    be::put32(out + 20, n);
    return answer(msg, true, 20 + n);
}

bool inject_cmd(void* msg) {
    uint32_t front, len;
    uint8_t dev, port;
    if (!word(msg, 0, &front) || !word(msg, 1, &len) ||
        !front_port(front & ~sc::kInjectBadFcs, &dev, &port) || ipcmsg::msg_size(msg) < 8 ||
        len != ipcmsg::msg_size(msg) - 8u)
        return answer(msg, false);
    // The frame is copied out of the message, which the answer overwrites.
    std::vector<uint8_t> frame(ipcmsg::payload(msg) + 8, ipcmsg::payload(msg) + 8 + len);
    return injection(msg, frame.data(), len, dev, port, front & sc::kInjectBadFcs);
}

bool inject_ipc_cmd(void* msg) {
    uint32_t front, len, offset;
    uint8_t dev, port;
    if (!word(msg, 0, &front) || !word(msg, 1, &len) || !word(msg, 2, &offset) ||
        !front_port(front & ~sc::kInjectBadFcs, &dev, &port))
        return answer(msg, false);
    const auto* p = static_cast<const uint8_t*>(L_IPCMEM_GetPtrRange(offset, len));
    if (!p || len == 0) return answer(msg, false);
    std::vector<uint8_t> frame(p, p + len);
    return injection(msg, frame.data(), len, dev, port, front & sc::kInjectBadFcs);
}

bool frame_counters(void* msg) {
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t rec = sc::kCounterRecordHeader + kDropReasons * 8;
    uint32_t n = 0;
    for (auto& dp : model().devices) {
        DeviceLock lock(*dp);
        Device& d = *dp;
        for (uint32_t p = 0; p < kPortSlots; ++p) {
            if (!d.port(static_cast<uint8_t>(p))) continue;
            uint32_t at = 12 + n * rec;
            if (4 + at + rec > simctl::kMaxPayload) break;
            const PortCounters& c = d.counters.ports[p];
            uint8_t* r = out + at;
            std::memset(r, 0, rec);
            r[0] = front_of(d.num, static_cast<uint8_t>(p));
            r[1] = d.num;
            r[2] = static_cast<uint8_t>(p);
            put64(r + 4, c.rx_frames);
            put64(r + 12, c.rx_bytes);
            put64(r + 20, c.tx_frames);
            put64(r + 28, c.tx_bytes);
            put64(r + 36, c.to_cpu);
            put64(r + 44, c.captured);
            for (uint32_t i = 0; i < kDropReasons; ++i)
                put64(r + sc::kCounterRecordHeader + 8 * i, c.drops[i]);
            ++n;
        }
    }
    be::put32(out + 4, n);
    be::put32(out + 8, kDropReasons);
    return answer(msg, true, 8 + n * rec);
}

bool counters_clear(void* msg) {
    for (uint8_t dev = 0; dev < model().devices.size(); ++dev)
        clear_frame_counters(dev);
    return answer(msg, true);
}

}  // namespace

void register_inject_simctl() {
    simctl_register(sc::kInject, inject_cmd);
    simctl_register(sc::kInjectIpc, inject_ipc_cmd);
    simctl_register(sc::kFrameCounters, frame_counters);
    simctl_register(sc::kCountersClear, counters_clear);
}

}  // namespace chipsim
