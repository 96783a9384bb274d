// The client side of the request protocol, for processes that talk to a driver process
// (drvctl, tests, benchmarks, client stubs): send a message to a keyed queue of the
// instance and, for a request, wait for the response in the same buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ipc {

class Client {
  public:
    Client();
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool ok() const { return true; }

    // Sends msg (header + payload, len bytes) to the queue with this key and raises the
    // queue's event on its owner. Does not wait for an answer; waits up to 5 seconds for room
    // in a full queue made to block. SYSFUN result code.
    uint32_t send(uint32_t key, const void* msg, size_t len);
    // Sends a request and waits up to timeout_ms for its response, which is written into
    // resp (at most resp_cap bytes; *resp_len gets the header + payload size). An answer to
    // an earlier request that timed out is never taken for this one. SYSFUN_RESULT_TIMEOUT
    // when none came. The client's reply box belongs to the thread that makes its first
    // request.
    uint32_t request(uint32_t key, const void* msg, size_t len, void* resp, size_t resp_cap,
                     size_t* resp_len, int timeout_ms);

  private:
    int box_ = -1;
    int box_pid_ = 0;
};

// Raises the message event of the keyed queue on its owner, for a message written to the
// queue's socket address (queue_socket_name) by other means than Client.
uint32_t notify(uint32_t key);
// True when a thread of the instance has created the keyed queue.
bool queue_exists(uint32_t key);
// Socket address of the keyed queue of this instance, for datagram senders.
std::string queue_socket_name(uint32_t key);

}  // namespace ipc
