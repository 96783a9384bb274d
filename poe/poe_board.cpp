// The driver on this board: the controller table from the board description, register
// access over the platform's I2C service, and the power-good status for the switch driver.
#include <mutex>

#include "platform/board/board.h"
#include "platform/console/console.h"
#include "platform/stktplg/stktplg.h"
#include "poe/poe_internal.h"
#include "sdk/hwsvc/i2cdrv.h"
#include "sdk/poe_regs.h"

namespace {

uint8_t g_bus = 0;  // the two-wire bus of the controllers

bool i2c_read(uint8_t addr, uint16_t reg, uint8_t* data, uint32_t len) {
    return I2CDRV_TwsiDataReadWithBusIdx(g_bus, addr, 0, 1, reg, 1, len, data);
}

bool i2c_write(uint8_t addr, uint16_t reg, const uint8_t* data, uint32_t len) {
    return I2CDRV_TwsiDataWriteWithBusIdx(g_bus, addr, 0, 1, reg, 1, data, len);
}

}  // namespace

bool POE_DRV_InitFromBoard() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        const board::PoeControllers& poe = board::current().my().poe;
        POE_DRV_Device_T table[POE_DRV_MAX_DEVICES];
        uint32_t n = 0;
        for (uint8_t a : poe.addrs)
            if (n < POE_DRV_MAX_DEVICES) table[n++] = POE_DRV_Device_T{poe.ports_per_device, a};
        g_bus = poe.bus;
        ok = POE_DRV_Init(table, n, i2c_read, i2c_write);
    });
    return ok;
}

bool SWDRV_MONITOR_PDPortPowerStatus(uint32_t poe_port, bool* power_good) {
    uint32_t unit = 0, board_id = 0;
    if (!STKTPLG_OM_GetMyUnitID(&unit)) {
        CONSOLE_Printf("%s(%d): Failed to get my unit id.\r\n", __func__, __LINE__);
        return false;
    }
    if (!STKTPLG_OM_GetUnitBoardID(unit, &board_id)) {
        CONSOLE_Printf("%s(%d): Failed to get my board id.\r\n", __func__, __LINE__);
        return false;
    }
    // Where the port's power-good bit is: its controller and channel on this board.
    const board::Unit* u = board::current().unit(unit);
    const board::PoeControllers* poe = u ? &u->poe : nullptr;
    if (!power_good || !poe || poe->ports_per_device == 0 ||
        poe_port / poe->ports_per_device >= poe->addrs.size()) {
        CONSOLE_Printf("%s(%d): Failed to get Power Good Status Register info.\r\n", __func__,
                       __LINE__);
        return false;
    }
    const uint8_t addr = poe->addrs[poe_port / poe->ports_per_device];
    const uint32_t channel = poe_port % poe->ports_per_device;
    const uint16_t reg = static_cast<uint16_t>(POE_REG_POWER_GOOD + 2 * (channel / 16));
    uint8_t b[2];
    if (!I2CDRV_TwsiDataReadWithBusIdx(poe->bus, addr, 0, 1, reg, 1, 2, b)) {
        CONSOLE_Printf("%s(%d): I2C read error.\r\n", __func__, __LINE__);
        return false;
    }
    *power_good = ((b[0] << 8 | b[1]) >> (channel % 16)) & 1;
    return true;
}
