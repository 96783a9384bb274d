#include "sdk/hwsvc/i2cdrv.h"

#include <condition_variable>
#include <mutex>

#include "platform/components/calllog.h"
#include "sdk/chipsim/twsi/board_io.h"

namespace {

std::mutex g_mu;
std::condition_variable g_cv;
bool g_held = false;

}  // namespace

bool I2CDRV_SetAndLockMuxWithFunPtr(uint32_t mux_addr, uint32_t channel,
                                    I2CDRV_TwsiWriteFunc_T write_fn) {
    calllog::recordf("I2CDRV", "I2CDRV_SetAndLockMuxWithFunPtr(0x%02x, %u)", mux_addr, channel);
    if (!write_fn || mux_addr > 0x7F || channel > 7) return false;
    {
        std::unique_lock<std::mutex> lock(g_mu);
        g_cv.wait(lock, [] { return !g_held; });
        g_held = true;
    }
    uint8_t select = static_cast<uint8_t>(1u << channel);
    if (write_fn(static_cast<uint8_t>(mux_addr), 0, 0, 0, 0, &select, 1)) return true;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_held = false;
    }
    g_cv.notify_one();
    return false;
}

bool I2CDRV_UnLockMuxWithFunPtr(uint32_t mux_addr, I2CDRV_TwsiWriteFunc_T write_fn) {
    calllog::recordf("I2CDRV", "I2CDRV_UnLockMuxWithFunPtr(0x%02x)", mux_addr);
    {
        std::lock_guard<std::mutex> lock(g_mu);
        if (!g_held) return false;
    }
    uint8_t none = 0;
    bool ok = write_fn && mux_addr <= 0x7F &&
              write_fn(static_cast<uint8_t>(mux_addr), 0, 0, 0, 0, &none, 1);
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_held = false;
    }
    g_cv.notify_one();
    return ok;
}

bool I2CDRV_TwsiDataReadWithBusIdx(uint32_t bus_idx, uint8_t slave_addr, uint8_t type,
                                   uint8_t valid_offset, uint32_t offset, uint8_t more_than_256,
                                   uint32_t len, uint8_t* data) {
    calllog::recordf("I2CDRV", "I2CDRV_TwsiDataReadWithBusIdx(%u, 0x%02x, %u, %u, %u, %u, %u)",
                     bus_idx, slave_addr, type, valid_offset, offset, more_than_256, len);
    if (bus_idx > 0xFF || type != 0) return false;
    return chipsim::bus_read(static_cast<uint8_t>(bus_idx), slave_addr, valid_offset, offset,
                             more_than_256, len, data) == SDK_OK;
}

bool I2CDRV_TwsiDataWriteWithBusIdx(uint32_t bus_idx, uint8_t slave_addr, uint8_t type,
                                    uint8_t valid_offset, uint32_t offset, uint8_t more_than_256,
                                    const uint8_t* data, uint32_t len) {
    calllog::recordf("I2CDRV", "I2CDRV_TwsiDataWriteWithBusIdx(%u, 0x%02x, %u, %u, %u, %u, %u)",
                     bus_idx, slave_addr, type, valid_offset, offset, more_than_256, len);
    if (bus_idx > 0xFF || type != 0) return false;
    return chipsim::bus_write(static_cast<uint8_t>(bus_idx), slave_addr, valid_offset, offset,
                              more_than_256, data, len) == SDK_OK;
}
