// The VLAN state's simulation-control commands: the VLAN table and the ports' VLAN settings.
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool vlans_cmd(void* msg) {
    uint32_t first = word(msg, 1);
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0, next = 0;
    constexpr uint32_t kMax = (simctl::kMaxPayload - 12) / sc::kVlanRecordSize;
    bool ok = first <= SDK_VLAN_ID_MAX && on_dev(word(msg, 0), [&](Device& d) {
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
        on_dev(w.device, [&](Device& d) {
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

}  // namespace

void register_vlan_simctl() {
    simctl_register(sc::kVlans, vlans_cmd);
    simctl_register(sc::kVlanPorts, vlan_ports_cmd);
}

}  // namespace chipsim
