// The receive DMA: frames of the CPU queue into the receive buffers, and the event task that
// hands them to the registered handler.
#include "sdk/chipsim/netif/netif.h"

#include <algorithm>
#include <cstring>

#include "platform/lmm/l_ipcmem.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

// Wakes the event task; a task that is busy finds the work when it looks again, so only a
// sleeping one is signalled, and the frame path takes no lock for it otherwise.
void wake_event_task() {
    NetifGlobal& g = model().netif;
    g.wake.store(true);
    if (!g.started.load()) {
        // The task starts with the first packet, so that a process has no thread of the
        // SDK's before it has packets to deliver.
        std::lock_guard<std::mutex> lock(g.mu);
        if (g.handler && !g.task.joinable()) {
            g.task = std::thread(netif_event_task, &model());
            g.started.store(true);
        }
        return;
    }
    if (!g.sleeping.load()) return;
    { std::lock_guard<std::mutex> lock(g.mu); }  // the task is in its wait or saw `wake`
    g.cv.notify_one();
}

// Moves the next waiting frame (the oldest of the highest queue that holds one) into receive
// buffers; false when there is none or not enough free buffers for it (it then waits for
// buffers given back).
bool dma_one(Locked d) {
    Netif& n = d->netif;
    std::deque<CpuFrame>* next = nullptr;
    for (uint32_t tc = kCpuQueues; tc-- > 0 && !next;)
        if (!d->cpu.queues[tc].empty()) next = &d->cpu.queues[tc];
    if (!next) return false;
    std::deque<CpuFrame>& q = *next;
    const CpuFrame& f = q.front();
    // The buffers hold the frame and its 4-byte CRC.
    const uint32_t total = static_cast<uint32_t>(f.bytes.size()) + 4;
    const uint32_t need = (total + n.buf_size - 1) / n.buf_size;
    if (n.free_bufs.size() < need) return false;
    RxReady r;
    r.queue = static_cast<uint8_t>(f.tc % SDK_NETIF_RX_QUEUES);
    r.params.tagType = f.tagged ? SDK_NET_TAG_TYPE_TAG0 : SDK_NET_TAG_TYPE_UNTAGGED;
    r.params.vid = f.vid;
    r.params.isTagged = f.tagged;
    r.params.srcDev = f.src_dev;
    r.params.srcPort = f.src_port;
    r.params.cpuCode = f.cpu_code;
    r.params.timestamp = static_cast<uint32_t>(clock_ms());
    uint32_t done = 0;
    for (uint32_t i = 0; i < need; ++i) {
        uint32_t b = n.free_bufs.back();
        n.free_bufs.pop_back();
        n.state[b] = Netif::kReady;
        uint8_t* at = n.area + size_t{b} * n.buf_size;
        uint32_t len = std::min(n.buf_size, total - done);
        uint32_t data = done < f.bytes.size()
                            ? std::min<uint32_t>(len, static_cast<uint32_t>(f.bytes.size()) - done)
                            : 0;
        if (data) std::memcpy(at, f.bytes.data() + done, data);
        if (len > data) std::memset(at + data, 0, len - data);  // the CRC
        done += len;
        r.bufs.push_back(b);
        r.lens.push_back(len);
    }
    n.ready.push_back(std::move(r));
    q.pop_front();
    return true;
}

}  // namespace

Netif::~Netif() {
    if (area) L_IPCMEM_FreeDmaArea(area);
}

NetifGlobal::~NetifGlobal() {
    {
        std::lock_guard<std::mutex> lock(mu);
        stop = true;
    }
    cv.notify_all();
    if (task.joinable()) task.join();
    std::lock_guard<std::mutex> lock(pools_mu);
    for (auto& p : pools)
        if (p && p->area) L_IPCMEM_FreeDmaArea(p->area);
}

void netif_rx_dma(Locked d, bool wake) {
    if (!d->netif.up()) return;
    bool moved = wake;
    while (dma_one(d))
        moved = true;
    if (moved) wake_event_task();
}

namespace {

// Takes the oldest filled packet of a device, with pointers to its buffers.
bool take_ready(Device& dev, RxReady* r, std::vector<uint8_t*>* ptrs) {
    DeviceLock lock(dev);
    Netif& n = lock.locked()->netif;
    if (n.ready.empty()) return false;
    *r = std::move(n.ready.front());
    n.ready.pop_front();
    ptrs->clear();
    for (uint32_t b : r->bufs) {
        n.state[b] = Netif::kCpu;
        ptrs->push_back(n.area + size_t{b} * n.buf_size);
    }
    ++n.rx_packets;
    return true;
}

}  // namespace

uint32_t netif_deliver(uint32_t max) {
    Model& m = model();
    SDK_NET_RX_PACKET_HANDLER handler;
    {
        std::lock_guard<std::mutex> lock(m.netif.mu);
        handler = m.netif.handler;
    }
    if (!handler) return 0;
    uint32_t handed = 0;
    RxReady r;
    std::vector<uint8_t*> ptrs;
    bool any = true;
    while (any && handed < max) {
        any = false;
        for (auto& dev : m.devices) {
            if (handed == max) break;
            if (!take_ready(*dev, &r, &ptrs)) continue;
            any = true;
            ++handed;
            // The handler runs without any lock of the model: it may give buffers back.
            handler(dev->num, r.queue, static_cast<uint32_t>(ptrs.size()), ptrs.data(),
                    r.lens.data(), &r.params);
        }
    }
    return handed;
}

// The SDK's event task: waits to be woken, then hands every filled packet to the handler.
void netif_event_task(Model* m) {
    NetifGlobal& g = m->netif;
    while (!g.stop.load()) {
        if (!g.manual.load() && g.wake.exchange(false)) {
            netif_deliver();
            continue;
        }
        std::unique_lock<std::mutex> lock(g.mu);
        g.sleeping.store(true);
        g.cv.wait(lock, [&] { return g.stop.load() || (g.wake.load() && !g.manual.load()); });
        g.sleeping.store(false);
    }
}

void netif_manual_delivery(bool manual) {
    NetifGlobal& g = model().netif;
    {
        std::lock_guard<std::mutex> lock(g.mu);
        g.manual.store(manual);
        g.wake.store(true);
    }
    g.cv.notify_one();
}

NetifStats netif_stats(uint8_t dev) {
    return on_device(dev, NetifStats{}, [](Locked d) {
        const Netif& n = d->netif;
        NetifStats s;
        s.up = n.up();
        s.buffers = n.buf_count;
        s.free_buffers = static_cast<uint32_t>(n.free_bufs.size());
        s.ready = static_cast<uint32_t>(n.ready.size());
        s.held_by_cpu = static_cast<uint32_t>(
            std::count(n.state.begin(), n.state.end(), static_cast<uint8_t>(Netif::kCpu)));
        s.rx_packets = n.rx_packets;
        s.rx_bufs_freed = n.rx_bufs_freed;
        s.tx_packets = n.tx_packets;
        return s;
    });
}

bool netif_push_cpu_frame(uint8_t dev, uint8_t tc, uint32_t cpu_code, uint8_t src_port,
                          uint16_t vid, const uint8_t* bytes, uint32_t len) {
    return on_device(dev, false, [&](Locked d) {
        if (d->cpu.waiting() >= board_param_or("rx_desc_count", kCpuQueueFrames)) return false;
        CpuFrame f;
        f.src_dev = d->hw_dev_num;
        f.src_port = src_port;
        f.vid = vid;
        f.tc = tc;
        f.cpu_code = cpu_code;
        f.bytes.assign(bytes, bytes + len);
        d->cpu.queues[tc % kCpuQueues].push_back(std::move(f));
        netif_rx_dma(d);
        return true;
    });
}

}  // namespace chipsim
