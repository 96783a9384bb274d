// The cables' state, what they do to the link, and their inspection.
#include "sdk/chipsim/cable/cable.h"

#include "sdk/chipsim/core/model.h"

namespace chipsim {

Cable cable_of(const Cables& c, const Port& p) {
    if (p.num < SDK_MAX_PORTS && c.ports[p.num].set) return c.ports[p.num].pairs;
    Cable none{};
    if (!p.partner.present)
        for (CablePair& pair : none)
            pair = {SDK_CABLE_OPEN, 0};
    return none;
}

Partner cable_partner(const Cables& c, const Port& p) {
    Partner partner = p.partner;
    if (p.num >= SDK_MAX_PORTS || !c.ports[p.num].set) return partner;
    const Cable& pairs = c.ports[p.num].pairs;
    auto good = [&](int i) { return pairs[i].state == SDK_CABLE_NORMAL; };
    if (!good(0) || !good(1)) {  // nothing the PHY can link with
        partner.abilities = 0;
        partner.forced_speed = SDK_PORT_SPEED_NA;
    }
    if (!good(2) || !good(3)) partner.abilities &= ~(kAb1000Full | kAb1000Half);
    return partner;
}

bool set_cable_pair(uint8_t dev, uint8_t port, uint32_t pair, uint32_t state, uint32_t metres) {
    if (pair >= SDK_CABLE_PAIRS || state < SDK_CABLE_NORMAL || state > SDK_CABLE_CROSSTALK ||
        port >= SDK_MAX_PORTS)
        return false;
    return change_device(dev, false, [&](Locked d) {
        Port* p = d->port(port);
        if (!p) return false;
        PortCable& c = d->cables.ports[port];
        if (!c.set) {
            for (CablePair& other : c.pairs)
                other = {SDK_CABLE_NORMAL, metres};
            c.set = true;
        }
        c.pairs[pair] = {state, metres};
        return true;
    });
}

bool clear_cable(uint8_t dev, uint8_t port) {
    if (port >= SDK_MAX_PORTS) return false;
    return change_device(dev, false, [&](Locked d) {
        if (!d->port(port)) return false;
        d->cables.ports[port] = PortCable{};
        return true;
    });
}

PortCable port_cable(uint8_t dev, uint8_t port) {
    if (port >= SDK_MAX_PORTS) return {};
    return on_device(dev, PortCable{}, [&](Locked d) {
        PortCable c = d->cables.ports[port];
        if (Port* p = d->port(port)) c.pairs = cable_of(d->cables, *p);
        return c;
    });
}

}  // namespace chipsim
