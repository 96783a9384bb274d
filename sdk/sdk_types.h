// Types, return codes and limits shared by every area of the chip SDK.
#pragma once

#include <cstdint>

// Every SDK operation returns SDK_OK or one of the failure codes below.
using SDK_STATUS = uint32_t;

constexpr SDK_STATUS SDK_OK = 0;
constexpr SDK_STATUS SDK_FAIL = 1;            // the operation failed (e.g. a bus transfer)
constexpr SDK_STATUS SDK_OUT_OF_RANGE = 3;    // a value is beyond what the hardware holds
constexpr SDK_STATUS SDK_BAD_PARAM = 4;       // an argument is not valid for the operation
constexpr SDK_STATUS SDK_BAD_PTR = 5;         // a null out-parameter
constexpr SDK_STATUS SDK_NOT_FOUND = 6;       // no such entry
constexpr SDK_STATUS SDK_BAD_STATE = 7;       // not allowed in the current state
constexpr SDK_STATUS SDK_TIMEOUT = 8;         // the hardware did not complete in time
constexpr SDK_STATUS SDK_NOT_SUPPORTED = 16;  // the device or port cannot do this
constexpr SDK_STATUS SDK_NOT_PRESENT = 18;    // no such device, port or PHY

// Local device numbers 0..SDK_MAX_DEVICES-1; ports 0..SDK_MAX_PORTS-1 and the CPU port.
constexpr uint8_t SDK_MAX_DEVICES = 16;
constexpr uint8_t SDK_MAX_PORTS = 26;
constexpr uint8_t SDK_CPU_PORT = 63;

// A bitmap of ports: bit p%32 of word p/32.
struct SDK_PORTS_BMP {
    uint32_t ports[2];
};

inline bool sdkPortsBmpIsMember(const SDK_PORTS_BMP& bmp, uint32_t port) {
    return port < 64 && (bmp.ports[port / 32] >> (port % 32)) & 1;
}
inline void sdkPortsBmpSet(SDK_PORTS_BMP& bmp, uint32_t port, bool member) {
    if (port >= 64) return;
    uint32_t bit = 1u << (port % 32);
    bmp.ports[port / 32] = member ? (bmp.ports[port / 32] | bit) : (bmp.ports[port / 32] & ~bit);
}
