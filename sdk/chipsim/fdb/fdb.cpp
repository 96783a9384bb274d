// The MAC address table of the model: keys, slots, the bucket search and the messages the
// table sends the CPU.
#include "sdk/chipsim/fdb/fdb.h"

#include <cstring>

#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

constexpr uint32_t kBreachQueue = 256;
constexpr uint32_t kDefaultAuQueue = 256;

uint64_t head(uint32_t type, uint16_t vid) {
    return uint64_t{type} << 60 | uint64_t{vid} << 48;
}

uint32_t get32(const uint8_t b[4]) {
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

void put32(uint8_t b[4], uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

uint32_t board_param_or(const char* name, uint32_t dflt) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    auto it = m.params.find(name);
    return it == m.params.end() ? dflt : it->second;
}

bool fdb_key(const SDK_MAC_ENTRY_KEY& k, FdbKey* out) {
    switch (k.entryType) {
        case SDK_MAC_ENTRY_KEY_MAC_VID:
            if (k.macVlan.vlanId > 0xFFF) return false;
            *out = fdb_key_mac(k.macVlan.macAddr, k.macVlan.vlanId);
            return true;
        case SDK_MAC_ENTRY_KEY_IPV4_MCAST:
        case SDK_MAC_ENTRY_KEY_IPV6_MCAST:
            if (k.ipMcast.vlanId > 0xFFF) return false;
            *out = FdbKey{head(k.entryType, k.ipMcast.vlanId) | get32(k.ipMcast.sip),
                          get32(k.ipMcast.dip)};
            return true;
    }
    return false;
}

SDK_MAC_ENTRY_KEY fdb_key_unpack(const FdbKey& k) {
    SDK_MAC_ENTRY_KEY out{};
    out.entryType = static_cast<uint32_t>(k.word >> 60);
    uint16_t vid = static_cast<uint16_t>(k.word >> 48 & 0xFFF);
    if (out.entryType == SDK_MAC_ENTRY_KEY_MAC_VID) {
        for (int i = 0; i < 6; ++i)
            out.macVlan.macAddr[i] = static_cast<uint8_t>(k.word >> (40 - 8 * i));
        out.macVlan.vlanId = vid;
    } else {
        put32(out.ipMcast.sip, static_cast<uint32_t>(k.word));
        put32(out.ipMcast.dip, k.group);
        out.ipMcast.vlanId = vid;
    }
    return out;
}

bool fdb_slot_from(const SDK_MAC_ENTRY_EXT& e, FdbSlot* out) {
    auto cmd_ok = [](uint32_t c) { return c <= SDK_MAC_TABLE_CMD_TRAP_TO_CPU || c == 5; };
    if (!fdb_key(e.key, &out->key) || !cmd_ok(e.daCommand) || !cmd_ok(e.saCommand) ||
        e.sourceID > 31 || e.userDefined > 15 || e.daQosIndex > 127 || e.saQosIndex > 127 ||
        e.daSecurityLevel > 7 || e.saSecurityLevel > 7)
        return false;
    const SDK_INTERFACE_INFO& i = e.dstInterface;
    out->if_type = static_cast<uint8_t>(i.type);
    out->dev = out->port = 0;
    out->target = 0;
    switch (i.type) {
        case SDK_INTERFACE_PORT:
            if (i.devPort.devNum > 31 ||
                (i.devPort.portNum >= SDK_MAX_PORTS && i.devPort.portNum != SDK_CPU_PORT))
                return false;
            out->dev = i.devPort.devNum;
            out->port = i.devPort.portNum;
            break;
        case SDK_INTERFACE_TRUNK:
            if (i.trunkId < 1 || i.trunkId > 127) return false;
            out->target = i.trunkId;
            break;
        case SDK_INTERFACE_VIDX:
            if (i.vidx > 0xFFF) return false;
            out->target = i.vidx;
            break;
        case SDK_INTERFACE_VID:
            if (i.vlanId > 0xFFF) return false;
            out->target = i.vlanId;
            break;
        default:
            return false;
    }
    out->flags = kFdbValid | (e.age ? kFdbAge : 0) | (e.isStatic ? kFdbStatic : 0) |
                 (e.daRoute ? kFdbDaRoute : 0) | (e.mirrorToRxAnalyzerPortEn ? kFdbMirror : 0) |
                 (e.appSpecificCpuCode ? kFdbAppCpuCode : 0);
    out->da_cmd = static_cast<uint8_t>(e.daCommand);
    out->sa_cmd = static_cast<uint8_t>(e.saCommand);
    out->source_id = static_cast<uint8_t>(e.sourceID);
    out->user_defined = static_cast<uint8_t>(e.userDefined);
    out->da_qos = static_cast<uint8_t>(e.daQosIndex);
    out->sa_qos = static_cast<uint8_t>(e.saQosIndex);
    out->da_sec = static_cast<uint8_t>(e.daSecurityLevel);
    out->sa_sec = static_cast<uint8_t>(e.saSecurityLevel);
    return true;
}

SDK_MAC_ENTRY_EXT fdb_slot_entry(const FdbSlot& s) {
    SDK_MAC_ENTRY_EXT e{};
    e.key = fdb_key_unpack(s.key);
    e.dstInterface.type = s.if_type;
    switch (s.if_type) {
        case SDK_INTERFACE_PORT:
            e.dstInterface.devPort.devNum = s.dev;
            e.dstInterface.devPort.portNum = s.port;
            break;
        case SDK_INTERFACE_TRUNK:
            e.dstInterface.trunkId = s.target;
            break;
        case SDK_INTERFACE_VIDX:
            e.dstInterface.vidx = s.target;
            break;
        default:
            e.dstInterface.vlanId = s.target;
    }
    e.isStatic = s.flags & kFdbStatic;
    e.daCommand = s.da_cmd;
    e.saCommand = s.sa_cmd;
    e.daRoute = s.flags & kFdbDaRoute;
    e.mirrorToRxAnalyzerPortEn = s.flags & kFdbMirror;
    e.sourceID = s.source_id;
    e.userDefined = s.user_defined;
    e.daQosIndex = s.da_qos;
    e.saQosIndex = s.sa_qos;
    e.daSecurityLevel = s.da_sec;
    e.saSecurityLevel = s.sa_sec;
    e.appSpecificCpuCode = s.flags & kFdbAppCpuCode;
    e.age = s.flags & kFdbAge;
    return e;
}

int32_t fdb_insert(FdbTable& t, const FdbSlot& s) {
    ++t.gen;
    const uint32_t mask = t.mask();
    uint32_t slot = fdb_hash(s.key, mask);
    int32_t free_slot = -1;
    for (uint32_t i = 0; i < t.depth; ++i, slot = (slot + 1) & mask) {
        FdbSlot& cur = t.slots[slot];
        if (cur.live() && cur.key == s.key) {
            cur = s;
            return static_cast<int32_t>(slot);
        }
        if (!cur.live() && free_slot < 0) free_slot = static_cast<int32_t>(slot);
        if (!(cur.flags & kFdbValid)) break;  // nothing of this key beyond an invalid slot
    }
    if (free_slot >= 0) t.slots[static_cast<uint32_t>(free_slot)] = s;
    return free_slot;
}

bool fdb_remove(FdbTable& t, const FdbKey& k) {
    int32_t slot = fdb_find(t, k);
    if (slot < 0) return false;
    ++t.gen;
    t.slots[static_cast<uint32_t>(slot)].flags |= kFdbSkip;
    return true;
}

uint32_t fdb_count(const FdbTable& t) {
    uint32_t n = 0;
    for (const FdbSlot& s : t.slots)
        n += s.live();
    return n;
}

void fdb_au_push(Locked d, uint32_t type, const FdbSlot& s, int32_t index) {
    if (d->fdb.au_queue.size() >= board_param_or("au_desc_count", kDefaultAuQueue)) {
        ++d->fdb.au_lost;
        return;
    }
    bool on_port = s.if_type == SDK_INTERFACE_PORT;
    AuMessage m{type, on_port ? s.dev : d->hw_dev_num, on_port ? s.port : uint8_t{0}};
    m.entry = fdb_slot_entry(s);
    m.found = index >= 0;
    m.index = index >= 0 ? static_cast<uint32_t>(index) : 0;
    d->fdb.au_queue.push_back(m);
}

void fdb_breach_push(Locked d, const uint8_t mac[6], uint16_t vid, uint8_t port) {
    if (d->fdb.breach.size() >= kBreachQueue) {
        ++d->fdb.breach_lost;
        return;
    }
    SDK_SECUR_BREACH_MSG m{};
    std::memcpy(m.macSa, mac, 6);
    m.vlan = vid;
    m.port = port;
    m.code = SDK_SECUR_BREACH_NEW_ADDRESS;
    d->fdb.breach.push_back(m);
    fdb_events_notify();
}

}  // namespace chipsim
