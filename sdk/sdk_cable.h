// Cable diagnostics of a copper port's PHY: a time-domain reflectometry test of the four
// pairs of the cable, and the cable check of a port linked at 1000 Mb/s.
#pragma once

#include "sdk/sdk_types.h"

// The result is not ready yet: ask again.
constexpr SDK_STATUS SDK_NOT_READY = 26;

// What a pair shows.
constexpr uint32_t SDK_CABLE_TEST_FAIL = 0;  // the test could not tell
constexpr uint32_t SDK_CABLE_NORMAL = 1;     // good, distance: the cable's length
constexpr uint32_t SDK_CABLE_OPEN = 2;       // open at distance
constexpr uint32_t SDK_CABLE_SHORT = 3;      // short at distance
constexpr uint32_t SDK_CABLE_CROSSTALK = 4;  // shorted to another pair at distance
constexpr uint32_t SDK_CABLE_PAIRS = 4;

struct SDK_CABLE_STATUS {
    uint32_t pairStatus[SDK_CABLE_PAIRS];
    uint32_t pairDistance[SDK_CABLE_PAIRS];  // metres
};

// action SDK_CABLE_TEST_START starts a test (status not filled); SDK_CABLE_TEST_READ reads
// its result: SDK_NOT_READY until the PHY has finished, SDK_BAD_STATE without a test
// started. SDK_NOT_SUPPORTED for a port whose PHY cannot test (none, or the 10 Gb/s PHY).
constexpr uint32_t SDK_CABLE_TEST_START = 0;
constexpr uint32_t SDK_CABLE_TEST_READ = 1;
SDK_STATUS sdkCableTestStatusGet(uint8_t devNum, uint8_t portNum, uint32_t action,
                                 SDK_CABLE_STATUS* status);
// The test of a port linked at 1000 Mb/s, which keeps its link: done at once.
SDK_STATUS sdkCableTestLinkedGigStatusGet(uint8_t devNum, uint8_t portNum,
                                          SDK_CABLE_STATUS* status);
