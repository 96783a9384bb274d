// The pipeline's egress half: the checks each copy meets on its way out, tagging, and where
// the copy goes (the wire, back into a port, over the internal link).
#include "sdk/chipsim/core/egress.h"

#include <cstring>

#include "sdk/chipsim/core/model.h"

namespace chipsim {
namespace {

// Appends a copy of the frame: its addresses, the tags, the rest of the frame from `rest`
// on; padded to the minimum. Returns its offset in out->data.
size_t build(Result* out, const Packet& p, const uint8_t* tags, uint32_t tags_len, uint32_t rest) {
    uint32_t body = p.len - rest;
    uint32_t len = 12 + tags_len + body;
    uint32_t total = len < kMinFrame ? kMinFrame : len;
    size_t offset = out->data.size();
    uint8_t* b = out->data.append(total);
    std::memcpy(b, p.data, 12);
    std::memcpy(b + 12, tags, tags_len);
    std::memcpy(b + 12 + tags_len, p.data + rest, body);
    if (total > len) std::memset(b + len, 0, total - len);
    return offset;
}

}  // namespace

// A copy leaves port q of d (cascade: q is an end of the internal link): counted, captured,
// and sent on to the wire, back into the port (internal loopback) or over the internal link.
void deliver(Locked d, const Packet& p, uint8_t q, bool cascade, size_t offset) {
    Result* out = p.out;
    uint32_t len = static_cast<uint32_t>(out->data.size() - offset);
    const uint8_t* bytes = out->data.data() + offset;  // the copy was appended last
    PortCounters& pc = d->counters.ports[q];
    ++pc.tx_frames;
    pc.tx_bytes += len;
    counters_tx(d, p, q, bytes, len);
    if (d->capture.on(q)) capture(d, q, bytes, len);
    bool loopback = d->misc.ports[q].internal_loopback;
    if (!loopback && !cascade) {
        out->sent.push_back(Sent{d->num, q, static_cast<uint32_t>(offset), len});
        return;
    }
    Result::Hop h;
    h.offset = static_cast<uint32_t>(offset);
    h.len = len;
    if (loopback) {
        h.dev = d->num;
        h.port = q;
        out->hops.push_back(h);
        return;
    }
    uint8_t peer_port = 0xFF;
    Device* e = cascade_peer(d, &peer_port);
    if (!e) return;
    h.dev = e->num;
    h.port = peer_port;
    h.cascade = true;
    h.src_dev = p.src_dev;
    h.src_port = p.src_port;
    h.vid = p.vid;
    h.up = p.up;
    out->hops.push_back(h);
}

namespace {

// A switched copy out of port q: the egress stages, then tagged as the VLAN's member q sends.
void send(Locked d, const Packet& p, uint8_t q) {
    Port* port = d->port(q);
    if (!port) return;
    const bool cascade = is_cascade(d, q);
    if (!misc_egress_block(d, p, q)) return counters_egress_filtered(d, p, q, true);
    if (!vlan_egress(d, p, q) || (!cascade && !stp_egress(d, p, q)))
        return counters_egress_filtered(d, p, q, false);
    if (!port_egress_up(d, p, *port)) return;
    uint8_t tags[2 * kTagLen];
    uint32_t tags_len = vlan_egress_tag(d, p, q, cascade, tags);
    size_t offset = build(p.out, p, tags, tags_len, p.l2.payload);
    if (d->misc.ports[q].shaper_enable &&
        !misc_shaper(d, p, q, static_cast<uint32_t>(p.out->data.size() - offset)))
        return;
    if (p.out->tracing) trace_stage(d, p, "egress", q, tags_len ? "sent tagged" : "sent untagged");
    deliver(d, p, q, cascade, offset);
    if (d->mirror.any_tx)
        mirror_egress(d, p, q, offset, static_cast<uint32_t>(p.out->data.size() - offset));
}

}  // namespace

uint8_t* put_tag(uint8_t* b, uint16_t tpid, uint16_t tci) {
    b[0] = static_cast<uint8_t>(tpid >> 8);
    b[1] = static_cast<uint8_t>(tpid);
    b[2] = static_cast<uint8_t>(tci >> 8);
    b[3] = static_cast<uint8_t>(tci);
    return b + kTagLen;
}

void send_raw(Locked d, const Packet& p, uint8_t q, uint16_t tag_vid) {
    Port* port = d->port(q);
    if (!port || q == SDK_CPU_PORT || !port_egress_up(d, p, *port)) return;
    uint8_t tag[kTagLen];
    put_tag(tag, kEtherTypeCtag, tag_vid);
    size_t offset = build(p.out, p, tag, tag_vid ? kTagLen : 0, 12);
    if (p.out->tracing) trace_stage(d, p, "egress", q, "sent as received");
    deliver(d, p, q, is_cascade(d, q), offset);
}

void egress(Locked d, Packet& p) {
    if (!p.relayed()) return;
    if (p.as_received) return send_raw(d, p, p.in_port, 0);
    for (uint32_t w = 0; w < 2; ++w) {
        for (uint32_t bits = p.dest.ports[w]; bits; bits &= bits - 1) {
            uint32_t q = w * 32 + static_cast<uint32_t>(__builtin_ctz(bits));
            if (q != SDK_CPU_PORT) send(d, p, static_cast<uint8_t>(q));
        }
    }
}

}  // namespace chipsim
