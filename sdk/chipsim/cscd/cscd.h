// Cascading: the unit's internal link between its devices, and the device map that says
// which cascade port a frame to another device leaves by. The device map is Device::cscd,
// guarded by the device's lock.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {

struct DevMapEntry {
    uint32_t link_num = 0;
    uint32_t link_type = 0;
    bool hash = false;
};

struct Cscd {
    std::vector<DevMapEntry> dev_map = std::vector<DevMapEntry>(32);  // by target device
    bool src_dev_filter = true;  // drop frames tagged with this device as their source
};

// The port is one end of the unit's internal link between devices.
bool is_cascade(Locked d, uint8_t port);
struct Device;

// The device at the other end of a device's internal link, and its port there (nullptr:
// none).
Device* cascade_peer(const Device& d, uint8_t* port);
// The port a frame to hardware device `target` leaves by, as the device map says (0xFF:
// none): a link numbered by the table's size is the internal link to the unit's other device,
// any other port link that port.
uint8_t cascade_port_to(Locked d, uint8_t target);

// Stage cscd_ingress: a frame over the internal link keeps the VLAN, priority and source given
// where it entered the unit (a VLAN this device does not hold drops it).
void cscd_ingress(Locked d, Packet& p, const Result::Hop& h);

DevMapEntry dev_map(uint8_t dev, uint8_t target);

}  // namespace chipsim
