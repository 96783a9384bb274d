// Why a frame, or one copy of it, went nowhere: the one list of the chip model's drop
// reasons, with the name each is shown with. The model counts drops by these reasons, the
// simulation-control protocol carries their numbers, and tools print their names; a reason
// added here has its name by construction.
//
// The first group counts on the port the frame came in on, the egress group on the port the
// copy was meant for.
#pragma once

#include <cstdint>

#define SIMPROTO_DROP_REASONS(X)                                                         \
    X(kNone, "none", "delivered")                                                        \
    X(kRunt, "runt", "shorter than an Ethernet header")                                  \
    X(kTruncatedTag, "truncated-tag", "a tag type with the tag cut off")                 \
    X(kTooLong, "too-long", "longer than any frame a port takes")                        \
    X(kPortDown, "port-down", "port disabled or its link down")                          \
    X(kMru, "mru", "longer than the port's MRU")                                         \
    X(kBadFcs, "bad-fcs", "its frame check sequence is wrong")                           \
    X(kOversizeUntagged, "oversize", "untagged and over 1518 bytes with the filter on")  \
    X(kVlanMru, "vlan-mru", "longer than its VLAN's MRU profile")                        \
    X(kFrameType, "frame-type", "not an acceptable frame type of the port")              \
    X(kInvalidVlan, "invalid-vlan", "VLAN id 4095, or a VLAN the chip does not hold")    \
    X(kIngressFilter, "ingress-filter", "the port is not a member of the frame's VLAN")  \
    X(kStpState, "stp-state", "the port does not forward in the VLAN's spanning tree")   \
    X(kLearnLock, "learn-lock", "unknown or moved source with controlled learning")      \
    X(kSaCommand, "sa-command", "the source address entry's command")                    \
    X(kDaCommand, "da-command", "the destination address entry's command")               \
    X(kControl, "control", "a control-packet command")                                   \
    X(kNoDestination, "no-destination", "no port to send it to")                         \
    X(kLoop, "loop", "went round loopbacks and internal links too often")                \
    X(kCpuQueueFull, "cpu-queue-full", "the queue to the CPU was full")                  \
    X(kCpuRateLimit, "cpu-rate-limit", "over the packets per second the CPU takes")      \
    X(kEgressNotMember, "egress-not-member", "the port is not a member of the VLAN")     \
    X(kEgressStp, "egress-stp", "the port does not forward in the VLAN's spanning tree") \
    X(kEgressBlock, "egress-block", "egress block on the port")                          \
    X(kEgressDown, "egress-down", "port disabled or its link down")                      \
    X(kEgressShaper, "egress-shaper", "over the port's shaper rate")                     \
    X(kStormControl, "storm-control", "over the port's storm-control rate limit")        \
    X(kSanity, "sanity", "failed an enabled IPv4 sanity check")                          \
    X(kSecurity, "security", "a security event: multicast source, invalid VLAN")

namespace simproto {

enum class Drop : uint8_t {
#define SIMPROTO_DROP_ENUM(id, name, doc) id,
    SIMPROTO_DROP_REASONS(SIMPROTO_DROP_ENUM)
#undef SIMPROTO_DROP_ENUM
        kCount
};
constexpr uint32_t kDropReasons = static_cast<uint32_t>(Drop::kCount);

// The name a counter of this reason is shown with ("runt", "mru", ...); "?" out of range.
inline const char* drop_name(Drop d) {
    static constexpr const char* kNames[] = {
#define SIMPROTO_DROP_NAME(id, name, doc) name,
        SIMPROTO_DROP_REASONS(SIMPROTO_DROP_NAME)
#undef SIMPROTO_DROP_NAME
    };
    static_assert(sizeof kNames / sizeof kNames[0] == kDropReasons);
    uint32_t i = static_cast<uint32_t>(d);
    return i < kDropReasons ? kNames[i] : "?";
}

// What the reason means, for explanations ("shorter than an Ethernet header", ...).
inline const char* drop_doc(Drop d) {
    static constexpr const char* kDocs[] = {
#define SIMPROTO_DROP_DOC(id, name, doc) doc,
        SIMPROTO_DROP_REASONS(SIMPROTO_DROP_DOC)
#undef SIMPROTO_DROP_DOC
    };
    uint32_t i = static_cast<uint32_t>(d);
    return i < kDropReasons ? kDocs[i] : "?";
}

}  // namespace simproto
