// Looking into the VLAN state (vlan/vlan.h).
#include "sdk/chipsim/core/model.h"

namespace chipsim {

Vlans vlans(uint8_t dev) {
    return on_device(dev, Vlans{}, [](Locked d) { return d->vlans; });
}

VlanEntry vlan_entry(uint8_t dev, uint16_t vid) {
    return on_device(dev, VlanEntry{}, [&](Locked d) {
        return vid <= SDK_VLAN_ID_MAX ? d->vlans.table[vid] : VlanEntry{};
    });
}

VlanPort vlan_port(uint8_t dev, uint8_t port) {
    return on_device(dev, VlanPort{}, [&](Locked d) {
        return port < kPortSlots ? d->vlans.ports[port] : VlanPort{};
    });
}

}  // namespace chipsim
