// The chip model's MAC address table: the board's number of slots (SDK_FDB_SIZE unless it says
// otherwise) keyed by (MAC, VLAN) or by an IP
// multicast stream, the per-port learning control, the action engine (ageing, deleting,
// transplanting) with its filters, and the security-event queue. It is the `fdb` member of
// Device (model.h), guarded by the device's lock; the sdk* operations of sdk_fdb.h and the
// frame pipeline use it through the functions below.
//
// Lookups cost at most `depth` slot reads whatever the table holds: a key is searched only in
// the depth slots from its bucket's start, an invalid slot ends the search, a skipped one is
// passed over.
//
// Power-on state: every slot invalid, lookup depth 4, every port learning automatically,
// ageing every 300 s with removal, actions enabled, no filters.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "sdk/chipsim/core/frame.h"
#include "sdk/chipsim/core/lock.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_fdb.h"

namespace chipsim {

struct Device;
struct Packet;

// An address-update message queued for the CPU (types as SDK_FDB_AU_*).
constexpr uint32_t kAuNewAddress = 0;
constexpr uint32_t kAuAgedTransplanted = 1;
constexpr uint32_t kAuTransplanted = 2;
struct AuMessage {
    uint32_t type;
    uint8_t hw_dev_num;  // the hardware device number the message carries
    uint8_t port;
    SDK_MAC_ENTRY_EXT entry{};  // the address and where it is
    bool found = false;         // the table held it when the message was sent
    uint32_t index = 0;         // its slot, when found
};

// A slot's flags.
constexpr uint8_t kFdbValid = 0x01;
constexpr uint8_t kFdbSkip = 0x02;
constexpr uint8_t kFdbAge = 0x04;  // seen since the last ageing pass
constexpr uint8_t kFdbStatic = 0x08;
constexpr uint8_t kFdbDaRoute = 0x10;
constexpr uint8_t kFdbMirror = 0x20;
constexpr uint8_t kFdbAppCpuCode = 0x40;

// A key packed for comparison: type (4 bits), VLAN (12), then the MAC (48) or the source
// address (32); an IP multicast group goes in `group`.
struct FdbKey {
    uint64_t word = 0;
    uint32_t group = 0;
    bool operator==(const FdbKey&) const = default;
};
inline FdbKey fdb_key_mac(const uint8_t mac[6], uint16_t vid) {
    return FdbKey{
        uint64_t{SDK_MAC_ENTRY_KEY_MAC_VID} << 60 | uint64_t{vid & 0xFFFu} << 48 | mac48(mac), 0};
}
// false for an unknown key type or a VLAN id above 4095.
bool fdb_key(const SDK_MAC_ENTRY_KEY& k, FdbKey* out);
SDK_MAC_ENTRY_KEY fdb_key_unpack(const FdbKey& k);
// Bucket start of a key in a table of mask + 1 slots: an XOR fold, so consecutive addresses
// fill consecutive buckets.
inline uint32_t fdb_hash(const FdbKey& k, uint32_t mask) {
    uint64_t low = k.word & 0xFFFFFFFFFFFFull;
    uint32_t h = static_cast<uint32_t>(low ^ low >> 14 ^ low >> 28 ^ low >> 42);
    h ^= k.group ^ k.group >> 14 ^ k.group >> 28;
    h ^= static_cast<uint32_t>(k.word >> 48 & 0xFFF) << 2;  // VLAN
    h ^= static_cast<uint32_t>(k.word >> 60) * 0x1555;      // key type
    return h & mask;
}

struct FdbSlot {
    FdbKey key;
    uint8_t flags = 0;
    uint8_t da_cmd = 0;
    uint8_t sa_cmd = 0;
    uint8_t if_type = 0;
    uint8_t dev = 0;      // port destination: hardware device number
    uint8_t port = 0;     // port destination: port
    uint16_t target = 0;  // trunk id, VIDX or VLAN of the other destination types
    uint8_t source_id = 0;
    uint8_t user_defined = 0;
    uint8_t da_qos = 0;
    uint8_t sa_qos = 0;
    uint8_t da_sec = 0;
    uint8_t sa_sec = 0;

    bool live() const { return (flags & (kFdbValid | kFdbSkip)) == kFdbValid; }
};
// Conversion to and from the SDK's entry; false for a field out of its range.
bool fdb_slot_from(const SDK_MAC_ENTRY_EXT& e, FdbSlot* out);
SDK_MAC_ENTRY_EXT fdb_slot_entry(const FdbSlot& s);

struct FdbPortLearn {
    bool automatic = true;
    uint32_t lock_cmd = SDK_LOCK_CMD_FORWARD;
};

// The action engine's filter: which entries a walk touches.
struct FdbFilter {
    uint32_t dev = 0, dev_mask = 0;
    uint16_t vlan = 0, vlan_mask = 0;
    uint32_t is_trunk = 0, is_trunk_mask = 0;
    uint32_t port = 0, port_mask = 0;
};

struct FdbTable {
    // The board's size for the device (a power of two; SDK_FDB_SIZE unless it says otherwise).
    std::vector<FdbSlot> slots = std::vector<FdbSlot>(SDK_FDB_SIZE);
    uint32_t size() const { return static_cast<uint32_t>(slots.size()); }
    uint32_t mask() const { return size() - 1; }
    uint32_t depth = 4;
    // Counts the changes of the slots other than their age bits (learning, removal, walks),
    // so that decisions taken from the table can be kept between them (core/flow_cache.h).
    uint64_t gen = 0;
    std::array<FdbPortLearn, kPortSlots> learn{};
    // Status of the last address-update message from the CPU.
    bool cpu_msg_completed = false;
    bool cpu_msg_succeeded = false;
    // Action engine.
    uint32_t aging_timeout = 300;  // seconds
    uint32_t trigger_mode = SDK_FDB_TRIGGER_AUTO;
    uint32_t action_mode = SDK_FDB_ACTION_AGE_WITH_REMOVAL;
    bool actions_enabled = true;
    bool static_del = false;
    FdbFilter filter;
    SDK_INTERFACE_INFO transplant_old{};
    SDK_INTERFACE_INFO transplant_new{};
    bool action_stalled = false;  // tests: a triggered walk does not finish
    bool action_pending = false;  // a triggered walk is under way
    uint32_t pending_mode = 0;
    uint64_t action_done_us = 0;  // when the triggered walk under way ends (model time)
    uint64_t next_pass_ms = 0;    // automatic ageing: time of the next pass (0: not armed)
    std::deque<SDK_SECUR_BREACH_MSG> breach;
    uint32_t au_lost = 0;             // address-update messages that found the queue full
    uint32_t breach_lost = 0;         // security events that found their queue full
    uint32_t learn_full = 0;          // addresses not learned because their bucket was full
    std::vector<AuMessage> au_queue;  // address-update messages for the CPU
};

// ---- Table operations (caller holds the device's lock) ---------------------------------
// The slot of a live entry with this key, or -1.
inline int32_t fdb_find(const FdbTable& t, const FdbKey& k) {
    const uint32_t mask = t.mask();
    uint32_t slot = fdb_hash(k, mask);
    for (uint32_t i = 0; i < t.depth; ++i, slot = (slot + 1) & mask) {
        const FdbSlot& s = t.slots[slot];
        if (!(s.flags & kFdbValid)) return -1;
        if (!(s.flags & kFdbSkip) && s.key == k) return static_cast<int32_t>(slot);
    }
    return -1;
}
// Writes an entry over the live one of its key or into the first free slot of its bucket;
// the slot, or -1 when the bucket is full.
int32_t fdb_insert(FdbTable& t, const FdbSlot& s);
// Marks the live entry of the key skipped; false when there is none.
bool fdb_remove(FdbTable& t, const FdbKey& k);
// Number of live entries.
uint32_t fdb_count(const FdbTable& t);

// Queues an address-update message about a slot's entry (lost, and counted, when the queue is
// full). index < 0: the entry is not in the table.
void fdb_au_push(Locked d, uint32_t type, const FdbSlot& s, int32_t index);
void fdb_breach_push(Locked d, const uint8_t mac[6], uint16_t vid, uint8_t port);
// Wakes the SDK's event task: a security event was queued (fdb_events.cpp).
void fdb_events_notify();

// ---- The action engine -------------------------------------------------------------------
// Runs the automatic ageing passes that fell due up to `now_ms` on the model's clock. Every
// operation that reads or changes the table calls it first, so what is observed is as if the
// engine had run on time.
void fdb_catch_up(Locked d, uint64_t now_ms);
// One walk of the table in `mode` over the entries the filter selects.
void fdb_walk(Locked d, uint32_t mode);
// A triggered walk (sdkBrgFdbTrigActionStart) takes model time in proportion to the table's
// size; its changes are made when it ends. fdb_trigger starts one, fdb_trigger_finish ends
// the one under way when its time has come (and it is not stalled), fdb_trigger_abort drops
// it (actions disabled).
constexpr uint64_t kWalkNsPerSlot = 64;
void fdb_trigger(Locked d, uint32_t mode);
void fdb_trigger_finish(Locked d);
void fdb_trigger_abort(FdbTable& t);
// Re-arms automatic ageing after a change of its settings.
void fdb_rearm(FdbTable& t, uint64_t now_ms);

// A board parameter's value (sdkBoardParamSet), or dflt when it is not set. Takes the model's
// global lock: callers may hold a device's.
uint32_t board_param_or(const char* name, uint32_t dflt);

// ---- Stages ------------------------------------------------------------------------------
// fdb_learn: source learning where the port's state and the VLAN let it learn (automatic, or
// controlled with the lock command, new-address messages and security events); a frame over
// the internal link is learned whatever the port's learning mode.
void fdb_learn(Locked d, Packet& p);
// fdb_lookup: the destination lookup, to an entry's destination or flooded in the VLAN; never
// back out of the port it came in on.
void fdb_lookup(Locked d, Packet& p);
// Runs the ageing that fell due (the clock is looked at every few frames: never early).
void fdb_age(Locked d, uint64_t changes);

// ---- Inspection and the simulated world -----------------------------------------------------
// Live entries, and the events of its learning and messages.
struct FdbStats {
    uint32_t entries = 0;
    uint32_t learn_full = 0;  // addresses not learned: their bucket was full
    uint32_t au_lost = 0;     // address-update messages lost to a full queue
    uint32_t breach_lost = 0;
};
FdbStats fdb_stats(uint8_t dev);
std::vector<AuMessage> au_messages(uint8_t dev);
// While stalled, a triggered action does not finish (sdkBrgFdbTrigActionStatusGet says so);
// it runs when the stall ends.
void set_fdb_action_stall(uint8_t dev, bool stall);
// Moves the model's clock forward: ageing that falls due runs at the next look at the table.
void advance_clock(uint32_t seconds);
void advance_clock_ms(uint64_t ms);
// Registers the simulation-control commands of the address table and the clock.
void register_fdb_simctl();

// ---- The model's clock -------------------------------------------------------------------
// Milliseconds on a monotonic clock that tests can move forward (advance_clock, chipsim.h).
uint64_t clock_ms();
// The same clock in microseconds, at full resolution.
uint64_t clock_us();

}  // namespace chipsim
