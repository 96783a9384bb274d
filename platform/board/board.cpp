#include "platform/board/board.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/console/console.h"

namespace board {
namespace {

// The default board: one unit with one device and 16 front ports that between them carry
// every PHY class the driver knows, combo ports, SFP ports on the chip's SERDES and two
// 10 Gb/s ports, with SFP transmitter controls reached in every supported way.
constexpr const char* kDefaultBoard = R"(
board name=default
system mac=00:12:cf:00:00:01 serial=VS0000000001 start=0x00100000 boot_reason=0x0FF00000
unit id=1 board_id=0 module=0
device id=0 hwdevnum=0 family=12 revision=2 ports=0-13,24-25
cpu device=0
# Copper ports.
port n=1  device=0 devport=0  phy_id=0 type=ge if=gmii phy=0x1c0 rev=1 smi=0 addr=0x00
port n=2  device=0 devport=1  phy_id=0 type=ge if=gmii phy=0x1c0 rev=1 smi=0 addr=0x01
port n=3  device=0 devport=2  phy_id=0 type=fe if=mii  phy=0x80  rev=0 smi=0 addr=0x02
port n=4  device=0 devport=3  phy_id=0 type=fe if=mii  phy=0x80  rev=0 smi=0 addr=0x03
port n=5  device=0 devport=4  phy_id=1 type=ge if=gmii phy=0x90  rev=0 smi=0 addr=0x04
port n=6  device=0 devport=5  phy_id=1 type=ge if=gmii phy=0x2a0 rev=0 smi=0 addr=0x05
port n=7  device=0 devport=6  phy_id=1 type=ge if=gmii phy=0x2b0 rev=0 smi=0 addr=0x06
port n=8  device=0 devport=7  phy_id=1 type=ge if=gmii phy=0x2b0 rev=1 smi=0 addr=0x07
# Combo ports: copper and an SFP cage behind one PHY.
port n=9  device=0 devport=8  phy_id=2 type=ge if=gmii phy=0x1c0 rev=1 smi=0 addr=0x08 combo=1
port n=10 device=0 devport=9  phy_id=2 type=ge if=gmii phy=0x2a0 rev=0 smi=0 addr=0x09 combo=1
port n=11 device=0 devport=10 phy_id=2 type=ge if=gmii phy=0x2b0 rev=2 smi=0 addr=0x0a combo=1
port n=12 device=0 devport=11 phy_id=2 type=ge if=gmii phy=0x2b0 rev=0 smi=0 addr=0x0b combo=1
# SFP ports on the chip's SERDES, without a PHY.
port n=13 device=0 devport=12 phy_id=3 type=ge if=1000basex
port n=14 device=0 devport=13 phy_id=3 type=ge if=1000basex
# 10 Gb/s ports: clause-45 PHYs on the chip's second management interface.
port n=15 device=0 devport=24 phy_id=4 type=xg if=xgmii phy=0x10 rev=0 smi=1 addr=0x19
port n=16 device=0 devport=25 phy_id=5 type=xg if=xgmii phy=0x10 rev=0 smi=1 addr=0x1b
# SFP cages and where their transmitter-disable bits are.
sfp port=9  index=1 tx=twsi dev=0x20 offset=0 mask=0x01 disable=0x01
sfp port=10 index=2 tx=bus bus=1 dev=0x21 offset=0 mask=0x01 disable=0x01
sfp port=11 index=3 tx=mux mux=0x70 channel=2 dev=0x22 offset=0 mask=0x10 disable=0x10
sfp port=12 index=4 tx=mem addr=0x1000 mask=0x08 disable=0x08
sfp port=13 index=5 tx=none
sfp port=14 index=6 tx=7
sfp port=15 index=7 tx=twsi dev=0x20 offset=0 mask=0x02 disable=0x02
sfp port=16 index=8 tx=twsi dev=0x20 offset=0 mask=0x04 disable=0x04
# The transceiver cages of ports 9 and 10: module-present bits of register 0x1010 (active
# low) and one two-wire bus each for the module's EEPROM.
cage port=9  present=0x1010 mask=0x01 shift=0 bus=2
cage port=10 present=0x1010 mask=0x02 shift=1 bus=3
reg addr=0x1010 value=0x03
# Two-wire devices: the SFP control expanders and a multiplexer.
twsi bus=0 addr=0x20 size=256
twsi bus=1 addr=0x21 size=256
mux bus=0 addr=0x70
twsi bus=0 addr=0x22 size=256 mux=0x70 channel=2
reg addr=0x1000 value=0x00
# PoE controllers: front ports 1-8 on the first, 9-16 on the second, 60 W each.
poe bus=2 count=2 ports=8 addr=0x30 budget=60
)";

std::mutex g_mu;
// Read without the lock (every unit and port lookup asks for it); descriptions are kept in
// g_all for the life of the process, so a reference handed out stays valid.
std::atomic<Description*> g_current{nullptr};
// Every description ever current: callers may still hold references into an old one.
std::vector<std::unique_ptr<Description>> g_all;

Description load_initial() {
    const char* path = std::getenv("DRIVER_PROC_BOARD");
    if (path && *path) {
        Description d;
        std::string error;
        if (load_file(path, &d, &error)) return d;
        CONSOLE_Printf("board: %s: %s; using the default board\r\n", path, error.c_str());
    }
    return default_board();
}

}  // namespace

const Port* Unit::port(uint32_t front) const {
    for (const Port& p : ports)
        if (p.front == front) return &p;
    return nullptr;
}

const Port* Unit::port_at(uint8_t dev, uint8_t dev_port) const {
    for (const Port& p : ports)
        if (p.device == dev && p.dev_port == dev_port) return &p;
    return nullptr;
}

const Device* Unit::device(uint8_t id) const {
    for (const Device& d : devices)
        if (d.id == id) return &d;
    return nullptr;
}

const char* default_board_text() {
    return kDefaultBoard;
}

Description default_board() {
    Description d;
    std::string error;
    if (!parse(kDefaultBoard, &d, &error)) {
        // The compiled-in text is checked by the tests; this cannot happen in a release.
        CONSOLE_Printf("board: default board: %s\r\n", error.c_str());
        std::abort();
    }
    return d;
}

const Description& current() {
    if (Description* d = g_current.load(std::memory_order_acquire)) return *d;
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_current.load(std::memory_order_relaxed)) {
        g_all.push_back(std::make_unique<Description>(load_initial()));
        g_current.store(g_all.back().get(), std::memory_order_release);
    }
    return *g_current.load(std::memory_order_relaxed);
}

void set_current(const Description& d) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_all.push_back(std::make_unique<Description>(d));
    g_current.store(g_all.back().get(), std::memory_order_release);
}

}  // namespace board
