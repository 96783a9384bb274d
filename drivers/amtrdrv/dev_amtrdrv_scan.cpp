// The table scan: slot by slot over every local device, returning only learned entries, with
// a read budget per call so that one request never walks a whole empty table.
#include <algorithm>

#include "drivers/amtrdrv/dev_amtrdrv_internal.h"

using namespace amtrdrv;

bool DEV_AMTRDRV_ResetScan() {
    DEV_AMTRDRV_OM_T& om = DEV_AMTRDRV_OM();
    std::vector<uint8_t> devs = local_devices();
    om.scan_device = devs.empty() ? -1 : devs.front();
    om.scan_index = 0;
    om.scan_skipped = 0;
    return !devs.empty();
}

namespace {

// The local device after `device`, or -1.
int32_t next_device(int32_t device) {
    for (uint8_t d : local_devices())
        if (d > device) return d;
    return -1;
}

}  // namespace

uint32_t DEV_AMTRDRV_GetNextAddrTblEntry(uint8_t* record) {
    DEV_AMTRDRV_OM_T& om = DEV_AMTRDRV_OM();
    for (;;) {
        if (om.scan_device < 0) return DEV_AMTRDRV_SCAN_END;
        const auto dev = static_cast<uint8_t>(om.scan_device);
        bool valid = false, skip = false, aged = false;
        uint8_t assoc = 0;
        SDK_MAC_ENTRY_EXT e;
        SDK_STATUS rc = sdkBrgFdbMacEntryRead(dev, om.scan_index, &valid, &skip, &aged, &assoc, &e);
        if (rc == SDK_OUT_OF_RANGE) {
            om.scan_device = next_device(om.scan_device);
            om.scan_index = 0;
            continue;
        }
        if (rc != SDK_OK) {
            dbg("%s[%d]:Unexpected return value =%d\n", __func__, __LINE__, static_cast<int>(rc));
            return DEV_AMTRDRV_SCAN_ERROR;
        }
        ++om.scan_index;
        if (valid && !e.isStatic && !skip) {
            DEV_AMTRDRV_AddrEntry rec;
            DEV_AMTRDRV_DecodeRecord(record, &rec);
            if (e.key.entryType == SDK_MAC_ENTRY_KEY_MAC_VID) {
                rec.vid = e.key.macVlan.vlanId;
                std::copy(e.key.macVlan.macAddr, e.key.macVlan.macAddr + 6, rec.mac);
            }
            uint32_t unit = 0, port = 0, trunk = 0;
            uint8_t is_trunk = 0;
            if (e.dstInterface.type == SDK_INTERFACE_PORT &&
                !entry_location(__func__, dev, e, &unit, &port, &trunk, &is_trunk)) {
                dbg("%s: failed to convert dev %d port %d to logical port\n", __func__,
                    e.dstInterface.devPort.devNum, e.dstInterface.devPort.portNum);
                return DEV_AMTRDRV_SCAN_ERROR;
            }
            if (e.dstInterface.type == SDK_INTERFACE_TRUNK) {
                entry_location(__func__, dev, e, &unit, &port, &trunk, &is_trunk);
                rec.is_trunk = 1;
                rec.trunk_id = static_cast<uint8_t>(trunk);
            } else if (e.dstInterface.type == SDK_INTERFACE_PORT) {
                rec.is_trunk = 0;
                rec.unit = static_cast<uint8_t>(unit);
                rec.port = static_cast<uint8_t>(port);
            }
            rec.entry_type = e.isStatic ? 1 : 0;
            // The QoS index and the drop flags keep what the buffer held.
            DEV_AMTRDRV_EncodeRecord(rec, record);
            return DEV_AMTRDRV_SCAN_ENTRY;
        }
        if (++om.scan_skipped >= om.max_retry_count) {
            om.scan_skipped = 0;
            return DEV_AMTRDRV_SCAN_BUDGET;
        }
    }
}
