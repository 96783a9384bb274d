// The PHYs' simulation-control commands: register reads, writes and dumps, a PHY that stops
// answering.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool phy_access(void* msg, bool write) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t kind, page, reg, value = 0;
        if (!word(msg, 1, &kind) || !word(msg, 2, &page) || !word(msg, 3, &reg) ||
            (write && !word(msg, 4, &value)) || page > 0xFF || reg > 0xFFFF || value > 0xFFFF)
            return answer(msg, false);
        uint16_t v = static_cast<uint16_t>(value);
        bool ok;
        if (kind == 1)
            ok = write ? phy_c45_write(dev, port, uint8_t(page), uint16_t(reg), v)
                       : phy_c45_reg(dev, port, uint8_t(page), uint16_t(reg), &v);
        else
            ok = reg <= 31 && (write ? phy_write(dev, port, uint8_t(page), uint8_t(reg), v)
                                     : phy_reg(dev, port, uint8_t(page), uint8_t(reg), &v));
        if (!ok || write) return answer(msg, ok);
        return reply(msg, sc::PhyValue{v});
    });
}

bool phy_read(void* msg) {
    return phy_access(msg, false);
}

bool phy_write_cmd(void* msg) {
    return phy_access(msg, true);
}

bool phy_dump(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t page;
        if (!word(msg, 1, &page) || page > 0xFF) return answer(msg, false);
        sc::PhyDump dump;
        dump.phy_class = phy_class(dev, port);
        for (uint8_t r = 0; r < 32; ++r)
            if (!phy_reg(dev, port, uint8_t(page), r, &dump.regs[r])) return answer(msg, false);
        return reply(msg, dump);
    });
}

bool phy_answer(void* msg) {
    return on_front(msg, [&](uint8_t dev, uint8_t port) {
        uint32_t on;
        if (!word(msg, 1, &on)) return answer(msg, false);
        return answer(msg, set_phy_answering(dev, port, on != 0));
    });
}

}  // namespace

void register_phy_simctl() {
    simctl_register(sc::kPhyRead, phy_read);
    simctl_register(sc::kPhyWrite, phy_write_cmd);
    simctl_register(sc::kPhyDump, phy_dump);
    simctl_register(sc::kPhyAnswer, phy_answer);
}

}  // namespace chipsim
