// The CPU queue's simulation-control command: the frames waiting for the CPU.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool cpu_queue(void* msg) {
    uint32_t dev;
    if (!word(msg, 0, &dev) || dev >= model().devices.size()) return answer(msg, false);
    const std::vector<uint8_t> hw = hw_numbers();
    DeviceLock lock(*model().devices[dev]);
    Locked d = lock.locked();
    sc::CpuQueueReply out;
    const uint32_t room = (simctl::kMaxPayload - 12) / sc::kCpuRecordSize;
    out.waiting = static_cast<uint32_t>(d->cpu.waiting());
    std::vector<const CpuFrame*> frames;
    for (size_t q = kCpuQueues; q-- > 0;)
        for (const CpuFrame& f : d->cpu.queues[q])
            frames.push_back(&f);
    for (const CpuFrame* fp : frames) {
        const CpuFrame& f = *fp;
        if (out.count == room) break;
        sc::CpuFrameRecord r;
        uint8_t src = device_of_hw(hw, f.src_dev);
        r.front = src != 0xFF ? front_of(src, f.src_port) : sc::kNoFrontPort;
        r.device = d->num;
        r.flags = (f.mirrored ? sc::kCpuFrameMirrored : 0) | (f.tagged ? sc::kCpuFrameTagged : 0);
        r.vid = f.vid;
        r.cpu_code = f.cpu_code;
        r.tc = f.tc;
        r.length = static_cast<uint32_t>(f.bytes.size());
        out.items.push_back(r);
        ++out.count;
    }
    return reply(msg, out);
}

}  // namespace

void register_cpu_simctl() {
    simctl_register(sc::kCpuQueue, cpu_queue);
}

}  // namespace chipsim
