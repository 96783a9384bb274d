// Loopbacks, port MAC addresses, egress block, analyzer VLAN tag, transmit shapers and the
// device temperature.
#include <algorithm>

#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_misc.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::PortMisc;
using chipsim::with_device;
using chipsim::with_port;

namespace {

template <typename Fn>
SDK_STATUS with_misc(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return with_port(op, dev, port, [&](Device& d, Port&) { return fn(d.misc.ports[port]); });
}

}  // namespace

SDK_STATUS sdkPortInternalLoopbackEnableSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        m.internal_loopback = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortInternalLoopbackEnableGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        *enable = m.internal_loopback;
        return SDK_OK;
    });
}

SDK_STATUS sdkOamPortLoopbackEnableSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        m.oam_loopback = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacSaSet(uint8_t devNum, uint8_t portNum, const uint8_t mac[6]) {
    if (!mac) return SDK_BAD_PTR;
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        if (mac[0] & 1) return SDK_BAD_PARAM;  // a multicast address cannot be a source
        std::copy(mac, mac + 6, m.mac_sa.begin());
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMacSaGet(uint8_t devNum, uint8_t portNum, uint8_t mac[6]) {
    if (!mac) return SDK_BAD_PTR;
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        std::copy(m.mac_sa.begin(), m.mac_sa.end(), mac);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgPortEgressBlockSet(uint8_t devNum, uint8_t portNum, bool block) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        m.egress_block = block;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgPortEgressBlockGet(uint8_t devNum, uint8_t portNum, bool* block) {
    if (!block) return SDK_BAD_PTR;
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        *block = m.egress_block;
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorAnalyzerVlanTagSet(uint8_t devNum, uint8_t portNum, uint16_t vlanId) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        if (vlanId >= 4095) return SDK_OUT_OF_RANGE;
        m.analyzer_vid = vlanId;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxShaperProfileSet(uint8_t devNum, uint8_t portNum, uint32_t burstSize,
                                     uint32_t rateKbps) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        // The shaper's limits: a 4 KB-unit burst below 4096, up to 100 Gb/s.
        if (burstSize == 0 || burstSize >= 4096 || rateKbps == 0 || rateKbps > 100000000)
            return SDK_OUT_OF_RANGE;
        m.shaper_burst = burstSize;
        m.shaper_rate = rateKbps;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxShaperEnableSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_misc(__func__, devNum, portNum, [&](PortMisc& m) {
        m.shaper_enable = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkCfgDevTemperatureGet(uint8_t devNum, int32_t* celsius) {
    if (!celsius) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        *celsius = d.misc.temperature;
        return SDK_OK;
    });
}
