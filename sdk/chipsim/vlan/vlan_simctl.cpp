// The VLAN state's simulation-control commands: the VLAN table and the ports' VLAN settings.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool vlans_cmd(void* msg) {
    uint32_t first = word(msg, 1);
    sc::VlansReply out;
    constexpr uint32_t kMax = (simctl::kMaxPayload - 12) / sc::kVlanRecordSize;
    bool ok = first <= SDK_VLAN_ID_MAX && on_dev(word(msg, 0), [&](Device& d) {
                  for (uint32_t vid = first; vid <= SDK_VLAN_ID_MAX; ++vid) {
                      const VlanEntry& e = d.vlans.table[vid];
                      if (!e.valid) continue;
                      if (out.count == kMax) {
                          out.next = vid;
                          break;
                      }
                      sc::VlanRecord r;
                      r.vid = static_cast<uint16_t>(vid);
                      r.stp_group = static_cast<uint8_t>(e.info.stgId);
                      r.mru_profile = static_cast<uint8_t>(e.info.mruIdx);
                      r.members = {e.members.ports[0], e.members.ports[1]};
                      r.tagged = {e.tagged.ports[0], e.tagged.ports[1]};
                      out.items.push_back(r);
                      ++out.count;
                  }
              });
    if (!ok) return answer(msg, false);
    return reply(msg, out);
}

bool vlan_ports_cmd(void* msg) {
    sc::List<sc::VlanPortRecord> out;
    for (const board::Port& w : model().unit->ports) {
        on_dev(w.device, [&](Device& d) {
            const VlanPort& p = d.vlans.ports[w.dev_port];
            sc::VlanPortRecord r;
            r.front = static_cast<uint8_t>(w.front);
            r.device = w.device;
            r.dev_port = w.dev_port;
            r.accept = static_cast<uint8_t>(p.accept);
            r.pvid = p.pvid;
            r.tpid = p.tpid;
            r.flags = (p.ingress_filter ? sc::kVlanPortFlagIngressFilter : 0) |
                      (p.nested_access ? sc::kVlanPortFlagTunnelAccess : 0) |
                      (p.copy_inner_up ? sc::kVlanPortFlagCopyInnerUp : 0);
            r.default_up = static_cast<uint8_t>(p.default_up);
            out.add(r);
        });
    }
    return reply(msg, out);
}

}  // namespace

void register_vlan_simctl() {
    simctl_register(sc::kVlans, vlans_cmd);
    simctl_register(sc::kVlanPorts, vlan_ports_cmd);
}

}  // namespace chipsim
