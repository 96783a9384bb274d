// The simulation-control commands for frames: injection, capture, counters, the address
// table and the clock (layouts in simctl_cmds.h).
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/model.h"
#include "sdk/chipsim/pipeline.h"
#include "sdk/chipsim/simctl_cmds.h"
#include "sdk/chipsim/simctl_reply.h"

namespace chipsim {
namespace {

namespace sc = simcmd;

using simreply::answer;
using simreply::word;

void put64(uint8_t* p, uint64_t v) {
    be::put32(p, static_cast<uint32_t>(v >> 32));
    be::put32(p + 4, static_cast<uint32_t>(v));
}

uint8_t front_of(uint8_t dev, uint8_t port) {
    if (port == SDK_CPU_PORT) return 0;
    const board::Port* p = model().unit->port_at(dev, port);
    return p ? static_cast<uint8_t>(p->front) : sc::kNoFrontPort;
}

// The local device with this hardware device number (for entries of the address table).
const Device* by_hw_num(uint8_t hw) {
    for (auto& d : model().devices)
        if (d->hw_dev_num == hw) return d.get();
    return nullptr;
}

bool injection(void* msg, const uint8_t* frame, uint32_t len, uint8_t dev, uint8_t port) {
    Result r;
    if (!receive(dev, port, frame, len, &r)) return answer(msg, false);
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
    if (!word(msg, 0, &front) || !word(msg, 1, &len) || !front_port(front, &dev, &port) ||
        ipcmsg::msg_size(msg) < 8 || len != ipcmsg::msg_size(msg) - 8u)
        return answer(msg, false);
    // The frame is copied out of the message, which the answer overwrites.
    std::vector<uint8_t> frame(ipcmsg::payload(msg) + 8, ipcmsg::payload(msg) + 8 + len);
    return injection(msg, frame.data(), len, dev, port);
}

bool inject_ipc_cmd(void* msg) {
    uint32_t front, len, offset;
    uint8_t dev, port;
    if (!word(msg, 0, &front) || !word(msg, 1, &len) || !word(msg, 2, &offset) ||
        !front_port(front, &dev, &port))
        return answer(msg, false);
    const auto* p = static_cast<const uint8_t*>(L_IPCMEM_GetPtrRange(offset, len));
    if (!p || len == 0) return answer(msg, false);
    std::vector<uint8_t> frame(p, p + len);
    return injection(msg, frame.data(), len, dev, port);
}

bool capture_start(void* msg) {
    uint32_t bitmap, cpu = 0;
    if (!word(msg, 0, &bitmap)) return answer(msg, false);
    word(msg, 1, &cpu);
    Model& m = model();
    std::vector<uint64_t> masks(m.devices.size(), 0);
    for (uint32_t front = 1; front <= 32; ++front) {
        uint8_t dev, port;
        if (!(bitmap >> (front - 1) & 1)) continue;
        if (!front_port(front, &dev, &port)) return answer(msg, false);
        masks[dev] |= uint64_t{1} << port;
    }
    for (uint8_t dev = 0; dev < masks.size(); ++dev) {
        if (cpu) masks[dev] |= uint64_t{1} << SDK_CPU_PORT;
        capture_ports(dev, 0);  // a new capture starts with an empty buffer
        capture_ports(dev, masks[dev]);
    }
    return answer(msg, true);
}

bool capture_stop(void* msg) {
    for (uint8_t dev = 0; dev < model().devices.size(); ++dev)
        capture_ports(dev, 0);
    return answer(msg, true);
}

bool capture_read(void* msg) {
    uint32_t offset = 0;
    word(msg, 0, &offset);
    // The oldest frame of all devices.
    Device* oldest = nullptr;
    uint64_t waiting = 0, oldest_ns = 0;
    for (auto& d : model().devices) {
        std::lock_guard<std::mutex> lock(d->mu);
        const std::deque<CapturedFrame>& c = d->frames.capture;
        waiting += c.size();
        if (!c.empty() && (!oldest || c.front().time_ns < oldest_ns)) {
            oldest = d.get();
            oldest_ns = c.front().time_ns;
        }
    }
    uint8_t* out = ipcmsg::payload(msg);
    be::put32(out + 4, static_cast<uint32_t>(waiting));
    if (!oldest) return answer(msg, true, 4);
    std::lock_guard<std::mutex> lock(oldest->mu);
    std::deque<CapturedFrame>& c = oldest->frames.capture;
    if (c.empty()) {
        be::put32(out + 4, 0);
        return answer(msg, true, 4);
    }
    const CapturedFrame& f = c.front();
    uint32_t len = static_cast<uint32_t>(f.bytes.size());
    if (offset > len) offset = len;
    uint32_t room = simctl::kMaxPayload - 4 - sc::kCaptureHeader;
    uint32_t chunk = std::min(len - offset, room);
    be::put32(out + 8, front_of(f.dev, f.port));
    be::put32(out + 12, static_cast<uint32_t>(f.time_ns / 1000000000u));
    be::put32(out + 16, static_cast<uint32_t>(f.time_ns % 1000000000u));
    be::put32(out + 20, len);
    std::memcpy(out + 4 + sc::kCaptureHeader, f.bytes.data() + offset, chunk);
    if (offset + chunk == len) {
        oldest->frames.capture_bytes -= len;
        c.pop_front();
    }
    return answer(msg, true, sc::kCaptureHeader + chunk);
}

bool frame_counters(void* msg) {
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t rec = sc::kCounterRecordHeader + kDropReasons * 8;
    uint32_t n = 0;
    for (auto& dp : model().devices) {
        Device& d = *dp;
        std::lock_guard<std::mutex> lock(d.mu);
        for (uint32_t p = 0; p < kPortSlots; ++p) {
            if (!d.port(static_cast<uint8_t>(p))) continue;
            uint32_t at = 12 + n * rec;
            if (4 + at + rec > simctl::kMaxPayload) break;
            const PortCounters& c = d.frames.ports[p];
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

bool fdb_read(void* msg) {
    uint32_t dev, first;
    if (!word(msg, 0, &dev) || !word(msg, 1, &first) || dev >= model().devices.size())
        return answer(msg, false);
    Device& d = *model().devices[dev];
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0, slot = first;
    uint32_t room = (simctl::kMaxPayload - 16) / sc::kFdbRecordSize;
    std::lock_guard<std::mutex> lock(d.mu);
    fdb_catch_up(d, clock_ms());
    for (; slot < SDK_FDB_SIZE && n < room; ++slot) {
        const FdbSlot& s = d.fdb.slots[slot];
        if (!s.live()) continue;
        uint8_t* r = out + 12 + n++ * sc::kFdbRecordSize;
        std::memset(r, 0, sc::kFdbRecordSize);
        be::put32(r, slot);
        SDK_MAC_ENTRY_KEY k = fdb_key_unpack(s.key);
        if (k.entryType == SDK_MAC_ENTRY_KEY_MAC_VID) {
            std::memcpy(r + 4, k.macVlan.macAddr, 6);
            be::put16(r + 12, k.macVlan.vlanId);
        } else {
            std::memcpy(r + 4, k.ipMcast.sip, 4);
            std::memcpy(r + 8, k.ipMcast.dip, 4);
            be::put16(r + 12, k.ipMcast.vlanId);
        }
        r[14] = static_cast<uint8_t>(k.entryType);
        r[15] = ((s.flags & kFdbStatic) ? sc::kFdbFlagStatic : 0) |
                ((s.flags & kFdbAge) ? sc::kFdbFlagSeen : 0);
        r[16] = s.if_type;
        r[17] = s.dev;
        r[18] = s.port;
        const Device* owner = s.if_type == SDK_INTERFACE_PORT ? by_hw_num(s.dev) : nullptr;
        r[19] = owner ? front_of(owner->num, s.port) : sc::kNoFrontPort;
        be::put16(r + 20, s.target);
        r[22] = s.da_cmd;
        r[23] = s.sa_cmd;
    }
    while (slot < SDK_FDB_SIZE && !d.fdb.slots[slot].live())
        ++slot;
    be::put32(out + 4, slot < SDK_FDB_SIZE ? slot : 0xFFFFFFFF);
    be::put32(out + 8, n);
    return answer(msg, true, 8 + n * sc::kFdbRecordSize);
}

bool clock_advance(void* msg) {
    uint32_t seconds;
    if (!word(msg, 0, &seconds)) return answer(msg, false);
    advance_clock(seconds);
    return answer(msg, true);
}

bool cpu_queue(void* msg) {
    uint32_t dev;
    if (!word(msg, 0, &dev) || dev >= model().devices.size()) return answer(msg, false);
    Device& d = *model().devices[dev];
    std::lock_guard<std::mutex> lock(d.mu);
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t m = 0, room = (simctl::kMaxPayload - 12) / sc::kCpuRecordSize;
    for (const CpuFrame& f : d.frames.cpu) {
        if (m == room) break;
        uint8_t* r = out + 12 + m++ * sc::kCpuRecordSize;
        std::memset(r, 0, sc::kCpuRecordSize);
        const Device* src = by_hw_num(f.src_dev);
        r[0] = src ? front_of(src->num, f.src_port) : sc::kNoFrontPort;
        r[1] = d.num;
        r[2] = (f.mirrored ? 1 : 0) | (f.tagged ? 2 : 0);
        be::put16(r + 4, f.vid);
        be::put32(r + 8, f.cpu_code);
        be::put32(r + 12, static_cast<uint32_t>(f.bytes.size()));
    }
    be::put32(out + 4, static_cast<uint32_t>(d.frames.cpu.size()));
    be::put32(out + 8, m);
    return answer(msg, true, 8 + m * sc::kCpuRecordSize);
}

}  // namespace

void register_frame_simctl() {
    simctl::register_handler(sc::kInject, inject_cmd);
    simctl::register_handler(sc::kInjectIpc, inject_ipc_cmd);
    simctl::register_handler(sc::kCaptureStart, capture_start);
    simctl::register_handler(sc::kCaptureStop, capture_stop);
    simctl::register_handler(sc::kCaptureRead, capture_read);
    simctl::register_handler(sc::kFrameCounters, frame_counters);
    simctl::register_handler(sc::kCountersClear, counters_clear);
    simctl::register_handler(sc::kFdbRead, fdb_read);
    simctl::register_handler(sc::kClockAdvance, clock_advance);
    simctl::register_handler(sc::kCpuQueue, cpu_queue);
}

}  // namespace chipsim
