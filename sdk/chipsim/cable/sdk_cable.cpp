// The PHY's cable test.
#include "sdk/chipsim/cable/cable.h"
#include "sdk/chipsim/core/model.h"

using chipsim::Device;
using chipsim::Port;

namespace {

// What the test reports of a cable: each pair's state and distance (a good pair's distance
// is the cable's length), in whole metres up to 255.
void report(const chipsim::Cable& c, SDK_CABLE_STATUS* s) {
    for (uint32_t i = 0; i < SDK_CABLE_PAIRS; ++i) {
        s->pairStatus[i] = c[i].state;
        s->pairDistance[i] = c[i].metres > 255 ? 255 : c[i].metres;
    }
}

// Only the clause-22 copper PHYs test cables.
SDK_STATUS testable(Device& d, Port& p) {
    chipsim::Phy* phy = d.wired_phy(p);
    if (!phy || phy->clause45()) return SDK_NOT_SUPPORTED;
    if (!phy->answering) return SDK_FAIL;
    return SDK_OK;
}

}  // namespace

SDK_STATUS sdkCableTestStatusGet(uint8_t devNum, uint8_t portNum, uint32_t action,
                                 SDK_CABLE_STATUS* status) {
    if (action == SDK_CABLE_TEST_READ && !status) return SDK_BAD_PTR;
    return chipsim::with_port(__func__, devNum, portNum, [&](Device& d, Port& p) -> SDK_STATUS {
        if (portNum >= SDK_MAX_PORTS) return SDK_BAD_PARAM;
        if (SDK_STATUS rc = testable(d, p)) return rc;
        chipsim::PortCable& c = d.cables.ports[portNum];
        if (action == SDK_CABLE_TEST_START) {
            c.testing = true;
            c.polls_left = chipsim::kCableTestPolls;
            return SDK_OK;
        }
        if (action != SDK_CABLE_TEST_READ) return SDK_BAD_PARAM;
        if (!c.testing) return SDK_BAD_STATE;
        if (c.polls_left > 0) {
            --c.polls_left;
            return SDK_NOT_READY;
        }
        c.testing = false;
        report(chipsim::cable_of(d.cables, p), status);
        return SDK_OK;
    });
}

SDK_STATUS sdkCableTestLinkedGigStatusGet(uint8_t devNum, uint8_t portNum,
                                          SDK_CABLE_STATUS* status) {
    if (!status) return SDK_BAD_PTR;
    return chipsim::read_port(__func__, devNum, portNum, [&](chipsim::Locked d, Port& p) {
        if (portNum >= SDK_MAX_PORTS) return SDK_BAD_PARAM;
        if (SDK_STATUS rc = testable(d, p)) return rc;
        chipsim::LinkState l = chipsim::resolve_link(d, p);
        if (!l.up || l.speed != SDK_PORT_SPEED_1000) return SDK_BAD_STATE;
        report(chipsim::cable_of(d->cables, p), status);
        return SDK_OK;
    });
}
