// Registration of the features' simulation-control commands, against the command table.
#include <array>
#include <mutex>

#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"
#include "sdk/chipsim/poe/poe_controller.h"
#include "sdk/chipsim/tap/tap.h"
#include "sdk/chipsim/xcvr/cages.h"

namespace chipsim {
namespace {

std::array<simctl::Handler, 256> g_handlers{};

// Every registered command passes here: a request shorter than its command's words is
// refused with a console line.
bool checked(void* msg) {
    const uint16_t id = ipcmsg::cmd(msg);
    const sc::Command* c = sc::find_command(id);
    simctl::Handler h = id < g_handlers.size() ? g_handlers[id] : nullptr;
    if (!c || !h) return answer(msg, false);
    if (ipcmsg::msg_size(msg) < 4u * c->words) {
        CONSOLE_Printf("SIM_CONTROL: %s needs %u words (%s)\r\n", c->name, c->words, c->usage);
        return answer(msg, false);
    }
    return h(msg);
}

}  // namespace

void simctl_register(uint16_t cmd, simctl::Handler handler) {
    if (!sc::find_command(cmd) || cmd >= g_handlers.size()) return;
    g_handlers[cmd] = handler;
    simctl::register_handler(cmd, checked);
}

uint8_t front_of(uint8_t dev, uint8_t port) {
    if (port == SDK_CPU_PORT) return 0;
    const board::Port* p = model().unit->port_at(dev, port);
    return p ? static_cast<uint8_t>(p->front) : sc::kNoFrontPort;
}

std::vector<uint8_t> hw_numbers() {
    std::vector<uint8_t> hw;
    for (auto& d : model().devices) {
        DeviceLock lock(*d);
        hw.push_back(d->hw_dev_num);
    }
    return hw;
}

uint8_t device_of_hw(const std::vector<uint8_t>& hw, uint8_t hw_num) {
    for (size_t i = 0; i < hw.size(); ++i)
        if (hw[i] == hw_num) return static_cast<uint8_t>(i);
    return 0xFF;
}

void register_simctl() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_port_simctl();
        register_phy_simctl();
        register_twsi_simctl();
        register_vlan_simctl();
        register_stp_simctl();
        register_misc_simctl();
        register_inject_simctl();
        register_capture_simctl();
        register_fdb_simctl();
        register_cpu_simctl();
        register_cable_simctl();
        register_netif_simctl();
        poe::register_simctl();
        register_xcvr_simctl();
        register_counters_simctl();
        register_trunk_simctl();
        register_storm_simctl();
        register_mirror_simctl();
        register_tap_simctl();
    });
}

}  // namespace chipsim
