// Transmit queue and buffer settings (sdk_txq.h).
#include "sdk/sdk_txq.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::Txq;
using chipsim::TxqPort;

namespace {

template <typename Fn>
SDK_STATUS with_txq(const char* op, uint8_t dev, Fn fn) {
    return chipsim::with_device(op, dev, [&](Device& d) { return fn(d.txq); });
}
template <typename Fn>
SDK_STATUS read_txq(const char* op, uint8_t dev, Fn fn) {
    return chipsim::read_device(op, dev, [&](Device& d) { return fn(d.txq); });
}
template <typename Fn>
SDK_STATUS with_txq_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return chipsim::with_port(op, dev, port,
                              [&](Device& d, Port&) { return fn(d.txq.ports[port]); });
}
template <typename Fn>
SDK_STATUS read_txq_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return chipsim::read_port(op, dev, port,
                              [&](Device& d, Port&) { return fn(d.txq.ports[port]); });
}

// A port profile setter and getter over one field, with the profiles' count.
SDK_STATUS set_profile(const char* op, uint8_t dev, uint8_t port, uint32_t TxqPort::*field,
                       uint32_t value, uint32_t count) {
    return with_txq_port(op, dev, port, [&](TxqPort& t) {
        if (value >= count) return SDK_OUT_OF_RANGE;
        t.*field = value;
        return SDK_OK;
    });
}
SDK_STATUS get_profile(const char* op, uint8_t dev, uint8_t port, uint32_t TxqPort::*field,
                       uint32_t* value) {
    if (!value) return SDK_BAD_PTR;
    return read_txq_port(op, dev, port, [&](TxqPort& t) {
        *value = t.*field;
        return SDK_OK;
    });
}

SDK_STATUS set_pair(const char* op, uint8_t dev, uint32_t Txq::*a, uint32_t Txq::*b, uint32_t va,
                    uint32_t vb, uint32_t max) {
    return with_txq(op, dev, [&](Txq& t) {
        if (va > max || vb > max) return SDK_OUT_OF_RANGE;
        t.*a = va;
        t.*b = vb;
        return SDK_OK;
    });
}
SDK_STATUS get_pair(const char* op, uint8_t dev, uint32_t Txq::*a, uint32_t Txq::*b, uint32_t* va,
                    uint32_t* vb) {
    if (!va || !vb) return SDK_BAD_PTR;
    return read_txq(op, dev, [&](Txq& t) {
        *va = t.*a;
        *vb = t.*b;
        return SDK_OK;
    });
}

}  // namespace

SDK_STATUS sdkPortTxWrrGlobalParamSet(uint8_t devNum, uint32_t wrrMode, uint32_t wrrMtu) {
    return set_pair(__func__, devNum, &Txq::wrr_mode, &Txq::wrr_mtu, wrrMode, wrrMtu, 7);
}
SDK_STATUS sdkPortTxWrrGlobalParamGet(uint8_t devNum, uint32_t* wrrMode, uint32_t* wrrMtu) {
    return get_pair(__func__, devNum, &Txq::wrr_mode, &Txq::wrr_mtu, wrrMode, wrrMtu);
}
SDK_STATUS sdkPortTxBindPortToSchedulerProfileSet(uint8_t devNum, uint8_t portNum,
                                                  uint32_t profile) {
    return set_profile(__func__, devNum, portNum, &TxqPort::scheduler_profile, profile, 8);
}
SDK_STATUS sdkPortTxBindPortToSchedulerProfileGet(uint8_t devNum, uint8_t portNum,
                                                  uint32_t* profile) {
    return get_profile(__func__, devNum, portNum, &TxqPort::scheduler_profile, profile);
}
SDK_STATUS sdkPortTxBindPortToDpSet(uint8_t devNum, uint8_t portNum, uint32_t profile) {
    return set_profile(__func__, devNum, portNum, &TxqPort::dp_profile, profile, 4);
}
SDK_STATUS sdkPortTxBindPortToDpGet(uint8_t devNum, uint8_t portNum, uint32_t* profile) {
    return get_profile(__func__, devNum, portNum, &TxqPort::dp_profile, profile);
}
SDK_STATUS sdkPortRxFcProfileSet(uint8_t devNum, uint8_t portNum, uint32_t profile) {
    return set_profile(__func__, devNum, portNum, &TxqPort::fc_profile, profile, 8);
}
SDK_STATUS sdkPortRxFcProfileGet(uint8_t devNum, uint8_t portNum, uint32_t* profile) {
    return get_profile(__func__, devNum, portNum, &TxqPort::fc_profile, profile);
}
SDK_STATUS sdkPortGlobalXonXoffLimitSet(uint8_t devNum, uint32_t xonLimit, uint32_t xoffLimit) {
    return set_pair(__func__, devNum, &Txq::xon, &Txq::xoff, xonLimit, xoffLimit, 0xFFFF);
}
SDK_STATUS sdkPortGlobalXonXoffLimitGet(uint8_t devNum, uint32_t* xonLimit, uint32_t* xoffLimit) {
    return get_pair(__func__, devNum, &Txq::xon, &Txq::xoff, xonLimit, xoffLimit);
}
SDK_STATUS sdkPortPanicPauseThresholdsSet(uint8_t devNum, uint32_t xonLimit, uint32_t xoffLimit) {
    return set_pair(__func__, devNum, &Txq::panic_xon, &Txq::panic_xoff, xonLimit, xoffLimit,
                    0xFFFF);
}
SDK_STATUS sdkPortPanicPauseThresholdsGet(uint8_t devNum, uint32_t* xonLimit, uint32_t* xoffLimit) {
    return get_pair(__func__, devNum, &Txq::panic_xon, &Txq::panic_xoff, xonLimit, xoffLimit);
}

namespace chipsim {
Txq txq(uint8_t dev) {
    return on_device(dev, Txq{}, [](Locked d) { return d->txq; });
}
}  // namespace chipsim
