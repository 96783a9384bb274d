// The switch chip driver's state for storm control and mirroring, members of its control
// block (dev_swdrv_om.h).
#pragma once

#include <cstdint>

constexpr uint32_t DEV_SWDRV_STORM_PORTS = 26;
constexpr uint32_t DEV_SWDRV_STORM_DEVICES = 16;
// Storm kinds, indexes of the stored thresholds.
constexpr uint32_t DEV_SWDRV_STORM_BC = 0;
constexpr uint32_t DEV_SWDRV_STORM_MC = 1;
constexpr uint32_t DEV_SWDRV_STORM_UNKUC = 2;
constexpr uint32_t DEV_SWDRV_STORM_KINDS = 3;

struct DEV_SWDRV_Storm_T {
    // Per (device, port): the kinds switched on, and the ingress rate limit (QoS driver).
    bool on[DEV_SWDRV_STORM_DEVICES][DEV_SWDRV_STORM_PORTS][DEV_SWDRV_STORM_KINDS] = {};
    bool ingress_rate_limit[DEV_SWDRV_STORM_DEVICES][DEV_SWDRV_STORM_PORTS] = {};
    uint32_t threshold[DEV_SWDRV_STORM_DEVICES][DEV_SWDRV_STORM_PORTS][DEV_SWDRV_STORM_KINDS] = {};
};

constexpr uint32_t DEV_SWDRV_ANALYZERS = 6;
constexpr uint32_t DEV_SWDRV_NO_ANALYZER = 6;  // the shared index of VLAN and MAC mirroring
constexpr uint32_t DEV_SWDRV_MIRROR_MODULES = 32;
constexpr uint32_t DEV_SWDRV_MIRROR_PORTS = 26;
constexpr uint32_t DEV_SWDRV_MIRROR_RX = 0;  // directions
constexpr uint32_t DEV_SWDRV_MIRROR_TX = 1;

struct DEV_SWDRV_Mirror_T {
    struct Analyzer {
        uint32_t module_id = 0;
        uint32_t port = 0;   // physical port
        uint32_t users = 0;  // 0: free
    } analyzer[DEV_SWDRV_ANALYZERS];
    // Per (source module id, source port), per direction: the analyzer entry it mirrors to.
    uint8_t source[DEV_SWDRV_MIRROR_MODULES][DEV_SWDRV_MIRROR_PORTS][2];
    // VLAN and MAC mirroring's destinations (port 0: none).
    uint32_t vlan_unit = 0, vlan_port = 0;
    bool vlan_active = false;
    uint32_t mac_unit = 0, mac_port = 0;

    DEV_SWDRV_Mirror_T() {
        for (auto& module : source)
            for (auto& port : module)
                port[0] = port[1] = DEV_SWDRV_NO_ANALYZER;
    }
};
