// The receive side's sdk* operations: the handler, bringing the interface up, and buffers
// given back by the CPU.
#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/lmm/l_ipcmem.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/netif/netif.h"
#include "sdk/sdk_netif.h"

using namespace chipsim;

SDK_STATUS sdkEventRxPacketHandlerRegister(SDK_NET_RX_PACKET_HANDLER handler) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    Model& m = model();
    NetifGlobal& g = m.netif;
    {
        std::lock_guard<std::mutex> lock(g.mu);
        g.handler = handler;
    }
    // Packets filled before the handler was there are delivered now.
    for (auto& d : m.devices) {
        DeviceLock lock(*d);
        if (!lock.locked()->netif.ready.empty()) netif_rx_dma(lock.locked(), true);
    }
    return SDK_OK;
}

SDK_STATUS sdkNetIfInit(uint8_t devNum) {
    const uint32_t count = board_param_or("rx_desc_count", kRxBufCount);
    const uint32_t size = board_param_or("rx_buf_size", kRxBufSize);
    if (count == 0 || size < 64) return SDK_BAD_PARAM;
    return with_device(__func__, devNum, [&](Locked d) -> SDK_STATUS {
        Netif& n = d->netif;
        d->netif_up = true;
        if (n.up()) return SDK_OK;
        // Buffers start on 4-byte boundaries.
        const uint32_t stride = (size + 3) & ~3u;
        auto* area = static_cast<uint8_t*>(L_IPCMEM_AllocateDmaArea(stride * count));
        if (!area) return SDK_FAIL;
        n.area = area;
        n.buf_size = stride;
        n.buf_count = count;
        n.state.assign(count, Netif::kFree);
        n.free_bufs.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            n.free_bufs[i] = count - 1 - i;  // buffer 0 is used first
        netif_rx_dma(d);
        return SDK_OK;
    });
}

SDK_STATUS sdkNetIfRxBufFree(uint8_t devNum, uint8_t rxQueue, uint8_t* rxBuffList[],
                             uint32_t buffListLen) {
    if (!rxBuffList) return SDK_BAD_PTR;
    if (rxQueue >= SDK_NETIF_RX_QUEUES || buffListLen == 0) return SDK_BAD_PARAM;
    // Giving buffers back changes nothing a frame's forwarding reads, so it is not counted
    // as a change of the model (that would drop the pipeline's cached decisions per packet).
    return read_device(__func__, devNum, [&](Locked d) -> SDK_STATUS {
        Netif& n = d->netif;
        if (!n.up()) return SDK_BAD_STATE;
        // The indices, on the stack for the usual packet of a few buffers.
        uint32_t few[16];
        std::vector<uint32_t> many(buffListLen > std::size(few) ? buffListLen : 0);
        uint32_t* const idx = many.empty() ? few : many.data();
        uint32_t count = 0;
        for (uint32_t i = 0; i < buffListLen; ++i) {
            const uint8_t* b = rxBuffList[i];
            if (b < n.area || b >= n.area + size_t{n.buf_size} * n.buf_count) return SDK_BAD_PARAM;
            const size_t off = static_cast<size_t>(b - n.area);
            if (off % n.buf_size) return SDK_BAD_PARAM;
            const uint32_t k = static_cast<uint32_t>(off / n.buf_size);
            if (n.state[k] != Netif::kCpu || std::find(idx, idx + count, k) != idx + count)
                return SDK_BAD_PARAM;
            idx[count++] = k;
        }
        for (uint32_t i = 0; i < count; ++i) {
            n.state[idx[i]] = Netif::kFree;
            n.free_bufs.push_back(idx[i]);
        }
        n.rx_bufs_freed += count;
        // Frames that waited for buffers go in now.
        netif_rx_dma(d);
        return SDK_OK;
    });
}
