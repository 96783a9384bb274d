// Inside the PoE controller driver: its control block, the reply packer, register access
// and value conversions shared by the message handlers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>

#include "poe/poe_drv.h"

struct POE_DRV_CB_T {
    std::mutex mu;  // one message at a time
    uint8_t echo = 0;
    uint8_t reply[POE_DRV_MSG_LEN] = {};
    bool reply_ready = false;
    POE_DRV_Device_T devices[POE_DRV_MAX_DEVICES] = {};
    uint8_t device_count = 0;
    POE_DRV_I2cRead_T read_fn = nullptr;
    POE_DRV_I2cWrite_T write_fn = nullptr;
};

extern POE_DRV_CB_T poe_drv_cb;

// One argument of the packer: a number, or the address of a "%S" byte string.
struct POE_DRV_PackArg_T {
    uint32_t value = 0;
    const uint8_t* ptr = nullptr;
    POE_DRV_PackArg_T(uint32_t v) : value(v) {}
    POE_DRV_PackArg_T(int v) : value(static_cast<uint32_t>(v)) {}
    POE_DRV_PackArg_T(const uint8_t* p) : ptr(p) {}
};
constexpr uint32_t POE_DRV_PACK_SIZE = 24;

// Builds a reply into out (24 bytes) without storing it.
void POE_DRV_PackInto(uint8_t* out, uint8_t key, uint8_t echo, const char* fmt,
                      std::initializer_list<POE_DRV_PackArg_T> args);
// Builds a reply, writes its checksum and stores it as the reply ready to be read.
void POE_DRV_Pack(uint8_t key, const char* fmt, std::initializer_list<POE_DRV_PackArg_T> args);

// Register access (0 or a status code).
int POE_DRV_DeviceRead(uint32_t device, uint16_t reg, uint16_t* value);
int POE_DRV_DeviceReadBytes(uint32_t device, uint16_t reg, uint8_t* data, uint32_t len);
int POE_DRV_DeviceWrite(uint32_t device, uint16_t reg, uint16_t value);
int POE_DRV_MapPort(uint32_t port, uint8_t* device, uint8_t* channel);
int POE_DRV_PortRead(uint32_t port, uint16_t block, uint16_t* value);
int POE_DRV_PortWrite(uint32_t port, uint16_t block, uint16_t value);
// Writes 1 to the latch register and waits 20 ms.
int POE_DRV_Latch(uint32_t device);

// Value conversions.
int POE_DRV_TempFromReg(uint16_t reg);
uint16_t POE_DRV_TempToReg(int celsius);
uint16_t POE_DRV_Tenths(uint16_t reg);
uint32_t POE_DRV_ScalePower(uint32_t reg);
uint16_t POE_DRV_Halves(uint16_t high, uint16_t low);
uint16_t POE_DRV_AbsDiff(uint16_t a, uint16_t b);

// The big-endian 16-bit value at byte `at` of a message.
inline uint16_t POE_DRV_Data16(const uint8_t* msg, int at) {
    return static_cast<uint16_t>(msg[at] << 8 | msg[at + 1]);
}

// The handlers, by key and subject; msg is the whole message.
int POE_DRV_GlobalRequest(const uint8_t* msg);
int POE_DRV_PortRequest(const uint8_t* msg);
int POE_DRV_PortCommand(const uint8_t* msg);
int POE_DRV_GlobalCommand(const uint8_t* msg);
