// The CPU port's queue: the cpu_deliver stage and what the SDK and tests take from it.
#include "sdk/chipsim/cpu/cpu.h"

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/cpu/cpu_codes.h"

namespace chipsim {
namespace {

// Whether the rate limit lets one more packet reach the CPU in this second of model time.
bool within_rate_limit(Locked d) {
    const uint32_t limit = d->traps.cpu_rate_limit;
    if (limit == 0) return true;
    CpuQueue& q = d->cpu;
    const uint64_t now = clock_ms();
    if (now - q.window_ms >= 1000 || now < q.window_ms) {
        q.window_ms = now;
        q.in_window = 0;
    }
    if (q.in_window >= limit) return false;
    ++q.in_window;
    return true;
}

void to_cpu(Locked d, const Packet& p, uint32_t code) {
    Result* out = p.out;
    CpuQueue& q = d->cpu;
    code = cpu_code_for(d, p, code);
    uint8_t tc = 0;
    if (!within_rate_limit(d) || !cpu_code_admit(d, code, &tc)) {
        if (out->tracing)
            trace_stage(d, p, "cpu_deliver", SDK_CPU_PORT,
                        "cpu-rate-limit code " + std::to_string(code));
        return count_drop(d, p.in_port, Drop::kCpuRateLimit, out);
    }
    if (!misc_shaper(d, p, SDK_CPU_PORT, p.len) || !misc_queue_shaper(d, p, tc, p.len)) return;
    if (q.waiting() >= model().cpu_queue_frames.load(std::memory_order_relaxed))
        return count_drop(d, p.in_port, Drop::kCpuQueueFull, out);
    CpuFrame c;
    c.src_dev = p.src_dev;
    c.src_port = p.src_port;
    c.vid = p.vid;
    c.tagged = p.l2.tagged;
    c.mirrored = p.cmd == Cmd::kMirror;
    c.cpu_code = code;
    c.tc = tc;
    c.bytes.assign(p.data, p.data + p.len);
    q.queues[tc].push_back(std::move(c));
    PortCounters* pc = d->counters.ports.data();
    ++pc[p.in_port].to_cpu;
    ++pc[SDK_CPU_PORT].tx_frames;
    pc[SDK_CPU_PORT].tx_bytes += p.len;
    if (d->capture.on(SDK_CPU_PORT)) capture(d, SDK_CPU_PORT, p.data, p.len);
    if (!out->to_cpu) out->cpu_code = code;
    out->to_cpu = true;
    if (out->tracing)
        trace_stage(d, p, "cpu_deliver", SDK_CPU_PORT,
                    "code " + std::to_string(code) + " queue " + std::to_string(tc));
}

}  // namespace

void cpu_deliver(Locked d, Packet& p) {
    if (p.cmd == Cmd::kTrap || p.cmd == Cmd::kMirror)
        to_cpu(d, p, p.cpu_code);
    else if (p.relayed() && sdkPortsBmpIsMember(p.dest, SDK_CPU_PORT))
        to_cpu(d, p, p.flooded ? kCpuCodeFlooded : kCpuCodeMacDaTrap);
}

std::vector<CpuFrame> cpu_frames(uint8_t dev) {
    return on_device(dev, std::vector<CpuFrame>{}, [](Locked d) {
        std::vector<CpuFrame> out;
        for (size_t q = kCpuQueues; q-- > 0;)
            out.insert(out.end(), d->cpu.queues[q].begin(), d->cpu.queues[q].end());
        return out;
    });
}

bool take_cpu_frame(uint8_t dev, CpuFrame* out) {
    return on_device(dev, false, [&](Locked d) {
        for (size_t q = kCpuQueues; q-- > 0;) {
            std::deque<CpuFrame>& frames = d->cpu.queues[q];
            if (frames.empty()) continue;
            *out = std::move(frames.front());
            frames.pop_front();
            return true;
        }
        return false;
    });
}

}  // namespace chipsim
