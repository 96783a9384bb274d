#include "sdk/hwsvc/sysdrv_sfp.h"

#include "platform/board/board.h"
#include "platform/components/calllog.h"
#include "sdk/chipsim/twsi/board_io.h"
#include "sdk/chipsim/xcvr/cages.h"

namespace {

// The EEPROM bus of this unit's cage; false for a cage the board does not have.
bool cage_bus(uint32_t sfp_index, uint8_t* bus) {
    for (const board::Port& p : board::current().my().ports)
        if (p.sfp && p.cage && p.sfp_index == sfp_index) {
            *bus = p.eeprom_bus;
            return true;
        }
    return false;
}

uint32_t access(const char* name, uint8_t addr, bool write, uint32_t sfp_index, uint32_t offset,
                uint32_t len, uint8_t* buf) {
    calllog::recordf("SYSDRV", "%s(%u, %u, %u)", name, sfp_index, offset, len);
    uint8_t bus;
    if (!buf || len == 0 || offset > 255 || len > 256 - offset || !cage_bus(sfp_index, &bus))
        return 0;
    // The module shows the page its select byte asks for before and after every transfer.
    chipsim::xcvr::settle(bus);
    SDK_STATUS rc = write ? chipsim::bus_write(bus, addr, true, offset, false, buf, len)
                          : chipsim::bus_read(bus, addr, true, offset, false, len, buf);
    chipsim::xcvr::settle(bus);
    return rc == SDK_OK ? 1 : 0;
}

}  // namespace

uint32_t SYSDRV_GetSfpInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, uint8_t* buf) {
    return access("SYSDRV_GetSfpInfo", chipsim::xcvr::kAddrA0, false, sfp_index, offset, len, buf);
}

uint32_t SYSDRV_GetSfpDdmInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, uint8_t* buf) {
    return access("SYSDRV_GetSfpDdmInfo", chipsim::xcvr::kAddrA2, false, sfp_index, offset, len,
                  buf);
}

uint32_t SYSDRV_SetSfpInfo(uint32_t sfp_index, uint32_t offset, uint32_t len, const uint8_t* buf) {
    return access("SYSDRV_SetSfpInfo", chipsim::xcvr::kAddrA0, true, sfp_index, offset, len,
                  const_cast<uint8_t*>(buf));
}
