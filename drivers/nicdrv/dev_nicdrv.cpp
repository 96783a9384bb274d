// The driver's bookkeeping for the driver group (the longest handling time of each module)
// and its debug menus, "dev_nicdrv" and "devnicdrv_gateway".
#include "drivers/nicdrv/dev_nicdrv.h"

#include <atomic>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "platform/backdoor/backdoor_mgr.h"

using namespace nicdrv;

namespace {

// The table is written without a lock by the five group threads: a lost update of a
// maximum is tolerated, a torn word is not (hence relaxed atomics).
std::atomic<uint32_t> g_handling_time[DEV_NICDRV_MAX_MODULE_ID + 1];

void show_handling_times() {
    for (uint32_t id = 0; id <= DEV_NICDRV_MAX_MODULE_ID; ++id) {
        uint32_t t = g_handling_time[id].load(std::memory_order_relaxed);
        if (t)
            BACKDOOR_MGR_Printf("\r\n module_id %d, %ld", static_cast<int>(id),
                                static_cast<long>(t));
    }
    BACKDOOR_MGR_Print("\r\n");
}

void clear_handling_times() {
    for (auto& t : g_handling_time)
        t.store(0, std::memory_order_relaxed);
}

#define NIC_FIELD(name) \
    { #name, nicshm::k##name }
const struct {
    const char* name;
    uint32_t off;
} kSummary[] = {NIC_FIELD(TotalBufferAnnounced),     NIC_FIELD(RxPacketTotal),
                NIC_FIELD(RxEnqueueSuccess),         NIC_FIELD(RxDequeueSuccess),
                NIC_FIELD(RxISCReplyEnqueueSuccess), NIC_FIELD(RxISCReplyDequeueSuccess),
                NIC_FIELD(ExtractUnitPortError)},
  kMemory[] = {NIC_FIELD(MemAllocSuccess), NIC_FIELD(MemAllocFail), NIC_FIELD(MemAllocateDenied),
               NIC_FIELD(MemFreeSuccess), NIC_FIELD(MemFreeFail)};
#undef NIC_FIELD

void show_summary() {
    ControlBlock& c = cb();
    if (!c.shm.valid()) return BACKDOOR_MGR_Print("\r\n not initialised\r\n");
    for (const auto& f : kSummary)
        BACKDOOR_MGR_Printf("\r\n %-26s: %lu", f.name,
                            static_cast<unsigned long>(c.shm.get(f.off)));
    BACKDOOR_MGR_Printf("\r\n %-26s: %lu\r\n", "PacketsThisSecond",
                        static_cast<unsigned long>(c.per_second.load()));
}

void show_memory() {
    ControlBlock& c = cb();
    if (!c.shm.valid()) return;
    for (const auto& f : kMemory)
        BACKDOOR_MGR_Printf("\r\n %-18s: %lu", f.name,
                            static_cast<unsigned long>(c.shm.get(f.off)));
    BACKDOOR_MGR_Printf("\r\n control records free: %lu, free-info nodes free: %lu\r\n",
                        static_cast<unsigned long>(L_PT_GetFreeCount(&c.ctrl_pool)),
                        static_cast<unsigned long>(L_PT_GetFreeCount(&c.fi_pool)));
}

void show_queues() {
    ControlBlock& c = cb();
    if (!c.shm.valid()) return;
    BACKDOOR_MGR_Print("\nPri|size|Crnt|Peak| EnTotal| QeFull| EnFail| AgeOut|Announce|Suspend");
    for (uint32_t cos = 0; cos < nicshm::kClasses; ++cos) {
        auto f = [&](nicshm::CosField k) {
            return static_cast<unsigned long>(c.shm.get(nicshm::State::cos_field(cos, k)));
        };
        const bool reply = cos == nicshm::kReplyClass;
        const uint32_t q = reply ? 0 : c.shm.cos_queue(cos);
        BACKDOOR_MGR_Printf("\n%3lu|%4lu|%4lu|%4lu|%8lu|%7lu|%7lu|%7lu|",
                            static_cast<unsigned long>(cos),
                            reply ? 120ul : static_cast<unsigned long>(q == 8 ? 120 : 30),
                            f(nicshm::kCurrent), f(nicshm::kPeak), f(nicshm::kEnTotal),
                            f(nicshm::kQeFull), f(nicshm::kEnFail), f(nicshm::kAgeOut));
        if (reply)
            BACKDOOR_MGR_Print("       -|      -");
        else
            BACKDOOR_MGR_Printf("%4lu/%-3lu|%7d",
                                static_cast<unsigned long>(
                                    c.shm.get(nicshm::State::queue_word(nicshm::kAnnounced, q))),
                                static_cast<unsigned long>(
                                    c.shm.get(nicshm::State::queue_word(nicshm::kThreshold, q))),
                                c.shm.suspended(q) ? 1 : 0);
    }
    BACKDOOR_MGR_Print("\r\n");
}

void clear_counters() {
    ControlBlock& c = cb();
    if (!c.shm.valid()) return;
    SemLock lock(c.sem_id);
    for (const auto& f : kSummary)
        c.shm.set(f.off, 0);
    for (const auto& f : kMemory)
        c.shm.set(f.off, 0);
    for (uint32_t cos = 0; cos < nicshm::kClasses; ++cos)
        for (nicshm::CosField k :
             {nicshm::kEnTotal, nicshm::kQeFull, nicshm::kEnFail, nicshm::kAgeOut})
            c.shm.set(nicshm::State::cos_field(cos, k), 0);
}

void modify_threshold() {
    ControlBlock& c = cb();
    const uint32_t q = BACKDOOR_LIB_RequestUI32("queue (0-9): ", 0xFFFFFFFF);
    const uint32_t t = BACKDOOR_LIB_RequestUI32("threshold (1-300): ", 0);
    if (q >= nicshm::kQueues || t < 1 || t > 300 || !c.shm.valid())
        return BACKDOOR_MGR_Print("\r\n out of range\r\n");
    {
        SemLock lock(c.sem_id);
        c.shm.set(nicshm::State::queue_word(nicshm::kThreshold, q), t);
    }
    BACKDOOR_MGR_Printf("\n Modify queue %d threshold to %d\n", static_cast<int>(q),
                        static_cast<int>(t));
    if (uint32_t tid = c.task_id) SYSFUN_SendEvent(tid, nicshm::kEventResume);
}

void set_dequeue(bool on) {
    ControlBlock& c = cb();
    const uint32_t q = BACKDOOR_LIB_RequestUI32("queue (0-9): ", 0xFFFFFFFF);
    if (q >= nicshm::kQueues || !c.mq) return BACKDOOR_MGR_Print("\r\n out of range\r\n");
    SemLock lock(c.sem_id);
    if (on)
        L_MQ_EnableDeq(c.mq, 1u << q);
    else
        L_MQ_DisableDeq(c.mq, 1u << q);
}

void show_gateway() {
    GatewayCounters& g = cb().gw;
    BACKDOOR_MGR_Printf(
        "\r\n received packets     : %lu\r\n LAN packets          : %lu\r\n MoreOneDesc          :",
        static_cast<unsigned long>(g.rx_packets.load()),
        static_cast<unsigned long>(g.lan_packets.load() + g.lan_handed.load()));
    for (auto& m : g.more_one_desc)
        BACKDOOR_MGR_Printf(" %lu", static_cast<unsigned long>(m.load()));
    const struct {
        const char* name;
        Counter& v;
    } tx[] = {{"SendIUCPacket", g.send_iuc},
              {"SendPacketToPort", g.send_to_port},
              {"SendPacketByPort", g.send_by_port},
              {"SendPacketByPortList", g.send_by_port_list},
              {"SendPacketByVid", g.send_by_vid},
              {"SendLoopBackByPortList", g.send_loopback},
              {"SendPacketNoResourceDrop", g.send_no_resource_drop},
              {"SendPacketUnknownReasonDrop", g.send_unknown_reason_drop}};
    for (const auto& t : tx)
        BACKDOOR_MGR_Printf("\r\n %-28s: %lu", t.name, static_cast<unsigned long>(t.v.load()));
    ControlBlock& c = cb();
    BACKDOOR_MGR_Printf("\r\n transmit buffers free: %lu of %lu\r\n",
                        static_cast<unsigned long>(sdkPoolFreeBufNumGet(c.tx_pool)),
                        static_cast<unsigned long>(kTxBufs));
}

void show_settings() {
    ControlBlock& c = cb();
    BACKDOOR_MGR_Printf("a. dev_nicdrv_gateway_sdk_error_msg: %d\n", c.sdk_err_msg ? 1 : 0);
    BACKDOOR_MGR_Printf("b. receive watch: %lu (0 off, 3 LAN, 9 all)\n",
                        static_cast<unsigned long>(c.rx_watch.load()));
    BACKDOOR_MGR_Printf(
        "c. transmit watch: %lu (0 off, 1 remote port, 2 VLAN, 3 local port, 4 local ports, "
        "5 loop-back, 6 IUC, 9 all)\n",
        static_cast<unsigned long>(c.tx_watch.load()));
    BACKDOOR_MGR_Printf("d. performance test: %lu (1, 2: received packets go straight back)\n",
                        static_cast<unsigned long>(c.perf_test.load()));
}

void toggle_sdk_err() {
    cb().sdk_err_msg = !cb().sdk_err_msg;
    show_settings();
}
void set_rx_watch() {
    cb().rx_watch = BACKDOOR_LIB_RequestUI32("receive watch: ", 0);
}
void set_tx_watch() {
    cb().tx_watch = BACKDOOR_LIB_RequestUI32("transmit watch: ", 0);
}
void set_perf_test() {
    cb().perf_test = BACKDOOR_LIB_RequestUI32("performance test: ", 0);
}
void clear_gateway() {
    GatewayCounters& g = cb().gw;
    for (Counter* v : {&g.rx_packets, &g.lan_packets, &g.lan_handed, &g.send_iuc, &g.send_to_port,
                       &g.send_by_port, &g.send_by_port_list, &g.send_by_vid, &g.send_loopback,
                       &g.send_no_resource_drop, &g.send_unknown_reason_drop})
        *v = 0;
    for (auto& m : g.more_one_desc)
        m = 0;
}

}  // namespace

void DEV_NICDRV_BACKDOOR_Main() {
    backdoor::run_menu("dev_nicdrv",
                       {{"1", "Receive summary", show_summary},
                        {"2", "Memory counters", show_memory},
                        {"3", "Queues by class of service", show_queues},
                        {"4", "Clear the counters", clear_counters},
                        {"5", "Change a queue's announced threshold", modify_threshold},
                        {"6", "Disable a queue's dequeuing", [] { set_dequeue(false); }},
                        {"7", "Enable a queue's dequeuing", [] { set_dequeue(true); }},
                        {"8", "Show the longest handling time of each module", show_handling_times},
                        {"9", "Clear the handling times", clear_handling_times}});
}

void DEV_NICDRV_GATEWAY_BACKDOOR_Main() {
    backdoor::run_menu("devnicdrv_gateway", {{"1", "Received and sent packets", show_gateway},
                                             {"2", "Settings", show_settings},
                                             {"a", "Switch SDK error messages", toggle_sdk_err},
                                             {"b", "Receive watch", set_rx_watch},
                                             {"c", "Transmit watch", set_tx_watch},
                                             {"d", "Performance test", set_perf_test},
                                             {"e", "Clear the counters", clear_gateway}});
}

void DEV_NICDRV_OM_UpdateModuleHandlingTime(uint32_t module_id, uint32_t ticks) {
    if (module_id > DEV_NICDRV_MAX_MODULE_ID) return;
    auto& slot = g_handling_time[module_id];
    if (ticks > slot.load(std::memory_order_relaxed)) slot.store(ticks, std::memory_order_relaxed);
}

uint32_t DEV_NICDRV_OM_GetModuleHandlingTime(uint32_t module_id) {
    return module_id > DEV_NICDRV_MAX_MODULE_ID
               ? 0
               : g_handling_time[module_id].load(std::memory_order_relaxed);
}
