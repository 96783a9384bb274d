#include "drivers/swdrv/dev_swdrv_om.h"

#include <unistd.h>

#include <cstring>
#include <new>

namespace {

DEV_SWDRV_OM_T g_om;

}  // namespace

DEV_SWDRV_OM_T::DEV_SWDRV_OM_T() {
    std::memset(port_map, DEV_SWDRV_INVALID, sizeof port_map);
}

DEV_SWDRV_OM_T& DEV_SWDRV_OM() {
    return g_om;
}

void DEV_SWDRV_OM_Reset() {
    if (g_om.phy_lock_sem) sdkOsSemDelete(g_om.phy_lock_sem);
    if (g_om.swchip_fd >= 0) ::close(g_om.swchip_fd);
    g_om.~DEV_SWDRV_OM_T();
    new (&g_om) DEV_SWDRV_OM_T();
}
