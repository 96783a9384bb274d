// The receive half of DEV_NICDRV_GATEWAY: the free-info pool, packets from the SDK's event
// task, and giving a packet's buffers back to the chip.
#include <cstring>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/lmm/l_ipcmem.h"
#include "sdk/sdk_netif.h"

namespace nicdrv {
namespace {

DEV_NICDRV_RecvCallback_T g_rx_callback = nullptr;

class GatewayLock {
  public:
    GatewayLock() {
        if (SYSFUN_TakeSem(cb().gw_sem, SYSFUN_TIMEOUT_WAIT_FOREVER) != SYSFUN_OK)
            CONSOLE_Printf("%s(%d)Failed to take semaphore.\n", "DEV_NICDRV_GATEWAY", __LINE__);
    }
    ~GatewayLock() {
        if (SYSFUN_GiveSem(cb().gw_sem) != SYSFUN_OK)
            CONSOLE_Printf("%s(%d)Failed to give semaphore.\n", "DEV_NICDRV_GATEWAY", __LINE__);
    }
};

void give_back(uint8_t device, uint8_t queue, uint8_t* bufs[], uint32_t n) {
    if (SDK_STATUS rc = sdkNetIfRxBufFree(device, queue, bufs, n); rc && cb().sdk_err_msg)
        CONSOLE_Printf("%s line%d rc =%d:sdkNetIfRxBufFree fail. dev_id=%d, q_id=%d, buf=0x%x\n",
                       "DEV_NICDRV_GATEWAY_RecvPacket", __LINE__, static_cast<int>(rc), device,
                       queue, L_IPCMEM_GetOffset(bufs[0]));
}

// A packet's chain of free-info nodes, read: the buffers to give back (at most kMaxRxBufs)
// and the chain's length.
struct Chain {
    uint8_t device = 0, queue = 0;
    uint32_t first_buffer = 0;
    uint8_t* list[kMaxRxBufs];
    uint32_t n = 0, len = 0;
};

bool read_chain(uint32_t free_info, Chain& ch) {
    FreeInfoNode* head = node_at(free_info);
    if (!head) {
        CONSOLE_Printf("%s(%d) L_PT_Free fail free_info=0x%08lx\n", "DEV_NICDRV_GATEWAY_FreePacket",
                       __LINE__, static_cast<unsigned long>(free_info));
        return false;
    }
    ch.device = head->device;
    ch.queue = head->queue;
    ch.first_buffer = head->buffer;
    for (uint32_t off = free_info; off && ch.len <= kFreeInfoNodes;) {
        FreeInfoNode* k = node_at(off);
        if (!k) break;
        if (ch.n < kMaxRxBufs) ch.list[ch.n++] = static_cast<uint8_t*>(L_IPCMEM_GetPtr(k->buffer));
        ++ch.len;
        off = k->next;
    }
    return true;
}

// Every node of a chain that lies in the pool's area back to the pool. Caller holds the
// gateway lock.
void return_nodes_locked(uint32_t free_info) {
    for (uint32_t off = free_info, k = 0; off && k < kFreeInfoNodes; ++k) {
        FreeInfoNode* node = node_at(off);
        if (!node) break;  // outside the pool's area: left alone
        off = node->next;
        if (!L_PT_Free(&cb().fi_pool, node)) {
            CONSOLE_Printf("%s(%d) L_PT_Free fail free_info=0x%08lx\n",
                           "DEV_NICDRV_GATEWAY_FreePacket", __LINE__,
                           static_cast<unsigned long>(free_info));
            break;
        }
    }
}

thread_local DeferredNodes* t_deferred = nullptr;

void watch_rx(uint8_t device, uint32_t num, uint8_t* bufs[], uint32_t lens[],
              const SDK_NET_RX_PARAMS* p) {
    CONSOLE_Printf("%s[%d] packetBuffs[0]=0x%lx\n", "DEV_NICDRV_GATEWAY_RecvPacket", __LINE__,
                   static_cast<unsigned long>(L_IPCMEM_GetOffset(bufs[0])));
    CONSOLE_Printf(
        "[device_id]%hu[tagType]%d[vid]%d[isTagged]%d[devNum]%d[portNum]%d[cpuCode]%d"
        "[wasTruncated]%d[timestamp]%lu[length]%lu   [pkt]",
        static_cast<unsigned short>(device), static_cast<int>(p->tagType), static_cast<int>(p->vid),
        p->isTagged ? 1 : 0, p->srcDev, p->srcPort, static_cast<int>(p->cpuCode),
        p->wasTruncated ? 1 : 0, static_cast<unsigned long>(p->timestamp),
        static_cast<unsigned long>(lens[0]));
    for (uint32_t i = 0; i < lens[0]; ++i)
        CONSOLE_Printf("%02x", bufs[0][i]);
    CONSOLE_Printf("\n");
    (void)num;
}

}  // namespace

FreeInfoNode* node_at(uint32_t offset) {
    // By the pool offset of the node area, without a look-up of the pool per node.
    ControlBlock& c = cb();
    if (!c.fi_area || offset < c.fi_offset) return nullptr;
    const uint32_t rel = offset - c.fi_offset;
    if (rel >= kFreeInfoNodes * sizeof(FreeInfoNode) || rel % sizeof(FreeInfoNode)) return nullptr;
    return reinterpret_cast<FreeInfoNode*>(c.fi_area + rel);
}

bool gateway_init() {
    ControlBlock& c = cb();
    // The nodes lie in the shared IPC pool: a free info is a pool offset every process reads.
    c.fi_area =
        static_cast<uint8_t*>(L_IPCMEM_AllocateDmaArea(kFreeInfoNodes * sizeof(FreeInfoNode)));
    c.fi_offset = L_IPCMEM_GetOffset(c.fi_area);
    c.fi_pool = L_PT_Descriptor_T{c.fi_area, kFreeInfoNodes * sizeof(FreeInfoNode),
                                  sizeof(FreeInfoNode), nullptr};
    if (!c.fi_area || !L_PT_Create(&c.fi_pool)) {
        CONSOLE_Printf("%s(%d)L_PT_Create fail!!!\n", "DEV_NICDRV_GATEWAY_Init", __LINE__);
        return false;
    }
    if (SDK_STATUS rc = sdkPoolCreateDmaPool(kTxBufSize, 3, kTxBufs, true, &c.tx_pool)) {
        CONSOLE_Printf("%s[line%d]sdkPoolCreateDmaPool failed(status=%d)!\n",
                       "DEV_NICDRV_GATEWAY_Init", __LINE__, static_cast<int>(rc));
        return false;
    }
    if (uint32_t rc = SYSFUN_CreateSem(0, 1, 0, &c.gw_sem); rc != SYSFUN_OK) {
        CONSOLE_Printf("%s(%d) failed to create semaphore!(rc=%lu)\n", "DEV_NICDRV_GATEWAY_Init",
                       __LINE__, static_cast<unsigned long>(rc));
        return false;
    }
    BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("devnicdrv_gateway", 24,
                                                      DEV_NICDRV_GATEWAY_BACKDOOR_Main);
    return sdkEventRxPacketHandlerRegister(DEV_NICDRV_GATEWAY_RecvPacket) == SDK_OK;
}

}  // namespace nicdrv

using namespace nicdrv;

bool DEV_NICDRV_GATEWAY_Init(DEV_NICDRV_RecvCallback_T callback) {
    g_rx_callback = callback;
    cb().gateway_ok = gateway_init();
    return cb().gateway_ok;
}

SDK_STATUS DEV_NICDRV_GATEWAY_RecvPacket(uint8_t device, uint8_t queue, uint32_t num_bufs,
                                         uint8_t* bufs[], uint32_t lens[],
                                         const SDK_NET_RX_PARAMS* params) {
    ControlBlock& c = cb();
    if (num_bufs == 0 || !bufs || !lens || !params) return SDK_OK;
    if (num_bufs > kMaxRxBufs) {
        sdkNetIfRxBufFree(device, queue, bufs, num_bufs);
        ++c.gw.more_one_desc[queue % SDK_NETIF_RX_QUEUES];
        return SDK_OK;
    }
    ++c.gw.rx_packets;
    if (c.perf_test == 1 || c.perf_test == 2) {
        give_back(device, queue, bufs, num_bufs);
        return SDK_OK;
    }
    uint32_t first = 0;
    {
        GatewayLock lock;
        FreeInfoNode* prev = nullptr;
        for (uint32_t i = 0; i < num_bufs; ++i) {
            auto* n = static_cast<FreeInfoNode*>(L_PT_Allocate(&c.fi_pool));
            if (!n) {
                for (uint32_t off = first; off;) {
                    FreeInfoNode* k = node_at(off);
                    off = k->next;
                    L_PT_Free(&c.fi_pool, k);
                }
                CONSOLE_Printf("%s(%d) free_info out of memory.\n", "DEV_NICDRV_GATEWAY_RecvPacket",
                               __LINE__);
                first = 0;
                break;
            }
            n->device = device;
            n->queue = queue;
            n->buffer = L_IPCMEM_GetOffset(bufs[i]);
            n->next = 0;
            const uint32_t off = L_IPCMEM_GetOffset(n);
            if (prev)
                prev->next = off;
            else
                first = off;
            prev = n;
        }
    }
    if (!first) {
        give_back(device, queue, bufs, num_bufs);
        return SDK_OK;
    }
    uint32_t desc[DEV_NICDRV_DESCRIPTOR_WORDS] = {};
    desc[0] = kMagicDescriptor;
    desc[1] = params->srcDev;
    desc[2] = params->srcDev;
    desc[3] = params->srcPort;
    desc[4] = params->cpuCode;
    desc[5] = queue;
    desc[6] = lens[0];
    desc[7] = L_IPCMEM_GetOffset(bufs[0]);
    desc[8] = first;
    desc[9] = params->vid;
    desc[10] = (params->isTagged ? 1u : 0u) << 16 | (num_bufs > 1 ? 1u : 0u) << 8 | 1u;
    ++c.gw.lan_packets;
    if (c.rx_watch == 3 || c.rx_watch == 9) watch_rx(device, num_bufs, bufs, lens, params);
    if (g_rx_callback)
        g_rx_callback(params->srcDev, params->srcPort, desc, params->cpuCode, bufs[0], lens[0]);
    else
        DEV_NICDRV_GATEWAY_FreePacket(first);
    return SDK_OK;
}

void nicdrv::defer_nodes(DeferredNodes* d) {
    t_deferred = d;
}

void nicdrv::settle_nodes(DeferredNodes& d) {
    if (d.n == 0) return;
    GatewayLock lock;
    for (uint32_t i = 0; i < d.n; ++i)
        return_nodes_locked(d.chain[i]);
    d.n = 0;
}

bool DEV_NICDRV_GATEWAY_FreePacket(uint32_t free_info) {
    if (free_info == 0) return true;
    ControlBlock& c = cb();
    Chain ch;
    if (DeferredNodes* d = t_deferred) {
        // The receive task frees packets it took off the queue under semaphore 17, whose
        // nodes were written before they were queued and stay as they are until returned.
        if (!read_chain(free_info, ch)) return false;
        if (d->n == DeferredNodes::kMax) settle_nodes(*d);
        d->chain[d->n++] = free_info;
    } else {
        // The packet layer that frees a packet may be another process: its nodes are read
        // under the lock the receive side wrote them under, and go back in the same hold. The
        // buffers are given back to the chip after it, so that the receive side does not wait
        // for the chip meanwhile.
        GatewayLock lock;
        if (!read_chain(free_info, ch)) return false;
        return_nodes_locked(free_info);
    }
    if (ch.len > kMaxRxBufs)
        CONSOLE_Printf("%s(%d) rxBuffList full. buffListLen=%lu(MAX=%d)free_info=0x%08lx\n",
                       "DEV_NICDRV_GATEWAY_FreePacket", __LINE__,
                       static_cast<unsigned long>(ch.len), static_cast<int>(kMaxRxBufs),
                       static_cast<unsigned long>(free_info));
    if (SDK_STATUS rc = sdkNetIfRxBufFree(ch.device, ch.queue, ch.list, ch.n)) {
        if (c.sdk_err_msg)
            CONSOLE_Printf(
                "%s line%d rc =%d:sdkNetIfRxBufFree fail. dev_id=%d, q_id=%d, buf=0x%x\n",
                "DEV_NICDRV_GATEWAY_FreePacket", __LINE__, static_cast<int>(rc), ch.device,
                ch.queue, static_cast<unsigned>(ch.first_buffer));
        return false;
    }
    return true;
}
