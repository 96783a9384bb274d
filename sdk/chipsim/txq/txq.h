// Transmit queues and buffers of a device: the weighted round robin's global parameters, the
// ports' scheduler, drop-precedence and receive flow-control profiles, the global Xon/Xoff
// buffer limits and the panic-pause thresholds. It is the `txq` member of Device
// (core/model.h), guarded by the device's lock. The model's queues never fill, so these are
// kept and read back; nothing in the frames' path depends on them.
//
// Power-on state: WRR mode 0 and MTU 0, every profile 0, limits 0 (pause off).
#pragma once

#include <array>
#include <cstdint>

#include "sdk/chipsim/vlan/vlan.h"

namespace chipsim {

struct TxqPort {
    uint32_t scheduler_profile = 0;
    uint32_t dp_profile = 0;
    uint32_t fc_profile = 0;
    bool operator==(const TxqPort&) const = default;
};

struct Txq {
    uint32_t wrr_mode = 0, wrr_mtu = 0;
    uint32_t xon = 0, xoff = 0;
    uint32_t panic_xon = 0, panic_xoff = 0;
    std::array<TxqPort, kPortSlots> ports{};
    bool operator==(const Txq&) const = default;
};

// ---- Inspection ----------------------------------------------------------------------
Txq txq(uint8_t dev);

}  // namespace chipsim
