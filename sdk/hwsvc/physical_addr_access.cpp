#include "sdk/hwsvc/physical_addr_access.h"

#include "platform/components/calllog.h"
#include "sdk/chipsim/twsi/board_io.h"

bool PHYSICAL_ADDR_ACCESS_Read(uint32_t addr, uint32_t element_size, uint32_t count,
                               uint8_t* data) {
    calllog::recordf("PHYSICAL_ADDR_ACCESS", "PHYSICAL_ADDR_ACCESS_Read(0x%08x, %u, %u)", addr,
                     element_size, count);
    if (!data || element_size != 1) return false;
    for (uint32_t i = 0; i < count; ++i)
        if (!chipsim::board_reg_read(addr + i, &data[i])) return false;
    return true;
}

bool PHYSICAL_ADDR_ACCESS_Write(uint32_t addr, uint32_t element_size, uint32_t count,
                                const uint8_t* data) {
    calllog::recordf("PHYSICAL_ADDR_ACCESS", "PHYSICAL_ADDR_ACCESS_Write(0x%08x, %u, %u)", addr,
                     element_size, count);
    if (!data || element_size != 1) return false;
    uint8_t probe;
    for (uint32_t i = 0; i < count; ++i)  // all or nothing
        if (!chipsim::board_reg_read(addr + i, &probe)) return false;
    for (uint32_t i = 0; i < count; ++i)
        chipsim::board_reg_write(addr + i, data[i]);
    return true;
}
