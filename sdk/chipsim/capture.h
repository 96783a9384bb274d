// What the model's ports did with frames: counters per port (received, sent, to the CPU,
// captured, and drops by reason), the capture buffer of the ports being captured, and the
// queue of frames waiting for the CPU. It is the `frames` member of Device (model.h), guarded
// by the device's lock; the frame pipeline fills it, the simulation-control commands and
// tests read it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "sdk/chipsim/vlan.h"

namespace chipsim {

// Why a frame, or one copy of it, went nowhere. The first group counts on the port the frame
// came in on, the egress group on the port the copy was meant for.
enum class Drop : uint8_t {
    kNone,
    kRunt,              // shorter than an Ethernet header
    kTruncatedTag,      // a tag type with the tag cut off
    kTooLong,           // longer than any frame a port takes (kMaxFrame)
    kPortDown,          // port disabled or its link down
    kMru,               // longer than the port's MRU
    kOversizeUntagged,  // untagged and longer than 1518 bytes with the filter on
    kVlanMru,           // longer than its VLAN's MRU profile
    kFrameType,         // not an acceptable frame type of the port
    kInvalidVlan,       // VLAN id 4095, or a VLAN the chip does not hold
    kIngressFilter,     // the port is not a member of the frame's VLAN
    kStpState,          // the port does not forward in the VLAN's spanning-tree group
    kLearnLock,         // unknown or moved source on a port with controlled learning
    kSaCommand,         // the source address entry's command
    kDaCommand,         // the destination address entry's command
    kControl,           // a control-packet command dropped it
    kNoDestination,     // no port to send it to (destination on the port it came from)
    kLoop,              // went round a loopback too often
    kCpuQueueFull,      // the queue to the CPU was full
    // Egress.
    kEgressNotMember,  // the port is not a member of the VLAN
    kEgressStp,        // the port does not forward in the VLAN's spanning-tree group
    kEgressBlock,      // egress block or a hook refused the copy
    kEgressDown,       // port disabled or its link down
    kCount
};
constexpr uint32_t kDropReasons = static_cast<uint32_t>(Drop::kCount);
// The name a counter of this reason is shown with ("runt", "mru", ...).
const char* drop_name(Drop d);

// The longest frame the model takes (the largest MRU, without the frame check sequence).
constexpr uint32_t kMaxFrame = 16382;

struct PortCounters {
    uint64_t rx_frames = 0;  // frames received, injected or from a neighbour device
    uint64_t rx_bytes = 0;
    uint64_t tx_frames = 0;  // copies sent
    uint64_t tx_bytes = 0;
    uint64_t to_cpu = 0;    // frames received here that went to the CPU
    uint64_t captured = 0;  // copies sent that the capture recorded
    std::array<uint64_t, kDropReasons> drops{};
};

// A frame recorded by the capture: sent by `port` (SDK_CPU_PORT: handed to the CPU).
struct CapturedFrame {
    uint8_t dev = 0;
    uint8_t port = 0;
    uint64_t time_ns = 0;  // real time
    std::vector<uint8_t> bytes;
};

// A frame for the CPU, with what the chip tells the CPU about it.
struct CpuFrame {
    uint8_t src_dev = 0;  // hardware device number of the port it came in on
    uint8_t src_port = 0;
    uint16_t vid = 0;
    bool tagged = false;    // it came in with a tag
    bool mirrored = false;  // a copy: the frame itself was also forwarded
    uint32_t cpu_code = 0;
    std::vector<uint8_t> bytes;  // as received
};

struct Frames {
    std::array<PortCounters, kPortSlots> ports{};  // by device port, 63 the CPU port
    uint64_t capture_ports = 0;  // bit p: port p's sent copies are captured (bit 63: the CPU)
    std::deque<CapturedFrame> capture;
    uint64_t capture_bytes = 0;
    uint64_t capture_lost = 0;  // frames the full capture buffer could not take
    std::deque<CpuFrame> cpu;
    // Each port's link as last resolved, and the model's change count it was resolved at.
    struct Link {
        uint64_t changes = ~uint64_t{0};
        bool up = false;
    };
    std::array<Link, kPortSlots> link{};
    // Frames since the model's clock was last read (it is read every kClockEvery frames, and
    // at once after a change of the model).
    uint32_t since_clock = 0;
    uint64_t clock_changes = ~uint64_t{0};
    // The device's ends of the unit's internal links (from the board; found on first use).
    uint64_t cascade_ports = ~uint64_t{0};
};
constexpr uint64_t kUnknownPorts = ~uint64_t{0};
constexpr uint32_t kClockEvery = 16;

struct Device;
// Records a copy port `port` of d sent when the port is being captured (the device's lock
// held).
void capture(Device& d, uint8_t port, const uint8_t* bytes, uint32_t len);

// Registers the simulation-control commands of frames, capture and the address table.
void register_frame_simctl();

// Capture buffer limits per device.
constexpr uint32_t kCaptureFrames = 8192;
constexpr uint64_t kCaptureBytes = 32u << 20;
// Frames the CPU queue holds ("rx_desc_count" when the board parameter is set).
constexpr uint32_t kCpuQueueFrames = 512;

}  // namespace chipsim
