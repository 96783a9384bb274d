// Mirroring's simulation-control command: a device's analyzers and mirrored ports.
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool mirror_cmd(void* msg) {
    sc::MirrorReply out;
    uint32_t dev = word(msg, 0);
    bool ok = on_dev(dev, [&](Device& d) {
        const Mirror& m = d.mirror;
        out.has_table = m.has_table;
        out.fwd_mode = static_cast<uint8_t>(m.fwd_mode);
        out.global_rx = m.global_rx;
        out.global_index = static_cast<uint8_t>(m.global_rx_index);
        for (uint32_t i = 0; i < SDK_MIRROR_ANALYZERS; ++i) {
            out.table[2 * i] = m.table[i].hwDevNum;
            out.table[2 * i + 1] = m.table[i].portNum;
        }
        out.single = {m.rx_port.hwDevNum, m.rx_port.portNum, m.tx_port.hwDevNum, m.tx_port.portNum};
        for (uint8_t p = 0; p < SDK_MAX_PORTS; ++p) {
            const MirrorPort& mp = m.ports[p];
            if (!mp.rx && !mp.tx) continue;
            sc::MirrorPortRecord r;
            r.device = static_cast<uint8_t>(dev);
            r.dev_port = p;
            r.flags = (mp.rx ? sc::kMirrorRx : 0) | (mp.tx ? sc::kMirrorTx : 0);
            r.rx_index = mp.rx_index;
            r.tx_index = mp.tx_index;
            out.items.push_back(r);
        }
    });
    if (!ok) return answer(msg, false);
    for (sc::MirrorPortRecord& r : out.items) {
        uint8_t front = front_of(r.device, r.dev_port);
        r.front = front == sc::kNoFrontPort ? 0 : front;
    }
    out.count = static_cast<uint32_t>(out.items.size());
    return reply(msg, out);
}

}  // namespace

void register_mirror_simctl() {
    simctl_register(sc::kMirror, mirror_cmd);
}

}  // namespace chipsim
