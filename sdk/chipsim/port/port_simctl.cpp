// The ports' simulation-control commands: the port table, and the link partners.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

sc::PortRecord port_record(const board::Port& w) {
    Model& m = model();
    Device& d = *m.devices[w.device];
    DeviceLock lock(d);
    Port& p = d.ports[w.dev_port];
    LinkState l = resolve_link(lock.locked(), p);
    Phy* phy = d.wired_phy(p);
    sc::PortRecord r;
    auto flag = [&](bool on, uint32_t bit) { r.flags |= on ? bit : 0; };
    flag(p.enabled, sc::kPortFlagAdmin);
    flag(l.up, sc::kPortFlagLink);
    flag(p.speed_an, sc::kPortFlagSpeedAn);
    flag(p.duplex_an, sc::kPortFlagDuplexAn);
    flag(p.fc_an, sc::kPortFlagFcAn);
    flag(p.flow_control, sc::kPortFlagFlowControl);
    flag(p.back_pressure, sc::kPortFlagBackPressure);
    flag(p.oversize_filter, sc::kPortFlagOversizeFilter);
    flag(phy && (phy->clause45() ? phy->xg_tx_disabled() : phy->powered_down(0)),
         sc::kPortFlagPhyDown);
    flag(p.partner.present, sc::kPortFlagPartner);
    flag(l.up && l.pause, sc::kPortFlagLinkPause);
    flag(l.up && l.fibre, sc::kPortFlagLinkFibre);
    {
        std::lock_guard<std::mutex> bus(m.bus_mu);
        flag(sfp_tx_disabled(m, w), sc::kPortFlagSfpTxOff);
    }
    flag(p.serdes_up, sc::kPortFlagSerdesUp);
    flag(p.smi_polling, sc::kPortFlagPolling);
    flag(phy && !phy->answering, sc::kPortFlagPhySilent);
    flag(p.partner.autoneg, sc::kPortFlagPartnerAutoneg);
    r.front = static_cast<uint8_t>(w.front);
    r.device = w.device;
    r.dev_port = w.dev_port;
    r.type = static_cast<uint8_t>(p.type);
    r.speed = static_cast<uint8_t>(p.speed);
    r.duplex = static_cast<uint8_t>(p.duplex);
    r.link_speed = static_cast<uint8_t>(l.speed);
    r.link_duplex = static_cast<uint8_t>(l.duplex);
    r.mru = static_cast<uint16_t>(p.mru);
    r.phy_class = phy ? phy->cls() : 0;
    r.if_mode = static_cast<uint8_t>(p.if_mode);
    r.partner_speed = static_cast<uint8_t>(p.partner.forced_speed);
    r.partner_full = p.partner.forced_full ? 1 : 0;
    r.partner_abilities = p.partner.abilities;
    return r;
}

bool ports(void* msg) {
    sc::List<sc::PortRecord> list;
    for (const board::Port& w : model().unit->ports) {
        if (8 + (list.count + 1) * sc::kPortRecordSize > simctl::kMaxPayload) break;
        list.add(port_record(w));
    }
    return reply(msg, list);
}

bool partner_set(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        sc::PartnerRequest rq;
        if (!sc::decode(ipcmsg::payload(msg), ipcmsg::msg_size(msg), &rq))
            return answer(msg, false);
        const sc::Partner& w = rq.partner;
        if (w.abilities & ~kAbAll || w.forced_speed > SDK_PORT_SPEED_10000)
            return answer(msg, false);
        Partner p;
        p.present = w.present;
        p.autoneg = w.autoneg;
        p.abilities = w.abilities;
        p.pause = w.pause;
        p.asym_pause = w.asym_pause;
        p.forced_speed = w.forced_speed;
        p.forced_full = w.forced_full;
        p.fibre = w.fibre;
        return answer(msg, set_partner(dev, port, p));
    });
}

bool partner_get(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        PortState s;
        if (!port_state(dev, port, &s)) return answer(msg, false);
        const Partner& p = s.partner;
        sc::Partner r;
        r.present = p.present;
        r.autoneg = p.autoneg;
        r.abilities = p.abilities;
        r.pause = p.pause;
        r.asym_pause = p.asym_pause;
        r.forced_speed = p.forced_speed;
        r.forced_full = p.forced_full;
        r.fibre = p.fibre;
        return reply(msg, r);
    });
}

}  // namespace

void register_port_simctl() {
    simctl_register(sc::kPorts, ports);
    simctl_register(sc::kPartner, partner_set);
    simctl_register(sc::kPartnerGet, partner_get);
}

}  // namespace chipsim
