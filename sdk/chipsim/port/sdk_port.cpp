// Port configuration and status.
#include "sdk/sdk_port.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Locked;
using chipsim::Port;
using chipsim::with_device;
using chipsim::with_port;

namespace {

bool speed_fits(uint32_t type, uint32_t speed) {
    switch (type) {
        case SDK_PORT_TYPE_FE:
            return speed <= SDK_PORT_SPEED_100;
        case SDK_PORT_TYPE_GE:
            return speed <= SDK_PORT_SPEED_1000;
        case SDK_PORT_TYPE_XG:
            return speed == SDK_PORT_SPEED_1000 || speed == SDK_PORT_SPEED_2500 ||
                   speed == SDK_PORT_SPEED_5000 || speed == SDK_PORT_SPEED_10000 ||
                   speed == SDK_PORT_SPEED_12000;
        case SDK_PORT_TYPE_XLG:
            return speed == SDK_PORT_SPEED_40000;
    }
    return false;
}

bool mode_fits(uint32_t type, uint32_t mode) {
    switch (type) {
        case SDK_PORT_TYPE_FE:
            return mode == SDK_PORT_IF_MII || mode == SDK_PORT_IF_100BASE_FX;
        case SDK_PORT_TYPE_GE:
            return mode == SDK_PORT_IF_MII || mode == SDK_PORT_IF_GMII ||
                   mode == SDK_PORT_IF_RGMII || mode == SDK_PORT_IF_SGMII ||
                   mode == SDK_PORT_IF_QSGMII || mode == SDK_PORT_IF_1000BASE_X ||
                   mode == SDK_PORT_IF_100BASE_FX;
        case SDK_PORT_TYPE_XG:
            return mode == SDK_PORT_IF_XGMII || mode == SDK_PORT_IF_KR ||
                   mode == SDK_PORT_IF_1000BASE_X;
    }
    return false;
}

// A setter and a getter of one boolean field of a port.
template <bool chipsim::PortState::*Field>
SDK_STATUS set_flag(const char* op, uint8_t dev, uint8_t port, bool v) {
    return with_port(op, dev, port, [&](Device&, Port& p) {
        p.*Field = v;
        return SDK_OK;
    });
}

template <bool chipsim::PortState::*Field>
SDK_STATUS get_flag(const char* op, uint8_t dev, uint8_t port, bool* v) {
    if (!v) return SDK_BAD_PTR;
    return with_port(op, dev, port, [&](Device&, Port& p) {
        *v = p.*Field;
        return SDK_OK;
    });
}

}  // namespace

bool sdkPortIfIsSerdes(uint32_t ifMode) {
    return ifMode == SDK_PORT_IF_SGMII || ifMode == SDK_PORT_IF_XGMII ||
           ifMode == SDK_PORT_IF_QSGMII || ifMode == SDK_PORT_IF_1000BASE_X ||
           ifMode == SDK_PORT_IF_KR || ifMode == SDK_PORT_IF_100BASE_FX;
}

SDK_STATUS sdkPortEnableSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return set_flag<&chipsim::PortState::enabled>(__func__, devNum, portNum, enable);
}

SDK_STATUS sdkPortEnableGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    return get_flag<&chipsim::PortState::enabled>(__func__, devNum, portNum, enable);
}

SDK_STATUS sdkPortTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* portType) {
    if (!portType) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *portType = p.type;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortLinkStatusGet(uint8_t devNum, uint8_t portNum, bool* linkUp) {
    if (!linkUp) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        *linkUp = chipsim::resolve_link(d, p).up;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortSpeedSet(uint8_t devNum, uint8_t portNum, uint32_t speed) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (!speed_fits(p.type, speed)) return SDK_NOT_SUPPORTED;
        p.speed = speed;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortSpeedGet(uint8_t devNum, uint8_t portNum, uint32_t* speed) {
    if (!speed) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        chipsim::LinkState l = chipsim::resolve_link(d, p);
        *speed = l.up ? l.speed : p.speed;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortDuplexModeSet(uint8_t devNum, uint8_t portNum, uint32_t dMode) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (dMode != SDK_PORT_FULL_DUPLEX && dMode != SDK_PORT_HALF_DUPLEX) return SDK_BAD_PARAM;
        if (dMode == SDK_PORT_HALF_DUPLEX && p.type >= SDK_PORT_TYPE_XG) return SDK_NOT_SUPPORTED;
        p.duplex = dMode;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortDuplexModeGet(uint8_t devNum, uint8_t portNum, uint32_t* dMode) {
    if (!dMode) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        chipsim::LinkState l = chipsim::resolve_link(d, p);
        *dMode = l.up ? l.duplex : p.duplex;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortSpeedAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state) {
    return set_flag<&chipsim::PortState::speed_an>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortSpeedAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state) {
    return get_flag<&chipsim::PortState::speed_an>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortDuplexAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state) {
    return set_flag<&chipsim::PortState::duplex_an>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortDuplexAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state) {
    return get_flag<&chipsim::PortState::duplex_an>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortFlowCntrlAutoNegEnableSet(uint8_t devNum, uint8_t portNum, bool state,
                                            bool pauseAdvertise) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        p.fc_an = state;
        p.pause_adv = pauseAdvertise;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortFlowCntrlAutoNegEnableGet(uint8_t devNum, uint8_t portNum, bool* state,
                                            bool* pauseAdvertise) {
    if (!state || !pauseAdvertise) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *state = p.fc_an;
        *pauseAdvertise = p.pause_adv;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortFlowControlEnableSet(uint8_t devNum, uint8_t portNum, bool state) {
    return set_flag<&chipsim::PortState::flow_control>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortFlowControlEnableGet(uint8_t devNum, uint8_t portNum, bool* state) {
    return get_flag<&chipsim::PortState::flow_control>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortBackPressureEnableSet(uint8_t devNum, uint8_t portNum, bool state) {
    return set_flag<&chipsim::PortState::back_pressure>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortBackPressureEnableGet(uint8_t devNum, uint8_t portNum, bool* state) {
    return get_flag<&chipsim::PortState::back_pressure>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortMruSet(uint8_t devNum, uint8_t portNum, uint32_t mruSize) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (mruSize > 16382 || (mruSize & 1)) return SDK_OUT_OF_RANGE;
        p.mru = mruSize;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortMruGet(uint8_t devNum, uint8_t portNum, uint32_t* mruSize) {
    if (!mruSize) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *mruSize = p.mru;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortInterfaceModeSet(uint8_t devNum, uint8_t portNum, uint32_t ifMode) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (!mode_fits(p.type, ifMode)) return SDK_NOT_SUPPORTED;
        p.if_mode = ifMode;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortInterfaceModeGet(uint8_t devNum, uint8_t portNum, uint32_t* ifMode) {
    if (!ifMode) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *ifMode = p.if_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortSerdesPowerStatusSet(uint8_t devNum, uint8_t portNum, uint32_t direction,
                                       uint32_t lanesBmp, bool powerUp) {
    return with_port(__func__, devNum, portNum, [&](Locked d, Port& p) {
        if (!d->desc->serdes || !sdkPortIfIsSerdes(p.if_mode)) return SDK_NOT_SUPPORTED;
        if (direction > SDK_PORT_DIRECTION_BOTH || lanesBmp == 0 || lanesBmp > 0xF)
            return SDK_BAD_PARAM;
        p.serdes_up = powerUp;
        p.serdes_lanes = lanesBmp;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortSerdesPowerStatusGet(uint8_t devNum, uint8_t portNum, bool* powerUp) {
    return get_flag<&chipsim::PortState::serdes_up>(__func__, devNum, portNum, powerUp);
}

SDK_STATUS sdkPortForceLinkDownEnableSet(uint8_t devNum, uint8_t portNum, bool state) {
    return set_flag<&chipsim::PortState::force_link_down>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortForceLinkDownEnableGet(uint8_t devNum, uint8_t portNum, bool* state) {
    return get_flag<&chipsim::PortState::force_link_down>(__func__, devNum, portNum, state);
}

SDK_STATUS sdkPortTxShaperTokenBucketMtuSet(uint8_t devNum, uint32_t mtu) {
    return with_device(__func__, devNum, [&](Locked d) {
        if (mtu > 2) return SDK_BAD_PARAM;
        d->token_bucket_mtu = mtu;
        return SDK_OK;
    });
}

SDK_STATUS sdkPortTxShaperTokenBucketMtuGet(uint8_t devNum, uint32_t* mtu) {
    if (!mtu) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Locked d) {
        *mtu = d->token_bucket_mtu;
        return SDK_OK;
    });
}
