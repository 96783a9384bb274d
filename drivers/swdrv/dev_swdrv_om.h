// The switch chip driver's control block: the one place its state lives for the process's
// lifetime (mapping tables, stacking information, PHY identification, locks, port records,
// frame-size state, print flags).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrv/dev_swdrv_l2feat_om.h"
#include "sdk/sdk_os.h"
#include "sdk/sdk_vlan.h"

constexpr uint32_t DEV_SWDRV_MAPPING_ROWS = 2;
constexpr uint32_t DEV_SWDRV_PORTS_PER_UNIT = 16;
constexpr uint32_t DEV_SWDRV_MAP_ENTRY_SIZE = 5;
constexpr uint32_t DEV_SWDRV_MAX_DEVICES = 16;
constexpr uint32_t DEV_SWDRV_DEVICE_PORTS = 26;
constexpr uint8_t DEV_SWDRV_INVALID = 0xFF;
constexpr uint32_t DEV_SWDRV_MIN_VLAN = 1;
constexpr uint32_t DEV_SWDRV_MAX_VLAN = 4094;
constexpr uint32_t DEV_SWDRV_STP_GROUPS = 32;

// Bytes of a mapping-table entry.
constexpr int DEV_SWDRV_MAP_MODULE = 0;
constexpr int DEV_SWDRV_MAP_DEVICE = 1;
constexpr int DEV_SWDRV_MAP_PHY_PORT = 2;
constexpr int DEV_SWDRV_MAP_PHY_ID = 3;
constexpr int DEV_SWDRV_MAP_KIND = 4;

// Bytes of the stacking information (the topology record).
constexpr int DEV_SWDRV_STK_MY_UNIT = 0;
constexpr int DEV_SWDRV_STK_UNIT = 1;
constexpr int DEV_SWDRV_STK_MODULE0 = 2;
constexpr int DEV_SWDRV_STK_SECOND_ID = 3;
constexpr int DEV_SWDRV_STK_ENTRIES = 4;
constexpr int DEV_SWDRV_STK_CPU_DEVICE = 5;
constexpr int DEV_SWDRV_STK_MASTER = 6;
constexpr int DEV_SWDRV_STK_RING = 7;
constexpr int DEV_SWDRV_STK_MODULE1 = 9;

constexpr uint8_t DEV_SWDRV_TRUNK_ID_UNKNOWN = 0;
constexpr uint8_t DEV_SWDRV_TRUNK_ID_PLAIN = 1;
constexpr uint8_t DEV_SWDRV_TRUNK_ID_REMAP = 2;

struct DEV_SWDRV_OM_T {
    // ---- Mapping ----
    uint8_t port_map[DEV_SWDRV_MAPPING_ROWS][DEV_SWDRV_PORTS_PER_UNIT][DEV_SWDRV_MAP_ENTRY_SIZE];
    uint32_t my_unit_id = 1;
    uint32_t pvid[DEV_SWDRV_PORTS_PER_UNIT] = {};
    uint8_t stacking_info[13] = {};
    bool stacking_valid = false;
    uint32_t my_module_id = 0;
    uint32_t second_id = 0;
    uint32_t cascade_index = 0;
    uint8_t fabric_device = DEV_SWDRV_INVALID;
    uint8_t fabric_port[2] = {DEV_SWDRV_INVALID, DEV_SWDRV_INVALID};
    struct {
        uint8_t valid;
        uint32_t module_id;
    } device_table[DEV_SWDRV_MAX_DEVICES] = {};
    uint32_t board_id = 0xFFFFFFFF;
    int swchip_fd = -1;

    // ---- Print flags (switched by the debug menu) ----
    std::atomic<bool> print_mapping_err{true};
    std::atomic<bool> print_sdk_err{true};
    std::atomic<bool> print_detail{false};

    bool initialised = false;

    // ---- Two-wire bus and cable tests ----
    bool twsi_sem_ok = false;
    uint32_t twsi_sem_id = 0;
    uint32_t cable_sem_id = 0;

    // ---- Port configuration ----
    // PHY identifier per (device, port): register 3, 0x10 for the clause-45 PHY, 0 for none.
    uint16_t phy_id[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    // The recursive PHY lock; before it exists, locking only switches the PHY polling.
    SDK_OS_SEM phy_lock_sem = nullptr;
    std::atomic<uint32_t> phy_lock_owner{0};
    std::atomic<int> phy_lock_depth{0};
    uint32_t saved_auto_media[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    uint32_t autoneg_cfg[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    uint32_t pause_adv[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    uint32_t copper_an_bmp[DEV_SWDRV_MAX_DEVICES][2] = {};
    uint32_t fibre_an_bmp[DEV_SWDRV_MAX_DEVICES][2] = {};
    bool port_sem_ok = false;
    uint32_t port_sem_id = 0;
    // Frame-size state.
    uint8_t extra_tag_room = 0;
    uint8_t tunnel_room = 0;
    uint8_t jumbo = 0;

    // ---- VLANs and spanning tree ----
    // The record every VLAN entry is created with (prepared by DEV_SWDRV_ResetOnDemand).
    SDK_BRG_VLAN_INFO default_vlan_info = {};
    // Per (device, VLAN): the ports the VLAN managers made tagged members (words of 32
    // ports); row vid - 1 for VLANs 1..4094.
    uint32_t tagged[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_MAX_VLAN][2] = {};
    // Per (device, port): 802.1Q tunnel mode, DEV_SWDRV_TUNNEL_MODE_*.
    uint32_t tunnel_mode[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    // The VLANs whose frames are mirrored to the analyzer (bit v%32 of word v/32).
    uint32_t mirrored_vlans[4096 / 32] = {};
    uint32_t sta_mode = 1;  // 1 one spanning tree, 2 multiple instances
    // Per device, cleared when the spanning-tree mode changes: the group each VLAN was last
    // bound to by the driver; per group a bitmap of the device ports whose state in the
    // group the driver has not written since, and last the ports not written in any group
    // (all ones after the change).
    struct {
        uint8_t vlan_group[4096];
        uint32_t state_unknown[DEV_SWDRV_STP_GROUPS + 1];
    } stp_shadow[DEV_SWDRV_MAX_DEVICES] = {};

    // ---- Trunks ----
    // Per device: how its trunk ids are translated, DEV_SWDRV_TRUNK_ID_* (probed on first use).
    uint8_t trunk_id_mode[DEV_SWDRV_MAX_DEVICES] = {};

    // ---- Storm control and mirroring ----
    DEV_SWDRV_Storm_T storm;
    DEV_SWDRV_Mirror_T mirror;
    // ---- Port status ----
    // Per (device, port): the speed code the speed-dependent settings were last made for.
    uint32_t last_speed[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_DEVICE_PORTS] = {};
    // Per device: the fibre ports whose pause has been resolved since their link came up.
    uint32_t fc_resolved[DEV_SWDRV_MAX_DEVICES][2] = {};
    // The board's speed-change hook, and per device the speed tables (nullptr: none).
    DEV_SWDRV_SpeedChangeHook_T speed_hook = nullptr;
    const DEV_SWDRV_SpeedTable_T* speed_table[DEV_SWDRV_MAX_DEVICES] = {};

    // ---- Cable tests (port 1..16 of this unit at index port - 1), under cable_mu ----
    std::mutex cable_mu;
    DEV_SWDRV_CableDiagResult_T cable[DEV_SWDRV_PORTS_PER_UNIT] = {};

    // ---- Chip defaults ----
    uint32_t hash_lookup_depth = DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    // Per device: how many CPU codes use each rate limiter 1..31 (index limiter - 1).
    uint32_t limiter_users[DEV_SWDRV_MAX_DEVICES][DEV_SWDRV_CPU_CODE_LIMITERS] = {};

    DEV_SWDRV_OM_T();
};

DEV_SWDRV_OM_T& DEV_SWDRV_OM();
// Puts the control block back to its start state (tests): the next DEV_SWDRV_Init runs again.
void DEV_SWDRV_OM_Reset();
