// The bridging pipeline of the model: what the programmed chip does with a frame that enters
// one of its ports. Stages, in the order a bridge applies them:
//
//   ingress  port enabled and link up; MRU and the oversize-untagged filter; acceptable frame
//            types; classification to a VLAN (tag, protocol class, port VLAN id; 802.1Q tunnel
//            access and the port's TPID); the VLAN's MRU; ingress filtering; the port's
//            spanning-tree state in the VLAN's group
//            [hook: storm control] [hook: policy rules] [hook: QoS marking]
//   control  IEEE reserved multicast by profile, IGMP, ICMPv6 by message type, OAM PDUs
//   learning source lookup and learning (automatic, or controlled with the lock command,
//            new-address messages and security events)
//   lookup   destination lookup: known unicast to a port, trunk [hook: trunk member], L2
//            multicast group [hook: VIDX members] or the CPU; flooding of unknown unicast,
//            broadcast and unregistered multicast to the VLAN's members
//   egress   per port: [hook: port isolation], egress block, VLAN membership, spanning-tree
//            state, link; tagging per the VLAN member's tagging command
//            [hook: mirroring to analyzers] [hook: MAC counters]
//   delivery counters and capture; internal loopback and the internal cascade link take the
//            copy back into a device; the CPU queue takes what the CPU is to see
//
// Commands of the stages combine as the chip combines them: a hard drop beats everything, a
// trap to the CPU beats a soft drop (so BPDUs reach the CPU from a blocking port), a soft drop
// turns a mirror to the CPU into a trap.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sdk/chipsim/capture.h"
#include "sdk/chipsim/frame.h"
#include "sdk/sdk_types.h"

namespace chipsim {

struct Device;

enum class Cmd : uint8_t { kForward, kMirror, kTrap, kSoftDrop, kHardDrop };

// CPU codes the model gives frames it hands to the CPU, by reason.
constexpr uint32_t kCpuCodeMacDaTrap = 16;      // destination entry's command or the CPU port
constexpr uint32_t kCpuCodeMacSaTrap = 19;      // source entry's command
constexpr uint32_t kCpuCodeNewAddress = 32;     // lock command of controlled learning
constexpr uint32_t kCpuCodeUnregMc = 33;        // unregistered multicast command
constexpr uint32_t kCpuCodeFlooded = 37;        // flooded to the CPU as a VLAN member
constexpr uint32_t kCpuCodeIeeeReserved = 300;  // IEEE reserved multicast
constexpr uint32_t kCpuCodeIgmp = 301;
constexpr uint32_t kCpuCodeIcmpv6 = 306;
constexpr uint32_t kCpuCodeOam = 420;

// The frame being switched in one device.
struct Packet {
    const uint8_t* data = nullptr;  // as received on this device
    uint32_t len = 0;
    uint8_t in_port = 0;
    uint8_t src_dev = 0;  // where it entered the unit: hardware device number and port
    uint8_t src_port = 0;
    L2 l2;             // the outer tag as the port reads it (none on tunnel access)
    uint16_t vid = 0;  // the VLAN it was classified to
    uint8_t up = 0;    // its user priority
    uint8_t cfi = 0;
    uint8_t tc = 0;  // egress queue (traffic class), for the QoS stage to set
    Cmd cmd = Cmd::kForward;
    Drop drop = Drop::kNone;
    bool has_code = false;
    uint32_t cpu_code = 0;
    SDK_PORTS_BMP dest{};  // ports to send it to
    bool flooded = false;
    bool learned = false;
    bool as_received = false;  // sent back out unchanged, not switched (OAM loopback)
};

// Adds a stage's command to the packet's (the code is what the CPU sees if the stage sends
// the frame there). Forwarding changes nothing: only the other commands go to combine().
void combine(Packet& p, Cmd c, Drop why, uint32_t cpu_code);
inline void apply(Packet& p, Cmd c, Drop why, uint32_t cpu_code = 0) {
    if (c != Cmd::kForward) combine(p, c, why, cpu_code);
}

// Stages later features add. Each is optional (null: the stage passes everything); they run
// with the device's lock held.
struct Hooks {
    // After classification: may drop (storm control), change priority or VLAN, count and
    // meter (policy rules), mark and choose the egress queue (QoS).
    void (*storm_control)(Device& d, Packet& p) = nullptr;
    void (*policy)(Device& d, Packet& p) = nullptr;
    void (*qos_marking)(Device& d, Packet& p) = nullptr;
    // The trunk a port belongs to (0: none), for learning on trunks.
    uint16_t (*port_trunk)(Device& d, uint8_t port) = nullptr;
    // The member port a trunk sends this frame on (0xFF: none).
    uint8_t (*trunk_member)(Device& d, uint16_t trunk, const Packet& p) = nullptr;
    // The ports of an L2 multicast group; false for a group the chip does not hold.
    bool (*vidx_members)(Device& d, uint16_t vidx, SDK_PORTS_BMP* ports) = nullptr;
    // May remove ports from p.dest (port isolation, private VLANs).
    void (*isolation)(Device& d, Packet& p) = nullptr;
    // The analyzer port for a copy of what port `port` receives (rx) or sends (tx); 0xFF for
    // none.
    uint8_t (*rx_analyzer)(Device& d, const Packet& p) = nullptr;
    uint8_t (*tx_analyzer)(Device& d, const Packet& p, uint8_t port) = nullptr;
    // Per-port MAC counters (RMON and interface counters).
    void (*mac_counters)(Device& d, uint8_t port, bool tx, const uint8_t* frame,
                         uint32_t len) = nullptr;
};
extern Hooks g_hooks;
inline Hooks& hooks() {
    return g_hooks;
}

// A copy that left the chip (a front or stacking port; not loopback or internal links).
struct Sent {
    uint8_t dev = 0;
    uint8_t port = 0;
    uint32_t offset = 0;  // in Result::data
    uint32_t len = 0;
};

// Bytes appended back to back, growing without clearing what it hands out.
class Buffer {
  public:
    // Room for n more bytes at the end (what was handed out earlier may move).
    uint8_t* append(size_t n) {
        if (size_ + n > cap_) grow(size_ + n);
        uint8_t* at = p_.get() + size_;
        size_ += n;
        return at;
    }
    const uint8_t* data() const { return p_.get(); }
    size_t size() const { return size_; }
    void clear() { size_ = 0; }

  private:
    void grow(size_t need);
    std::unique_ptr<uint8_t[]> p_;
    size_t size_ = 0, cap_ = 0;
};

// What happened to an injected frame, across every device it went through.
struct Result {
    Drop drop = Drop::kNone;  // why it went nowhere (kNone: it left a port or reached the CPU)
    uint16_t vid = 0;         // the VLAN the first device classified it to
    bool flooded = false;
    bool learned = false;  // the first device learned (or refreshed) its source
    bool to_cpu = false;
    uint32_t cpu_code = 0;
    std::vector<Sent> sent;
    Buffer data;

    // Reused between frames without freeing.
    // A frame entering a device: the injected one, or a copy an earlier hop made.
    struct Hop {
        uint8_t dev = 0, port = 0;
        bool cascade = false;  // over the internal link: classified where it entered the unit
        uint8_t src_dev = 0, src_port = 0;
        uint16_t vid = 0;
        uint8_t up = 0;
        uint32_t offset = 0, len = 0;  // bytes in data
    };
    std::vector<Hop> hops;
    std::vector<uint8_t> scratch;  // the bytes of the hop being switched
    std::vector<uint8_t> pad;      // a short frame padded to the minimum
    uint64_t changes = 0;          // the model's change count when the frame came in
    void clear();
};

// Switches a frame entering (device, port); the frame is read, never kept. Frames of 14 to
// 59 bytes are padded to 60 as the sender's MAC would. Every copy and drop is counted.
// false when the device or port does not exist (nothing counted).
bool receive(uint8_t dev, uint8_t port, const uint8_t* frame, uint32_t len, Result* out);

// Hops a frame may make through loopbacks and internal links before it is dropped.
constexpr uint32_t kMaxHops = 8;

}  // namespace chipsim
