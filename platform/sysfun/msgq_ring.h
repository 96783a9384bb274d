// The ring of a message queue: a bounded array of message slots in memory that every process
// of the instance maps, written by any number of senders and read by the queue's one owner.
//
// Lock-free, with a sequence word per slot. A sender claims the slot at the tail by writing
// its pid into the slot's word (so a sender killed while it copies is recognisable), moves
// the tail on (any sender that finds a claimed slot at the tail helps), copies the message
// and publishes the slot. The owner takes published slots at the head in order; a slot whose
// sender has died before publishing is skipped. Nothing any process does can leave another
// waiting for it for ever, and an owner that finds the ring inconsistent (a client with a bug
// writing into shared memory) resets it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace msgq {

constexpr uint32_t kRingMagic = 0x4D534751;

// What a sender does when the ring is full.
enum class FullPolicy : uint32_t { kBlock = 1, kRefuse = 2 };

struct Geometry {
    uint32_t capacity;  // slots, a power of two
    uint32_t max_msg;   // bytes a slot holds (header + payload)
    uint32_t key;
    uint32_t epoch;
    FullPolicy policy;
};

struct RingHeader {
    uint32_t magic;
    uint32_t capacity;
    uint32_t max_msg;
    uint32_t slot_stride;
    uint32_t key;
    uint32_t epoch;
    uint32_t policy;
    uint32_t check;  // a digest of the fields above
    std::atomic<uint32_t> owner_tid;
    std::atomic<uint32_t> owner_slot;  // the owner's thread slot in the control block
    std::atomic<uint32_t> event_bits;
    std::atomic<uint32_t> closed;
    std::atomic<uint32_t> resets;
    std::atomic<uint32_t> lost;  // messages whose sender died while writing them
    // Set by a sender that wrote a datagram to the queue's socket address instead.
    std::atomic<uint32_t> datagrams;
    alignas(64) std::atomic<uint64_t> tail;
    alignas(64) std::atomic<uint64_t> head;
    // Futex words: room_seq moves when a ring that senders wait on got room; data_seq when a
    // message arrived while the owner waits in a receive.
    alignas(64) std::atomic<uint32_t> room_seq;
    std::atomic<uint32_t> room_waiters;
    std::atomic<uint32_t> data_seq;
    std::atomic<uint32_t> data_waiters;
};

struct SlotHeader {
    std::atomic<uint64_t> word;  // sequence << 32 | pid of the sender writing it (0: none)
    uint32_t len;
    uint32_t reply_box;  // reply box index + 1; 0: no answer wanted
    uint32_t reply_seq;
    int32_t sender_pid;
};

// The geometry of a mapped ring when its header is consistent and fits in `mapped` bytes.
bool ring_geometry(const RingHeader* h, size_t mapped, Geometry* g);

// Where the answer to a message goes.
struct ReplyTag {
    uint32_t box = 0;  // index + 1; 0: none
    uint32_t seq = 0;
};

size_t ring_bytes(uint32_t capacity, uint32_t max_msg);
// Lays out an empty ring in `mem` (ring_bytes long).
void ring_init(void* mem, const Geometry& g);

enum class Push { kOk, kFull, kTooLong, kClosed, kInconsistent };
// One attempt to enqueue; never waits. kInconsistent: the tail cannot be followed (the owner
// will find out and reset the ring). `pid` is the sender's.
// `g` is the sender's own copy of the geometry, checked when it mapped the ring.
Push ring_push(RingHeader* h, const Geometry& g, const void* msg, uint32_t len, ReplyTag tag,
               int32_t pid);

// Tells the owner a message may be waiting on a ring it sleeps on in a receive.
void ring_wake_receiver(RingHeader* h);
// Wakes senders waiting for room.
void ring_wake_senders(RingHeader* h);

// The owner's side. It keeps its own copy of the geometry and of the head, against which the
// shared header is checked on every receive.
struct Consumer {
    RingHeader* h = nullptr;
    Geometry g{};
    uint64_t head = 0;
};

enum class Pop {
    kMessage,   // copied (len bytes) into the buffer
    kTooLong,   // dropped whole: longer than the buffer
    kTooShort,  // dropped: shorter than a message header
    kEmpty,
    kBusy,     // a live sender is still writing the next message
    kCorrupt,  // the ring was inconsistent: reset, its contents lost
};
struct PopResult {
    Pop what;
    uint32_t len = 0;
    ReplyTag reply;
    int32_t sender_pid = 0;
};
// Takes the next message into buf (cap bytes). Never waits.
PopResult ring_pop(Consumer* c, void* buf, uint32_t cap);
// Makes the ring empty again with the owner's geometry and head (after a corruption).
void ring_reset(Consumer* c);

// True while the process exists and is not a zombie.
bool process_alive(int32_t pid);

}  // namespace msgq
