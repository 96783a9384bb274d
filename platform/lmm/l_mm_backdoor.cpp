// The memory library's debug menu, served by the driver process's main thread.
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_ipcmem_internal.h"
#include "platform/lmm/l_mm.h"
#include "platform/sysfun/ipc_msg.h"

namespace {

const char* kind_name(uint8_t kind) {
    switch (kind) {
        case L_MM_KIND_TX_BUFFER:
            return "tx";
        case L_MM_KIND_CONSTRUCTED:
            return "rx";
        default:
            return "?";
    }
}

void print_area(const char* name, const L_IPCMEM_AreaUsage_T& a) {
    BACKDOOR_MGR_Printf(" %-13s|%7lu |%6lu |%6lu |%6lu |%6lu |%6lu\r\n", name,
                        static_cast<unsigned long>(a.block_size),
                        static_cast<unsigned long>(a.total), static_cast<unsigned long>(a.used),
                        static_cast<unsigned long>(a.total - a.used),
                        static_cast<unsigned long>(a.peak), static_cast<unsigned long>(a.failures));
}

void show_usage() {
    L_IPCMEM_Usage_T u;
    if (!L_IPCMEM_GetUsage(&u)) {
        BACKDOOR_MGR_Print("No shared memory pool in this instance.\r\n");
        return;
    }
    BACKDOOR_MGR_Print(" Area         |  Block | Total |  Used |  Free |  Peak |  Full\r\n");
    char name[24];
    for (const L_IPCMEM_AreaUsage_T& b : u.buffers) {
        std::snprintf(name, sizeof(name), "buffer %lu", static_cast<unsigned long>(b.block_size));
        print_area(name, b);
    }
    print_area("mref", u.mrefs);
    print_area("DMA block", u.dma);
}

void show_by_user() {
    std::map<uint32_t, uint32_t> count;
    lmm_pool::for_each_mref([&](uint32_t, void* rec) {
        const L_MM_Mref_T* m = static_cast<const L_MM_Mref_T*>(rec);
        if (m->magic == L_MM_MREF_MAGIC) ++count[L_MM_USER_ID(m->user_id_high, m->user_id_low)];
    });
    if (count.empty()) {
        BACKDOOR_MGR_Print("No mref in use.\r\n");
        return;
    }
    BACKDOOR_MGR_Print(" User id    | Field 16 | Field 18 | Mrefs\r\n");
    for (const auto& [uid, n] : count)
        BACKDOOR_MGR_Printf(" 0x%08lx | %8u | %8u | %5lu\r\n", static_cast<unsigned long>(uid),
                            uid >> 16, uid & 0xFFFF, static_cast<unsigned long>(n));
}

void show_list() {
    uint32_t shown = 0;
    lmm_pool::for_each_mref([&](uint32_t, void* rec) {
        const L_MM_Mref_T* m = static_cast<const L_MM_Mref_T*>(rec);
        if (m->magic != L_MM_MREF_MAGIC) return;
        if (shown++ == 0)
            BACKDOOR_MGR_Print(
                " Offset   | Kind | User      | Refs | Pdu len | Pid     | Made by\r\n");
        BACKDOOR_MGR_Printf(
            " 0x%06lx | %-4s | %4u/%-4u | %4lu | %7lu | %7lu | %s(%lu)\r\n",
            static_cast<unsigned long>(L_IPCMEM_GetOffset(m)), kind_name(m->kind),
            static_cast<unsigned>(static_cast<uint16_t>(m->user_id_high)),
            static_cast<unsigned>(static_cast<uint16_t>(m->user_id_low)),
            static_cast<unsigned long>(m->ref_count.load()), static_cast<unsigned long>(m->pdu_len),
            static_cast<unsigned long>(m->owner_pid), m->caller[0] ? m->caller : "?",
            static_cast<unsigned long>(m->caller_line));
    });
    if (shown == 0) BACKDOOR_MGR_Print("No mref in use.\r\n");
}

void dump_mref() {
    uint32_t off = BACKDOOR_LIB_RequestUI32("Mref offset", 0);
    L_MM_Mref_T* m = L_MM_Mref_FromOffset(off);
    if (!m) {
        BACKDOOR_MGR_Printf("No mref at offset 0x%lx.\r\n", static_cast<unsigned long>(off));
        return;
    }
    BACKDOOR_MGR_Printf(
        "kind %s, refs %lu, user %u/%u, cos %u\r\n"
        "buffer offset 0x%lx, size %lu, pdu offset %lu, pdu len %lu\r\n"
        "pool id %lu, type %u, free handle 0x%08lx\r\n"
        "made by pid %lu in %s(%lu)\r\n",
        kind_name(m->kind), static_cast<unsigned long>(m->ref_count.load()),
        static_cast<unsigned>(static_cast<uint16_t>(m->user_id_high)),
        static_cast<unsigned>(static_cast<uint16_t>(m->user_id_low)), m->cos,
        static_cast<unsigned long>(m->buffer_offset), static_cast<unsigned long>(m->buffer_size),
        static_cast<unsigned long>(m->pdu_offset), static_cast<unsigned long>(m->pdu_len),
        static_cast<unsigned long>(m->pool_id), m->free_func_id,
        static_cast<unsigned long>(m->free_handle), static_cast<unsigned long>(m->owner_pid),
        m->caller[0] ? m->caller : "?", static_cast<unsigned long>(m->caller_line));
    BACKDOOR_MGR_DumpHex("mref", sizeof(L_MM_Mref_T), m);
    uint32_t len = 0;
    void* pdu = L_MM_Mref_GetPdu(m, &len);
    if (pdu) BACKDOOR_MGR_DumpHex("pdu (first 64 bytes)", len < 64 ? len : 64, pdu);
}

void toggle_debug() {
    L_MM_SetDebugFlag(!L_MM_GetDebugFlag());
    BACKDOOR_MGR_Printf("L_MM debug messages are %s.\r\n", L_MM_GetDebugFlag() ? "on" : "off");
}

constexpr const char* kMenuName = "l_mm";

void menu() {
    backdoor::run_menu("L_MM", {
                                   {"1", "Pool usage", show_usage},
                                   {"2", "Mrefs in use by user id", show_by_user},
                                   {"3", "List mrefs in use", show_list},
                                   {"4", "Dump an mref by offset", dump_mref},
                                   {"5", "Switch debug messages on/off", toggle_debug},
                               });
}

}  // namespace

bool L_MM_BACKDOOR_BackDoorMenu4Process(void* msgbuf) {
    if (!msgbuf) {
        CONSOLE_Printf("%s(): no message.\r\n", __FUNCTION__);
        return false;
    }
    uint16_t size = ipcmsg::msg_size(msgbuf);
    uint8_t* payload = ipcmsg::payload(msgbuf);
    if (size < BACKDOOR_MGR_REQ_SIZE) {
        CONSOLE_Printf("%s(): menu request too short (msg_size %u, need %lu).\r\n", __FUNCTION__,
                       size, static_cast<unsigned long>(BACKDOOR_MGR_REQ_SIZE));
        return false;
    }
    uint32_t op = be::get32(payload + BACKDOOR_MGR_REQ_OFF_OP);
    if (op != BACKDOOR_MGR_OP_OPEN_MENU) {
        CONSOLE_Printf("%s(): unknown menu operation %lu.\r\n", __FUNCTION__,
                       static_cast<unsigned long>(op));
        return false;
    }
    // The main queue serves the memory library's menu and no other.
    char name[BACKDOOR_MGR_NAME_LEN + 1] = {};
    std::memcpy(name, payload + BACKDOOR_MGR_REQ_OFF_NAME, BACKDOOR_MGR_NAME_LEN);
    if (std::strcmp(name, kMenuName) != 0) {
        CONSOLE_Printf("%s(): menu \"%s\" is not served here, only \"%s\".\r\n", __FUNCTION__, name,
                       kMenuName);
        return false;
    }
    if (!backdoor::run_session(payload, menu)) {
        CONSOLE_Printf("%s(): the menu session could not be opened.\r\n", __FUNCTION__);
        return false;
    }
    ipcmsg::set_msg_size(msgbuf, 4);
    std::memset(payload, 0, 4);
    payload[0] = TRUE;
    return true;
}
