// The simulation-control channel: how tools and tests outside the driver process act on the
// simulated hardware (link partners, transceivers, PoE events, frames into ports) and
// inspect it. It is not part of the firmware's request protocol: it has its own queue,
// served by its own thread ("SIM_CONTROL") in the driver process, so that it never competes
// with the driver group for a queue or a module id.
//
// A request is a message like any other (12-byte header, payload): `cmd` selects the
// handler registered for it, the handler rewrites the buffer with its answer and sets
// msg_size, and returns true when an answer is to be sent.
#pragma once

#include <cstdint>

namespace simctl {

constexpr uint32_t kQueueKey = 3000;
constexpr uint32_t kMaxPayload = 8216;

using Handler = bool (*)(void* msgbuf);

// Registers the handler of a command (replacing an earlier one). Commands 1..255.
bool register_handler(uint16_t cmd, Handler handler);
// Dispatches one request to its handler; false (no answer) for an unknown command.
bool dispatch(void* msgbuf);
// Starts the "SIM_CONTROL" thread that serves kQueueKey.
bool start_server();

}  // namespace simctl
