// The simulation-control commands that show the bridge state (VLAN table, ports' VLAN
// settings, spanning-tree states) and set the devices' temperature; layouts in
// simctl_cmds.h.
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/model.h"
#include "sdk/chipsim/simctl_cmds.h"
#include "sdk/chipsim/simctl_reply.h"

namespace chipsim {
namespace {

namespace sc = simcmd;

using simreply::answer;
using simreply::word;

// Runs fn(device) under its lock; false for a device the model does not have.
template <typename Fn>
bool on_device(uint32_t dev, Fn fn) {
    return dev <= 0xFF && chipsim::on_device(static_cast<uint8_t>(dev), false, [&](Device& d) {
               fn(d);
               return true;
           });
}

bool vlans_cmd(void* msg) {
    uint32_t first = word(msg, 1);
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0, next = 0;
    constexpr uint32_t kMax = (simctl::kMaxPayload - 12) / sc::kVlanRecordSize;
    bool ok = first <= SDK_VLAN_ID_MAX && on_device(word(msg, 0), [&](Device& d) {
                  for (uint32_t vid = first; vid <= SDK_VLAN_ID_MAX; ++vid) {
                      const VlanEntry& e = d.vlans.table[vid];
                      if (!e.valid) continue;
                      if (n == kMax) {
                          next = vid;
                          break;
                      }
                      uint8_t* r = out + 12 + n++ * sc::kVlanRecordSize;
                      be::put16(r, static_cast<uint16_t>(vid));
                      r[2] = static_cast<uint8_t>(e.info.stgId);
                      r[3] = static_cast<uint8_t>(e.info.mruIdx);
                      be::put32(r + 4, e.members.ports[0]);
                      be::put32(r + 8, e.members.ports[1]);
                      be::put32(r + 12, e.tagged.ports[0]);
                      be::put32(r + 16, e.tagged.ports[1]);
                  }
              });
    if (!ok) return answer(msg, false);
    be::put32(out + 4, n);
    be::put32(out + 8, next);
    return answer(msg, true, 8 + n * sc::kVlanRecordSize);
}

bool vlan_ports_cmd(void* msg) {
    Model& m = model();
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0;
    for (const board::Port& w : m.unit->ports) {
        on_device(w.device, [&](Device& d) {
            const VlanPort& p = d.vlans.ports[w.dev_port];
            uint8_t* r = out + 8 + n++ * sc::kVlanPortRecordSize;
            std::memset(r, 0, sc::kVlanPortRecordSize);
            r[0] = static_cast<uint8_t>(w.front);
            r[1] = w.device;
            r[2] = w.dev_port;
            r[3] = static_cast<uint8_t>(p.accept);
            be::put16(r + 4, p.pvid);
            be::put16(r + 6, p.tpid);
            r[8] = (p.ingress_filter ? sc::kVlanPortFlagIngressFilter : 0) |
                   (p.nested_access ? sc::kVlanPortFlagTunnelAccess : 0) |
                   (p.copy_inner_up ? sc::kVlanPortFlagCopyInnerUp : 0);
            r[9] = static_cast<uint8_t>(p.default_up);
        });
    }
    be::put32(out + 4, n);
    return answer(msg, true, 4 + n * sc::kVlanPortRecordSize);
}

bool stp_states_cmd(void* msg) {
    uint32_t group = word(msg, 0);
    if (group >= SDK_STP_GROUPS) return answer(msg, false);
    Model& m = model();
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0;
    for (const board::Port& w : m.unit->ports) {
        on_device(w.device, [&](Device& d) {
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

bool temperature_cmd(void* msg) {
    uint8_t dev = static_cast<uint8_t>(word(msg, 0));
    return answer(msg,
                  word(msg, 0) <= 0xFF && set_temperature(dev, static_cast<int32_t>(word(msg, 1))));
}

}  // namespace

void register_bridge_simctl() {
    simctl::register_handler(sc::kVlans, vlans_cmd);
    simctl::register_handler(sc::kVlanPorts, vlan_ports_cmd);
    simctl::register_handler(sc::kStpStates, stp_states_cmd);
    simctl::register_handler(sc::kTemperature, temperature_cmd);
}

}  // namespace chipsim
