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

SDK_STATUS sdkPortTxShaperProfileGet(uint8_t devNum, uint8_t portNum, uint32_t* burstSize,
                                     uint32_t* rateKbps, bool* enable) {
    if (!burstSize || !rateKbps || !enable) return SDK_BAD_PTR;
    return chipsim::read_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        const PortMisc& m = d.misc.ports[portNum];
        *burstSize = m.shaper_burst;
        *rateKbps = m.shaper_rate;
        *enable = m.shaper_enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxToCpuShaperModeSet(uint8_t devNum, uint32_t mode) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (mode > SDK_PORT_TX_TO_CPU_SHAPER_BYTES) return SDK_BAD_PARAM;
        d.misc.cpu_shaper_mode = mode;
        d.shapers[SDK_CPU_PORT] = {};
        d.cpu.buckets = {};
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxToCpuShaperModeGet(uint8_t devNum, uint32_t* mode) {
    if (!mode) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Device& d) {
        *mode = d.misc.cpu_shaper_mode;
        return SDK_OK;
    });
}

namespace {

template <typename Fn>
SDK_STATUS with_queue_shaper(const char* op, uint8_t dev, uint8_t port, uint8_t tc, Fn fn) {
    if (port != SDK_CPU_PORT) return SDK_NOT_SUPPORTED;
    return with_device(op, dev, [&](Device& d) {
        if (tc >= 8) return SDK_OUT_OF_RANGE;
        return fn(d, d.misc.cpu_queue_shapers[tc]);
    });
}

}  // namespace

SDK_STATUS sdkPortTxQShaperProfileSet(uint8_t devNum, uint8_t portNum, uint8_t tc,
                                      uint32_t burstSize, uint32_t rateKbps) {
    return with_queue_shaper(
        __func__, devNum, portNum, tc, [&](Device& d, chipsim::QueueShaper& s) {
            if (burstSize == 0 || burstSize >= 4096 || rateKbps == 0 || rateKbps > 100000000)
                return SDK_OUT_OF_RANGE;
            s.burst = burstSize;
            s.rate = rateKbps;
            d.cpu.buckets[tc] = {};
            return SDK_OK;
        });
}

SDK_STATUS sdkPortTxQShaperEnableSet(uint8_t devNum, uint8_t portNum, uint8_t tc, bool enable) {
    return with_queue_shaper(__func__, devNum, portNum, tc, [&](Device&, chipsim::QueueShaper& s) {
        s.enable = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxQShaperProfileGet(uint8_t devNum, uint8_t portNum, uint8_t tc,
                                      uint32_t* burstSize, uint32_t* rateKbps, bool* enable) {
    if (!burstSize || !rateKbps || !enable) return SDK_BAD_PTR;
    if (portNum != SDK_CPU_PORT) return SDK_NOT_SUPPORTED;
    return chipsim::read_device(__func__, devNum, [&](Device& d) {
        if (tc >= 8) return SDK_OUT_OF_RANGE;
        const chipsim::QueueShaper& s = d.misc.cpu_queue_shapers[tc];
        *burstSize = s.burst;
        *rateKbps = s.rate;
        *enable = s.enable;
        return SDK_OK;
    });
}
