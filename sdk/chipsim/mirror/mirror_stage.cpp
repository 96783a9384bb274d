// Mirroring's stages: copies of what a port receives or sends, and of what arrives in a
// mirrored VLAN, to the analyzer port.
#include <cstring>

#include "sdk/chipsim/core/egress.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint8_t kNoPort = 0xFF;

// The port of this device that the analyzer of a direction is (kNoPort: another device's).
uint8_t analyzer_port(Locked d, bool rx, uint32_t index) {
    const Mirror& m = d->mirror;
    const SDK_MIRROR_ANALYZER& a = m.fwd_mode == 1 ? m.table[index] : (rx ? m.rx_port : m.tx_port);
    return a.hwDevNum == d->hw_dev_num ? a.portNum : kNoPort;
}

}  // namespace

void mirror_ingress(Locked d, Packet& p) {
    const Mirror& m = d->mirror;
    if (!m.any_rx || p.cascade) return;
    uint32_t index;
    const MirrorPort& mp = m.ports[p.in_port];
    if (mp.rx)
        index = mp.rx_index;
    else if (m.global_rx && p.vlan && p.vlan->info.mirrorToAnalyzer)
        index = m.global_rx_index;
    else
        return;
    uint8_t q = analyzer_port(d, true, index);
    if (q == kNoPort || q == SDK_CPU_PORT || !d->port(q)) return;
    if (p.out->tracing) trace_stage(d, p, "mirror_ingress", 0xFF, "copy to the analyzer");
    p.uncached = true;
    send_raw(d, p, q, d->misc.ports[q].analyzer_vid);
}

void mirror_egress(Locked d, const Packet& p, uint8_t q, size_t offset, uint32_t len) {
    const MirrorPort& mp = d->mirror.ports[q];
    if (!mp.tx) return;
    uint8_t a = analyzer_port(d, false, mp.tx_index);
    Port* port = a == kNoPort || a == SDK_CPU_PORT ? nullptr : d->port(a);
    if (!port || !port_egress_up(d, p, *port)) return;
    uint16_t vid = d->misc.ports[a].analyzer_vid;
    Buffer& b = p.out->data;
    size_t at = b.size();
    uint8_t* copy = b.append(len + (vid ? kTagLen : 0));
    const uint8_t* sent = b.data() + offset;  // after append: the buffer may have moved
    if (vid) {
        std::memcpy(copy, sent, 12);
        put_tag(copy + 12, kEtherTypeCtag, vid);
        std::memcpy(copy + 12 + kTagLen, sent + 12, len - 12);
    } else {
        std::memcpy(copy, sent, len);
    }
    if (p.out->tracing) trace_stage(d, p, "mirror_egress", q, "copy to the analyzer");
    deliver(d, p, a, is_cascade(d, a), at);
}

}  // namespace chipsim
