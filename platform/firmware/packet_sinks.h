// The firmware's packet layers as the CPU packet driver meets them: LAN_RecvPacket for
// ordinary packets, IUC_PacketArrival for inter-unit packets. Like the real layers they take
// ownership of the mref and hold the packet until it is freed: each sink keeps the newest
// packets it received (DRIVER_PROC_LAN_HOLD of them, 8 unless set; 0 frees each at once) and
// releases the oldest when a new one comes. A held packet's mref can be released by another
// process (its pool offset is in the call record, `drvctl log LAN`); the sink then forgets it.
// Every delivery is recorded, and while a capture is on (packet_capture.h) copied there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct L_MM_Mref_T;

// The LAN receive info handed with a packet: eight words, word 0 the magic 0x19191919; word 5
// stands for the receive task's four-counter block, lent through `counters`.
struct LAN_RecvInfo_T {
    uint32_t w[8];
    uint32_t* counters;
};

void LAN_RecvPacket(uint32_t unit, uint32_t port, const LAN_RecvInfo_T* info, uint32_t cpu_code,
                    L_MM_Mref_T* mref);
void IUC_PacketArrival(uint32_t device, uint32_t port, uint32_t free_info, uint32_t cpu_code,
                       L_MM_Mref_T* mref);

namespace packet_sinks {

// The mrefs a sink ("LAN" or "IUC") holds now (pool offsets), oldest first; those released
// elsewhere meanwhile are dropped from the list first.
std::vector<uint32_t> held(const char* sink);
// Releases every packet the sink holds; returns how many.
uint32_t release_all(const char* sink);
// Changes how many packets each sink keeps (releasing the oldest beyond it).
void set_hold(uint32_t packets);
uint32_t hold();
// Packets delivered to the LAN and IUC sinks since the process started.
uint64_t delivered(const char* sink);
// Of those, the packets of one CPU code (0 for codes past kCodes).
constexpr uint32_t kCodes = 256;
uint64_t delivered(const char* sink, uint32_t cpu_code);
// Waits until the sink has delivered at least `count` packets since the process started, at
// most `timeout_ms`; false on time-out or for an unknown sink. A delivery signals only while
// somebody waits, so the path pays nothing for it otherwise.
bool wait_delivered(const char* sink, uint64_t count, uint32_t timeout_ms);
// The call records of a delivery (calllog::record_numbers forms).
constexpr const char* kLanCallForm =
    "LAN_RecvPacket(unit=%u, port=%u, cpu_code=%u, vid=%u, len=%u, mref=0x%x, free_info=0x%x)";
constexpr const char* kIucCallForm =
    "IUC_PacketArrival(device=%u, port=%u, cpu_code=%u, len=%u, mref=0x%x, free_info=0x%x)";

}  // namespace packet_sinks
