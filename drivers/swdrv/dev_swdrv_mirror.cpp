// Mirroring: port mirroring over six shared analyzer entries with user counts, VLAN mirroring
// and the MAC mirror destination, which share analyzer index 6 of the global ingress analyzer.
#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"

namespace {

DEV_SWDRV_Mirror_T& mirror() {
    return DEV_SWDRV_OM().mirror;
}

// A port argument: unit in the high 16 bits, port in the low.
uint32_t unit_of(uint32_t v) {
    return v >> 16;
}
uint32_t port_of(uint32_t v) {
    return v & 0xFFFF;
}
bool given(uint32_t v) {
    return unit_of(v) && port_of(v);
}

struct Where {
    uint32_t module = 0, dev = 0, port = 0;
};
bool translate(const char* func, int line, uint32_t unit, uint32_t port, Where* w) {
    if (DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &w->module, &w->dev, &w->port) &&
        w->module <= 0xFF && w->port < DEV_SWDRV_MIRROR_PORTS)
        return true;
    swdrv::print_mapping_err(func, line);
    return false;
}

// A destination other than the one in use: -1, the current and requested port and unit.
void print_mismatch(const char* func, int line, uint32_t cur_unit, uint32_t cur_port, uint32_t unit,
                    uint32_t port) {
    if (DEV_SWDRV_OM().print_sdk_err)
        CONSOLE_Printf("%s(): Line = %d , error_id=%d, arg = %lu,%lu,%lu,%lu\r\n", func, line, -1,
                       static_cast<unsigned long>(cur_port), static_cast<unsigned long>(port),
                       static_cast<unsigned long>(cur_unit), static_cast<unsigned long>(unit));
}

bool has_table(uint8_t dev) {
    bool table = false;
    return sdkMirrorAnalyzerTableSupported(dev, &table) == SDK_OK && table;
}

// Writes the analyzer of one direction on a device: entry `index` of the table, or the single
// analyzer port of devices without it.
SDK_STATUS write_analyzer(uint8_t dev, bool rx, uint32_t index, const Where& w) {
    const uint8_t module = static_cast<uint8_t>(w.module), port = static_cast<uint8_t>(w.port);
    if (has_table(dev)) {
        SDK_MIRROR_ANALYZER a{module, port};
        return sdkMirrorAnalyzerInterfaceSet(dev, index, &a);
    }
    return rx ? sdkMirrorRxAnalyzerPortSet(dev, port, module)
              : sdkMirrorTxAnalyzerPortSet(dev, port, module);
}

// Port mirroring of the source in one direction to dest.
bool mirror_direction(const char* func, uint32_t dir, const Where& src, bool src_local,
                      uint32_t dest) {
    Where d;
    if (!translate(func, __LINE__, unit_of(dest), port_of(dest), &d)) return false;
    uint32_t index = DEV_SWDRV_NO_ANALYZER;
    if (!DEV_SWDRV_PortMirroringFindAnalyzerEntry(d.module, d.port, &index)) {
        swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_PortMirroringFindAnalyzerEntry failed");
        return false;
    }
    const bool rx = dir == DEV_SWDRV_MIRROR_RX;
    for (const swdrv::LocalDevice& ld : swdrv::local_devices()) {
        SDK_STATUS rc = write_analyzer(ld.dev, rx, index, d);
        if (rc == SDK_OK && src_local && ld.dev == src.dev) {
            uint8_t p = static_cast<uint8_t>(src.port);
            rc = rx ? sdkMirrorRxPortSet(ld.dev, p, true, index)
                    : sdkMirrorTxPortSet(ld.dev, p, true, index);
        }
        if (rc != SDK_OK) {
            swdrv::print_sdk_err(func, __LINE__, rc);
            return false;
        }
    }
    if (!DEV_SWDRV_PortMirroringUpdateDb(src.module, src.port, dir, true, index)) {
        swdrv::print_step_err(func, __LINE__, "DEV_SWDRV_PortMirroringUpdateDb failed");
        return false;
    }
    return true;
}

bool on_this_unit(uint32_t unit) {
    return unit == DEV_SWDRV_OM().my_unit_id;
}

// The global ingress analyzer (index 6) on every device, and its destination with it.
bool global_analyzer_on(const char* func, const Where& w, uint32_t unit, uint32_t port) {
    for (const swdrv::LocalDevice& ld : swdrv::local_devices()) {
        SDK_STATUS rc =
            sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(ld.dev, true, DEV_SWDRV_NO_ANALYZER);
        if (rc == SDK_OK) rc = write_analyzer(ld.dev, true, DEV_SWDRV_NO_ANALYZER, w);
        if (rc != SDK_OK) {
            swdrv::print_sdk_err3(func, __LINE__, rc, ld.dev, unit, port);
            return false;
        }
    }
    return true;
}

bool global_analyzer_off(const char* func) {
    bool ok = true;
    for (const swdrv::LocalDevice& ld : swdrv::local_devices()) {
        SDK_STATUS rc =
            sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(ld.dev, false, DEV_SWDRV_NO_ANALYZER);
        if (rc != SDK_OK) {
            swdrv::print_sdk_err3(func, __LINE__, rc, ld.dev, 0, 0);
            ok = false;
        }
    }
    return ok;
}

// Sets or clears the VLAN entry's mirror flag on every device where the VLAN is valid.
bool vlan_mirror_flag(const char* func, uint32_t vid, bool on) {
    for (const swdrv::LocalDevice& ld : swdrv::local_devices()) {
        SDK_PORTS_BMP members{}, tagged{};
        SDK_BRG_VLAN_INFO info{};
        bool valid = false;
        uint8_t cmds[SDK_VLAN_TAG_CMD_PORTS] = {};
        const uint16_t v = static_cast<uint16_t>(vid);
        SDK_STATUS rc = sdkBrgVlanEntryRead(ld.dev, v, &members, &tagged, &info, &valid, cmds);
        if (rc == SDK_OK && valid) {
            info.mirrorToAnalyzer = on;
            rc = sdkBrgVlanEntryWrite(ld.dev, v, &members, &tagged, &info, cmds);
        }
        if (rc != SDK_OK) {
            swdrv::print_sdk_err3(func, __LINE__, rc, ld.dev, vid, on);
            return false;
        }
    }
    return true;
}

bool any_mirrored_vlan() {
    for (uint32_t v = DEV_SWDRV_MIN_VLAN; v <= DEV_SWDRV_MAX_VLAN; ++v)
        if (swdrv::bmp_has(DEV_SWDRV_OM().mirrored_vlans, v)) return true;
    return false;
}

}  // namespace

bool DEV_SWDRV_PortMirroringFindAnalyzerEntry(uint32_t module_id, uint32_t port, uint32_t* index) {
    if (!index) return false;
    int32_t free = -1;
    for (uint32_t i = 0; i < DEV_SWDRV_ANALYZERS; ++i) {
        const DEV_SWDRV_Mirror_T::Analyzer& a = mirror().analyzer[i];
        if (a.module_id == module_id && a.port == port) {
            *index = i;
            return true;
        }
        if (!a.users && free < 0) free = static_cast<int32_t>(i);
    }
    if (free < 0) return false;
    DEV_SWDRV_Mirror_T::Analyzer& a = mirror().analyzer[free];
    a.module_id = module_id;
    a.port = port;
    *index = static_cast<uint32_t>(free);
    return true;
}

bool DEV_SWDRV_PortMirroringUpdateDb(uint32_t src_module_id, uint32_t src_port, uint32_t direction,
                                     bool add, uint32_t index) {
    if (src_module_id >= DEV_SWDRV_MIRROR_MODULES || src_port >= DEV_SWDRV_MIRROR_PORTS ||
        direction > DEV_SWDRV_MIRROR_TX || (add && index >= DEV_SWDRV_ANALYZERS))
        return SWDRV_BAD_ARG("mirror source or analyzer out of range");
    uint8_t& rec = mirror().source[src_module_id][src_port][direction];
    if (rec < DEV_SWDRV_ANALYZERS) {
        uint32_t& users = mirror().analyzer[rec].users;
        if (users) --users;
        rec = DEV_SWDRV_NO_ANALYZER;
    }
    if (add) {
        ++mirror().analyzer[index].users;
        rec = static_cast<uint8_t>(index);
    }
    return true;
}

bool DEV_SWDRV_SetPortMirroring(uint32_t source, uint32_t rx_dest, uint32_t tx_dest) {
    Where src;
    if (!translate(__func__, __LINE__, unit_of(source), port_of(source), &src)) return false;
    const bool local = on_this_unit(unit_of(source));
    if (local && has_table(static_cast<uint8_t>(src.dev))) {
        if (SDK_STATUS rc =
                sdkMirrorToAnalyzerForwardingModeSet(static_cast<uint8_t>(src.dev), 1)) {
            SWDRV_SDK_ERR(rc);
            return false;
        }
    }
    if (given(rx_dest) && !mirror_direction(__func__, DEV_SWDRV_MIRROR_RX, src, local, rx_dest))
        return false;
    if (given(tx_dest) && !mirror_direction(__func__, DEV_SWDRV_MIRROR_TX, src, local, tx_dest))
        return false;
    return true;
}

bool DEV_SWDRV_DeletePortMirroring(uint32_t source) {
    Where src;
    if (!translate(__func__, __LINE__, unit_of(source), port_of(source), &src)) return false;
    const bool local = on_this_unit(unit_of(source));
    const uint8_t dev = static_cast<uint8_t>(src.dev), port = static_cast<uint8_t>(src.port);
    if (local) {
        if (SDK_STATUS rc = sdkMirrorRxPortSet(dev, port, false, 0)) SWDRV_SDK_ERR(rc);
    }
    DEV_SWDRV_PortMirroringUpdateDb(src.module, src.port, DEV_SWDRV_MIRROR_RX, false, 0);
    if (local) {
        if (SDK_STATUS rc = sdkMirrorTxPortSet(dev, port, false, 0)) SWDRV_SDK_ERR(rc);
    }
    DEV_SWDRV_PortMirroringUpdateDb(src.module, src.port, DEV_SWDRV_MIRROR_TX, false, 0);
    return true;
}

bool DEV_SWDRV_AddVlanMirror(uint32_t dest_unit, uint32_t dest_port, uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    Where w;
    if (!translate(__func__, __LINE__, dest_unit, dest_port, &w)) return false;
    DEV_SWDRV_Mirror_T& m = mirror();
    if (m.vlan_port && (m.vlan_unit != dest_unit || m.vlan_port != dest_port)) {
        print_mismatch(__func__, __LINE__, m.vlan_unit, m.vlan_port, dest_unit, dest_port);
        return false;
    }
    if (!global_analyzer_on(__func__, w, dest_unit, dest_port)) return false;
    if (!vlan_mirror_flag(__func__, vid, true)) return false;
    swdrv::bmp_set(DEV_SWDRV_OM().mirrored_vlans, vid, true);
    m.vlan_unit = dest_unit;
    m.vlan_port = dest_port;
    m.vlan_active = true;
    return true;
}

bool DEV_SWDRV_DeleteVlanMirror(uint32_t dest_unit, uint32_t dest_port, uint32_t vid) {
    if (!SWDRV_VLAN_OK(vid)) return false;
    Where w;
    if (!translate(__func__, __LINE__, dest_unit, dest_port, &w)) return false;
    DEV_SWDRV_Mirror_T& m = mirror();
    if (!m.vlan_port) return true;
    if (m.vlan_unit != dest_unit || m.vlan_port != dest_port) {
        print_mismatch(__func__, __LINE__, m.vlan_unit, m.vlan_port, dest_unit, dest_port);
        return false;
    }
    if (!vlan_mirror_flag(__func__, vid, false)) return false;
    swdrv::bmp_set(DEV_SWDRV_OM().mirrored_vlans, vid, false);
    if (any_mirrored_vlan()) return true;
    m.vlan_unit = m.vlan_port = 0;
    m.vlan_active = false;
    return global_analyzer_off(__func__);
}

bool DEV_SWDRV_SetDestPortForMacMirror(uint32_t unit, uint32_t port, uint32_t mode) {
    DEV_SWDRV_Mirror_T& m = mirror();
    if (mode == 1) {
        Where w;
        if (!translate(__func__, __LINE__, unit, port, &w)) return false;
        const bool same_vlan = m.vlan_unit == unit && m.vlan_port == port;
        if (m.vlan_port) {
            if (!same_vlan) {
                print_mismatch(__func__, __LINE__, m.vlan_unit, m.vlan_port, unit, port);
                return false;
            }
            m.mac_unit = unit;  // shares the VLAN mirror's analyzer
            m.mac_port = port;
            return true;
        }
        if (m.mac_port) {
            if (m.mac_unit == unit && m.mac_port == port) return true;
            print_mismatch(__func__, __LINE__, m.mac_unit, m.mac_port, unit, port);
            return false;
        }
        if (!global_analyzer_on(__func__, w, unit, port)) return false;
        m.mac_unit = unit;
        m.mac_port = port;
        return true;
    }
    if (!m.mac_port) return true;
    if (m.mac_unit != unit || m.mac_port != port) {
        print_mismatch(__func__, __LINE__, m.mac_unit, m.mac_port, unit, port);
        return false;
    }
    if (!m.vlan_port && !global_analyzer_off(__func__)) return false;
    m.mac_unit = m.mac_port = 0;
    return true;
}
