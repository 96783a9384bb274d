// Looking into the SDK's system state (system/system.h).
#include "sdk/chipsim/core/model.h"

namespace chipsim {

uint8_t hw_dev_num(uint8_t dev) {
    return on_device(dev, uint8_t{0}, [](Locked d) { return d->hw_dev_num; });
}

bool aa_ta_to_cpu(uint8_t dev) {
    return on_device(dev, false, [](Locked d) { return d->aa_ta_to_cpu; });
}

bool netif_up(uint8_t dev) {
    return on_device(dev, false, [](Locked d) { return d->netif_up; });
}

uint32_t token_bucket_mtu(uint8_t dev) {
    return on_device(dev, 0u, [](Locked d) { return d->token_bucket_mtu; });
}

uint32_t hw_reg(uint8_t dev, uint32_t addr) {
    return on_device(dev, 0u, [&](Locked d) {
        auto it = d->regs.find(addr);
        return it == d->regs.end() ? 0u : it->second;
    });
}

uint32_t board_param(const std::string& name) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    auto it = m.params.find(name);
    return it == m.params.end() ? 0xFFFFFFFF : it->second;
}

bool phase2_netif_option() {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    return m.opt_phase2_netif;
}

}  // namespace chipsim
