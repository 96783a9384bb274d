// Looking into the ports and acting on their surroundings (port/port.h).
#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

template <typename T, typename Fn>
T on_port(uint8_t dev, uint8_t port, T dflt, Fn fn) {
    return on_device(dev, dflt, [&](Locked d) {
        Port* p = d->port(port);
        return p ? fn(d, *p) : dflt;
    });
}

}  // namespace

bool port_state(uint8_t dev, uint8_t port, PortState* out) {
    return on_port(dev, port, false, [&](Locked, Port& p) {
        *out = p;
        return true;
    });
}

LinkState link(uint8_t dev, uint8_t port) {
    return on_port(dev, port, LinkState{}, [](Locked d, Port& p) { return resolve_link(d, p); });
}

uint32_t auto_media_select(uint8_t dev, uint8_t port) {
    return on_device(dev, 0u, [&](Locked d) { return port < 24 ? d->auto_media[port / 6] : 0u; });
}

bool set_partner(uint8_t dev, uint8_t port, const Partner& partner) {
    bool done = on_port(dev, port, false, [&](Locked, Port& p) {
        p.partner = partner;
        return true;
    });
    changed();
    return done;
}

bool set_address_traffic(uint8_t dev, uint8_t port, bool on) {
    bool done = on_port(dev, port, false, [&](Locked, Port& p) {
        p.address_traffic = on;
        return true;
    });
    changed();
    return done;
}

bool front_port(uint32_t front, uint8_t* dev, uint8_t* port) {
    const board::Port* p = model().unit->port(front);
    if (!p) return false;
    *dev = p->device;
    *port = p->dev_port;
    return true;
}

}  // namespace chipsim
