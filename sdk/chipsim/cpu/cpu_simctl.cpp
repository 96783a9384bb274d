// The CPU queue's simulation-control command: the frames waiting for the CPU.
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
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
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t m = 0, room = (simctl::kMaxPayload - 12) / sc::kCpuRecordSize;
    for (const CpuFrame& f : d->cpu.frames) {
        if (m == room) break;
        uint8_t* r = out + 12 + m++ * sc::kCpuRecordSize;
        std::memset(r, 0, sc::kCpuRecordSize);
        uint8_t src = device_of_hw(hw, f.src_dev);
        r[0] = src != 0xFF ? front_of(src, f.src_port) : sc::kNoFrontPort;
        r[1] = d->num;
        r[2] = (f.mirrored ? 1 : 0) | (f.tagged ? 2 : 0);
        be::put16(r + 4, f.vid);
        be::put32(r + 8, f.cpu_code);
        be::put32(r + 12, static_cast<uint32_t>(f.bytes.size()));
    }
    be::put32(out + 4, static_cast<uint32_t>(d->cpu.frames.size()));
    be::put32(out + 8, m);
    return answer(msg, true, 8 + m * sc::kCpuRecordSize);
}

}  // namespace

void register_cpu_simctl() {
    simctl_register(sc::kCpuQueue, cpu_queue);
}

}  // namespace chipsim
