// The chip model's core: the model of the process, its devices with their ports, the locks
// and the lock token. Each chip feature keeps its state in its own folder and hangs it on
// Device here; the drivers see none of it (only the sdk* operations), tests see it through
// chipsim.h.
//
// Locks, in the order they are taken (never the other way round):
//   1. a device's lock (Device::mu): everything of that device, its ports, PHYs, tables and
//      frames. Never two devices' locks at once: the hop loop switches a frame in one device,
//      lets it go, then takes the next.
//   2. the model's global lock (Model::global_mu): the SDK's global state (board parameters,
//      options, board information).
//   3. the bus lock (Model::bus_mu): the two-wire buses and the board registers.
// A function that needs a device's lock takes a Locked: only DeviceLock makes one, so calling
// it without the lock does not compile.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/board/board.h"
#include "platform/components/faults.h"
#include "sdk/chipsim/cable/cable.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/chipsim/chipsim.h"
#include "sdk/chipsim/core/counters.h"
#include "sdk/chipsim/core/device_mutex.h"
#include "sdk/chipsim/core/flow_cache.h"
#include "sdk/chipsim/counters/mac_counters.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/chipsim/cpu/cpu_codes.h"
#include "sdk/chipsim/cscd/cscd.h"
#include "sdk/chipsim/fdb/fdb.h"
#include "sdk/chipsim/mirror/mirror.h"
#include "sdk/chipsim/misc/misc.h"
#include "sdk/chipsim/netif/netif.h"
#include "sdk/chipsim/phy/phy.h"
#include "sdk/chipsim/port/port.h"
#include "sdk/chipsim/ratelimit/ratelimit.h"
#include "sdk/chipsim/secur/secur.h"
#include "sdk/chipsim/storm/storm.h"
#include "sdk/chipsim/stp/stp.h"
#include "sdk/chipsim/traps/traps.h"
#include "sdk/chipsim/trunk/trunk.h"
#include "sdk/chipsim/twsi/twsi.h"
#include "sdk/chipsim/txq/txq.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_types.h"

namespace chipsim {

struct Port : PortState {
    bool exists = false;
    uint8_t num = 0;
    uint32_t type = 0;
    const board::Port* wiring = nullptr;  // the front port wired here, if any
};

// What the pipeline remembers between frames of a device, to spare work per frame.
struct HopCache {
    // Each port's link as last resolved, and the model's change count it was resolved at.
    struct Link {
        uint64_t changes = ~uint64_t{0};
        bool up = false;
    };
    std::array<Link, kPortSlots> link{};
    // Frames since the model's clock was last read (it is read every kClockEvery frames, and
    // at once after a change of the model).
    uint32_t since_clock = 0;
    uint64_t clock_changes = ~uint64_t{0};
    // The device's ends of the unit's internal links (from the board; found on first use).
    uint64_t cascade_ports = ~uint64_t{0};
};
constexpr uint64_t kUnknownPorts = ~uint64_t{0};
constexpr uint32_t kClockEvery = 16;

struct Device {
    mutable DeviceMutex mu;
    uint8_t num = 0;
    const board::Device* desc = nullptr;
    uint8_t hw_dev_num = 0;
    std::array<Port, SDK_MAX_PORTS> ports{};
    Port cpu_port;
    std::array<uint32_t, SDK_MAX_PORTS / 6 + 1> auto_media{};  // per group of 6 ports
    bool aa_ta_to_cpu = true;
    uint32_t token_bucket_mtu = 0;
    bool netif_up = false;
    std::map<uint32_t, uint32_t> regs;
    Cscd cscd;
    // PHYs on the management interfaces, by (interface << 8 | address).
    std::map<uint16_t, Phy> phys;
    // Bridge state: VLANs, spanning tree, control-packet traps, other port features.
    Vlans vlans;
    Stp stp;
    Traps traps;
    Misc misc;
    Trunks trunks;
    RateLimit ratelimit;  // the global configuration of the port rate limiters
    Storm storm;          // the port rate limiters
    Mirror mirror;
    std::array<ShaperBucket, kPortSlots> shapers{};  // the port shapers' buckets
    // The MAC address table; what the ports did with frames, the capture and the CPU queue.
    FdbTable fdb;
    Counters counters;
    MacCounters mac;
    Capture capture;
    CpuQueue cpu;
    CpuCodes cpu_codes;  // the CPU code table and its rate limiters
    Cables cables;       // the cables on the copper ports
    Secur secur;         // security events and sanity checks
    Txq txq;             // transmit queues, buffers and their profiles
    Netif netif;         // the receive DMA queues behind the CPU queue
    HopCache cache;
    FlowCache flows;  // the ingress stages' decisions, kept between frames

    Port* port(uint8_t p) {
        if (p == SDK_CPU_PORT) return &cpu_port;
        return p < SDK_MAX_PORTS && ports[p].exists ? &ports[p] : nullptr;
    }
    // The PHY wired to a port (nullptr for none).
    Phy* wired_phy(const Port& p);
    // The PHY at the port's configured management address (nullptr when none is there).
    Phy* addressed_phy(const Port& p);
};

// Holds a device's lock for its lifetime, and hands out the proof of it. Work a holder leaves
// for after the lock (waking a thread, which may take a system call that would keep the lock
// meanwhile) is run when the lock is let go: see after_unlock.
class DeviceLock {
  public:
    explicit DeviceLock(Device& d) : d_(d) { d.mu.lock(); }
    ~DeviceLock() {
        d_.mu.unlock();
        if (void (*fn)() = t_after_unlock) {
            t_after_unlock = nullptr;
            fn();
        }
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    Locked locked() const { return Locked(d_); }

    // Runs fn once the device lock this thread holds is let go (one function at a time).
    static void after_unlock(void (*fn)()) { t_after_unlock = fn; }

  private:
    static inline thread_local void (*t_after_unlock)() = nullptr;
    Device& d_;
};

struct Model {
    board::Description board;
    const board::Unit* unit = nullptr;
    std::atomic<bool> initialised{false};
    std::vector<std::unique_ptr<Device>> devices;
    // Counts the operations that may have changed the model (every sdk* operation and every
    // change of the simulated world), so that derived state can be cached between them.
    std::atomic<uint64_t> changes{0};

    // Global SDK state (guarded by global_mu).
    std::mutex global_mu;
    bool os_up = false;
    std::map<std::string, uint32_t> params;
    // "rx_desc_count" as set, read without the lock: it bounds the CPU queue, which every
    // frame to the CPU looks at.
    std::atomic<uint32_t> cpu_queue_frames{kCpuQueueFrames};
    bool opt_phase2_netif = true;
    SDK_BOARD_INFO board_info{};

    // The two-wire buses and the board registers (guarded by bus_mu).
    std::mutex bus_mu;
    std::vector<TwsiDev> twsi;
    std::map<uint32_t, uint8_t> board_regs;
    bool twsi_up = false;

    // The SDK's event task and the transmit pools (last: its task ends before the devices go).
    NetifGlobal netif;
};

// The model of the process (built on first use from the current board). Read without a lock on
// every frame and every sdk* call; build_model makes it the first time.
extern std::atomic<Model*> g_model_now;
Model& build_model();
inline Model& model() {
    if (Model* m = g_model_now.load(std::memory_order_acquire)) return *m;
    return build_model();
}
// The device, or nullptr when the SDK does not hold it.
Device* device(uint8_t dev);
// The armed fault's code for sdk* operation op, or SDK_OK (platform/components/faults.h).
inline SDK_STATUS fault(const char* op) {
    return static_cast<SDK_STATUS>(faults::answer(op, SDK_OK));
}
// Counts a change of the model (an operation that may have changed what frames meet), so
// that state derived from it and cached is looked at again. Counted after the change: a frame
// that read the count before it was counted may have cached what it met before the change,
// and the next frame must not take that.
inline void changed() {
    model().changes.fetch_add(1, std::memory_order_relaxed);
}

// Runs fn(device) under its lock whether or not the SDK holds the device yet (inspection and
// control from outside the SDK); dflt for a device the model does not have. Reads only: use
// change_device to change it.
template <typename T, typename Fn>
T on_device(uint8_t dev, T dflt, Fn fn) {
    Model& m = model();
    if (dev >= m.devices.size()) return dflt;
    DeviceLock lock(*m.devices[dev]);
    return fn(lock.locked());
}
// on_device for a change of the simulated world (counted as a change of the model).
template <typename T, typename Fn>
T change_device(uint8_t dev, T dflt, Fn fn) {
    T r = on_device(dev, dflt, fn);
    changed();
    return r;
}

// Runs fn(device) under the device's lock after the fault check; SDK_NOT_PRESENT for an
// unknown device. For sdk* operations that change the device; read_device for those that
// only read it.
template <typename Fn>
SDK_STATUS read_device(const char* op, uint8_t dev, Fn fn) {
    if (SDK_STATUS rc = fault(op)) return rc;
    Device* d = device(dev);
    if (!d) return SDK_NOT_PRESENT;
    DeviceLock lock(*d);
    return fn(lock.locked());
}
template <typename Fn>
SDK_STATUS with_device(const char* op, uint8_t dev, Fn fn) {
    SDK_STATUS rc = read_device(op, dev, fn);
    changed();
    return rc;
}

// Runs fn(device, port) under the device's lock; SDK_BAD_PARAM for a port that does not
// exist.
template <typename Fn>
SDK_STATUS read_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    return read_device(op, dev, [&](Locked d) -> SDK_STATUS {
        Port* p = d->port(port);
        if (!p) return SDK_BAD_PARAM;
        return fn(d, *p);
    });
}
template <typename Fn>
SDK_STATUS with_port(const char* op, uint8_t dev, uint8_t port, Fn fn) {
    SDK_STATUS rc = read_port(op, dev, port, fn);
    changed();
    return rc;
}

// Registers every feature's simulation-control commands (idempotent).
void register_simctl();

}  // namespace chipsim
