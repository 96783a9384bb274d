// The transmit side's sdk* operations: DMA buffer pools, event binding, and the synchronous
// from-CPU send, after which the packet leaves the port its parameters name.
#include <algorithm>
#include <cstring>

#include "platform/lmm/l_ipcmem.h"
#include "sdk/chipsim/core/egress.h"
#include "sdk/chipsim/core/frame.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/netif/netif.h"
#include "sdk/sdk_netif.h"

using namespace chipsim;

namespace {

// The pool of an id, with the pools' lock held by the caller.
DmaPool* pool_of(NetifGlobal& g, SDK_POOL_ID id) {
    if (id == 0 || id > g.pools.size()) return nullptr;
    return g.pools[id - 1].get();
}

bool handle_bound(SDK_EVENT_HANDLE h, uint32_t event) {
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    return h != 0 && h <= g.bound.size() && g.bound[h - 1] == event;
}

// The local device with this hardware device number (nullptr: not of this unit).
Device* local_device(uint8_t hw) {
    for (auto& d : model().devices) {
        DeviceLock lock(*d);
        if (lock.locked()->hw_dev_num == hw) return d.get();
    }
    return nullptr;
}

// The frame as it leaves: the packet's own tag taken out when it has one, the destination's
// tag put in when the parameters ask for it, padded to the minimum.
std::vector<uint8_t> egress_frame(const SDK_NET_TX_PARAMS& tx, std::vector<uint8_t> in) {
    if (tx.packetIsTagged && in.size() >= kEthHeader + kTagLen &&
        rd16(in.data(), static_cast<uint32_t>(in.size()), 12) == kEtherTypeCtag)
        in.erase(in.begin() + 12, in.begin() + 16);
    if (tx.dstIsTagged) {
        uint8_t tag[kTagLen];
        const uint16_t tci =
            static_cast<uint16_t>((tx.vpt & 7) << 13 | (tx.cfiBit & 1) << 12 | (tx.vid & 0xFFF));
        put_tag(tag, kEtherTypeCtag, tci);
        in.insert(in.begin() + 12, tag, tag + kTagLen);
    }
    if (in.size() < kMinFrame) in.resize(kMinFrame, 0);
    return in;
}

}  // namespace

SDK_STATUS sdkPoolCreateDmaPool(uint32_t bufSize, uint32_t alignment, uint32_t numOfBufs,
                                bool withSem, SDK_POOL_ID* poolId) {
    (void)withSem;  // every pool of the model is guarded
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!poolId) return SDK_BAD_PTR;
    if (bufSize == 0 || numOfBufs == 0 || alignment > 12) return SDK_BAD_PARAM;
    const uint32_t align = 1u << alignment;
    const uint32_t stride = (bufSize + align - 1) & ~(align - 1);
    auto pool = std::make_unique<DmaPool>();
    pool->area = static_cast<uint8_t*>(L_IPCMEM_AllocateDmaArea(stride * numOfBufs));
    if (!pool->area) return SDK_FAIL;
    pool->buf_size = stride;
    pool->count = numOfBufs;
    pool->taken.assign(numOfBufs, false);
    for (uint32_t i = 0; i < numOfBufs; ++i)
        pool->free_bufs.push_back(numOfBufs - 1 - i);
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    g.pools.push_back(std::move(pool));
    *poolId = static_cast<SDK_POOL_ID>(g.pools.size());
    return SDK_OK;
}

void* sdkPoolGetBuf(SDK_POOL_ID poolId) {
    if (fault(__func__)) return nullptr;
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    DmaPool* p = pool_of(g, poolId);
    if (!p || p->free_bufs.empty()) return nullptr;
    const uint32_t i = p->free_bufs.back();
    p->free_bufs.pop_back();
    p->taken[i] = true;
    return p->area + size_t{i} * p->buf_size;
}

SDK_STATUS sdkPoolFreeBuf(SDK_POOL_ID poolId, void* buf) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    DmaPool* p = pool_of(g, poolId);
    if (!p) return SDK_NOT_FOUND;
    auto* b = static_cast<uint8_t*>(buf);
    if (b < p->area || b >= p->area + size_t{p->buf_size} * p->count) return SDK_BAD_PARAM;
    const size_t off = static_cast<size_t>(b - p->area);
    const uint32_t i = static_cast<uint32_t>(off / p->buf_size);
    if (off % p->buf_size || !p->taken[i]) return SDK_BAD_PARAM;
    p->taken[i] = false;
    p->free_bufs.push_back(i);
    return SDK_OK;
}

uint32_t sdkPoolFreeBufNumGet(SDK_POOL_ID poolId) {
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    DmaPool* p = pool_of(g, poolId);
    return p ? static_cast<uint32_t>(p->free_bufs.size()) : 0;
}

SDK_STATUS sdkEventBind(const uint32_t* uniEventArr, uint32_t arrLength, SDK_EVENT_HANDLE* hndl) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!uniEventArr || !hndl) return SDK_BAD_PTR;
    // The model raises one event: the transmit-buffer event of the from-CPU path.
    if (arrLength != 1 || uniEventArr[0] != SDK_EVENT_TX_BUFFER_QUEUE) return SDK_NOT_SUPPORTED;
    NetifGlobal& g = model().netif;
    std::lock_guard<std::mutex> lock(g.pools_mu);
    g.bound.push_back(uniEventArr[0]);
    *hndl = static_cast<SDK_EVENT_HANDLE>(g.bound.size());
    return SDK_OK;
}

SDK_STATUS sdkNetIfSdmaSyncTxPacketSend(uint8_t devNum, const SDK_NET_TX_PARAMS* params,
                                        uint8_t* buffList[], uint32_t buffLenList[],
                                        uint32_t numOfBufs) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!params || !buffList || !buffLenList) return SDK_BAD_PTR;
    if (numOfBufs == 0 || !handle_bound(params->evReqHndl, SDK_EVENT_TX_BUFFER_QUEUE))
        return SDK_BAD_PARAM;
    if (params->dstInterface.type != SDK_INTERFACE_PORT) return SDK_NOT_SUPPORTED;
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < numOfBufs; ++i) {
        if (!buffList[i]) return SDK_BAD_PTR;
        bytes.insert(bytes.end(), buffList[i], buffList[i] + buffLenList[i]);
    }
    if (params->recalcCrc) bytes.resize(bytes.size() >= kFcsLen ? bytes.size() - kFcsLen : 0);
    if (bytes.size() < kEthHeader || bytes.size() > kMaxFrame) return SDK_BAD_PARAM;
    Device* src = device(devNum);
    if (!src) return SDK_NOT_PRESENT;
    changed();
    uint8_t src_hw = 0;
    {
        DeviceLock lock(*src);
        if (!lock.locked()->netif_up) return SDK_BAD_STATE;
        ++lock.locked()->netif.tx_packets;
        src_hw = lock.locked()->hw_dev_num;
    }
    // A port of another device of the unit is reached directly; a device of another unit
    // through the port the sending device's map names.
    const uint8_t target = params->dstInterface.devPort.devNum;
    Device* dst = local_device(target);
    uint8_t q = params->dstInterface.devPort.portNum;
    if (!dst) {
        dst = src;
        DeviceLock lock(*src);
        q = cascade_port_to(lock.locked(), target);
        if (q == 0xFF) return SDK_BAD_PARAM;
    }
    const std::vector<uint8_t> frame = egress_frame(*params, std::move(bytes));
    Result res;
    res.changes = model().changes.load(std::memory_order_relaxed);
    {
        DeviceLock lock(*dst);
        Locked d = lock.locked();
        Port* port = q == SDK_CPU_PORT ? nullptr : d->port(q);
        if (!port) return SDK_BAD_PARAM;
        Packet p;
        p.data = frame.data();
        p.len = static_cast<uint32_t>(frame.size());
        p.in_port = SDK_CPU_PORT;
        p.port = d->port(SDK_CPU_PORT);
        p.out = &res;
        p.src_dev = src_hw;
        p.src_port = SDK_CPU_PORT;
        p.vid = params->vid;
        p.up = params->vpt;
        p.tc = params->tc;
        // A port whose link is down loses the packet (counted as an egress drop).
        if (!port_egress_up(d, p, *port)) return SDK_OK;
        const size_t offset = res.data.size();
        std::memcpy(res.data.append(frame.size()), frame.data(), frame.size());
        deliver(d, p, q, is_cascade(d, q), offset);
    }
    switch_hops(&res);
    return SDK_OK;
}
