// Looking into the bridge state of the model (chipsim.h).
#include "sdk/chipsim/model.h"

namespace chipsim {

Vlans vlans(uint8_t dev) {
    return on_device(dev, Vlans{}, [](Device& d) { return d.vlans; });
}

VlanEntry vlan_entry(uint8_t dev, uint16_t vid) {
    return on_device(dev, VlanEntry{}, [&](Device& d) {
        return vid <= SDK_VLAN_ID_MAX ? d.vlans.table[vid] : VlanEntry{};
    });
}

VlanPort vlan_port(uint8_t dev, uint8_t port) {
    return on_device(dev, VlanPort{}, [&](Device& d) {
        return port < kPortSlots ? d.vlans.ports[port] : VlanPort{};
    });
}

Stp stp(uint8_t dev) {
    return on_device(dev, Stp{}, [](Device& d) { return d.stp; });
}

Traps traps(uint8_t dev) {
    return on_device(dev, Traps{}, [](Device& d) { return d.traps; });
}

Misc misc(uint8_t dev) {
    return on_device(dev, Misc{}, [](Device& d) { return d.misc; });
}

bool set_temperature(uint8_t dev, int32_t celsius) {
    return on_device(dev, false, [&](Device& d) {
        d.misc.temperature = celsius;
        return true;
    });
}

}  // namespace chipsim
