// The two-wire bus: every transfer under the system-wide semaphore 67, which other
// processes share; data reads are retried.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"

namespace {

constexpr uint32_t kReadRetries = 10;

// Runs one SDK transfer under the bus semaphore; a semaphore failure is the transfer's.
template <typename Transfer>
SDK_STATUS under_bus_sem(Transfer transfer) {
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (!om.twsi_sem_ok || SYSFUN_TakeSem(om.twsi_sem_id, SYSFUN_TIMEOUT_WAIT_FOREVER) != SYSFUN_OK)
        return SDK_BAD_STATE;
    SDK_STATUS rc = transfer();
    SYSFUN_GiveSem(om.twsi_sem_id);
    return rc;
}

}  // namespace

bool DEV_SWDRV_TwsiInit() {
    SDK_STATUS rc = under_bus_sem([] { return sdkTwsiInit(); });
    if (rc != SDK_OK) SWDRV_SDK_ERR(rc);
    return rc == SDK_OK;
}

bool DEV_SWDRV_TwsiRegisterRead(uint8_t slave_addr, uint32_t reg_addr, uint32_t* value) {
    SDK_STATUS rc = under_bus_sem([&] { return sdkTwsiRegisterRead(slave_addr, reg_addr, value); });
    if (rc != SDK_OK) SWDRV_SDK_ERR(rc);
    return rc == SDK_OK;
}

bool DEV_SWDRV_TwsiRegisterWrite(uint8_t slave_addr, uint32_t reg_addr, uint32_t value) {
    SDK_STATUS rc =
        under_bus_sem([&] { return sdkTwsiRegisterWrite(slave_addr, reg_addr, value); });
    if (rc != SDK_OK) SWDRV_SDK_ERR(rc);
    return rc == SDK_OK;
}

bool DEV_SWDRV_TwsiDataRead(uint8_t slave_addr, uint8_t type, uint8_t valid_offset, uint32_t offset,
                            uint8_t more_than_256, uint32_t len, uint8_t* data) {
    if (len && !data) return false;
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t retry = 0;
    SDK_STATUS rc;
    for (;;) {
        rc = under_bus_sem([&] {
            return sdkTwsiDataRead(slave_addr, type, valid_offset, offset, more_than_256, len,
                                   data);
        });
        if (rc == SDK_OK || retry == kReadRetries) break;
        ++retry;
        if (om.print_detail)
            CONSOLE_Printf("%lu %u %u %u %lu\r\n", static_cast<unsigned long>(rc), slave_addr, type,
                           valid_offset, static_cast<unsigned long>(offset));
    }
    if (om.print_detail)
        CONSOLE_Printf(rc == SDK_OK ? "Return TRUE, retry_count = %lu\r\n"
                                    : "Return FALSE, retry_count = %lu\r\n",
                       static_cast<unsigned long>(retry));
    return rc == SDK_OK;
}

bool DEV_SWDRV_TwsiDataWrite(uint8_t slave_addr, uint8_t type, uint8_t valid_offset,
                             uint32_t offset, uint8_t more_than_256, const uint8_t* data,
                             uint32_t len) {
    SDK_STATUS rc = under_bus_sem([&] {
        return sdkTwsiDataWrite(slave_addr, type, valid_offset, offset, more_than_256, data, len);
    });
    if (rc != SDK_OK && DEV_SWDRV_OM().print_sdk_err)
        CONSOLE_Printf("%s(): Line = %d , error_id=%d, arg = %lu,%lu,%lu,%lu,%lu\r\n", __func__,
                       __LINE__, static_cast<int>(rc), static_cast<unsigned long>(slave_addr),
                       static_cast<unsigned long>(type), static_cast<unsigned long>(valid_offset),
                       static_cast<unsigned long>(offset), static_cast<unsigned long>(len));
    return rc == SDK_OK;
}
