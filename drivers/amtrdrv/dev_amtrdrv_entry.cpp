// Address entries: the record codec, records turned into chip entries and written on the
// devices, single deletes, the hash lookup over the bucket, and address lookups.
#include <cstdarg>
#include <cstring>

#include "drivers/amtrdrv/dev_amtrdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"

namespace amtrdrv {
namespace {

void vprint(const char* fmt, va_list ap) {
    char line[512];
    std::vsnprintf(line, sizeof line, fmt, ap);
    CONSOLE_Write(line);
}

}  // namespace

void dbg(const char* fmt, ...) {
    if (!DEV_AMTRDRV_OM().debug_flag.load(std::memory_order_relaxed)) return;
    va_list ap;
    va_start(ap, fmt);
    vprint(fmt, ap);
    va_end(ap);
}

void chip_err(const char* fmt, ...) {
    if (!DEV_AMTRDRV_OM().show_chip_err_msg.load(std::memory_order_relaxed)) return;
    va_list ap;
    va_start(ap, fmt);
    vprint(fmt, ap);
    va_end(ap);
}

std::vector<uint8_t> local_devices() {
    std::vector<uint8_t> out;
    uint8_t first = 0, count = 0;
    if (sdkCfgDevCountGet(&first, &count) != SDK_OK) return out;
    for (uint32_t d = first; d < uint32_t{first} + count && d < 128; ++d) {
        SDK_DEV_INFO info;
        if (sdkCfgDevInfoGet(static_cast<uint8_t>(d), &info) == SDK_OK)
            out.push_back(static_cast<uint8_t>(d));
    }
    return out;
}

std::vector<uint8_t> selected_devices(uint8_t selector) {
    std::vector<uint8_t> all = local_devices();
    switch (selector) {
        case DEV_AMTRDRV_DEV_FIRST:
            if (all.size() > 1) all.resize(1);
            return all;
        case DEV_AMTRDRV_DEV_OTHERS:
            if (!all.empty()) all.erase(all.begin());
            return all;
        case DEV_AMTRDRV_DEV_ALL:
            return all;
    }
    return {};
}

SDK_MAC_ENTRY_KEY mac_key(uint32_t vid, const uint8_t mac[6]) {
    SDK_MAC_ENTRY_KEY k{};
    k.entryType = SDK_MAC_ENTRY_KEY_MAC_VID;
    std::memcpy(k.macVlan.macAddr, mac, 6);
    k.macVlan.vlanId = static_cast<uint16_t>(vid);
    return k;
}

// The entry's destination: the port's (module id, physical port), or the chip trunk given.
bool set_destination(const char* func, const DEV_AMTRDRV_AddrEntry& rec, uint16_t chip_trunk,
                     SDK_MAC_ENTRY_EXT* e) {
    if (rec.is_trunk != 0) {
        e->dstInterface.type = SDK_INTERFACE_TRUNK;
        e->dstInterface.trunkId = chip_trunk;
        return true;
    }
    uint32_t module = 0, dev = 0, phy = 0;
    if (!DEV_SWDRV_Logical2PhyDevicePortID(rec.unit, rec.port, &module, &dev, &phy)) {
        dbg("%s: failed to convert unit %d port %d to physical device port id\n", func, rec.unit,
            rec.port);
        return false;
    }
    e->dstInterface.type = SDK_INTERFACE_PORT;
    e->dstInterface.devPort.devNum = static_cast<uint8_t>(module);
    e->dstInterface.devPort.portNum = static_cast<uint8_t>(phy);
    return true;
}

bool build_entry(const char* func, uint32_t device, const DEV_AMTRDRV_AddrEntry& rec,
                 SDK_MAC_ENTRY_EXT* out) {
    SDK_MAC_ENTRY_EXT e{};
    e.key = mac_key(rec.vid, rec.mac);
    if (!set_destination(
            func, rec,
            DEV_SWDRV_WorkaroundForTrunkId(device, static_cast<uint16_t>(rec.trunk_id + 1), 1), &e))
        return false;
    e.isStatic = rec.entry_type == 1;
    e.daCommand = rec.da_drop ? SDK_MAC_TABLE_CMD_DROP : SDK_MAC_TABLE_CMD_FORWARD;
    e.saCommand = rec.sa_drop ? SDK_MAC_TABLE_CMD_DROP : SDK_MAC_TABLE_CMD_FORWARD;
    e.saQosIndex = rec.qos_index == 255 ? 0 : rec.qos_index;
    e.age = false;
    *out = e;
    return true;
}

bool entry_location(const char* func, uint32_t device, const SDK_MAC_ENTRY_EXT& e, uint32_t* unit,
                    uint32_t* port, uint32_t* trunk_id, uint8_t* is_trunk) {
    if (e.dstInterface.type == SDK_INTERFACE_TRUNK) {
        *is_trunk = 1;
        *trunk_id = static_cast<uint32_t>(
                        DEV_SWDRV_WorkaroundForTrunkId(device, e.dstInterface.trunkId, 0)) -
                    1;
        return true;
    }
    if (e.dstInterface.type != SDK_INTERFACE_PORT) return false;
    uint32_t mod_unit = 0, dev = 0;
    if (!DEV_SWDRV_GetDeviceIdFromModuleId(e.dstInterface.devPort.devNum, &mod_unit, &dev)) {
        dbg("%s[%d] Failed @DEV_SWDRV_GetUnitAndDeviceIDFromModuleID()\n", func, __LINE__);
        return false;
    }
    uint32_t u = 0, p = 0;
    if (!DEV_SWDRV_PhyDevicePort2Logical(dev, e.dstInterface.devPort.portNum, &u, &p)) {
        dbg("%s[%d] Failed to convert dev %d devPort %d\n", func, __LINE__, static_cast<int>(dev),
            e.dstInterface.devPort.portNum);
        return false;
    }
    *unit = mod_unit;
    *port = p;
    *is_trunk = 0;
    return true;
}

}  // namespace amtrdrv

using namespace amtrdrv;

void DEV_AMTRDRV_DecodeRecord(const uint8_t* in, DEV_AMTRDRV_AddrEntry* out) {
    out->vid = be::get16(in);
    std::memcpy(out->mac, in + 2, 6);
    out->unit = in[8];
    out->port = in[9];
    out->trunk_id = in[10];
    out->qos_index = in[11];
    out->is_trunk = in[12];
    out->entry_type = in[13];
    out->sa_drop = in[14];
    out->da_drop = in[15];
}

void DEV_AMTRDRV_EncodeRecord(const DEV_AMTRDRV_AddrEntry& in, uint8_t* out) {
    be::put16(out, in.vid);
    std::memcpy(out + 2, in.mac, 6);
    const uint8_t rest[8] = {in.unit,     in.port,       in.trunk_id, in.qos_index,
                             in.is_trunk, in.entry_type, in.sa_drop,  in.da_drop};
    std::memcpy(out + 8, rest, 8);
}

uint32_t DEV_AMTRDRV_sdkBrgFdbMacEntrySet(uint32_t device, const void* sdk_entry) {
    const auto* e = static_cast<const SDK_MAC_ENTRY_EXT*>(sdk_entry);
    const auto dev = static_cast<uint8_t>(device);
    SDK_STATUS rc = sdkBrgFdbMacEntrySet(dev, e);
    bool completed = false, succeeded = false;
    if (rc == SDK_OK) {
        rc = sdkBrgFdbFromCpuAuMsgStatusGet(dev, &completed, &succeeded);
        if (rc == SDK_OK && !completed) rc = SDK_FAIL;
    }
    if (rc != SDK_OK) {
        chip_err("\r\n%s: sdkBrgFdbMacEntrySet failed on dev %lu, rc=%d\r\n", __func__,
                 static_cast<unsigned long>(device), static_cast<int>(rc));
        return DEV_AMTRDRV_WRITE_FAILED;
    }
    if (succeeded) return DEV_AMTRDRV_WRITE_OK;
    const uint8_t* m = e->key.macVlan.macAddr;
    dbg("%s %d: collision occur %02x%02x%02x%02x%02x%02x.\n", __func__, __LINE__, m[0], m[1], m[2],
        m[3], m[4], m[5]);
    return DEV_AMTRDRV_WRITE_COLLISION;
}

bool DEV_AMTRDRV_SetAddrTblEntryByDevId(uint32_t device, const DEV_AMTRDRV_AddrEntry& rec) {
    SDK_MAC_ENTRY_EXT e;
    if (!build_entry(__func__, device, rec, &e)) return false;
    if (DEV_AMTRDRV_sdkBrgFdbMacEntrySet(device, &e) != DEV_AMTRDRV_WRITE_OK) {
        dbg("\r\n%s: DEV_AMTRDRV_sdkBrgFdbMacEntrySet failed on dev %lu\r\n", __func__,
            static_cast<unsigned long>(device));
        return false;
    }
    return true;
}

bool DEV_AMTRDRV_SetAddrTblEntry(const DEV_AMTRDRV_AddrEntry& rec) {
    for (uint8_t dev : local_devices())
        if (!DEV_AMTRDRV_SetAddrTblEntryByDevId(dev, rec)) return false;
    return true;
}

uint32_t DEV_AMTRDRV_SetAddrTblEntryByDevice(uint8_t selector, const DEV_AMTRDRV_AddrEntry& rec) {
    if (local_devices().empty()) return 1;
    for (uint8_t dev : selected_devices(selector)) {
        if (!DEV_AMTRDRV_SetAddrTblEntryByDevId(dev, rec)) {
            dbg("%s[%d]: DEV_AMTRDRV_SetAddrTblEntryByDevId failed\n", __func__, __LINE__);
            return 1;
        }
    }
    return 0;
}

bool DEV_AMTRDRV_SetMacEntryWithAttribute(const DEV_AMTRDRV_AddrEntry& rec, uint32_t attribute,
                                          uint8_t sa_drop) {
    if (attribute >= 8) return false;
    SDK_MAC_ENTRY_EXT e{};
    e.key = mac_key(rec.vid, rec.mac);
    if (!set_destination(__func__, rec, DEV_SWDRV_WorkaroundForTrunkId(0, rec.trunk_id, 1), &e))
        return false;
    e.isStatic = rec.entry_type == 1;
    e.daCommand = SDK_MAC_TABLE_CMD_FORWARD;
    e.saCommand = sa_drop == 1 ? SDK_MAC_TABLE_CMD_DROP : SDK_MAC_TABLE_CMD_FORWARD;
    e.saQosIndex = attribute;
    for (uint8_t dev : local_devices()) {
        if (DEV_AMTRDRV_sdkBrgFdbMacEntrySet(dev, &e) != DEV_AMTRDRV_WRITE_OK) {
            dbg("\r\n%s: DEV_AMTRDRV_sdkBrgFdbMacEntrySet failed on dev %lu\r\n", __func__,
                static_cast<unsigned long>(dev));
            return false;
        }
    }
    return true;
}

bool DEV_AMTRDRV_DeleteAddrByDevId(uint32_t device, uint32_t vid, const uint8_t mac[6]) {
    SDK_MAC_ENTRY_KEY k = mac_key(vid, mac);
    if (SDK_STATUS rc = sdkBrgFdbMacEntryDelete(static_cast<uint8_t>(device), &k)) {
        chip_err("\r\n%s[%d]: sdkBrgFdbMacEntryDelete failed on dev %lu with rc=%d\r\n", __func__,
                 __LINE__, static_cast<unsigned long>(device), static_cast<int>(rc));
        return false;
    }
    return true;
}

bool DEV_AMTRDRV_DeleteAddr(uint32_t vid, const uint8_t mac[6]) {
    for (uint8_t dev : local_devices()) {
        if (!DEV_AMTRDRV_DeleteAddrByDevId(dev, vid, mac)) {
            dbg("%s[%d] del addr failed on device %lu\n", __func__, __LINE__,
                static_cast<unsigned long>(dev));
            return false;
        }
    }
    return true;
}

bool DEV_AMTRDRV_DeleteAddrByDevice(uint8_t selector, uint32_t vid, const uint8_t mac[6]) {
    if (local_devices().empty()) return false;
    for (uint8_t dev : selected_devices(selector)) {
        if (!DEV_AMTRDRV_DeleteAddrByDevId(dev, vid, mac)) {
            dbg("%s[%d] del addr failed on device %lu\n", __func__, __LINE__,
                static_cast<unsigned long>(dev));
            return false;
        }
    }
    return true;
}

bool DEV_AMTRDRV_sdkBrgFdbMacEntryRead(uint32_t device, uint32_t vid, const uint8_t mac[6],
                                       void* sdk_entry, uint32_t* index) {
    auto* out = static_cast<SDK_MAC_ENTRY_EXT*>(sdk_entry);
    const auto dev = static_cast<uint8_t>(device);
    SDK_MAC_ENTRY_KEY k = mac_key(vid, mac);
    uint32_t start = 0, size = 0;
    if (vid > 0xFFF || sdkBrgFdbHashCalc(dev, &k, &start) != SDK_OK) return false;
    if (sdkCfgTableNumEntriesGet(dev, SDK_CFG_TABLE_FDB, &size) != SDK_OK || size == 0)
        return false;
    const DEV_AMTRDRV_OM_T& om = DEV_AMTRDRV_OM();
    for (uint32_t i = 0; i < om.hash_depth; ++i) {
        const uint32_t slot = (start + i) % size;
        bool valid = false, skip = false, aged = false;
        uint8_t assoc = 0;
        SDK_MAC_ENTRY_EXT e;
        if (SDK_STATUS rc = sdkBrgFdbMacEntryRead(dev, slot, &valid, &skip, &aged, &assoc, &e)) {
            chip_err("\r\n%s: sdkBrgFdbMacEntryRead failed on dev %lu, rc=%d\r\n", __func__,
                     static_cast<unsigned long>(device), static_cast<int>(rc));
            return false;
        }
        if (!valid) return false;
        if (skip) continue;
        if (e.key.entryType == SDK_MAC_ENTRY_KEY_MAC_VID && e.key.macVlan.vlanId == vid &&
            std::memcmp(e.key.macVlan.macAddr, mac, 6) == 0) {
            if (om.show_hash_depth_threshold && i >= om.show_hash_depth_threshold)
                CONSOLE_Printf("MAC:%02x%02x%02x%02x%02x%02x depth:%lu\n", mac[0], mac[1], mac[2],
                               mac[3], mac[4], mac[5], static_cast<unsigned long>(i));
            *out = e;
            *index = slot;
            return true;
        }
    }
    return false;
}

bool DEV_AMTRDRV_ARLLookUpByDevId(uint32_t device, uint32_t vid, const uint8_t mac[6],
                                  uint32_t* port, uint32_t* trunk_id, uint8_t* is_trunk) {
    SDK_MAC_ENTRY_EXT e;
    uint32_t index = 0, unit = 0;
    if (!DEV_AMTRDRV_sdkBrgFdbMacEntryRead(device, vid, mac, &e, &index)) return false;
    return entry_location(__func__, device, e, &unit, port, trunk_id, is_trunk);
}

bool DEV_AMTRDRV_ARLLookUp(uint32_t vid, const uint8_t mac[6], uint32_t* port, uint32_t* trunk_id,
                           uint8_t* is_trunk) {
    for (uint8_t dev : local_devices())
        if (DEV_AMTRDRV_ARLLookUpByDevId(dev, vid, mac, port, trunk_id, is_trunk)) return true;
    return false;
}
