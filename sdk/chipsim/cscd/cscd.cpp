// The unit's internal link between its devices: which ports are its ends, where a frame over
// it arrives, and what the arriving frame keeps of its classification.
#include "sdk/chipsim/cscd/cscd.h"

#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_cscd.h"

namespace chipsim {

bool is_cascade(Locked d, uint8_t port) {
    uint64_t& mask = d->cache.cascade_ports;
    if (mask == kUnknownPorts) {
        mask = 0;
        for (const board::CascadePort& c : d->desc->cascade)
            mask |= uint64_t{1} << (c.port % kPortSlots);
    }
    return mask >> (port % kPortSlots) & 1;
}

Device* cascade_peer(const Device& d, uint8_t* port) {
    for (auto& e : model().devices) {
        if (e.get() == &d || e->desc->cascade.empty()) continue;
        *port = e->desc->cascade.front().port;
        return e.get();
    }
    return nullptr;
}

uint8_t cascade_port_to(Locked d, uint8_t target) {
    const std::vector<DevMapEntry>& map = d->cscd.dev_map;
    const DevMapEntry& e = map[target % map.size()];
    if (e.link_type != SDK_CSCD_LINK_TYPE_PORT) return 0xFF;  // no trunks between devices
    // A link numbered by the table's size is the internal link to the unit's other device.
    if (e.link_num == map.size())
        return d->desc->cascade.empty() ? 0xFF : d->desc->cascade.front().port;
    return e.link_num < SDK_MAX_PORTS && d->port(static_cast<uint8_t>(e.link_num))
               ? static_cast<uint8_t>(e.link_num)
               : 0xFF;
}

void cscd_ingress(Locked d, Packet& p, const Result::Hop& h) {
    p.src_dev = h.src_dev;
    p.src_port = h.src_port;
    p.vid = h.vid;
    p.up = h.up;
    p.cfi = p.l2.tci >> 12 & 1;
    p.vlan = p.vid <= 4094 && d->vlans.table[p.vid].valid ? &d->vlans.table[p.vid] : nullptr;
    if (!p.vlan) apply(p, Cmd::kHardDrop, Drop::kInvalidVlan);
    if (d->cscd.src_dev_filter && p.src_dev == d->hw_dev_num) apply(p, Cmd::kHardDrop, Drop::kLoop);
    if (p.out->tracing) trace_stage(d, p, "cscd_ingress", 0xFF, "vid " + std::to_string(p.vid));
}

DevMapEntry dev_map(uint8_t dev, uint8_t target) {
    return on_device(dev, DevMapEntry{}, [&](Locked d) {
        return target < d->cscd.dev_map.size() ? d->cscd.dev_map[target] : DevMapEntry{};
    });
}

}  // namespace chipsim
