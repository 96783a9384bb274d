// Looking into the model and acting on the simulated world (chipsim.h).
#include "sdk/chipsim/model.h"

namespace chipsim {
namespace {

// on_device, counted as a change of the simulated world.
template <typename T, typename Fn>
T changing_device(uint8_t dev, T dflt, Fn fn) {
    model().changes.fetch_add(1, std::memory_order_relaxed);
    return on_device(dev, dflt, fn);
}

template <typename T, typename Fn>
T on_port(uint8_t dev, uint8_t port, T dflt, Fn fn) {
    return changing_device(dev, dflt, [&](Device& d) {
        Port* p = d.port(port);
        return p ? fn(d, *p) : dflt;
    });
}

template <typename T, typename Fn>
T on_phy(uint8_t dev, uint8_t port, T dflt, Fn fn) {
    return on_port(dev, port, dflt, [&](Device& d, Port& p) {
        Phy* phy = d.wired_phy(p);
        return phy ? fn(*phy, d, p) : dflt;
    });
}

TwsiDev* find_dev(Model& m, uint8_t bus, uint8_t addr) {
    for (TwsiDev& d : m.twsi)
        if (d.desc.bus == bus && d.desc.addr == addr) return &d;
    return nullptr;
}

}  // namespace

bool port_state(uint8_t dev, uint8_t port, PortState* out) {
    return on_port(dev, port, false, [&](Device&, Port& p) {
        *out = p;
        return true;
    });
}

LinkState link(uint8_t dev, uint8_t port) {
    return on_port(dev, port, LinkState{}, [](Device& d, Port& p) { return resolve_link(d, p); });
}

uint8_t hw_dev_num(uint8_t dev) {
    return changing_device(dev, uint8_t{0}, [](Device& d) { return d.hw_dev_num; });
}

bool aa_ta_to_cpu(uint8_t dev) {
    return changing_device(dev, false, [](Device& d) { return d.aa_ta_to_cpu; });
}

bool netif_up(uint8_t dev) {
    return changing_device(dev, false, [](Device& d) { return d.netif_up; });
}

uint32_t token_bucket_mtu(uint8_t dev) {
    return changing_device(dev, 0u, [](Device& d) { return d.token_bucket_mtu; });
}

uint32_t auto_media_select(uint8_t dev, uint8_t port) {
    return changing_device(dev, 0u,
                           [&](Device& d) { return port < 24 ? d.auto_media[port / 6] : 0u; });
}

uint32_t hw_reg(uint8_t dev, uint32_t addr) {
    return changing_device(dev, 0u, [&](Device& d) {
        auto it = d.regs.find(addr);
        return it == d.regs.end() ? 0u : it->second;
    });
}

DevMapEntry dev_map(uint8_t dev, uint8_t target) {
    return changing_device(dev, DevMapEntry{}, [&](Device& d) {
        return target < d.dev_map.size() ? d.dev_map[target] : DevMapEntry{};
    });
}

std::vector<AuMessage> au_messages(uint8_t dev) {
    return changing_device(dev, std::vector<AuMessage>{}, [](Device& d) { return d.au_queue; });
}

uint32_t board_param(const std::string& name) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    auto it = m.params.find(name);
    return it == m.params.end() ? 0xFFFFFFFF : it->second;
}

bool phase2_netif_option() {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    return m.opt_phase2_netif;
}

bool phy_reg(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t* value) {
    return on_phy(dev, port, false, [&](Phy& phy, Device& d, Port& p) {
        if (phy.clause45()) return false;
        *value = phy.peek(page, reg, resolve_link(d, p), p.partner);
        return true;
    });
}

bool phy_c45_reg(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t* value) {
    return on_phy(dev, port, false, [&](Phy& phy, Device& d, Port& p) {
        if (!phy.clause45()) return false;
        *value = phy.c45_read(mmd, reg, resolve_link(d, p));
        return true;
    });
}

uint16_t phy_page(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, uint16_t{0}, [](Phy& phy, Device&, Port&) { return phy.page(); });
}

std::map<uint16_t, uint16_t> phy_internal(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, std::map<uint16_t, uint16_t>{},
                  [](Phy& phy, Device&, Port&) { return phy.internal(); });
}

uint16_t phy_class(uint8_t dev, uint8_t port) {
    return on_phy(dev, port, uint16_t{0}, [](Phy& phy, Device&, Port&) { return phy.cls(); });
}

bool twsi_byte(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t* value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* d = find_dev(m, bus, addr);
    if (!d || d->desc.mux || offset >= d->mem.size()) return false;
    *value = d->mem[offset];
    return true;
}

uint8_t mux_channels(uint8_t bus, uint8_t addr) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* d = find_dev(m, bus, addr);
    return d && d->desc.mux ? d->channels : 0;
}

bool board_reg(uint32_t addr, uint8_t* value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    auto it = m.board_regs.find(addr);
    if (it == m.board_regs.end()) return false;
    *value = it->second;
    return true;
}

bool set_partner(uint8_t dev, uint8_t port, const Partner& partner) {
    return on_port(dev, port, false, [&](Device&, Port& p) {
        p.partner = partner;
        return true;
    });
}

bool set_address_traffic(uint8_t dev, uint8_t port, bool on) {
    return on_port(dev, port, false, [&](Device&, Port& p) {
        p.address_traffic = on;
        return true;
    });
}

bool set_phy_answering(uint8_t dev, uint8_t port, bool answering) {
    return on_phy(dev, port, false, [&](Phy& phy, Device&, Port&) {
        phy.answering = answering;
        return true;
    });
}

bool set_phy_settle_reads(uint8_t dev, uint8_t port, uint32_t reads) {
    return on_phy(dev, port, false, [&](Phy& phy, Device&, Port&) {
        phy.settle_reads = reads;
        return true;
    });
}

bool phy_write(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t value) {
    return on_phy(dev, port, false, [&](Phy& phy, Device&, Port&) {
        if (phy.clause45()) return false;
        phy.poke(page, reg, value);
        return true;
    });
}

bool phy_c45_write(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t value) {
    return on_phy(dev, port, false, [&](Phy& phy, Device&, Port&) {
        if (!phy.clause45()) return false;
        phy.c45_write(mmd, reg, value);
        return true;
    });
}

bool twsi_fail_next(uint8_t bus, uint8_t addr, uint32_t n) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* d = find_dev(m, bus, addr);
    if (!d) return false;
    d->fail_next = n;
    return true;
}

bool twsi_poke(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* d = find_dev(m, bus, addr);
    if (!d || d->desc.mux || offset >= d->mem.size()) return false;
    d->mem[offset] = value;
    return true;
}

}  // namespace chipsim
