// Transmit queues and buffers: the weighted round robin's global parameters, each port's
// scheduler profile, drop-precedence binding and receive flow-control profile, the global
// buffer limits and the panic-pause thresholds.
#pragma once

#include "sdk/sdk_types.h"

SDK_STATUS sdkPortTxWrrGlobalParamSet(uint8_t devNum, uint32_t wrrMode, uint32_t wrrMtu);
SDK_STATUS sdkPortTxWrrGlobalParamGet(uint8_t devNum, uint32_t* wrrMode, uint32_t* wrrMtu);
// Scheduler profiles 0..7.
SDK_STATUS sdkPortTxBindPortToSchedulerProfileSet(uint8_t devNum, uint8_t portNum,
                                                  uint32_t profile);
SDK_STATUS sdkPortTxBindPortToSchedulerProfileGet(uint8_t devNum, uint8_t portNum,
                                                  uint32_t* profile);
// Drop-precedence profile 0..3 and receive flow-control profile 0..7 of a port.
SDK_STATUS sdkPortTxBindPortToDpSet(uint8_t devNum, uint8_t portNum, uint32_t profile);
SDK_STATUS sdkPortTxBindPortToDpGet(uint8_t devNum, uint8_t portNum, uint32_t* profile);
SDK_STATUS sdkPortRxFcProfileSet(uint8_t devNum, uint8_t portNum, uint32_t profile);
SDK_STATUS sdkPortRxFcProfileGet(uint8_t devNum, uint8_t portNum, uint32_t* profile);
// Global buffer limits in buffers (0..0xFFFF): pause frames go out above xoff, stop below xon.
SDK_STATUS sdkPortGlobalXonXoffLimitSet(uint8_t devNum, uint32_t xonLimit, uint32_t xoffLimit);
SDK_STATUS sdkPortGlobalXonXoffLimitGet(uint8_t devNum, uint32_t* xonLimit, uint32_t* xoffLimit);
// Panic pause: pause everything above xoff buffers (0: off).
SDK_STATUS sdkPortPanicPauseThresholdsSet(uint8_t devNum, uint32_t xonLimit, uint32_t xoffLimit);
SDK_STATUS sdkPortPanicPauseThresholdsGet(uint8_t devNum, uint32_t* xonLimit, uint32_t* xoffLimit);
