// The sdk* operations of the port counters: reading the MAC counters (clearing them when
// clear-on-read is on), their capture, and the egress counter sets.
#include "sdk/sdk_counters.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/counters/mac_counters.h"

using chipsim::Locked;
using chipsim::MacPort;
using chipsim::Port;

namespace {

// The counters change nothing frames meet: the operations do not count as changes of the
// model (which would make the pipeline look at its cached state again).
template <typename Fn>
SDK_STATUS with_mac(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return chipsim::read_port(op, dev, port,
                              [&](Locked d, Port&) { return fn(d, d->mac.ports[port]); });
}

// Reads a counter as the chip hands it out: clear-on-read clears it.
uint64_t take(MacPort& m, uint32_t n) {
    uint64_t v = m.count[n];
    if (m.clear_on_read) m.count[n] = 0;
    return v;
}

}  // namespace

const char* sdkMacCounterName(SDK_MAC_COUNTER c) {
    static constexpr const char* kNames[SDK_MAC_COUNTERS] = {
        "goodOctetsRcv",
        "badOctetsRcv",
        "macTransmitErr",
        nullptr,
        nullptr,
        "brdcPktsRcv",
        "mcPktsRcv",
        "pkts64Octets",
        "pkts65to127Octets",
        "pkts128to255Octets",
        "pkts256to511Octets",
        "pkts512to1023Octets",
        "pkts1024tomaxOoctets",
        "goodOctetsSent",
        nullptr,
        "excessiveCollisions",
        "mcPktsSent",
        "brdcPktsSent",
        nullptr,
        "fcSent",
        "goodFcRcv",
        "dropEvents",
        "undersizePkts",
        "fragmentsPkts",
        "oversizePkts",
        "jabberPkts",
        "macRcvError",
        "badCrc",
        "collisions",
        "lateCollisions",
        nullptr,
        "ucPktsRcv",
        "ucPktsSent",
        nullptr,
        "deferredPktsSent",
    };
    return c < SDK_MAC_COUNTERS ? kNames[c] : nullptr;
}

SDK_STATUS sdkMacCounterGet(uint8_t devNum, uint8_t portNum, SDK_MAC_COUNTER cntr,
                            uint64_t* value) {
    if (!value) return SDK_BAD_PTR;
    if (!sdkMacCounterValid(cntr)) return SDK_BAD_PARAM;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        *value = take(m, cntr);
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersOnPortGet(uint8_t devNum, uint8_t portNum,
                                       SDK_PORT_MAC_COUNTER_SET* set) {
    if (!set) return SDK_BAD_PTR;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        for (uint32_t n = 0; n < SDK_MAC_COUNTERS; ++n)
            set->counter[n] = take(m, n);
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersEnable(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        m.enabled = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersEnableGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        *enable = m.enabled;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersClearOnReadSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        m.clear_on_read = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersClearOnReadGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        *enable = m.clear_on_read;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersCaptureTriggerSet(uint8_t devNum, uint8_t portNum) {
    return with_mac(__func__, devNum, portNum, [&](Locked d, MacPort& m) {
        if (m.capture_polls) return SDK_BAD_STATE;  // the previous capture still runs
        for (uint32_t n = 0; n < SDK_MAC_COUNTERS; ++n)
            m.snapshot[n] = take(m, n);
        m.capture_polls = d->mac.capture_delay;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersCaptureTriggerGet(uint8_t devNum, uint8_t portNum,
                                               bool* captureIsDone) {
    if (!captureIsDone) return SDK_BAD_PTR;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        if (m.capture_polls && m.capture_polls != 0xFFFFFFFFu) --m.capture_polls;
        *captureIsDone = m.capture_polls == 0;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacCountersCaptureOnPortGet(uint8_t devNum, uint8_t portNum,
                                              SDK_PORT_MAC_COUNTER_SET* set) {
    if (!set) return SDK_BAD_PTR;
    return with_mac(__func__, devNum, portNum, [&](Locked, MacPort& m) {
        if (m.capture_polls) return SDK_BAD_STATE;
        for (uint32_t n = 0; n < SDK_MAC_COUNTERS; ++n)
            set->counter[n] = m.snapshot[n];
        return SDK_OK;
    });
}

SDK_STATUS sdkPortEgressCntrModeSet(uint8_t devNum, uint8_t cntrSetNum, uint32_t setModeBmp,
                                    uint8_t portNum, uint16_t vlanId, uint8_t tc, uint8_t dpLevel) {
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        const uint32_t all =
            SDK_EGRESS_CNT_PORT | SDK_EGRESS_CNT_VLAN | SDK_EGRESS_CNT_TC | SDK_EGRESS_CNT_DP;
        if (cntrSetNum >= SDK_EGRESS_CNT_SETS || (setModeBmp & ~all) || vlanId > 4095 || tc > 7 ||
            dpLevel > 2 || ((setModeBmp & SDK_EGRESS_CNT_PORT) && !d->port(portNum)))
            return SDK_BAD_PARAM;
        chipsim::EgressSet& s = d->mac.egress[cntrSetNum];
        s = chipsim::EgressSet{setModeBmp, portNum, vlanId, tc, dpLevel, {}};
        return SDK_OK;
    });
}

SDK_STATUS sdkPortEgressCntrsGet(uint8_t devNum, uint8_t cntrSetNum, SDK_EGRESS_CNTRS* cntrs) {
    if (!cntrs) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        if (cntrSetNum >= SDK_EGRESS_CNT_SETS) return SDK_BAD_PARAM;
        *cntrs = d->mac.egress[cntrSetNum].count;
        d->mac.egress[cntrSetNum].count = {};
        return SDK_OK;
    });
}
