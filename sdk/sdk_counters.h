// Port statistics: each port's MAC counters (64 bits, wrapping as they count), their capture
// into a snapshot with clear-on-read, and the device's two egress counter sets.
#pragma once

#include "sdk/sdk_types.h"

// MAC counters, by number. Numbers between them that name no counter are refused.
using SDK_MAC_COUNTER = uint32_t;
constexpr SDK_MAC_COUNTER SDK_GOOD_OCTETS_RCV = 0;  // octets of good frames received (FCS in)
constexpr SDK_MAC_COUNTER SDK_BAD_OCTETS_RCV = 1;   // octets of errored frames received
constexpr SDK_MAC_COUNTER SDK_MAC_TRANSMIT_ERR = 2;
constexpr SDK_MAC_COUNTER SDK_BRDC_PKTS_RCV = 5;
constexpr SDK_MAC_COUNTER SDK_MC_PKTS_RCV = 6;  // pause frames excepted
constexpr SDK_MAC_COUNTER SDK_PKTS_64_OCTETS = 7;
constexpr SDK_MAC_COUNTER SDK_PKTS_65TO127_OCTETS = 8;
constexpr SDK_MAC_COUNTER SDK_PKTS_128TO255_OCTETS = 9;
constexpr SDK_MAC_COUNTER SDK_PKTS_256TO511_OCTETS = 10;
constexpr SDK_MAC_COUNTER SDK_PKTS_512TO1023_OCTETS = 11;
constexpr SDK_MAC_COUNTER SDK_PKTS_1024TOMAX_OCTETS = 12;
constexpr SDK_MAC_COUNTER SDK_GOOD_OCTETS_SENT = 13;
constexpr SDK_MAC_COUNTER SDK_EXCESSIVE_COLLISIONS = 15;
constexpr SDK_MAC_COUNTER SDK_MC_PKTS_SENT = 16;
constexpr SDK_MAC_COUNTER SDK_BRDC_PKTS_SENT = 17;
constexpr SDK_MAC_COUNTER SDK_FC_SENT = 19;
constexpr SDK_MAC_COUNTER SDK_GOOD_FC_RCV = 20;
constexpr SDK_MAC_COUNTER SDK_DROP_EVENTS = 21;
constexpr SDK_MAC_COUNTER SDK_UNDERSIZE_PKTS = 22;
constexpr SDK_MAC_COUNTER SDK_FRAGMENTS_PKTS = 23;
constexpr SDK_MAC_COUNTER SDK_OVERSIZE_PKTS = 24;
constexpr SDK_MAC_COUNTER SDK_JABBER_PKTS = 25;
constexpr SDK_MAC_COUNTER SDK_MAC_RCV_ERROR = 26;
constexpr SDK_MAC_COUNTER SDK_BAD_CRC = 27;
constexpr SDK_MAC_COUNTER SDK_COLLISIONS = 28;
constexpr SDK_MAC_COUNTER SDK_LATE_COLLISIONS = 29;
constexpr SDK_MAC_COUNTER SDK_UC_PKTS_RCV = 31;
constexpr SDK_MAC_COUNTER SDK_UC_PKTS_SENT = 32;
constexpr SDK_MAC_COUNTER SDK_DEFERRED_PKTS_SENT = 34;
constexpr uint32_t SDK_MAC_COUNTERS = 35;  // numbers 0..34

// Whether a number names a counter.
constexpr bool sdkMacCounterValid(SDK_MAC_COUNTER c) {
    return c < SDK_MAC_COUNTERS && c != 3 && c != 4 && c != 14 && c != 18 && c != 30 && c != 33;
}
// The name a counter is shown by ("goodOctetsRcv", ...); nullptr for a number without one.
const char* sdkMacCounterName(SDK_MAC_COUNTER c);

// A port's whole counter set, by number (numbers without a counter read 0).
struct SDK_PORT_MAC_COUNTER_SET {
    uint64_t counter[SDK_MAC_COUNTERS];
};

// One counter. With clear-on-read on, reading it also clears it.
SDK_STATUS sdkMacCounterGet(uint8_t devNum, uint8_t portNum, SDK_MAC_COUNTER cntr, uint64_t* value);
// Every counter of the port (cleared by the read when clear-on-read is on).
SDK_STATUS sdkPortMacCountersOnPortGet(uint8_t devNum, uint8_t portNum,
                                       SDK_PORT_MAC_COUNTER_SET* set);
// Whether the port's MAC counts at all (on at power-on).
SDK_STATUS sdkPortMacCountersEnable(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkPortMacCountersEnableGet(uint8_t devNum, uint8_t portNum, bool* enable);
SDK_STATUS sdkPortMacCountersClearOnReadSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkPortMacCountersClearOnReadGet(uint8_t devNum, uint8_t portNum, bool* enable);
// Captures the port's counters into its snapshot (a read: clear-on-read clears them). The
// capture completes in the background; sdkPortMacCountersCaptureTriggerGet says when.
SDK_STATUS sdkPortMacCountersCaptureTriggerSet(uint8_t devNum, uint8_t portNum);
SDK_STATUS sdkPortMacCountersCaptureTriggerGet(uint8_t devNum, uint8_t portNum,
                                               bool* captureIsDone);
// The snapshot of the last completed capture.
SDK_STATUS sdkPortMacCountersCaptureOnPortGet(uint8_t devNum, uint8_t portNum,
                                              SDK_PORT_MAC_COUNTER_SET* set);

// Egress counter sets 0 and 1 of a device: copies leaving the device's ports, counted when
// they match the set's mode: each mode bit restricts the set to one port, VLAN, traffic class
// or drop precedence (no bit: every copy).
constexpr uint32_t SDK_EGRESS_CNT_PORT = 0x1;
constexpr uint32_t SDK_EGRESS_CNT_VLAN = 0x2;
constexpr uint32_t SDK_EGRESS_CNT_TC = 0x4;
constexpr uint32_t SDK_EGRESS_CNT_DP = 0x8;
constexpr uint8_t SDK_EGRESS_CNT_SETS = 2;
struct SDK_EGRESS_CNTRS {
    uint32_t outUcFrames;       // unicast copies sent
    uint32_t outMcFrames;       // multicast copies sent
    uint32_t outBcFrames;       // broadcast copies sent
    uint32_t brgEgrFilterDisc;  // copies the bridge's egress filters discarded
    uint32_t txqFilterDisc;     // copies the transmit queues discarded
    uint32_t outCtrlFrames;     // MAC control frames sent
    uint32_t egrFrwDropFrames;  // copies forwarding restrictions (egress block) discarded
};
// Sets a set's mode and what it matches; the set's counters start again from 0.
SDK_STATUS sdkPortEgressCntrModeSet(uint8_t devNum, uint8_t cntrSetNum, uint32_t setModeBmp,
                                    uint8_t portNum, uint16_t vlanId, uint8_t tc, uint8_t dpLevel);
// Reads a set's counters, which the read clears.
SDK_STATUS sdkPortEgressCntrsGet(uint8_t devNum, uint8_t cntrSetNum, SDK_EGRESS_CNTRS* cntrs);
