// The bridging pipeline of the model: what the programmed chip does with a frame that enters
// one of its ports. core/pipeline.cpp calls the stages, each in its feature's folder, in the
// order a bridge applies them (switch_hop reads as that list):
//
//   port_ingress    port enabled and link up; counters_rx (the MAC counts the frame and
//                   discards a bad FCS); runts, over-long frames, cut tags; padding; the
//                   port's MRU                                                  (port/)
//   fdb_age         ageing that fell due on the model's clock                  (fdb/)
//   (the stages from here to storm_limit are taken from the ingress decision cache for a
//   frame like one switched before: core/flow_cache.h)
//   cscd_ingress    a frame over the internal link keeps the VLAN and priority given where
//                   it entered the unit                                        (cscd/)
//   vlan_ingress    the oversize-untagged filter; acceptable frame types; classification
//                   (tag, protocol class, port VLAN id, tunnel access); the VLAN's MRU;
//                   ingress filtering                                          (vlan/)
//   stp_ingress     the port's spanning-tree state in the VLAN's group         (stp/)
//   traps_control   IEEE reserved multicast, MAC control, OAM PDUs, IGMP, ICMPv6, IP
//                   link-local multicast, ARP broadcasts                      (traps/)
//   secur_ingress   sanity checks, multicast source, the VLAN valid check      (secur/)
//   misc_oam_loopback  what an OAM-loopback port receives goes back out as it is (misc/)
//   mirror_ingress  a copy as received to the analyzer of the port or VLAN    (mirror/)
//   trunk_ingress   the trunk the frame came in on                             (trunk/)
//   fdb_learn       source learning (automatic or controlled), on the trunk for a member
//                                                                              (fdb/)
//   fdb_lookup      destination lookup (a trunk's member by its hash: trunk_to); flooding;
//                   never back out of the port it came in on                   (fdb/)
//   trunk_flood     one member of each trunk a flooded frame is bound for      (trunk/)
//   storm_limit     the port's rate limiter (broadcast, multicast, unknown unicast) (storm/)
//   counters_dropped  a frame the stages dropped is a drop event of its port   (counters/)
//   cpu_deliver     trapped, mirrored or CPU-bound frames to the CPU queue     (cpu/)
//   per destination port:
//     misc_egress_block, vlan_egress (membership), stp_egress (a copy they discard:
//     counters_egress_filtered), port up, vlan_egress_tag,
//     then delivery: counters (counters_tx), capture, the wire, a loopback or the internal
//     link; mirror_egress copies what was sent to the port's analyzer         (mirror/)
//
// Commands of the stages combine as the chip combines them: a hard drop beats everything, a
// trap to the CPU beats a soft drop (so BPDUs reach the CPU from a blocking port), a soft drop
// turns a mirror to the CPU into a trap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/chipsim/core/counters.h"
#include "sdk/chipsim/core/frame.h"
#include "sdk/chipsim/core/lock.h"
#include "sdk/sdk_types.h"

namespace chipsim {

struct Port;
struct VlanEntry;
struct Result;

enum class Cmd : uint8_t { kForward, kMirror, kTrap, kSoftDrop, kHardDrop };
const char* cmd_name(Cmd c);

// The frame being switched in one device, and what the stages have decided about it so far.
struct Packet {
    const uint8_t* data = nullptr;  // as received on this device
    uint32_t len = 0;
    uint8_t in_port = 0;
    Port* port = nullptr;  // the port it came in on
    bool cascade = false;  // it came over the internal link
    bool bad_fcs = false;  // it arrived with a bad frame check sequence
    uint8_t src_dev = 0;   // where it entered the unit: hardware device number and port
    uint8_t src_port = 0;
    uint8_t src_trunk = 0;  // the trunk it entered the unit on (0: none)
    L2 l2;                  // the outer tag as the port reads it (none on tunnel access)
    L3 l3;                  // what the control stages look at above layer 2
    // A stage looked at more than the ingress decision cache keys on (the headers above
    // layer 2, the clock, a trunk's hash) or made a copy on the side: its decision is not
    // kept (core/flow_cache.h).
    bool uncached = false;
    // Classification.
    uint16_t vid = 0;                 // the VLAN it was classified to
    const VlanEntry* vlan = nullptr;  // that VLAN, when the chip holds it
    uint32_t stp = 3;                 // the port's spanning-tree state in the VLAN's group
    bool ingress_ok = true;           // no ingress rule discarded it (learning depends on it)
    uint8_t up = 0;                   // its user priority
    uint8_t cfi = 0;
    uint8_t tc = 0;  // egress queue (traffic class)
    // The combined command of the stages.
    Cmd cmd = Cmd::kForward;
    Drop drop = Drop::kNone;
    bool has_code = false;
    uint32_t cpu_code = 0;
    SDK_PORTS_BMP dest{};  // ports to send it to
    bool flooded = false;
    bool learned = false;
    bool as_received = false;  // sent back out unchanged, not switched (OAM loopback)
    Result* out = nullptr;     // where copies, hops, drops and the trace go

    bool relayed() const { return cmd == Cmd::kForward || cmd == Cmd::kMirror; }
    bool hard_dropped() const { return cmd == Cmd::kHardDrop; }
};

// Adds a stage's command to the packet's (the code is what the CPU sees if the stage sends
// the frame there). Forwarding changes nothing: only the other commands go to combine().
void combine(Packet& p, Cmd c, Drop why, uint32_t cpu_code);
inline void apply(Packet& p, Cmd c, Drop why, uint32_t cpu_code = 0) {
    if (c != Cmd::kForward) combine(p, c, why, cpu_code);
}

inline bool empty(const SDK_PORTS_BMP& b) {
    return !b.ports[0] && !b.ports[1];
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

// One decision of a stage about a frame, for `drvctl inject --trace`: the packet's combined
// command after the stage, the reason and CPU code it carries, and the ports it is bound for.
struct TraceEvent {
    uint8_t dev = 0;
    uint8_t port = 0;   // the port the stage looked at (the egress port for egress stages)
    std::string stage;  // the stage's name
    Cmd verdict = Cmd::kForward;
    Drop reason = Drop::kNone;
    uint32_t cpu_code = 0;
    SDK_PORTS_BMP ports{};
    std::string note;  // what else the stage decided ("vid 10", "learned", ...)
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
    bool tracing = false;  // record each stage's decision in trace
    std::vector<TraceEvent> trace;

    // Reused between frames without freeing.
    // A frame entering a device: the injected one, or a copy an earlier hop made.
    struct Hop {
        uint8_t dev = 0, port = 0;
        bool cascade = false;  // over the internal link: classified where it entered the unit
        bool bad_fcs = false;  // arrives with a bad frame check sequence
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

// Records a stage's decision when the frame is traced (cheap when it is not).
void trace_stage(Locked d, const Packet& p, const char* stage, uint8_t port = 0xFF,
                 std::string note = {});
[[gnu::always_inline]] inline void trace(Locked d, const Packet& p, const char* stage,
                                         uint8_t port = 0xFF) {
    if (p.out->tracing) trace_stage(d, p, stage, port);
}

// Counts a drop on a port and remembers the first reason of the frame.
void count_drop(Locked d, uint8_t port, Drop why, Result* out);

// Switches a frame entering (device, port); the frame is read, never kept. Frames of 14 to
// 59 bytes are padded to 60 as the sender's MAC would. Every copy and drop is counted.
// false when the device or port does not exist (nothing counted). bad_fcs: the frame arrives
// with a bad frame check sequence.
bool receive(uint8_t dev, uint8_t port, const uint8_t* frame, uint32_t len, Result* out,
             bool bad_fcs = false);

// Switches the copies queued in out->hops (loopbacks and the internal link), and those they
// queue in turn.
void switch_hops(Result* out);

// Hops a frame may make through loopbacks and internal links before it is dropped.
constexpr uint32_t kMaxHops = 8;

}  // namespace chipsim
