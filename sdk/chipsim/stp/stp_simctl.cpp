// The spanning-tree state's simulation-control command: every front port's state in a group.
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool stp_states_cmd(void* msg) {
    uint32_t group = word(msg, 0);
    if (group >= SDK_STP_GROUPS) return answer(msg, false);
    Model& m = model();
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0;
    for (const board::Port& w : m.unit->ports) {
        on_dev(w.device, [&](Device& d) {
            uint8_t* r = out + 8 + 4 * n++;
            r[0] = static_cast<uint8_t>(w.front);
            r[1] = w.device;
            r[2] = w.dev_port;
            r[3] = d.stp.state[group][w.dev_port];
        });
    }
    be::put32(out + 4, n);
    return answer(msg, true, 4 + 4 * n);
}

}  // namespace

void register_stp_simctl() {
    simctl_register(sc::kStpStates, stp_states_cmd);
}

}  // namespace chipsim
