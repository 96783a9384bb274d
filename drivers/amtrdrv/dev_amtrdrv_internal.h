// What the files of the address table driver share: the console lines under the driver's two
// debug switches, the local device walk, and the chip entry built from a record.
#pragma once

#include <cstdint>
#include <vector>

#include "drivers/amtrdrv/dev_amtrdrv.h"
#include "sdk/sdk.h"

namespace amtrdrv {

// A line under debug_flag / under show_chip_err_msg.
void dbg(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void chip_err(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The unit's local devices, in order (from the SDK's first device for its count, skipping
// numbers of 128 and above and devices the SDK does not hold).
std::vector<uint8_t> local_devices();
// The devices a selector names.
std::vector<uint8_t> selected_devices(uint8_t selector);

// The chip entry of a record: PORT with the port's module id, or TRUNK with the chip trunk id
// of trunk_id + 1. False (and the conversion line) when the port does not convert.
bool build_entry(const char* func, uint32_t device, const DEV_AMTRDRV_AddrEntry& rec,
                 SDK_MAC_ENTRY_EXT* out);
// (device, device port) of a PORT entry, or the trunk of a TRUNK entry, as (port or trunk id,
// is-trunk) for a record; false when it does not convert.
bool entry_location(const char* func, uint32_t device, const SDK_MAC_ENTRY_EXT& e, uint32_t* unit,
                    uint32_t* port, uint32_t* trunk_id, uint8_t* is_trunk);
SDK_MAC_ENTRY_KEY mac_key(uint32_t vid, const uint8_t mac[6]);

}  // namespace amtrdrv
