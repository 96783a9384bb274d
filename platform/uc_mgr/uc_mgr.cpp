#include "platform/uc_mgr/uc_mgr.h"

#include <cstring>
#include <map>
#include <mutex>

#include "platform/board/board.h"
#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/components/faults.h"

namespace {

constexpr size_t kAreaSize = 64 * 1024;
alignas(64) uint8_t g_area[kAreaSize];
size_t g_used = 0;
std::map<uint32_t, void*> g_blocks;
std::mutex g_mu;

}  // namespace

uint32_t UC_MGR_Sys_Info_T::board_id() const {
    return be::get32(bytes + UC_MGR_SYS_INFO_OFF_BOARD_ID);
}
uint32_t UC_MGR_Sys_Info_T::start_addr() const {
    return be::get32(bytes + UC_MGR_SYS_INFO_OFF_START_ADDR);
}
uint32_t UC_MGR_Sys_Info_T::boot_reason_addr() const {
    return be::get32(bytes + UC_MGR_SYS_INFO_OFF_BOOT_REASON_ADDR);
}

bool UC_MGR_InitiateProcessResources() {
    calllog::record("UC_MGR", "UC_MGR_InitiateProcessResources()");
    return faults::answer("UC_MGR_InitiateProcessResources", 1) != 0;
}

uint32_t UC_MGR_GetSysInfo(UC_MGR_Sys_Info_T* info) {
    if (!info) return 0;
    if (!faults::answer("UC_MGR_GetSysInfo", 1)) return 0;
    const board::Description& b = board::current();
    std::memset(info->bytes, 0, sizeof info->bytes);
    be::put32(info->bytes + UC_MGR_SYS_INFO_OFF_BOARD_ID, b.my().board_id);
    be::put32(info->bytes + UC_MGR_SYS_INFO_OFF_START_ADDR, b.start_address);
    std::memcpy(info->bytes + UC_MGR_SYS_INFO_OFF_MAC, b.mac_address.data(), 6);
    std::strncpy(reinterpret_cast<char*>(info->bytes + UC_MGR_SYS_INFO_OFF_SERIAL),
                 b.serial_number.c_str(), 31);
    be::put32(info->bytes + UC_MGR_SYS_INFO_OFF_BOOT_REASON_ADDR, b.boot_reason_address);
    return 1;
}

void* UC_MGR_Allocate(uint32_t id, uint32_t size, uint32_t alignment) {
    calllog::recordf("UC_MGR", "UC_MGR_Allocate(%u, %u, %u)", id, size, alignment);
    if (!faults::answer("UC_MGR_Allocate", 1)) return nullptr;
    std::lock_guard<std::mutex> lock(g_mu);
    if (auto it = g_blocks.find(id); it != g_blocks.end()) return it->second;
    if (alignment == 0 || (alignment & (alignment - 1))) alignment = 4;
    size_t start = (g_used + alignment - 1) & ~size_t{alignment - 1};
    if (start + size > kAreaSize) return nullptr;
    g_used = start + size;
    void* p = g_area + start;
    g_blocks[id] = p;
    return p;
}
