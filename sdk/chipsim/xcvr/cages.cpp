#include "sdk/chipsim/xcvr/cages.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "sdk/chipsim/core/model.h"

namespace chipsim::xcvr {
namespace {

// A paged module's memory on the bus: the 256 bytes a transfer sees, then the stores of upper
// pages 00 and 03 (a transfer never reaches them: the SFP access stays below byte 256).
constexpr size_t kPagedSize = 512;
constexpr size_t kPage0Store = 256;
constexpr size_t kPage3Store = 384;

TwsiDev* find(Model& m, uint8_t bus, uint8_t addr) {
    for (TwsiDev& d : m.twsi)
        if (d.desc.bus == bus && d.desc.addr == addr && d.desc.behind == 0 && !d.desc.mux)
            return &d;
    return nullptr;
}

void erase(Model& m, uint8_t bus, uint8_t addr) {
    m.twsi.erase(std::remove_if(m.twsi.begin(), m.twsi.end(),
                                [&](const TwsiDev& d) {
                                    return d.desc.bus == bus && d.desc.addr == addr &&
                                           d.desc.behind == 0 && !d.desc.mux;
                                }),
                 m.twsi.end());
}

void add(Model& m, uint8_t bus, uint8_t addr, std::vector<uint8_t> mem) {
    TwsiDev d;
    d.desc.bus = bus;
    d.desc.addr = addr;
    d.desc.size = static_cast<uint32_t>(mem.size());
    d.mem = std::move(mem);
    m.twsi.push_back(std::move(d));
}

bool paged(const TwsiDev& d) {
    return d.mem.size() == kPagedSize;
}

void show_page(TwsiDev& d) {
    if (!paged(d)) return;
    const uint8_t page = d.mem[127];
    if (page == 0)
        std::memcpy(&d.mem[128], &d.mem[kPage0Store], 128);
    else if (page == 3)
        std::memcpy(&d.mem[128], &d.mem[kPage3Store], 128);
}

void set_present(Model& m, const Cage& c, bool present) {
    auto it = m.board_regs.find(c.present_addr);
    if (it == m.board_regs.end()) return;
    // Active low: the module pulls its bits to 0.
    it->second = present ? it->second & ~c.present_mask : it->second | c.present_mask;
}

// Runs fn(model, cage bus, module's first address) under the bus lock; false for a port
// without a cage or an empty cage.
template <typename Fn>
bool on_module(uint32_t front, Fn fn) {
    Cage c;
    if (!cage(front, &c)) return false;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* a0 = find(m, c.bus, kAddrA0);
    return a0 && a0->mem.size() >= 256 && fn(m, c.bus, *a0);
}

}  // namespace

std::vector<Cage> cages() {
    std::vector<Cage> out;
    for (const board::Port& p : model().unit->ports)
        if (p.sfp && p.cage)
            out.push_back(Cage{p.front, p.sfp_index, p.eeprom_bus, p.present_addr, p.present_mask,
                               p.present_shift});
    return out;
}

bool cage(uint32_t front, Cage* out) {
    for (const Cage& c : cages())
        if (c.front == front) {
            *out = c;
            return true;
        }
    return false;
}

bool insert(uint32_t front, const Image& img, std::string* error) {
    Cage c;
    if (!cage(front, &c)) {
        if (error) *error = "port " + std::to_string(front) + " has no transceiver cage";
        return false;
    }
    if (img.a0.size() != 256 || (!img.a2.empty() && img.a2.size() != 256) ||
        (!img.page3.empty() && img.page3.size() != 128)) {
        if (error) *error = "the module's image does not fit its memory";
        return false;
    }
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    if (m.board_regs.find(c.present_addr) == m.board_regs.end()) {
        if (error) *error = "the cage's present register is not on the board";
        return false;
    }
    erase(m, c.bus, kAddrA0);
    erase(m, c.bus, kAddrA2);
    if (img.paged()) {
        std::vector<uint8_t> mem(kPagedSize, 0);
        std::memcpy(mem.data(), img.a0.data(), 256);
        std::memcpy(&mem[kPage0Store], &img.a0[128], 128);
        if (!img.page3.empty()) std::memcpy(&mem[kPage3Store], img.page3.data(), 128);
        add(m, c.bus, kAddrA0, std::move(mem));
        show_page(m.twsi.back());
    } else {
        add(m, c.bus, kAddrA0, img.a0);
        if (!img.a2.empty()) add(m, c.bus, kAddrA2, img.a2);
    }
    set_present(m, c, true);
    ++m.changes;
    return true;
}

bool remove(uint32_t front) {
    Cage c;
    if (!cage(front, &c)) return false;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    const bool was = find(m, c.bus, kAddrA0) != nullptr;
    erase(m, c.bus, kAddrA0);
    erase(m, c.bus, kAddrA2);
    set_present(m, c, false);
    ++m.changes;
    return was;
}

bool module(uint32_t front, Image* out) {
    return on_module(front, [&](Model& m, uint8_t bus, TwsiDev& a0) {
        Image img;
        img.a0.assign(a0.mem.begin(), a0.mem.begin() + 256);
        if (paged(a0)) {
            std::memcpy(&img.a0[128], &a0.mem[kPage0Store], 128);
            img.page3.assign(a0.mem.begin() + kPage3Store, a0.mem.end());
        } else if (TwsiDev* a2 = find(m, bus, kAddrA2)) {
            img.a2 = a2->mem;
        }
        *out = std::move(img);
        return true;
    });
}

bool set_readings(uint32_t front, const Readings& r) {
    return on_module(front, [&](Model& m, uint8_t bus, TwsiDev& a0) {
        const uint8_t id = a0.mem[0];
        ++m.changes;
        if (id == kIdSfp || !(id == kIdXfp || id == kIdQsfp || id == kIdQsfpPlus)) {
            TwsiDev* a2 = find(m, bus, kAddrA2);
            return a2 && a2->mem.size() >= 256 && write_readings(id, a0.mem, &a2->mem, r);
        }
        // The readings are in the lower page; identification from the page 00/01 store.
        std::vector<uint8_t> ident(a0.mem.begin(), a0.mem.begin() + 256);
        if (paged(a0)) std::memcpy(&ident[128], &a0.mem[kPage0Store], 128);
        return write_readings(id, ident, &a0.mem, r);
    });
}

bool fail_reads(uint32_t front, uint32_t n, bool identification) {
    return on_module(front, [&](Model& m, uint8_t bus, TwsiDev& a0) {
        TwsiDev* target = &a0;
        if (!identification && a0.mem[0] != kIdXfp && !paged(a0)) target = find(m, bus, kAddrA2);
        if (!target) return false;
        target->fail_next = n;
        return true;
    });
}

void settle(uint8_t bus) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    if (TwsiDev* d = find(m, bus, kAddrA0)) show_page(*d);
}

}  // namespace chipsim::xcvr
