// Looking into the PHYs and acting on them from outside the SDK (phy/phy.h).
#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

template <typename T, typename Fn>
T on_phy(uint8_t dev, uint8_t port, T dflt, Fn fn) {
    return on_device(dev, dflt, [&](Locked d) {
        Port* p = d->port(port);
        Phy* phy = p ? d->wired_phy(*p) : nullptr;
        return phy ? fn(*phy, d, *p) : dflt;
    });
}

}  // namespace

bool phy_reg(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t* value) {
    return on_phy(dev, port, false, [&](Phy& phy, Locked d, Port& p) {
        if (phy.clause45()) return false;
        *value = phy.peek(page, reg, phy_link(d, p), p.partner);
        return true;
    });
}

bool phy_c45_reg(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t* value) {
    return on_phy(dev, port, false, [&](Phy& phy, Locked d, Port& p) {
        if (!phy.clause45()) return false;
        *value = phy.c45_read(mmd, reg, phy_link(d, p));
        return true;
    });
}

uint16_t phy_page(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, uint16_t{0}, [](Phy& phy, Locked, Port&) { return phy.page(); });
}

std::map<uint16_t, uint16_t> phy_internal(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, std::map<uint16_t, uint16_t>{},
                  [](Phy& phy, Locked, Port&) { return phy.internal(); });
}

uint16_t phy_class(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, uint16_t{0}, [](Phy& phy, Locked, Port&) { return phy.cls(); });
}

bool set_phy_answering(uint8_t dev, uint8_t port, bool answering) {
    bool done = on_phy(dev, port, false, [&](Phy& phy, Locked, Port&) {
        phy.answering = answering;
        return true;
    });
    changed();
    return done;
}

bool set_phy_settle_reads(uint8_t dev, uint8_t port, uint32_t reads) {
    bool done = on_phy(dev, port, false, [&](Phy& phy, Locked, Port&) {
        phy.settle_reads = reads;
        return true;
    });
    changed();
    return done;
}

bool phy_write(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t value) {
    bool done = on_phy(dev, port, false, [&](Phy& phy, Locked, Port&) {
        if (phy.clause45()) return false;
        phy.poke(page, reg, value);
        return true;
    });
    changed();
    return done;
}

bool phy_c45_write(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t value) {
    bool done = on_phy(dev, port, false, [&](Phy& phy, Locked, Port&) {
        if (!phy.clause45()) return false;
        phy.c45_write(mmd, reg, value);
        return true;
    });
    changed();
    return done;
}

}  // namespace chipsim
