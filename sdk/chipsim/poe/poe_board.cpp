// The PoE controllers of the board: built with the model, found by device index or front
// port, and the inspection and control functions over them.
#include <memory>
#include <mutex>

#include "sdk/chipsim/poe/poe_controller.h"

namespace chipsim::poe {

void add_controllers(Model& m) {
    const board::PoeControllers& poe = m.unit->poe;
    for (size_t i = 0; i < poe.addrs.size(); ++i) {
        TwsiDev d;
        d.desc.bus = poe.bus;
        d.desc.addr = poe.addrs[i];
        d.desc.size = 0x10000;
        d.behaviour = std::make_shared<Controller>(static_cast<uint8_t>(i), poe.ports_per_device,
                                                   poe.budget_watts);
        m.twsi.push_back(std::move(d));
    }
}

Controller* controller(Model& m, uint8_t index) {
    const board::PoeControllers& poe = m.unit->poe;
    if (index >= poe.addrs.size()) return nullptr;
    for (TwsiDev& d : m.twsi)
        if (d.desc.bus == poe.bus && d.desc.addr == poe.addrs[index] && d.desc.behind == 0)
            return dynamic_cast<Controller*>(d.behaviour.get());
    return nullptr;
}

bool locate(const Model& m, uint32_t front, uint8_t* index, uint8_t* channel) {
    const board::PoeControllers& poe = m.unit->poe;
    if (front == 0 || poe.ports_per_device == 0) return false;
    uint32_t port = front - 1;
    if (port / poe.ports_per_device >= poe.addrs.size()) return false;
    *index = static_cast<uint8_t>(port / poe.ports_per_device);
    *channel = static_cast<uint8_t>(port % poe.ports_per_device);
    return true;
}

namespace {

template <typename Fn>
bool on_port(uint32_t front, Fn fn) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    uint8_t index, channel;
    if (!locate(m, front, &index, &channel)) return false;
    Controller* c = controller(m, index);
    if (!c) return false;
    m.changes.fetch_add(1, std::memory_order_relaxed);
    return fn(*c, channel);
}

}  // namespace

bool attach(uint32_t front, uint8_t cls, uint16_t draw) {
    return on_port(front, [&](Controller& c, uint8_t ch) { return c.attach(ch, cls, draw); });
}

bool detach(uint32_t front) {
    return on_port(front, [&](Controller& c, uint8_t ch) { return c.detach(ch); });
}

bool channel_state(uint32_t front, Channel* out) {
    return on_port(front, [&](Controller& c, uint8_t ch) {
        *out = c.channel(ch);
        return true;
    });
}

bool set_fault(uint8_t index, Fault f) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    Controller* c = controller(m, index);
    if (!c) return false;
    c->set_fault(f);
    return true;
}

bool reg(uint8_t index, uint16_t addr, uint16_t* value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    Controller* c = controller(m, index);
    if (!c) return false;
    *value = c->read_reg(addr);
    return true;
}

}  // namespace chipsim::poe
