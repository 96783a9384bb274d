// The address table's simulation-control commands: reading the table, moving the clock.
#include <algorithm>
#include <cstring>

#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool fdb_read(void* msg) {
    uint32_t dev, first;
    if (!word(msg, 0, &dev) || !word(msg, 1, &first) || dev >= model().devices.size())
        return answer(msg, false);
    const std::vector<uint8_t> hw = hw_numbers();
    DeviceLock lock(*model().devices[dev]);
    Locked d = lock.locked();
    sc::FdbReply out;
    uint32_t slot = first;
    const uint32_t room = (simctl::kMaxPayload - 16) / sc::kFdbRecordSize;
    fdb_catch_up(d, clock_ms());
    for (; slot < d->fdb.size() && out.count < room; ++slot) {
        const FdbSlot& s = d->fdb.slots[slot];
        if (!s.live()) continue;
        sc::FdbRecord r;
        r.slot = slot;
        SDK_MAC_ENTRY_KEY k = fdb_key_unpack(s.key);
        if (k.entryType == SDK_MAC_ENTRY_KEY_MAC_VID) {
            std::memcpy(r.key.data(), k.macVlan.macAddr, 6);
            r.vid = k.macVlan.vlanId;
        } else {
            std::memcpy(r.key.data(), k.ipMcast.sip, 4);
            std::memcpy(r.key.data() + 4, k.ipMcast.dip, 4);
            r.vid = k.ipMcast.vlanId;
        }
        r.key_type = static_cast<uint8_t>(k.entryType);
        r.flags = ((s.flags & kFdbStatic) ? sc::kFdbFlagStatic : 0) |
                  ((s.flags & kFdbAge) ? sc::kFdbFlagSeen : 0);
        r.if_type = s.if_type;
        r.dev = s.dev;
        r.port = s.port;
        uint8_t owner = s.if_type == SDK_INTERFACE_PORT ? device_of_hw(hw, s.dev) : 0xFF;
        r.front = owner != 0xFF ? front_of(owner, s.port) : sc::kNoFrontPort;
        r.target = s.target;
        r.da_cmd = s.da_cmd;
        r.sa_cmd = s.sa_cmd;
        out.items.push_back(r);
        ++out.count;
    }
    while (slot < d->fdb.size() && !d->fdb.slots[slot].live())
        ++slot;
    out.next = slot < d->fdb.size() ? slot : sc::kFdbEnd;
    return reply(msg, out);
}

bool clock_advance(void* msg) {
    uint32_t seconds, ms = 0;
    if (!word(msg, 0, &seconds)) return answer(msg, false);
    word(msg, 1, &ms);  // optional milliseconds
    advance_clock(seconds);
    if (ms) advance_clock_ms(ms);
    return answer(msg, true);
}

}  // namespace

void register_fdb_simctl() {
    simctl_register(sc::kFdbRead, fdb_read);
    simctl_register(sc::kClockAdvance, clock_advance);
}

}  // namespace chipsim
