// Spanning-tree port states.
#include "sdk/sdk_stp.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::with_port;

SDK_STATUS sdkBrgStpStateSet(uint8_t devNum, uint8_t portNum, uint32_t stgId, uint32_t state) {
    return with_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        if (stgId >= SDK_STP_GROUPS) return SDK_OUT_OF_RANGE;
        if (state > SDK_STP_FORWARDING) return SDK_BAD_PARAM;
        d.stp.state[stgId][portNum] = static_cast<uint8_t>(state);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgStpStateGet(uint8_t devNum, uint8_t portNum, uint32_t stgId, uint32_t* state) {
    if (!state) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device& d, Port&) {
        if (stgId >= SDK_STP_GROUPS) return SDK_OUT_OF_RANGE;
        *state = d.stp.state[stgId][portNum];
        return SDK_OK;
    });
}
