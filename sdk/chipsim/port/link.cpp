// Link resolution: what link a port comes up with, given its configuration, its PHY and the
// partner at the other end of the cable.
//
// The combo PHYs select their medium with bits 6..0 of the media register (page 6 register
// 20 on class 0x1C0, page 18 register 20 on 0x2A0/0x2B0): bits 2..0 = 0 or 7 let the PHY use
// whichever medium has a partner (bits 5..4 choose which is preferred), 2 forces fibre at
// 1000 Mb/s, 3 fibre at 100 Mb/s; bit 6 runs the fibre side at 100 Mb/s.
#include "platform/board/board.h"
#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

uint32_t ability(uint32_t speed, bool full) {
    switch (speed) {
        case SDK_PORT_SPEED_10:
            return full ? kAb10Full : kAb10Half;
        case SDK_PORT_SPEED_100:
            return full ? kAb100Full : kAb100Half;
        case SDK_PORT_SPEED_1000:
            return full ? kAb1000Full : kAb1000Half;
        case SDK_PORT_SPEED_10000:
            return full ? kAb10000Full : 0;
    }
    return 0;
}

// Abilities a copper PHY advertises through registers 4 and 9.
uint32_t advertised(const Phy::Control& c) {
    uint32_t a = 0;
    if (c.adv & 0x0020) a |= kAb10Half;
    if (c.adv & 0x0040) a |= kAb10Full;
    if (c.adv & 0x0080) a |= kAb100Half;
    if (c.adv & 0x0100) a |= kAb100Full;
    if (c.adv1000 & 0x0100) a |= kAb1000Half;
    if (c.adv1000 & 0x0200) a |= kAb1000Full;
    return a;
}

LinkState up(uint32_t speed, bool full, bool pause, bool fibre) {
    LinkState l;
    l.up = true;
    l.speed = speed;
    l.duplex = full ? SDK_PORT_FULL_DUPLEX : SDK_PORT_HALF_DUPLEX;
    l.pause = pause;
    l.fibre = fibre;
    return l;
}

// IEEE 802.3 pause resolution: symmetric when both offer pause, one direction when both
// offer asymmetric pause and one of them pause.
bool resolve_pause(bool lp, bool la, bool pp, bool pa) {
    return (lp && pp) || (la && pa && (lp || pp));
}

LinkState copper(const Phy& phy, const Partner& partner) {
    if (phy.powered_down(0)) return {};
    Phy::Control c = phy.applied(0);
    uint32_t ours = advertised(c);
    bool pause = false;
    if (c.autoneg && partner.autoneg) {
        static constexpr struct {
            uint32_t speed;
            bool full;
        } order[] = {{SDK_PORT_SPEED_1000, true}, {SDK_PORT_SPEED_1000, false},
                     {SDK_PORT_SPEED_100, true},  {SDK_PORT_SPEED_100, false},
                     {SDK_PORT_SPEED_10, true},   {SDK_PORT_SPEED_10, false}};
        pause = resolve_pause(c.adv & 0x0400, c.adv & 0x0800, partner.pause, partner.asym_pause);
        for (const auto& o : order)
            if (ours & partner.abilities & ability(o.speed, o.full))
                return up(o.speed, o.full, pause, false);
        return {};
    }
    if (c.autoneg) {
        // Parallel detection of a forced partner: 10 and 100 Mb/s only, half duplex.
        uint32_t s = partner.forced_speed;
        if (s > SDK_PORT_SPEED_100 || !(ours & (ability(s, true) | ability(s, false)))) return {};
        return up(s, false, false, false);
    }
    if (partner.autoneg) {
        uint32_t both = ability(c.speed, true) | ability(c.speed, false);
        if (!(partner.abilities & both)) return {};
        return up(c.speed, c.full, false, false);
    }
    if (partner.forced_speed != c.speed) return {};
    return up(c.speed, c.full, false, false);
}

LinkState fibre(const Phy& phy, const Partner& partner) {
    if (phy.powered_down(1)) return {};
    uint16_t mode = phy.media_mode();
    bool at100 = (mode & 7) == 3 || (mode & 0x40);
    uint32_t speed = at100 ? SDK_PORT_SPEED_100 : SDK_PORT_SPEED_1000;
    if (!(partner.abilities & ability(speed, true))) return {};
    Phy::Control c = phy.applied(1);
    bool pause = c.autoneg && partner.autoneg &&
                 resolve_pause(c.adv & 0x0080, c.adv & 0x0100, partner.pause, partner.asym_pause);
    return up(speed, true, pause, true);
}

// A port without a PHY: the SERDES or the MAC interface meets the partner directly, at the
// speed the interface fixes (100BASE-FX, XGMII, KR) or else the MAC's configured speed and
// duplex; a partner that cannot run that way gives no link.
LinkState direct(const Port& p) {
    uint32_t speed = p.speed;
    bool full = p.duplex == SDK_PORT_FULL_DUPLEX;
    switch (p.if_mode) {
        case SDK_PORT_IF_100BASE_FX:
            speed = SDK_PORT_SPEED_100;
            break;
        case SDK_PORT_IF_XGMII:
        case SDK_PORT_IF_KR:
            speed = SDK_PORT_SPEED_10000;
            full = true;
            break;
    }
    if (!(p.partner.abilities & ability(speed, full))) return {};
    return up(speed, full, p.partner.pause, p.wiring && p.wiring->sfp);
}

}  // namespace

bool sfp_tx_disabled(Model& m, const board::Port& w) {
    if (!w.sfp || !w.sfp_tx) return false;
    const board::SfpTx& t = w.tx;
    uint8_t v = 0;
    switch (t.method) {
        case board::kSfpTxTwsi:
        case board::kSfpTxMux:
        case board::kSfpTxBus: {
            for (TwsiDev& d : m.twsi) {
                uint8_t bus = t.method == board::kSfpTxBus ? t.bus : 0;
                uint8_t behind = t.method == board::kSfpTxMux ? t.mux_addr : 0;
                if (d.desc.bus == bus && d.desc.addr == t.dev_addr && d.desc.behind == behind &&
                    !d.desc.mux && t.offset < d.mem.size())
                    v = d.mem[t.offset];
            }
            break;
        }
        case board::kSfpTxMemory: {
            auto it = m.board_regs.find(t.offset);
            if (it != m.board_regs.end()) v = it->second;
            break;
        }
        default:
            return false;
    }
    return (v & t.mask) == (t.disable_value & t.mask) && t.mask != 0;
}

LinkState phy_link(Locked d, Port& p) {
    if (!p.exists || !p.partner.present || !p.enabled || p.force_link_down) return {};
    const board::Port* w = p.wiring;
    if (!w) return direct(p);  // cascade, stacking and unwired ports
    auto tx_off = [&] {
        Model& m = model();
        std::lock_guard<std::mutex> lock(m.bus_mu);
        return sfp_tx_disabled(m, *w);
    };
    Phy* phy = d->wired_phy(p);
    if (!phy) {
        if ((d->desc->serdes && !p.serdes_up) || tx_off()) return {};
        return direct(p);
    }
    if (!phy->answering) return {};
    if (phy->clause45()) {
        if (phy->xg_tx_disabled() || tx_off()) return {};
        uint32_t speed = phy->xg_1000() ? SDK_PORT_SPEED_1000 : SDK_PORT_SPEED_10000;
        if (!(p.partner.abilities & ability(speed, true))) return {};
        return up(speed, true, p.partner.pause, true);
    }
    if (p.partner.fibre) {
        if (!w->combo || tx_off()) return {};
        return fibre(*phy, p.partner);
    }
    uint16_t mode = phy->media_mode() & 7;
    if (w->combo && (mode == 2 || mode == 3)) return {};  // forced to the fibre side
    return copper(*phy, cable_partner(d->cables, p));
}

LinkState resolve_link(Locked d, Port& p) {
    const bool has_phy = d->wired_phy(p) != nullptr;
    // With polling off the MAC keeps what it last learned from the PHY.
    if (has_phy && !p.smi_polling) return p.polled;
    LinkState l = phy_link(d, p);
    // A combo port whose auto-media-select bit is clear is polled on its copper side only.
    const bool ams = p.num < 24 && (d->auto_media[p.num / 6] >> (p.num % 6) & 1);
    if (has_phy && l.up && l.fibre && p.wiring && p.wiring->combo && !ams) return {};
    return l;
}

}  // namespace chipsim
