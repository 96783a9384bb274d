// The simulation-control commands of the MAC counters: reading a port's whole set as the chip
// holds it, setting a counter (errors and collisions the model's links do not make, values
// about to wrap), and how long the device's captures take.
#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"
#include "sdk/chipsim/counters/mac_counters.h"

namespace chipsim {
namespace {

bool mac_counters_cmd(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint8_t* out = ipcmsg::payload(msg);
        be::put32(out + 4, SDK_MAC_COUNTERS);
        for (uint32_t n = 0; n < SDK_MAC_COUNTERS; ++n) {
            const uint64_t v = mac_counter(dev, port, n);  // high word first
            be::put32(out + 8 + 8 * n, static_cast<uint32_t>(v >> 32));
            be::put32(out + 12 + 8 * n, static_cast<uint32_t>(v));
        }
        return answer(msg, true, 4 + 8 * SDK_MAC_COUNTERS);
    });
}

bool mac_counter_set_cmd(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint64_t value = uint64_t{word(msg, 2)} << 32 | word(msg, 3);
        return answer(msg, set_mac_counter(dev, port, word(msg, 1), value));
    });
}

bool capture_delay_cmd(void* msg) {
    uint32_t dev = word(msg, 0);
    return answer(msg, dev <= 0xFF && set_capture_delay(static_cast<uint8_t>(dev), word(msg, 1)));
}

}  // namespace

void register_counters_simctl() {
    simctl_register(sc::kMacCounters, mac_counters_cmd);
    simctl_register(sc::kMacCounterSet, mac_counter_set_cmd);
    simctl_register(sc::kCaptureDelay, capture_delay_cmd);
}

}  // namespace chipsim
