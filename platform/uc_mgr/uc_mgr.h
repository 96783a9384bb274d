// UC_MGR: board and system information kept across restarts, and the memory that survives
// a reload. The system information record is laid out byte for byte, big-endian.
#pragma once

#include <cstdint>

constexpr uint32_t UC_MGR_SYS_INFO_SIZE = 256;
// Offsets in the system information record.
constexpr uint32_t UC_MGR_SYS_INFO_OFF_BOARD_ID = 0;            // 32-bit
constexpr uint32_t UC_MGR_SYS_INFO_OFF_START_ADDR = 4;          // 32-bit
constexpr uint32_t UC_MGR_SYS_INFO_OFF_MAC = 8;                 // 6 bytes
constexpr uint32_t UC_MGR_SYS_INFO_OFF_SERIAL = 16;             // 32 characters, NUL-padded
constexpr uint32_t UC_MGR_SYS_INFO_OFF_BOOT_REASON_ADDR = 201;  // 32-bit, unaligned

struct UC_MGR_Sys_Info_T {
    uint8_t bytes[UC_MGR_SYS_INFO_SIZE];
    uint32_t board_id() const;
    uint32_t start_addr() const;
    uint32_t boot_reason_addr() const;
};

bool UC_MGR_InitiateProcessResources();
// 1 (TRUE) when the record was filled.
uint32_t UC_MGR_GetSysInfo(UC_MGR_Sys_Info_T* info);
// Memory block `id` of the reload-surviving area; the same id gives the same block.
// nullptr when the area is exhausted.
void* UC_MGR_Allocate(uint32_t id, uint32_t size, uint32_t alignment);
