// The chip model's simulation-control commands (layouts in simctl_cmds.h).
#include <cstring>

#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/model.h"
#include "sdk/chipsim/simctl_cmds.h"
#include "sdk/chipsim/simctl_reply.h"
#include "sdk/chipsim/xcvr/xcvr_cmds.h"

namespace chipsim {
namespace {

namespace sc = simcmd;

using simreply::answer;
using simreply::word;

// Runs fn(device, port) for the front port in word 0.
template <typename Fn>
bool on_front(void* msg, Fn fn) {
    uint32_t front;
    uint8_t dev, port;
    if (!word(msg, 0, &front) || !front_port(front, &dev, &port)) return answer(msg, false);
    return fn(dev, port);
}

void put_port(uint8_t* r, const board::Port& w) {
    Model& m = model();
    Device& d = *m.devices[w.device];
    std::lock_guard<std::mutex> lock(d.mu);
    Port& p = d.ports[w.dev_port];
    LinkState l = resolve_link(d, p);
    Phy* phy = d.wired_phy(p);
    uint32_t f = 0;
    auto flag = [&](bool on, uint32_t bit) { f |= on ? bit : 0; };
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
    std::memset(r, 0, sc::kPortRecordSize);
    r[0] = static_cast<uint8_t>(w.front);
    r[1] = w.device;
    r[2] = w.dev_port;
    r[3] = static_cast<uint8_t>(p.type);
    be::put32(r + 4, f);
    r[8] = static_cast<uint8_t>(p.speed);
    r[9] = static_cast<uint8_t>(p.duplex);
    r[10] = static_cast<uint8_t>(l.speed);
    r[11] = static_cast<uint8_t>(l.duplex);
    be::put16(r + 12, static_cast<uint16_t>(p.mru));
    be::put16(r + 14, phy ? phy->cls() : 0);
    r[16] = static_cast<uint8_t>(p.if_mode);
    r[17] = static_cast<uint8_t>(p.partner.forced_speed);
    r[18] = p.partner.forced_full ? 1 : 0;
    be::put32(r + 20, p.partner.abilities);
}

bool ports(void* msg) {
    Model& m = model();
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0;
    for (const board::Port& w : m.unit->ports) {
        if (8 + (n + 1) * sc::kPortRecordSize > simctl::kMaxPayload) break;
        put_port(out + 8 + n * sc::kPortRecordSize, w);
        ++n;
    }
    be::put32(out + 4, n);
    return answer(msg, true, static_cast<uint16_t>(4 + n * sc::kPortRecordSize));
}

bool phy_access(void* msg, bool write) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t kind, page, reg, value = 0;
        if (!word(msg, 1, &kind) || !word(msg, 2, &page) || !word(msg, 3, &reg) ||
            (write && !word(msg, 4, &value)) || page > 0xFF || reg > 0xFFFF || value > 0xFFFF)
            return answer(msg, false);
        uint16_t v = static_cast<uint16_t>(value);
        bool ok;
        if (kind == 1)
            ok = write ? phy_c45_write(dev, port, uint8_t(page), uint16_t(reg), v)
                       : phy_c45_reg(dev, port, uint8_t(page), uint16_t(reg), &v);
        else
            ok = reg <= 31 && (write ? phy_write(dev, port, uint8_t(page), uint8_t(reg), v)
                                     : phy_reg(dev, port, uint8_t(page), uint8_t(reg), &v));
        if (!ok || write) return answer(msg, ok);
        ipcmsg::set_word(msg, 1, v);
        return answer(msg, true, 4);
    });
}

bool phy_read(void* msg) {
    return phy_access(msg, false);
}
bool phy_write_cmd(void* msg) {
    return phy_access(msg, true);
}

bool phy_dump(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t page;
        if (!word(msg, 1, &page) || page > 0xFF) return answer(msg, false);
        uint16_t cls = phy_class(dev, port);
        uint8_t* out = ipcmsg::payload(msg);
        be::put32(out + 4, cls);
        for (uint8_t r = 0; r < 32; ++r) {
            uint16_t v = 0;
            if (!phy_reg(dev, port, uint8_t(page), r, &v)) return answer(msg, false);
            be::put16(out + 8 + 2 * r, v);
        }
        return answer(msg, true, 4 + 64);
    });
}

bool partner_set(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t w[9];
        for (uint32_t i = 0; i < 9; ++i)
            if (!word(msg, i, &w[i])) return answer(msg, false);
        if (w[3] & ~kAbAll || w[6] > SDK_PORT_SPEED_10000) return answer(msg, false);
        Partner p;
        p.present = w[1];
        p.autoneg = w[2];
        p.abilities = w[3];
        p.pause = w[4];
        p.asym_pause = w[5];
        p.forced_speed = w[6];
        p.forced_full = w[7];
        p.fibre = w[8];
        return answer(msg, set_partner(dev, port, p));
    });
}

bool partner_get(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        PortState s;
        if (!port_state(dev, port, &s)) return answer(msg, false);
        const Partner& p = s.partner;
        uint32_t w[8] = {p.present,    p.autoneg,      p.abilities,   p.pause,
                         p.asym_pause, p.forced_speed, p.forced_full, p.fibre};
        for (uint32_t i = 0; i < 8; ++i)
            ipcmsg::set_word(msg, i + 1, w[i]);
        return answer(msg, true, 32);
    });
}

bool phy_answer(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t on;
        if (!word(msg, 1, &on)) return answer(msg, false);
        return answer(msg, set_phy_answering(dev, port, on != 0));
    });
}

bool twsi_fail(void* msg) {
    uint32_t bus, addr, n;
    if (!word(msg, 0, &bus) || !word(msg, 1, &addr) || !word(msg, 2, &n) || bus > 0xFF ||
        addr > 0x7F)
        return answer(msg, false);
    return answer(msg, twsi_fail_next(uint8_t(bus), uint8_t(addr), n));
}

}  // namespace

void register_simctl() {
    simctl::register_handler(sc::kPorts, ports);
    simctl::register_handler(sc::kPhyRead, phy_read);
    simctl::register_handler(sc::kPhyWrite, phy_write_cmd);
    simctl::register_handler(sc::kPhyDump, phy_dump);
    simctl::register_handler(sc::kPartner, partner_set);
    simctl::register_handler(sc::kPhyAnswer, phy_answer);
    simctl::register_handler(sc::kTwsiFail, twsi_fail);
    simctl::register_handler(sc::kPartnerGet, partner_get);
    register_xcvr_simctl();
    register_frame_simctl();
    register_bridge_simctl();
}

}  // namespace chipsim
