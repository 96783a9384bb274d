// The trunks' simulation-control command: a device's hash settings and trunk members.
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool trunks_cmd(void* msg) {
    sc::TrunksReply out;
    bool ok = on_dev(word(msg, 0), [&](Device& d) {
        const Trunks& t = d.trunks;
        out.hash_mode = static_cast<uint8_t>(t.hash_mode);
        out.ip_hash = t.ip_hash;
        out.ipv6_mode = static_cast<uint8_t>(t.ipv6_mode);
        std::copy(t.mask.begin(), t.mask.end(), out.masks.begin());
        for (uint16_t id = 1; id <= SDK_TRUNK_MAX_ID; ++id) {
            const Trunk& tr = t.table[id];
            auto add = [&](const SDK_TRUNK_MEMBER& m, bool enabled) {
                sc::TrunkMemberRecord r;
                r.trunk = id;
                r.device = m.device;
                r.port = m.port;
                r.enabled = enabled;
                out.items.push_back(r);
            };
            for (uint32_t i = 0; i < tr.n_enabled; ++i)
                add(tr.enabled[i], true);
            for (uint32_t i = 0; i < tr.n_disabled; ++i)
                add(tr.disabled[i], false);
        }
    });
    if (!ok) return answer(msg, false);
    // Front ports after the device's lock is let go: members may be on any device.
    std::vector<uint8_t> hw = hw_numbers();
    for (sc::TrunkMemberRecord& r : out.items) {
        uint8_t dev = device_of_hw(hw, r.device);
        uint8_t front = dev == 0xFF ? sc::kNoFrontPort : front_of(dev, r.port);
        r.front = front == sc::kNoFrontPort ? 0 : front;
    }
    out.count = static_cast<uint32_t>(out.items.size());
    return reply(msg, out);
}

}  // namespace

void register_trunk_simctl() {
    simctl_register(sc::kTrunks, trunks_cmd);
}

}  // namespace chipsim
