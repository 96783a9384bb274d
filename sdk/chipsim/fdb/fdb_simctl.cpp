// The address table's simulation-control commands: reading the table, moving the clock.
#include <algorithm>
#include <cstring>

#include "platform/common/byteorder.h"
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
    uint8_t* out = ipcmsg::payload(msg);
    uint32_t n = 0, slot = first;
    uint32_t room = (simctl::kMaxPayload - 16) / sc::kFdbRecordSize;
    fdb_catch_up(d, clock_ms());
    for (; slot < SDK_FDB_SIZE && n < room; ++slot) {
        const FdbSlot& s = d->fdb.slots[slot];
        if (!s.live()) continue;
        uint8_t* r = out + 12 + n++ * sc::kFdbRecordSize;
        std::memset(r, 0, sc::kFdbRecordSize);
        be::put32(r, slot);
        SDK_MAC_ENTRY_KEY k = fdb_key_unpack(s.key);
        if (k.entryType == SDK_MAC_ENTRY_KEY_MAC_VID) {
            std::memcpy(r + 4, k.macVlan.macAddr, 6);
            be::put16(r + 12, k.macVlan.vlanId);
        } else {
            std::memcpy(r + 4, k.ipMcast.sip, 4);
            std::memcpy(r + 8, k.ipMcast.dip, 4);
            be::put16(r + 12, k.ipMcast.vlanId);
        }
        r[14] = static_cast<uint8_t>(k.entryType);
        r[15] = ((s.flags & kFdbStatic) ? sc::kFdbFlagStatic : 0) |
                ((s.flags & kFdbAge) ? sc::kFdbFlagSeen : 0);
        r[16] = s.if_type;
        r[17] = s.dev;
        r[18] = s.port;
        uint8_t owner = s.if_type == SDK_INTERFACE_PORT ? device_of_hw(hw, s.dev) : 0xFF;
        r[19] = owner != 0xFF ? front_of(owner, s.port) : sc::kNoFrontPort;
        be::put16(r + 20, s.target);
        r[22] = s.da_cmd;
        r[23] = s.sa_cmd;
    }
    while (slot < SDK_FDB_SIZE && !d->fdb.slots[slot].live())
        ++slot;
    be::put32(out + 4, slot < SDK_FDB_SIZE ? slot : 0xFFFFFFFF);
    be::put32(out + 8, n);
    return answer(msg, true, 8 + n * sc::kFdbRecordSize);
}

bool clock_advance(void* msg) {
    uint32_t seconds;
    if (!word(msg, 0, &seconds)) return answer(msg, false);
    advance_clock(seconds);
    return answer(msg, true);
}

}  // namespace

void register_fdb_simctl() {
    simctl_register(sc::kFdbRead, fdb_read);
    simctl_register(sc::kClockAdvance, clock_advance);
}

}  // namespace chipsim
