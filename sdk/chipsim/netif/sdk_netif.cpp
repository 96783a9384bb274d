// The receive side's sdk* operations: the handler, bringing the interface up, and buffers
// given back by the CPU.
#include "sdk/sdk_netif.h"
#include "platform/lmm/l_ipcmem.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/netif/netif.h"

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
        {
            std::lock_guard<DeviceMutex> lock(n.returned_mu);
            n.state = std::make_unique<std::atomic<uint8_t>[]>(count);
            for (uint32_t i = 0; i < count; ++i)
                n.state[i].store(Netif::kFree, std::memory_order_relaxed);
            n.area = area;
            n.buf_size = stride;
            n.buf_count = count;
        }
        n.ready.resize(count);
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
    if (SDK_STATUS rc = fault(__func__)) return rc;
    Device* d = device(devNum);
    if (!d) return SDK_NOT_PRESENT;
    // Giving buffers back is not a change of the model (it changes nothing forwarding reads),
    // and takes only the lock of the buffers given back: see Netif.
    Netif& n = d->netif;
    {
        std::lock_guard<DeviceMutex> lock(n.returned_mu);
        if (!n.up()) return SDK_BAD_STATE;
        // Each buffer goes from the CPU's hands to the chip's, or none does.
        uint32_t taken = 0;
        auto give = [&](uint32_t i) -> bool {
            const uint8_t* b = rxBuffList[i];
            if (b < n.area || b >= n.area + size_t{n.buf_size} * n.buf_count) return false;
            const size_t off = static_cast<size_t>(b - n.area);
            if (off % n.buf_size) return false;
            uint8_t held = Netif::kCpu;
            return n.state[off / n.buf_size].compare_exchange_strong(held, Netif::kFree);
        };
        while (taken < buffListLen && give(taken))
            ++taken;
        if (taken < buffListLen) {
            for (uint32_t i = 0; i < taken; ++i)
                n.state[(rxBuffList[i] - n.area) / n.buf_size].store(Netif::kCpu);
            return SDK_BAD_PARAM;
        }
        for (uint32_t i = 0; i < buffListLen; ++i)
            n.returned.push_back(static_cast<uint32_t>((rxBuffList[i] - n.area) / n.buf_size));
    }
    // Frames waiting for buffers go in now.
    if (n.starved.load()) {
        DeviceLock lock(*d);
        netif_rx_dma(lock.locked());
    }
    return SDK_OK;
}
