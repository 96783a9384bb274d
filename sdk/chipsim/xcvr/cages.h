// The transceiver cages of the simulated board: a module plugged into a cage appears on the
// cage's two-wire bus (addresses 0x50 and, for an SFP with diagnostics, 0x51) and pulls the
// cage's module-present bit low. The module's EEPROM is plain memory on the bus; a paged
// module (QSFP) shows the upper page its byte 127 selects once settle() has run, which the
// board's SFP access (SYSDRV) does around every transfer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/simproto/xcvr_eeprom.h"

namespace chipsim::xcvr {

constexpr uint8_t kAddrA0 = 0x50;
constexpr uint8_t kAddrA2 = 0x51;

struct Cage {
    uint32_t front = 0;  // front port
    uint32_t index = 0;  // SFP cage index of the port
    uint8_t bus = 0;     // the EEPROM's two-wire bus
    uint32_t present_addr = 0;
    uint8_t present_mask = 0;
    uint8_t present_shift = 0;
};

// The cages of this unit, by front port.
std::vector<Cage> cages();
bool cage(uint32_t front, Cage* out);

// Plugs a module into the cage of a front port (replacing the one there). False with *error
// for a port without a cage or an image that does not fit.
bool insert(uint32_t front, const Image& img, std::string* error);
// Pulls the module out; false when the cage was empty or there is none.
bool remove(uint32_t front);
// Whether a module sits in the cage, and a copy of its EEPROM (page 03 from its store).
bool module(uint32_t front, Image* out);
// Changes the module's diagnostic readings; false without a module or diagnostics.
bool set_readings(uint32_t front, const Readings& r);
// The next n transfers with the module fail: at its identification address (A0h) or at the
// address its diagnostics are read from (SFP A2h, others the only address).
bool fail_reads(uint32_t front, uint32_t n, bool identification);
// A paged module on the bus shows the upper page its byte 127 selects (0 or 3).
void settle(uint8_t bus);

}  // namespace chipsim::xcvr

namespace chipsim {
// Registers the transceivers' simulation-control commands.
void register_xcvr_simctl();
}  // namespace chipsim
