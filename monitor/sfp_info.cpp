// Reading a module's identification into the information record.
#include <cstring>

#include "monitor/monitor_internal.h"
#include "sdk/hwsvc/sysdrv_sfp.h"

namespace {

struct TextField {
    const char* name;
    uint32_t off;
    uint32_t len;
};

// Text fields of the record. A field holding anything but printable characters (and zero
// padding) is not trusted: it is cleared.
constexpr TextField kTextFields[] = {{"vendor name", SWDRV_SFP_INFO_OFF_VENDOR, 16},
                                     {"part number", SWDRV_SFP_INFO_OFF_PN, 16},
                                     {"revision", SWDRV_SFP_INFO_OFF_REV, 4},
                                     {"serial number", SWDRV_SFP_INFO_OFF_SERIAL, 16},
                                     {"date code", SWDRV_SFP_INFO_OFF_DATE, 8}};

void check_text(uint32_t idx, uint8_t* info) {
    for (const TextField& f : kTextFields) {
        bool ok = true;
        for (uint32_t i = 0; i < f.len; ++i) {
            const uint8_t ch = info[f.off + i];
            if (ch != 0 && (ch < 0x20 || ch > 0x7E)) ok = false;
        }
        if (ok) continue;
        std::memset(info + f.off, 0, f.len);
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s(%d): SFP %lu %s is not printable text, cleared\r\n", "check_text",
                          __LINE__, static_cast<unsigned long>(idx), f.name);
    }
}

// Fills the record from the identification area e (EEPROM n at e[n], 95 bytes or more).
void fill(uint8_t id, const uint8_t* e, uint8_t* info) {
    info[SWDRV_SFP_INFO_OFF_ID] = id;
    info[2] = e[2];
    std::memcpy(info + 3, e + 3, 8);
    info[11] = e[12];
    info[12] = e[14];
    info[13] = e[15];
    std::memcpy(info + SWDRV_SFP_INFO_OFF_VENDOR, e + 20, 16);
    info[30] = 0;
    std::memcpy(info + 31, e + 37, 3);
    std::memcpy(info + SWDRV_SFP_INFO_OFF_PN, e + 40, 16);
    info[50] = 0;
    if (id == SWDRV_MONITOR_ID_SFP) {
        std::memcpy(info + SWDRV_SFP_INFO_OFF_REV, e + 56, 4);
        info[55] = 0;
        if ((e[8] & 0x0C) == 0) std::memcpy(info + SWDRV_SFP_INFO_OFF_WAVELENGTH, e + 60, 2);
    } else {
        std::memcpy(info + SWDRV_SFP_INFO_OFF_REV, e + 56, 2);
        info[53] = 0;
        std::memcpy(info + SWDRV_SFP_INFO_OFF_WAVELENGTH, e + 58, 2);
    }
    std::memcpy(info + SWDRV_SFP_INFO_OFF_SERIAL, e + 68, 16);
    info[74] = 0;
    std::memcpy(info + SWDRV_SFP_INFO_OFF_DATE, e + 84, 8);
    if (id == SWDRV_MONITOR_ID_SFP) {
        if (e[92] & 0x40)
            info[SWDRV_SFP_INFO_OFF_FLAGS] =
                SWDRV_SFP_FLAG_DDM | ((e[92] & 0x10) ? SWDRV_SFP_FLAG_EXT_CAL : 0);
    } else {
        info[SWDRV_SFP_INFO_OFF_FLAGS] = SWDRV_SFP_FLAG_DDM;
    }
    if (id == SWDRV_MONITOR_ID_XFP) info[SWDRV_SFP_INFO_OFF_AUX] = e[94];
}

}  // namespace

bool SWDRV_MONITOR_SfpInfoParsing(uint32_t unit, uint32_t idx, uint8_t* info) {
    std::memset(info, 0, SWDRV_SFP_INFO_SIZE);
    const unsigned long ul_idx = idx;
    uint8_t id = 0;
    if (!SYSDRV_GetSfpInfo(idx, 0, 1, &id)) {
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s(%d): Failed to read GBIC %lu identifier from I2C.\r\n", __func__,
                          __LINE__, ul_idx);
        SWDRV_OM_SetPortSfpInfo(unit, idx, info);
        return false;
    }
    uint8_t e[256] = {};
    switch (id) {
        case SWDRV_MONITOR_ID_SFP:
            if (!SYSDRV_GetSfpInfo(idx, 0, 128, e) || !SYSDRV_GetSfpInfo(idx, 128, 128, e + 128)) {
                SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                                  "%s(%d): Failed to read SFP %lu info from I2C.\r\n", __func__,
                                  __LINE__, ul_idx);
                SWDRV_OM_SetPortSfpInfo(unit, idx, info);
                return false;
            }
            break;
        case SWDRV_MONITOR_ID_XFP:
            if (!SYSDRV_GetSfpInfo(idx, 128, 95, e)) {
                SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                                  "%s(%d): Failed to read XFP %lu info from I2C.\r\n", __func__,
                                  __LINE__, ul_idx);
                SWDRV_OM_SetPortSfpInfo(unit, idx, info);
                return false;
            }
            break;
        case SWDRV_MONITOR_ID_QSFP:
        case SWDRV_MONITOR_ID_QSFP_PLUS: {
            const uint8_t page = 0;
            if (!SYSDRV_SetSfpInfo(idx, 127, 1, &page) || !SYSDRV_GetSfpInfo(idx, 128, 95, e)) {
                SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                                  "%s(%d): Failed to read QSFP(+) %lu info from I2C.\r\n", __func__,
                                  __LINE__, ul_idx);
                SWDRV_OM_SetPortSfpInfo(unit, idx, info);
                return false;
            }
            break;
        }
        default:
            SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                              "%s(%d): SFP %lu identifier 0x%x is not a known module type\r\n",
                              __func__, __LINE__, ul_idx, id);
            SWDRV_OM_SetPortSfpInfo(unit, idx, info);
            return false;
    }
    fill(id, e, info);
    check_text(idx, info);
    if (id == SWDRV_MONITOR_ID_SFP && (info[SWDRV_SFP_INFO_OFF_FLAGS] & SWDRV_SFP_FLAG_DDM))
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s(%d): SFP %lu Diagnostic Monitoring Type: 0x%x\r\n", __func__,
                          __LINE__, ul_idx, e[92]);
    SWDRV_OM_SetPortSfpInfo(unit, idx, info);
    return true;
}

bool SWDRV_MONITOR_PortSfpInfo(uint32_t unit, uint32_t idx) {
    uint8_t info[SWDRV_SFP_INFO_SIZE];
    if (!SWDRV_MONITOR_SfpInfoParsing(unit, idx, info)) return false;
    return SWDRV_MONITOR_SfpDdmInfoParsing(unit, idx, info);
}
