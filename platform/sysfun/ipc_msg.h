// The request message: a 12-byte header (message type word, cmd, msg_size, a platform word)
// followed by the payload. All fields big-endian.
#pragma once

#include <cstdint>

#include "platform/common/byteorder.h"
#include "platform/common/types.h"

namespace ipcmsg {

constexpr uint32_t kHeaderSize = sys_adpt::kMsgHeaderSize;
constexpr uint32_t kOffType = 0;
constexpr uint32_t kOffCmd = 4;
constexpr uint32_t kOffMsgSize = 6;

inline uint16_t cmd(const void* msg) {
    return be::get16(static_cast<const uint8_t*>(msg) + kOffCmd);
}
inline void set_cmd(void* msg, uint16_t v) {
    be::put16(static_cast<uint8_t*>(msg) + kOffCmd, v);
}
inline uint16_t msg_size(const void* msg) {
    return be::get16(static_cast<const uint8_t*>(msg) + kOffMsgSize);
}
inline void set_msg_size(void* msg, uint16_t v) {
    be::put16(static_cast<uint8_t*>(msg) + kOffMsgSize, v);
}
inline uint8_t* payload(void* msg) {
    return static_cast<uint8_t*>(msg) + kHeaderSize;
}
inline const uint8_t* payload(const void* msg) {
    return static_cast<const uint8_t*>(msg) + kHeaderSize;
}
// Payload word i (32-bit, big-endian).
inline uint32_t word(const void* msg, uint32_t i) {
    return be::get32(payload(msg) + 4 * i);
}
inline void set_word(void* msg, uint32_t i, uint32_t v) {
    be::put32(payload(msg) + 4 * i, v);
}

// Writes a module handler's answer: the result byte (TRUE/FALSE) over the first byte of the
// sub-command word (its other three bytes stay as the request had them), and
// msg_size = 4 + data_bytes (the returned data, if any, stands behind the result word).
inline void answer(void* msg, bool result, uint16_t data_bytes = 0) {
    uint8_t* p = payload(msg);
    p[0] = result ? TRUE : FALSE;
    set_msg_size(msg, static_cast<uint16_t>(4 + data_bytes));
}

}  // namespace ipcmsg
