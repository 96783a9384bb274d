// The two-wire buses of the board, their devices and multiplexers, and the memory-mapped
// board registers: Model::twsi and Model::board_regs, guarded by the bus lock (Model::bus_mu).
// board_io.h is what the platform's hardware services use; this header is the model's side.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/board/board.h"
#include "sdk/sdk_types.h"

namespace chipsim {

struct Model;

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

// The two-wire device a transfer on a bus reaches at an address (behind a multiplexer only
// while its channel is selected); nullptr when none answers. Caller holds bus_mu.
TwsiDev* twsi_find(Model& m, uint8_t bus, uint8_t addr);
// Whether the SFP transmitter of a front port is disabled by its control bit. Caller holds
// bus_mu.
bool sfp_tx_disabled(Model& m, const board::Port& p);

// ---- Inspection and the simulated world ------------------------------------------------
bool twsi_byte(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t* value);
uint8_t mux_channels(uint8_t bus, uint8_t addr);
bool board_reg(uint32_t addr, uint8_t* value);
// The next n transfers with a two-wire device fail.
bool twsi_fail_next(uint8_t bus, uint8_t addr, uint32_t n);
// Changes a byte of a two-wire device (the board's other side).
bool twsi_poke(uint8_t bus, uint8_t addr, uint32_t offset, uint8_t value);

// Registers the simulation-control commands of the buses.
void register_twsi_simctl();

}  // namespace chipsim
