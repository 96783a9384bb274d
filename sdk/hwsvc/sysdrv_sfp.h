// SYSDRV's transceiver EEPROM access: the system driver reads and writes the module in a cage
// of this unit over the cage's two-wire bus. Each takes the cage index, a byte offset, a length
// and a buffer, and answers non-zero on success; a transfer that would pass byte 255, a cage
// the board does not have or a module that does not answer gives 0.
#pragma once

#include <cstdint>

// The module's identification address (A0h), or the only address of an XFP or QSFP.
uint32_t SYSDRV_GetSfpInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, uint8_t* buf);
// An SFP's diagnostics address (A2h).
uint32_t SYSDRV_GetSfpDdmInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, uint8_t* buf);
// Writes at the identification address (QSFP page select).
uint32_t SYSDRV_SetSfpInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, const uint8_t* buf);
