// The instance control block: one shared-memory object per instance that holds the
// registries every process of the instance must agree on — semaphores (so that keyed
// semaphores such as 17 and 67 are shared, and the key-0 semaphore that main creates before
// spawning the driver process is shared with that child), the keyed message queues with the
// thread that owns each (so a sender can raise that thread's message event and find the
// queue's ring), the threads with their pending event bits (so any process can send a thread
// an event), and the reply boxes in which requesters receive their answers.
//
// This block is bookkeeping of our platform library, not a record of the firmware's
// formats, so it holds host-order atomics.
#pragma once

#include <pthread.h>
#include <semaphore.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>

#include "platform/common/types.h"

namespace ctl {

constexpr uint32_t kMagic = 0x44505243;
constexpr uint32_t kVersion = 3;
constexpr int kSemSlots = 256;
constexpr int kQueueSlots = 128;
constexpr int kThreadSlots = 512;
constexpr int kNameLen = 32;
constexpr int kReplyBoxes = 256;

// A semaphore in a cache line of its own: two locks taken by threads on different processors
// would otherwise slow each other down as if they were one.
struct alignas(64) SemSlot {
    std::atomic<uint32_t> in_use;
    uint32_t key;
    int32_t creator_pid;
    sem_t sem;
};

struct QueueSlot {
    std::atomic<uint32_t> in_use;
    uint32_t key;
    std::atomic<uint32_t> owner_tid;
    std::atomic<uint32_t> event_bits;
    int32_t pid;
    std::atomic<uint32_t> epoch;  // names the queue's ring; a new queue gets a new one
};

struct ThreadSlot {
    std::atomic<uint32_t> tid;  // 0: free
    std::atomic<uint32_t> pending;
    std::atomic<uint32_t> sleepers;  // the thread waits on `pending`: a sender must wake it
    std::atomic<uint32_t> resume;
    int32_t pid;
    uint32_t priority;
    uint32_t policy;
    uint32_t stack_size;
    char name[kNameLen];
};

// Where a requester receives its answer. `life` is a robust mutex the requesting thread holds
// while it owns the box: a server that can take it knows the requester has gone (freed the
// box or died), and a box whose owner died is taken over by the next requester.
struct ReplyBox {
    pthread_mutex_t life;
    // The sequence number of the awaited answer (low 30 bits), with kReplyWriting while a
    // server writes it and kReplyDone once it is there; 0 when nothing is awaited.
    std::atomic<uint32_t> await;
    std::atomic<uint32_t> sleepers;
    std::atomic<uint32_t> next_seq;
    int32_t owner_pid;
    uint32_t len;
    uint8_t data[sys_adpt::kMaxMsgSize];
};
constexpr uint32_t kReplySeqMask = 0x3FFFFFFF;
constexpr uint32_t kReplyWriting = 0x40000000;
constexpr uint32_t kReplyDone = 0x80000000;

struct Block {
    uint32_t magic;
    uint32_t version;
    std::atomic<int32_t> daemon_pid;
    pthread_mutex_t lock;  // process-shared, robust: guards slot allocation
    SemSlot sems[kSemSlots];
    QueueSlot queues[kQueueSlots];
    ThreadSlot threads[kThreadSlots];
    std::atomic<uint32_t> next_epoch;
    ReplyBox replies[kReplyBoxes];
};

// The attached block, or nullptr when this process has none.
Block* get();
// Owner: makes a fresh block for the instance (an older one is discarded).
bool create();
// Client: attaches to the block of a running instance.
bool attach();
// Unmaps (and, for the owner, removes) the block.
void detach(bool remove);
// Changes whenever a block is attached or detached: pointers into an older block are stale.
uint32_t generation();

// Holds the block's allocation lock.
class Guard {
  public:
    explicit Guard(Block* b);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

  private:
    Block* b_;
};

}  // namespace ctl
