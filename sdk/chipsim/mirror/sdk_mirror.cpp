// Mirroring's settings (sdk_mirror.h).
#include "sdk/sdk_mirror.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Locked;
using chipsim::Port;

namespace {

// A port's mirroring in one direction.
template <bool Rx>
SDK_STATUS port_set(const char* op, uint8_t dev, uint8_t port, bool enable, uint32_t index) {
    return chipsim::with_port(op, dev, port, [&](Locked d, Port&) {
        if (port == SDK_CPU_PORT || index >= SDK_MIRROR_ANALYZERS) return SDK_BAD_PARAM;
        chipsim::MirrorPort& m = d->mirror.ports[port];
        (Rx ? m.rx : m.tx) = enable;
        (Rx ? m.rx_index : m.tx_index) = static_cast<uint8_t>(index);
        d->mirror.refresh();
        return SDK_OK;
    });
}

template <bool Rx>
SDK_STATUS port_get(const char* op, uint8_t dev, uint8_t port, bool* enable, uint32_t* index) {
    if (!enable || !index) return SDK_BAD_PTR;
    return chipsim::read_port(op, dev, port, [&](Locked d, Port&) {
        if (port == SDK_CPU_PORT) return SDK_BAD_PARAM;
        const chipsim::MirrorPort& m = d->mirror.ports[port];
        *enable = Rx ? m.rx : m.tx;
        *index = Rx ? m.rx_index : m.tx_index;
        return SDK_OK;
    });
}

SDK_STATUS single_set(const char* op, uint8_t dev, bool rx, uint8_t port, uint8_t hw_dev) {
    return chipsim::with_device(op, dev, [&](Locked d) {
        if (port >= SDK_MAX_PORTS || hw_dev > 31) return SDK_BAD_PARAM;
        (rx ? d->mirror.rx_port : d->mirror.tx_port) = SDK_MIRROR_ANALYZER{hw_dev, port};
        return SDK_OK;
    });
}

SDK_STATUS single_get(const char* op, uint8_t dev, bool rx, uint8_t* port, uint8_t* hw_dev) {
    if (!port || !hw_dev) return SDK_BAD_PTR;
    return chipsim::read_device(op, dev, [&](Locked d) {
        const SDK_MIRROR_ANALYZER& a = rx ? d->mirror.rx_port : d->mirror.tx_port;
        *port = a.portNum;
        *hw_dev = a.hwDevNum;
        return SDK_OK;
    });
}

}  // namespace

SDK_STATUS sdkMirrorAnalyzerTableSupported(uint8_t devNum, bool* supported) {
    if (!supported) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *supported = d->mirror.has_table;
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorAnalyzerInterfaceSet(uint8_t devNum, uint32_t index,
                                         const SDK_MIRROR_ANALYZER* analyzer) {
    if (!analyzer) return SDK_BAD_PTR;
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (!d->mirror.has_table) return SDK_NOT_SUPPORTED;
        if (index >= SDK_MIRROR_ANALYZERS || analyzer->portNum >= SDK_MAX_PORTS ||
            analyzer->hwDevNum > 31)
            return SDK_BAD_PARAM;
        d->mirror.table[index] = *analyzer;
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorAnalyzerInterfaceGet(uint8_t devNum, uint32_t index,
                                         SDK_MIRROR_ANALYZER* analyzer) {
    if (!analyzer) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        if (!d->mirror.has_table) return SDK_NOT_SUPPORTED;
        if (index >= SDK_MIRROR_ANALYZERS) return SDK_BAD_PARAM;
        *analyzer = d->mirror.table[index];
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorRxAnalyzerPortSet(uint8_t devNum, uint8_t analyzerPort, uint8_t analyzerDev) {
    return single_set(__func__, devNum, true, analyzerPort, analyzerDev);
}
SDK_STATUS sdkMirrorTxAnalyzerPortSet(uint8_t devNum, uint8_t analyzerPort, uint8_t analyzerDev) {
    return single_set(__func__, devNum, false, analyzerPort, analyzerDev);
}
SDK_STATUS sdkMirrorRxAnalyzerPortGet(uint8_t devNum, uint8_t* analyzerPort, uint8_t* analyzerDev) {
    return single_get(__func__, devNum, true, analyzerPort, analyzerDev);
}
SDK_STATUS sdkMirrorTxAnalyzerPortGet(uint8_t devNum, uint8_t* analyzerPort, uint8_t* analyzerDev) {
    return single_get(__func__, devNum, false, analyzerPort, analyzerDev);
}

SDK_STATUS sdkMirrorToAnalyzerForwardingModeSet(uint8_t devNum, uint32_t mode) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (mode > 1) return SDK_BAD_PARAM;
        if (mode == 1 && !d->mirror.has_table) return SDK_NOT_SUPPORTED;
        d->mirror.fwd_mode = mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorToAnalyzerForwardingModeGet(uint8_t devNum, uint32_t* mode) {
    if (!mode) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *mode = d->mirror.fwd_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorRxPortSet(uint8_t devNum, uint8_t portNum, bool enable, uint32_t index) {
    return port_set<true>(__func__, devNum, portNum, enable, index);
}
SDK_STATUS sdkMirrorTxPortSet(uint8_t devNum, uint8_t portNum, bool enable, uint32_t index) {
    return port_set<false>(__func__, devNum, portNum, enable, index);
}
SDK_STATUS sdkMirrorRxPortGet(uint8_t devNum, uint8_t portNum, bool* enable, uint32_t* index) {
    return port_get<true>(__func__, devNum, portNum, enable, index);
}
SDK_STATUS sdkMirrorTxPortGet(uint8_t devNum, uint8_t portNum, bool* enable, uint32_t* index) {
    return port_get<false>(__func__, devNum, portNum, enable, index);
}

SDK_STATUS sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(uint8_t devNum, bool enable, uint32_t index) {
    return chipsim::with_device(__func__, devNum, [&](Locked d) {
        if (index >= SDK_MIRROR_ANALYZERS) return SDK_BAD_PARAM;
        d->mirror.global_rx = enable;
        d->mirror.global_rx_index = index;
        d->mirror.refresh();
        return SDK_OK;
    });
}

SDK_STATUS sdkMirrorRxGlobalAnalyzerInterfaceIndexGet(uint8_t devNum, bool* enable,
                                                      uint32_t* index) {
    if (!enable || !index) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](Locked d) {
        *enable = d->mirror.global_rx;
        *index = d->mirror.global_rx_index;
        return SDK_OK;
    });
}

namespace chipsim {

void Mirror::refresh() {
    any_rx = global_rx;
    any_tx = false;
    for (const MirrorPort& m : ports) {
        any_rx = any_rx || m.rx;
        any_tx = any_tx || m.tx;
    }
}

Mirror mirror(uint8_t dev) {
    return on_device(dev, Mirror{}, [](Locked d) { return d->mirror; });
}

}  // namespace chipsim
