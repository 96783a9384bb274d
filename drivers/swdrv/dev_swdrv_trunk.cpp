// Trunks: create, destroy, members and load balancing, and the translation of firmware trunk
// ids into the chip's, which every driver naming a trunk to the chip goes through.
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

namespace {

// A firmware trunk id the chip can be told about (16 bits).
bool trunk_id_ok(const char* func, int line, uint32_t trunk_id) {
    return trunk_id <= 0xFFFF || swdrv::bad_arg(func, line, "trunk id beyond 16 bits");
}

uint16_t chip_trunk(uint8_t dev, uint32_t trunk_id) {
    return DEV_SWDRV_WorkaroundForTrunkId(dev, static_cast<uint16_t>(trunk_id), 1);
}

// Writes the trunk's enabled members on every device, stopping at the first failure.
bool write_members(const char* func, int line, uint32_t trunk_id, uint32_t count,
                   const SDK_TRUNK_MEMBER* members) {
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        SDK_STATUS rc =
            sdkTrunkMembersSet(d.dev, chip_trunk(d.dev, trunk_id), count, members, 0, nullptr);
        if (rc != SDK_OK) {
            swdrv::print_sdk_err(func, line, rc);
            return false;
        }
    }
    return true;
}

}  // namespace

bool DEV_SWDRV_CreateTrunk(uint32_t trunk_id) {
    if (!trunk_id_ok(__func__, __LINE__, trunk_id)) return false;
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        uint32_t n = 0;
        SDK_STATUS rc = sdkTrunkDbMembersNumGet(d.dev, chip_trunk(d.dev, trunk_id), &n);
        if (rc != SDK_OK) {
            SWDRV_SDK_ERR(rc);
            return false;
        }
        if (n != 0) return false;
    }
    return true;
}

bool DEV_SWDRV_DestroyTrunk(uint32_t trunk_id) {
    return trunk_id_ok(__func__, __LINE__, trunk_id) &&
           write_members(__func__, __LINE__, trunk_id, 0, nullptr);
}

bool DEV_SWDRV_SetTrunkPortMembers(uint32_t trunk_id, uint32_t count,
                                   const DEV_SWDRV_TrunkMember_T* members) {
    if (!trunk_id_ok(__func__, __LINE__, trunk_id)) return false;
    if (count > DEV_SWDRV_TRUNK_MAX_MEMBERS) return SWDRV_BAD_ARG("more than 8 trunk members");
    if (count && !members) return SWDRV_BAD_ARG("no member list");
    SDK_TRUNK_MEMBER chip[DEV_SWDRV_TRUNK_MAX_MEMBERS];
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t module = 0, dev = 0, port = 0;
        if (!DEV_SWDRV_Logical2PhyDevicePortID(members[i].unit, members[i].port, &module, &dev,
                                               &port) ||
            module > 0xFF || port > 0xFF) {
            swdrv::print_step_err("DEV_SWDRV_SetTrunkPortMembers", __LINE__,
                                  "DEV_SWDRV_Logical2PhyDevicePortID failed");
            return false;
        }
        chip[i] = {static_cast<uint8_t>(port), static_cast<uint8_t>(module)};
    }
    return write_members(__func__, __LINE__, trunk_id, count, chip);
}

bool DEV_SWDRV_SetTrunkLoadBalanceMode(uint32_t mode) {
    if (mode < 1 || mode > 6) return SWDRV_BAD_ARG("load-balance mode outside 1 to 6");
    const bool ip = mode >= 4;
    auto mask = [](bool on) { return on ? SDK_TRUNK_HASH_MASK_MAX : uint8_t{0}; };
    for (const swdrv::LocalDevice& d : swdrv::local_devices()) {
        SDK_STATUS rc = sdkTrunkHashGlobalModeSet(d.dev, SDK_TRUNK_HASH_PACKET_DATA);
        if (rc == SDK_OK) rc = sdkTrunkHashIpModeSet(d.dev, ip);
        if (rc == SDK_OK)
            rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_MAC_DA,
                                     mask(mode != 1 && mode != 4));
        if (rc == SDK_OK)
            rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_MAC_SA,
                                     mask(mode != 2 && mode != 5));
        if (rc == SDK_OK && ip) {
            rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_IPV4_DIP, mask(mode != 4));
            if (rc == SDK_OK)
                rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_IPV4_SIP, mask(mode != 5));
            if (rc == SDK_OK) rc = sdkTrunkHashIpv6ModeSet(d.dev, 3);
            if (rc == SDK_OK)
                rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_IPV6_DIP, mask(mode != 4));
            if (rc == SDK_OK)
                rc = sdkTrunkHashMaskSet(d.dev, SDK_TRUNK_HASH_FIELD_IPV6_SIP, mask(mode != 5));
        }
        if (rc != SDK_OK) {
            SWDRV_SDK_ERR(rc);
            return false;
        }
    }
    return true;
}
