// The simulation-control commands of the PoE controllers (layouts in poe_simcmd.h).
#include "platform/simctl/simctl.h"
#include "sdk/chipsim/core/simctl_util.h"
#include "sdk/chipsim/poe/poe_controller.h"
#include "sdk/simproto/poe_simcmd.h"

namespace chipsim::poe {
namespace {

namespace sc = simproto;
using simreply::answer;
using simreply::word;

bool attach_cmd(void* msg) {
    uint32_t port, cls, draw = word(msg, 2);
    if (!word(msg, 0, &port) || !word(msg, 1, &cls) || cls > 4 || draw > 0xFFFF)
        return answer(msg, false);
    return answer(msg, attach(port, static_cast<uint8_t>(cls), static_cast<uint16_t>(draw)));
}

bool detach_cmd(void* msg) {
    uint32_t port;
    if (!word(msg, 0, &port)) return answer(msg, false);
    return answer(msg, detach(port));
}

bool fault_cmd(void* msg) {
    uint32_t dev, f;
    if (!word(msg, 0, &dev) || !word(msg, 1, &f) || dev > 7 || f > 2) return answer(msg, false);
    return answer(msg, set_fault(static_cast<uint8_t>(dev), static_cast<Fault>(f)));
}

bool port_cmd(void* msg) {
    uint32_t port;
    Channel ch;
    if (!word(msg, 0, &port) || !channel_state(port, &ch)) return answer(msg, false);
    ipcmsg::set_word(msg, 1, ch.attached);
    ipcmsg::set_word(msg, 2, ch.cls);
    ipcmsg::set_word(msg, 3, ch.draw);
    ipcmsg::set_word(msg, 4, ch.state);
    return answer(msg, true, 16);
}

}  // namespace

void register_simctl() {
    simctl_register(sc::kPoeAttach, attach_cmd);
    simctl_register(sc::kPoeDetach, detach_cmd);
    simctl_register(sc::kPoeFault, fault_cmd);
    simctl_register(sc::kPoePort, port_cmd);
}

}  // namespace chipsim::poe
