// Reply boxes: where a requester receives the answer to its request. Each box lies in the
// instance's control block; a requester owns one for as long as it makes requests, and the
// server that receives a request writes the answer straight into the box named by it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sysfun/msgq_ring.h"

namespace reply {

// Requester: takes a free box (or one whose owner has died) for the calling thread.
// -1 when every box is taken or no instance is attached.
int acquire();
// Gives the box back (from the thread that acquired it).
void release(int box);
// Announces a new request: returns the tag that goes with it.
msgq::ReplyTag arm(int box);
// Forgets the request (it was never sent, or its server has died).
void disarm(int box);
// Waits until the answer is in the box or until_ms (CLOCK_MONOTONIC milliseconds) passes;
// copies at most cap bytes into resp. SYSFUN_OK or SYSFUN_RESULT_TIMEOUT; with give_up the
// request is then given up (a later answer is dropped), else it is still awaited. An answer
// that server_pid is copying in when the time is up is waited for while that process lives:
// the box is never used again while a server may still write into it.
uint32_t wait(int box, msgq::ReplyTag tag, void* resp, size_t cap, size_t* len, uint64_t until_ms,
              bool give_up, int32_t server_pid);

// Server: writes the answer (len bytes) for the request with this tag. SYSFUN_OK, or
// SYSFUN_RESULT_PEER_GONE when the requester has gone or no longer waits for it.
uint32_t answer(msgq::ReplyTag tag, const void* msg, size_t len);

// Called by a server between copying an answer into a box and marking it done (tests hold
// the server there); does nothing unless a test set it.
void set_test_point(void (*fn)());

}  // namespace reply
