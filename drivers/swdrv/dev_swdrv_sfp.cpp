// The SFP transmitter of a port, reached the way the board's hardware configuration says:
// over this driver's two-wire bus (directly or behind a multiplexer), over an I2C bus of the
// platform, or through a memory-mapped board register.
#include <mutex>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/uc_mgr/uc_mgr.h"
#include "sdk/hwsvc/i2cdrv.h"
#include "sdk/hwsvc/physical_addr_access.h"
#include "sdk/hwsvc/sys_hwcfg.h"

namespace {

// The transmitter bits of several ports share a byte, and each access takes the bus for the
// read and again for the write: one port's change must not fall between another's read and
// write, or that one is lost.
std::mutex g_modify_mu;

// Read-modify-write of the byte holding the transmitter bit.
template <typename Read, typename Write>
bool modify_byte(Read read, Write write, uint8_t mask, uint8_t value) {
    std::lock_guard<std::mutex> lock(g_modify_mu);
    uint8_t b = 0;
    if (!read(&b)) return false;
    b = static_cast<uint8_t>((b & ~mask) | (mask & value));
    return write(&b);
}

}  // namespace

bool DEV_SWDRV_SetPortSfpTxEnable(uint32_t unit, uint32_t port, bool enable) {
    (void)unit;  // the board's hardware configuration is per board, by front port
    const char* func = __func__;
    UC_MGR_Sys_Info_T sys;
    if (!UC_MGR_GetSysInfo(&sys)) {
        CONSOLE_Printf("%s(): Get UC System Information Fail.\r\n", __func__);
        return false;
    }
    SYS_HWCFG_SfpTxDisableRegInfo_T r;
    if (!SYS_HWCFG_GetSFPTxDisableRegInfo(sys.board_id(), port, &r)) return true;
    uint8_t value = enable ? static_cast<uint8_t>(~r.disable_value) : r.disable_value;
    uint8_t wide = r.offset > 256;
    auto twsi_read = [&](uint8_t* b) {
        return DEV_SWDRV_TwsiDataRead(r.dev_addr, 0, 1, r.offset, wide, 1, b);
    };
    auto twsi_write = [&](uint8_t* b) {
        return DEV_SWDRV_TwsiDataWrite(r.dev_addr, 0, 1, r.offset, wide, b, 1);
    };
    switch (r.access_method) {
        case SYS_HWCFG_SFP_TX_ACCESS_TWSI:
        case SYS_HWCFG_SFP_TX_ACCESS_I2C_BUS: {
            if (r.data_len != 1) {
                CONSOLE_Printf("%s(%d):Only support data len=1 on i2c.(current val=%u)\r\n",
                               __func__, __LINE__, r.data_len);
                return false;
            }
            if (r.access_method == SYS_HWCFG_SFP_TX_ACCESS_TWSI)
                return modify_byte(twsi_read, twsi_write, r.bit_mask, value);
            return modify_byte(
                [&](uint8_t* b) {
                    return I2CDRV_TwsiDataReadWithBusIdx(r.bus_idx, r.dev_addr, 0, 1, r.offset,
                                                         wide, 1, b);
                },
                [&](uint8_t* b) {
                    return I2CDRV_TwsiDataWriteWithBusIdx(r.bus_idx, r.dev_addr, 0, 1, r.offset,
                                                          wide, b, 1);
                },
                r.bit_mask, value);
        }
        case SYS_HWCFG_SFP_TX_ACCESS_TWSI_MUX: {
            if (!I2CDRV_SetAndLockMuxWithFunPtr(r.mux_addr, r.mux_channel, DEV_SWDRV_TwsiDataWrite))
                return false;
            bool ok = modify_byte(twsi_read, twsi_write, r.bit_mask, value);
            I2CDRV_UnLockMuxWithFunPtr(r.mux_addr, DEV_SWDRV_TwsiDataWrite);
            return ok;
        }
        case SYS_HWCFG_SFP_TX_ACCESS_PHYS_ADDR:
            if (r.offset == 0) return true;
            return modify_byte(
                [&](uint8_t* b) {
                    bool ok = PHYSICAL_ADDR_ACCESS_Read(r.offset, 1, 1, b);
                    if (!ok)
                        swdrv::print_step_err(func, __LINE__, "PHYSICAL_ADDR_ACCESS_Read failed");
                    return ok;
                },
                [&](uint8_t* b) {
                    bool ok = PHYSICAL_ADDR_ACCESS_Write(r.offset, 1, 1, b);
                    if (!ok)
                        swdrv::print_step_err(func, __LINE__, "PHYSICAL_ADDR_ACCESS_Write failed");
                    return ok;
                },
                r.bit_mask, value);
        case SYS_HWCFG_SFP_TX_ACCESS_NONE:
            return true;
        default:
            CONSOLE_Printf("%s(%d)Unknown access method(val=%hu)\r\n", __func__, __LINE__,
                           static_cast<unsigned short>(r.access_method));
            return true;
    }
}
