// The network interface's simulation-control command: a device's receive DMA buffers and the
// packets through them.
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"

namespace chipsim {
namespace {

bool netif(void* msg) {
    uint32_t dev;
    if (!word(msg, 0, &dev) || dev >= model().devices.size()) return answer(msg, false);
    const NetifStats st = netif_stats(static_cast<uint8_t>(dev));
    sc::NetifReply out;
    out.up = st.up;
    out.buffers = st.buffers;
    out.free_buffers = st.free_buffers;
    out.ready = st.ready;
    out.held_by_cpu = st.held_by_cpu;
    out.waiting = static_cast<uint32_t>(cpu_frames(static_cast<uint8_t>(dev)).size());
    out.rx_packets = st.rx_packets;
    out.rx_bufs_freed = st.rx_bufs_freed;
    out.tx_packets = st.tx_packets;
    return reply(msg, out);
}

}  // namespace

void register_netif_simctl() {
    simctl_register(sc::kNetif, netif);
}

}  // namespace chipsim
