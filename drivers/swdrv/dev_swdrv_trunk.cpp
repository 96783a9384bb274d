// Trunks: the translation of firmware trunk ids into the chip's, which every driver naming a
// trunk to the chip goes through.
#include "drivers/swdrv/dev_swdrv_internal.h"

uint16_t DEV_SWDRV_WorkaroundForTrunkId(uint32_t device, uint16_t trunk_id, uint32_t direction) {
    if (device >= DEV_SWDRV_MAX_DEVICES) return trunk_id;
    uint8_t& mode = DEV_SWDRV_OM().trunk_id_mode[device];
    if (mode == DEV_SWDRV_TRUNK_ID_UNKNOWN) {
        // A device that refuses trunk 1 keeps the low ids for itself.
        uint32_t n = 0;
        SDK_TRUNK_MEMBER members[SDK_TRUNK_MAX_MEMBERS];
        SDK_STATUS rc = sdkTrunkTableEntryGet(static_cast<uint8_t>(device), 1, &n, members);
        if (rc == SDK_OK) {
            mode = DEV_SWDRV_TRUNK_ID_PLAIN;
        } else if (rc == SDK_BAD_PARAM) {
            mode = DEV_SWDRV_TRUNK_ID_REMAP;
        } else {
            swdrv::print_step_err("DEV_SWDRV_WorkaroundForTrunkId", __LINE__,
                                  "sdkTrunkTableEntryGet failed");
            return trunk_id;  // probed again on the next call
        }
    }
    if (mode == DEV_SWDRV_TRUNK_ID_PLAIN) return trunk_id;
    if (direction == 1) return static_cast<uint16_t>((trunk_id | 32) << 1);
    return static_cast<uint16_t>((trunk_id >> 1) & 0x1F);
}
