// Inspection of the MAC counters and the changes of the simulated world that reach them.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/counters/mac_counters.h"

namespace chipsim {

uint64_t mac_counter(uint8_t dev, uint8_t port, uint32_t counter) {
    if (!sdkMacCounterValid(counter)) return 0;
    return on_device(dev, uint64_t{0}, [&](Locked d) -> uint64_t {
        return d->port(port) ? d->mac.ports[port].count[counter] : 0;
    });
}

bool set_mac_counter(uint8_t dev, uint8_t port, uint32_t counter, uint64_t value) {
    if (!sdkMacCounterValid(counter)) return false;
    return on_device(dev, false, [&](Locked d) {
        if (!d->port(port)) return false;
        d->mac.ports[port].count[counter] = value;
        return true;
    });
}

bool set_capture_delay(uint8_t dev, uint32_t polls) {
    return on_device(dev, false, [&](Locked d) {
        d->mac.capture_delay = polls;
        return true;
    });
}

}  // namespace chipsim
