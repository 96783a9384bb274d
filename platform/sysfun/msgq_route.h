// The sender's side of the keyed queues: finds the ring of a keyed queue of the instance
// (mapping it on first use), puts a message into it and raises the message event on the
// queue's owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sysfun/msgq_ring.h"

namespace msgq {

// Name of the shared-memory object that holds a keyed queue's ring.
std::string ring_name(uint32_t key, uint32_t epoch);

// Sends msg to the keyed queue. With wait_ms > 0 a full queue created to block is waited on
// for up to wait_ms; otherwise a full queue refuses at once (SYSFUN_RESULT_NO_SPACE).
// SYSFUN result code: PEER_GONE when no live thread serves the key, TIMEOUT when the queue
// stayed full. *server_pid (when given) gets the pid of the process that serves the queue.
uint32_t send_keyed(uint32_t key, const void* msg, size_t len, ReplyTag tag, int wait_ms,
                    int32_t* server_pid = nullptr);
// Puts msg into a mapped ring and raises its owner's event. A sender waiting for room gives
// up with PEER_GONE when owner_pid (when not 0) has died.
uint32_t send_to_ring(RingHeader* h, const Geometry& g, const void* msg, size_t len, ReplyTag tag,
                      int wait_ms, int32_t owner_pid);
// Raises the owner's message event after a message was put into its ring.
void raise_owner_event(RingHeader* h);
// True when the keyed queue exists and the process that serves it is alive.
bool keyed_queue_alive(uint32_t key);
// Marks that a datagram was written to the keyed queue's socket address, wakes the owner if
// it waits in a receive and raises its event.
uint32_t note_datagram(uint32_t key);

}  // namespace msgq
