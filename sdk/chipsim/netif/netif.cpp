// The receive DMA: frames of the CPU queue into the receive buffers, and the event task that
// hands them to the registered handler.
#include "sdk/chipsim/netif/netif.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/lmm/l_ipcmem.h"
#include "platform/sysfun/spin.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/pipeline.h"

namespace chipsim {
namespace {

constexpr uint32_t kIdleSpins = 256;  // pause instructions, a few microseconds

// Signals a sleeping event task, or starts it: done after the device lock is let go, as
// either may take a system call.
void signal_event_task() {
    NetifGlobal& g = model().netif;
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

// Wakes the event task; a task that is busy finds the work when it looks again, so only a
// sleeping one is signalled, and the frame path takes no lock for it otherwise.
void wake_event_task() {
    NetifGlobal& g = model().netif;
#if defined(__SANITIZE_THREAD__)
    g.wake.store(true);  // ThreadSanitizer does not know fences
#else
    // A task that has not yet cleared `wake` finds the frame when it does; the fence orders
    // the frame before that look either way, as the store would.
    if (g.wake.load(std::memory_order_relaxed))
        std::atomic_thread_fence(std::memory_order_seq_cst);
    else
        g.wake.store(true);
#endif
    if (!g.started.load() || g.sleeping.load()) DeviceLock::after_unlock(signal_event_task);
}

// Fills receive buffers with a frame (`bytes`, described by `f`) and puts its descriptor in
// the ready ring; false when there are not enough free buffers or the ring is full.
bool dma_frame(Netif& n, const CpuFrame& f, const uint8_t* bytes, uint32_t len) {
    // The buffers hold the frame and its 4-byte CRC.
    const uint32_t total = len + 4;
    const uint32_t need = (total + n.buf_size - 1) / n.buf_size;
    if (n.free_bufs.size() < need) n.take_returned();
    if (n.free_bufs.size() < need || n.ready.full()) return false;
    RxReady& r = n.ready.fill();
    r.queue = static_cast<uint8_t>(f.tc % SDK_NETIF_RX_QUEUES);
    r.params = SDK_NET_RX_PARAMS{};
    r.params.tagType = f.tagged ? SDK_NET_TAG_TYPE_TAG0 : SDK_NET_TAG_TYPE_UNTAGGED;
    r.params.vid = f.vid;
    r.params.isTagged = f.tagged;
    r.params.srcDev = f.src_dev;
    r.params.srcPort = f.src_port;
    r.params.cpuCode = f.cpu_code;
    r.params.timestamp = static_cast<uint32_t>(clock_ms());
    r.total = total;
    uint32_t done = 0;
    for (uint32_t i = 0; i < need; ++i) {
        uint32_t b = n.free_bufs.back();
        n.free_bufs.pop_back();
        n.state[b].store(Netif::kReady, std::memory_order_relaxed);
        uint8_t* at = n.area + size_t{b} * n.buf_size;
        uint32_t chunk = std::min(n.buf_size, total - done);
        uint32_t data = done < len ? std::min(chunk, len - done) : 0;
        if (data) std::memcpy(at, bytes + done, data);
        if (chunk > data) std::memset(at + data, 0, chunk - data);  // the CRC
        done += chunk;
        r.add(b);
    }
    n.ready.push();
    return true;
}

// Moves the next waiting frame (the oldest of the highest queue that holds one) into receive
// buffers; false when there is none or not enough free buffers for it (it then waits for
// buffers given back).
bool dma_one(Locked d) {
    std::deque<CpuFrame>* next = nullptr;
    for (uint32_t tc = kCpuQueues; tc-- > 0 && !next;)
        if (!d->cpu.queues[tc].empty()) next = &d->cpu.queues[tc];
    if (!next) return false;
    const CpuFrame& f = next->front();
    if (!dma_frame(d->netif, f, f.bytes.data(), static_cast<uint32_t>(f.bytes.size())))
        return false;
    next->pop_front();
    return true;
}

}  // namespace

Netif::~Netif() {
    if (area) L_IPCMEM_FreeDmaArea(area);
}

void Netif::take_returned() {
    std::lock_guard<DeviceMutex> lock(returned_mu);
    rx_bufs_freed += returned.size();
    free_bufs.insert(free_bufs.end(), returned.begin(), returned.end());
    returned.clear();
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
    Netif& n = d->netif;
    if (!n.up()) return;
    bool moved = wake;
    while (dma_one(d))
        moved = true;
    if (d->cpu.waiting() > 0) {
        // Out of buffers. A buffer given back from now on brings the DMA back; one given
        // back before this is seen by the look that follows.
        n.starved.store(true);
        while (dma_one(d))
            moved = true;
        if (d->cpu.waiting() == 0) n.starved.store(false);
    } else if (n.starved.load(std::memory_order_relaxed)) {
        n.starved.store(false);
    }
    if (moved) wake_event_task();
}

namespace {

// Packets taken from a device in one hold of its lock, with their buffers' addresses and
// lengths side by side (packet i's start at `at[i]`). Kept between takes, so that taking
// allocates nothing once it has grown.
struct Taken {
    std::vector<RxReady> pkts;
    std::vector<uint32_t> at;
    std::vector<uint8_t*> ptrs;
    std::vector<uint32_t> lens;
};

// Packets taken off a device's ring at a time.
constexpr uint32_t kTakeBatch = 16;

// Takes up to `max` of the oldest filled packets of a device, without its lock (see RxRing).
uint32_t take_ready(Device& dev, uint32_t max, Taken* t) {
    t->pkts.clear();
    t->at.clear();
    t->ptrs.clear();
    t->lens.clear();
    Netif& n = dev.netif;
    std::lock_guard<DeviceMutex> lock(n.take_mu);
    while (t->pkts.size() < max) {
        RxReady* front = n.ready.front();
        if (!front) break;
        RxReady& r = *front;
        t->at.push_back(static_cast<uint32_t>(t->ptrs.size()));
        for (uint32_t i = 0; i < r.count; ++i) {
            const uint32_t b = r.buf(i);
            n.state[b].store(Netif::kCpu, std::memory_order_relaxed);
            t->ptrs.push_back(n.area + size_t{b} * n.buf_size);
            t->lens.push_back(std::min(n.buf_size, r.total - i * n.buf_size));
        }
        t->pkts.push_back(std::move(r));
        n.ready.pop();
        n.rx_packets.fetch_add(1, std::memory_order_relaxed);
    }
    return static_cast<uint32_t>(t->pkts.size());
}

// Hands up to `max` waiting packets to the handler, taking them with `t`.
uint32_t deliver(uint32_t max, Taken& t) {
    Model& m = model();
    SDK_NET_RX_PACKET_HANDLER handler;
    {
        std::lock_guard<std::mutex> lock(m.netif.mu);
        handler = m.netif.handler;
    }
    if (!handler) return 0;
    uint32_t handed = 0;
    bool any = true;
    while (any && handed < max) {
        any = false;
        for (auto& dev : m.devices) {
            if (handed == max) break;
            const uint32_t got = take_ready(*dev, std::min(max - handed, kTakeBatch), &t);
            any = any || got > 0;
            // The handler runs without any lock of the model: it may give buffers back.
            for (uint32_t k = 0; k < got; ++k) {
                const RxReady& r = t.pkts[k];
                handler(dev->num, r.queue, r.count, t.ptrs.data() + t.at[k],
                        t.lens.data() + t.at[k], &r.params);
            }
            handed += got;
        }
    }
    return handed;
}

}  // namespace

uint32_t netif_deliver(uint32_t max) {
    Taken t;
    return deliver(max, t);
}

// The SDK's event task: waits to be woken, then hands every filled packet to the handler.
// Out of work, it watches for more for a few microseconds before it sleeps: while frames
// come in a burst the DMA fills the next ones sooner than a sleep and a wake-up take.
void netif_event_task(Model* m) {
    NetifGlobal& g = m->netif;
    const bool watch = sysfun::several_cpus();
    Taken t;
    while (!g.stop.load()) {
        if (!g.manual.load() && g.wake.exchange(false)) {
            deliver(~0u, t);
            for (uint32_t i = 0; watch && i < kIdleSpins && !g.wake.load(); ++i)
                sysfun::cpu_pause();
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
        uint32_t returned = 0;
        {
            std::lock_guard<DeviceMutex> lock(n.returned_mu);
            returned = static_cast<uint32_t>(n.returned.size());
        }
        s.free_buffers = static_cast<uint32_t>(n.free_bufs.size()) + returned;
        s.ready = static_cast<uint32_t>(n.ready.size());
        for (uint32_t b = 0; b < n.buf_count; ++b)
            s.held_by_cpu += n.state[b].load() == Netif::kCpu;
        s.rx_packets = n.rx_packets;
        s.rx_bufs_freed = n.rx_bufs_freed + returned;
        s.tx_packets = n.tx_packets;
        return s;
    });
}

bool netif_push_cpu_frame(uint8_t dev, uint8_t tc, uint32_t cpu_code, uint8_t src_port,
                          uint16_t vid, const uint8_t* bytes, uint32_t len) {
    // The frame's description is made before the device's lock is taken, to keep the hold
    // short; its bytes are copied only when it has to wait in the queue.
    const uint32_t limit = model().cpu_queue_frames.load(std::memory_order_relaxed);
    CpuFrame f;
    f.src_port = src_port;
    f.vid = vid;
    f.tc = tc;
    f.cpu_code = cpu_code;
    return on_device(dev, false, [&](Locked d) {
        const size_t waiting = d->cpu.waiting();
        if (waiting >= limit) return false;
        f.src_dev = d->hw_dev_num;
        // With no frame waiting before it, the frame goes straight into receive buffers
        // when there are some, as it would through the queue, without a copy of its own.
        if (waiting == 0 && d->netif.up() && dma_frame(d->netif, f, bytes, len)) {
            wake_event_task();
            return true;
        }
        f.bytes.assign(bytes, bytes + len);
        d->cpu.queues[tc % kCpuQueues].push_back(std::move(f));
        netif_rx_dma(d);
        return true;
    });
}

}  // namespace chipsim
