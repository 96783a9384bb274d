// The PoE controller driver: the translator from the 15-byte messages of the PoE management
// layer to the registers of the board's PoE controllers, and the power-good status for the
// switch driver.
#pragma once

#include <cstdint>

#include "platform/common/types.h"

constexpr uint32_t POE_DRV_MSG_LEN = 15;
constexpr uint8_t POE_DRV_MAX_DEVICES = 8;
constexpr uint32_t POE_DRV_MAX_PORT = 95;

// Message keys and subjects.
constexpr uint8_t POE_DRV_KEY_COMMAND = 0;
constexpr uint8_t POE_DRV_KEY_REQUEST = 2;
constexpr uint8_t POE_DRV_KEY_TELEMETRY = 3;
constexpr uint8_t POE_DRV_KEY_REPORT = 0x52;
constexpr uint8_t POE_DRV_SUBJECT_PORT = 5;
constexpr uint8_t POE_DRV_SUBJECT_GLOBAL = 7;
constexpr uint8_t POE_DRV_PAD = 0x4E;

// Status codes: negative ones are returned to the writer, positive ones reported to the host.
enum : int {
    POE_DRV_OK = 0,
    POE_DRV_ERR_INTERNAL = -1,
    POE_DRV_ERR_COMM_DRIVER = -2,
    POE_DRV_ERR_COMM_REPORT = -3,
    POE_DRV_ERR_LENGTH = -4,
    POE_DRV_ERR_NO_PORT = -5,
    POE_DRV_ERR_NOT_READY = -6,
    POE_DRV_ERR_UNKNOWN = -7,
    POE_DRV_ERR_TIMER = -8,
    POE_DRV_ERR_MUTEX_INIT = -9,
    POE_DRV_ERR_MUTEX_LOCK = -10,
    POE_DRV_ERR_MUTEX_UNLOCK = -11,
    POE_DRV_ERR_SLEEP = -12,
    POE_DRV_ERR_RANGE = -13,
    POE_DRV_REPORT_COMMAND_SUBJECT = 2,
    POE_DRV_REPORT_REQUEST_SUBJECT = 3,
    POE_DRV_REPORT_SUBJECT2 = 4,
    POE_DRV_REPORT_SUBJECT1 = 9,
    POE_DRV_REPORT_CHANNEL = 0x8024,
    POE_DRV_REPORT_PORT = 0x8026,
    POE_DRV_REPORT_KEY = 0xFFFF,
    POE_DRV_SELF_REPLY = 0x7FFF,  // a command handler built its own reply
};

// The controller table: one row per device, index order.
struct POE_DRV_Device_T {
    uint8_t ports;
    uint8_t i2c_addr;
};

// Register access over I2C: device address, register, data, length; true on success.
using POE_DRV_I2cRead_T = bool (*)(uint8_t i2c_addr, uint16_t reg, uint8_t* data, uint32_t len);
using POE_DRV_I2cWrite_T = bool (*)(uint8_t i2c_addr, uint16_t reg, const uint8_t* data,
                                    uint32_t len);

// Sets the controller table and the I2C functions, and forgets any reply. False for a table
// of more than 8 devices or missing functions.
bool POE_DRV_Init(const POE_DRV_Device_T* devices, uint32_t count, POE_DRV_I2cRead_T read_fn,
                  POE_DRV_I2cWrite_T write_fn);
// Initialises from the board's controller table over the platform's I2C service (once).
bool POE_DRV_InitFromBoard();

// Carries out a message; 0 or a negative status.
int POE_DRV_WriteMessage(const uint8_t* msg, uint32_t len);
// Copies the last reply; 0, or -6 when none has been built since initialisation.
int POE_DRV_ReadReply(uint8_t* reply, uint32_t len);
// The message text of a status code (a printf format taking the code), or nullptr.
const char* POE_DRV_StatusText(int status);
// The 16-bit sum of bytes 0 to 12.
uint16_t POE_DRV_Checksum(const uint8_t* msg);
// Builds a message into out (15 bytes): key, echo, subject, subject 1, then up to 9 bytes
// from byte 4, the rest padded with 0x4E, and the checksum.
void POE_DRV_BuildMessage(uint8_t* out, uint8_t key, uint8_t echo, uint8_t subject, uint8_t s1,
                          const uint8_t* rest, uint32_t rest_len);

// The power-good status of a PoE port (0..95) read from its controller.
bool SWDRV_MONITOR_PDPortPowerStatus(uint32_t poe_port, bool* power_good);
