// The two-wire buses' simulation-control commands: a device that fails transfers.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool twsi_fail(void* msg) {
    uint32_t bus, addr, n;
    if (!word(msg, 0, &bus) || !word(msg, 1, &addr) || !word(msg, 2, &n) || bus > 0xFF ||
        addr > 0x7F)
        return answer(msg, false);
    return answer(msg, twsi_fail_next(uint8_t(bus), uint8_t(addr), n));
}

}  // namespace

void register_twsi_simctl() {
    simctl_register(sc::kTwsiFail, twsi_fail);
}

}  // namespace chipsim
