// The pipeline's egress half: the checks each copy meets on its way out, tagging, and where
// the copy goes (the wire, back into a port, over the internal link, to the CPU).
#include <cstring>

#include "sdk/chipsim/fdb.h"
#include "sdk/chipsim/pipeline_stages.h"
#include "sdk/sdk_stp.h"

namespace chipsim {
namespace {

constexpr uint8_t kNoPort = 0xFF;

uint8_t* put_tag(uint8_t* b, uint16_t tpid, uint16_t tci) {
    b[0] = static_cast<uint8_t>(tpid >> 8);
    b[1] = static_cast<uint8_t>(tpid);
    b[2] = static_cast<uint8_t>(tci >> 8);
    b[3] = static_cast<uint8_t>(tci);
    return b + kTagLen;
}

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

// The device at the other end of a device's cascade port, and its port there.
Device* peer(const Device& d, uint8_t* port) {
    for (auto& e : model().devices) {
        if (e.get() == &d || e->desc->cascade.empty()) continue;
        *port = e->desc->cascade.front().port;
        return e.get();
    }
    return nullptr;
}

// A copy leaves port q of d (cascade: q is an end of the internal link): counted, captured,
// and sent on to the wire, back into the port (internal loopback) or over the internal link.
void deliver(Device& d, const Packet& p, uint8_t q, bool cascade, size_t offset, Result* out) {
    uint32_t len = static_cast<uint32_t>(out->data.size() - offset);
    const uint8_t* bytes = out->data.data() + offset;  // the copy was appended last
    PortCounters& pc = d.frames.ports[q];
    ++pc.tx_frames;
    pc.tx_bytes += len;
    if (hooks().mac_counters) hooks().mac_counters(d, q, true, bytes, len);
    if (d.frames.capture_ports >> q & 1) capture(d, q, bytes, len);
    if (!d.misc.ports[q].internal_loopback && !cascade) {
        out->sent.push_back(Sent{d.num, q, static_cast<uint32_t>(offset), len});
        return;
    }
    Result::Hop h;
    h.offset = static_cast<uint32_t>(offset);
    h.len = len;
    if (d.misc.ports[q].internal_loopback) {
        h.dev = d.num;
        h.port = q;
        out->hops.push_back(h);
    } else {
        uint8_t peer_port = kNoPort;
        Device* e = peer(d, &peer_port);
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
}

// An unswitched copy of what the port received: out of q as it is, with an extra tag when
// the port is an analyzer that tags mirrored frames.
void send_raw(Device& d, const Packet& p, uint8_t q, uint16_t tag_vid, Result* out) {
    Port* port = d.port(q);
    if (!port || q == SDK_CPU_PORT) return;
    if (!port_up(d, *port, out->changes)) return count_drop(d, q, Drop::kEgressDown, out);
    uint8_t tag[kTagLen];
    put_tag(tag, kEtherTypeCtag, tag_vid);
    deliver(d, p, q, is_cascade(d, q), build(out, p, tag, tag_vid ? kTagLen : 0, 12), out);
}

// A switched copy out of port q, tagged as the VLAN's member q sends.
void send(Device& d, const Packet& p, const VlanEntry& v, uint8_t q, Result* out) {
    Port* port = d.port(q);
    if (!port) return;
    if (d.misc.ports[q].egress_block) return count_drop(d, q, Drop::kEgressBlock, out);
    if (!member(v.members, q)) return count_drop(d, q, Drop::kEgressNotMember, out);
    const bool cascade = is_cascade(d, q);
    if (!cascade && d.stp.state[v.info.stgId % SDK_STP_GROUPS][q] != SDK_STP_FORWARDING)
        return count_drop(d, q, Drop::kEgressStp, out);
    if (!port_up(d, *port, out->changes)) return count_drop(d, q, Drop::kEgressDown, out);
    uint8_t cmd = v.tag_cmd[q];
    uint8_t tags[2 * kTagLen];
    uint32_t tags_len = 0;
    if (cmd == SDK_VLAN_TAG_CMD_TAGGED || cmd == SDK_VLAN_TAG_CMD_PUSH) {
        uint16_t tpid = cascade ? kEtherTypeCtag : d.vlans.ports[q].tpid;
        put_tag(tags, tpid, static_cast<uint16_t>((p.up & 7) << 13 | (p.cfi & 1) << 12 | p.vid));
        tags_len = kTagLen;
    }
    if (cmd == SDK_VLAN_TAG_CMD_PUSH && p.l2.tagged) {  // the frame's own tag stays inside
        std::memcpy(tags + tags_len, p.data + 12, kTagLen);
        tags_len += kTagLen;
    }
    size_t offset = build(out, p, tags, tags_len, p.l2.payload);
    deliver(d, p, q, cascade, offset, out);
    if (hooks().tx_analyzer) {
        uint8_t a = hooks().tx_analyzer(d, p, q);
        if (a != kNoPort) {  // a copy of what q sent (out->data moves as it grows)
            std::vector<uint8_t> sent(out->data.data() + offset,
                                      out->data.data() + out->data.size());
            Packet copy = p;
            copy.data = sent.data();
            copy.len = static_cast<uint32_t>(sent.size());
            send_raw(d, copy, a, d.misc.ports[a % kPortSlots].analyzer_vid, out);
        }
    }
}

void to_cpu(Device& d, const Packet& p, uint32_t code, Result* out) {
    Frames& f = d.frames;
    if (f.cpu.size() >= board_param_or("rx_desc_count", kCpuQueueFrames))
        return count_drop(d, p.in_port, Drop::kCpuQueueFull, out);
    CpuFrame c;
    c.src_dev = p.src_dev;
    c.src_port = p.src_port;
    c.vid = p.vid;
    c.tagged = p.l2.tagged;
    c.mirrored = p.cmd == Cmd::kMirror;
    c.cpu_code = code;
    c.bytes.assign(p.data, p.data + p.len);
    f.cpu.push_back(std::move(c));
    ++f.ports[p.in_port].to_cpu;
    ++f.ports[SDK_CPU_PORT].tx_frames;
    f.ports[SDK_CPU_PORT].tx_bytes += p.len;
    if (f.capture_ports >> SDK_CPU_PORT & 1) capture(d, SDK_CPU_PORT, p.data, p.len);
    if (!out->to_cpu) out->cpu_code = code;
    out->to_cpu = true;
}

}  // namespace

bool resolve_port_up(Device& d, Port& p, uint64_t changes) {
    bool up = p.num == SDK_CPU_PORT ||
              (p.enabled && (d.misc.ports[p.num].internal_loopback || resolve_link(d, p).up));
    // A port whose SFP transmitter is switched over a bus is asked every time: bus writes are
    // not counted as changes of the model.
    if (!(p.wiring && p.wiring->sfp_tx)) d.frames.link[p.num % kPortSlots] = {changes, up};
    return up;
}

bool is_cascade(Device& d, uint8_t port) {
    uint64_t& mask = d.frames.cascade_ports;
    if (mask == kUnknownPorts) {
        mask = 0;
        for (const board::CascadePort& c : d.desc->cascade)
            mask |= uint64_t{1} << (c.port % kPortSlots);
    }
    return mask >> (port % kPortSlots) & 1;
}

void egress(Device& d, Packet& p, Result* out) {
    bool relayed = p.cmd == Cmd::kForward || p.cmd == Cmd::kMirror;
    if (p.cmd == Cmd::kTrap || p.cmd == Cmd::kMirror)
        to_cpu(d, p, p.cpu_code, out);
    else if (relayed && member(p.dest, SDK_CPU_PORT))
        to_cpu(d, p, p.flooded ? kCpuCodeFlooded : kCpuCodeMacDaTrap, out);
    if (!relayed) return;
    if (hooks().rx_analyzer) {
        uint8_t a = hooks().rx_analyzer(d, p);
        if (a != kNoPort) send_raw(d, p, a, d.misc.ports[a % kPortSlots].analyzer_vid, out);
    }
    if (p.as_received) return send_raw(d, p, p.in_port, 0, out);
    if (!p.dest.ports[0] && !p.dest.ports[1]) return;
    const VlanEntry& v = d.vlans.table[p.vid & SDK_VLAN_ID_MAX];
    for (uint32_t w = 0; w < 2; ++w) {
        for (uint32_t bits = p.dest.ports[w]; bits; bits &= bits - 1) {
            uint32_t q = w * 32 + static_cast<uint32_t>(__builtin_ctz(bits));
            if (q != SDK_CPU_PORT) send(d, p, v, static_cast<uint8_t>(q), out);
        }
    }
}

}  // namespace chipsim
