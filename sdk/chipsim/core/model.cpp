// Building the model from the board description, the process-global instance, faults.
#include "sdk/chipsim/core/model.h"

#include "sdk/chipsim/poe/poe_controller.h"

#include "sdk/sdk_cscd.h"
#include "sdk/sdk_port.h"

namespace chipsim {
namespace {

std::mutex g_model_mu;
std::unique_ptr<Model> g_model;

uint16_t phy_key(uint8_t smi_interface, uint8_t addr) {
    return static_cast<uint16_t>(smi_interface << 8 | addr);
}

SDK_STATUS after_init_default(uint8_t) {
    return SDK_OK;
}

SDK_STATUS board_funcs_default(uint8_t, SDK_BOARD_CONFIG_FUNCS* funcs) {
    if (!funcs) return SDK_BAD_PTR;
    funcs->boardAfterInitConfig = after_init_default;
    return SDK_OK;
}

uint32_t top_speed(uint32_t type) {
    switch (type) {
        case SDK_PORT_TYPE_FE:
            return SDK_PORT_SPEED_100;
        case SDK_PORT_TYPE_XG:
            return SDK_PORT_SPEED_10000;
        default:
            return SDK_PORT_SPEED_1000;
    }
}

void build_device(Device& d, const board::Unit& u, const board::Device& desc) {
    d.num = desc.id;
    d.desc = &desc;
    d.hw_dev_num = desc.hw_dev_num;
    d.trunks.remap = desc.trunk_remap;
    d.fdb.slots.assign(desc.fdb_size, FdbSlot{});
    for (uint8_t n = 0; n < SDK_MAX_PORTS; ++n) {
        Port& p = d.ports[n];
        p.num = n;
        p.exists = desc.existing_ports & (1u << n);
        if (!p.exists) continue;
        p.wiring = u.port_at(desc.id, n);
        if (p.wiring) {
            p.type = p.wiring->type;
            p.if_mode = p.wiring->if_mode;
            p.partner.present = p.wiring->partner;
            p.partner.fibre = p.wiring->partner_fibre;
            const board::Phy& phy = p.wiring->phy;
            if (phy.cls)
                d.phys[phy_key(phy.smi_interface, phy.address)] = Phy(phy.cls, phy.revision);
            if (p.wiring->combo) d.auto_media[n / 6] |= 1u << (n % 6);
        } else {
            p.type = n >= 24 ? SDK_PORT_TYPE_XG : SDK_PORT_TYPE_GE;
            p.if_mode = p.type == SDK_PORT_TYPE_XG ? SDK_PORT_IF_XGMII : SDK_PORT_IF_SGMII;
        }
        p.speed = top_speed(p.type);
        p.duplex = SDK_PORT_FULL_DUPLEX;
        p.phy_addr = n;  // until the board configuration places the PHYs
        p.cscd_type = SDK_CSCD_PORT_NETWORK;
        for (const board::CascadePort& c : desc.cascade)
            if (c.port == n) p.cscd_type = c.type;
    }
    d.cpu_port.exists = true;
    d.cpu_port.num = SDK_CPU_PORT;
    d.cpu_port.type = SDK_PORT_TYPE_GE;
    d.cpu_port.speed = SDK_PORT_SPEED_1000;
}

void build(Model& m, const board::Description& b) {
    m.board = b;
    m.unit = &m.board.my();
    m.board_info = SDK_BOARD_INFO{"virtual switch board", SDK_BOARD_REVISIONS, board_funcs_default};
    for (const board::TwsiDevice& t : m.unit->twsi) {
        TwsiDev d;
        d.desc = t;
        d.mem.assign(t.size, 0);
        for (const auto& [off, byte] : t.init)
            d.mem[off] = byte;
        m.twsi.push_back(std::move(d));
    }
    poe::add_controllers(m);
    for (const board::BoardReg& r : m.unit->regs)
        m.board_regs[r.addr] = r.value;
    for (const board::Device& desc : m.unit->devices) {
        auto d = std::make_unique<Device>();
        build_device(*d, *m.unit, desc);
        m.devices.push_back(std::move(d));
    }
}

}  // namespace

Phy* Device::wired_phy(const Port& p) {
    if (!p.wiring || !p.wiring->phy.cls) return nullptr;
    auto it = phys.find(phy_key(p.wiring->phy.smi_interface, p.wiring->phy.address));
    return it == phys.end() ? nullptr : &it->second;
}

Phy* Device::addressed_phy(const Port& p) {
    auto it = phys.find(phy_key(p.smi_interface, p.phy_addr));
    return it == phys.end() ? nullptr : &it->second;
}

std::atomic<Model*> g_model_now{nullptr};

Model& build_model() {
    std::lock_guard<std::mutex> lock(g_model_mu);
    if (!g_model) {
        g_model = std::make_unique<Model>();
        build(*g_model, board::current());
        g_model_now.store(g_model.get(), std::memory_order_release);
    }
    return *g_model;
}

void reset(const board::Description& b) {
    board::set_current(b);
    auto m = std::make_unique<Model>();
    build(*m, board::current());
    std::lock_guard<std::mutex> lock(g_model_mu);
    g_model = std::move(m);
    g_model_now.store(g_model.get(), std::memory_order_release);
}

void reset() {
    reset(board::current());
}

bool initialised() {
    return model().initialised;
}

Device* device(uint8_t dev) {
    Model& m = model();
    if (!m.initialised || dev >= m.devices.size()) return nullptr;
    return m.devices[dev].get();
}

void fail(const std::string& op, SDK_STATUS rc, uint32_t count, uint32_t skip) {
    if (count == 0)
        faults::remove(op);
    else
        faults::set(op, rc, count, skip);
}

void clear_faults() {
    faults::clear();
}

}  // namespace chipsim
