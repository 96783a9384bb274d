// Looking into the two-wire buses and the board registers, and acting on them from the
// board's other side (twsi/twsi.h).
#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

TwsiDev* find_dev(Model& m, uint8_t bus, uint8_t addr) {
    for (TwsiDev& d : m.twsi)
        if (d.desc.bus == bus && d.desc.addr == addr) return &d;
    return nullptr;
}

}  // namespace

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
