// The simulation-control commands of frames into the chip and the frame counters.
#include <algorithm>
#include <cstring>

#include "platform/lmm/l_ipcmem.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

static_assert(static_cast<uint8_t>(Cmd::kForward) == uint8_t(sc::Verdict::kForward) &&
              static_cast<uint8_t>(Cmd::kMirror) == uint8_t(sc::Verdict::kMirror) &&
              static_cast<uint8_t>(Cmd::kTrap) == uint8_t(sc::Verdict::kTrap) &&
              static_cast<uint8_t>(Cmd::kSoftDrop) == uint8_t(sc::Verdict::kSoftDrop) &&
              static_cast<uint8_t>(Cmd::kHardDrop) == uint8_t(sc::Verdict::kHardDrop));

sc::TraceEvent trace_record(const TraceEvent& t) {
    sc::TraceEvent e;
    e.dev = t.dev;
    e.port = t.port;
    e.front = front_of(t.dev, t.port);
    e.verdict = static_cast<uint8_t>(t.verdict);
    e.reason = static_cast<uint8_t>(t.reason);
    e.cpu_code = t.cpu_code;
    for (uint32_t q = 0; q < 64; ++q)
        if (sdkPortsBmpIsMember(t.ports, q))
            e.ports.push_back({static_cast<uint8_t>(q), front_of(t.dev, static_cast<uint8_t>(q))});
    e.nports = static_cast<uint8_t>(e.ports.size());
    e.stage = t.stage;
    e.note = t.note;
    return e;
}

// The stages' decisions after the result, as many as fit the reply.
void encode_trace(const std::vector<TraceEvent>& trace, sc::Bytes* out) {
    sc::Bytes events;
    sc::Trace head;
    head.total = static_cast<uint32_t>(trace.size());
    const size_t used = 4 + out->size() + 8;  // the result word, the result, the header
    const size_t room = used < simctl::kMaxPayload ? simctl::kMaxPayload - used : 0;
    for (const TraceEvent& t : trace) {
        sc::Bytes one = sc::encode(trace_record(t));
        if (events.size() + one.size() > room) break;
        events.insert(events.end(), one.begin(), one.end());
        ++head.count;
    }
    sc::encode(head, out);  // the header (no events in it)
    out->insert(out->end(), events.begin(), events.end());
}

// The port word's front port and flags (a trace asked for, a bad frame check sequence).
struct InjectPort {
    uint8_t dev = 0, port = 0;
    bool traced = false, bad_fcs = false;
};
bool inject_port(uint32_t word0, InjectPort* p) {
    p->traced = word0 & sc::kInjectTrace;
    p->bad_fcs = word0 & sc::kInjectBadFcs;
    return front_port(word0 & ~(sc::kInjectTrace | sc::kInjectBadFcs), &p->dev, &p->port);
}

bool injection(void* msg, const uint8_t* frame, uint32_t len, const InjectPort& at) {
    Result r;
    r.tracing = at.traced;
    if (!receive(at.dev, at.port, frame, len, &r, at.bad_fcs)) return answer(msg, false);
    sc::InjectResult res;
    res.drop = static_cast<uint32_t>(r.drop);
    res.vid = r.vid;
    res.flags = (r.flooded ? sc::kInjectFlagFlooded : 0) |
                (r.learned ? sc::kInjectFlagLearned : 0) | (r.to_cpu ? sc::kInjectFlagToCpu : 0);
    res.cpu_code = r.cpu_code;
    for (const Sent& s : r.sent)
        if (24 + res.ports.size() < simctl::kMaxPayload)
            res.ports.push_back(front_of(s.dev, s.port));
    res.count = static_cast<uint32_t>(res.ports.size());
    sc::Bytes out = sc::encode(res);
    if (at.traced) encode_trace(r.trace, &out);
    return reply(msg, out);
}

// The front port of a request's port word, and whether it asks for a trace.
bool inject_cmd(void* msg) {
    sc::InjectRequest rq;
    InjectPort at;
    const uint32_t size = ipcmsg::msg_size(msg);
    if (!sc::decode(ipcmsg::payload(msg), size, &rq) || !inject_port(rq.port, &at) ||
        rq.length != size - 8u)
        return answer(msg, false);
    // The frame is copied out of the message, which the answer overwrites.
    std::vector<uint8_t> frame(ipcmsg::payload(msg) + 8, ipcmsg::payload(msg) + 8 + rq.length);
    return injection(msg, frame.data(), rq.length, at);
}

bool inject_ipc_cmd(void* msg) {
    uint32_t front, len, offset;
    InjectPort at;
    if (!word(msg, 0, &front) || !word(msg, 1, &len) || !word(msg, 2, &offset) ||
        !inject_port(front, &at))
        return answer(msg, false);
    const auto* p = static_cast<const uint8_t*>(L_IPCMEM_GetPtrRange(offset, len));
    if (!p || len == 0) return answer(msg, false);
    std::vector<uint8_t> frame(p, p + len);
    return injection(msg, frame.data(), len, at);
}

bool frame_counters(void* msg) {
    sc::CountersReply out;
    out.reasons = kDropReasons;
    const uint32_t rec = sc::kCounterRecordHeader + kDropReasons * 8;
    for (auto& dp : model().devices) {
        DeviceLock lock(*dp);
        Device& d = *dp;
        for (uint32_t p = 0; p < kPortSlots; ++p) {
            if (!d.port(static_cast<uint8_t>(p))) continue;
            if (4 + 12 + (out.count + 1) * rec > simctl::kMaxPayload) break;
            const PortCounters& c = d.counters.ports[p];
            sc::CounterRecord r;
            r.front = front_of(d.num, static_cast<uint8_t>(p));
            r.device = d.num;
            r.dev_port = static_cast<uint8_t>(p);
            r.rx_frames = c.rx_frames;
            r.rx_bytes = c.rx_bytes;
            r.tx_frames = c.tx_frames;
            r.tx_bytes = c.tx_bytes;
            r.to_cpu = c.to_cpu;
            r.captured = c.captured;
            r.drops.assign(c.drops.begin(), c.drops.begin() + kDropReasons);
            out.items.push_back(std::move(r));
            ++out.count;
        }
    }
    return reply(msg, out);
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
