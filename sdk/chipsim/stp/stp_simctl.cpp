// The spanning-tree state's simulation-control command: every front port's state in a group.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool stp_states_cmd(void* msg) {
    uint32_t group = word(msg, 0);
    if (group >= SDK_STP_GROUPS) return answer(msg, false);
    sc::List<sc::StpRecord> out;
    for (const board::Port& w : model().unit->ports) {
        on_dev(w.device, [&](Device& d) {
            out.add({static_cast<uint8_t>(w.front), w.device, w.dev_port,
                     d.stp.state[group][w.dev_port]});
        });
    }
    return reply(msg, out);
}

}  // namespace

void register_stp_simctl() {
    simctl_register(sc::kStpStates, stp_states_cmd);
}

}  // namespace chipsim
