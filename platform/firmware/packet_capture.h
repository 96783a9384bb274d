// A capture of the packets the CPU packet driver delivers to the packet layers (LAN and IUC),
// kept in a shared-memory ring of the instance so that a tool in another process reads them
// as they come: each with the sink, the CPU code and the (unit, port) it came from.
#pragma once

#include <cstdint>
#include <vector>

namespace packet_capture {

constexpr uint32_t kSlots = 256;
constexpr uint32_t kSnapLen = 1600;  // bytes kept of each packet

struct Packet {
    uint64_t seq = 0;
    uint64_t time_ns = 0;  // real time
    char sink[4] = {};     // "LAN" or "IUC"
    uint32_t cpu_code = 0;
    uint32_t unit = 0;
    uint32_t port = 0;
    uint32_t length = 0;  // whole packet (bytes may hold fewer)
    std::vector<uint8_t> bytes;
};

// The sinks' side: records a delivery while a capture is on (cheap when it is off).
void record(const char* sink, uint32_t unit, uint32_t port, uint32_t cpu_code, const uint8_t* data,
            uint32_t len);

// The reader's side. Start turns the capture on and returns the sequence number to read
// from; read returns the packets recorded after `*next` (advancing it) and counts in *lost
// those overwritten before they were read; stop turns it off. False when the ring cannot be
// mapped.
bool start(uint64_t* next);
bool read(uint64_t* next, std::vector<Packet>* out, uint64_t* lost);
void stop();

}  // namespace packet_capture
