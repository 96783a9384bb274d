// The SDK's event layer: a task of the SDK that takes the chip's security-breach messages
// (sdkSecurBreachMsgGet) from every local device and hands those of breach code
// SDK_SECUR_BREACH_NEW_ADDRESS to the handlers bound to it, in the order they were bound,
// then waits SDK_EVENT_SECUR_BREACH_PACE_MS before the next message. Messages of any other
// code are dropped. The task starts with the first message after a handler is bound.
#pragma once

#include "sdk/sdk_types.h"

using SDK_SECUR_BREACH_HANDLER = void (*)(uint8_t devNum, const uint8_t macSa[6], uint16_t vlan,
                                          uint8_t portNum, uint32_t code);

constexpr uint32_t SDK_EVENT_MAX_SECUR_BREACH_HANDLERS = 5;
constexpr uint32_t SDK_EVENT_SECUR_BREACH_PACE_MS = 200;

// SDK_OUT_OF_RANGE when SDK_EVENT_MAX_SECUR_BREACH_HANDLERS are bound already.
SDK_STATUS sdkEventSecurBreachBind(SDK_SECUR_BREACH_HANDLER handler);
