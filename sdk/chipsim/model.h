// The chip model's state: devices with their ports and PHYs, the two-wire buses and the
// board registers. Internal to chipsim: the drivers see it only through the sdk* operations,
// tests through chipsim.h.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/board/board.h"
#include "sdk/chipsim/capture.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/fdb.h"
#include "sdk/chipsim/misc.h"
#include "sdk/chipsim/phy.h"
#include "sdk/chipsim/stp.h"
#include "sdk/chipsim/traps.h"
#include "sdk/chipsim/vlan.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_types.h"

namespace chipsim {

struct Port : PortState {
    bool exists = false;
    uint8_t num = 0;
    uint32_t type = 0;
    const board::Port* wiring = nullptr;  // the front port wired here, if any
};

struct Device {
    mutable std::mutex mu;
    uint8_t num = 0;
    const board::Device* desc = nullptr;
    uint8_t hw_dev_num = 0;
    std::array<Port, SDK_MAX_PORTS> ports{};
    Port cpu_port;
    std::array<uint32_t, SDK_MAX_PORTS / 6 + 1> auto_media{};  // per group of 6 ports
    bool aa_ta_to_cpu = true;
    uint32_t token_bucket_mtu = 0;
    bool netif_up = false;
    std::map<uint32_t, uint32_t> regs;
    std::vector<DevMapEntry> dev_map;
    std::vector<AuMessage> au_queue;
    // PHYs on the management interfaces, by (interface << 8 | address).
    std::map<uint16_t, Phy> phys;
    // Bridge state: VLANs, spanning tree, control-packet traps, other port features.
    Vlans vlans;
    Stp stp;
    Traps traps;
    Misc misc;
    // The MAC address table, and what the ports did with frames.
    FdbTable fdb;
    Frames frames;

    Port* port(uint8_t p) {
        if (p == SDK_CPU_PORT) return &cpu_port;
        return p < SDK_MAX_PORTS && ports[p].exists ? &ports[p] : nullptr;
    }
    // The PHY wired to a port (nullptr for none).
    Phy* wired_phy(const Port& p);
    // The PHY at the port's configured management address (nullptr when none is there).
    Phy* addressed_phy(const Port& p);
};

// What a two-wire device does with a transfer when it is more than plain memory (a device
// with registers that act). Runs under bus_mu; pointer is the device's current offset, which
// the transfer has already moved to the offset it sent. SDK_FAIL refuses the transfer.
struct TwsiBehaviour {
    virtual ~TwsiBehaviour() = default;
    virtual SDK_STATUS transfer(uint32_t& pointer, bool read, uint8_t* data, uint32_t len) = 0;
};

struct TwsiDev {
    board::TwsiDevice desc;
    std::shared_ptr<TwsiBehaviour> behaviour;  // null: the device is plain memory (mem)
    std::vector<uint8_t> mem;
    uint32_t pointer = 0;
    uint8_t channels = 0;  // a multiplexer's selected channels
    uint32_t fail_next = 0;
};

struct Fault {
    SDK_STATUS rc;
    uint32_t skip;
    uint32_t count;
};

struct Model {
    board::Description board;
    const board::Unit* unit = nullptr;
    std::atomic<bool> initialised{false};
    std::vector<std::unique_ptr<Device>> devices;
    // Counts the operations that may have changed the model (every sdk* operation and every
    // change of the simulated world), so that derived state can be cached between them.
    std::atomic<uint64_t> changes{0};

    // Global SDK state (guarded by global_mu).
    std::mutex global_mu;
    bool os_up = false;
    std::map<std::string, uint32_t> params;
    bool opt_phase2_netif = true;
    SDK_BOARD_INFO board_info{};
    std::map<std::string, Fault> faults;

    // The two-wire buses and the board registers (guarded by bus_mu).
    std::mutex bus_mu;
    std::vector<TwsiDev> twsi;
    std::map<uint32_t, uint8_t> board_regs;
    bool twsi_up = false;
};

// The model of the process (built on first use from the current board).
Model& model();
// The device, or nullptr when the SDK does not hold it.
Device* device(uint8_t dev);
// Returns the armed fault's code for operation op, or SDK_OK.
SDK_STATUS fault(const char* op);

// Runs fn(device) under its lock whether or not the SDK holds the device yet (inspection and
// control from outside the SDK); dflt for a device the model does not have.
template <typename T, typename Fn>
T on_device(uint8_t dev, T dflt, Fn fn) {
    Model& m = model();
    if (dev >= m.devices.size()) return dflt;
    Device& d = *m.devices[dev];
    std::lock_guard<std::mutex> lock(d.mu);
    return fn(d);
}

// Runs fn(device) under the device's lock after the fault check; SDK_NOT_PRESENT for an
// unknown device.
template <typename Fn>
SDK_STATUS with_device(const char* op, uint8_t dev, Fn fn) {
    if (SDK_STATUS rc = fault(op)) return rc;
    Device* d = device(dev);
    if (!d) return SDK_NOT_PRESENT;
    std::lock_guard<std::mutex> lock(d->mu);
    return fn(*d);
}

// Runs fn(device, port) under the device's lock; SDK_BAD_PARAM for a port that does not
// exist.
template <typename Fn>
SDK_STATUS with_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return with_device(op, dev, [&](Device& d) -> SDK_STATUS {
        Port* p = d.port(port);
        if (!p) return SDK_BAD_PARAM;
        return fn(d, *p);
    });
}

// The two-wire device a transfer on a bus reaches at an address (behind a multiplexer only
// while its channel is selected); nullptr when none answers. Caller holds bus_mu.
TwsiDev* twsi_find(Model& m, uint8_t bus, uint8_t addr);
// Whether the SFP transmitter of a front port is disabled by its control bit. Caller holds
// bus_mu.
bool sfp_tx_disabled(Model& m, const board::Port& p);

// Resolves a port's link against its partner. Caller holds the device's lock.
LinkState resolve_link(Device& d, Port& p);

// Registers the simulation-control commands (idempotent).
void register_simctl();
// The bridge-state commands (simctl_bridge.cpp), registered by register_simctl.
void register_bridge_simctl();

}  // namespace chipsim
