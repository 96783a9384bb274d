// Chip bring-up at process start (DEV_SWDRV_ChipInit) and the driver's initialisation
// (DEV_SWDRV_Init).
#include <fcntl.h>

#include <cstring>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/sysfun.h"
#include "platform/uc_mgr/uc_mgr.h"

namespace {

constexpr uint32_t kBoardRevision = 2;
constexpr uint32_t kTwsiSemKey = 67;

// The board's own configuration functions, wrapped by the hooks below.
SDK_BOARD_GET_FUNCS g_board_funcs = nullptr;
SDK_STATUS (*g_board_after_init)(uint8_t) = nullptr;

// After the board's own after-initialisation function: the 10 Gb/s PHYs of ports 24 and 25
// sit on the chip's second management interface at addresses 0x19 and 0x1B.
SDK_STATUS after_init_hook(uint8_t rev) {
    if (g_board_after_init)
        if (SDK_STATUS rc = g_board_after_init(rev)) return rc;
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        for (uint8_t port : {24, 25}) {
            if (!d.has(port)) continue;
            SDK_STATUS rc = sdkPhyPortSmiInterfaceSet(d.dev, port, SDK_PHY_SMI_INTERFACE_1);
            if (rc == SDK_OK) rc = sdkPhyPortAddrSet(d.dev, port, port == 24 ? 0x19 : 0x1B);
            if (rc != SDK_OK) return rc;
        }
    }
    return SDK_OK;
}

SDK_STATUS board_funcs_hook(uint8_t rev, SDK_BOARD_CONFIG_FUNCS* funcs) {
    if (g_board_funcs)
        if (SDK_STATUS rc = g_board_funcs(rev, funcs)) return rc;
    g_board_after_init = funcs->boardAfterInitConfig;
    funcs->boardAfterInitConfig = after_init_hook;
    return SDK_OK;
}

void DEV_SWDRV_BOARD_ChipInit() {
    SDK_BOARD_INFO* info = nullptr;
    if (SDK_STATUS rc = sdkBoardInfoGet(SDK_BOARD_IDX_VIRTUAL, &info)) {
        SWDRV_SDK_ERR(rc);
    } else {
        g_board_funcs = info->boardCfgFuncs;
        info->boardCfgFuncs = board_funcs_hook;
    }
    SDK_STATUS rc = sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, kBoardRevision, 0);
    if (rc != SDK_OK) {
        CONSOLE_Printf("sdkSystemInit(%lu, 2, 0) returned 0x%X\n",
                       static_cast<unsigned long>(SDK_BOARD_IDX_VIRTUAL), rc);
        SWDRV_STEP_ERR("DEV_SWDRV_BOARD_ChipInit failed");
    }
}

// The fabric (stacking) ports, as the stack-topology service places them.
void load_fabric_ports() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    uint32_t dev[2], port[2];
    for (uint32_t i = 0; i < 2; ++i)
        if (!STKTPLG_OM_GetStackingPortPhyDevPortId(i + 1, &dev[i], &port[i])) return;
    if (dev[0] != dev[1] || dev[0] >= DEV_SWDRV_MAX_DEVICES) return;
    om.fabric_device = static_cast<uint8_t>(dev[0]);
    om.fabric_port[0] = static_cast<uint8_t>(port[0]);
    om.fabric_port[1] = static_cast<uint8_t>(port[1]);
}

// Every port's cable test: never tested.
void init_cable_test_table() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    std::lock_guard<std::mutex> lock(om.cable_mu);
    for (DEV_SWDRV_CableDiagResult_T& r : om.cable)
        r = DEV_SWDRV_CableDiagResult_T{};
}

}  // namespace

void DEV_SWDRV_ChipInit() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    UC_MGR_Sys_Info_T sys;
    if (!UC_MGR_GetSysInfo(&sys)) {
        CONSOLE_Printf("%s(): Get UC System Information Fail.\r\n", __func__);
        return;
    }
    om.board_id = sys.board_id();
    om.swchip_fd = ::open("/dev/swchip", O_RDONLY);
    if (om.swchip_fd < 0) CONSOLE_Puts("can't open /dev/swchip");
    if (SDK_STATUS rc = sdkOsLayerInit()) CONSOLE_Printf("sdkOsLayerInit() returned 0x%X\n", rc);
    if (SDK_STATUS rc = sdkBoardListPrint())
        CONSOLE_Printf("sdkBoardListPrint() returned 0x%X\n", rc);
    // The CPU packet driver brings the CPU network interface up itself.
    if (SDK_STATUS rc = sdkBoardSetupOptionSet(SDK_BOARD_OPT_PHASE2_NETIF_INIT, false))
        SWDRV_SDK_ERR(rc);
    static const struct {
        const char* name;
        uint32_t value;
    } params[] = {{"mac_learn_ctrl", 0},  {"cascade_trunk_link_hash", 1},
                  {"rx_desc_count", 512}, {"rx_buf_size", 1542},
                  {"rx_buf_align", 1},    {"tx_desc_count", 1786},
                  {"au_desc_count", 256}};
    for (const auto& p : params)
        if (SDK_STATUS rc = sdkBoardParamSet(p.name, p.value)) SWDRV_SDK_ERR(rc);
    DEV_SWDRV_BOARD_ChipInit();
    load_fabric_ports();
    L_IPCMEM_Preinitialize_InitMemoryPool(0);
}

void DEV_SWDRV_Init() {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (om.initialised) {
        CONSOLE_Printf("%s(%d) Had been initialized.\n", __func__, __LINE__);
        return;
    }
    om.initialised = true;
    DEV_SWDRV_ResetOnDemand();  // VLANs can be created before any reset request
    STKTPLG_BOARD_BoardInfo_T info;
    if (!STKTPLG_BOARD_GetBoardInformation(om.board_id, &info)) {
        CONSOLE_Printf("%s(%d)STKTPLG_BOARD_GetBoardInformation failed.(board_id=%lu)\n", __func__,
                       __LINE__, static_cast<unsigned long>(om.board_id));
        return;
    }
    std::memcpy(om.port_map[0], info.port_map, sizeof om.port_map[0]);
    std::memset(om.phy_id, 0, sizeof om.phy_id);
    if (SDK_STATUS rc = sdkOsSemBinCreate("phyLock", SDK_OS_SEMB_FULL, &om.phy_lock_sem)) {
        SWDRV_SDK_ERR(rc);
        om.phy_lock_sem = nullptr;
    }
    if (!swdrv::DEV_SWDRV_Phy_InitAllPorts()) return;  // start-up halts
    DEV_SWDRV_DisableAllPortAdmin();
    DEV_SWDRV_Reset();
    if (SDK_STATUS rc = sdkHwRegWrite(0, SDK_PORT_GROUPS_ALL, 0x48, 0x1F8887E3)) SWDRV_SDK_ERR(rc);
    uint32_t rc = SYSFUN_CreateSem(0, 1, 0, &om.port_sem_id);
    om.port_sem_ok = rc == SYSFUN_OK;
    if (!om.port_sem_ok)
        CONSOLE_Printf("%s(%d) failed to create semaphore! (ret=%lu)\n", __func__, __LINE__,
                       static_cast<unsigned long>(rc));
    rc = SYSFUN_GetSem(kTwsiSemKey, &om.twsi_sem_id);
    if (rc != SYSFUN_OK) {
        CONSOLE_Printf("%s:%d: SYSFUN_GetSem fails. (%lu)\n", __func__, __LINE__,
                       static_cast<unsigned long>(rc));
        return;
    }
    om.twsi_sem_ok = true;
    if (SYSFUN_CreateSem(0, 1, 0, &om.cable_sem_id) != SYSFUN_OK)
        SWDRV_STEP_ERR("SYSFUN_CreateSem failed");
    DEV_SWDRV_TwsiInit();
    init_cable_test_table();
}
