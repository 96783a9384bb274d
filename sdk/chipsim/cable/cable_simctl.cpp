// The cables' simulation-control command: a pair of a front port's cable becomes good or
// faulty at a distance (state 0 clears the port's cable back to its power-on one).
#include "sdk/chipsim/cable/cable.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool cable_cmd(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t pair = word(msg, 1), state = word(msg, 2), metres = word(msg, 3);
        if (state == 0) return answer(msg, clear_cable(dev, port));
        if (pair == sc::kCableAllPairs) {
            bool ok = true;
            for (uint32_t i = 0; i < SDK_CABLE_PAIRS; ++i)
                ok = set_cable_pair(dev, port, i, state, metres) && ok;
            return answer(msg, ok);
        }
        return answer(msg, set_cable_pair(dev, port, pair, state, metres));
    });
}

}  // namespace

void register_cable_simctl() {
    simctl_register(sc::kCable, cable_cmd);
}

}  // namespace chipsim
