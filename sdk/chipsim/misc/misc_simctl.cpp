// The simulation-control command of the devices' temperature sensors.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool temperature_cmd(void* msg) {
    uint8_t dev = static_cast<uint8_t>(word(msg, 0));
    return answer(msg,
                  word(msg, 0) <= 0xFF && set_temperature(dev, static_cast<int32_t>(word(msg, 1))));
}

}  // namespace

void register_misc_simctl() {
    simctl_register(sc::kTemperature, temperature_cmd);
}

}  // namespace chipsim
