// The MAC address table's sdk* operations.
#include <cstring>

#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/fdb/fdb.h"
#include "sdk/sdk_fdb.h"

using chipsim::Device;
using chipsim::FdbKey;
using chipsim::FdbSlot;
using chipsim::FdbTable;
using chipsim::Locked;

namespace {

// Runs fn(device, table) under the device's lock, after the ageing that fell due.
template <typename Fn>
SDK_STATUS with_fdb(const char* op, uint8_t dev, Fn fn) {
    return chipsim::with_device(op, dev, [&](Locked d) {
        chipsim::fdb_catch_up(d, chipsim::clock_ms());
        return fn(d, d->fdb);
    });
}

// Settings that change when automatic ageing runs re-arm its timer.
template <typename Fn>
SDK_STATUS with_ageing(const char* op, uint8_t dev, Fn fn) {
    return with_fdb(op, dev, [&](Device&, FdbTable& t) {
        SDK_STATUS rc = fn(t);
        if (rc == SDK_OK) chipsim::fdb_rearm(t, chipsim::clock_ms());
        return rc;
    });
}

bool valid_port(uint8_t port) {
    return port < SDK_MAX_PORTS || port == SDK_CPU_PORT;
}

}  // namespace

SDK_STATUS sdkBrgFdbMacEntrySet(uint8_t devNum, const SDK_MAC_ENTRY_EXT* macEntry) {
    if (!macEntry) return SDK_BAD_PTR;
    FdbSlot s;
    if (!chipsim::fdb_slot_from(*macEntry, &s)) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.cpu_msg_completed = true;
        t.cpu_msg_succeeded = chipsim::fdb_insert(t, s) >= 0;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacEntryDelete(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key) {
    if (!key) return SDK_BAD_PTR;
    FdbKey k;
    if (!chipsim::fdb_key(*key, &k)) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.cpu_msg_completed = true;
        t.cpu_msg_succeeded = chipsim::fdb_remove(t, k);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbFromCpuAuMsgStatusGet(uint8_t devNum, bool* completed, bool* succeeded) {
    if (!completed || !succeeded) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *completed = t.cpu_msg_completed;
        *succeeded = t.cpu_msg_succeeded;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbHashCalc(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key, uint32_t* hash) {
    if (!key || !hash) return SDK_BAD_PTR;
    FdbKey k;
    if (!chipsim::fdb_key(*key, &k)) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *hash = chipsim::fdb_hash(k, t.mask());
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacEntryRead(uint8_t devNum, uint32_t index, bool* valid, bool* skip,
                                 bool* aged, uint8_t* associatedDevNum, SDK_MAC_ENTRY_EXT* entry) {
    if (!valid || !skip || !aged || !associatedDevNum || !entry) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Locked d, FdbTable& t) {
        if (index >= t.size()) return SDK_OUT_OF_RANGE;
        const FdbSlot& s = t.slots[index];
        *valid = s.flags & chipsim::kFdbValid;
        *skip = s.flags & chipsim::kFdbSkip;
        *aged = !(s.flags & chipsim::kFdbAge);
        *associatedDevNum = s.if_type == SDK_INTERFACE_PORT ? s.dev : d->hw_dev_num;
        *entry = chipsim::fdb_slot_entry(s);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacEntryWrite(uint8_t devNum, uint32_t index, bool skip,
                                  const SDK_MAC_ENTRY_EXT* entry) {
    if (!entry) return SDK_BAD_PTR;
    FdbSlot s;
    if (!chipsim::fdb_slot_from(*entry, &s)) return SDK_BAD_PARAM;
    if (skip) s.flags |= chipsim::kFdbSkip;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        if (index >= t.size()) return SDK_OUT_OF_RANGE;
        t.slots[index] = s;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacEntryInvalidate(uint8_t devNum, uint32_t index) {
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        if (index >= t.size()) return SDK_OUT_OF_RANGE;
        t.slots[index].flags &= static_cast<uint8_t>(~chipsim::kFdbValid);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacEntryFind(uint8_t devNum, const SDK_MAC_ENTRY_KEY* key, uint32_t* index,
                                 SDK_MAC_ENTRY_EXT* entry) {
    if (!key || !index || !entry) return SDK_BAD_PTR;
    FdbKey k;
    if (!chipsim::fdb_key(*key, &k)) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        int32_t slot = chipsim::fdb_find(t, k);
        if (slot < 0) return SDK_NOT_FOUND;
        *index = static_cast<uint32_t>(slot);
        *entry = chipsim::fdb_slot_entry(t.slots[*index]);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMaxLookupLenSet(uint8_t devNum, uint32_t lookupLen) {
    if (lookupLen < 4 || lookupLen > 32 || lookupLen % 4) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.depth = lookupLen;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMaxLookupLenGet(uint8_t devNum, uint32_t* lookupLen) {
    if (!lookupLen) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *lookupLen = t.depth;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbPortLearnStatusSet(uint8_t devNum, uint8_t portNum, bool status, uint32_t cmd) {
    if (cmd > SDK_LOCK_CMD_MIRROR_TO_CPU) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Locked d, FdbTable& t) {
        if (!valid_port(portNum) || !d->port(portNum)) return SDK_BAD_PARAM;
        t.learn[portNum] = {status, cmd};
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbPortLearnStatusGet(uint8_t devNum, uint8_t portNum, bool* status,
                                       uint32_t* cmd) {
    if (!status || !cmd) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Locked d, FdbTable& t) {
        if (!valid_port(portNum) || !d->port(portNum)) return SDK_BAD_PARAM;
        *status = t.learn[portNum].automatic;
        *cmd = t.learn[portNum].lock_cmd;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbAgingTimeoutSet(uint8_t devNum, uint32_t timeout) {
    if (timeout < 1 || timeout > 0xFFFF) return SDK_BAD_PARAM;
    return with_ageing(__func__, devNum, [&](FdbTable& t) {
        t.aging_timeout = timeout;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbAgingTimeoutGet(uint8_t devNum, uint32_t* timeout) {
    if (!timeout) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *timeout = t.aging_timeout;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacTriggerModeSet(uint8_t devNum, uint32_t mode) {
    if (mode > SDK_FDB_TRIGGER_TRIG) return SDK_BAD_PARAM;
    return with_ageing(__func__, devNum, [&](FdbTable& t) {
        t.trigger_mode = mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbMacTriggerModeGet(uint8_t devNum, uint32_t* mode) {
    if (!mode) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *mode = t.trigger_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionModeSet(uint8_t devNum, uint32_t mode) {
    if (mode > SDK_FDB_ACTION_TRANSPLANTING) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.action_mode = mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionModeGet(uint8_t devNum, uint32_t* mode) {
    if (!mode) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *mode = t.action_mode;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionsEnableSet(uint8_t devNum, bool enable) {
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        if (!enable) chipsim::fdb_trigger_abort(t);  // a triggered walk under way is abandoned
        if (enable == t.actions_enabled) return SDK_OK;
        t.actions_enabled = enable;
        chipsim::fdb_rearm(t, chipsim::clock_ms());  // a full ageing time from now
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionsEnableGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *enable = t.actions_enabled;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveDevSet(uint8_t devNum, uint32_t actDev, uint32_t actDevMask) {
    if (actDev > 31 || actDevMask > 31) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.filter.dev = actDev;
        t.filter.dev_mask = actDevMask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveDevGet(uint8_t devNum, uint32_t* actDev, uint32_t* actDevMask) {
    if (!actDev || !actDevMask) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *actDev = t.filter.dev;
        *actDevMask = t.filter.dev_mask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveVlanSet(uint8_t devNum, uint16_t vlanId, uint16_t vlanMask) {
    if (vlanId > 0xFFF || vlanMask > 0xFFF) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.filter.vlan = vlanId;
        t.filter.vlan_mask = vlanMask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveVlanGet(uint8_t devNum, uint16_t* vlanId, uint16_t* vlanMask) {
    if (!vlanId || !vlanMask) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *vlanId = t.filter.vlan;
        *vlanMask = t.filter.vlan_mask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveInterfaceSet(uint8_t devNum, uint32_t actIsTrunk,
                                             uint32_t actIsTrunkMask, uint32_t actTrunkPort,
                                             uint32_t actTrunkPortMask) {
    if (actIsTrunk > 1 || actIsTrunkMask > 1 || actTrunkPort > 0x7F || actTrunkPortMask > 0x7F)
        return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.filter.is_trunk = actIsTrunk;
        t.filter.is_trunk_mask = actIsTrunkMask;
        t.filter.port = actTrunkPort;
        t.filter.port_mask = actTrunkPortMask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionActiveInterfaceGet(uint8_t devNum, uint32_t* actIsTrunk,
                                             uint32_t* actIsTrunkMask, uint32_t* actTrunkPort,
                                             uint32_t* actTrunkPortMask) {
    if (!actIsTrunk || !actIsTrunkMask || !actTrunkPort || !actTrunkPortMask) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *actIsTrunk = t.filter.is_trunk;
        *actIsTrunkMask = t.filter.is_trunk_mask;
        *actTrunkPort = t.filter.port;
        *actTrunkPortMask = t.filter.port_mask;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbStaticDelEnable(uint8_t devNum, bool enable) {
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.static_del = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbStaticDelEnableGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *enable = t.static_del;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionTransplantDataSet(uint8_t devNum, const SDK_INTERFACE_INFO* oldInterface,
                                            const SDK_INTERFACE_INFO* newInterface) {
    if (!oldInterface || !newInterface) return SDK_BAD_PTR;
    for (const SDK_INTERFACE_INFO* i : {oldInterface, newInterface}) {
        bool port_ok = i->type == SDK_INTERFACE_PORT && i->devPort.devNum <= 31 &&
                       valid_port(i->devPort.portNum);
        bool trunk_ok = i->type == SDK_INTERFACE_TRUNK && i->trunkId >= 1 && i->trunkId <= 127;
        if (!port_ok && !trunk_ok) return SDK_BAD_PARAM;
    }
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        t.transplant_old = *oldInterface;
        t.transplant_new = *newInterface;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbActionTransplantDataGet(uint8_t devNum, SDK_INTERFACE_INFO* oldInterface,
                                            SDK_INTERFACE_INFO* newInterface) {
    if (!oldInterface || !newInterface) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *oldInterface = t.transplant_old;
        *newInterface = t.transplant_new;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbTrigActionStart(uint8_t devNum, uint32_t mode) {
    if (mode > SDK_FDB_ACTION_TRANSPLANTING) return SDK_BAD_PARAM;
    return with_fdb(__func__, devNum, [&](Locked d, FdbTable& t) {
        if (t.action_pending) return SDK_BAD_STATE;
        chipsim::fdb_trigger(d, mode);
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbTrigActionStatusGet(uint8_t devNum, bool* actFinished) {
    if (!actFinished) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        *actFinished = !t.action_pending;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbAuMsgBlockGet(uint8_t devNum, uint32_t* numOfAuMsg,
                                  SDK_MAC_UPDATE_MSG_EXT* auMsgs) {
    if (!numOfAuMsg || (*numOfAuMsg && !auMsgs)) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Locked d, FdbTable&) {
        uint32_t n = 0;
        while (n < *numOfAuMsg && !d->fdb.au_queue.empty()) {
            const chipsim::AuMessage& m = d->fdb.au_queue.front();
            SDK_MAC_UPDATE_MSG_EXT& out = auMsgs[n++];
            out = SDK_MAC_UPDATE_MSG_EXT{};
            out.updType = m.type;
            out.macEntry = m.entry;
            if (m.entry.dstInterface.type == SDK_INTERFACE_PORT) {
                // Messages queued before the table knew the address carry only the port.
                out.macEntry.dstInterface.devPort.devNum = m.hw_dev_num;
                out.macEntry.dstInterface.devPort.portNum = m.port;
            }
            out.entryWasFound = m.found;
            out.macEntryIndex = m.index;
            out.associatedDevNum = m.hw_dev_num;
            d->fdb.au_queue.erase(d->fdb.au_queue.begin());
        }
        *numOfAuMsg = n;
        return SDK_OK;
    });
}

SDK_STATUS sdkSecurBreachMsgGet(uint8_t devNum, SDK_SECUR_BREACH_MSG* msg) {
    if (!msg) return SDK_BAD_PTR;
    return with_fdb(__func__, devNum, [&](Device&, FdbTable& t) {
        if (t.breach.empty()) return SDK_NOT_FOUND;
        *msg = t.breach.front();
        t.breach.pop_front();
        return SDK_OK;
    });
}
