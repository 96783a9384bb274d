// PHYSICAL_ADDR_ACCESS: the board's memory-mapped registers (CPLD), by physical address.
#pragma once

#include <cstdint>

// count elements of element_size bytes (1 on this board) from or to addr. FALSE for an
// address range that is not all registers.
bool PHYSICAL_ADDR_ACCESS_Read(uint32_t addr, uint32_t element_size, uint32_t count, uint8_t* data);
bool PHYSICAL_ADDR_ACCESS_Write(uint32_t addr, uint32_t element_size, uint32_t count,
                                const uint8_t* data);
