// Types and limits shared by every layer.
#pragma once

#include <cstdint>

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

namespace sys_adpt {
// Request message: 12-byte header followed by the payload.
constexpr uint32_t kMsgHeaderSize = 12;
// Largest payload a driver-group buffer holds (the rows' 8,228-byte buffers).
constexpr uint32_t kMaxPayload = 8216;
constexpr uint32_t kMaxMsgSize = kMsgHeaderSize + kMaxPayload;
// Ticks per second of SYSFUN_GetSysTick.
constexpr uint32_t kTicksPerSecond = 100;
}  // namespace sys_adpt
