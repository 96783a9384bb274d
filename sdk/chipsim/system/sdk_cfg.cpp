// System initialisation, board list and parameters, device information, registers.
#include <cstring>

#include "platform/console/console.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/tap/tap.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_phy.h"

using chipsim::Device;
using chipsim::fault;
using chipsim::Model;
using chipsim::model;
using chipsim::with_device;

SDK_STATUS sdkBoardListPrint() {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    Model& m = model();
    CONSOLE_Printf("Supported boards:\n  %2u - %s (revisions 1-%u)\n", SDK_BOARD_IDX_VIRTUAL,
                   m.board_info.boardName, m.board_info.numOfRevs);
    return SDK_OK;
}

SDK_STATUS sdkBoardInfoGet(uint32_t boardIdx, SDK_BOARD_INFO** info) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!info) return SDK_BAD_PTR;
    if (boardIdx != SDK_BOARD_IDX_VIRTUAL) return SDK_NOT_FOUND;
    *info = &model().board_info;
    return SDK_OK;
}

SDK_STATUS sdkBoardParamSet(const char* name, uint32_t value) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!name || !*name) return SDK_BAD_PTR;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    m.params[name] = value;
    if (std::strcmp(name, "rx_desc_count") == 0) m.cpu_queue_frames.store(value);
    return SDK_OK;
}

SDK_STATUS sdkBoardParamGet(const char* name, uint32_t* value) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!name || !value) return SDK_BAD_PTR;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    auto it = m.params.find(name);
    if (it == m.params.end()) return SDK_NOT_FOUND;
    *value = it->second;
    return SDK_OK;
}

SDK_STATUS sdkBoardSetupOptionSet(uint32_t option, bool enable) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (option != SDK_BOARD_OPT_PHASE2_NETIF_INIT) return SDK_BAD_PARAM;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    m.opt_phase2_netif = enable;
    return SDK_OK;
}

SDK_STATUS sdkBoardSetupOptionGet(uint32_t option, bool* enable) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!enable) return SDK_BAD_PTR;
    if (option != SDK_BOARD_OPT_PHASE2_NETIF_INIT) return SDK_BAD_PARAM;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    *enable = m.opt_phase2_netif;
    return SDK_OK;
}

// Phase 1 places the clause-22 PHYs the board configuration knows on their management
// addresses; the clause-45 PHYs are left to the board's after-initialisation function.
// Phase 2 brings the CPU network interface up when the board-setup option says so.
SDK_STATUS sdkSystemInit(uint32_t boardIdx, uint32_t boardRevId, uint32_t flags) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    Model& m = model();
    SDK_BOARD_CONFIG_FUNCS funcs{};
    bool netif;
    {
        std::lock_guard<std::mutex> lock(m.global_mu);
        if (!m.os_up || m.initialised) return SDK_BAD_STATE;
        if (boardIdx != SDK_BOARD_IDX_VIRTUAL) return SDK_NOT_FOUND;
        if (boardRevId < 1 || boardRevId > m.board_info.numOfRevs || flags != 0)
            return SDK_BAD_PARAM;
        if (!m.board_info.boardCfgFuncs) return SDK_BAD_STATE;
        netif = m.opt_phase2_netif;
    }
    if (SDK_STATUS rc = m.board_info.boardCfgFuncs(static_cast<uint8_t>(boardRevId), &funcs))
        return rc;
    for (auto& d : m.devices) {
        std::lock_guard<chipsim::DeviceMutex> lock(d->mu);
        for (chipsim::Port& p : d->ports) {
            if (!p.exists || !p.wiring || !p.wiring->phy.cls || p.wiring->phy.cls == 0x10) continue;
            p.smi_interface = p.wiring->phy.smi_interface;
            p.phy_addr = p.wiring->phy.address;
        }
        d->netif_up = netif;
    }
    {
        std::lock_guard<std::mutex> lock(m.global_mu);
        m.initialised = true;
    }
    chipsim::register_simctl();
    chipsim::attach_board_ports();
    if (funcs.boardAfterInitConfig)
        return funcs.boardAfterInitConfig(static_cast<uint8_t>(boardRevId));
    return SDK_OK;
}

SDK_STATUS sdkCfgDevCountGet(uint8_t* firstDevNum, uint8_t* numOfDevs) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!firstDevNum || !numOfDevs) return SDK_BAD_PTR;
    Model& m = model();
    if (!m.initialised) return SDK_BAD_STATE;
    *firstDevNum = 0;
    *numOfDevs = static_cast<uint8_t>(m.devices.size());
    return SDK_OK;
}

SDK_STATUS sdkCfgDevInfoGet(uint8_t devNum, SDK_DEV_INFO* info) {
    if (!info) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        std::memset(info, 0, sizeof *info);
        info->familyCode = d.desc->family;
        info->revision = d.desc->revision;
        info->numOfPorts = SDK_MAX_PORTS;
        info->existingPorts.ports[0] = d.desc->existing_ports;
        info->serdesPowerCtrl = d.desc->serdes;
        info->phyPolling = d.desc->phy_polling;
        info->coreClock = d.desc->core_clock;
        return SDK_OK;
    });
}

// Renumbering a device while address messages are on leaves the messages the chip had in
// flight carrying the old number: one new-address message per port that is receiving new
// addresses with new-address messages on, and then, when aged/transplanted messages are on,
// one transplanted message for the addresses moving meanwhile.
SDK_STATUS sdkCfgHwDevNumSet(uint8_t devNum, uint8_t hwDevNum) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (hwDevNum > 31) return SDK_OUT_OF_RANGE;
        if (hwDevNum == d.hw_dev_num) return SDK_OK;
        bool learning = false;
        for (const chipsim::Port& p : d.ports) {
            if (!p.exists || !p.address_traffic || !p.na_to_cpu) continue;
            learning = true;
            d.fdb.au_queue.push_back({chipsim::kAuNewAddress, d.hw_dev_num, p.num});
        }
        if (learning && d.aa_ta_to_cpu)
            d.fdb.au_queue.push_back({chipsim::kAuAgedTransplanted, d.hw_dev_num, 0});
        d.hw_dev_num = hwDevNum;
        return SDK_OK;
    });
}

SDK_STATUS sdkCfgHwDevNumGet(uint8_t devNum, uint8_t* hwDevNum) {
    if (!hwDevNum) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        *hwDevNum = d.hw_dev_num;
        return SDK_OK;
    });
}

SDK_STATUS sdkCfgTableNumEntriesGet(uint8_t devNum, uint32_t table, uint32_t* numEntries) {
    if (!numEntries) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        switch (table) {
            case SDK_CFG_TABLE_VLAN:
                *numEntries = 4096;
                break;
            case SDK_CFG_TABLE_FDB:
                *numEntries = d.fdb.size();
                break;
            case SDK_CFG_TABLE_STG:
                *numEntries = 32;
                break;
            case SDK_CFG_TABLE_QOS_PROFILE:
                *numEntries = 128;
                break;
            case SDK_CFG_TABLE_VIDX:
                *numEntries = 4096;
                break;
            case SDK_CFG_TABLE_TRUNK:
                *numEntries = 127;
                break;
            case SDK_CFG_TABLE_DEVICE_MAP:
                *numEntries = static_cast<uint32_t>(d.cscd.dev_map.size());
                break;
            default:
                return SDK_BAD_PARAM;
        }
        return SDK_OK;
    });
}

SDK_STATUS sdkHwRegRead(uint8_t devNum, uint32_t, uint32_t regAddr, uint32_t* value) {
    if (!value) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        if (regAddr & 3) return SDK_BAD_PARAM;
        auto it = d.regs.find(regAddr);
        *value = it == d.regs.end() ? 0 : it->second;
        return SDK_OK;
    });
}

SDK_STATUS sdkHwRegWrite(uint8_t devNum, uint32_t, uint32_t regAddr, uint32_t value) {
    return with_device(__func__, devNum, [&](Device& d) {
        if (regAddr & 3) return SDK_BAD_PARAM;
        d.regs[regAddr] = value;
        return SDK_OK;
    });
}
